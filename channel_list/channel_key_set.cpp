#include "channel_key_set.h"

#include <cstdlib>

bool CreateChannelKeySet(ChannelKeySet* set, std::size_t capacity) {
    // At most half full, so probe runs stay short.
    std::size_t slots = 16;
    while (slots / 2 < capacity) {
        if (slots > (static_cast<std::size_t>(-1) >> 3)) return false;
        slots *= 2;
    }
    set->Keys = static_cast<std::uint32_t*>(std::malloc(slots * sizeof(std::uint32_t)));
    set->Used = static_cast<std::uint8_t*>(std::calloc(slots / 8, 1));
    set->Mask = slots - 1;
    if (!set->Keys || !set->Used) {
        DestroyChannelKeySet(set);
        return false;
    }
    return true;
}

void DestroyChannelKeySet(ChannelKeySet* set) {
    std::free(set->Keys);
    std::free(set->Used);
    set->Keys = nullptr;
    set->Used = nullptr;
    set->Mask = 0;
}

bool InsertChannelKey(ChannelKeySet* set, std::uint32_t key) {
    // Multiply and fold, so keys that differ only in a few bits spread out.
    std::uint32_t hash = key * 0x9E3779B1u;
    hash ^= hash >> 16;
    std::size_t slot = hash & set->Mask;
    for (;;) {
        const std::uint8_t bit = static_cast<std::uint8_t>(1u << (slot & 7));
        std::uint8_t& used = set->Used[slot >> 3];
        if (!(used & bit)) {
            used |= bit;
            set->Keys[slot] = key;
            return true;
        }
        if (set->Keys[slot] == key) return false;
        slot = (slot + 1) & set->Mask;
    }
}
