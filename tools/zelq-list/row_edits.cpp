// The commands that change the list's rows: remove, move, rename, flag, sort
// and merge. Each plans its edit and tells what it did (see edit_session.h).
#include <algorithm>
#include <cstring>
#include <ostream>

#include "channel_list/entry_code.h"
#include "channel_list/position_text.h"
#include "channel_list/satellite_names.h"
#include "edit_session.h"
#include "name_text.h"
#include "read_list.h"
#include "row_text.h"
#include "zelq_list.h"

namespace {

bool PlanRemove(const EditSession& session, const void* input, EditPlan* plan, std::string* error) {
    const auto& rows = *static_cast<const std::vector<std::string>*>(input);
    for (const std::string& text : rows) {
        std::vector<bool> named;
        if (!ParseRows(text, session.Index.RowCount, &named, error)) return false;
        for (std::size_t row = 0; row < named.size(); ++row) {
            if (named[row]) plan->AtPlace[row] = PlannedRow();
        }
    }
    return true;
}

void DescribeRemove(const EditSession& session, const EditPlan& plan, const void*, std::ostream& out) {
    for (std::size_t row = 0; row < plan.AtPlace.size(); ++row) {
        if (plan.AtPlace[row].Empty()) {
            out << RowAt(session, row) << "remove row " << row + 1 << ": " << ShownRowLine(session, row) << '\n';
        }
    }
}

struct MoveInput {
    const std::string& Row;
    const std::string& To;
};

bool ParseMove(const EditSession& session, const MoveInput& move, std::size_t* row, std::size_t* to,
               std::string* error) {
    return ParseRow(move.Row, session.Index.RowCount, row, error) &&
           ParseRow(move.To, session.Index.RowCount, to, error);
}

bool PlanMove(const EditSession& session, const void* input, EditPlan* plan, std::string* error) {
    std::size_t row;
    std::size_t to;
    if (!ParseMove(session, *static_cast<const MoveInput*>(input), &row, &to, error)) return false;
    std::vector<PlannedRow>& order = plan->AtPlace;
    const PlannedRow moved = order[row];
    order.erase(order.begin() + static_cast<std::ptrdiff_t>(row));
    order.insert(order.begin() + static_cast<std::ptrdiff_t>(to), moved);
    return true;
}

void DescribeMove(const EditSession& session, const EditPlan&, const void* input, std::ostream& out) {
    std::size_t row;
    std::size_t to;
    std::string error;
    if (!ParseMove(session, *static_cast<const MoveInput*>(input), &row, &to, &error) || row == to) return;
    out << RowAt(session, row) << "move row " << row + 1 << " to row " << to + 1 << ": " << ShownRowLine(session, row)
        << '\n';
}

struct RenameInput {
    const std::string& Row;
    const std::string& Name;
};

bool PlanRename(const EditSession& session, const void* input, EditPlan* plan, std::string* error) {
    const RenameInput& rename = *static_cast<const RenameInput*>(input);
    std::size_t row;
    std::string name;
    if (!ParseRow(rename.Row, session.Index.RowCount, &row, error) ||
        !ListName(rename.Name, session.Page, &name, error)) {
        return false;
    }
    if (name == WholeRowName(session.Index, row)) return true;  // the same name: nothing changes
    const IndexRow& fields = session.Index.Rows[row];
    plan->AtPlace[row].NewLine = plan->AddLine(FormattedLine(fields.Flag, fields.Code, name));
    return true;
}

void DescribeRename(const EditSession& session, const EditPlan& plan, const void*, std::ostream& out) {
    DescribeRewrittenRows(session, plan, "rename", "", out);
}

struct FlagInput {
    const std::string& Rows;
    bool On;
};

bool PlanFlag(const EditSession& session, const void* input, EditPlan* plan, std::string* error) {
    const FlagInput& flag = *static_cast<const FlagInput*>(input);
    std::vector<bool> rows;
    if (!ParseRows(flag.Rows, session.Index.RowCount, &rows, error)) return false;
    for (std::size_t row = 0; row < rows.size(); ++row) {
        const IndexRow& fields = session.Index.Rows[row];
        if (!rows[row] || (fields.Flag != 0) == flag.On) continue;  // already so: any non-zero flag is a check mark
        // A name over 30 bytes is written whole: the list keeps such lines as
        // they are, and the flag must not cut the name.
        plan->AtPlace[row].NewLine =
            plan->AddLine(FormattedLine(flag.On ? 1 : 0, fields.Code, WholeRowName(session.Index, row)));
    }
    return true;
}

void DescribeFlag(const EditSession& session, const EditPlan& plan, const void* input, std::ostream& out) {
    DescribeRewrittenRows(session, plan, "flag", static_cast<const FlagInput*>(input)->On ? " on" : " off", out);
}

bool PlanSort(const EditSession& session, const void* input, EditPlan* plan, std::string*) {
    const SortKey key = *static_cast<const SortKey*>(input);
    const ListIndex& index = session.Index;
    const std::size_t count = index.RowCount;
    // The keys of every row: numbers, and for names their folded text in
    // one buffer (a large list's keys are not a string each). Only the keys
    // the order needs are held.
    std::vector<long> first(key == kSortByName ? 0 : count);
    std::vector<long> second(key == kSortByIdent ? count : 0);
    std::string texts;
    std::vector<std::uint32_t> textStart(key == kSortByName || key == kSortBySatellite ? count + 1 : 0);
    for (std::size_t row = 0; row < count; ++row) {
        const std::uint8_t* const code = index.Rows[row].Code;
        const DecodedCode decoded = DecodeEntryCode(code[0], code[1], code[2], code[3]);
        const long longitude = PositionLongitude(decoded.SatPosition);
        switch (key) {
        case kSortByName:
            textStart[row] = static_cast<std::uint32_t>(texts.size());
            texts += FoldName(NameToUtf8(session.Page, RowName(index, row), RowShownNameLength(index, row)));
            break;
        case kSortBySatellite:
            textStart[row] = static_cast<std::uint32_t>(texts.size());
            texts += FoldName(SatelliteNameFor(decoded.SatPosition));
            first[row] = longitude;
            break;
        case kSortByPosition:
            first[row] = longitude;
            break;
        case kSortByIdent:
            first[row] = decoded.ChannelIdent;
            second[row] = longitude;
            break;
        }
    }
    if (!textStart.empty()) textStart[count] = static_cast<std::uint32_t>(texts.size());
    const auto text = [&](std::size_t row) { return texts.substr(textStart[row], textStart[row + 1] - textStart[row]); };
    std::vector<std::uint32_t> order(count);
    for (std::size_t row = 0; row < count; ++row) order[row] = static_cast<std::uint32_t>(row);
    std::stable_sort(order.begin(), order.end(), [&](std::uint32_t a, std::uint32_t b) {
        if (!textStart.empty()) {
            const int byText = CompareFoldedNames(text(a), text(b));
            if (byText != 0) return byText < 0;
        }
        if (!first.empty() && first[a] != first[b]) return first[a] < first[b];
        if (!second.empty() && second[a] != second[b]) return second[a] < second[b];
        if (key != kSortByName) return false;
        // Names that fold alike: their bytes decide (as shown, 30 at most).
        const std::size_t lengthA = RowShownNameLength(index, a);
        const std::size_t lengthB = RowShownNameLength(index, b);
        const int bytes = std::memcmp(RowName(index, a), RowName(index, b), std::min(lengthA, lengthB));
        return bytes != 0 ? bytes < 0 : lengthA < lengthB;
    });
    for (std::size_t place = 0; place < count; ++place) plan->AtPlace[place].OldRow = order[place];
    return true;
}

void DescribeSort(const EditSession& session, const EditPlan& plan, const void*, std::ostream& out) {
    for (std::size_t place = 0; place < plan.AtPlace.size(); ++place) {
        const std::size_t row = plan.AtPlace[place].OldRow;
        if (row == place) continue;
        out << RowAt(session, row) << "row " << row + 1 << " becomes row " << place + 1 << ": "
            << ShownRowLine(session, row) << '\n';
    }
}

bool PlanMerge(const EditSession& session, const void* input, EditPlan* plan, std::string* error) {
    const auto& files = *static_cast<const std::vector<std::string>*>(input);
    // The other lists are read line by line, one at a time, with no index:
    // the channels the list shows are found through its own index, and those
    // added from the lists before in a sorted array of their keys.
    std::vector<std::uint32_t> added;
    for (std::size_t f = 0; f < files.size(); ++f) {
        const std::string& file = files[f];
        FileBytes bytes;
        if (!ReadListBytes(file, &bytes, error)) return false;
        // Each channel of the list that is new, once, in a sorted array. A
        // first reading finds them, so that the arrays of added rows are sized
        // once; the second adds the first line of each.
        std::vector<std::uint32_t> fresh;
        std::size_t freshBytes = 0;
        ListLine line;
        bool anyLine = false;
        for (LineReader reader = MakeLineReader(bytes.Data, bytes.Size); NextListLine(&reader, &line);) {
            if (line.Kind == kLineUnreadable) continue;
            anyLine = true;
            const std::uint32_t key = ChannelKey(line.Entry.Code);
            std::size_t shown;
            if (!FindChannelRow(session.Index, key, &shown) && !std::binary_search(added.begin(), added.end(), key)) {
                fresh.push_back(key);
                freshBytes += kMaxLineLength - kMaxNameLength + line.NameLength;
            }
        }
        if (!anyLine) {
            // A CSV, or any other file given by mistake.
            FreeFileBytes(&bytes);
            *error = file + " holds no line of a channel list; merge adds the channels of other lists (import reads "
                            "a CSV)";
            return false;
        }
        std::sort(fresh.begin(), fresh.end());
        fresh.erase(std::unique(fresh.begin(), fresh.end()), fresh.end());
        std::vector<bool> taken(fresh.size(), false);
        plan->Added.reserve(plan->Added.size() + fresh.size());
        plan->Sources.reserve(plan->Sources.size() + fresh.size());
        plan->LineStarts.reserve(plan->LineStarts.size() + fresh.size());
        plan->LineBytes.reserve(plan->LineBytes.size() + freshBytes);
        const std::uint32_t source = static_cast<std::uint32_t>(plan->SourceFiles.size());
        plan->SourceFiles.push_back(file);
        for (LineReader reader = MakeLineReader(bytes.Data, bytes.Size); NextListLine(&reader, &line);) {
            if (line.Kind == kLineUnreadable) continue;
            const auto found = std::lower_bound(fresh.begin(), fresh.end(), ChannelKey(line.Entry.Code));
            if (found == fresh.end() || *found != ChannelKey(line.Entry.Code)) continue;
            const std::size_t at = static_cast<std::size_t>(found - fresh.begin());
            if (taken[at]) continue;
            taken[at] = true;
            // A name over 30 bytes goes whole, on a line of its own.
            PlannedRow planned;
            planned.NewLine = plan->AddLine(
                FormattedLine(line.Entry.Flag, line.Entry.Code, std::string(line.Name, line.NameLength)));
            planned.Source = plan->AddSource(source, static_cast<std::uint32_t>(line.LineNumber));
            plan->Added.push_back(planned);
        }
        FreeFileBytes(&bytes);
        // The keys, for the lists after this one.
        if (f + 1 < files.size()) {
            const std::size_t before = added.size();
            added.insert(added.end(), fresh.begin(), fresh.end());
            std::inplace_merge(added.begin(), added.begin() + static_cast<std::ptrdiff_t>(before), added.end());
        }
    }
    return true;
}

void DescribeMerge(const EditSession& session, const EditPlan& plan, const void*, std::ostream& out) {
    for (std::size_t i = 0; i < plan.Added.size(); ++i) {
        const RowSource& source = plan.Sources[plan.Added[i].Source];
        out << At(plan.SourceFiles[source.File], source.Line) << "add as row " << session.Index.RowCount + i + 1
            << ": " << ShownText(session.Page, plan.Line(plan.Added[i].NewLine)) << '\n';
    }
}

}  // namespace

int RemoveRows(const ListOptions& options, const std::vector<std::string>& rows, std::ostream& out,
               std::ostream& err) {
    return RunEdit(options, false, EditCommand{&PlanRemove, &DescribeRemove, &rows}, out, err);
}

int MoveRow(const ListOptions& options, const std::string& row, const std::string& to, std::ostream& out,
            std::ostream& err) {
    const MoveInput input{row, to};
    return RunEdit(options, false, EditCommand{&PlanMove, &DescribeMove, &input}, out, err);
}

int RenameRow(const ListOptions& options, const std::string& row, const std::string& name, std::ostream& out,
              std::ostream& err) {
    const RenameInput input{row, name};
    return RunEdit(options, false, EditCommand{&PlanRename, &DescribeRename, &input}, out, err);
}

int FlagRows(const ListOptions& options, const std::string& rows, bool on, std::ostream& out, std::ostream& err) {
    const FlagInput input{rows, on};
    return RunEdit(options, false, EditCommand{&PlanFlag, &DescribeFlag, &input}, out, err);
}

int SortRows(const ListOptions& options, SortKey key, std::ostream& out, std::ostream& err) {
    return RunEdit(options, false, EditCommand{&PlanSort, &DescribeSort, &key}, out, err);
}

int MergeLists(const ListOptions& options, const std::vector<std::string>& files, std::ostream& out,
               std::ostream& err) {
    return RunEdit(options, true, EditCommand{&PlanMerge, &DescribeMerge, &files}, out, err);
}
