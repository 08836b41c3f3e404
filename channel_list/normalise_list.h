// The list in its normalised form, as the plug-in's start writes it: the
// byte-order mark if the file has one, then in file order each row's line in
// canonical form (byte for byte when its name is longer than 30 bytes) and
// each unreadable line byte for byte; later lines of a channel and the white
// space between lines are dropped. A file in which no line reads is never
// written.
#ifndef ZELQ_CHANNEL_LIST_NORMALISE_LIST_H
#define ZELQ_CHANNEL_LIST_NORMALISE_LIST_H

#include "list_index.h"
#include "list_rewrite.h"

// Whether the plug-in's start would write the list: at least one line reads
// and the normalised content differs from the file. Writes nothing.
bool NormalisedListDiffers(const ListIndex& index);

// Rewrites the list whose file layer `files` is, read as `index` under the
// list's lock, in its normalised form; a file in which no line reads is left
// as it is (kRewriteUnchanged).
RewriteResult RewriteNormalisedList(ListFiles* files, const ListIndex& index);

#endif  // ZELQ_CHANNEL_LIST_NORMALISE_LIST_H
