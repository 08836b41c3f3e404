// The commands that change the list: remove, move, rename, flag, sort, merge
// and normalise.
#include <algorithm>
#include <cctype>
#include <cstring>
#include <ostream>
#include <unordered_set>

#include "channel_list/entry_code.h"
#include "channel_list/satellite_names.h"
#include "edit.h"
#include "findings.h"
#include "row_text.h"
#include "utf8_text.h"
#include "zelq_list.h"

namespace {

// Runs one edit: reads the list (under its lock unless a dry run), lets
// `plan` decide what changes, and writes the result.
template <typename Planner>
int RunEdit(const ListOptions& options, bool dryRun, std::ostream& out, std::ostream& err, Planner plan) {
    EditSession session;
    int status = OpenEdit(options, dryRun, &session, err);
    if (status != kExitOk) return status;
    EditPlan edit = KeepAllRows(session.Model);
    std::string error;
    if (!plan(session, &edit, &error)) {
        err << "zelq-list: " << error << '\n';
        status = kExitError;
    } else {
        status = FinishEdit(&session, &edit, out, err);
    }
    CloseEdit(&session);
    return status;
}

// The line a row gets with the given flag and name (at most 30 bytes, NUL-terminated).
std::string FormattedLine(std::uint8_t flag, const std::uint8_t code[6], const char* name) {
    char text[kMaxLineLength + 1];
    const std::size_t length = FormatLine(text, flag, code, name);
    return std::string(text, length);
}

// Whether a name, as the list stores it, reads back as itself; false with a
// message saying why not.
bool NameReadsBack(const std::string& name, const CodePage& page, std::string* error) {
    if (name.empty()) {
        *error = "is empty, and a name in the list cannot be";
        return false;
    }
    if (name.find(']') != std::string::npos) {
        *error = "holds \"]\", which ends a name in the list";
        return false;
    }
    if (name.find_first_of(std::string("\r\n\0", 3)) != std::string::npos) {
        *error = "holds a line break";
        return false;
    }
    if (name.size() > kMaxNameLength) {
        *error = "takes " + std::to_string(name.size()) + " bytes in code page " + std::to_string(page.Number) +
                 ", and a name in the list holds at most 30";
        return false;
    }
    // The last word: the reader itself.
    const std::uint8_t code[6] = {0, 0, 0, 0, 0, 0};
    const std::string line = FormattedLine(1, code, name.c_str());
    LineReader reader = MakeLineReader(line.data(), line.size());
    ListLine read;
    if (!NextListLine(&reader, &read) || read.Kind != kLineReads ||
        std::string(read.Name, read.NameLength) != name) {
        *error = "would not read back from the list";
        return false;
    }
    return true;
}

// A name typed in UTF-8 as the list stores it; false with a message.
bool ListName(const std::string& typed, const CodePage& page, std::string* name, std::string* error) {
    std::string why;
    if (!NameFromUtf8(page, typed, name, &why) || !NameReadsBack(*name, page, &why)) {
        *error = "the name \"" + EscapeControls(typed) + "\" " + why;
        return false;
    }
    return true;
}

// The key a sort orders a name by: its UTF-8 text with ASCII letters in
// lower case, compared character by character (Arabic letters in their
// alphabet's order).
std::string NameSortKey(const CodePage& page, const ShownRow& row) {
    std::string key = NameToUtf8(page, row.Name, row.NameLength);
    for (char& c : key) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return key;
}

std::string LowerAscii(std::string text) {
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return text;
}

}  // namespace

int RemoveRows(const ListOptions& options, bool dryRun, const std::vector<std::string>& rows, std::ostream& out,
               std::ostream& err) {
    return RunEdit(options, dryRun, out, err, [&](const EditSession& session, EditPlan* plan, std::string* error) {
        std::vector<bool> remove(session.Model.Rows.Count, false);
        for (const std::string& text : rows) {
            std::size_t row;
            if (!ParseRow(text, session.Model.Rows.Count, &row, error)) return false;
            remove[row] = true;
        }
        for (std::size_t row = 0; row < remove.size(); ++row) {
            if (!remove[row]) continue;
            plan->RowAtPlace[row] = kNoRow;
            plan->Messages.push_back(At(options.ListPath, session.Model.Rows.Rows[row].LineNumber) + "remove row " +
                                     std::to_string(row + 1) + ": " + ShownRowLine(session, row));
        }
        return true;
    });
}

int MoveRow(const ListOptions& options, bool dryRun, const std::string& rowText, const std::string& toText,
            std::ostream& out, std::ostream& err) {
    return RunEdit(options, dryRun, out, err, [&](const EditSession& session, EditPlan* plan, std::string* error) {
        std::size_t row;
        std::size_t to;
        if (!ParseRow(rowText, session.Model.Rows.Count, &row, error) ||
            !ParseRow(toText, session.Model.Rows.Count, &to, error)) {
            return false;
        }
        std::vector<std::size_t>& order = plan->RowAtPlace;
        order.erase(order.begin() + static_cast<std::ptrdiff_t>(row));
        order.insert(order.begin() + static_cast<std::ptrdiff_t>(to), row);
        if (row != to) {
            plan->Messages.push_back(At(options.ListPath, session.Model.Rows.Rows[row].LineNumber) + "move row " +
                                     std::to_string(row + 1) + " to row " + std::to_string(to + 1) + ": " +
                                     ShownRowLine(session, row));
        }
        return true;
    });
}

int RenameRow(const ListOptions& options, bool dryRun, const std::string& rowText, const std::string& newName,
              std::ostream& out, std::ostream& err) {
    return RunEdit(options, dryRun, out, err, [&](const EditSession& session, EditPlan* plan, std::string* error) {
        std::size_t row;
        std::string name;
        if (!ParseRow(rowText, session.Model.Rows.Count, &row, error) ||
            !ListName(newName, session.Page, &name, error)) {
            return false;
        }
        const ListLine& line = session.Model.Items[session.Model.RowItem[row]].Line;
        if (line.Kind == kLineReads && name == line.Entry.Name) return true;  // the same name: nothing changes
        const std::string text = FormattedLine(line.Entry.Flag, line.Entry.Code, name.c_str());
        plan->NewLine[row] = text;
        plan->Messages.push_back(At(options.ListPath, line.LineNumber) + "rename row " + std::to_string(row + 1) +
                                 ": " + ShownRowLine(session, row) + " -> " +
                                 ShownLine(session.Page, text.data(), text.data() + text.size()));
        return true;
    });
}

int FlagRow(const ListOptions& options, bool dryRun, const std::string& rowText, bool on, std::ostream& out,
            std::ostream& err) {
    return RunEdit(options, dryRun, out, err, [&](const EditSession& session, EditPlan* plan, std::string* error) {
        std::size_t row;
        if (!ParseRow(rowText, session.Model.Rows.Count, &row, error)) return false;
        const ListLine& line = session.Model.Items[session.Model.RowItem[row]].Line;
        if ((line.Entry.Flag != 0) == on) return true;  // already so: any non-zero flag is a check mark
        // A name over 30 bytes is written whole: the list keeps such lines as
        // they are, and the flag must not cut the name.
        std::string text(kMaxLineLength + line.NameLength, '\0');
        text.resize(FormatLineWithName(&text[0], text.size(), on ? 1 : 0, line.Entry.Code, line.Name,
                                       line.NameLength));
        plan->NewLine[row] = text;
        plan->Messages.push_back(At(options.ListPath, line.LineNumber) + "flag row " + std::to_string(row + 1) +
                                 (on ? " on: " : " off: ") + ShownRowLine(session, row) + " -> " +
                                 ShownLine(session.Page, text.data(), text.data() + text.size()));
        return true;
    });
}

int SortRows(const ListOptions& options, bool dryRun, SortKey key, std::ostream& out, std::ostream& err) {
    return RunEdit(options, dryRun, out, err, [&](const EditSession& session, EditPlan* plan, std::string*) {
        const ShownRows& rows = session.Model.Rows;
        struct Keys {
            std::string Text;
            long Number;
            long Second;
        };
        std::vector<Keys> keys(rows.Count);
        for (std::size_t i = 0; i < rows.Count; ++i) {
            const ShownRow& row = rows.Rows[i];
            const DecodedCode decoded = DecodeEntryCode(row.Code[0], row.Code[1], row.Code[2], row.Code[3]);
            const long longitude = Longitude(decoded.SatPosition);
            switch (key) {
            case kSortByName:
                keys[i] = Keys{NameSortKey(session.Page, row), 0, 0};
                break;
            case kSortBySatellite:
                keys[i] = Keys{LowerAscii(SatelliteNameFor(decoded.SatPosition)), longitude, 0};
                break;
            case kSortByPosition:
                keys[i] = Keys{std::string(), longitude, 0};
                break;
            case kSortByIdent:
                keys[i] = Keys{std::string(), decoded.ChannelIdent, longitude};
                break;
            }
        }
        std::vector<std::size_t>& order = plan->RowAtPlace;
        std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
            if (keys[a].Text != keys[b].Text) return keys[a].Text < keys[b].Text;
            if (keys[a].Number != keys[b].Number) return keys[a].Number < keys[b].Number;
            return keys[a].Second < keys[b].Second;
        });
        for (std::size_t place = 0; place < order.size(); ++place) {
            const std::size_t row = order[place];
            if (row == place) continue;
            plan->Messages.push_back(At(options.ListPath, rows.Rows[row].LineNumber) + "row " +
                                     std::to_string(row + 1) + " becomes row " + std::to_string(place + 1) + ": " +
                                     ShownRowLine(session, row));
        }
        return true;
    });
}

int MergeLists(const ListOptions& options, bool dryRun, const std::vector<std::string>& files, std::ostream& out,
               std::ostream& err) {
    return RunEdit(options, dryRun, out, err, [&](const EditSession& session, EditPlan* plan, std::string* error) {
        std::unordered_set<std::uint32_t> shown;
        for (std::size_t i = 0; i < session.Model.Rows.Count; ++i) {
            shown.insert(ChannelKey(session.Model.Rows.Rows[i].Code));
        }
        std::size_t rowCount = session.Model.Rows.Count;
        for (const std::string& file : files) {
            ListModel other;
            if (!ReadListModel(file, &other, error)) return false;
            for (std::size_t row = 0; row < other.Rows.Count; ++row) {
                const ListLine& line = other.Items[other.RowItem[row]].Line;
                if (!shown.insert(ChannelKey(line.Entry.Code)).second) continue;
                std::string text;
                if (line.Kind == kLineReads) {
                    text = FormattedLine(line.Entry.Flag, line.Entry.Code, line.Entry.Name);
                } else {
                    // A name over 30 bytes: the line as it is, on a line of its own.
                    const char* start = line.Start;
                    const char* end = line.End;
                    while (start < end && (*start == ' ' || *start == '\t')) ++start;
                    while (end > start && (end[-1] == ' ' || (end[-1] >= '\t' && end[-1] <= '\r'))) --end;
                    text.assign(start, end);
                    text += "\r\n";
                }
                plan->Added.push_back(text);
                ++rowCount;
                plan->Messages.push_back(At(file, line.LineNumber) + "add as row " + std::to_string(rowCount) + ": " +
                                         ShownLine(session.Page, text.data(), text.data() + text.size()));
            }
            FreeListModel(&other);
        }
        return true;
    });
}

int NormaliseListFile(const ListOptions& options, bool dryRun, std::ostream& out, std::ostream& err) {
    EditSession session;
    int status = OpenEdit(options, dryRun, &session, err);
    if (status != kExitOk) return status;
    const std::string& path = options.ListPath;
    std::vector<std::string> messages;
    for (const Finding& finding : FindListChanges(session.Model, session.Page)) {
        if (FindingChangesList(finding)) messages.push_back(At(path, finding.Line) + finding.Text);
    }
    const std::size_t rows = session.Model.Rows.Count;
    if (messages.empty()) {
        out << path << ": nothing to change\n";
    } else if (dryRun) {
        for (const std::string& message : messages) out << message << '\n';
        out << path << ": would write " << rows << " row" << Plural(rows) << "; dry run, nothing written\n";
    } else {
        // What the plug-in's start writes, through the same rewrite.
        ListRewrite rewrite;
        ShownRows written;
        if (!BeginListRewrite(&rewrite, path.c_str(), session.Model.File)) {
            err << "zelq-list: not enough memory to write " << path << '\n';
            status = kExitError;
        } else if (!NormaliseList(session.Model.File, &rewrite, &written)) {
            CancelListRewrite(&rewrite);
            err << "zelq-list: not enough memory to write " << path << '\n';
            status = kExitError;
        } else {
            const RewriteResult result = FinishListRewrite(&rewrite);
            if (result == kRewriteWritten) {
                for (const std::string& message : messages) out << message << '\n';
            }
            status = ReportRewrite(session, result, written.Count, out, err);
            FreeShownRows(&written);
        }
    }
    CloseEdit(&session);
    return status;
}
