// Whole numbers as people type them: the one reader of a number given on the
// command line, in a CSV cell or in a satellite position.
#ifndef ZELQ_CHANNEL_LIST_WHOLE_NUMBER_H
#define ZELQ_CHANNEL_LIST_WHOLE_NUMBER_H

#include <string_view>

// Whether the text is one or more digits of the base (10 or 16, either case),
// and nothing else.
bool IsWholeNumberText(std::string_view text, unsigned base);

// A whole number from `least` to `most`, in decimal or hexadecimal (base 10
// or 16), of at most ten digits and nothing else; false otherwise.
bool ParseWholeNumber(std::string_view text, unsigned base, unsigned long least, unsigned long most,
                      unsigned long* value);

#endif  // ZELQ_CHANNEL_LIST_WHOLE_NUMBER_H
