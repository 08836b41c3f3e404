// show: one record per row the plug-in shows, as a table, CSV or JSON.
#include <algorithm>
#include <ostream>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "channel_list/entry_code.h"
#include "channel_list/satellite_names.h"
#include "code_page.h"
#include "list_model.h"
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
    const char* Satellite;
    unsigned Mhz;
    std::string Name;  // UTF-8, as it is
};

RowRecord MakeRecord(const CodePage& page, const ShownRow& row, std::size_t index) {
    const DecodedCode decoded = DecodeEntryCode(row.Code[0], row.Code[1], row.Code[2], row.Code[3]);
    return RowRecord{index + 1,
                     row.LineNumber,
                     row.Flag,
                     decoded.ChannelIdent,
                     PositionText(decoded.SatPosition),
                     SatelliteNameFor(decoded.SatPosition),
                     FrequencyMhz(row.Code),
                     NameToUtf8(page, row.Name, row.NameLength)};
}

// A field as RFC 4180 wants it: quoted when it holds a comma, a quote or a
// line break, with quotes doubled.
std::string CsvField(const std::string& text) {
    if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
    std::string quoted = "\"";
    for (const char c : text) {
        if (c == '"') quoted += '"';
        quoted += c;
    }
    return quoted + '"';
}

void WriteCsv(const ShownRows& rows, const CodePage& page, std::ostream& out) {
    out << "row,line,flag,ident,position,satellite,mhz,name\r\n";
    for (std::size_t i = 0; i < rows.Count; ++i) {
        const RowRecord r = MakeRecord(page, rows.Rows[i], i);
        out << r.Row << ',' << r.Line << ',' << r.Flag << ',' << r.Ident << ',' << CsvField(r.Position) << ','
            << CsvField(r.Satellite) << ',' << r.Mhz << ',' << CsvField(r.Name) << "\r\n";
    }
}

void WriteJson(const ShownRows& rows, const CodePage& page, std::ostream& out) {
    if (rows.Count == 0) {
        out << "[]\n";
        return;
    }
    out << "[\n";
    for (std::size_t i = 0; i < rows.Count; ++i) {
        const RowRecord r = MakeRecord(page, rows.Rows[i], i);
        nlohmann::ordered_json object;
        object["row"] = r.Row;
        object["line"] = r.Line;
        object["flag"] = r.Flag;
        object["ident"] = r.Ident;
        object["position"] = r.Position;
        object["satellite"] = r.Satellite;
        object["mhz"] = r.Mhz;
        object["name"] = r.Name;
        out << "  " << object.dump() << (i + 1 < rows.Count ? ",\n" : "\n");
    }
    out << "]\n";
}

enum Align { kLeft, kRight };

struct Column {
    const char* Title;
    Align Alignment;
    std::size_t Width;
};

std::string Padded(const std::string& text, std::size_t width, Align alignment) {
    const std::size_t used = DisplayWidth(text);
    const std::string fill(used < width ? width - used : 0, ' ');
    return alignment == kLeft ? text + fill : fill + text;
}

void WriteTable(const ShownRows& rows, const CodePage& page, std::size_t terminalWidth, std::ostream& out) {
    enum { kRow, kLine, kCheck, kIdent, kPosition, kSatellite, kMhz, kName, kColumns };
    Column columns[kColumns] = {{"Row", kRight, 0},      {"Line", kRight, 0},     {"\xE2\x9C\x93", kLeft, 0},
                                {"Ident", kRight, 0},    {"Position", kRight, 0}, {"Satellite", kLeft, 0},
                                {"MHz", kRight, 0},      {"Name", kLeft, 0}};
    std::vector<std::vector<std::string>> cells;
    cells.reserve(rows.Count);
    for (std::size_t i = 0; i < rows.Count; ++i) {
        const RowRecord r = MakeRecord(page, rows.Rows[i], i);
        cells.push_back({std::to_string(r.Row), std::to_string(r.Line), r.Flag ? "\xE2\x9C\x93" : "",
                         std::to_string(r.Ident), r.Position, r.Satellite, std::to_string(r.Mhz),
                         EscapeControls(r.Name)});
    }
    for (Column& column : columns) column.Width = DisplayWidth(column.Title);
    for (const auto& row : cells) {
        for (int c = 0; c < kColumns; ++c) columns[c].Width = std::max(columns[c].Width, DisplayWidth(row[c]));
    }

    // Narrow the satellite names, then the channel names, to fit the terminal.
    constexpr std::size_t kGap = 2;
    std::size_t total = kGap * (kColumns - 1);
    for (const Column& column : columns) total += column.Width;
    for (const int c : {kSatellite, kName}) {
        const std::size_t least = std::max<std::size_t>(DisplayWidth(columns[c].Title), 8);
        if (terminalWidth == 0 || total <= terminalWidth || columns[c].Width <= least) continue;
        const std::size_t cut = std::min(total - terminalWidth, columns[c].Width - least);
        columns[c].Width -= cut;
        total -= cut;
    }

    const auto writeLine = [&](const std::vector<std::string>& texts) {
        std::string line;
        for (int c = 0; c < kColumns; ++c) {
            const std::string text = FitToWidth(texts[c], columns[c].Width);
            // The last column is not padded: no white space at the end of a line.
            line += c + 1 < kColumns ? Padded(text, columns[c].Width, columns[c].Alignment) + "  " : text;
        }
        while (!line.empty() && line.back() == ' ') line.pop_back();
        out << line << '\n';
    };
    std::vector<std::string> titles;
    for (const Column& column : columns) titles.emplace_back(column.Title);
    writeLine(titles);
    for (const auto& row : cells) writeLine(row);
}

}  // namespace

int ShowList(const ListOptions& options, ShowFormat format, std::ostream& out, std::ostream& err) {
    CodePage page;
    std::string error;
    if (!LoadCodePage(options.CodePage, &page, &error)) {
        err << "zelq-list: " << error << '\n';
        return kExitError;
    }
    FileBytes file;
    if (!ReadListFile(options.ListPath.c_str(), &file)) {
        err << "zelq-list: " << CannotReadMessage(options.ListPath) << '\n';
        return kExitError;
    }
    ShownRows rows;
    if (!NormaliseList(file, nullptr, &rows)) {
        FreeFileBytes(&file);
        err << "zelq-list: not enough memory to read " << options.ListPath << '\n';
        return kExitError;
    }
    switch (format) {
    case kShowTable:
        WriteTable(rows, page, options.TerminalWidth, out);
        break;
    case kShowCsv:
        WriteCsv(rows, page, out);
        break;
    case kShowJson:
        WriteJson(rows, page, out);
        break;
    }
    FreeShownRows(&rows);
    FreeFileBytes(&file);
    out.flush();
    if (!out) {
        err << "zelq-list: cannot write the output\n";
        return kExitError;
    }
    return kExitOk;
}
