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

// Why an add wrote nothing, in the status line in place of an earlier
// outcome. Each says what the user can act on.

// "There is no channel to add" (status text: no channel tuned yet, or the
// viewer's record is not a channel).
constexpr const char kTextNoChannel[] =
    "\xe1\xc7\x20\xca\xe6\xcc\xcf\x20\xde\xe4\xc7\xc9\x20\xe1\xc5\xd6\xc7\xdd\xca\xe5\xc7";

// "The list is in use by another program" (status text).
constexpr const char kTextListInUse[] =
    "\xc7\xe1\xde\xc7\xc6\xe3\xc9\x20\xe3\xd3\xca\xce\xcf\xe3\xc9\x20\xe3\xe4\x20\xc8\xd1\xe4"
    "\xc7\xe3\xcc\x20\xc2\xce\xd1";

// "The program did not give the satellite's position" (status text: the
// viewer answered no position, or the record holds none).
constexpr const char kTextNoPosition[] =
    "\xe1\xe3\x20\xed\xcd\xcf\xcf\x20\xc7\xe1\xc8\xd1\xe4\xc7\xe3\xcc\x20\xe3\xe6\xde\xda\x20"
    "\xc7\xe1\xde\xe3\xd1";

// "The program did not answer the request for the satellite's position"
// (status text: the viewer's window is gone, or it did not answer in time).
constexpr const char kTextViewerNoAnswer[] =
    "\xe1\xe3\x20\xed\xd3\xca\xcc\xc8\x20\xc7\xe1\xc8\xd1\xe4\xc7\xe3\xcc\x20\xe1\xd8\xe1\xc8"
    "\x20\xe3\xe6\xde\xda\x20\xc7\xe1\xde\xe3\xd1";

// "Writing to the channel list failed" (status text: any other reason the
// list could not be written).
constexpr const char kTextCannotWrite[] =
    "\xca\xda\xd0\xd1\xca\x20\xc7\xe1\xdf\xca\xc7\xc8\xc9\x20\xdd\xed\x20\xde\xc7\xc6\xe3\xc9"
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
