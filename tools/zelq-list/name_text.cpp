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

namespace {

// Orders two sequences of characters as names are ordered: runs of ASCII
// digits as numbers, everything else by its value. `a(i)` and `b(j)` give the
// characters (or UTF-8 bytes, which order as their characters do).
template <typename A, typename B>
int CompareFoldedCharacters(std::size_t sizeA, const A& a, std::size_t sizeB, const B& b) {
    const auto digit = [](std::uint32_t c) { return c >= '0' && c <= '9'; };
    std::size_t i = 0;
    std::size_t j = 0;
    while (i < sizeA && j < sizeB) {
        if (digit(a(i)) && digit(b(j))) {
            // Numbers: without their leading zeros, the longer is the larger.
            std::size_t ai = i, bj = j;
            while (ai < sizeA && a(ai) == '0') ++ai;
            while (bj < sizeB && b(bj) == '0') ++bj;
            std::size_t ae = ai, be = bj;
            while (ae < sizeA && digit(a(ae))) ++ae;
            while (be < sizeB && digit(b(be))) ++be;
            if (ae - ai != be - bj) return ae - ai < be - bj ? -1 : 1;
            for (; ai < ae; ++ai, ++bj) {
                if (a(ai) != b(bj)) return a(ai) < b(bj) ? -1 : 1;
            }
            i = ae;
            j = be;
            continue;
        }
        const std::uint32_t x = a(i);
        const std::uint32_t y = b(j);
        if (x != y) return x < y ? -1 : 1;
        ++i;
        ++j;
    }
    if (i < sizeA) return 1;
    if (j < sizeB) return -1;
    return 0;
}

}  // namespace

int CompareFoldedNames(const std::string& a, const std::string& b) {
    // UTF-8 bytes compare in the order of their characters.
    return CompareFoldedCharacters(
        a.size(), [&](std::size_t i) { return static_cast<std::uint32_t>(static_cast<unsigned char>(a[i])); },
        b.size(), [&](std::size_t j) { return static_cast<std::uint32_t>(static_cast<unsigned char>(b[j])); });
}

void FoldedCharacters(const CodePage& page, std::uint32_t folded[256]) {
    for (int byte = 0; byte < 256; ++byte) {
        const std::string text = FoldName(page.ByteText[byte]);
        std::size_t at = 0;
        if (!NextUtf8Character(text.data(), text.size(), &at, &folded[byte])) folded[byte] = 0xFFFD;
    }
}

int CompareFoldedListNames(const std::uint32_t folded[256], const char* a, std::size_t sizeA, const char* b,
                           std::size_t sizeB) {
    return CompareFoldedCharacters(
        sizeA, [&](std::size_t i) { return folded[static_cast<unsigned char>(a[i])]; },
        sizeB, [&](std::size_t j) { return folded[static_cast<unsigned char>(b[j])]; });
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
bool ReadsAs1256Letters(const char* bytes, std::size_t size) {
    if (static_cast<unsigned char>(bytes[0]) == 0xD7) return false;
    for (std::size_t i = 1; i < size; ++i) {
        if (!IsPersianOrUrduLetterByte(static_cast<unsigned char>(bytes[i]))) return false;
    }
    return true;
}

}  // namespace

bool NameReadsAsUtf8(const char* name, std::size_t size, unsigned codePage) {
    // Character by character, in place: a name may be as long as the list,
    // and the first character that rules UTF-8 out ends the reading.
    bool multiByte = false;
    bool all1256Letters = true;
    for (std::size_t at = 0; at < size;) {
        const std::size_t start = at;
        std::uint32_t c;
        if (!NextUtf8Character(name, size, &at, &c)) return false;
        if (c < 0x80) continue;
        if (!InNameScripts(c)) return false;
        multiByte = true;
        if (!ReadsAs1256Letters(name + start, at - start)) all1256Letters = false;
    }
    // Arabic, Persian and Urdu letters of 1256 that happen to pair into UTF-8.
    if (codePage == 1256 && all1256Letters) return false;
    return multiByte;
}
