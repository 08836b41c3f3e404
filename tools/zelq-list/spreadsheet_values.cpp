// What a spreadsheet takes for a value rather than text, in the languages of
// the list's code pages (1252: Western Europe; 1256: Arabic, Persian, Urdu;
// 1251: Russian, Ukrainian, Bulgarian, Serbian), with the detection of
// special numbers (dates, times, percentages) switched on as well as off.
//
// The rule is in the tables: a cell reads as a value when it is one of the
// truth values, or when it holds digits with nothing between them but the
// symbols and words dates, times, numbers and amounts are written with. Each
// table lists what spreadsheets in those languages read, lower case, UTF-8;
// a word that no spreadsheet reads has no place here, since every name
// guarded is a name shown with an apostrophe.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "csv.h"
#include "utf8_text.h"

namespace {

// Truth values, as the spreadsheets of each language write TRUE and FALSE.
const char* const kTruthValues[] = {
    "true", "false",                                   // English
    "wahr", "falsch",                                  // German
    "vrai", "faux",                                    // French
    "verdadero", "falso", "verdadeiro", "vero",        // Spanish, Portuguese, Italian
    "waar", "onwaar",                                  // Dutch
    "sant", "falsk", "sann", "usann", "tosi", "epätosi",  // Nordic
    "prawda", "fałsz", "pravda", "nepravda", "igaz", "hamis", "doğru", "yanlış", "yanliş",
    "صح", "خطأ",                                       // Arabic
    "درست", "نادرست",                                  // Persian
    "غلط",                                             // Urdu
    "истина", "ложь",                                  // Russian
    "істина", "брехня",                                // Ukrainian
    "вярно", "невярно",                                // Bulgarian
    "тачно", "нетачно",                                // Serbian
};

// Words a date, time or number may hold beside its digits: the months (in
// full, cut short, and in the forms that follow a day), the marks of
// morning and afternoon, and the exponent of a number ("1e5").
const char* const kValueWords[] = {
    // English
    "jan", "feb", "mar", "apr", "may", "jun", "jul", "aug", "sep", "sept", "oct", "nov", "dec", "january",
    "february", "march", "april", "june", "july", "august", "september", "october", "november", "december",
    "am", "pm", "a", "p", "e", "h", "t",
    // French
    "janv", "févr", "fév", "fevr", "fev", "mars", "avr", "mai", "juin", "juil", "août", "aout", "déc",
    "janvier", "février", "fevrier", "avril", "juillet", "septembre", "octobre", "novembre", "décembre",
    "decembre",
    // German
    "jän", "mär", "märz", "juni", "juli", "okt", "dez", "januar", "jänner", "februar", "oktober", "dezember",
    // Spanish, Italian, Portuguese, Dutch
    "ene", "abr", "ago", "dic", "enero", "febrero", "marzo", "abril", "mayo", "junio", "julio", "agosto",
    "septiembre", "setiembre", "octubre", "noviembre", "diciembre", "gen", "mag", "giu", "lug", "set", "ott",
    "gennaio", "febbraio", "aprile", "maggio", "giugno", "luglio", "settembre", "ottobre", "dicembre",
    "out", "janeiro", "fevereiro", "março", "maio", "junho", "julho", "setembro", "outubro", "dezembro",
    "mrt", "mei", "januari", "februari", "maart", "augustus",
    // Arabic, as written in Egypt and the Gulf
    "يناير", "فبراير", "مارس", "أبريل", "إبريل", "مايو", "يونيو", "يوليو", "أغسطس", "سبتمبر", "أكتوبر",
    "نوفمبر", "ديسمبر",
    // Arabic, as written in the Levant and Iraq
    "كانون", "شباط", "آذار", "نيسان", "أيار", "حزيران", "تموز", "آب", "أيلول", "تشرين", "الأول", "الثاني",
    // Arabic, as written in Algeria and Tunisia, and in Morocco
    "جانفي", "فيفري", "أفريل", "ماي", "جوان", "جويلية", "أوت", "يوليوز", "غشت", "شتنبر", "نونبر", "دجنبر",
    // Arabic marks of morning and afternoon
    "ص", "م",
    // Persian: the months of the solar year, and the Gregorian months
    "فروردین", "اردیبهشت", "خرداد", "تیر", "مرداد", "شهریور", "مهر", "آبان", "آذر", "دی", "بهمن", "اسفند",
    "ژانویه", "فوریه", "آوریل", "مه", "ژوئن", "ژوئیه", "اوت", "سپتامبر", "اکتبر", "نوامبر", "دسامبر",
    // Urdu
    "جنوری", "فروری", "مارچ", "اپریل", "مئی", "جون", "جولائی", "اگست", "ستمبر", "اکتوبر", "نومبر", "دسمبر",
    // Russian: the months, also as they follow a day ("8 марта")
    "янв", "фев", "февр", "мар", "апр", "май", "мая", "июн", "июл", "авг", "сен", "сент", "окт", "ноя",
    "нояб", "дек", "январь", "февраль", "март", "апрель", "июнь", "июль", "август", "сентябрь", "октябрь",
    "ноябрь", "декабрь", "января", "февраля", "марта", "апреля", "июня", "июля", "августа", "сентября",
    "октября", "ноября", "декабря",
    // Ukrainian
    "січ", "лют", "бер", "кві", "квіт", "тра", "трав", "чер", "черв", "лип", "сер", "серп", "вер", "жов",
    "жовт", "лис", "лист", "гру", "груд", "січень", "лютий", "березень", "квітень", "травень", "червень",
    "липень", "серпень", "вересень", "жовтень", "листопад", "грудень", "січня", "лютого", "березня",
    "квітня", "травня", "червня", "липня", "серпня", "вересня", "жовтня", "листопада", "грудня",
    // Bulgarian
    "яну", "юни", "юли", "сеп", "ное", "януари", "февруари", "април", "септември", "октомври", "ноември",
    "декември",
    // Serbian
    "јан", "феб", "мај", "јун", "јул", "нов", "дец", "јануар", "фебруар", "септембар",
    "октобар", "новембар", "децембар", "јануара", "фебруара", "априла", "маја", "јуна", "јула", "августа",
    "септембра", "октобра", "новембра", "децембра",
};

// Digits a spreadsheet reads: ASCII, Arabic-Indic and Persian.
bool IsDigit(std::uint32_t c) {
    return (c >= '0' && c <= '9') || (c >= 0x0660 && c <= 0x0669) || (c >= 0x06F0 && c <= 0x06F9);
}

// What stands between the digits of a number, date, time, percentage or
// amount in some language: separators of thousands, decimals, dates and
// times, signs, brackets of a negative amount, percent and currency signs.
bool IsValueSymbol(std::uint32_t c) {
    static const char kAscii[] = ".,/-:+%()'$";
    if (IsUnicodeBlank(c)) return true;
    if (c < 0x80) return c != 0 && std::strchr(kAscii, static_cast<int>(c)) != nullptr;
    return (c >= 0xA2 && c <= 0xA5) ||      // cent, pound, currency sign, yen
           (c >= 0x20A0 && c <= 0x20CF) ||  // currency signs: euro, shekel, rupee, lira, rouble
           c == 0xFDFC ||                   // rial
           c == 0x2212 ||                   // minus
           c == 0x060C ||                   // Arabic comma
           (c >= 0x066A && c <= 0x066C);    // Arabic percent, decimal and thousands separators
}

bool IsLetter(std::uint32_t c) {
    if (c < 0x80) return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
    return (c >= 0xC0 && c <= 0x24F && c != 0xD7 && c != 0xF7) ||       // Latin
           (c >= 0x0400 && c <= 0x04FF) ||                               // Cyrillic
           (c >= 0x0621 && c <= 0x065F) || (c >= 0x0671 && c <= 0x06D3);  // Arabic letters and marks
}

// Lower case for the scripts of the words above.
std::uint32_t Lower(std::uint32_t c) {
    if ((c >= 'A' && c <= 'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7) || (c >= 0x0410 && c <= 0x042F)) {
        return c + 0x20;
    }
    if (c >= 0x0400 && c <= 0x040F) return c + 0x50;  // Cyrillic Ѐ to Џ: Ukrainian Є І Ї, Serbian Ј Љ Њ Ћ Ђ Џ
    if (c >= 0x0490 && c <= 0x04BF && c % 2 == 0) return c + 1;  // Ґ and the other paired capitals
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

template <std::size_t N>
bool OneOf(const std::string& word, const char* const (&words)[N]) {
    return std::find(std::begin(words), std::end(words), word) != std::end(words);
}

}  // namespace

bool ReadsAsSpreadsheetValue(const std::string& utf8) {
    std::vector<std::uint32_t> characters;
    if (!DecodeUtf8(utf8, &characters)) return false;
    std::size_t first = 0;
    std::size_t last = characters.size();
    while (first < last && IsUnicodeBlank(characters[first])) ++first;
    while (last > first && IsUnicodeBlank(characters[last - 1])) --last;
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
