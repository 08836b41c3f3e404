// A second, deliberately plain reading of the list file, written from the
// line grammar alone, that the fuzz targets hold the real reader and writer
// against. It works on whole strings with find and substr and makes no
// attempt to be fast.
#ifndef ZELQ_FUZZ_REFERENCE_GRAMMAR_H
#define ZELQ_FUZZ_REFERENCE_GRAMMAR_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

enum class Grammar {
    Strict,   // loading: the name is the 1 to 30 bytes right after "["
    Loose,    // the add operation's scan: white space may surround the name
    AddScan,  // what the add operation compares: a line that reads either way
};

struct RefLine {
    std::uint8_t Flag;
    std::uint8_t Code[6];
    std::string Name;       // empty for the loose grammar, which keeps no name
    std::size_t RecordEnd;  // one past the closing "]"
    std::size_t Next;       // past the white space after it
};

// Reads one line starting at `pos`. False when the bytes there are not a line.
bool RefReadLine(std::string_view text, std::size_t pos, Grammar grammar, RefLine* line);

struct RefReading {
    std::vector<RefLine> Lines;  // every line read, up to the first that does not read
    std::size_t Stop;            // where the read that failed began
    std::size_t TailStart;       // where the verbatim rest begins: the failed line with its indentation
};

RefReading RefReadAll(std::string_view text, Grammar grammar);

// The canonical text of a line, CR LF included.
std::string RefCanonicalLine(std::uint8_t flag, const std::uint8_t code[6], const std::string& name);

// Code bytes 1 to 4, the identity of a channel.
std::uint32_t RefKey(const std::uint8_t code[6]);

void RefEncode(std::uint16_t ident, std::uint32_t position, std::uint32_t tuneValue,
               std::uint8_t code[6]);
void RefDecode(const std::uint8_t code[6], std::uint16_t* ident, std::uint16_t* position);

// The name the add operation writes for a host name field of `size` bytes.
std::string RefFitName(const char* field, std::size_t size);

// The text shown for bytes in a failure message: printable ASCII as it is,
// everything else escaped, cut after `limit` bytes.
std::string Printable(std::string_view bytes, std::size_t limit = 300);

#endif  // ZELQ_FUZZ_REFERENCE_GRAMMAR_H
