// The editor's own Arabic texts (shared/arabic_texts.h) as the wide window
// functions take them.
//
// The texts are held as Windows-1256 bytes. The ANSI window functions would
// convert them with the system's ANSI code page, which shows them as Arabic
// only where that code page is 1256; converted from 1256 explicitly and set
// through the wide functions, they read as Arabic on any Windows, whatever its
// language for non-Unicode programs. Under code page 1256 the user sees the
// same letters either way.
#ifndef ZELQ_UI_ARABIC_TO_WIDE_H
#define ZELQ_UI_ARABIC_TO_WIDE_H

#include <windows.h>

constexpr UINT kArabicCodePage = 1256;

// Room for the longest of the texts (36 letters) and its NUL, and to spare.
constexpr int kArabicTextUnits = 128;

// Converts a NUL-terminated Windows-1256 text to UTF-16. False when it
// cannot: a text too long for the buffer, or a system without the code page.
// The callers then set the bytes through the ANSI functions, as they stand.
inline bool ArabicTextToWide(const char* text, wchar_t (&wide)[kArabicTextUnits]) {
    return MultiByteToWideChar(kArabicCodePage, 0, text, -1, wide, kArabicTextUnits) > 0;
}

#endif  // ZELQ_UI_ARABIC_TO_WIDE_H
