// Code page tables from Windows' own conversion.
#include <windows.h>

#include "shared/code_page_table.h"

bool ReadCodePageTable(unsigned number, std::uint32_t characters[256], bool defined[256], std::string* error) {
    CPINFO info;
    if (!GetCPInfo(number, &info)) {
        *error = "code page " + std::to_string(number) + " is not known here";
        return false;
    }
    if (info.MaxCharSize != 1) {
        *error = "code page " + std::to_string(number) + " is not a single-byte code page";
        return false;
    }
    for (int byte = 0; byte < 256; ++byte) {
        const char in = static_cast<char>(byte);
        wchar_t out[4];
        const int produced = MultiByteToWideChar(number, MB_ERR_INVALID_CHARS, &in, 1, out, 4);
        // Single-byte code pages stand for characters of the first plane only.
        defined[byte] = produced == 1 && !(out[0] >= 0xD800 && out[0] <= 0xDFFF);
        characters[byte] = defined[byte] ? static_cast<std::uint32_t>(out[0]) : 0;
    }
    return true;
}

unsigned DefaultCodePage() {
    // The viewer hands over names in the system's ANSI code page; where that
    // is not a single-byte one (a system set to UTF-8 or to an East Asian
    // code page), the plug-in's own 1256.
    const unsigned page = GetACP();
    CPINFO info;
    return GetCPInfo(page, &info) && info.MaxCharSize == 1 ? page : 1256;
}
