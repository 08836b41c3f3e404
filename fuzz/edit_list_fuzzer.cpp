// Fuzzes zelq-list's edits on a list of arbitrary bytes: the first bytes
// choose an edit (remove, move, rename, flag or sort a row) and its rows, the
// rest is the list.
//
// After the edit the rows, read back by an independent reading of the
// format, must be exactly the rows before with that one change, and every
// line that did not read must still be there, in order, and still not read.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

#include "fuzz_support.h"
#include "reference_grammar.h"
#include "zelq_list.h"

namespace {

long Longitude(const ListRow& row) {
    std::uint16_t ident, position;
    RefDecode(reinterpret_cast<const std::uint8_t*>(row.Code.data()), &ident, &position);
    return position > 1800 && position < 3600 ? static_cast<long>(position) - 3600 : position;
}

std::uint16_t Ident(const ListRow& row) {
    std::uint16_t ident, position;
    RefDecode(reinterpret_cast<const std::uint8_t*>(row.Code.data()), &ident, &position);
    return ident;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 3) return 0;
    ResetForInput();
    const std::string input(reinterpret_cast<const char*>(data) + 3, size - 3);
    const ListReading before = ReadRowsAndUnreadable(input);
    if (before.Rows.empty()) return 0;
    const std::size_t count = before.Rows.size();
    const std::size_t row = data[1] % count;
    const std::size_t to = data[2] % count;
    const std::string rowText = std::to_string(row + 1);

    std::vector<std::string> arguments = {"zelq-list", "--list", FuzzListPath()};
    std::vector<ListRow> expected = before.Rows;
    switch (data[0] % 6) {
    case 0:
        arguments.insert(arguments.end(), {"remove", rowText});
        expected.erase(expected.begin() + static_cast<std::ptrdiff_t>(row));
        break;
    case 1: {
        arguments.insert(arguments.end(), {"move", rowText, std::to_string(to + 1)});
        const ListRow moved = expected[row];
        expected.erase(expected.begin() + static_cast<std::ptrdiff_t>(row));
        expected.insert(expected.begin() + static_cast<std::ptrdiff_t>(to), moved);
        break;
    }
    case 2:
        arguments.insert(arguments.end(), {"rename", rowText, "Renamed"});
        expected[row].Name = "Renamed";
        break;
    case 3:
        arguments.insert(arguments.end(), {"flag", rowText, "off"});
        expected[row].Flag = 0;
        break;
    case 4:
        arguments.insert(arguments.end(), {"flag", rowText, "on"});
        if (expected[row].Flag == 0) expected[row].Flag = 1;
        break;
    case 5:
        arguments.insert(arguments.end(), {"sort", "--by", "ident"});
        std::stable_sort(expected.begin(), expected.end(), [](const ListRow& a, const ListRow& b) {
            if (Ident(a) != Ident(b)) return Ident(a) < Ident(b);
            return Longitude(a) < Longitude(b);
        });
        break;
    }

    WriteFileBytes(FuzzListPath(), input);
    std::vector<const char*> argv;
    for (const std::string& argument : arguments) argv.push_back(argument.c_str());
    std::ostringstream out;
    std::ostringstream err;
    const int status = RunZelqList(static_cast<int>(argv.size()), argv.data(), out, err, 0);
    Require(status == 0, "the edit succeeds", arguments[3] + ": " + err.str());

    std::string after;
    Require(ReadFileBytes(FuzzListPath(), &after), "the list still exists");
    const ListReading reading = ReadRowsAndUnreadable(after);
    Require(reading.Rows.size() == expected.size(), "the edit leaves the expected number of rows",
            std::to_string(reading.Rows.size()) + " vs " + std::to_string(expected.size()) + "\n" +
                Printable(after));
    for (std::size_t i = 0; i < expected.size(); ++i) {
        Require(reading.Rows[i] == expected[i], "every row is the expected one",
                "row " + std::to_string(i + 1) + ": " + Printable(reading.Rows[i].Name) + " vs " +
                    Printable(expected[i].Name) + "\n" + Printable(after));
    }
    Require(reading.Unreadable == before.Unreadable, "every unreadable line stays, in order, and still does not read",
            Printable(after));
    Require(FuzzDirectoryEntries() == std::vector<std::string>{"ChannelList.ini", "ChannelList.lck"},
            "no temporary file is left beside the list");
    return 0;
}
