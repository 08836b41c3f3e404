// Fuzzes zelq-list's import. The first byte chooses what is fuzzed, the
// list's code page and a view; then:
//
// - a round trip (the byte even): the rest is a list. Its CSV, of every row
//   or of the view, with or without the header's view cell, imported back
//   must change nothing: "nothing to change", and the list byte for byte as
//   it was.
// - any CSV (the byte odd): the next two bytes give the list's length, then
//   the list, then the CSV's bytes. The import may refuse the CSV, and then
//   leaves the list as it was; whatever it does, every line of the list that
//   did not read is still there, in order, byte for byte, and still does not
//   read, and no temporary file is left.
#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

#include "fuzz_support.h"
#include "reference_grammar.h"
#include "zelq_list.h"

namespace {

const char* const kCodePages[] = {"1256", "1252", "1251", "1256"};

// No view, or a view of names holding a common text, or of a satellite.
const std::vector<std::string> kViews[] = {
    {}, {"--find", "a"}, {"--find", "tv"}, {"--satellite", "hotbird"},
};

int Run(const std::vector<std::string>& arguments, std::string* out, std::string* err) {
    std::vector<const char*> argv;
    for (const std::string& argument : arguments) argv.push_back(argument.c_str());
    std::ostringstream outStream;
    std::ostringstream errStream;
    const int status = RunZelqList(static_cast<int>(argv.size()), argv.data(), outStream, errStream, 0);
    *out = outStream.str();
    *err = errStream.str();
    return status;
}

std::string EntriesText(const std::vector<std::string>& names) {
    std::string text;
    for (const std::string& name : names) text += name + " ";
    return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    ResetForInput();
    const bool roundTrip = data[0] % 2 == 0;
    const std::string codePage = kCodePages[(data[0] >> 1) % 4];
    const std::vector<std::string>& view = kViews[(data[0] >> 3) % 4];
    const std::string csvPath = FuzzDirectory() + "/rows.csv";
    const std::vector<std::string> program = {"zelq-list", "--list", FuzzListPath(), "--codepage", codePage};

    std::string list;
    std::string csv;
    if (roundTrip) {
        list.assign(reinterpret_cast<const char*>(data) + 1, size - 1);
    } else {
        if (size < 3) return 0;
        const std::size_t rest = size - 3;
        const std::size_t length = (data[1] | static_cast<std::size_t>(data[2]) << 8) % (rest + 1);
        list.assign(reinterpret_cast<const char*>(data) + 3, length);
        csv.assign(reinterpret_cast<const char*>(data) + 3 + length, rest - length);
    }
    WriteFileBytes(FuzzListPath(), list);
    std::string out;
    std::string err;
    if (roundTrip) {
        std::vector<std::string> show = program;
        show.insert(show.end(), {"show", "--format", "csv"});
        show.insert(show.end(), view.begin(), view.end());
        Require(Run(show, &csv, &err) == 0, "show --format csv succeeds", err);
        if ((data[0] >> 5) & 1) {
            // The view cell deleted, as a tidy spreadsheet user may: the
            // rows the CSV does not hold stay.
            const std::size_t end = csv.find("\r\n");
            const std::size_t cell = csv.rfind(",\"view:", end);
            Require(end != std::string::npos && cell != std::string::npos, "the header records its view", csv);
            csv.erase(cell, end - cell);
        }
    }
    WriteFileBytes(csvPath, csv);

    std::vector<std::string> import = program;
    import.insert(import.end(), {"import", csvPath});
    const int status = Run(import, &out, &err);
    std::string after;
    Require(ReadFileBytes(FuzzListPath(), &after), "the list still exists");
    if (roundTrip) {
        const std::string nothing = FuzzListPath() + ": nothing to change\n";
        Require(status == 0 && out.find(nothing) != std::string::npos,
                "the list's own CSV imported back changes nothing", out + err + "\n" + Printable(csv));
        RequireSameBytes(after, list, "the list after importing its own CSV");
    } else {
        Require(status == 0 || status == 2, "import succeeds or refuses", std::to_string(status) + ": " + err);
        if (status != 0) RequireSameBytes(after, list, "the list after a refused import");
        Require(ReadRowsAndUnreadable(after).Unreadable == ReadRowsAndUnreadable(list).Unreadable,
                "every unreadable line stays, in order, and still does not read", Printable(after));
    }
    const std::vector<std::string> entries = FuzzDirectoryEntries();
    Require(entries == std::vector<std::string>{"ChannelList.ini", "ChannelList.lck", "rows.csv"} ||
                entries == std::vector<std::string>{"ChannelList.ini", "rows.csv"},
            "no temporary file is left beside the list", EntriesText(entries));
    return 0;
}
