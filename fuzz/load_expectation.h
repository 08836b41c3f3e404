// What loading a list file must do, derived from the reference reading, and a
// load that checks it.
#ifndef ZELQ_FUZZ_LOAD_EXPECTATION_H
#define ZELQ_FUZZ_LOAD_EXPECTATION_H

#include <cstdint>
#include <string>
#include <vector>

#include "fake_window.h"

struct LoadExpectation {
    int Result;                       // what LoadChannelList returns
    std::string File;                 // the list file afterwards
    std::vector<WindowCall> Calls;    // every window call, in order
    std::vector<std::uint32_t> Keys;  // the channel of every row, in order
};

// Every line of the file, in its place: the first line of each channel in
// canonical form (byte for byte when its name is longer than 30 bytes), later
// lines of a channel dropped, lines that do not read byte for byte, the white
// space between lines dropped, a byte-order mark kept. A file with no line
// that reads stays as it is.
LoadExpectation ExpectLoad(const std::string& before);

// Loads the list file, which holds `before`, against a fresh fake window and
// checks the result, the file, the window calls, the count and that no
// temporary file remains. Returns what the load was expected to do.
LoadExpectation LoadAndCheck(const std::string& before);

#endif  // ZELQ_FUZZ_LOAD_EXPECTATION_H
