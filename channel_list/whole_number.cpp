#include "whole_number.h"

namespace {

// The digit's value, or 16 for a character that is none.
unsigned DigitValue(char c) {
    if (c >= '0' && c <= '9') return static_cast<unsigned>(c - '0');
    if (c >= 'a' && c <= 'f') return static_cast<unsigned>(c - 'a' + 10);
    if (c >= 'A' && c <= 'F') return static_cast<unsigned>(c - 'A' + 10);
    return 16;
}

}  // namespace

bool IsWholeNumberText(std::string_view text, unsigned base) {
    for (const char c : text) {
        if (DigitValue(c) >= base) return false;
    }
    return !text.empty();
}

bool ParseWholeNumber(std::string_view text, unsigned base, unsigned long least, unsigned long most,
                      unsigned long* value) {
    if (text.size() > 10 || !IsWholeNumberText(text, base)) return false;
    *value = 0;
    for (const char c : text) {
        const unsigned digit = DigitValue(c);
        // Beyond `most` it stays beyond, without wrapping around.
        if (digit > most || *value > (most - digit) / base) return false;
        *value = *value * base + digit;
    }
    return *value >= least;
}
