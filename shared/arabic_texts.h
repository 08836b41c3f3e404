// The editor window's own texts, in Arabic, as Windows-1256 bytes. The
// windows convert them from code page 1256 and set them through the wide
// window functions, so they read as Arabic whatever the system's ANSI code
// page is (SetArabicControlText in window_ops.h).
#ifndef ZELQ_SHARED_ARABIC_TEXTS_H
#define ZELQ_SHARED_ARABIC_TEXTS_H

// "The channel is already in the channel list" (status text, refused add).
constexpr const char kTextAlreadyInList[] =
    "\xc7\xe1\xde\xe4\xc7\xc9\x20\xe3\xe6\xcc\xe6\xcf\xc9\x20\xe3\xd3\xc8\xde\xc7\x20\xdd\xed"
    "\x20\xde\xc7\xc6\xe3\xc9\x20\xc7\xe1\xde\xe4\xe6\xc7\xca";

// "The channel was added to the channel list" (status text, appended).
constexpr const char kTextAdded[] =
    "\xca\xe3\x20\xc3\xd6\xc7\xdd\xc9\x20\xc7\xe1\xde\xe4\xc7\xc9\x20\xe1\xde\xc7\xc6\xe3\xc9"
    "\x20\xc7\xe1\xde\xe4\xe6\xc7\xca";

// "Current channel :" (label 1007).
constexpr const char kTextCurrentChannelLabel[] =
    "\xc7\xe1\xde\xe4\xc7\xc9\x20\xc7\xe1\xcd\xc7\xe1\xed\xc9\x20\x3a";

// "Number of channels in the file :" (label 1006).
constexpr const char kTextCountLabel[] =
    "\xda\xcf\xcf\x20\xc7\xe1\xde\xe4\xe6\xc7\xca\x20\xdd\xed\x20\xc7\xe1\xe3\xe1\xdd\x20\x3a";

// "Data" (group box 1008).
constexpr const char kTextDataGroup[] = "\xc7\xe1\xc8\xed\xc7\xe4\xc7\xca";

// "Add to the channel list" (button 1001).
constexpr const char kTextAddButton[] =
    "\xc5\xd6\xc7\xdd\xc9\x20\xe1\xde\xc7\xc6\xe3\xc9\x20\xc7\xe1\xde\xe4\xe6\xc7\xca";

// "OK" (button 1).
constexpr const char kTextOkButton[] = "\xe3\xe6\xc7\xdd\xde";

// "Channel name" (list column 0 header).
constexpr const char kTextChannelColumn[] = "\xc3\xd3\xe3\x20\xc7\xe1\xde\xe4\xc7\xc9";

// "Satellite name" (list column 1 header).
constexpr const char kTextSatelliteColumn[] = "\xc3\xd3\xe3\x20\xc7\xe1\xde\xe3\xd1";

// "The previous copy was put back, the file being damaged" (status text, a
// start that put the list's backup in the place of a damaged list).
constexpr const char kTextListRestored[] =
    "\xc7\xd3\xca\xda\xed\xcf\xca\x20\xc7\xe1\xe4\xd3\xce\xc9\x20\xc7\xe1\xd3\xc7\xc8\xde\xc9\x20"
    "\xe1\xca\xe1\xdd\x20\xc7\xe1\xe3\xe1\xdd";

#endif  // ZELQ_SHARED_ARABIC_TEXTS_H
