// import: the list's rows made exactly the rows of a CSV file as show writes
// it, perhaps edited in a spreadsheet.
//
// A row's channel is its ident, position (tenths) and MHz, from which its
// code follows; a spreadsheet may spoil a twelve-digit code, but keeps small
// numbers. Each CSV row is compared with the list's row of its channel as
// show wrote it: a row the CSV leaves as it was keeps its line byte for byte,
// whatever its name holds, and only a name the CSV changes or adds must be
// one a user may type.
//
// The rows fill the places of the list's rows in the CSV's order; rows
// beyond them go after the last line, and places left over are emptied. A
// CSV of a view (show --find, --satellite) holds only the rows that view
// showed: the view's rows it still holds take their own places in its order,
// the places of those it no longer holds are emptied, rows new to the list go
// after the last line, and every other row stays where it is (changed in its
// place when the CSV names it). Lines that do not read stay where they are,
// byte for byte.
#include <algorithm>
#include <cctype>
#include <cstring>
#include <ostream>

#include "channel_list/entry_code.h"
#include "csv.h"
#include "edit_session.h"
#include "errors.h"
#include "read_list.h"
#include "row_text.h"
#include "utf8_text.h"
#include "zelq_list.h"

namespace {

enum Column { kFlag, kIdent, kTenths, kMhz, kName, kCode, kColumns };
const char* const kColumnNames[kColumns] = {"flag", "ident", "tenths", "mhz", "name", "code"};

// The CSV as read before the list is: its bytes, how its text is written,
// and what its header says.
struct ImportInput {
    std::string File;
    FileBytes Bytes = {nullptr, 0};
    std::size_t Start = 0;    // past a byte-order mark
    bool InCodePage = false;  // not UTF-8: read in the list's code page, as spreadsheets save "CSV"
    std::size_t Columns[kColumns];
    bool Filtered = false;    // a CSV of the rows of a view
    CsvView View;
};

// The largest CSV import reads: as large as the largest list, of which a CSV
// of every row takes about as much again.
std::uint64_t MaxCsvSize() { return MaxListSize(); }

std::string Lower(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    const std::size_t first = text.find_first_not_of(" \t");
    const std::size_t last = text.find_last_not_of(" \t");
    return first == std::string::npos ? std::string() : text.substr(first, last - first + 1);
}

// The header: the columns import reads, and the view the CSV was made from.
bool ReadHeader(CsvReader* reader, ImportInput* input, std::string* error) {
    std::vector<std::string> fields;
    std::size_t line = 0;
    if (!reader->Next(&fields, &line, error)) {
        if (error->empty()) *error = input->File + " is empty; it needs the header show --format csv writes";
        return false;
    }
    for (int c = 0; c < kColumns; ++c) {
        const auto found = std::find_if(fields.begin(), fields.end(),
                                        [&](const std::string& field) { return Lower(field) == kColumnNames[c]; });
        input->Columns[c] = found == fields.end() ? std::string::npos : static_cast<std::size_t>(found - fields.begin());
        if (input->Columns[c] == std::string::npos && c != kCode) {
            *error = input->File + ": no \"" + kColumnNames[c] +
                     "\" column (zelq-list show --format csv writes the columns import reads)";
            return false;
        }
    }
    for (const std::string& field : fields) {
        if (!IsViewRecord(field)) continue;
        if (input->Filtered || !ParseViewRecord(field, &input->View)) {
            *error = input->File + ": the header's \"" + EscapeControls(field) +
                     "\" is not a view show --format csv writes (view: satellite \"NAME\", find \"TEXT\")";
            return false;
        }
        input->Filtered = true;
    }
    return true;
}

// Reads the CSV file and its header; false with a message.
bool ReadCsvFile(ImportInput* input, std::string* error) {
    const std::string& file = input->File;
    if (!ReadListFile(file.c_str(), MaxCsvSize(), &input->Bytes)) {
        *error = ReadFailure(file, input->Bytes.Size, "imports CSV files", MaxCsvSize());
        input->Bytes = FileBytes{nullptr, 0};
        return false;
    }
    const char* const data = input->Bytes.Data;
    const std::size_t size = input->Bytes.Size;
    if (size >= 2 && ((data[0] == '\xFF' && data[1] == '\xFE') || (data[0] == '\xFE' && data[1] == '\xFF'))) {
        *error = file + " is UTF-16 text; save it as \"CSV UTF-8\" (or \"CSV\") to import it";
        return false;
    }
    if (StartsWithByteOrderMark(data, size)) input->Start = kByteOrderMarkSize;
    input->InCodePage = !IsUtf8(data + input->Start, size - input->Start);
    CsvReader reader(data + input->Start, size - input->Start);
    return ReadHeader(&reader, input, error);
}

// The message for a channel the CSV names on two lines.
std::string RepeatedMessage(const std::string& file, std::uint32_t key, std::size_t first, std::size_t again) {
    const DecodedCode decoded = DecodeEntryCode(static_cast<std::uint8_t>(key >> 24), static_cast<std::uint8_t>(key >> 16),
                                                static_cast<std::uint8_t>(key >> 8), static_cast<std::uint8_t>(key));
    return At(file, again) + "ident " + std::to_string(decoded.ChannelIdent) + " at " +
           PositionText(decoded.SatPosition) + " is on line " + std::to_string(first) +
           " already; a channel can be in the list once";
}

// A channel new to the list and the CSV line that names it.
struct ChannelLine {
    std::uint32_t Key;
    std::uint32_t Line;
};

// The first CSV line that names a new channel an earlier line names too:
// false when there is none, else true with the message.
bool RepeatedNewChannel(std::vector<ChannelLine> channels, const std::string& file, std::string* error) {
    std::sort(channels.begin(), channels.end(), [](const ChannelLine& a, const ChannelLine& b) {
        return a.Key != b.Key ? a.Key < b.Key : a.Line < b.Line;
    });
    std::size_t first = 0;
    std::size_t again = 0;
    for (std::size_t i = 1, earliest = 0; i < channels.size(); ++i) {
        if (channels[i].Key != channels[i - 1].Key) {
            earliest = i;
        } else if (again == 0 || channels[i].Line < channels[again].Line) {
            again = i;
            first = earliest;
        }
    }
    if (again == 0) return false;
    *error = RepeatedMessage(file, channels[again].Key, channels[first].Line, channels[again].Line);
    return true;
}

// One row of the CSV: its flag, code and name cell; false with a message
// naming the line when a cell does not read.
bool ReadCsvRow(const ImportInput& input, const std::vector<std::string>& fields, const std::string& at,
                std::uint8_t* flag, std::uint8_t code[6], std::string* name, std::string* error) {
    const auto cell = [&](int c) {
        return input.Columns[c] < fields.size() ? fields[input.Columns[c]] : std::string();
    };
    unsigned long value[kName];
    static const unsigned long kMost[kName] = {255, 65535, 65535, 65535};
    for (int c = kFlag; c < kName; ++c) {
        if (!ParseWholeNumber(Lower(cell(c)), 10, 0, kMost[c], &value[c])) {
            *error = at + "the " + kColumnNames[c] + " \"" + EscapeControls(cell(c)) + "\" is not a number from 0 to " +
                     std::to_string(kMost[c]);
            return false;
        }
    }
    *flag = static_cast<std::uint8_t>(value[kFlag]);
    const EntryCode entry = EncodeEntryCode(static_cast<std::uint16_t>(value[kIdent]),
                                            static_cast<std::uint32_t>(value[kTenths]),
                                            static_cast<std::uint32_t>(value[kMhz]) * 1000u);
    std::copy(entry.Bytes, entry.Bytes + 6, code);
    // A code the spreadsheet left whole must agree.
    const std::string given = Lower(cell(kCode));
    if (given.size() == 12 && given.find_first_not_of("0123456789abcdef") == std::string::npos &&
        Lower(CodeText(code)) != given) {
        *error = at + "the code " + cell(kCode) + " does not agree with ident " + std::to_string(value[kIdent]) +
                 ", tenths " + std::to_string(value[kTenths]) + " and mhz " + std::to_string(value[kMhz]) +
                 ", which give " + CodeText(code);
        return false;
    }
    *name = UnguardName(cell(kName));
    return true;
}

// The name a CSV row gives its row: the row's own name, byte for byte, when
// the cell holds it as show wrote it (its first 30 bytes, for a longer one);
// otherwise the cell's name, which must be one a user may type.
bool RowNameFromCell(const EditSession& session, const ImportInput& input, bool listed, std::size_t row,
                     const std::string& cell, std::string* name, std::string* error) {
    const ListIndex& index = session.Index;
    if (listed) {
        const char* const bytes = RowName(index, row);
        const std::size_t shown = RowShownNameLength(index, row);
        const bool same = input.InCodePage ? cell.size() == shown && std::memcmp(cell.data(), bytes, shown) == 0
                                           : cell == NameToUtf8(session.Page, bytes, shown);
        if (same) {
            *name = WholeRowName(index, row);
            return true;
        }
    }
    return ListName(input.InCodePage ? NameToUtf8(session.Page, cell.data(), cell.size()) : cell, session.Page, name,
                    error);
}

// The CSV line that first names a channel (for the message of a channel it
// names twice: reading the CSV again costs nothing until then).
std::size_t FirstLineOf(const ImportInput& input, std::uint32_t key) {
    CsvReader reader(input.Bytes.Data + input.Start, input.Bytes.Size - input.Start);
    std::vector<std::string> fields;
    std::size_t line = 0;
    std::string error;
    std::string name;
    reader.Next(&fields, &line, &error);  // the header
    while (reader.Next(&fields, &line, &error)) {
        std::uint8_t flag;
        std::uint8_t code[6];
        if (ReadCsvRow(input, fields, std::string(), &flag, code, &name, &error) && ChannelKey(code) == key) break;
    }
    return line;
}

// The import's plan: each CSV row takes the list's row of its channel, kept as
// it is when nothing of it changed, or a line written anew, in the CSV's order.
bool PlanImport(const EditSession& session, const void* data, EditPlan* plan, std::string* error) {
    const ImportInput& input = *static_cast<const ImportInput*>(data);
    const ListIndex& index = session.Index;
    std::vector<bool> inView;
    if (input.Filtered) {
        inView = RowsInView(index, session.Page, input.View.Filter);
        // Rows of the view the CSV cannot have held (the list changed since
        // it was made) would be taken as deleted: refuse.
        const CsvView now = MakeCsvView(index, input.View.Filter, inView);
        if (input.View.Marked && (now.Rows != input.View.Rows || now.Mark != input.View.Mark)) {
            *error = input.File + ": the list's rows of " + EscapeControls(ViewText(input.View.Filter)) +
                     " have changed since it was made (" + std::to_string(input.View.Rows) + " row" +
                     Plural(input.View.Rows) + " then, " + std::to_string(now.Rows) +
                     " now); nothing was written: export them again";
            return false;
        }
    }
    std::vector<PlannedRow> viewRows;  // the rows of the view the CSV holds, in its order
    std::size_t filled = 0;            // places filled, for a CSV of every row

    plan->SourceFiles.push_back(input.File);
    CsvReader reader(input.Bytes.Data + input.Start, input.Bytes.Size - input.Start);
    std::vector<std::string> fields;
    std::size_t line = 0;
    reader.Next(&fields, &line, error);  // the header, read before
    // The channels named so far: a bit for each of the list's rows, and the
    // lines of those new to it.
    std::vector<bool> named(index.RowCount, false);
    std::vector<ChannelLine> fresh;
    while (reader.Next(&fields, &line, error)) {
        if (std::all_of(fields.begin(), fields.end(), [](const std::string& field) { return Lower(field).empty(); })) {
            continue;  // a blank row of a spreadsheet
        }
        const std::string at = At(input.File, line);
        std::uint8_t flag;
        std::uint8_t code[6];
        std::string cell;
        std::size_t row = 0;
        std::string name;
        bool ok = ReadCsvRow(input, fields, at, &flag, code, &cell, error);
        const bool listed = ok && FindChannelRow(index, ChannelKey(code), &row);
        if (ok && listed && named[row]) {
            *error = RepeatedMessage(input.File, ChannelKey(code), FirstLineOf(input, ChannelKey(code)), line);
            ok = false;
        } else if (ok && !RowNameFromCell(session, input, listed, row, cell, &name, error)) {
            *error = at + *error;
            ok = false;
        }
        if (!ok) {
            // A new channel named twice before this line is said first.
            RepeatedNewChannel(std::move(fresh), input.File, error);
            return false;
        }

        PlannedRow planned;
        if (listed) {
            named[row] = true;
            planned.OldRow = static_cast<std::uint32_t>(row);
            const IndexRow& old = index.Rows[row];
            const bool same = flag == old.Flag && std::equal(code, code + 6, old.Code) &&
                              name.size() == RowNameLength(index, row) &&
                              std::memcmp(name.data(), RowName(index, row), name.size()) == 0;
            if (!same) planned.NewLine = plan->AddLine(FormattedLine(flag, code, name));
        } else {
            fresh.push_back(ChannelLine{ChannelKey(code), static_cast<std::uint32_t>(line)});
            planned.NewLine = plan->AddLine(FormattedLine(flag, code, name));
        }
        // Where it came from, for what the import tells: not needed for a
        // row of a CSV of every row that stays as it is in its place.
        if (input.Filtered || planned.NewLine != kNoLine || planned.OldRow != filled) {
            planned.Source = plan->AddSource(0, static_cast<std::uint32_t>(line));
        }
        if (!input.Filtered) {
            // The rows fill the places of the list's rows in the CSV's
            // order; rows beyond them go after the last line.
            if (filled < index.RowCount) {
                plan->AtPlace[filled++] = planned;
            } else {
                plan->Added.push_back(planned);
            }
        } else if (!listed) {
            plan->Added.push_back(planned);  // where the CSV of a view cannot say: at the end
        } else if (!inView[row]) {
            plan->AtPlace[row] = planned;  // a row outside the view, changed in its place
        } else {
            viewRows.push_back(planned);
        }
    }
    if (!error->empty()) return false;
    if (RepeatedNewChannel(std::move(fresh), input.File, error)) return false;
    if (!input.Filtered) {
        // Places left over are emptied: their rows are those the CSV no
        // longer holds.
        for (; filled < index.RowCount; ++filled) plan->AtPlace[filled] = PlannedRow();
        return true;
    }
    // The view's rows the CSV holds take their own places in the CSV's
    // order; the places of the rows it no longer holds are emptied.
    std::vector<std::uint32_t> places;
    places.reserve(viewRows.size());
    for (const PlannedRow& planned : viewRows) places.push_back(planned.OldRow);
    std::sort(places.begin(), places.end());
    for (std::size_t row = 0; row < index.RowCount; ++row) {
        if (inView[row]) plan->AtPlace[row] = PlannedRow();
    }
    for (std::size_t i = 0; i < places.size(); ++i) plan->AtPlace[places[i]] = viewRows[i];
    return true;
}

void DescribeImport(const EditSession& session, const EditPlan& plan, const void*, std::ostream& out) {
    // The rows as they come out: the filled places, then the added rows.
    std::vector<const PlannedRow*> order;
    for (const PlannedRow& planned : plan.AtPlace) {
        if (!planned.Empty()) order.push_back(&planned);
    }
    for (const PlannedRow& planned : plan.Added) order.push_back(&planned);

    std::vector<bool> kept(session.Index.RowCount, false);
    for (const PlannedRow* planned : order) {
        if (planned->OldRow != kNoRow) kept[planned->OldRow] = true;
    }
    for (std::size_t row = 0; row < kept.size(); ++row) {
        if (!kept[row]) out << RowAt(session, row) << "remove row " << row + 1 << ": " << ShownRowLine(session, row) << '\n';
    }
    // Each CSV row's change; rows the CSV did not hold are only numbered anew.
    for (std::size_t i = 0; i < order.size(); ++i) {
        const PlannedRow& planned = *order[i];
        if (planned.Source == kNoSource) continue;
        const std::string at = At(plan.SourceFiles[0], plan.Sources[planned.Source].Line);
        if (planned.OldRow == kNoRow) {
            out << at << "add as row " << i + 1 << ": " << ShownText(session.Page, plan.Line(planned.NewLine)) << '\n';
        } else if (planned.NewLine != kNoLine) {
            out << at << "row " << planned.OldRow + 1
                << (planned.OldRow == i ? "" : " becomes row " + std::to_string(i + 1)) << ": "
                << ShownRowLine(session, planned.OldRow) << " -> " << ShownText(session.Page, plan.Line(planned.NewLine))
                << '\n';
        } else if (planned.OldRow != i) {
            out << at << "row " << planned.OldRow + 1 << " becomes row " << i + 1 << ": "
                << ShownRowLine(session, planned.OldRow) << '\n';
        }
    }
}

}  // namespace

int ImportCsv(const ListOptions& options, const std::string& file, std::ostream& out, std::ostream& err) {
    ImportInput input;
    input.File = file;
    std::string error;
    CodePage page;
    if (!LoadCodePage(options.CodePage, &page, &error) || !ReadCsvFile(&input, &error)) {
        FreeFileBytes(&input.Bytes);
        ReportError(err, error);
        return kExitError;
    }
    // How the CSV was read, before what it changes.
    if (input.InCodePage) {
        out << file << ": not UTF-8, so read in the list's code page, " << options.CodePage << "\n";
    }
    if (input.Filtered) {
        out << file << ": the rows of " << EscapeControls(ViewText(input.View.Filter))
            << "; the list's other rows stay as they are\n";
    }
    const int status = RunEdit(options, true, EditCommand{&PlanImport, &DescribeImport, &input}, out, err);
    FreeFileBytes(&input.Bytes);
    return status;
}
