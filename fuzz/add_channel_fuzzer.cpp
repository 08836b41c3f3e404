// Fuzzes adding the current channel to a list file of arbitrary bytes.
//
// Input: a 13-byte header, then the host's channel name, then the file.
//   0-1 ChannelIdent, 2-5 position (the record's RecPosition and the host's
//   answer), 6-9 TuneValue, 10 switches (bit 0: the host is the viewer and is
//   asked; bit 1: ValidWord is 0; bit 2: there is no list file; bit 3: the
//   channel is that of a line of the file, picked by the ident, so that lines
//   already listed in every spelling of their code come up often), 11 name
//   length (modulo 93; 92 fills the field with no NUL), 12 RowCount before.
//
// The add must refuse exactly the channels the load shows a row for (the
// first line of a channel that reads, wherever it stands), leaving the file
// alone; and otherwise append one canonical line with the fitted name on a
// line of its own and show it. Pressing the button again for the same channel
// must be refused, and the next load must show the new channel as its last
// row, with the name the add showed.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "channel_list/add_channel.h"
#include "channel_list/satellite_names.h"
#include "fuzz_support.h"
#include "load_expectation.h"
#include "reference_grammar.h"
#include "shared/arabic_texts.h"
#include "shared/plugin_state.h"
#include "resources/resource.h"

namespace {

constexpr std::size_t kHeaderSize = 13;

std::uint32_t Little(const std::uint8_t* p, int bytes) {
    std::uint32_t value = 0;
    for (int i = bytes - 1; i >= 0; --i) value = value * 256 + p[i];
    return value;
}

// The channels the load shows a row for.
std::vector<std::uint32_t> ShownKeys(const std::string& file) {
    std::vector<std::uint32_t> keys;
    for (const RefItem& item : RefReadAll(file)) {
        if (item.Kind != RefKind::Unreadable) keys.push_back(RefKey(item.Code));
    }
    return keys;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < kHeaderSize) return 0;
    ResetForInput();

    std::uint16_t ident = static_cast<std::uint16_t>(Little(data, 2));
    std::uint32_t position = Little(data + 2, 4);
    const std::uint32_t tuneValue = Little(data + 6, 4);
    const bool hostMatched = data[10] & 1;
    const bool valid = !(data[10] & 2);
    const bool fileExists = !(data[10] & 4);
    std::size_t nameLength = data[11] % 93;
    const int rowsBefore = data[12];
    if (nameLength > size - kHeaderSize) nameLength = size - kHeaderSize;
    // With no list file the rest of the input is not used.
    const std::string before =
        fileExists ? std::string(reinterpret_cast<const char*>(data) + kHeaderSize + nameLength,
                                 size - kHeaderSize - nameLength)
                   : std::string();

    if (data[10] & 8) {
        std::vector<RefItem> lines;
        for (const RefItem& item : RefReadAll(before)) {
            if (item.Kind != RefKind::Unreadable) lines.push_back(item);
        }
        if (!lines.empty()) {
            const RefItem& line = lines[ident % lines.size()];
            std::uint16_t position16;
            RefDecode(line.Code, &ident, &position16);
            position = (position & 0xFFFF0000u) | position16;
        }
    }

    ChannelRecord& record = g_State.CurrentChannel;
    std::memcpy(record.ChannelName, data + kHeaderSize, nameLength);
    record.ChannelIdent = ident;
    record.TuneValue = tuneValue;
    record.ValidWord = valid ? 0x100 : 0;
    record.RecPosition = hostMatched ? ~position : position;
    g_State.HostMatched = hostMatched;
    g_State.RowCount = rowsBefore;
    g_Fake.hostAnswer = position;
    if (fileExists) WriteFileBytes(FuzzListPath(), before);

    const int result = AddCurrentChannel();

    std::vector<WindowCall> expectedCalls;
    if (valid && hostMatched) expectedCalls.push_back(QueryCall());
    const bool positionKnown = (position & 0xFFFF) != 0;
    std::string after;
    const bool existsAfter = ReadFileBytes(FuzzListPath(), &after);
    if (!valid || !positionKnown) {
        expectedCalls.push_back(ArabicTextCall(IDC_STATUS, valid ? kTextNoPosition : kTextNoChannel));
        Require(result == 0, "no channel or no position: nothing is added");
        RequireSameCalls(g_Fake.calls, expectedCalls, "no channel or no position: the query, then why not");
        Require(existsAfter == fileExists && after == (fileExists ? before : ""),
                "no channel or no position: the file is not touched");
        return 0;
    }
    if (hostMatched) {
        Require(g_Fake.queries.size() == 1 && g_Fake.queries[0].Size == 208,
                "the position query carries its size");
        Require(record.RecPosition == position, "the host's answer is kept in the record");
    }

    std::uint8_t code[6];
    RefEncode(ident, position, tuneValue, code);
    const std::uint32_t key = RefKey(code);
    const std::vector<std::uint32_t> shown = ShownKeys(before);
    const bool listed = std::find(shown.begin(), shown.end(), key) != shown.end();
    if (listed) {
        expectedCalls.push_back(ArabicTextCall(IDC_STATUS, kTextAlreadyInList));
        Require(result == 0, "a channel the load shows is refused");
        RequireSameCalls(g_Fake.calls, expectedCalls, "a listed channel: only the status text");
        RequireSameBytes(after, before, "a listed channel leaves the file alone");
        Require(g_State.RowCount == rowsBefore, "a listed channel adds no row");
        return 0;
    }

    const std::string name = RefFitName(record.ChannelName, sizeof record.ChannelName);
    const bool needsBreak = !before.empty() && before.back() != '\n' && before.back() != '\r';
    const std::string appended = (needsBreak ? "\r\n" : "") + RefCanonicalLine(1, code, name);
    Require(result == 1, "a new channel is added");
    Require(existsAfter, "adding creates the list file");
    RequireSameBytes(after, before + appended, "the new line is appended on a line of its own");
    expectedCalls.push_back(ArabicTextCall(IDC_STATUS, kTextAdded));
    expectedCalls.push_back(RowCall(rowsBefore, name));
    expectedCalls.push_back(Column1Call(rowsBefore, SatelliteNameFor(position)));
    expectedCalls.push_back(VisibleCall(rowsBefore));
    expectedCalls.push_back(TextCall(IDC_COUNT, std::to_string(rowsBefore + 1)));
    RequireSameCalls(g_Fake.calls, expectedCalls, "an added channel is shown as the last row");
    Require(g_State.RowCount == rowsBefore + 1, "RowCount grows by one");

    // The same button again.
    ResetFakeWindow();
    g_Fake.hostAnswer = position;
    const int again = AddCurrentChannel();
    std::string afterAgain;
    ReadFileBytes(FuzzListPath(), &afterAgain);
    Require(again == 0, "pressing add twice for the same channel appends one line", "name \"" + Printable(name) + "\"");
    RequireSameBytes(afterAgain, after, "a second press leaves the file alone");

    // The next start shows the new channel last, with the name the add showed.
    const LoadExpectation load = LoadAndCheck(afterAgain);
    const WindowCall* lastRow = nullptr;
    for (const WindowCall& call : g_Fake.calls) {
        if (call.kind == WindowCall::InsertRow) lastRow = &call;
    }
    Require(!load.Keys.empty() && load.Keys.back() == key && lastRow && lastRow->text == name,
            "a channel the add reports as added has its row after the next load", "name \"" + Printable(name) + "\"");
    return 0;
}
