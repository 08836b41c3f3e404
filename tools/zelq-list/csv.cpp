#include "csv.h"

#include <algorithm>
#include <cstdint>

#include "channel_list/list_line.h"
#include "utf8_text.h"

namespace {

// Whether the text begins or ends with a blank a spreadsheet may trim.
bool BlankAtEdge(const std::string& text) {
    std::vector<std::uint32_t> characters;
    return !text.empty() && DecodeUtf8(text, &characters) && !characters.empty() &&
           (IsUnicodeBlank(characters.front()) || IsUnicodeBlank(characters.back()));
}

}  // namespace

std::string CsvField(const std::string& text) {
    // Whatever a spreadsheet could take for the end of a cell or a record
    // (the separators it offers: comma, semicolon, tab, "|"; a line break),
    // or could trim.
    if (text.find_first_of("\",;\t|\r\n") == std::string::npos && !BlankAtEdge(text)) {
        return text;
    }
    return CsvQuoted(text);
}

std::string CsvQuoted(const std::string& text) {
    std::string quoted = "\"";
    for (const char c : text) {
        if (c == '"') quoted += '"';
        quoted += c;
    }
    return quoted + '"';
}

bool NextQuotedByte(const char* data, std::size_t size, std::size_t* at, char* byte) {
    *byte = data[(*at)++];
    if (*byte != '"') return true;
    if (*at == size || data[*at] != '"') return false;
    ++*at;
    return true;
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
    const std::string name = cell.substr(1);
    return GuardName(name) == cell ? name : cell;
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
        field = nullptr;
        if (count >= kMaxCsvFields) return;
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
    for (; at_ < size_ && (data_[at_] == '\n' || data_[at_] == '\r'); ++at_) {
        if (EndsLineBreak(data_ + at_, data_ + size_)) ++line_;
    }
    if (at_ >= size_) {
        fields->clear();
        return false;
    }
    *line = line_;
    startField();
    bool quoted = false;
    bool fieldStart = true;  // nothing of the field read yet: a quote here opens a quoted field
    std::size_t quoteLine = line_;
    while (at_ < size_) {
        char c;
        if (quoted) {
            quoted = NextQuotedByte(data_, size_, &at_, &c);
            if (quoted) {
                if (EndsLineBreak(data_ + at_ - 1, data_ + size_)) ++line_;
                append(c);
            }
            continue;
        }
        c = data_[at_++];
        if (c == '"' && fieldStart) {
            quoted = true;
            quoteLine = line_;
        } else if (c == separator_) {
            ++count;
            startField();
        } else if (c == '\r' || c == '\n') {
            if (c == '\r' && at_ < size_ && data_[at_] == '\n') ++at_;
            ++line_;
            break;
        } else {
            append(c);
        }
        fieldStart = c == separator_;
    }
    if (quoted) {
        *line = quoteLine;
        *error = "a quote opened on line " + std::to_string(quoteLine) +
                 " is never closed (it would take the rest of the file into one cell)";
        return false;
    }
    fields->resize(std::min(count + 1, kMaxCsvFields));
    return true;
}

bool CsvReader::Cut(std::size_t field) const { return field < cut_.size() && cut_[field]; }

