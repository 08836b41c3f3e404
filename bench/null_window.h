// A window that does nothing, for timing the channel-list code without the
// cost of recording its calls. It only counts them.
#ifndef ZELQ_BENCH_NULL_WINDOW_H
#define ZELQ_BENCH_NULL_WINDOW_H

// Every window operation called so far.
extern long long g_NullWindowCalls;

#endif  // ZELQ_BENCH_NULL_WINDOW_H
