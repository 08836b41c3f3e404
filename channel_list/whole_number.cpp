#include "whole_number.h"

#include <cstdint>

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
    // At most ten digits, so the number fits in 64 bits in any base up to
    // 16: one pass, and no division for each digit.
    if (text.empty() || text.size() > 10) return false;
    std::uint64_t number = 0;
    for (const char c : text) {
        const unsigned digit = DigitValue(c);
        if (digit >= base) return false;
        number = number * base + digit;
    }
    if (number < least || number > most) return false;
    *value = static_cast<unsigned long>(number);
    return true;
}
