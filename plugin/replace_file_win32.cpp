// The atomic replace on Windows. The C library's rename() refuses an existing
// target, so the list is replaced with MoveFileExA, which swaps it in one
// step on the same volume and writes the change through before returning.
#include <windows.h>

#include "../channel_list/list_file.h"

int ReplaceFileAtomically(const char* from, const char* to) {
    // A read-only list is the user's wish to keep it as it is. Windows refuses
    // to replace one anyway; the check makes that hold wherever the attribute
    // is not enforced (an administrator's emulated file system, say).
    const DWORD attributes = GetFileAttributesA(to);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)) return 0;
    return MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) ? 1 : 0;
}
