// Realistic channel lists for the benchmark and the results test.
#ifndef ZELQ_BENCH_LIST_GENERATOR_H
#define ZELQ_BENCH_LIST_GENERATOR_H

#include <cstddef>
#include <cstdint>
#include <string>

// A list file of `lines` lines. About one line in ten repeats a channel
// already listed, under another name, flag or transponder; most lines are
// canonical, some have lower-case digits, extra spaces or LF alone; names are
// 5 to 25 bytes; flags are 1 or 0. Positions are mostly those of the
// satellite table. The same count always gives the same bytes.
std::string GenerateChannelList(std::size_t lines);

// A channel that no generated list holds: ident 0 (never generated) on
// HotBird.
constexpr std::uint16_t kAbsentChannelIdent = 0;
constexpr std::uint32_t kAbsentChannelPosition = 130;

#endif  // ZELQ_BENCH_LIST_GENERATOR_H
