// The scripted demo session (Vistrox.exe --demo <output-dir>): tunes
// channels, shows the editor, presses its add button, opens About, saves
// screenshots and closes the host. Its steps run from a timer, so the message
// loop keeps running and the windows paint between them.
#ifndef ZELQ_HOST_DEMO_H
#define ZELQ_HOST_DEMO_H

#include <string>

// Creates the output directory and starts the first step. On failure returns
// false with a message in *error. The session ends by closing the main
// window, with g_Host.exitCode 0 when every step succeeded.
bool StartDemo(const std::string& outputDir, std::string* error);

#endif  // ZELQ_HOST_DEMO_H
