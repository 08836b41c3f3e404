// A second, deliberately plain reading of the list file, written from the
// line grammar alone, that the fuzz targets hold the real reader and writer
// against. It cuts the text into lines of text first and reads each with
// find and substr, making no attempt to be fast.
#ifndef ZELQ_FUZZ_REFERENCE_GRAMMAR_H
#define ZELQ_FUZZ_REFERENCE_GRAMMAR_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

enum class RefKind { Reads, LongName, Unreadable };

struct RefItem {
    RefKind Kind;
    std::uint8_t Flag;
    std::uint8_t Code[6];
    std::string Name;       // the whole name, for lines that read
    std::size_t Start;      // the line's bytes as kept: its indentation ...
    std::size_t End;        // ... up to and with its line break
    std::size_t LineNumber; // counting from 1
};

// Every line of the text, in order, past a byte-order mark at its start.
std::vector<RefItem> RefReadAll(std::string_view text);

bool RefHasByteOrderMark(std::string_view text);

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
