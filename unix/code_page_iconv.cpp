// Code page tables from the C library's iconv.
#include <errno.h>
#include <iconv.h>

#include <cstdio>
#include <cstring>

#include "shared/code_page_table.h"

namespace {

// iconv's name of a Windows code page number.
std::string IconvName(unsigned number) {
    if (number >= 28591 && number <= 28599) return "ISO-8859-" + std::to_string(number - 28590);
    if (number == 28605) return "ISO-8859-15";
    if (number == 20866) return "KOI8-R";
    if (number == 21866) return "KOI8-U";
    if (number == 20127) return "ASCII";
    return "CP" + std::to_string(number);
}

}  // namespace

bool ReadCodePageTable(unsigned number, std::uint32_t characters[256], bool defined[256], std::string* error) {
    const std::string name = IconvName(number);
    iconv_t convert = iconv_open("UTF-32LE", name.c_str());
    if (convert == reinterpret_cast<iconv_t>(-1)) {
        *error = "code page " + std::to_string(number) + " is not known here";
        return false;
    }
    bool ok = true;
    for (int byte = 0; byte < 256 && ok; ++byte) {
        iconv(convert, nullptr, nullptr, nullptr, nullptr);
        char in = static_cast<char>(byte);
        char* inPointer = &in;
        std::size_t inLeft = 1;
        unsigned char out[16];
        char* outPointer = reinterpret_cast<char*>(out);
        std::size_t outLeft = sizeof out;
        std::size_t result = iconv(convert, &inPointer, &inLeft, &outPointer, &outLeft);
        if (result == static_cast<std::size_t>(-1) && errno == EINVAL) {
            // The byte begins a longer sequence.
            *error = "code page " + std::to_string(number) + " is not a single-byte code page";
            ok = false;
            break;
        }
        const bool converted = result != static_cast<std::size_t>(-1);
        // Some code pages hold back a character that may be followed by a
        // combining one; flush it.
        if (converted) iconv(convert, nullptr, nullptr, &outPointer, &outLeft);
        const std::size_t produced = sizeof out - outLeft;
        defined[byte] = converted && produced == 4;
        characters[byte] = 0;
        if (defined[byte]) {
            characters[byte] = static_cast<std::uint32_t>(out[0]) | (static_cast<std::uint32_t>(out[1]) << 8) |
                               (static_cast<std::uint32_t>(out[2]) << 16) |
                               (static_cast<std::uint32_t>(out[3]) << 24);
        }
    }
    iconv_close(convert);
    return ok;
}

unsigned DefaultCodePage() { return 1256; }
