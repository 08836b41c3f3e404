// Vistrox's main window: its menu bar (File, Channels, the plug-in's menu),
// the list of channels, the labels, and the message handling.
#ifndef ZELQ_HOST_HOST_WINDOW_H
#define ZELQ_HOST_HOST_WINDOW_H

#include <windows.h>

#include <string>

// Menu command identifiers of the host's own menus. The plug-in's menu keeps
// its own identifiers (40701, 40702), which must not collide with these.
constexpr int kCommandExit = 100;
constexpr int kCommandFirstChannel = 1000;

// Creates the main window (not yet shown) with its menu bar and controls.
bool CreateHostWindow(HINSTANCE instance, std::string* error);

// Captions the main window "Vistrox - <plug-in name>".
void SetHostCaption(const char* pluginName);

// Moves the main window where the plug-in's windows leave its menu bar free:
// the editor opens at the top left of the screen and stays on top while it is
// shown, About opens in the middle. The main window goes to the right of the
// editor at the top of the screen, or below the editor when the screen is too
// narrow for that, and shrinks to fit.
void PlaceMainWindow();

// Puts the plug-in's EXTERN menu into the menu bar as the "Plug-in" pop-up.
// Returns false when the DLL has no such menu; a pop-up with the same two
// commands stands in for it then.
bool AttachPluginMenu();

// Gives keyboard navigation (Tab, Enter, Esc) to the plug-in's modeless
// dialogs: true when the message was a dialog's and has been handled.
bool RouteDialogMessage(MSG* message);

#endif  // ZELQ_HOST_HOST_WINDOW_H
