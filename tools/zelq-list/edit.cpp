#include "edit.h"

#include <ostream>

#include "channel_list/list_content.h"
#include "row_text.h"
#include "utf8_text.h"

int OpenEdit(const ListOptions& options, bool dryRun, EditSession* session, std::ostream& err) {
    session->Options = options;
    session->DryRun = dryRun;
    session->Locked = false;
    session->Lock = ListLock{nullptr};
    std::string error;
    if (!LoadCodePage(options.CodePage, &session->Page, &error)) {
        err << "zelq-list: " << error << '\n';
        return kExitError;
    }
    if (!dryRun) {
        if (!LockList(options.ListPath.c_str(), &session->Lock)) {
            err << "zelq-list: " << options.ListPath
                << " is being written by another program (the viewer or another zelq-list), or its lock file"
                   " cannot be made; nothing was changed\n";
            return kExitError;
        }
        session->Locked = true;
    }
    if (!ReadListModel(options.ListPath, &session->Model, &error)) {
        CloseEdit(session);
        err << "zelq-list: " << error << '\n';
        return kExitError;
    }
    return kExitOk;
}

void CloseEdit(EditSession* session) {
    FreeListModel(&session->Model);
    if (session->Locked) UnlockList(&session->Lock);
    session->Locked = false;
}

EditPlan KeepAllRows(const ListModel& model) {
    EditPlan plan;
    plan.RowAtPlace.resize(model.Rows.Count);
    for (std::size_t row = 0; row < model.Rows.Count; ++row) plan.RowAtPlace[row] = row;
    return plan;
}

void WriteEditedContent(const EditSession& session, EditPlan* plan, ListRewrite* out) {
    const ListModel& model = session.Model;
    const std::vector<ListItem>& items = model.Items;
    ListContent content;
    BeginListContent(&content, out, model.File);

    std::vector<bool> rowWritten(model.Rows.Count, false);
    std::vector<std::string> removed;
    const char* gap = ContentStart(model);
    for (const ListItem& item : items) {
        WriteListGap(&content, gap, item.Line.Start);
        gap = item.Line.End;
        switch (item.Kind) {
        case kItemUnreadable:
            WriteKeptLine(&content, item.Line);
            break;
        case kItemRow: {
            const std::size_t row = plan->RowAtPlace[item.Row];
            if (row == kNoRow) break;
            const auto replaced = plan->NewLine.find(row);
            if (replaced == plan->NewLine.end()) {
                WriteKeptLine(&content, items[model.RowItem[row]].Line);
            } else {
                WriteNewLine(&content, replaced->second.data(), replaced->second.size());
            }
            rowWritten[row] = true;
            break;
        }
        case kItemDuplicate:
            if (rowWritten[item.Row]) {
                WriteKeptLine(&content, item.Line);
            } else {
                removed.push_back(At(session.Options.ListPath, item.Line.LineNumber) +
                                  "remove a later line of row " + std::to_string(item.Row + 1) +
                                  "'s channel, which would otherwise take its place: " +
                                  ShownLine(session.Page, item.Line.Start, item.Line.End));
            }
            break;
        }
    }
    for (const std::string& line : plan->Added) WriteNewLine(&content, line.data(), line.size());
    WriteListGap(&content, gap, model.File.Data + model.File.Size);
    plan->Messages.insert(plan->Messages.end(), removed.begin(), removed.end());
}

int ReportRewrite(const EditSession& session, RewriteResult result, std::size_t rows, std::ostream& out,
                  std::ostream& err) {
    const std::string& path = session.Options.ListPath;
    switch (result) {
    case kRewriteWritten:
        out << path << ": wrote " << rows << " row" << Plural(rows) << '\n';
        return kExitOk;
    case kRewriteUnchanged:
        out << path << ": nothing to change\n";
        return kExitOk;
    case kRewriteListChanged:
        err << "zelq-list: " << path
            << " changed while it was being edited (or is gone); nothing was written, run the command again\n";
        return kExitError;
    case kRewriteFailed:
        break;
    }
    err << "zelq-list: cannot write " << path << "; it is left as it was\n";
    return kExitError;
}

int FinishEdit(EditSession* session, EditPlan* plan, std::ostream& out, std::ostream& err) {
    const std::string& path = session->Options.ListPath;
    const FileBytes& original = session->Model.File;
    std::size_t rows = plan->Added.size();
    for (const std::size_t row : plan->RowAtPlace) rows += row != kNoRow ? 1 : 0;

    ListRewrite rewrite;
    if (session->DryRun) {
        BeginListComparison(&rewrite, original);
        WriteEditedContent(*session, plan, &rewrite);
        if (!ListRewriteDiffers(&rewrite)) {
            out << path << ": nothing to change\n";
            return kExitOk;
        }
        for (const std::string& message : plan->Messages) out << message << '\n';
        out << path << ": would write " << rows << " row" << Plural(rows) << "; dry run, nothing written\n";
        return kExitOk;
    }
    if (!BeginListRewrite(&rewrite, path.c_str(), original)) {
        err << "zelq-list: not enough memory to write " << path << '\n';
        return kExitError;
    }
    WriteEditedContent(*session, plan, &rewrite);
    const RewriteResult result = FinishListRewrite(&rewrite);
    if (result == kRewriteWritten) {
        for (const std::string& message : plan->Messages) out << message << '\n';
    }
    return ReportRewrite(*session, result, rows, out, err);
}

std::string At(const std::string& path, std::size_t line) { return path + ":" + std::to_string(line) + ": "; }

std::string ShownRowLine(const EditSession& session, std::size_t row) {
    const ListLine& line = session.Model.Items[session.Model.RowItem[row]].Line;
    return ShownLine(session.Page, line.Start, line.End);
}

bool ParseRow(const std::string& text, std::size_t rowCount, std::size_t* row, std::string* error) {
    std::size_t value = 0;
    bool digits = !text.empty();
    bool tooLarge = false;
    for (const char c : text) {
        if (c < '0' || c > '9') digits = false;
        if (!digits) break;
        if (tooLarge) continue;
        value = value * 10 + static_cast<std::size_t>(c - '0');
        tooLarge = value > rowCount;
    }
    if (!digits) {
        *error = "\"" + EscapeControls(text) + "\" is not a row number";
        return false;
    }
    if (value == 0 || tooLarge) {
        *error = "there is no row " + text + ": the list has " + std::to_string(rowCount) + " row" +
                 Plural(rowCount);
        return false;
    }
    *row = value - 1;
    return true;
}
