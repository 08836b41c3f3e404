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
    if (name == WholeRowName(session.List.Index, row)) return true;  // the same name: nothing changes
    const IndexRow& fields = session.List.Index.Rows[row];
    plan->AtPlace[row].NewLine = plan->AddLine(FormattedLine(fields.Flag, fields.Code, name));
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
        // A name over 30 bytes is written whole: the list keeps such lines as
        // they are, and the flag must not cut the name.
        plan->AtPlace[row].NewLine =
            plan->AddLine(FormattedLine(flag.On ? 1 : 0, fields.Code, WholeRowName(session.List.Index, row)));
    }
    return true;
}

void DescribeEdit(const EditSession& session, const EditPlan& plan, const FlagEdit& flag, std::ostream& out) {
    DescribeRewrittenRows(session, plan, "flag", flag.On ? " on" : " off", out);
}

struct SortEdit {
    SortKey Key;
};

bool PlanEdit(const EditSession& session, SortEdit& sort, EditPlan* plan, std::string*) {
    const SortKey key = sort.Key;
    const ListIndex& index = session.List.Index;
    const std::size_t count = index.RowCount;
    // The keys of every row: numbers, and for names their folded text in
    // one buffer (a large list's keys are not a string each). Only the keys
    // the order needs are held.
    std::vector<long> first(key == kSortByName ? 0 : count);
    std::vector<long> second(key == kSortByIdent ? count : 0);
    std::string texts;
    std::vector<std::uint32_t> textStart(key == kSortByName || key == kSortBySatellite ? count + 1 : 0);
    for (std::size_t row = 0; row < count; ++row) {
        const DecodedCode decoded = RowChannel(index, row);
        const long longitude = PositionLongitude(decoded.SatPosition);
        switch (key) {
        case kSortByName:
            textStart[row] = static_cast<std::uint32_t>(texts.size());
            texts += FoldName(RowNameText(index, session.Page, row));
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
        return std::string_view(RowName(index, a), RowShownNameLength(index, a)) <
               std::string_view(RowName(index, b), RowShownNameLength(index, b));
    });
    for (std::size_t place = 0; place < count; ++place) plan->AtPlace[place].OldRow = order[place];
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
