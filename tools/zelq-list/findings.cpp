#include "findings.h"

#include <algorithm>
#include <cctype>

#include "channel_list/entry_code.h"
#include "row_text.h"

namespace {

inline bool IsSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

std::string FaultText(const ListLine& line) {
    switch (line.Fault) {
    case kFaultNoOpeningBracket:
        return "it does not begin with \"[\"";
    case kFaultNoFlag:
        return "no flag after the first \"[\"";
    case kFaultCodeDigits: {
        const std::string digits = std::to_string(line.CodeDigits);
        if (line.CodeDigits >= 9 && line.CodeDigits <= 12) {
            return "the code's " + digits + " digits do not form three groups of up to four";
        }
        return "the code has " + digits + " digit" + Plural(line.CodeDigits) + ", 9 to 12 are needed";
    }
    case kFaultNoCodeBracket:
        return "no \"]\" after the code";
    case kFaultNoNameBracket:
        return "no \"[\" before the name";
    case kFaultEmptyName:
        return "the name is empty";
    case kFaultNameNotClosed:
    case kFaultNone:
        break;
    }
    return "the name has no closing \"]\"";
}

// Why a line that reads is not written the way the rewrite writes it.
std::string RewriteReasons(const ListModel& model, const ListLine& line, const std::string& canonical) {
    std::vector<std::string> reasons;
    const char* body = line.Start;
    while (body < line.End && IsSpace(*body)) ++body;
    if (body > line.Start) reasons.emplace_back("indented");

    const char* const bodyEnd = line.Name + line.NameLength + 1;  // past the name's "]"
    const std::string written(body, bodyEnd);
    const std::string wanted = canonical.substr(0, canonical.size() - 2);
    if (written != wanted) {
        const bool caseOnly = written.size() == wanted.size() &&
                              std::equal(written.begin(), written.end(), wanted.begin(), [](char a, char b) {
                                  return std::toupper(static_cast<unsigned char>(a)) ==
                                         std::toupper(static_cast<unsigned char>(b));
                              });
        reasons.emplace_back(caseOnly ? "lower-case digits" : "spacing or digits differ");
    }

    const std::string tail(bodyEnd, line.End);
    const bool atEnd = line.End == model.File.Data + model.File.Size;
    if (tail == "\r\n") {
    } else if (tail == "\n") {
        reasons.emplace_back("ends in LF only");
    } else if (!tail.empty() && tail.back() == '\n') {
        reasons.emplace_back("white space at its end");
    } else if (atEnd) {
        reasons.emplace_back("no line break at the end of the file");
    } else {
        reasons.emplace_back("the next line follows on the same line of text");
    }

    std::string text;
    for (const std::string& reason : reasons) text += (text.empty() ? "" : ", ") + reason;
    return text;
}

void AddBlankLines(const ListModel& model, const char* from, const char* to, std::size_t lineNumber,
                   std::vector<Finding>* findings) {
    // A file in which no line reads is never written, blank lines and all.
    if (from >= to || model.Rows.Count == 0) return;
    std::size_t count = static_cast<std::size_t>(std::count(from, to, '\n'));
    if (to[-1] != '\n') ++count;  // white space after the last line break
    const std::string text = count == 1 ? "a blank line, removed" : std::to_string(count) + " blank lines, removed";
    findings->push_back(Finding{kFindingBlank, lineNumber, count, text});
}

}  // namespace

std::vector<Finding> FindListChanges(const ListModel& model, const CodePage& page) {
    std::vector<Finding> findings;
    const char* gap = ContentStart(model);
    std::size_t gapLine = 1;
    const bool byteOrderMark = StartsWithByteOrderMark(model.File.Data, model.File.Size);
    for (const ListItem& item : model.Items) {
        const ListLine& line = item.Line;
        // The white space before a first line that does not read and begins
        // like a byte-order mark stays (the mark must not move to the start).
        const bool keptGap = &item == &model.Items.front() && !byteOrderMark && item.Kind == kItemUnreadable &&
                             StartsWithByteOrderMark(line.Start, static_cast<std::size_t>(line.End - line.Start));
        if (!keptGap) AddBlankLines(model, gap, line.Start, gapLine, &findings);
        gap = line.End;
        gapLine = LineAfter(item);

        switch (item.Kind) {
        case kItemUnreadable:
            findings.push_back(Finding{kFindingUnreadable, line.LineNumber, 1,
                                       "does not read: " + FaultText(line) + "; ignored and kept as it is"});
            break;
        case kItemDuplicate: {
            const ListLine& first = model.Items[model.RowItem[item.Row]].Line;
            findings.push_back(Finding{kFindingDuplicate, line.LineNumber, 1,
                                       "a duplicate of line " + std::to_string(first.LineNumber) + ", ident " +
                                           std::to_string(line.Entry.ChannelIdent) + " at " +
                                           PositionText(line.Entry.SatPosition) + ", dropped"});
            break;
        }
        case kItemRow:
            if (line.Kind == kLineLongName) {
                findings.push_back(Finding{kFindingLongName, line.LineNumber, 1,
                                           "a name over 30 bytes (" + std::to_string(line.NameLength) +
                                               "), shown cut as \"" +
                                               ShownName(page, line.Name, kMaxNameLength) +
                                               "\"; kept as it is"});
            } else if (!line.Canonical) {
                char canonical[kMaxLineLength + 1];
                const std::size_t length = FormatLine(canonical, line.Entry.Flag, line.Entry.Code, line.Entry.Name);
                const std::string text(canonical, length);
                findings.push_back(Finding{kFindingRewritten, line.LineNumber, 1,
                                           "not in canonical form (" + RewriteReasons(model, line, text) +
                                               "), rewritten as " +
                                               ShownLine(page, canonical, canonical + length)});
            }
            break;
        }
    }
    AddBlankLines(model, gap, model.File.Data + model.File.Size, gapLine, &findings);
    return findings;
}

bool FindingChangesList(const Finding& finding) {
    return finding.Kind == kFindingDuplicate || finding.Kind == kFindingRewritten || finding.Kind == kFindingBlank;
}

std::string FindingsSummary(const ListModel& model, const std::vector<Finding>& findings, bool rewrites) {
    std::size_t counts[5] = {0, 0, 0, 0, 0};
    for (const Finding& finding : findings) counts[finding.Kind] += finding.Count;
    std::string text = std::to_string(model.Rows.Count) + " row" + Plural(model.Rows.Count) + " from " +
                       std::to_string(model.Items.size()) + " line" + Plural(model.Items.size()) + "; ";
    std::string parts;
    const auto add = [&](std::size_t count, const char* one, const char* many) {
        if (count == 0) return;
        parts += (parts.empty() ? "" : ", ") + std::to_string(count) + " " + (count == 1 ? one : many);
    };
    add(counts[kFindingDuplicate], "duplicate dropped", "duplicates dropped");
    add(counts[kFindingRewritten], "line rewritten", "lines rewritten");
    add(counts[kFindingBlank], "blank line removed", "blank lines removed");
    add(counts[kFindingUnreadable], "line unreadable", "lines unreadable");
    add(counts[kFindingLongName], "name cut", "names cut");
    text += parts.empty() ? "no findings" : parts;
    text += rewrites ? "; the plug-in's next start rewrites the list"
                    : "; the plug-in's next start leaves the list as it is";
    return text;
}
