// show: one record per row the plug-in shows, as a table, CSV or JSON.
#include <algorithm>
#include <cstring>
#include <ostream>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "channel_list/list_line.h"
#include "channel_list/satellite_names.h"
#include "code_page.h"
#include "csv.h"
#include "csv_view.h"
#include "read_list.h"
#include "row_text.h"
#include "utf8_text.h"
#include "zelq_list.h"

namespace {

struct RowRecord {
    std::size_t Row;  // counting from 1
    std::size_t Line;
    unsigned Flag;
    unsigned Ident;
    std::string Position;
    unsigned Tenths;  // the position in tenths of a degree east, as the code holds it
    const char* Satellite;
    unsigned Mhz;
    std::string Name;  // UTF-8, as it is
    std::string Code;  // the twelve digits
};

// The rows of a list, with the line of text each row stands on.
struct ShownList {
    const ListIndex& Index;
    std::vector<std::uint32_t> RowLines;
};

RowRecord MakeRecord(const ShownList& list, const CodePage& page, std::size_t row) {
    const IndexRow& fields = list.Index.Rows[row];
    const DecodedCode decoded = RowChannel(list.Index, row);
    return RowRecord{row + 1,
                     list.RowLines[row],
                     fields.Flag,
                     decoded.ChannelIdent,
                     PositionText(decoded.SatPosition),
                     decoded.SatPosition,
                     SatelliteNameFor(decoded.SatPosition),
                     TransponderMhz(fields.Code),
                     RowNameText(list.Index, page, row),
                     CodeText(fields.Code)};
}

// The rows show prints: every row, or those the filter picks.
std::vector<std::uint32_t> SelectRows(const std::vector<bool>& shown) {
    std::vector<std::uint32_t> selected;
    for (std::size_t row = 0; row < shown.size(); ++row) {
        if (shown[row]) selected.push_back(static_cast<std::uint32_t>(row));
    }
    return selected;
}

// The CSV, in UTF-8 with a byte-order mark so that a spreadsheet reads it as
// UTF-8. It records the view it shows (every row, or those of a filter) in a
// last header cell, which import reads (the rows leave that column empty).
void WriteCsv(const ShownList& list, const std::vector<std::uint32_t>& selected, const CodePage& page,
              const CsvView& view, std::ostream& out) {
    out << kByteOrderMark << "row,line,flag,ident,position,satellite,mhz,code,tenths,name,"
        << CsvField(ViewRecord(view)) << "\r\n";
    for (const std::uint32_t i : selected) {
        const RowRecord r = MakeRecord(list, page, i);
        out << r.Row << ',' << r.Line << ',' << r.Flag << ',' << r.Ident << ',' << CsvField(r.Position) << ','
            << CsvField(r.Satellite) << ',' << r.Mhz << ',' << r.Code << ',' << r.Tenths << ','
            << CsvField(GuardName(r.Name)) << "\r\n";
    }
}

void WriteJson(const ShownList& list, const std::vector<std::uint32_t>& selected, const CodePage& page,
               std::ostream& out) {
    out << '[';
    for (std::size_t n = 0; n < selected.size(); ++n) {
        const RowRecord r = MakeRecord(list, page, selected[n]);
        const nlohmann::ordered_json object = {{"row", r.Row},     {"line", r.Line},         {"flag", r.Flag},
                                               {"ident", r.Ident}, {"position", r.Position}, {"satellite", r.Satellite},
                                               {"mhz", r.Mhz},     {"code", r.Code},         {"tenths", r.Tenths},
                                               {"name", r.Name}};
        // A name that is not text in its code page is still written, its
        // undefined bytes as U+FFFD.
        out << (n == 0 ? "\n  " : ",\n  ")
            << object.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
    }
    out << (selected.empty() ? "]\n" : "\n]\n");
}

enum Align { kLeft, kRight };

// Appends the text in a column of the given width: cut with "…" when it is
// wider, padded on the side away from its alignment when narrower (a cut
// text too, as FitToWidth keeps whole characters).
void AppendCell(std::string* line, const std::string& text, std::size_t width, Align alignment) {
    const std::string fitted = FitToWidth(text, width);
    const std::size_t padding = width - DisplayWidth(fitted);
    if (alignment == kRight) line->append(padding, ' ');
    *line += fitted;
    if (alignment == kLeft) line->append(padding, ' ');
}

std::size_t Digits(std::size_t value) {
    std::size_t digits = 1;
    for (; value >= 10; value /= 10) ++digits;
    return digits;
}

void WriteTable(const ShownList& list, const std::vector<std::uint32_t>& selected, const CodePage& page,
                std::size_t terminalWidth, std::ostream& out) {
    enum { kRow, kLine, kCheck, kIdent, kPosition, kSatellite, kMhz, kName, kColumns };
    static const char* const kTitles[kColumns] = {"Row",      "Line",      "\xE2\x9C\x93", "Ident",
                                                  "Position", "Satellite", "MHz",          "Name"};
    static const Align kAlign[kColumns] = {kRight, kRight, kLeft, kRight, kRight, kLeft, kRight, kLeft};

    // First pass: the widest text of each column, measured without making it.
    std::size_t width[kColumns];
    for (int c = 0; c < kColumns; ++c) width[c] = DisplayWidth(kTitles[c]);
    const ListIndex& index = list.Index;
    for (const std::uint32_t i : selected) {
        const DecodedCode decoded = RowChannel(index, i);
        width[kRow] = std::max(width[kRow], Digits(i + 1));
        width[kLine] = std::max(width[kLine], Digits(list.RowLines[i]));
        width[kIdent] = std::max(width[kIdent], Digits(decoded.ChannelIdent));
        width[kPosition] = std::max(width[kPosition], DisplayWidth(PositionText(decoded.SatPosition)));
        width[kSatellite] = std::max(width[kSatellite], std::strlen(SatelliteNameFor(decoded.SatPosition)));
        width[kMhz] = std::max(width[kMhz], Digits(TransponderMhz(index.Rows[i].Code)));
        width[kName] = std::max(width[kName], ShownNameWidth(page, RowName(index, i), RowShownNameLength(index, i)));
    }

    // Narrow the satellite names, then the channel names, to fit the terminal.
    constexpr std::size_t kGap = 2;
    std::size_t total = kGap * (kColumns - 1);
    for (const std::size_t w : width) total += w;
    for (const int c : {kSatellite, kName}) {
        const std::size_t least = std::max<std::size_t>(DisplayWidth(kTitles[c]), 8);
        if (terminalWidth == 0 || total <= terminalWidth || width[c] <= least) continue;
        const std::size_t cut = std::min(total - terminalWidth, width[c] - least);
        width[c] -= cut;
        total -= cut;
    }

    // Second pass: the lines. The last column is not padded, and no line
    // ends in white space.
    std::string line;
    std::string texts[kColumns];
    const auto writeLine = [&] {
        line.clear();
        for (int c = 0; c + 1 < kColumns; ++c) {
            AppendCell(&line, texts[c], width[c], kAlign[c]);
            line.append(kGap, ' ');
        }
        line += FitToWidth(texts[kName], width[kName]);
        while (!line.empty() && line.back() == ' ') line.pop_back();
        line += '\n';
        out.write(line.data(), static_cast<std::streamsize>(line.size()));
    };
    for (int c = 0; c < kColumns; ++c) texts[c] = kTitles[c];
    writeLine();
    for (const std::uint32_t i : selected) {
        const RowRecord r = MakeRecord(list, page, i);
        texts[kRow] = std::to_string(r.Row);
        texts[kLine] = std::to_string(r.Line);
        texts[kCheck] = r.Flag ? kTitles[kCheck] : "";
        texts[kIdent] = std::to_string(r.Ident);
        texts[kPosition] = r.Position;
        texts[kSatellite] = r.Satellite;
        texts[kMhz] = std::to_string(r.Mhz);
        texts[kName] = EscapeControls(r.Name);
        writeLine();
    }
}

}  // namespace

int ShowList(const ListOptions& options, ShowFormat format, const ShowFilter& filter, std::ostream& out,
             std::ostream& err) {
    CodePage page;
    OpenedList opened;
    if (ReadListForCommand(options, &page, &opened, err) != kExitOk) {
        CloseOpenedList(&opened);
        return kExitError;
    }
    const ListIndex& index = opened.Index;
    const ShownList list{index, RowLineNumbers(index)};
    const std::vector<bool> shown = RowsInView(index, page, filter);
    const std::vector<std::uint32_t> selected = SelectRows(shown);
    switch (format) {
    case kShowTable:
        WriteTable(list, selected, page, options.TerminalWidth, out);
        break;
    case kShowCsv:
        WriteCsv(list, selected, page, MakeCsvView(index, filter, shown), out);
        // A spreadsheet keeps the header and kSpreadsheetRows rows, and saves
        // no more: said beside the CSV, which goes to a file.
        if (selected.size() > kSpreadsheetRows) {
            err << "zelq-list: warning: the CSV holds " << selected.size() << " rows, and a spreadsheet keeps "
                << kSpreadsheetRows << " (below the header): it would drop the rest; export fewer (--find, "
                << "--satellite) to edit them in a spreadsheet\n";
        }
        break;
    case kShowJson:
        WriteJson(list, selected, page, out);
        break;
    }
    CloseOpenedList(&opened);
    return kExitOk;
}
