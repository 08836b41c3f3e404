// The editor window: the channel list, the current channel, the count of
// channels in the file, the add button and the status line.
#ifndef ZELQ_UI_EDITOR_WINDOW_H
#define ZELQ_UI_EDITOR_WINDOW_H

#include <windows.h>

// Dialog procedure of the editor window (dialog resource 101).
INT_PTR CALLBACK EditorProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Creates the editor window, hidden, and stores it as MainWindow; loads the
// list while the window is being created. Returns the window, or null.
HWND CreateEditor();

// Shows the editor window on top of all others. Called on another thread
// than the editor's, it asks the editor's thread to, and returns at once.
void ShowEditor();

// Clears the status line and shows the latest channel's name; on the
// editor's thread.
void ShowChannel();

// What a channel change does to the editor (ShowChannel), called on any
// thread: on another thread than the editor's, it asks the editor's thread
// to show the change, and returns at once.
void ShowChannelChange();

#endif  // ZELQ_UI_EDITOR_WINDOW_H
