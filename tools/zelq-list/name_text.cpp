#include "name_text.h"

#include <cstdint>
#include <cstring>
#include <vector>

#include "utf8_text.h"

std::string FoldName(const std::string& utf8) {
    std::vector<std::uint32_t> characters;
    if (!DecodeUtf8(utf8, &characters)) return utf8;
    std::string folded;
    folded.reserve(utf8.size());
    for (std::uint32_t c : characters) {
        if (c >= 'A' && c <= 'Z') c = c - 'A' + 'a';
        if (c == 0x0622 || c == 0x0623 || c == 0x0625 || c == 0x0671) c = 0x0627;
        AppendUtf8(&folded, c);
    }
    return folded;
}

int CompareFoldedNames(const std::string& a, const std::string& b) {
    const auto digit = [](char c) { return c >= '0' && c <= '9'; };
    std::size_t i = 0;
    std::size_t j = 0;
    while (i < a.size() && j < b.size()) {
        if (digit(a[i]) && digit(b[j])) {
            // Numbers: without their leading zeros, the longer is the larger.
            std::size_t ai = i, bj = j;
            while (ai < a.size() && a[ai] == '0') ++ai;
            while (bj < b.size() && b[bj] == '0') ++bj;
            std::size_t ae = ai, be = bj;
            while (ae < a.size() && digit(a[ae])) ++ae;
            while (be < b.size() && digit(b[be])) ++be;
            if (ae - ai != be - bj) return ae - ai < be - bj ? -1 : 1;
            for (; ai < ae; ++ai, ++bj) {
                if (a[ai] != b[bj]) return a[ai] < b[bj] ? -1 : 1;
            }
            i = ae;
            j = be;
            continue;
        }
        // UTF-8 bytes compare in the order of their characters.
        const unsigned char x = static_cast<unsigned char>(a[i]);
        const unsigned char y = static_cast<unsigned char>(b[j]);
        if (x != y) return x < y ? -1 : 1;
        ++i;
        ++j;
    }
    if (i < a.size()) return 1;
    if (j < b.size()) return -1;
    return 0;
}

namespace {

bool InNameScripts(std::uint32_t c) {
    return (c >= 0x00A0 && c <= 0x017F) ||  // Latin-1 Supplement, Latin Extended-A
           (c >= 0x0370 && c <= 0x03FF) ||  // Greek
           (c >= 0x0400 && c <= 0x04FF) ||  // Cyrillic
           (c >= 0x0590 && c <= 0x05FF) ||  // Hebrew
           (c >= 0x0600 && c <= 0x06FF) ||  // Arabic
           (c >= 0x0750 && c <= 0x077F) ||  // Arabic Supplement
           (c >= 0x08A0 && c <= 0x08FF) ||  // Arabic Extended-A
           (c >= 0x2000 && c <= 0x206F) ||  // General Punctuation
           (c >= 0x20A0 && c <= 0x20CF) ||  // Currency Symbols
           (c >= 0x2100 && c <= 0x214F) ||  // Letterlike Symbols (TM)
           (c >= 0xFB50 && c <= 0xFDFF) ||  // Arabic Presentation Forms-A
           (c >= 0xFE70 && c <= 0xFEFE);    // Arabic Presentation Forms-B
}

// The bytes from 0x80 to 0xBF that Windows-1256 gives the letters of Persian
// and Urdu: پ ٹ چ ژ ڈ گ ک ڑ ں ھ. The others there are signs, and two Latin
// ligatures no Arabic-script name holds.
bool IsPersianOrUrduLetterByte(unsigned char b) {
    static const char kLetters[] = "\x81\x8A\x8D\x8E\x8F\x90\x98\x9A\x9F\xAA";
    return std::memchr(kLetters, b, sizeof kLetters - 1) != nullptr;
}

// Whether a character's UTF-8 bytes read in Windows-1256 as letters only:
// its first byte does (the first byte of every character of those scripts
// is a 1256 letter but 0xD7, ×, with which each Hebrew letter begins), and
// so does every byte after it.
bool ReadsAs1256Letters(std::uint32_t c) {
    std::string bytes;
    AppendUtf8(&bytes, c);
    if (static_cast<unsigned char>(bytes[0]) == 0xD7) return false;
    for (std::size_t i = 1; i < bytes.size(); ++i) {
        if (!IsPersianOrUrduLetterByte(static_cast<unsigned char>(bytes[i]))) return false;
    }
    return true;
}

}  // namespace

bool NameReadsAsUtf8(const char* name, std::size_t size, unsigned codePage) {
    std::vector<std::uint32_t> characters;
    if (!DecodeUtf8(std::string(name, size), &characters)) return false;
    bool multiByte = false;
    bool all1256Letters = true;
    for (const std::uint32_t c : characters) {
        if (c < 0x80) continue;
        if (!InNameScripts(c)) return false;
        multiByte = true;
        if (!ReadsAs1256Letters(c)) all1256Letters = false;
    }
    // Arabic, Persian and Urdu letters of 1256 that happen to pair into UTF-8.
    if (codePage == 1256 && all1256Letters) return false;
    return multiByte;
}
