// Fuzzes loading a list file of arbitrary bytes (NUL bytes, megabyte lines,
// CR alone, no final line break, brackets anywhere).
//
// The load must leave the file as the first line of each channel in canonical
// form followed by the unread rest verbatim, show exactly those channels in
// order with their satellites and check marks, end with the count equal to
// the rows, store no name longer than 30 bytes, and leave no temporary file.
// A second load must find the file already canonical: byte for byte the same
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

    const std::string once = LoadAndCheck(input);
    const std::vector<WindowCall> firstCalls = g_Fake.calls;
    const std::string twice = LoadAndCheck(once);
    RequireSameBytes(twice, once, "a second load leaves the file unchanged");
    RequireSameCalls(g_Fake.calls, firstCalls, "a second load shows the same rows");
    return 0;
}
