#include "file_ops.h"

ListFileOps g_ListFileOps = DefaultListFileOps();
FileError g_LastFileError;

void SetFileError(FileErrorKind kind, long systemCode, bool mayPass) {
    g_LastFileError = FileError{kind, systemCode, mayPass};
}

namespace {

// What the writer at work may still pause, in milliseconds.
unsigned g_WaitLeftMs = 1000;

// Refuses a file known to be read-only (kFileErrorDenied); a file whose
// state cannot be told is tried, and the system answers for it.
bool RefusedAsReadOnly(const char* path) {
    bool readOnly = false;
    if (!g_ListFileOps.ReadOnly(path, &readOnly) || !readOnly) return false;
    SetFileError(kFileErrorDenied);
    return true;
}

// Pauses between tries of an operation that another program's handle
// stopped: about a second in all, when the writer has that much left.
constexpr unsigned kRetryPausesMs[] = {10, 20, 40, 80, 150, 250, 450};

// Whether a failure may pass if tried again. Access denied is what a file
// being deleted answers (its name stays until the last handle to it
// closes), and a name in that state cannot even be looked at; a file that
// can be looked at was refused by its own permissions, which do not pass.
bool MayPass(const char* a, const char* b) {
    const FileError failure = g_LastFileError;
    if (!failure.MayPass) return false;
    bool passes = true;
    if (failure.Kind == kFileErrorDenied) {
        PathKind kind;
        passes = !(g_ListFileOps.Probe(a, &kind) && kind == kPathFile &&
                   (!b || (g_ListFileOps.Probe(b, &kind) && kind == kPathFile)));
    }
    g_LastFileError = failure;
    return passes;
}

template <typename Operation>
bool RetryWhileInUse(Operation operation, const char* a, const char* b) {
    for (std::size_t attempt = 0;; ++attempt) {
        SetFileError(kFileErrorNone);
        if (operation()) return true;
        if (attempt == sizeof kRetryPausesMs / sizeof kRetryPausesMs[0] || !MayPass(a, b)) return false;
        const FileError failure = g_LastFileError;
        if (!PauseWithinWaits(kRetryPausesMs[attempt])) return false;
        g_LastFileError = failure;
    }
}

}  // namespace

void BeginWaits(unsigned totalMs) { g_WaitLeftMs = totalMs; }

bool PauseWithinWaits(unsigned ms) {
    if (g_WaitLeftMs == 0) return false;
    const unsigned waited = g_ListFileOps.Pause(ms < g_WaitLeftMs ? ms : g_WaitLeftMs);
    g_WaitLeftMs -= waited < g_WaitLeftMs ? waited : g_WaitLeftMs;
    return true;
}

bool OpenToChange(const char* path, FileOpenMode mode, ListFile** file) {
    *file = nullptr;
    if (RefusedAsReadOnly(path)) return false;
    return g_ListFileOps.Open(path, mode, file) != 0;
}

bool ProbeListPath(const char* path, PathKind* kind) {
    if (!g_ListFileOps.Probe(path, kind)) return false;
    if (*kind == kPathFolder) SetFileError(kFileErrorIsFolder);
    return *kind != kPathFolder;
}

bool SyncFile(ListFile* file) {
    return g_ListFileOps.Sync(file) || g_LastFileError.Kind == kFileErrorNotSupported;
}

bool ReplaceFile(const char* from, const char* to, const char* backup) {
    if (RefusedAsReadOnly(to)) return false;
    return RetryWhileInUse([&] { return g_ListFileOps.Replace(from, to, backup) != 0; }, to, from);
}

bool RenameFile(const char* from, const char* to) {
    return RetryWhileInUse([&] { return g_ListFileOps.Rename(from, to) != 0; }, from, nullptr);
}

bool RemoveFile(const char* path) {
    return RetryWhileInUse([&] { return g_ListFileOps.Remove(path) != 0; }, path, nullptr);
}

bool RemoveIfThere(const char* path) { return RemoveFile(path) || g_LastFileError.Kind == kFileErrorNotFound; }
