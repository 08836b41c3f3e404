// The import address table entry through which a loaded module calls a
// function of another DLL, and a way to point it elsewhere: how the tests
// make the system fail for one copy of the plug-in alone (its memory, its
// replace), leaving every other module as it was.
#ifndef ZELQ_TESTS_WIN32_IMPORT_SLOT_H
#define ZELQ_TESTS_WIN32_IMPORT_SLOT_H

#include <windows.h>

// The slot through which `module` calls `function` of `dll` (case ignored),
// or null when it does not import it by name.
void** ImportSlot(HMODULE module, const char* dll, const char* function);

// Points a slot at `value`.
void WriteImportSlot(void** slot, void* value);

#endif  // ZELQ_TESTS_WIN32_IMPORT_SLOT_H
