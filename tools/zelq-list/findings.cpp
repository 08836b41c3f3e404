#include "findings.h"

#include <algorithm>
#include <string_view>

#include "channel_list/list_content.h"
#include "messages.h"
#include "name_text.h"
#include "row_text.h"
#include "utf8_text.h"

namespace {

// The most of a name in UTF-8 a finding quotes, in bytes: a name the list
// shows (30 bytes, each up to three in UTF-8) is quoted whole.
constexpr std::size_t kQuotedUtf8Name = 3 * kMaxNameLength;

std::string FaultText(LineFault fault, std::size_t codeDigits) {
    switch (fault) {
    case kFaultNoOpeningBracket:
        return "it does not begin with \"[\"";
    case kFaultNoFlag:
        return "no flag after the first \"[\"";
    case kFaultCodeDigits: {
        const std::string digits = std::to_string(codeDigits);
        if (codeDigits >= 9 && codeDigits <= 12) {
            return "the code's " + digits + " digits do not form three groups of up to four";
        }
        return "the code has " + digits + " digit" + Plural(codeDigits) + ", 9 to 12 are needed";
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

// Why a row's line is not written the way the rewrite writes it.
std::string RewriteReasons(const ListIndex& index, std::size_t row, const std::string& canonical) {
    const std::size_t line = RowEntry(index, row);
    const char* const start = EntryStart(index, line);
    const char* const end = EntryEnd(index, line);
    std::string reasons;
    const auto add = [&](const char* reason) { reasons += (reasons.empty() ? "" : ", ") + std::string(reason); };
    const char* body = start;
    while (body < end && IsListSpace(*body)) ++body;
    if (body > start) add("indented");

    const char* const bodyEnd = RowName(index, row) + RowNameLength(index, row) + 1;  // past the name's "]"
    // Compared where they lie: a line's spacing may be as long as the list.
    const std::string_view written(body, static_cast<std::size_t>(bodyEnd - body));
    const std::string_view wanted(canonical.data(), canonical.size() - 2);
    if (written != wanted) {
        const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
        const bool onlyCase = written.size() == wanted.size() &&
                              std::equal(written.begin(), written.end(), wanted.begin(),
                                         [&](char a, char b) { return lower(a) == lower(b); });
        add(onlyCase ? "lower-case digits" : "spacing or digits differ");
    }

    const std::string_view tail(bodyEnd, static_cast<std::size_t>(end - bodyEnd));
    if (tail == "\r\n") {
    } else if (tail == "\n") {
        add("ends in LF only");
    } else if (tail == "\r") {
        add("ends in CR only");
    } else if (!tail.empty() && (tail.back() == '\n' || tail.back() == '\r')) {
        add("white space at its end");
    } else if (end == index.File.Data + index.File.Size) {
        add("no line break at the end of the file");
    } else {
        add("the next line follows on the same line of text");
    }

    return reasons;
}

}  // namespace

FindingCounts FindListChanges(const ListIndex& index, const CodePage& page,
                              const std::function<void(const Finding&)>& found) {
    FindingCounts counts;
    // Blank lines count one by one.
    const auto report = [&](FindingKind kind, std::size_t line, std::string text, std::size_t count = 1) {
        counts.Of[kind] += count;
        found(Finding{kind, line, std::move(text)});
    };
    // The entries' lines of text are counted on the way; a row's is kept for
    // the later lines of its channel.
    std::vector<std::uint32_t> rowLines(index.RowCount);
    std::uint32_t next = 1;
    for (std::size_t line = 0; line < index.LineCount; ++line) {
        const std::uint32_t number = next;
        next += static_cast<std::uint32_t>(CountLineBreaks(EntryStart(index, line), EntryEnd(index, line)));
        switch (EntryKind(index, line)) {
        case kIndexBlank: {
            // The white space before a first line that does not read and
            // begins like a byte-order mark stays (list_content.h); a file in
            // which no line reads is never written, blank lines and all.
            const bool keptGap = line == 0 && index.LineCount > 1 && EntryKind(index, 1) == kIndexUnreadable &&
                                 KeepsGapBefore(index, 1);
            if (keptGap || index.RowCount == 0) break;
            // Its line breaks, and the white space after the last one, if any.
            const char* const from = EntryStart(index, line);
            std::size_t count = next - number;
            if (!EndsInLineBreak(from, static_cast<std::size_t>(EntryEnd(index, line) - from))) ++count;
            report(kFindingBlank, number,
                   count == 1 ? "a blank line, removed" : std::to_string(count) + " blank lines, removed", count);
            break;
        }
        case kIndexUnreadable: {
            std::size_t digits = 0;
            const LineFault fault = UnreadableFault(index, line, &digits);
            report(kFindingUnreadable, number, "does not read: " + FaultText(fault, digits) + "; ignored and kept as it is");
            break;
        }
        case kIndexLaterLine: {
            const std::size_t row = EntryRow(index, line);
            const DecodedCode decoded = RowChannel(index, row);
            report(kFindingDuplicate, number,
                   "a duplicate of line " + std::to_string(rowLines[row]) + ", ident " +
                       std::to_string(decoded.ChannelIdent) + " at " + PositionText(decoded.SatPosition) +
                       ", dropped");
            break;
        }
        case kIndexRow: {
            const std::size_t row = EntryRow(index, line);
            rowLines[row] = number;
            const char* const name = RowName(index, row);
            const std::size_t length = RowNameLength(index, row);
            if (RowHasLongName(index, row)) {
                report(kFindingLongName, number,
                       "a name over 30 bytes (" + std::to_string(length) + "), shown cut as \"" +
                           ShownName(page, name, kMaxNameLength) + "\"; kept as it is");
            } else if (!RowIsCanonical(index, row)) {
                char canonical[kMaxLineLength + 1];
                const std::size_t size = FormatRowLine(index, row, canonical);
                report(kFindingRewritten, number,
                       "not in canonical form (" + RewriteReasons(index, row, std::string(canonical, size)) +
                           "), rewritten as " + ShownLine(page, canonical, canonical + size));
            }
            if (NameReadsAsUtf8(name, length, page.Number)) {
                report(kFindingUtf8Name, number,
                       "the name reads as UTF-8 (\"" + CutText(std::string_view(name, length), kQuotedUtf8Name) +
                           "\"), not as code page " + std::to_string(page.Number) +
                           "; the plug-in shows it garbled (see zelq-list recode utf-8)");
            }
            break;
        }
        }
    }
    return counts;
}

bool FindingChangesList(const Finding& finding) {
    return finding.Kind == kFindingDuplicate || finding.Kind == kFindingRewritten || finding.Kind == kFindingBlank;
}

std::string FindingsSummary(const ListIndex& index, const FindingCounts& counts, bool rewrites) {
    std::size_t lines = 0;
    for (std::size_t line = 0; line < index.LineCount; ++line) lines += EntryKind(index, line) != kIndexBlank ? 1 : 0;
    std::string text = std::to_string(index.RowCount) + " row" + Plural(index.RowCount) + " from " +
                       std::to_string(lines) + " line" + Plural(lines) + "; ";
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
