#include "channel_key_set.h"

#include <cstdlib>

namespace {

constexpr std::size_t kInitialSlots = 256;

bool AllocateSlots(ChannelKeySet* set, std::size_t slots) {
    set->Keys = static_cast<std::uint32_t*>(std::malloc(slots * sizeof(std::uint32_t)));
    set->Used = static_cast<std::uint8_t*>(std::calloc(slots / 8, 1));
    set->Mask = slots - 1;
    set->Count = 0;
    if (!set->Keys || !set->Used) {
        DestroyChannelKeySet(set);
        return false;
    }
    return true;
}

// Multiply and fold, so keys that differ only in a few bits spread out.
std::size_t SlotFor(std::uint32_t key, std::size_t mask) {
    std::uint32_t hash = key * 0x9E3779B1u;
    hash ^= hash >> 16;
    return hash & mask;
}

// Puts a key known to be absent into the set, which has room.
void Place(ChannelKeySet* set, std::uint32_t key) {
    std::size_t slot = SlotFor(key, set->Mask);
    while (set->Used[slot >> 3] & (1u << (slot & 7))) slot = (slot + 1) & set->Mask;
    set->Used[slot >> 3] = static_cast<std::uint8_t>(set->Used[slot >> 3] | (1u << (slot & 7)));
    set->Keys[slot] = key;
    ++set->Count;
}

// Doubles the slots, at most half of which are ever used.
bool Grow(ChannelKeySet* set) {
    const std::size_t slots = set->Mask + 1;
    if (slots > (static_cast<std::size_t>(-1) >> 4)) return false;
    ChannelKeySet larger;
    if (!AllocateSlots(&larger, slots * 2)) return false;
    for (std::size_t slot = 0; slot < slots; ++slot) {
        if (set->Used[slot >> 3] & (1u << (slot & 7))) Place(&larger, set->Keys[slot]);
    }
    DestroyChannelKeySet(set);
    *set = larger;
    return true;
}

}  // namespace

bool CreateChannelKeySet(ChannelKeySet* set) { return AllocateSlots(set, kInitialSlots); }

void DestroyChannelKeySet(ChannelKeySet* set) {
    std::free(set->Keys);
    std::free(set->Used);
    set->Keys = nullptr;
    set->Used = nullptr;
    set->Mask = 0;
    set->Count = 0;
}

bool InsertChannelKey(ChannelKeySet* set, std::uint32_t key, bool* added) {
    for (std::size_t slot = SlotFor(key, set->Mask);; slot = (slot + 1) & set->Mask) {
        if (!(set->Used[slot >> 3] & (1u << (slot & 7)))) break;
        if (set->Keys[slot] == key) {
            *added = false;
            return true;
        }
    }
    if ((set->Count + 1) * 2 > set->Mask + 1 && !Grow(set)) return false;
    Place(set, key);
    *added = true;
    return true;
}
