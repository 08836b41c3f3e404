// A name a user types in UTF-8 for the list: the bytes the list stores it
// as, in the list's code page, or why it cannot be stored.
#ifndef ZELQ_TOOLS_ZELQ_LIST_TYPED_NAME_H
#define ZELQ_TOOLS_ZELQ_LIST_TYPED_NAME_H

#include <string>

#include "code_page.h"

// The typed name as the list stores it: in the code page, and reading back
// as itself (1 to 30 bytes, no "]", no control characters, not blank).
// False with a message saying why not.
bool ListName(const std::string& typed, const CodePage& page, std::string* name, std::string* error);

// The same check, with only why the name is refused ("is empty, and ..."),
// for a caller that quotes the name its own way.
bool CheckListName(const std::string& typed, const CodePage& page, std::string* name, std::string* why);

#endif  // ZELQ_TOOLS_ZELQ_LIST_TYPED_NAME_H
