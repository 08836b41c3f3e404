#include "file_ops.h"

ListFileOps g_ListFileOps = DefaultListFileOps();
FileError g_LastFileError;

void SetFileError(FileErrorKind kind, long systemCode, bool mayPass) {
    g_LastFileError = FileError{kind, systemCode, mayPass};
}

namespace {

// Whether the file is known to be read-only; a file whose state cannot be
// told is tried, and the system answers for it.
bool IsReadOnly(const char* path) {
    bool readOnly = false;
    return g_ListFileOps.ReadOnly(path, &readOnly) && readOnly;
}

// Pauses between tries of an operation that another program's handle
// stopped: about a second in all.
constexpr unsigned kRetryPausesMs[] = {10, 20, 40, 80, 150, 250, 450};

bool RetryWhileInUse(int (*operation)(const char*, const char*), const char* a, const char* b) {
    for (std::size_t attempt = 0;; ++attempt) {
        SetFileError(kFileErrorNone);
        if (operation(a, b)) return true;
        if (!g_LastFileError.MayPass || attempt == sizeof kRetryPausesMs / sizeof kRetryPausesMs[0]) return false;
        g_ListFileOps.Pause(kRetryPausesMs[attempt]);
    }
}

int ReplaceOperation(const char* from, const char* to) { return g_ListFileOps.Replace(from, to); }
int RemoveOperation(const char* path, const char*) { return g_ListFileOps.Remove(path); }

}  // namespace

bool OpenToChange(const char* path, FileOpenMode mode, ListFile** file) {
    *file = nullptr;
    if (IsReadOnly(path)) {
        SetFileError(kFileErrorDenied);
        return false;
    }
    return g_ListFileOps.Open(path, mode, file) != 0;
}

bool SyncFile(ListFile* file) {
    return g_ListFileOps.Sync(file) || g_LastFileError.Kind == kFileErrorNotSupported;
}

bool ReplaceFile(const char* from, const char* to) {
    if (IsReadOnly(to)) {
        SetFileError(kFileErrorDenied);
        return false;
    }
    return RetryWhileInUse(&ReplaceOperation, from, to);
}

bool RemoveFile(const char* path) { return RetryWhileInUse(&RemoveOperation, path, nullptr); }
