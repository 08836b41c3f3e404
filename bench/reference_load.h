// The list load done the plain way, kept only as a yardstick for the
// benchmark and the results test; the plug-in never uses it.
//
// It reads the list with fscanf and the strict read format in a text stream,
// in two passes (count, then read), finds duplicates with a linear scan over
// the entries kept so far, and rewrites the list in place with fopen "w" and
// fprintf. It issues the same window calls and sets RowCount and CountText
// as the plug-in's load does.
#ifndef ZELQ_BENCH_REFERENCE_LOAD_H
#define ZELQ_BENCH_REFERENCE_LOAD_H

// Loads g_State.ListPath. Returns 1 when the list was rewritten, 0 otherwise.
int ReferenceLoadChannelList();

#endif  // ZELQ_BENCH_REFERENCE_LOAD_H
