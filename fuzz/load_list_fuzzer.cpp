// Fuzzes loading a list file of arbitrary bytes (NUL bytes, megabyte lines,
// CR alone, no final line break, brackets anywhere, byte-order marks).
//
// The load must leave every line of the file in its place: the first line of
// each channel rewritten (or kept byte for byte when its name is longer than
// 30 bytes), later lines of a channel dropped, every line that does not read
// kept byte for byte; show exactly the first lines of the channels in order
// with their satellites and check marks; end with the count equal to the
// rows; store no name longer than 30 bytes; and leave no temporary file. A
// second load must find the file already in its form: byte for byte the same
// file and the same rows.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz_support.h"
#include "load_expectation.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    ResetForInput();
    const std::string input(reinterpret_cast<const char*>(data), size);
    WriteFileBytes(FuzzListPath(), input);
    const LoadExpectation once = LoadAndCheck(input);
    const std::vector<WindowCall> firstCalls = g_Fake.calls;
    const LoadExpectation twice = LoadAndCheck(once.File);
    RequireSameBytes(twice.File, once.File, "a second load leaves the file unchanged");
    RequireSameCalls(g_Fake.calls, firstCalls, "a second load shows the same rows");
    return 0;
}
