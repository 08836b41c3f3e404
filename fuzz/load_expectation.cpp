#include "load_expectation.h"

#include <cstring>
#include <set>

#include "channel_list/load_list.h"
#include "channel_list/satellite_names.h"
#include "fuzz_support.h"
#include "reference_grammar.h"
#include "resources/resource.h"
#include "shared/plugin_state.h"

LoadExpectation ExpectLoad(const std::string& before) {
    LoadExpectation expected{0, before, {TextCall(IDC_COUNT, "0")}, {}};
    const std::vector<RefItem> items = RefReadAll(before);

    std::set<std::uint32_t> seen;
    const bool byteOrderMark = RefHasByteOrderMark(before);
    std::string file = byteOrderMark ? before.substr(0, 3) : "";
    // Every line starts on a line of text of its own, unless it shared one
    // with the line kept just before it in the file too.
    std::size_t lastKeptEnd = std::string::npos;
    const auto write = [&](const std::string& text, const RefItem* keptItem) {
        const bool atLineStart = file.size() == (byteOrderMark ? 3u : 0u) || file.back() == '\n' || file.back() == '\r';
        if (!atLineStart && !(keptItem && keptItem->Start == lastKeptEnd)) file += "\r\n";
        file += text;
        lastKeptEnd = keptItem ? keptItem->End : std::string::npos;
    };
    for (const RefItem& item : items) {
        const std::string kept = before.substr(item.Start, item.End - item.Start);
        if (item.Kind == RefKind::Unreadable) {
            // Such a line that begins like a byte-order mark does not move to
            // the very start: the white space before it stays.
            if (&item == &items.front() && !byteOrderMark && RefHasByteOrderMark(kept)) {
                file += before.substr(0, item.Start);
            }
            write(kept, &item);
            continue;
        }
        if (!seen.insert(RefKey(item.Code)).second) continue;  // a later line of a channel already shown
        const std::string canonical = RefCanonicalLine(item.Flag, item.Code, item.Name);
        if (item.Kind == RefKind::LongName || kept == canonical) {
            write(kept, &item);
        } else {
            write(canonical, nullptr);
        }
        std::uint16_t ident, position;
        RefDecode(item.Code, &ident, &position);
        const int row = static_cast<int>(expected.Keys.size());
        expected.Keys.push_back(RefKey(item.Code));
        expected.Calls.push_back(RowCall(row, item.Name.substr(0, 30)));
        expected.Calls.push_back(Column1Call(row, SatelliteNameFor(position)));
        if (item.Flag != 0) expected.Calls.push_back(CheckCall(row));
    }
    if (expected.Keys.empty()) return expected;
    expected.Calls.push_back(TextCall(IDC_COUNT, std::to_string(expected.Keys.size())));
    expected.File = file;
    expected.Result = 1;
    return expected;
}

LoadExpectation LoadAndCheck(const std::string& before) {
    ResetFakeWindow();
    g_State.RowCount = 0;
    const int result = LoadChannelList();
    const LoadExpectation expected = ExpectLoad(before);
    const int rows = static_cast<int>(expected.Keys.size());

    Require(result == expected.Result, "load result",
            "got " + std::to_string(result) + ", expected " + std::to_string(expected.Result));
    std::string after;
    Require(ReadFileBytes(FuzzListPath(), &after), "the list file still exists");
    RequireSameBytes(after, expected.File,
                     "every line is rewritten, dropped as a later duplicate of a shown line, or kept byte for byte");
    RequireSameCalls(g_Fake.calls, expected.Calls, "the rows are the first line of every channel, in order");
    for (const WindowCall& call : g_Fake.calls) {
        Require(call.kind != WindowCall::InsertRow || call.text.size() <= 30,
                "no name longer than 30 bytes is stored", call.text);
    }
    Require(g_State.RowCount == rows, "RowCount = rows shown",
            std::to_string(g_State.RowCount) + " vs " + std::to_string(rows));
    // The count control shows the rows (checked with the calls); the count
    // buffer is formatted only when rows were read.
    if (rows > 0) {
        Require(std::strcmp(g_State.CountText, std::to_string(rows).c_str()) == 0, "count text = rows shown",
                g_State.CountText);
    }
    Require(FuzzDirectoryEntries() == std::vector<std::string>{"ChannelList.ini", "ChannelList.lck"},
            "no temporary file is left beside the list");
    return expected;
}
