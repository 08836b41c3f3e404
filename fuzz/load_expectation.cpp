#include "load_expectation.h"

#include <cstring>
#include <set>

#include "channel_list/load_list.h"
#include "channel_list/satellite_names.h"
#include "fuzz_support.h"
#include "reference_grammar.h"
#include "shared/plugin_state.h"
#include "resources/resource.h"

LoadExpectation ExpectLoad(const std::string& before) {
    LoadExpectation expected{0, before, {TextCall(IDC_COUNT, "0")}, 0};
    const RefReading reading = RefReadAll(before, Grammar::Strict);
    if (reading.Lines.empty()) return expected;

    std::set<std::uint32_t> seen;
    std::string file;
    for (const RefLine& line : reading.Lines) {
        if (!seen.insert(RefKey(line.Code)).second) continue;  // a later line of a channel already kept
        file += RefCanonicalLine(line.Flag, line.Code, line.Name);
        std::uint16_t ident, position;
        RefDecode(line.Code, &ident, &position);
        const int row = expected.Rows++;
        expected.Calls.push_back(RowCall(row, line.Name));
        expected.Calls.push_back(Column1Call(row, SatelliteNameFor(position)));
        if (line.Flag != 0) expected.Calls.push_back(CheckCall(row));
    }
    expected.Calls.push_back(TextCall(IDC_COUNT, std::to_string(expected.Rows)));
    expected.File = file + before.substr(reading.TailStart);
    expected.Result = 1;
    return expected;
}

std::string LoadAndCheck(const std::string& before) {
    ResetFakeWindow();
    const int result = LoadChannelList();
    const LoadExpectation expected = ExpectLoad(before);

    Require(result == expected.Result, "load result",
            "got " + std::to_string(result) + ", expected " + std::to_string(expected.Result));
    std::string after;
    Require(ReadFileBytes(FuzzListPath(), &after), "the list file still exists");
    RequireSameBytes(after, expected.File, "rewritten file = canonical first lines + verbatim rest");
    RequireSameCalls(g_Fake.calls, expected.Calls, "rows shown = channels of the rewritten file");
    for (const WindowCall& call : g_Fake.calls) {
        Require(call.kind != WindowCall::InsertRow || call.text.size() <= 30,
                "no name longer than 30 bytes is stored", call.text);
    }
    Require(g_State.RowCount == expected.Rows, "RowCount = rows shown",
            std::to_string(g_State.RowCount) + " vs " + std::to_string(expected.Rows));
    // The count control shows the rows (checked with the calls); the count
    // buffer is formatted only when rows were read.
    if (expected.Rows > 0) {
        Require(std::strcmp(g_State.CountText, std::to_string(expected.Rows).c_str()) == 0,
                "count text = rows shown", g_State.CountText);
    }
    Require(FuzzDirectoryEntries() == std::vector<std::string>{"ChannelList.ini"},
            "no temporary file is left beside the list");
    return after;
}
