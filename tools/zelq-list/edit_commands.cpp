// The commands that change the list's rows: remove, move, rename, flag, sort
// and merge; and normalise, which does what the plug-in's start does.
#include <algorithm>
#include <cstring>
#include <memory>
#include <ostream>
#include <unordered_set>

#include "channel_list/entry_code.h"
#include "channel_list/list_rows.h"
#include "channel_list/satellite_names.h"
#include "edit.h"
#include "errors.h"
#include "findings.h"
#include "name_text.h"
#include "row_text.h"
#include "utf8_text.h"
#include "zelq_list.h"


int RemoveRows(const ListOptions& options, const std::vector<std::string>& rows, std::ostream& out,
               std::ostream& err) {
    return RunEdit(options, false, out, err, [&](const EditSession& session, EditPlan* plan, std::string* error) {
        auto removed = std::make_shared<std::vector<bool>>(session.Model.RowCount(), false);
        for (const std::string& text : rows) {
            std::vector<bool> named;
            if (!ParseRows(text, session.Model.RowCount(), &named, error)) return false;
            for (std::size_t row = 0; row < named.size(); ++row) {
                if (named[row]) (*removed)[row] = true;
            }
        }
        for (std::size_t row = 0; row < removed->size(); ++row) {
            if ((*removed)[row]) plan->AtPlace[row] = PlannedRow();
        }
        plan->Describe = [&session, removed](std::ostream& out) {
            for (std::size_t row = 0; row < removed->size(); ++row) {
                if ((*removed)[row]) {
                    out << RowAt(session, row) << "remove row " << row + 1 << ": " << ShownRowLine(session, row) << '\n';
                }
            }
        };
        return true;
    });
}

int MoveRow(const ListOptions& options, const std::string& rowText, const std::string& toText, std::ostream& out,
            std::ostream& err) {
    return RunEdit(options, false, out, err, [&](const EditSession& session, EditPlan* plan, std::string* error) {
        std::size_t row;
        std::size_t to;
        if (!ParseRow(rowText, session.Model.RowCount(), &row, error) ||
            !ParseRow(toText, session.Model.RowCount(), &to, error)) {
            return false;
        }
        std::vector<PlannedRow>& order = plan->AtPlace;
        const PlannedRow moved = order[row];
        order.erase(order.begin() + static_cast<std::ptrdiff_t>(row));
        order.insert(order.begin() + static_cast<std::ptrdiff_t>(to), moved);
        plan->Describe = [&session, row, to](std::ostream& out) {
            if (row == to) return;
            out << RowAt(session, row) << "move row " << row + 1 << " to row " << to + 1 << ": "
                << ShownRowLine(session, row) << '\n';
        };
        return true;
    });
}

int RenameRow(const ListOptions& options, const std::string& rowText, const std::string& newName, std::ostream& out,
              std::ostream& err) {
    return RunEdit(options, false, out, err, [&](const EditSession& session, EditPlan* plan, std::string* error) {
        std::size_t row;
        std::string name;
        if (!ParseRow(rowText, session.Model.RowCount(), &row, error) ||
            !ListName(newName, session.Page, &name, error)) {
            return false;
        }
        const ListLine line = RowLine(session.Model, row);
        if (line.Kind == kLineReads && name == line.Entry.Name) return true;  // the same name: nothing changes
        const std::uint32_t index = plan->AddLine(FormattedLine(line.Entry.Flag, line.Entry.Code, name));
        plan->AtPlace[row].NewLine = index;
        plan->Describe = [&session, plan, row, index](std::ostream& out) {
            const std::string& text = plan->Lines[index];
            out << RowAt(session, row) << "rename row " << row + 1 << ": " << ShownRowLine(session, row) << " -> "
                << ShownText(session.Page, text) << '\n';
        };
        return true;
    });
}

int FlagRows(const ListOptions& options, const std::string& rowsText, bool on, std::ostream& out,
             std::ostream& err) {
    return RunEdit(options, false, out, err, [&](const EditSession& session, EditPlan* plan, std::string* error) {
        std::vector<bool> rows;
        if (!ParseRows(rowsText, session.Model.RowCount(), &rows, error)) return false;
        auto changed = std::make_shared<std::vector<std::uint32_t>>();
        for (std::size_t row = 0; row < rows.size(); ++row) {
            if (!rows[row]) continue;
            const ListLine line = RowLine(session.Model, row);
            if ((line.Entry.Flag != 0) == on) continue;  // already so: any non-zero flag is a check mark
            // A name over 30 bytes is written whole: the list keeps such
            // lines as they are, and the flag must not cut the name.
            plan->AtPlace[row].NewLine =
                plan->AddLine(FormattedLine(on ? 1 : 0, line.Entry.Code, std::string(line.Name, line.NameLength)));
            changed->push_back(static_cast<std::uint32_t>(row));
        }
        plan->Describe = [&session, plan, changed, on](std::ostream& out) {
            for (const std::uint32_t row : *changed) {
                const std::string& text = plan->Lines[plan->AtPlace[row].NewLine];
                out << RowAt(session, row) << "flag row " << row + 1 << (on ? " on: " : " off: ")
                    << ShownRowLine(session, row) << " -> "
                    << ShownText(session.Page, text) << '\n';
            }
        };
        return true;
    });
}

int SortRows(const ListOptions& options, SortKey key, std::ostream& out, std::ostream& err) {
    return RunEdit(options, false, out, err, [&](const EditSession& session, EditPlan* plan, std::string*) {
        const ListModel& model = session.Model;
        const std::size_t count = model.RowCount();
        // The keys of every row: numbers, and for names their folded text in
        // one buffer (a large list's keys are not a string each).
        // Only the keys the order needs are held.
        std::vector<long> first(key == kSortByName ? 0 : count);
        std::vector<long> second(key == kSortByIdent ? count : 0);
        std::string texts;
        std::vector<std::uint32_t> textStart(key == kSortByName || key == kSortBySatellite ? count + 1 : 0);
        for (std::size_t row = 0; row < count; ++row) {
            const ListLine line = RowLine(model, row);
            const ListEntry& decoded = line.Entry;
            const long longitude = Longitude(decoded.SatPosition);
            switch (key) {
            case kSortByName:
                textStart[row] = static_cast<std::uint32_t>(texts.size());
                texts += FoldName(NameToUtf8(session.Page, line.Entry.Name, std::strlen(line.Entry.Name)));
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
        const auto text = [&](std::size_t row) {
            return texts.substr(textStart[row], textStart[row + 1] - textStart[row]);
        };
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
            // Names that fold alike: their bytes decide.
            const ListLine la = RowLine(model, a);
            const ListLine lb = RowLine(model, b);
            return std::strcmp(la.Entry.Name, lb.Entry.Name) < 0;
        });
        for (std::size_t place = 0; place < count; ++place) plan->AtPlace[place].OldRow = order[place];
        plan->Describe = [&session, plan](std::ostream& out) {
            for (std::size_t place = 0; place < plan->AtPlace.size(); ++place) {
                const std::size_t row = plan->AtPlace[place].OldRow;
                if (row == place) continue;
                out << RowAt(session, row) << "row " << row + 1 << " becomes row " << place + 1 << ": "
                    << ShownRowLine(session, row) << '\n';
            }
        };
        return true;
    });
}

int MergeLists(const ListOptions& options, const std::vector<std::string>& files, std::ostream& out,
               std::ostream& err) {
    return RunEdit(options, true, out, err, [&](const EditSession& session, EditPlan* plan, std::string* error) {
        std::unordered_set<std::uint32_t> shown;
        for (std::size_t row = 0; row < session.Model.RowCount(); ++row) {
            shown.insert(ChannelKey(RowLine(session.Model, row).Entry.Code));
        }
        struct Source {
            std::string File;
            std::size_t Line;
        };
        auto sources = std::make_shared<std::vector<Source>>();
        for (const std::string& file : files) {
            ListModel other;
            if (!ReadListModel(file, false, &other, error)) return false;
            for (std::size_t row = 0; row < other.RowCount(); ++row) {
                const ListLine line = RowLine(other, row);
                if (!shown.insert(ChannelKey(line.Entry.Code)).second) continue;
                std::string text;
                if (line.Kind == kLineReads) {
                    text = FormattedLine(line.Entry.Flag, line.Entry.Code, line.Entry.Name);
                } else {
                    // A name over 30 bytes: the line as it is, on a line of its own.
                    text = FormattedLine(line.Entry.Flag, line.Entry.Code, std::string(line.Name, line.NameLength));
                }
                PlannedRow added;
                added.NewLine = plan->AddLine(text);
                plan->Added.push_back(added);
                sources->push_back(Source{file, line.LineNumber});
            }
            FreeListModel(&other);
        }
        plan->Describe = [&session, plan, sources](std::ostream& out) {
            for (std::size_t i = 0; i < plan->Added.size(); ++i) {
                const std::string& text = plan->Lines[plan->Added[i].NewLine];
                out << At((*sources)[i].File, (*sources)[i].Line) << "add as row "
                    << session.Model.RowCount() + i + 1 << ": "
                    << ShownText(session.Page, text) << '\n';
            }
        };
        return true;
    });
}

int NormaliseListFile(const ListOptions& options, std::ostream& out, std::ostream& err) {
    EditSession session;
    int status = OpenEdit(options, false, &session, err);
    if (status != kExitOk) return status;
    const std::string& path = options.ListPath;
    const auto describe = [&](std::ostream& to) {
        FindListChanges(session.Model, session.Page, [&](const Finding& finding) {
            if (FindingChangesList(finding)) to << At(path, finding.Line) << finding.Text << '\n';
        });
    };
    const std::size_t rows = session.Model.RowCount();
    if (!NextLoadWouldRewrite(session.Model.File)) {
        out << path << ": nothing to change\n";
    } else if (options.DryRun) {
        describe(out);
        out << path << ": would write " << rows << " row" << Plural(rows) << "; dry run, nothing written\n";
    } else {
        // What the plug-in's start writes, through the same rewrite.
        ListRewrite rewrite;
        if (!BeginListRewrite(&rewrite, path.c_str(), session.Model.File)) {
            err << "zelq-list: cannot write " << path << ": " << LastFileErrorReason() << '\n';
            status = kExitError;
        } else if (!NormaliseList(session.Model.File, &rewrite, nullptr)) {
            CancelListRewrite(&rewrite);
            err << "zelq-list: not enough memory to write " << path << '\n';
            status = kExitError;
        } else {
            const RewriteResult result = FinishListRewrite(&rewrite);
            if (result == kRewriteWritten) describe(out);
            status = ReportRewrite(session, result, rows, out, err);
        }
    }
    CloseEdit(&session);
    return status;
}
