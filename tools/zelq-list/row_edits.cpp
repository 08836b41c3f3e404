// The commands that change the list's own rows, named by their numbers as
// show numbers them: remove, move, rename, flag and sort, each a plan over
// the rows as read and a line for each row it changes (edit_plan.h).
#include <algorithm>
#include <ostream>
#include <string_view>

#include "channel_list/position_text.h"
#include "channel_list/satellite_names.h"
#include "channel_list/whole_number.h"
#include "edit_plan.h"
#include "name_text.h"
#include "row_text.h"
#include "typed_name.h"
#include "utf8_text.h"
#include "zelq_list.h"

namespace {

// Parses a row number, counting from 1 as show numbers the rows, into a row
// index; false with a message when it is not a row of the list.
bool ParseRow(const std::string& text, std::size_t rowCount, std::size_t* row, std::string* error) {
    // Digits only; a number too large to count is larger than any row.
    unsigned long value = 0;
    if (!IsWholeNumberText(text, 10)) {
        *error = "\"" + EscapeControls(text) + "\" is not a row number";
        return false;
    }
    if (!ParseWholeNumber(text, 10, 1, rowCount, &value)) {
        *error = "there is no row " + text + ": the list has " + std::to_string(rowCount) + " row" + Plural(rowCount);
        return false;
    }
    *row = value - 1;
    return true;
}

// Parses rows given as numbers and ranges ("2-5,9") into the set of row
// indexes (true in `rows`, which gets one entry per row of the list).
// Overlaps are fine; a backwards range or a row out of range is an error.
bool ParseRows(const std::string& text, std::size_t rowCount, std::vector<bool>* rows, std::string* error) {
    rows->assign(rowCount, false);
    std::size_t start = 0;
    for (;;) {
        const std::size_t comma = text.find(',', start);
        const std::string part = text.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
        const std::size_t dash = part.find('-');
        const std::string from = part.substr(0, dash);
        const std::string to = dash == std::string::npos ? from : part.substr(dash + 1);
        if (!IsWholeNumberText(from, 10) || !IsWholeNumberText(to, 10)) {
            *error = "\"" + EscapeControls(part) + "\" is not a row number or a range of rows";
            return false;
        }
        std::size_t first = 0;
        std::size_t last = 0;
        if (!ParseRow(from, rowCount, &first, error) || !ParseRow(to, rowCount, &last, error)) return false;
        if (first > last) {
            *error = "the range " + part + " runs backwards";
            return false;
        }
        for (std::size_t row = first; row <= last; ++row) (*rows)[row] = true;
        if (comma == std::string::npos) return true;
        start = comma + 1;
    }
}

struct RemoveEdit {
    const std::vector<std::string>& Rows;
};

bool PlanEdit(const EditSession& session, RemoveEdit& remove, EditPlan* plan, std::string* error) {
    for (const std::string& text : remove.Rows) {
        std::vector<bool> named;
        if (!ParseRows(text, session.List.Index.RowCount, &named, error)) return false;
        for (std::size_t row = 0; row < named.size(); ++row) {
            if (named[row]) plan->AtPlace[row] = PlannedRow();
        }
    }
    return true;
}

void DescribeEdit(const EditSession& session, const EditPlan& plan, const RemoveEdit&, std::ostream& out) {
    for (std::size_t row = 0; row < plan.AtPlace.size(); ++row) {
        if (plan.AtPlace[row].Empty()) {
            out << RowAt(session, row) << "remove row " << row + 1 << ": " << ShownRowLine(session, row) << '\n';
        }
    }
}

struct MoveEdit {
    const std::string& RowText;
    const std::string& ToText;
    std::size_t Row = 0;
    std::size_t To = 0;
};

bool PlanEdit(const EditSession& session, MoveEdit& move, EditPlan* plan, std::string* error) {
    if (!ParseRow(move.RowText, session.List.Index.RowCount, &move.Row, error) ||
        !ParseRow(move.ToText, session.List.Index.RowCount, &move.To, error)) {
        return false;
    }
    std::vector<PlannedRow>& order = plan->AtPlace;
    const PlannedRow moved = order[move.Row];
    order.erase(order.begin() + static_cast<std::ptrdiff_t>(move.Row));
    order.insert(order.begin() + static_cast<std::ptrdiff_t>(move.To), moved);
    return true;
}

void DescribeEdit(const EditSession& session, const EditPlan&, const MoveEdit& move, std::ostream& out) {
    out << RowAt(session, move.Row) << "move row " << move.Row + 1 << " to row " << move.To + 1 << ": "
        << ShownRowLine(session, move.Row) << '\n';
}

struct RenameEdit {
    const std::string& RowText;
    const std::string& Name;
};

bool PlanEdit(const EditSession& session, RenameEdit& rename, EditPlan* plan, std::string* error) {
    std::size_t row;
    std::string name;
    if (!ParseRow(rename.RowText, session.List.Index.RowCount, &row, error) ||
        !ListName(rename.Name, session.Page, &name, error)) {
        return false;
    }
    const ListIndex& index = session.List.Index;
    if (name == std::string_view(RowName(index, row), RowNameLength(index, row))) return true;  // nothing changes
    const IndexRow& fields = session.List.Index.Rows[row];
    plan->AtPlace[row].NewLine = plan->AddLine(fields.Flag, fields.Code, name);
    return true;
}

void DescribeEdit(const EditSession& session, const EditPlan& plan, const RenameEdit&, std::ostream& out) {
    DescribeRewrittenRows(session, plan, "rename", "", out);
}

struct FlagEdit {
    const std::string& Rows;
    bool On;
};

bool PlanEdit(const EditSession& session, FlagEdit& flag, EditPlan* plan, std::string* error) {
    std::vector<bool> rows;
    if (!ParseRows(flag.Rows, session.List.Index.RowCount, &rows, error)) return false;
    for (std::size_t row = 0; row < rows.size(); ++row) {
        const IndexRow& fields = session.List.Index.Rows[row];
        if (!rows[row] || (fields.Flag != 0) == flag.On) continue;  // already so: any non-zero flag is a check mark
        // The row's own line with its new flag, made as it is written (a name
        // over 30 bytes whole: the list keeps such lines as they are, and the
        // flag must not cut the name).
        plan->AtPlace[row].NewLine = flag.On ? kOwnLineFlagOn : kOwnLineFlagOff;
    }
    return true;
}

void DescribeEdit(const EditSession& session, const EditPlan& plan, const FlagEdit& flag, std::ostream& out) {
    DescribeRewrittenRows(session, plan, "flag", flag.On ? " on" : " off", out);
}

struct SortEdit {
    SortKey Key;
};

// The satellites' names in the order sort --by satellite puts them: a rank
// for every position (names that fold alike share one), so that a sort
// compares two numbers, not two names.
std::vector<std::uint16_t> SatelliteRanks() {
    std::vector<std::string> names{FoldName(kUnknownSatellite)};
    for (std::size_t i = 0; i < SatelliteTableSize(); ++i) {
        names.push_back(FoldName(SatelliteNameFor(SatelliteTablePosition(i))));
    }
    std::vector<std::uint16_t> order(names.size());
    for (std::size_t i = 0; i < order.size(); ++i) order[i] = static_cast<std::uint16_t>(i);
    std::stable_sort(order.begin(), order.end(),
                     [&](std::uint16_t a, std::uint16_t b) { return CompareFoldedNames(names[a], names[b]) < 0; });
    std::vector<std::uint16_t> rankOfName(names.size());
    for (std::size_t i = 0, rank = 0; i < order.size(); ++i) {
        if (i > 0 && CompareFoldedNames(names[order[i - 1]], names[order[i]]) != 0) ++rank;
        rankOfName[order[i]] = static_cast<std::uint16_t>(rank);
    }
    std::vector<std::uint16_t> ranks(0x10000, rankOfName[0]);
    for (std::size_t i = 0; i < SatelliteTableSize(); ++i) ranks[SatelliteTablePosition(i)] = rankOfName[i + 1];
    return ranks;
}

bool PlanEdit(const EditSession& session, SortEdit& sort, EditPlan* plan, std::string*) {
    const ListIndex& index = session.List.Index;
    // The rows are sorted where they stand in the plan, each compared by
    // keys taken from its line as it is needed: the sort holds no key for
    // every row (a list may hold millions of them). Rows that compare equal
    // keep their order.
    std::uint32_t folded[256];
    std::vector<std::uint16_t> satelliteRanks;
    if (sort.Key == kSortByName) FoldedCharacters(session.Page, folded);
    if (sort.Key == kSortBySatellite) satelliteRanks = SatelliteRanks();
    const auto compare = [&](std::size_t a, std::size_t b) -> int {
        const auto order = [](long x, long y) { return x < y ? -1 : x > y ? 1 : 0; };
        const DecodedCode first = RowChannel(index, a);
        const DecodedCode second = RowChannel(index, b);
        const long west = order(PositionLongitude(first.SatPosition), PositionLongitude(second.SatPosition));
        switch (sort.Key) {
        case kSortByName: {
            const char* const nameA = RowName(index, a);
            const char* const nameB = RowName(index, b);
            const std::size_t sizeA = RowShownNameLength(index, a);
            const std::size_t sizeB = RowShownNameLength(index, b);
            if (const int byText = CompareFoldedListNames(folded, nameA, sizeA, nameB, sizeB)) return byText;
            // Names that fold alike: their bytes decide (as shown, 30 at most).
            const int byBytes = std::string_view(nameA, sizeA).compare(std::string_view(nameB, sizeB));
            return order(byBytes, 0);
        }
        case kSortBySatellite:
            if (const int byName = order(satelliteRanks[first.SatPosition], satelliteRanks[second.SatPosition])) {
                return byName;
            }
            return static_cast<int>(west);
        case kSortByPosition:
            return static_cast<int>(west);
        case kSortByIdent:
            if (const int byIdent = order(first.ChannelIdent, second.ChannelIdent)) return byIdent;
            return static_cast<int>(west);
        }
        return 0;
    };
    std::sort(plan->AtPlace.begin(), plan->AtPlace.end(), [&](const PlannedRow& a, const PlannedRow& b) {
        const int byKeys = compare(a.OldRow, b.OldRow);
        return byKeys != 0 ? byKeys < 0 : a.OldRow < b.OldRow;
    });
    return true;
}

void DescribeEdit(const EditSession& session, const EditPlan& plan, const SortEdit&, std::ostream& out) {
    for (std::size_t place = 0; place < plan.AtPlace.size(); ++place) {
        const std::size_t row = plan.AtPlace[place].OldRow;
        if (row == place) continue;
        out << RowAt(session, row) << "row " << row + 1 << " becomes row " << place + 1 << ": "
            << ShownRowLine(session, row) << '\n';
    }
}

}  // namespace

int RemoveRows(const ListOptions& options, const std::vector<std::string>& rows, std::ostream& out,
               std::ostream& err) {
    return RunEdit(options, false, RemoveEdit{rows}, out, err);
}

int MoveRow(const ListOptions& options, const std::string& row, const std::string& to, std::ostream& out,
            std::ostream& err) {
    return RunEdit(options, false, MoveEdit{row, to}, out, err);
}

int RenameRow(const ListOptions& options, const std::string& row, const std::string& name, std::ostream& out,
              std::ostream& err) {
    return RunEdit(options, false, RenameEdit{row, name}, out, err);
}

int FlagRows(const ListOptions& options, const std::string& rows, bool on, std::ostream& out, std::ostream& err) {
    return RunEdit(options, false, FlagEdit{rows, on}, out, err);
}

int SortRows(const ListOptions& options, SortKey key, std::ostream& out, std::ostream& err) {
    return RunEdit(options, false, SortEdit{key}, out, err);
}
