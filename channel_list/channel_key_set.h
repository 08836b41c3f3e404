// A set of channel keys (code bytes 1 to 4) for finding duplicate lines in
// time linear in the length of the list. It grows as keys are added.
#ifndef ZELQ_CHANNEL_LIST_CHANNEL_KEY_SET_H
#define ZELQ_CHANNEL_LIST_CHANNEL_KEY_SET_H

#include <cstddef>
#include <cstdint>

struct ChannelKeySet {
    std::uint32_t* Keys;   // open addressing; a slot is used when its bit in Used is set
    std::uint8_t* Used;
    std::size_t Mask;      // slot count minus one
    std::size_t Count;     // keys held
};

// An empty set. Returns false when memory runs out.
bool CreateChannelKeySet(ChannelKeySet* set);

void DestroyChannelKeySet(ChannelKeySet* set);

// Adds the key; *added tells whether it was new. Returns false when memory
// runs out (the set is then unchanged).
bool InsertChannelKey(ChannelKeySet* set, std::uint32_t key, bool* added);

#endif  // ZELQ_CHANNEL_LIST_CHANNEL_KEY_SET_H
