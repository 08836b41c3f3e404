// The channels Vistrox offers to tune, and the ChannelRecord it hands the
// plug-in for each.
#ifndef ZELQ_HOST_CHANNELS_H
#define ZELQ_HOST_CHANNELS_H

#include <cstdint>

#include "shared/host_api.h"

struct TestChannel {
    const char* name;        // Windows-1256 bytes, as a viewer on an Arabic system passes them
    const char* note;        // what the channel is there to try out
    std::uint16_t ident;     // ChannelIdent
    std::uint32_t tuneValue; // TuneValue (transponder frequency in kHz)
    std::uint32_t position;  // orbital position: RecPosition and the query's answer
    std::uint16_t validWord; // ValidWord; 0 means the record has no service data
};

extern const TestChannel kTestChannels[];
extern const int kTestChannelCount;

// A full record for the channel: every byte zero except the name (cut to fit
// its field, always NUL-terminated), TuneValue, ChannelIdent, ValidWord and
// RecPosition.
void FillChannelRecord(const TestChannel& channel, ChannelRecord* record);

// The position as the viewer shows it, e.g. "13.0 E" or "7.0 W" (3530).
void FormatPosition(std::uint32_t position, char* text, int size);

#endif  // ZELQ_HOST_CHANNELS_H
