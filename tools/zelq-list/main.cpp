// zelq-list's entry point: the arguments as UTF-8, the terminal's width and
// the standard streams, from the platform (console.h).
#include <cstdlib>
#include <ostream>
#include <string>
#include <vector>

#include "channel_list/whole_number.h"
#include "program_output.h"
#include "shared/console.h"
#include "zelq_list.h"

// What ships is built with the checked string and memory functions of
// _FORTIFY_SOURCE (CMakeLists.txt). They leave no mark in a program whose
// copies are all provably in bounds, so the build itself makes sure.
#if defined(_WIN32) && defined(__OPTIMIZE__) && !(defined(__MINGW_FORTIFY_LEVEL) && __MINGW_FORTIFY_LEVEL >= 2)
#error "an optimised Windows build needs -D_FORTIFY_SOURCE=2"
#endif

namespace {

// Columns the table may take: $COLUMNS when set, else the terminal's width
// when the output is one, else no limit.
std::size_t TableWidth() {
    unsigned long columns = 0;
    if (const char* text = std::getenv("COLUMNS")) {
        if (ParseWholeNumber(text, 10, 1, 100000, &columns)) return columns;
    }
    return TerminalColumns();
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> arguments = ProgramArguments(argc, argv);
    SetUpStandardStreams();
    RemoveTempWhenStopped();
    std::vector<const char*> pointers;
    for (const std::string& argument : arguments) pointers.push_back(argument.c_str());
    if (pointers.empty()) pointers.push_back("zelq-list");
    // Standard error takes each line whole as soon as it ends, after what
    // standard output holds, so the two stay in order on one console.
    StandardStreamBuffer outBuffer(kStandardOutput);
    StandardStreamBuffer errBuffer(kStandardError);
    std::ostream out(&outBuffer);
    std::ostream err(&errBuffer);
    err.tie(&out);
    err.setf(std::ios::unitbuf);
    const int status = RunZelqList(static_cast<int>(pointers.size()), pointers.data(), out, err, TableWidth());
    outBuffer.WriteAll();
    errBuffer.WriteAll();
    return status;
}
