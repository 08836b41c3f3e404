// The About window: the plug-in's name and a link to its web page. At most
// one exists at a time; it destroys itself when closed.
#ifndef ZELQ_UI_ABOUT_WINDOW_H
#define ZELQ_UI_ABOUT_WINDOW_H

#include <windows.h>

// Opens the About window, or brings the open one to the front.
void OpenAbout();

// Dialog procedure of the About window (dialog resource 102).
INT_PTR CALLBACK AboutProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

#endif  // ZELQ_UI_ABOUT_WINDOW_H
