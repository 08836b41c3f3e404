// What loading a list file must do, derived from the reference reading, and a
// load that checks it.
#ifndef ZELQ_FUZZ_LOAD_EXPECTATION_H
#define ZELQ_FUZZ_LOAD_EXPECTATION_H

#include <string>
#include <vector>

#include "fake_window.h"

struct LoadExpectation {
    int Result;                     // what LoadChannelList returns
    std::string File;               // the list file afterwards
    std::vector<WindowCall> Calls;  // every window call, in order
    int Rows;                       // RowCount afterwards
};

// The first line of each channel, rewritten in canonical form, then the rest
// of the file from the first line that does not read, verbatim. A file with
// no line that reads stays as it is.
LoadExpectation ExpectLoad(const std::string& before);

// Loads the list file, which holds `before`, against a fresh fake window and
// checks the result, the file, the window calls, the count and that no
// temporary file remains. Returns the file afterwards.
std::string LoadAndCheck(const std::string& before);

#endif  // ZELQ_FUZZ_LOAD_EXPECTATION_H
