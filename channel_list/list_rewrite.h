// The one safe way the list is ever rewritten.
//
// The list is the only thing the plug-in keeps, so it is never emptied in
// place. A rewrite goes to a temporary file beside the list, which is written
// whole and reaches the disk before it replaces the list, and only while the
// list is still byte for byte what was read. The replace keeps the old list
// under a backup name until the new one is in place (side_paths.h), so at
// every moment, a power cut or any failure Windows documents included, the
// list or its backup holds the old list or the new one, whole. The writer
// holds the list's lock from its read to its write, and opens the list with
// OpenListToChange (list_open.h), which puts back a list a writer before it
// left under the backup name, and writes through that list's file layer
// (list_files.h), which keeps the reason of every failure.
#ifndef ZELQ_CHANNEL_LIST_LIST_REWRITE_H
#define ZELQ_CHANNEL_LIST_LIST_REWRITE_H

#include <cstddef>
#include <cstdint>

#include "file_bytes.h"
#include "list_files.h"

// The temporary file of the rewrite in progress, or null: what a program that
// is being stopped removes before it ends. Set while the rewrite writes it,
// and cleared before it is handed to the replace. Safe to read from a signal
// handler or a console control handler.
const char* ActiveTempPath();

// The outcome of a rewrite.
enum RewriteResult {
    kRewriteWritten,      // the list now holds the new content
    kRewriteUnchanged,    // the new content equals the list: nothing was written
    kRewriteListChanged,  // the list is no longer what was read (or is gone): left alone
    kRewriteFailed,       // the temporary file could not be made, written, synced or put in place
    kRewriteLeftInBackup,  // failed with the list missing and its content under another name (the backup's,
                           // or the temporary file's), which could not be put back now: the next writer puts it back
    kRewriteUnfinished,    // the new list, empty, is in place, but its backup could not be removed: the next
                           // writer takes the list for damaged and puts the backup back
};

// A rewrite in progress. The new content is compared with the list as it was
// read; the temporary file is made only at the first byte that differs.
struct ListRewrite {
    ListFiles* Files;        // the opened list's paths, waits and last error
    const FileBytes* Original;
    std::size_t Matched;     // bytes so far equal to the original's start
    std::uint64_t Size;      // bytes of the new content written so far
    ListFile* Temp;
    bool Failed;
    std::size_t Buffered;
    char* Buffer;
};

// Starts a rewrite of the list whose file layer `files` is, which was read
// as `original`; an original with no data ({nullptr, 0}) stands for a list
// that does not exist, which the rewrite then creates only while it still
// does not. The caller holds the list's lock until FinishListRewrite
// returns. Returns false when memory runs out.
bool BeginListRewrite(ListRewrite* rewrite, ListFiles* files, const FileBytes& original);

// Starts a comparison: content is added as to a rewrite, but only compared
// with `original`; nothing is ever written. End it with ListRewriteDiffers.
void BeginListComparison(ListRewrite* rewrite, const FileBytes& original);

// Ends a comparison: whether the content added differs from the original.
bool ListRewriteDiffers(ListRewrite* rewrite);

// Adds bytes to the new content.
void AppendToRewrite(ListRewrite* rewrite, const char* data, std::size_t size);

// Ends the rewrite: when the new content differs from the list, the temporary
// file is synced to the disk and closed, the list is read again and compared
// byte for byte with `original`, and only then replaced, the old list under
// the backup name until the new one is in place and on the disk (see
// Finish). Where a flush was refused, the files layer tells it (Unconfirmed).
// A list with more than one name (hard links) is not rewritten
// (kFileErrorLinked): the rewrite would part it from its other names. Frees
// what Begin took.
RewriteResult FinishListRewrite(ListRewrite* rewrite);

#endif  // ZELQ_CHANNEL_LIST_LIST_REWRITE_H
