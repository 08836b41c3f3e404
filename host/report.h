// How Vistrox tells the user what happened: message boxes when it runs
// interactively, stderr and stdout when it runs the scripted demo.
#ifndef ZELQ_HOST_REPORT_H
#define ZELQ_HOST_REPORT_H

#include <string>

// A failure: stderr in demo mode, otherwise a message box.
void ReportError(const std::string& text);

// A line of the demo's session log on stdout; does nothing outside demo mode.
void LogLine(const std::string& text);

// Windows-1256 text (the plug-in's Arabic texts, the channel names) as UTF-8,
// so the log reads right on a Linux terminal whatever the console's code page.
std::string Cp1256ToUtf8(const char* text);

// UTF-16 text, as the wide window functions give it, as UTF-8.
std::string WideToUtf8(const std::wstring& text);

#endif  // ZELQ_HOST_REPORT_H
