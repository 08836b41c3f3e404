#include "row_text.h"

#include "channel_list/list_line.h"
#include "channel_list/position_text.h"
#include "utf8_text.h"

std::string PositionText(std::uint16_t position) {
    char text[kPositionTextSize];
    FormatPosition(position, text);
    return text;
}

std::string CodeText(const std::uint8_t code[6]) {
    char text[13];
    FormatCodeDigits(code, text);
    return text;
}

std::string ShownName(const CodePage& page, const char* name, std::size_t size) {
    return EscapeControls(NameToUtf8(page, name, size));
}

std::string ShownLine(const CodePage& page, const char* start, const char* end) {
    while (start < end && IsListSpace(*start)) ++start;
    while (end > start && IsListSpace(end[-1])) --end;
    const std::size_t size = static_cast<std::size_t>(end - start);
    if (size > kShownLineMost) return ShownName(page, start, kShownLineMost) + "\xE2\x80\xA6";
    return ShownName(page, start, size);
}

std::string ShownText(const CodePage& page, std::string_view line) {
    return ShownLine(page, line.data(), line.data() + line.size());
}

std::string RowNameText(const ListIndex& index, const CodePage& page, std::size_t row) {
    return NameToUtf8(page, RowName(index, row), RowShownNameLength(index, row));
}

std::string WholeRowName(const ListIndex& index, std::size_t row) {
    return std::string(RowName(index, row), RowNameLength(index, row));
}

std::string FormattedLine(std::uint8_t flag, const std::uint8_t code[6], const std::string& name) {
    std::string text(kMaxLineLength + name.size(), '\0');
    text.resize(FormatLineWithName(&text[0], text.size(), flag, code, name.data(), name.size()));
    return text;
}
