#include "typed_name.h"

#include <cstdint>
#include <vector>

#include "channel_list/list_line.h"
#include "row_text.h"
#include "utf8_text.h"

namespace {

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
    if (name.size() > kMaxNameLength) {
        *error = "takes " + std::to_string(name.size()) + " bytes in code page " + std::to_string(page.Number) +
                 ", and a name in the list holds at most 30";
        return false;
    }
    // The last word: the reader itself.
    const std::uint8_t code[6] = {0, 0, 0, 0, 0, 0};
    const std::string line = FormattedLine(1, code, name);
    LineReader reader = MakeLineReader(line.data(), line.size());
    ListLine read;
    if (!NextListLine(&reader, &read) || read.Kind != kLineReads || std::string(read.Name, read.NameLength) != name) {
        *error = "would not read back from the list";
        return false;
    }
    return true;
}

// Control characters and names of white space alone are no names a user
// means.
bool NameIsPrintable(const std::string& typed, std::string* error) {
    std::vector<std::uint32_t> characters;
    if (!DecodeUtf8(typed, &characters)) return true;  // said by the conversion
    bool blank = true;
    for (const std::uint32_t c : characters) {
        if (c == '\r' || c == '\n') {
            *error = "holds a line break";
            return false;
        }
        if (IsControlCharacter(c)) {
            *error = "holds a control character, which a name in the list cannot";
            return false;
        }
        if (!IsUnicodeBlank(c)) blank = false;
    }
    if (blank && !characters.empty()) {
        *error = "is blank, and a name in the list cannot be";
        return false;
    }
    return true;
}

}  // namespace

bool CheckListName(const std::string& typed, const CodePage& page, std::string* name, std::string* why) {
    return NameIsPrintable(typed, why) && NameFromUtf8(page, typed, name, why) && NameReadsBack(*name, page, why);
}

bool ListName(const std::string& typed, const CodePage& page, std::string* name, std::string* error) {
    std::string why;
    if (!CheckListName(typed, page, name, &why)) {
        *error = "the name \"" + EscapeControls(typed) + "\" " + why;
        return false;
    }
    return true;
}
