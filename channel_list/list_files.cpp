#include "list_files.h"

ListFileOps g_ListFileOps = DefaultListFileOps();

namespace {

// Pauses between tries of an operation that another program's handle
// stopped: about a second in all, when the writer has that much left.
constexpr unsigned kRetryPausesMs[] = {10, 20, 40, 80, 150, 250, 450};

// A file known to be read-only is not to be changed.
bool ReadOnly(const char* path) {
    bool readOnly = false;
    return !g_ListFileOps.ReadOnly(path, &readOnly) && readOnly;
}

// Whether a failure may pass if tried again. Access denied is what a file
// being deleted answers (its name stays until the last handle to it
// closes), and a name in that state cannot even be looked at; a file that
// can be looked at was refused by its own permissions, which do not pass.
bool MayPass(ListFiles* files, const FileError& failure, const char* a, const char* b) {
    if (!failure.MayPass) return false;
    if (failure.Kind != kFileErrorDenied) return true;
    return !(files->Is(a, kPathFile) && (!b || files->Is(b, kPathFile)));
}

template <typename Operation>
bool RetryWhileInUse(ListFiles* files, Operation operation, const char* a, const char* b) {
    for (const unsigned pause : kRetryPausesMs) {
        const FileError answer = operation();
        if (files->Did(answer)) return true;
        if (!MayPass(files, answer, a, b) || !files->Pause(pause)) return false;
    }
    return files->Did(operation());
}

}  // namespace

bool ListFiles::Did(const FileError& answer) {
    if (!answer) return true;
    Error = answer;
    return false;
}

bool ListFiles::Fail(FileErrorKind kind, long systemCode) { return Did(FileError{kind, systemCode, false}); }

bool ListFiles::Pause(unsigned ms) {
    if (WaitLeftMs == 0) return false;
    const unsigned waited = g_ListFileOps.Pause(ms < WaitLeftMs ? ms : WaitLeftMs);
    WaitLeftMs -= waited < WaitLeftMs ? waited : WaitLeftMs;
    return true;
}

bool ListFiles::Is(const char* path, PathKind expected) {
    PathKind kind;
    return !g_ListFileOps.Probe(path, &kind) && kind == expected;
}

bool ListFiles::OpenToChange(const char* path, FileOpenMode mode, ListFile** file) {
    *file = nullptr;
    return ReadOnly(path) ? Fail(kFileErrorDenied) : Did(g_ListFileOps.Open(path, mode, file));
}

bool ListFiles::Sync(ListFile* file) {
    const FileError answer = g_ListFileOps.Sync(file);
    if (answer.Kind == kFileErrorNotSupported) Unconfirmed = true;
    return answer.Kind == kFileErrorNotSupported || Did(answer);
}


bool ListFiles::Replace(const char* from, const char* to, const char* backup) {
    if (ReadOnly(to)) return Fail(kFileErrorDenied);
    return RetryWhileInUse(this, [&] { return g_ListFileOps.Replace(from, to, backup); }, to, from);
}

bool ListFiles::Rename(const char* from, const char* to) {
    return RetryWhileInUse(this, [&] { return g_ListFileOps.Rename(from, to); }, from, nullptr);
}

bool ListFiles::Remove(const char* path) {
    return RetryWhileInUse(this, [&] { return g_ListFileOps.Remove(path); }, path, nullptr);
}

void ListFiles::SyncNames(const char* path) {
    const FileError kept = Error;
    if (!RetryWhileInUse(this, [&] { return g_ListFileOps.SyncNames(path); }, path, nullptr)) Unconfirmed = true;
    Error = kept;
}

bool ListFiles::RemoveIfThere(const char* path) { return Remove(path) || Error.Kind == kFileErrorNotFound; }

void ListFiles::RemoveQuietly(const char* path) {
    const FileError kept = Error;
    RemoveIfThere(path);
    Error = kept;
}
