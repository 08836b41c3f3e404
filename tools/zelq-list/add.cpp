// add: a channel added as the plug-in's add button adds it, typed on the
// command line instead of tuned in the viewer.
#include <cstdint>
#include <ostream>

#include "channel_list/append_channel.h"
#include "channel_list/entry_code.h"
#include "channel_list/position_text.h"
#include "channel_list/satellite_names.h"
#include "channel_list/whole_number.h"
#include "messages.h"
#include "program_output.h"
#include "read_list.h"
#include "row_text.h"
#include "typed_name.h"
#include "utf8_text.h"
#include "zelq_list.h"

int AddChannel(const ListOptions& options, const NewChannel& channel, std::ostream& out, std::ostream& err) {
    const auto fail = [&](const std::string& message) {
        ReportError(err, message);
        return kExitError;
    };
    CodePage page;
    std::string error;
    if (!LoadCodePage(options.CodePage, &page, &error)) return fail(error);
    unsigned long ident = 0;
    unsigned long mhz = 0;
    unsigned long flag = 0;
    std::uint16_t position = 0;
    if (!ParseWholeNumber(channel.Ident, 10, 1, 65535, &ident)) {
        return fail("--ident: \"" + EscapeControls(channel.Ident) + "\" is not a whole number from 1 to 65535");
    }
    if (!ParsePosition(channel.Position.data(), channel.Position.size(), &position)) {
        return fail("--position: \"" + EscapeControls(channel.Position) +
                    "\" is not a position such as 13.0E, 13E, 7W or 0.8W (at most 180 degrees)");
    }
    if (position == 0) return fail("--position: 0 is no satellite position, and the plug-in adds none at 0");
    if (!ParseWholeNumber(channel.Frequency, 10, 1, 65535, &mhz)) {
        return fail("--frequency: \"" + EscapeControls(channel.Frequency) +
                    "\" is not a whole number of MHz from 1 to 65535");
    }
    if (!ParseWholeNumber(channel.Flag, 16, 0, 0xFF, &flag)) {
        return fail("--flag: \"" + EscapeControls(channel.Flag) + "\" is not a hexadecimal flag from 0 to FF");
    }
    std::string name;
    if (!ListName(channel.Name, page, &name, &error)) return fail(error);

    const EntryCode code =
        EncodeEntryCodeMhz(static_cast<std::uint16_t>(ident), position, static_cast<std::uint16_t>(mhz));
    const std::string shown = ShownText(page, FormattedLine(static_cast<std::uint8_t>(flag), code.Bytes, name));
    const std::string& path = options.ListPath;
    // Made before the list changes: what follows the append takes no memory
    // unless the output fails (or the list was found damaged, or the file
    // system did not confirm the append).
    const std::string added = path + ": added " + shown + " (" + SatelliteNameFor(position) + ")";
    OpenedList list;
    const AppendResult result = AppendChannelLine(&list, path.c_str(), static_cast<std::uint8_t>(flag), code.Bytes,
                                                  name.c_str(), !options.DryRun, MaxListSize());
    const FileError& why = list.Files.Error;
    std::string message;
    if (result != kAppendFailed) {
        message = FoundCopyMessage(path, list, !options.DryRun);
    } else if (why.Kind == kFileErrorLockBusy) {
        message = LockBusyMessage(path);
    } else if (why.Kind == kFileErrorTooLarge) {
        message = ReadFailure(path, list.Index.File.Size, why, "reads lists", MaxListSize());
    } else if (why.Kind == kFileErrorListInBackup) {
        message = ListInBackupMessage(path, list);
    } else if (why.Kind == kFileErrorPathTooLong && list.Files.Paths.Lock) {
        message = LockFileMessage(list.Files);
    } else {
        message = "cannot add to " + path + ": " + FileErrorReason(why) + "; nothing was changed";
    }
    const std::string note = UnconfirmedNote(list.Files);
    CloseOpenedList(&list);
    if (result == kAppendFailed) return fail(message);
    if (!message.empty()) ReportError(err, message);
    if (result == kAlreadyShown) {
        ReportError(err, path + " already shows ident " + std::to_string(ident) + " at " + PositionText(position) +
                             "; nothing added");
        return kExitFindings;
    }
    if (!options.DryRun) return ReportChangeMade(out, err, added + note);
    out << path << ": would add " << shown << " (" << SatelliteNameFor(position) << "); dry run, nothing written\n";
    return kExitOk;
}
