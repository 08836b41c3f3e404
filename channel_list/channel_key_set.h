// A set of channel keys (code bytes 1 to 4) for finding duplicate lines in
// time linear in the length of the list.
#ifndef ZELQ_CHANNEL_LIST_CHANNEL_KEY_SET_H
#define ZELQ_CHANNEL_LIST_CHANNEL_KEY_SET_H

#include <cstddef>
#include <cstdint>

struct ChannelKeySet {
    std::uint32_t* Keys;   // open addressing; a slot is used when its bit in Used is set
    std::uint8_t* Used;
    std::size_t Mask;      // slot count minus one
};

// Makes room for up to `capacity` keys. Returns false when memory runs out.
bool CreateChannelKeySet(ChannelKeySet* set, std::size_t capacity);

void DestroyChannelKeySet(ChannelKeySet* set);

// Adds the key; returns false when it was already there.
bool InsertChannelKey(ChannelKeySet* set, std::uint32_t key);

#endif  // ZELQ_CHANNEL_LIST_CHANNEL_KEY_SET_H
