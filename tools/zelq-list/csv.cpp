#include "csv.h"

std::string CsvField(const std::string& text, char separator) {
    if (text.find_first_of(std::string("\"\r\n") + separator) == std::string::npos) return text;
    std::string quoted = "\"";
    for (const char c : text) {
        if (c == '"') quoted += '"';
        quoted += c;
    }
    return quoted + '"';
}

std::string GuardName(const std::string& name) {
    if (!name.empty() && std::string("=+-@\t\r'").find(name[0]) != std::string::npos) return "'" + name;
    return name;
}

std::string UnguardName(const std::string& cell) { return !cell.empty() && cell[0] == '\'' ? cell.substr(1) : cell; }

CsvReader::CsvReader(const std::string& text) : text_(text), at_(0), line_(1), separator_(',') {
    if (text_.compare(0, 3, "\xEF\xBB\xBF") == 0) at_ = 3;
    // The first record's separator: whichever of the two comes first outside
    // quotes.
    bool quoted = false;
    for (std::size_t i = at_; i < text_.size() && (quoted || (text_[i] != '\n' && text_[i] != '\r')); ++i) {
        if (text_[i] == '"') quoted = !quoted;
        if (!quoted && (text_[i] == ',' || text_[i] == ';')) {
            separator_ = text_[i];
            break;
        }
    }
}

bool CsvReader::Next(std::vector<std::string>* fields, std::size_t* line, std::string* error) {
    fields->clear();
    // Blank lines between records are no records.
    while (at_ < text_.size() && (text_[at_] == '\n' || text_[at_] == '\r')) {
        if (text_[at_] == '\n') ++line_;
        ++at_;
    }
    if (at_ >= text_.size()) return false;
    *line = line_;
    std::string field;
    bool quoted = false;
    bool wasQuoted = false;
    for (;;) {
        if (at_ >= text_.size()) {
            if (quoted) {
                *error = "a quote opened on line " + std::to_string(*line) + " is never closed";
                return false;
            }
            fields->push_back(field);
            return true;
        }
        const char c = text_[at_++];
        if (quoted) {
            if (c == '"') {
                if (at_ < text_.size() && text_[at_] == '"') {
                    field += '"';
                    ++at_;
                } else {
                    quoted = false;
                }
            } else {
                if (c == '\n') ++line_;
                field += c;
            }
        } else if (c == '"' && field.empty() && !wasQuoted) {
            quoted = wasQuoted = true;
        } else if (c == separator_) {
            fields->push_back(field);
            field.clear();
            wasQuoted = false;
        } else if (c == '\r' || c == '\n') {
            if (c == '\r' && at_ < text_.size() && text_[at_] == '\n') ++at_;
            ++line_;
            fields->push_back(field);
            return true;
        } else {
            field += c;
        }
    }
}
