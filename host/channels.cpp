#include "host/channels.h"

#include <cstdio>
#include <cstring>

// Positions are tenths of a degree east. The table mixes Latin and Arabic
// names, satellites the plug-in knows and one it does not, a second channel
// with an identity already used (so the plug-in must refuse it), the same
// ChannelIdent on another satellite (a different channel), names the list
// file cannot hold as they are, a channel without a position and one whose
// record carries no service data.
const TestChannel kTestChannels[] = {
    {"Euronews", "HotBird", 8201, 11747000, 130, 1},
    {"Euronews HD", "the same channel as Euronews", 8201, 12597000, 130, 1},
    // Reads "Al Jazeera".
    {"\xc7\xe1\xcc\xd2\xed\xd1\xc9", "ArabSat 2A", 301, 11996000, 260, 1},
    // Reads "Nile Channel".
    {"\xde\xe4\xc7\xc9\x20\xc7\xe1\xe4\xed\xe1", "Nile Sat", 1101, 11938000, 3530, 1},
    // Reads "Al Arabiya"; same ChannelIdent as Al Jazeera, other satellite.
    {"\xc7\xe1\xda\xd1\xc8\xed\xc9", "Nile Sat; Al Jazeera's service number", 301, 12034000, 3530, 1},
    {"Das Erste", "Astra 1B-1H", 28106, 11836000, 192, 1},
    {"TV5 Monde", "EutelSat W3A", 4403, 11283000, 70, 1},
    {"Test Card", "a satellite unknown to the plug-in", 77, 10971000, 1234, 1},
    {"Documentary Channel International HD Plus", "a name too long for the list", 9105, 11013000, 130, 1},
    {"News [24]", "a name with brackets", 9106, 11013000, 130, 1},
    {"Radio Feed", "no position: nothing to add", 501, 10744000, 0, 1},
    {"Data Service", "no channel data: nothing to add", 502, 10744000, 192, 0},
};

const int kTestChannelCount = static_cast<int>(sizeof(kTestChannels) / sizeof(kTestChannels[0]));

void FillChannelRecord(const TestChannel& channel, ChannelRecord* record) {
    std::memset(record, 0, sizeof(*record));
    std::strncpy(record->ChannelName, channel.name, sizeof(record->ChannelName) - 1);
    record->TuneValue = channel.tuneValue;
    record->ChannelIdent = channel.ident;
    record->ValidWord = channel.validWord;
    record->RecPosition = channel.position;
}

void FormatPosition(std::uint32_t position, char* text, int size) {
    if (position == 0) {
        std::snprintf(text, static_cast<size_t>(size), "no position");
    } else if (position > 1800) {
        const unsigned west = 3600 - position;  // positions stay below 3600
        std::snprintf(text, static_cast<size_t>(size), "%u.%u W", west / 10, west % 10);
    } else {
        std::snprintf(text, static_cast<size_t>(size), "%u.%u E", position / 10, position % 10);
    }
}
