// import: the list's rows made exactly the rows of a CSV file as show writes
// it, perhaps edited in a spreadsheet.
//
// A row's channel is its ident, position (tenths) and MHz, from which its
// code follows; a spreadsheet may spoil a twelve-digit code, but keeps small
// numbers. The rows fill the places of the list's rows in the CSV's order;
// rows beyond them go after the last line, and places left over are emptied.
// Lines that do not read stay where they are, byte for byte, and so does
// every row's line that the CSV leaves as it is.
#include <algorithm>
#include <cctype>
#include <ostream>
#include <unordered_map>

#include "channel_list/entry_code.h"
#include "csv.h"
#include "edit_session.h"
#include "errors.h"
#include "row_text.h"
#include "utf8_text.h"
#include "zelq_list.h"

namespace {

struct CsvRow {
    std::size_t Line;  // in the CSV
    std::uint8_t Flag;
    std::uint8_t Code[6];
    std::string Name;  // in the list's code page
};

std::string Lower(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    const std::size_t first = text.find_first_not_of(" \t");
    const std::size_t last = text.find_last_not_of(" \t");
    return first == std::string::npos ? std::string() : text.substr(first, last - first + 1);
}

// Reads the CSV's rows; false with a message naming the file and line.
bool ReadCsvRows(const std::string& file, const CodePage& page, std::vector<CsvRow>* rows, std::string* error) {
    FileBytes bytes;
    if (!ReadListFile(file.c_str(), kMaxListFileSize, &bytes)) {
        *error = CannotReadMessage(file);
        return false;
    }
    const std::string text(bytes.Data, bytes.Size);
    FreeFileBytes(&bytes);
    CsvReader reader(text);
    std::vector<std::string> fields;
    std::size_t line = 0;
    if (!reader.Next(&fields, &line, error)) {
        if (error->empty()) *error = file + " is empty; it needs the header show --format csv writes";
        return false;
    }
    enum { kFlag, kIdent, kTenths, kMhz, kName, kCode, kColumns };
    static const char* const kNames[kColumns] = {"flag", "ident", "tenths", "mhz", "name", "code"};
    std::size_t column[kColumns];
    for (int c = 0; c < kColumns; ++c) {
        const auto found = std::find_if(fields.begin(), fields.end(),
                                        [&](const std::string& field) { return Lower(field) == kNames[c]; });
        column[c] = found == fields.end() ? std::string::npos : static_cast<std::size_t>(found - fields.begin());
        if (column[c] == std::string::npos && c != kCode) {
            *error = file + ": no \"" + kNames[c] + "\" column (zelq-list show --format csv writes the columns import reads)";
            return false;
        }
    }
    std::unordered_map<std::uint32_t, std::size_t> lineOfChannel;
    while (reader.Next(&fields, &line, error)) {
        if (std::all_of(fields.begin(), fields.end(), [](const std::string& field) { return Lower(field).empty(); })) {
            continue;  // a blank row of a spreadsheet
        }
        const auto cell = [&](int c) { return column[c] < fields.size() ? fields[column[c]] : std::string(); };
        const std::string at = At(file, line);
        unsigned long flag, ident, tenths, mhz;
        if (!ParseWholeNumber(Lower(cell(kFlag)), 10, 0, 255, &flag)) {
            *error = at + "the flag \"" + EscapeControls(cell(kFlag)) + "\" is not a number from 0 to 255";
            return false;
        }
        if (!ParseWholeNumber(Lower(cell(kIdent)), 10, 0, 65535, &ident)) {
            *error = at + "the ident \"" + EscapeControls(cell(kIdent)) + "\" is not a number from 0 to 65535";
            return false;
        }
        if (!ParseWholeNumber(Lower(cell(kTenths)), 10, 0, 65535, &tenths)) {
            *error = at + "the tenths \"" + EscapeControls(cell(kTenths)) + "\" is not a number from 0 to 65535";
            return false;
        }
        if (!ParseWholeNumber(Lower(cell(kMhz)), 10, 0, 65535, &mhz)) {
            *error = at + "the mhz \"" + EscapeControls(cell(kMhz)) + "\" is not a number from 0 to 65535";
            return false;
        }
        CsvRow row;
        row.Line = line;
        row.Flag = static_cast<std::uint8_t>(flag);
        const EntryCode code = EncodeEntryCode(static_cast<std::uint16_t>(ident), static_cast<std::uint32_t>(tenths),
                                               static_cast<std::uint32_t>(mhz) * 1000u);
        std::copy(code.Bytes, code.Bytes + 6, row.Code);
        // A code the spreadsheet left whole must agree.
        const std::string given = Lower(cell(kCode));
        if (given.size() == 12 && given.find_first_not_of("0123456789abcdef") == std::string::npos &&
            Lower(CodeText(row.Code)) != given) {
            *error = at + "the code " + cell(kCode) + " does not agree with ident " + std::to_string(ident) +
                     ", tenths " + std::to_string(tenths) + " and mhz " + std::to_string(mhz) + ", which give " +
                     CodeText(row.Code);
            return false;
        }
        if (!ListName(UnguardName(cell(kName)), page, &row.Name, error)) {
            *error = at + *error;
            return false;
        }
        const auto seen = lineOfChannel.emplace(ChannelKey(row.Code), line);
        if (!seen.second) {
            *error = at + "ident " + std::to_string(ident) + " at " +
                     PositionText(static_cast<std::uint16_t>(tenths)) + " is on line " +
                     std::to_string(seen.first->second) + " already; a channel can be in the list once";
            return false;
        }
        rows->push_back(std::move(row));
    }
    return error->empty();
}

// The import's plan: each CSV row takes the list's row of its channel, kept as
// it is when nothing of it changed, or a line written anew.
bool PlanImport(const EditSession& session, const void* input, EditPlan* plan, std::string* error) {
    const std::string& file = *static_cast<const std::string*>(input);
    std::vector<CsvRow> rows;
    if (!ReadCsvRows(file, session.Page, &rows, error)) return false;
    const ListIndex& index = session.Index;
    plan->SourceFiles.push_back(file);
    std::vector<PlannedRow> order;
    order.reserve(rows.size());
    for (const CsvRow& row : rows) {
        PlannedRow planned;
        planned.Source = plan->AddSource(0, static_cast<std::uint32_t>(row.Line));
        std::size_t found = 0;
        std::string name = row.Name;
        if (FindChannelRow(index, ChannelKey(row.Code), &found)) {
            planned.OldRow = static_cast<std::uint32_t>(found);
            const IndexRow& fields = index.Rows[found];
            // show prints the first 30 bytes of a longer name: the same
            // bytes back mean the name is as it was.
            const std::string whole = WholeRowName(index, found);
            if (RowHasLongName(index, found) && name == whole.substr(0, kMaxNameLength)) name = whole;
            const bool same = row.Flag == fields.Flag && std::equal(row.Code, row.Code + 6, fields.Code) && name == whole;
            if (same) {
                order.push_back(planned);
                continue;
            }
        }
        planned.NewLine = plan->AddLine(FormattedLine(row.Flag, row.Code, name));
        order.push_back(planned);
    }
    // The rows fill the places of the list's rows in the CSV's order; rows
    // beyond them go after the last line, and places left over are emptied.
    const std::size_t places = plan->AtPlace.size();
    for (std::size_t place = 0; place < places; ++place) {
        plan->AtPlace[place] = place < order.size() ? order[place] : PlannedRow();
    }
    for (std::size_t i = places; i < order.size(); ++i) plan->Added.push_back(order[i]);
    return true;
}

void DescribeImport(const EditSession& session, const EditPlan& plan, const void*, std::ostream& out) {
    // The CSV's rows, in its order: the filled places, then the added rows.
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
    for (std::size_t i = 0; i < order.size(); ++i) {
        const PlannedRow& planned = *order[i];
        const std::string at = At(plan.SourceFiles[0], plan.Sources[planned.Source].Line);
        if (planned.OldRow == kNoRow) {
            out << at << "add as row " << i + 1 << ": " << ShownText(session.Page, plan.Lines[planned.NewLine]) << '\n';
        } else if (planned.NewLine != kNoLine) {
            out << at << "row " << planned.OldRow + 1
                << (planned.OldRow == i ? "" : " becomes row " + std::to_string(i + 1)) << ": "
                << ShownRowLine(session, planned.OldRow) << " -> " << ShownText(session.Page, plan.Lines[planned.NewLine])
                << '\n';
        } else if (planned.OldRow != i) {
            out << at << "row " << planned.OldRow + 1 << " becomes row " << i + 1 << ": "
                << ShownRowLine(session, planned.OldRow) << '\n';
        }
    }
}

}  // namespace

int ImportCsv(const ListOptions& options, const std::string& file, std::ostream& out, std::ostream& err) {
    return RunEdit(options, true, EditCommand{&PlanImport, &DescribeImport, &file}, out, err);
}
