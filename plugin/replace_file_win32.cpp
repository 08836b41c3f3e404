// The atomic replace on Windows. The C library's rename() refuses an existing
// target, so the list is replaced with MoveFileExA, which swaps it in one
// step on the same volume and writes the change through before returning.
#include <windows.h>

#include "../channel_list/list_file.h"

int ReplaceFileAtomically(const char* from, const char* to) {
    return MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) ? 1 : 0;
}
