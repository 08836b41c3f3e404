#include "csv.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "channel_list/entry_code.h"
#include "row_text.h"

#include "utf8_text.h"

namespace {

std::string Quoted(const std::string& text) {
    std::string quoted = "\"";
    for (const char c : text) {
        if (c == '"') quoted += '"';
        quoted += c;
    }
    return quoted + '"';
}

// Whether the text begins or ends with a blank a spreadsheet may trim.
bool BlankAtEdge(const std::string& text) {
    std::vector<std::uint32_t> characters;
    return !text.empty() && DecodeUtf8(text, &characters) && !characters.empty() &&
           (IsSpreadsheetBlank(characters.front()) || IsSpreadsheetBlank(characters.back()));
}

}  // namespace

std::string CsvField(const std::string& text) {
    // Whatever a spreadsheet could take for the end of a cell or a record
    // (the separators it offers: comma, semicolon, tab, "|"; a line break),
    // or could trim.
    if (text.find_first_of("\",;\t|\r\n") == std::string::npos && !BlankAtEdge(text)) {
        return text;
    }
    return Quoted(text);
}

std::string GuardName(const std::string& name) {
    if (name.empty()) return name;
    // A formula, also after spaces.
    const std::size_t start = name.find_first_not_of(' ');
    if (std::string("=+-@\t\r'").find(name[0]) != std::string::npos ||
        (start != std::string::npos && std::string("=+-@").find(name[start]) != std::string::npos) ||
        ReadsAsSpreadsheetValue(name)) {
        return "'" + name;
    }
    return name;
}

std::string UnguardName(const std::string& cell) {
    // Only a cell GuardName could have written loses its apostrophe: "'x"
    // is a name typed with one, "''x" the name "'x" guarded.
    if (cell.empty() || cell[0] != '\'') return cell;
    std::string name = cell.substr(1);
    if (GuardName(name) != cell) return cell;
    return name;
}

CsvReader::CsvReader(const char* data, std::size_t size) : data_(data), size_(size), at_(0), line_(1), separator_(',') {
    // The first record's separator: whichever of the two comes first outside
    // quotes.
    bool quoted = false;
    for (std::size_t i = 0; i < size_ && (quoted || (data_[i] != '\n' && data_[i] != '\r')); ++i) {
        if (data_[i] == '"') quoted = !quoted;
        if (!quoted && (data_[i] == ',' || data_[i] == ';')) {
            separator_ = data_[i];
            break;
        }
    }
}

bool CsvReader::Next(std::vector<std::string>* fields, std::size_t* line, std::string* error) {
    // The fields' strings are kept from record to record, so that their
    // memory is reused. Only the first kMaxCsvFields fields are kept, and of
    // each only its first kMaxCsvCell bytes: whatever the file holds, a
    // record takes little memory.
    std::size_t count = 0;
    cut_.assign(kMaxCsvFields, false);
    std::string* field = nullptr;
    const auto startField = [&] {
        if (count >= kMaxCsvFields) {
            field = nullptr;
            return;
        }
        if (count == fields->size()) fields->emplace_back();
        field = &(*fields)[count];
        field->clear();
    };
    const auto append = [&](char c) {
        if (!field) return;
        if (field->size() < kMaxCsvCell) {
            *field += c;
        } else {
            cut_[count] = true;
        }
    };
    // Blank lines between records are no records.
    while (at_ < size_ && (data_[at_] == '\n' || data_[at_] == '\r')) {
        if (data_[at_] == '\n' || (data_[at_] == '\r' && (at_ + 1 == size_ || data_[at_ + 1] != '\n'))) ++line_;
        ++at_;
    }
    if (at_ >= size_) {
        fields->clear();
        return false;
    }
    *line = line_;
    startField();
    bool quoted = false;
    bool wasQuoted = false;
    bool empty = true;  // the field holds nothing yet
    std::size_t quoteLine = line_;
    for (;;) {
        if (at_ >= size_) {
            if (quoted) {
                *line = quoteLine;
                *error = "a quote opened on line " + std::to_string(quoteLine) +
                         " is never closed (it would take the rest of the file into one cell)";
                return false;
            }
            break;
        }
        const char c = data_[at_++];
        if (quoted) {
            if (c == '"') {
                if (at_ < size_ && data_[at_] == '"') {
                    append('"');
                    ++at_;
                } else {
                    quoted = false;
                }
            } else {
                if (c == '\n' || (c == '\r' && (at_ == size_ || data_[at_] != '\n'))) ++line_;
                append(c);
            }
            empty = false;
        } else if (c == '"' && empty && !wasQuoted) {
            quoted = wasQuoted = true;
            quoteLine = line_;
        } else if (c == separator_) {
            ++count;
            startField();
            wasQuoted = false;
            empty = true;
        } else if (c == '\r' || c == '\n') {
            if (c == '\r' && at_ < size_ && data_[at_] == '\n') ++at_;
            ++line_;
            break;
        } else {
            append(c);
            empty = false;
        }
    }
    fields->resize(std::min(count + 1, kMaxCsvFields));
    return true;
}

bool CsvReader::Cut(std::size_t field) const { return field < cut_.size() && cut_[field]; }

namespace {

const char kViewPrefix[] = "view:";
// What the record of a CSV of every row says in place of a filter.
const char kEveryRow[] = "every row";

std::string LowerAscii(std::string text) {
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return text;
}

}  // namespace

CsvView MakeCsvView(const ListIndex& index, const ShowFilter& filter, const std::vector<bool>& shown) {
    CsvView view;
    view.Filter = filter;
    view.Marked = true;
    // A sum of the channels' keys, each mixed, so that the order of the rows
    // does not count, and any other set of channels is told apart.
    for (std::size_t row = 0; row < index.RowCount; ++row) {
        if (!shown[row]) continue;
        std::uint32_t key = ChannelKey(index.Rows[row].Code);
        key ^= key >> 16;
        key *= 0x7FEB352Du;
        key ^= key >> 15;
        key *= 0x846CA68Bu;
        key ^= key >> 16;
        view.Mark += key;
        ++view.Rows;
    }
    return view;
}

std::string ViewText(const ShowFilter& filter) {
    std::string text;
    if (!filter.Satellite.empty()) text += "satellite " + Quoted(filter.Satellite);
    if (!filter.Find.empty()) text += (text.empty() ? "find " : ", find ") + Quoted(filter.Find);
    return text.empty() ? kEveryRow : text;
}

std::string ViewRecord(const CsvView& view) {
    const std::string text = ViewText(view.Filter);
    char mark[48];
    std::snprintf(mark, sizeof mark, " (%zu row%s, %08X)", view.Rows, view.Rows == 1 ? "" : "s",
                  static_cast<unsigned>(view.Mark));
    return std::string(kViewPrefix) + " " + text + (view.Marked ? mark : "");
}

bool IsViewRecord(const std::string& cell) {
    const std::size_t start = cell.find_first_not_of(' ');
    return start != std::string::npos && LowerAscii(cell.substr(start, sizeof kViewPrefix - 1)) == kViewPrefix;
}

bool ParseViewRecord(const std::string& cell, CsvView* view) {
    if (!IsViewRecord(cell)) return false;
    *view = CsvView();
    ShowFilter* const filter = &view->Filter;
    std::size_t at = cell.find(':') + 1;
    bool any = false;
    bool satellite = false;
    bool find = false;
    while (at < cell.size() && cell[at] == ' ') ++at;
    if (LowerAscii(cell.substr(at, sizeof kEveryRow - 1)) == kEveryRow) {
        // A CSV of every row: its count and mark may follow.
        at += sizeof kEveryRow - 1;
        any = true;
    }
    for (;;) {
        while (at < cell.size() && cell[at] == ' ') ++at;
        if (at == cell.size()) return any;
        if (any && cell[at] == '(') {
            // The count and the mark, last: "(12 rows, 5F3A9C21)".
            const std::size_t close = cell.find(')', at);
            if (close == std::string::npos || cell.find_first_not_of(' ', close + 1) != std::string::npos) return false;
            const std::string inside = cell.substr(at + 1, close - at - 1);
            const std::size_t space = inside.find(' ');
            const std::size_t comma = inside.find(", ");
            if (space == std::string::npos || comma == std::string::npos || comma < space) return false;
            const std::string word = inside.substr(space + 1, comma - space - 1);
            unsigned long rows;
            unsigned long mark;
            if ((word != "row" && word != "rows") ||
                !ParseWholeNumber(inside.substr(0, space), 10, 0, 0xFFFFFFFFul, &rows) ||
                !ParseWholeNumber(inside.substr(comma + 2), 16, 0, 0xFFFFFFFFul, &mark)) {
                return false;
            }
            view->Marked = true;
            view->Rows = rows;
            view->Mark = static_cast<std::uint32_t>(mark);
            return true;
        }
        if (any) {
            if (cell[at] != ',' || (filter->Satellite.empty() && filter->Find.empty())) return false;
            ++at;
            while (at < cell.size() && cell[at] == ' ') ++at;
        }
        const std::size_t quote = cell.find('"', at);
        if (quote == std::string::npos) return false;
        std::string key = cell.substr(at, quote - at);
        while (!key.empty() && key.back() == ' ') key.pop_back();
        key = LowerAscii(key);
        std::string* value;
        if (key == "satellite" && !satellite) {
            satellite = true;
            value = &filter->Satellite;
        } else if (key == "find" && !find) {
            find = true;
            value = &filter->Find;
        } else {
            return false;
        }
        // The quoted text, its quotes doubled.
        at = quote + 1;
        for (;;) {
            if (at >= cell.size()) return false;
            if (cell[at] == '"') {
                if (at + 1 < cell.size() && cell[at + 1] == '"') {
                    *value += '"';
                    at += 2;
                    continue;
                }
                ++at;
                break;
            }
            *value += cell[at++];
        }
        if (value->empty()) return false;
        any = true;
    }
}
