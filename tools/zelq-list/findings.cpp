#include "findings.h"

#include <algorithm>
#include <cctype>

#include "channel_list/entry_code.h"
#include "name_text.h"
#include "row_text.h"
#include "utf8_text.h"

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
    } else if (tail == "\r") {
        reasons.emplace_back("ends in CR only");
    } else if (!tail.empty() && (tail.back() == '\n' || tail.back() == '\r')) {
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

// The number of line breaks (CR LF, LF or CR alone) in from..to.
std::size_t CountLineBreaks(const char* from, const char* to) {
    std::size_t count = 0;
    for (const char* p = from; p < to; ++p) {
        if (*p == '\n' || (*p == '\r' && !(p + 1 < to && p[1] == '\n'))) ++count;
    }
    return count;
}

void AddBlankLines(const ListModel& model, const char* from, const char* to, std::size_t lineNumber,
                   const std::function<void(const Finding&)>& found, FindingCounts* counts) {
    // A file in which no line reads is never written, blank lines and all.
    if (from >= to || model.RowCount() == 0) return;
    std::size_t count = CountLineBreaks(from, to);
    if (to[-1] != '\n' && to[-1] != '\r') ++count;  // white space after the last line break
    const std::string text = count == 1 ? "a blank line, removed" : std::to_string(count) + " blank lines, removed";
    counts->Of[kFindingBlank] += count;
    found(Finding{kFindingBlank, lineNumber, count, text});
}

}  // namespace

FindingCounts FindListChanges(const ListModel& model, const CodePage& page,
                              const std::function<void(const Finding&)>& found) {
    FindingCounts counts;
    const auto report = [&](FindingKind kind, std::size_t line, std::string text) {
        ++counts.Of[kind];
        found(Finding{kind, line, 1, std::move(text)});
    };
    const char* gap = ContentStart(model);
    std::size_t gapLine = 1;
    const bool byteOrderMark = StartsWithByteOrderMark(model.File.Data, model.File.Size);
    for (std::size_t index = 0; index < model.Items.size(); ++index) {
        const ListItem& item = model.Items[index];
        const ListLine line = ItemLine(model, index);
        // The white space before a first line that does not read and begins
        // like a byte-order mark stays (the mark must not move to the start).
        const bool keptGap = index == 0 && !byteOrderMark && item.Kind == kItemUnreadable &&
                             StartsWithByteOrderMark(line.Start, static_cast<std::size_t>(line.End - line.Start));
        if (!keptGap) AddBlankLines(model, gap, line.Start, gapLine, found, &counts);
        gap = line.End;
        gapLine = LineAfter(model, item);

        switch (item.Kind) {
        case kItemUnreadable:
            report(kFindingUnreadable, line.LineNumber, "does not read: " + FaultText(line) + "; ignored and kept as it is");
            break;
        case kItemDuplicate: {
            const ListItem& first = model.Items[model.RowItem[item.Row]];
            report(kFindingDuplicate, line.LineNumber,
                   "a duplicate of line " + std::to_string(first.Line) + ", ident " +
                       std::to_string(line.Entry.ChannelIdent) + " at " + PositionText(line.Entry.SatPosition) +
                       ", dropped");
            break;
        }
        case kItemRow:
            if (line.Kind == kLineLongName) {
                report(kFindingLongName, line.LineNumber,
                       "a name over 30 bytes (" + std::to_string(line.NameLength) + "), shown cut as \"" +
                           ShownName(page, line.Name, kMaxNameLength) + "\"; kept as it is");
            } else if (!line.Canonical) {
                char canonical[kMaxLineLength + 1];
                const std::size_t length = FormatLine(canonical, line.Entry.Flag, line.Entry.Code, line.Entry.Name);
                const std::string text(canonical, length);
                report(kFindingRewritten, line.LineNumber,
                       "not in canonical form (" + RewriteReasons(model, line, text) + "), rewritten as " +
                           ShownLine(page, canonical, canonical + length));
            }
            if (NameReadsAsUtf8(line.Name, line.NameLength)) {
                report(kFindingUtf8Name, line.LineNumber,
                       "the name reads as UTF-8 (\"" +
                           EscapeControls(std::string(line.Name, line.NameLength)) + "\"), not as code page " +
                           std::to_string(page.Number) + "; the plug-in shows it garbled (see zelq-list recode utf-8)");
            }
            break;
        }
    }
    AddBlankLines(model, gap, model.File.Data + model.File.Size, gapLine, found, &counts);
    return counts;
}

bool FindingChangesList(const Finding& finding) {
    return finding.Kind == kFindingDuplicate || finding.Kind == kFindingRewritten || finding.Kind == kFindingBlank;
}

std::string FindingsSummary(const ListModel& model, const FindingCounts& counts, bool rewrites) {
    std::string text = std::to_string(model.RowCount()) + " row" + Plural(model.RowCount()) + " from " +
                       std::to_string(model.Items.size()) + " line" + Plural(model.Items.size()) + "; ";
    std::string parts;
    const auto add = [&](std::size_t count, const char* one, const char* many) {
        if (count == 0) return;
        parts += (parts.empty() ? "" : ", ") + std::to_string(count) + " " + (count == 1 ? one : many);
    };
    add(counts.Of[kFindingDuplicate], "duplicate dropped", "duplicates dropped");
    add(counts.Of[kFindingRewritten], "line rewritten", "lines rewritten");
    add(counts.Of[kFindingBlank], "blank line removed", "blank lines removed");
    add(counts.Of[kFindingUnreadable], "line unreadable", "lines unreadable");
    add(counts.Of[kFindingLongName], "name cut", "names cut");
    add(counts.Of[kFindingUtf8Name], "name in UTF-8", "names in UTF-8");
    text += parts.empty() ? "no findings" : parts;
    text += rewrites ? "; the plug-in's next start rewrites the list"
                    : "; the plug-in's next start leaves the list as it is";
    return text;
}
