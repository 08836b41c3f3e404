// The single-byte code pages as the system knows them, for the names of the
// list, which are bytes in one of them. Each platform's folder implements
// these (unix/code_page_iconv.cpp, windows/code_page_win32.cpp).
#ifndef ZELQ_SHARED_CODE_PAGE_TABLE_H
#define ZELQ_SHARED_CODE_PAGE_TABLE_H

#include <cstdint>
#include <string>

// Each byte's Unicode character in the code page. Returns false with a
// message when the code page is unknown or not single-byte.
bool ReadCodePageTable(unsigned number, std::uint32_t characters[256], bool defined[256], std::string* error);

// The code page names are written in by default: the system's ANSI code page
// on Windows (the viewer's, in which it hands over names), 1256 elsewhere.
unsigned DefaultCodePage();

#endif  // ZELQ_SHARED_CODE_PAGE_TABLE_H
