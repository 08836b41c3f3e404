// Screenshots of the whole screen, taken with GDI and saved as 24-bit BMP.
#ifndef ZELQ_HOST_SCREENSHOT_H
#define ZELQ_HOST_SCREENSHOT_H

#include <string>

// Copies the screen into a DIB section and writes it to path. On failure
// returns false with a message in *error.
bool SaveScreenshot(const std::string& path, std::string* error);

#endif  // ZELQ_HOST_SCREENSHOT_H
