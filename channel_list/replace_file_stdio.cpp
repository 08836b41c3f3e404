// The atomic replace on POSIX systems, where rename() replaces an existing
// target in one step.
#include <cstdio>

#include "list_file.h"

int ReplaceFileAtomically(const char* from, const char* to) {
    return std::rename(from, to) == 0 ? 1 : 0;
}
