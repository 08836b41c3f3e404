// How names compare and match: the order of `sort --by name`, the matching
// of `show --find`, and the rule that tells a name stored as UTF-8 from one
// in the list's own code page.
#ifndef ZELQ_TOOLS_ZELQ_LIST_NAME_TEXT_H
#define ZELQ_TOOLS_ZELQ_LIST_NAME_TEXT_H

#include <cstddef>
#include <cstdint>
#include <string>

#include "code_page.h"

// A UTF-8 text as names are matched and ordered: Latin letters in lower
// case, and the forms of alif (آ أ إ ٱ) as the plain alif ا.
std::string FoldName(const std::string& utf8);

// Orders two folded names: runs of digits compare as numbers ("MBC 2"
// before "MBC 10"), everything else character by character. Negative, zero
// or positive.
int CompareFoldedNames(const std::string& a, const std::string& b);

// Each byte's character in the code page as FoldName folds it.
void FoldedCharacters(const CodePage& page, std::uint32_t folded[256]);

// Orders two names of the list as CompareFoldedNames orders them once
// converted and folded, from their bytes where they lie (`folded` from
// FoldedCharacters): a sort holds no copy of them.
int CompareFoldedListNames(const std::uint32_t folded[256], const char* a, std::size_t sizeA, const char* b,
                           std::size_t sizeB);

// Whether a name's bytes read as UTF-8 rather than as the list's single-byte
// code page: at least one byte above 0x7F, every such byte part of a
// well-formed UTF-8 character, and every such character a letter, mark or
// sign of the scripts channel names are written in (Latin, Greek, Cyrillic,
// Hebrew, Arabic, general punctuation).
//
// Arabic text in Windows-1256 seldom forms UTF-8: its letters are bytes
// from 0xC1 up, which UTF-8 would need followed by bytes below 0xC0. The
// Persian and Urdu letters of 1256 are such bytes (0x81 to 0xAA), so a
// letter followed by one of them does pair: "سگ" is D3 90, "Ӑ" in UTF-8.
// In a list of code page 1256, a name whose every character beyond ASCII
// reads in 1256 as letters only (a first byte other than 0xD7, ×, and
// following bytes all Persian or Urdu letters) therefore reads as 1256.
// A letter followed by a sign (، ؛ ؟, the zero-width non-joiner, «) stays
// ambiguous, and such a name, if it is well-formed UTF-8, is reported.
bool NameReadsAsUtf8(const char* name, std::size_t size, unsigned codePage);

#endif  // ZELQ_TOOLS_ZELQ_LIST_NAME_TEXT_H
