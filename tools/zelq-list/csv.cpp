#include "csv.h"

#include <cstdint>
#include <cstdio>
#include <cstring>

#include "channel_list/entry_code.h"
#include "row_text.h"

#include "utf8_text.h"

std::string CsvField(const std::string& text, char separator) {
    if (text.find_first_of(std::string("\"\r\n") + separator) == std::string::npos) return text;
    std::string quoted = "\"";
    for (const char c : text) {
        if (c == '"') quoted += '"';
        quoted += c;
    }
    return quoted + '"';
}

namespace {

bool IsSpace(std::uint32_t c) {
    return c == ' ' || c == '\t' || c == 0xA0 || (c >= 0x2000 && c <= 0x200B) || c == 0x202F || c == 0x205F ||
           c == 0x3000 || c == 0xFEFF;
}

// Digits a spreadsheet reads: ASCII, Arabic-Indic and Persian.
bool IsDigit(std::uint32_t c) {
    return (c >= '0' && c <= '9') || (c >= 0x0660 && c <= 0x0669) || (c >= 0x06F0 && c <= 0x06F9);
}

// What stands between the digits of a number, date, time, percentage or
// amount in some language: separators of thousands, decimals, dates and
// times, signs, brackets of a negative amount, percent and currency signs.
bool IsValueSymbol(std::uint32_t c) {
    static const char kAscii[] = ".,/-:+%()'$";
    if (IsSpace(c)) return true;
    if (c < 0x80) return c != 0 && std::strchr(kAscii, static_cast<int>(c)) != nullptr;
    return (c >= 0xA2 && c <= 0xA5) ||  // cent, pound, currency sign, yen
           (c >= 0x20A0 && c <= 0x20CF) ||            // currency signs: euro, shekel, rupee, lira, rouble
           c == 0xFDFC ||                             // rial
           c == 0x2212 ||                             // minus
           c == 0x060C ||                             // Arabic comma
           (c >= 0x066A && c <= 0x066C);              // Arabic percent, decimal and thousands separators
}

bool IsLetter(std::uint32_t c) {
    if (c < 0x80) return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
    return (c >= 0xC0 && c <= 0x24F && c != 0xD7 && c != 0xF7) ||  // Latin
           (c >= 0x0400 && c <= 0x04FF) ||                          // Cyrillic
           (c >= 0x0621 && c <= 0x065F) || (c >= 0x0671 && c <= 0x06D3);  // Arabic letters and marks
}

// Lower case for the scripts whose words are compared below.
std::uint32_t Lower(std::uint32_t c) {
    if ((c >= 'A' && c <= 'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7) || (c >= 0x0410 && c <= 0x042F)) {
        return c + 0x20;
    }
    if (c >= 0x0100 && c <= 0x017F && c != 0x0130 && c != 0x0131 && c != 0x0138 && c != 0x0149) {
        // Latin Extended-A pairs capital and small letters, the capital
        // first: even code points up to U+0137 and from U+014A, odd ones
        // between them and from U+0179.
        const bool oddCapitals = (c >= 0x0139 && c <= 0x0148) || (c >= 0x0179 && c <= 0x017E);
        if (c == 0x0178) return 0xFF;
        if ((c % 2 == 1) == oddCapitals) return c + 1;
    }
    return c;
}

// Words a date or time may hold: the months of the languages spreadsheets
// commonly run in (in full and cut short), the marks of morning and
// afternoon, and the exponent of a number ("1e5"). Lower case, UTF-8.
const char* const kValueWords[] = {
    // English
    "jan", "feb", "mar", "apr", "may", "jun", "jul", "aug", "sep", "sept", "oct", "nov", "dec", "january",
    "february", "march", "april", "june", "july", "august", "september", "october", "november", "december",
    "am", "pm", "a", "p", "e", "h",
    // French
    "janv", "f\xC3\xA9vr", "f\xC3\xA9v", "mars", "avr", "mai", "juin", "juil", "ao\xC3\xBBt", "d\xC3\xA9" "c",
    "janvier", "f\xC3\xA9vrier", "avril", "juillet", "septembre", "octobre", "novembre", "d\xC3\xA9" "cembre",
    // German
    "j\xC3\xA4n", "m\xC3\xA4r", "m\xC3\xA4rz", "juni", "juli", "okt", "dez", "januar", "j\xC3\xA4nner", "februar",
    "oktober", "dezember",
    // Spanish, Italian, Portuguese, Dutch
    "ene", "abr", "ago", "dic", "enero", "febrero", "marzo", "abril", "mayo", "junio", "julio", "agosto",
    "septiembre", "setiembre", "octubre", "noviembre", "diciembre", "gen", "mag", "giu", "lug", "set", "ott",
    "gennaio", "febbraio", "aprile", "maggio", "giugno", "luglio", "settembre", "ottobre", "dicembre", "fev",
    "out", "janeiro", "fevereiro", "mar\xC3\xA7o", "maio", "junho", "julho", "setembro", "outubro", "dezembro",
    "mrt", "mei", "januari", "februari", "maart", "augustus",
    // Arabic: the months as written in Egypt and the Gulf, and in the
    // Levant; the marks of morning and afternoon
    "\xD9\x8A\xD9\x86\xD8\xA7\xD9\x8A\xD8\xB1",                          // يناير
    "\xD9\x81\xD8\xA8\xD8\xB1\xD8\xA7\xD9\x8A\xD8\xB1",                  // فبراير
    "\xD9\x85\xD8\xA7\xD8\xB1\xD8\xB3",                                  // مارس
    "\xD8\xA3\xD8\xA8\xD8\xB1\xD9\x8A\xD9\x84",                          // أبريل
    "\xD8\xA5\xD8\xA8\xD8\xB1\xD9\x8A\xD9\x84",                          // إبريل
    "\xD9\x85\xD8\xA7\xD9\x8A\xD9\x88",                                  // مايو
    "\xD9\x8A\xD9\x88\xD9\x86\xD9\x8A\xD9\x88",                          // يونيو
    "\xD9\x8A\xD9\x88\xD9\x84\xD9\x8A\xD9\x88",                          // يوليو
    "\xD8\xA3\xD8\xBA\xD8\xB3\xD8\xB7\xD8\xB3",                          // أغسطس
    "\xD8\xB3\xD8\xA8\xD8\xAA\xD9\x85\xD8\xA8\xD8\xB1",                  // سبتمبر
    "\xD8\xA3\xD9\x83\xD8\xAA\xD9\x88\xD8\xA8\xD8\xB1",                  // أكتوبر
    "\xD9\x86\xD9\x88\xD9\x81\xD9\x85\xD8\xA8\xD8\xB1",                  // نوفمبر
    "\xD8\xAF\xD9\x8A\xD8\xB3\xD9\x85\xD8\xA8\xD8\xB1",                  // ديسمبر
    "\xD9\x83\xD8\xA7\xD9\x86\xD9\x88\xD9\x86",                          // كانون
    "\xD8\xB4\xD8\xA8\xD8\xA7\xD8\xB7",                                  // شباط
    "\xD8\xA2\xD8\xB0\xD8\xA7\xD8\xB1",                                  // آذار
    "\xD9\x86\xD9\x8A\xD8\xB3\xD8\xA7\xD9\x86",                          // نيسان
    "\xD8\xA3\xD9\x8A\xD8\xA7\xD8\xB1",                                  // أيار
    "\xD8\xAD\xD8\xB2\xD9\x8A\xD8\xB1\xD8\xA7\xD9\x86",                  // حزيران
    "\xD8\xAA\xD9\x85\xD9\x88\xD8\xB2",                                  // تموز
    "\xD8\xA2\xD8\xA8",                                                  // آب
    "\xD8\xA3\xD9\x8A\xD9\x84\xD9\x88\xD9\x84",                          // أيلول
    "\xD8\xAA\xD8\xB4\xD8\xB1\xD9\x8A\xD9\x86",                          // تشرين
    "\xD8\xA7\xD9\x84\xD8\xA3\xD9\x88\xD9\x84",                          // الأول
    "\xD8\xA7\xD9\x84\xD8\xAB\xD8\xA7\xD9\x86\xD9\x8A",                  // الثاني
    "\xD8\xB5", "\xD9\x85",                                              // ص م
};

// Truth values as spreadsheets in those languages write them, lower case.
const char* const kTruthValues[] = {
    "true", "false", "wahr", "falsch", "vrai", "faux", "verdadero", "falso", "verdadeiro", "vero", "waar",
    "onwaar", "sant", "falsk", "sann", "usann", "tosi", "ep\xC3\xA4tosi", "prawda", "fa\xC5\x82sz", "pravda",
    "nepravda", "igaz", "hamis", "do\xC4\x9Fru", "yanl\xC4\xB1\xC5\x9F", "yanli\xC5\x9F",
    "\xD0\xB8\xD1\x81\xD1\x82\xD0\xB8\xD0\xBD\xD0\xB0", "\xD0\xBB\xD0\xBE\xD0\xB6\xD1\x8C",  // истина ложь
};

template <std::size_t N>
bool OneOf(const std::string& word, const char* const (&words)[N]) {
    for (const char* candidate : words) {
        if (word == candidate) return true;
    }
    return false;
}

}  // namespace

bool ReadsAsSpreadsheetValue(const std::string& utf8) {
    std::vector<std::uint32_t> characters;
    if (!DecodeUtf8(utf8, &characters)) return false;
    std::size_t first = 0;
    std::size_t last = characters.size();
    while (first < last && IsSpace(characters[first])) ++first;
    while (last > first && IsSpace(characters[last - 1])) --last;
    std::string whole;
    for (std::size_t i = first; i < last; ++i) AppendUtf8(&whole, Lower(characters[i]));
    if (OneOf(whole, kTruthValues)) return true;

    // A number, date, time, percentage or amount: digits, with nothing
    // between them but the symbols and words such values are written with.
    bool digits = false;
    std::string word;
    for (std::size_t i = first; i <= last; ++i) {
        const std::uint32_t c = i < last ? characters[i] : ' ';
        if (i < last && IsLetter(c)) {
            AppendUtf8(&word, Lower(c));
            continue;
        }
        if (!word.empty() && !OneOf(word, kValueWords)) return false;
        word.clear();
        if (IsDigit(c)) {
            digits = true;
        } else if (!IsValueSymbol(c)) {
            return false;
        }
    }
    return digits;
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

std::string UnguardName(const std::string& cell) { return !cell.empty() && cell[0] == '\'' ? cell.substr(1) : cell; }

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
    // memory is reused.
    std::size_t count = 0;
    const auto field = [&]() -> std::string& {
        if (count == fields->size()) fields->emplace_back();
        std::string& text = (*fields)[count];
        return text;
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
    field().clear();
    bool quoted = false;
    bool wasQuoted = false;
    for (;;) {
        if (at_ >= size_) {
            if (quoted) {
                *error = "a quote opened on line " + std::to_string(*line) + " is never closed";
                return false;
            }
            break;
        }
        const char c = data_[at_++];
        if (quoted) {
            if (c == '"') {
                if (at_ < size_ && data_[at_] == '"') {
                    field() += '"';
                    ++at_;
                } else {
                    quoted = false;
                }
            } else {
                if (c == '\n' || (c == '\r' && (at_ == size_ || data_[at_] != '\n'))) ++line_;
                field() += c;
            }
        } else if (c == '"' && field().empty() && !wasQuoted) {
            quoted = wasQuoted = true;
        } else if (c == separator_) {
            ++count;
            field().clear();
            wasQuoted = false;
        } else if (c == '\r' || c == '\n') {
            if (c == '\r' && at_ < size_ && data_[at_] == '\n') ++at_;
            ++line_;
            break;
        } else {
            field() += c;
        }
    }
    fields->resize(count + 1);
    return true;
}

namespace {

const char kViewPrefix[] = "view:";

std::string Quoted(const std::string& text) {
    std::string quoted = "\"";
    for (const char c : text) {
        if (c == '"') quoted += '"';
        quoted += c;
    }
    return quoted + '"';
}

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
    return text;
}

std::string ViewRecord(const CsvView& view) {
    const std::string text = ViewText(view.Filter);
    if (text.empty()) return text;
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
            if (cell[at] != ',') return false;
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
