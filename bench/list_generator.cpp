#include "list_generator.h"

#include <cstdio>
#include <unordered_set>
#include <vector>

#include "channel_list/entry_code.h"
#include "channel_list/satellite_names.h"

namespace {

// xorshift64*: small, fast and the same on every platform.
struct Random {
    std::uint64_t state;
    std::uint32_t Next() {
        state ^= state >> 12;
        state ^= state << 25;
        state ^= state >> 27;
        return static_cast<std::uint32_t>((state * 0x2545F4914F6CDD1DULL) >> 32);
    }
    std::uint32_t Below(std::uint32_t bound) { return Next() % bound; }
};

const char* const kBrands[] = {
    "Al Jazeera", "BBC", "CNN", "MBC", "Rotana", "Nile", "Sky", "Euro", "Dubai", "Abu Dhabi",
    "Arte", "Rai", "TRT", "Fox", "National Geographic", "Discovery", "Al Arabiya", "Cartoon",
    "Fashion", "Zee", "Iqraa", "Al Majd", "Sharjah", "Oman", "Qatar", "Kuwait", "Bahrain",
    "Jordan", "Syria", "Libya", "Tunisia", "Algeria", "Maroc", "ESC", "Melody", "Mazzika",
    "Panorama", "Dream", "Al Hayat", "ART", "Showtime", "Orbit", "Bloomberg", "CNBC",
};
const char* const kKinds[] = {"", " News", " Sport", " Drama", " Cinema", " Music", " Kids",
                              " Movies", " Life", " Plus", " Aflam", " Hekayat"};
const char* const kTails[] = {"", "", " 1", " 2", " 3", " HD", " 24", " International", " +2"};

template <typename T, std::size_t N>
const T& Pick(Random& random, const T (&items)[N]) {
    return items[random.Below(N)];
}

std::string MakeName(Random& random) {
    std::string name = std::string(Pick(random, kBrands)) + Pick(random, kKinds) + Pick(random, kTails);
    if (name.size() > 25) name.resize(25);
    while (!name.empty() && name.back() == ' ') name.pop_back();
    if (name.size() < 5) name += " TV";
    return name;
}

struct Channel {
    std::uint16_t Ident;
    std::uint16_t Position;
};

std::string FormatGenerated(Random& random, const Channel& channel) {
    const std::uint32_t tuneValue = (10700 + random.Below(2050)) * 1000;
    const EntryCode code = EncodeEntryCode(channel.Ident, channel.Position, tuneValue);
    const unsigned flag = random.Below(10) == 0 ? 0 : 1;
    const std::string name = MakeName(random);
    const std::uint8_t* b = code.Bytes;
    char line[128];
    const unsigned style = random.Below(100);
    if (style < 80) {
        std::snprintf(line, sizeof line, "[ %X %02X%02X%02X%02X%02X%02X ] [%s]\r\n", flag, b[0], b[1],
                      b[2], b[3], b[4], b[5], name.c_str());
    } else if (style < 88) {
        std::snprintf(line, sizeof line, "[ %x %02x%02x%02x%02x%02x%02x ] [%s]\r\n", flag, b[0], b[1],
                      b[2], b[3], b[4], b[5], name.c_str());
    } else if (style < 95) {
        std::snprintf(line, sizeof line, "  [  %X  %02X%02x %02X%02X  %02x%02X ]  [%s]\r\n", flag, b[0],
                      b[1], b[2], b[3], b[4], b[5], name.c_str());
    } else {
        std::snprintf(line, sizeof line, "[ %X %02X%02X%02X%02X%02X%02X ] [%s]\n", flag, b[0], b[1],
                      b[2], b[3], b[4], b[5], name.c_str());
    }
    return line;
}

}  // namespace

std::string GenerateChannelList(std::size_t lines) {
    Random random{0x5EED0000ULL + lines};
    std::vector<Channel> channels;
    std::unordered_set<std::uint32_t> keys;
    std::string list;
    list.reserve(lines * 48);
    for (std::size_t i = 0; i < lines; ++i) {
        if (!channels.empty() && random.Below(10) == 0) {
            list += FormatGenerated(random, channels[random.Below(static_cast<std::uint32_t>(channels.size()))]);
            continue;
        }
        Channel channel;
        do {
            channel.Ident = static_cast<std::uint16_t>(1 + random.Below(0xFFFF));
            // One channel in twenty sits at a position the table does not know.
            channel.Position = random.Below(20) == 0
                                   ? static_cast<std::uint16_t>(1 + random.Below(3599))
                                   : SatelliteTablePosition(random.Below(static_cast<std::uint32_t>(SatelliteTableSize())));
        } while (!keys.insert(std::uint32_t{channel.Ident} << 16 | channel.Position).second);
        channels.push_back(channel);
        list += FormatGenerated(random, channel);
    }
    return list;
}
