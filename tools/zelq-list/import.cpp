// import: the list's rows made the rows of a CSV file as show writes it,
// perhaps edited in a spreadsheet.
//
// A row's channel is its ident and position, and with its MHz its code
// follows; a spreadsheet may spoil a twelve-digit code, but keeps small
// numbers. A code the spreadsheet left whole names the row's channel, and
// the cells beside it must agree with it: a changed ident, position,
// satellite or MHz beside the old code is refused, with the advice to clear
// the code cell. A row without a code is checked as add checks a channel.
// Each CSV row is compared with the list's row of its channel as show wrote
// it: a row the CSV leaves as it was keeps its line byte for byte, whatever
// its name holds, and only a name the CSV changes or adds must be one a user
// may type. One cell that does not read refuses the whole CSV.
//
// The header's last cell records the view the CSV was made from. A CSV of
// every row makes the list exactly its rows: they fill the places of the
// list's rows in the CSV's order, rows beyond them go after the last line,
// and places left over are emptied. A CSV of a view (show --find,
// --satellite) holds only the rows that view showed: the view's rows it
// still holds take their own places in its order, the places of those it no
// longer holds are emptied, rows new to the list go after the last line, and
// every other row stays where it is (changed in its place when the CSV names
// it). Either is refused when the list's rows of its view are no longer
// those it was made from. A CSV without the record (the cell deleted, or a
// CSV made by hand) removes nothing: the rows it holds take their own places
// in its order, new rows go after the last line, and the rows it does not
// hold are listed, with the command that removes them. Lines that do not
// read stay where they are, byte for byte.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <ostream>
#include <string_view>

#include "channel_list/list_line.h"
#include "channel_list/position_text.h"
#include "channel_list/satellite_names.h"
#include "channel_list/whole_number.h"
#include "csv.h"
#include "csv_view.h"
#include "edit_plan.h"
#include "messages.h"
#include "name_text.h"
#include "read_list.h"
#include "row_text.h"
#include "typed_name.h"
#include "utf8_text.h"
#include "zelq_list.h"

namespace {

enum Column { kFlag, kIdent, kPosition, kTenths, kSatellite, kMhz, kName, kCode, kColumns };
const char* const kColumnNames[kColumns] = {"flag", "ident", "position", "tenths", "satellite", "mhz", "name", "code"};
// The columns a CSV must have; it needs "position" or "tenths" besides.
const bool kRequired[kColumns] = {true, true, false, false, false, true, true, false};

// The CSV as read before the list is: its bytes, how its text is written,
// and what its header says.
struct ImportEdit {
    std::string File;
    FileBytes Bytes = {nullptr, 0};
    std::string_view Text;    // the bytes past a byte-order mark
    bool InCodePage = false;  // not UTF-8: read in the list's code page, as spreadsheets save "CSV"
    std::size_t Columns[kColumns];
    bool Recorded = false;    // the header records the view the CSV shows
    CsvView View;
    // The rows a CSV without the record does not hold, told after what the
    // import does (they are found with the plan, and told once).
    std::string Unheld;
    mutable bool UnheldTold = false;
};

std::string Trim(const std::string& text) {
    const std::size_t first = text.find_first_not_of(" \t");
    const std::size_t last = text.find_last_not_of(" \t");
    return first == std::string::npos ? std::string() : text.substr(first, last - first + 1);
}

// A cell as a message quotes it: in quotes, cut to about 60 bytes.
std::string Cell(const std::string& text) { return "\"" + CutText(text, 60) + "\""; }

// What a CSV's bytes are when they are not the text of a CSV: a message, or
// empty.
std::string NotCsvText(const std::string& file, const char* data, std::size_t size) {
    const std::string save = "; save it as \"CSV UTF-8\" (or \"CSV\") to import it";
    static const struct {
        const char* Start;
        std::size_t Size;
        const char* Is;
    } kStarts[] = {{"\xFF\xFE\0\0", 4, " is UTF-32 text"},
                   {"\0\0\xFE\xFF", 4, " is UTF-32 text"},
                   {"\xFF\xFE", 2, " is UTF-16 text"},
                   {"\xFE\xFF", 2, " is UTF-16 text"},
                   {"PK\x03\x04", 4, " is a spreadsheet's own file (as .xlsx or .ods), not CSV"}};
    for (const auto& start : kStarts) {
        if (size >= start.Size && std::memcmp(data, start.Start, start.Size) == 0) return file + start.Is + save;
    }
    // Without a byte-order mark: the zero bytes of text in ASCII letters.
    const auto zero = [&](std::size_t i) { return data[i] == 0; };
    if (size >= 4 && zero(1) && zero(2) && zero(0) != zero(3)) {
        return file + " is UTF-32 text without a byte-order mark" + save;
    }
    if (size >= 2 && zero(0) != zero(1)) return file + " is UTF-16 text without a byte-order mark" + save;
    if (std::memchr(data, 0, size) != nullptr) return file + " holds zero bytes, which no CSV text holds" + save;
    return std::string();
}

// A column as a spreadsheet names it: A to Z, then AA, AB, ...
std::string ColumnLetters(std::size_t column) {
    std::string letters;
    for (std::size_t n = column + 1; n > 0; n = (n - 1) / 26) letters.insert(letters.begin(), char('A' + (n - 1) % 26));
    return letters;
}

// Whether the fields are a header of the CSV: each column import needs.
bool IsHeader(const std::vector<std::string>& fields) {
    for (int c = 0; c < kColumns; ++c) {
        if (!kRequired[c]) continue;
        if (std::none_of(fields.begin(), fields.end(),
                         [&](const std::string& field) { return LowerAscii(Trim(field)) == kColumnNames[c]; })) {
            return false;
        }
    }
    return true;
}

// Why a CSV whose first line is no header has none there: a message, or
// empty when none of these is the reason.
std::string MisplacedHeader(const ImportEdit& input, const std::vector<std::string>& first) {
    // The whole header in one cell: a spreadsheet whose list separator is
    // not a comma opened the file in one column and saved that.
    for (const std::string& field : first) {
        CsvReader inside(field.data(), field.size());
        std::vector<std::string> cells;
        std::size_t line = 0;
        std::string error;
        if (field.find(',') != std::string::npos && inside.Next(&cells, &line, &error) && IsHeader(cells)) {
            return input.File + ": the whole header is in one cell (" + Cell(field) + "): the spreadsheet that " +
                   "saved it read each line into one cell, its list separator not being a comma; open the CSV " +
                   "again choosing the comma as the separator, then save it";
        }
    }
    // The header sorted in among the rows.
    CsvReader reader(input.Text.data(), input.Text.size());
    std::vector<std::string> fields;
    std::size_t line = 0;
    std::string error;
    while (reader.Next(&fields, &line, &error)) {
        if (line > 1 && IsHeader(fields)) {
            return input.File + ": the header is on line " + std::to_string(line) + ", not the first (a sort " +
                   "moved it among the rows?): move it back to the top, and sort the rows without it";
        }
    }
    return std::string();
}

// The header: the columns import reads, and the view the CSV was made from.
bool ReadHeader(CsvReader* reader, ImportEdit* input, std::string* error) {
    std::vector<std::string> fields;
    std::size_t line = 0;
    if (!reader->Next(&fields, &line, error)) {
        *error = error->empty() ? input->File + " is empty; it needs the header show --format csv writes"
                                : input->File + ": " + *error;
        return false;
    }
    const auto missing = [&](const char* column) {
        // A file separated by what import does not take says so.
        const std::string_view first = input->Text.substr(0, input->Text.find('\n'));
        if (first.find_first_of(",;") == std::string::npos) {
            for (const auto& separator : {std::make_pair('\t', "tabs"), std::make_pair('|', "\"|\"")}) {
                if (first.find(separator.first) == std::string::npos) continue;
                *error = input->File + " is separated by " + separator.second +
                         "; import reads cells separated by commas or semicolons: save it as \"CSV UTF-8\"";
                return false;
            }
        }
        *error = MisplacedHeader(*input, fields);
        if (error->empty()) {
            *error = input->File + ": no \"" + column +
                     "\" column (zelq-list show --format csv writes the columns import reads)";
        }
        return false;
    };
    for (int c = 0; c < kColumns; ++c) {
        const auto named = [&](const std::string& field) { return LowerAscii(Trim(field)) == kColumnNames[c]; };
        const auto found = std::find_if(fields.begin(), fields.end(), named);
        input->Columns[c] = found == fields.end() ? std::string::npos : static_cast<std::size_t>(found - fields.begin());
        if (input->Columns[c] == std::string::npos && kRequired[c]) return missing(kColumnNames[c]);
        // Two columns of one name (one copied, then edited): which holds the
        // rows' values cannot be told.
        const auto again = found == fields.end() ? found : std::find_if(found + 1, fields.end(), named);
        if (again != fields.end()) {
            *error = input->File + ": two \"" + kColumnNames[c] + "\" columns, " + ColumnLetters(input->Columns[c]) +
                     " and " + ColumnLetters(static_cast<std::size_t>(again - fields.begin())) +
                     ": delete the one import should not read, or rename it";
            return false;
        }
    }
    if (input->Columns[kPosition] == std::string::npos && input->Columns[kTenths] == std::string::npos) {
        return missing(kColumnNames[kPosition]);
    }
    for (std::size_t i = 0; i < fields.size(); ++i) {
        const std::string& field = fields[i];
        if (!IsViewRecord(field)) continue;
        if (input->Recorded || reader->Cut(i) || !ParseViewRecord(field, &input->View)) {
            *error = input->File + ": the header's " + Cell(field) +
                     " is not a view show --format csv writes (view: satellite \"NAME\", find \"TEXT\")";
            return false;
        }
        input->Recorded = true;
    }
    return true;
}

// Whether the bytes are a channel list rather than a CSV: their first line
// reads as a line of the list.
bool IsChannelList(const char* data, std::size_t size) {
    LineReader reader = MakeLineReader(data, size);
    ListLine line;
    return NextListLine(&reader, &line) && line.Kind != kLineUnreadable;
}

// Reads the CSV file and its header; false with a message.
bool ReadCsvFile(const std::string& listPath, ImportEdit* input, std::string* error) {
    const std::string& file = input->File;
    if (SameFile(file, listPath)) {
        *error = file + " is the list itself (--list names it); import takes a CSV that show --format csv wrote";
        return false;
    }
    // A pipe would keep the reading waiting for a writer: what is not a file
    // is refused before it is opened.
    const std::string kind = NotAFileKind(file);
    if (!kind.empty()) {
        *error = "cannot read " + file + ": it is " + kind + ", not a file; import reads a CSV file";
        return false;
    }
    // The largest CSV import reads is as large as the largest list, of which
    // a CSV of every row takes about as much again.
    ListFiles files;
    if (!ReadListFile(&files, file.c_str(), MaxListSize(), &input->Bytes)) {
        *error = ReadFailure(file, input->Bytes.Size, files.Error, "imports CSV files", MaxListSize());
        return false;
    }
    const char* const data = input->Bytes.Data;
    const std::size_t size = input->Bytes.Size;
    *error = NotCsvText(file, data, size);
    if (!error->empty()) return false;
    input->Text = std::string_view(data, size);
    std::string_view& text = input->Text;
    if (StartsWithByteOrderMark(data, size)) {
        // The mark says UTF-8: a byte that is not is an error, never a
        // reason to read every name in another code page.
        text.remove_prefix(kByteOrderMarkSize);
        const std::size_t bad = Utf8Prefix(text.data(), text.size());
        if (bad < text.size()) {
            const std::size_t lineStart = text.find_last_of("\r\n", bad) + 1;  // npos + 1: the first line
            char byte[8];
            std::snprintf(byte, sizeof byte, "%02X", static_cast<unsigned>(static_cast<unsigned char>(text[bad])));
            *error = file + ":" + std::to_string(CountLineBreaks(text.data(), text.data() + lineStart) + 1) + ":" +
                     std::to_string(CountUtf8Characters(text.data() + lineStart, bad - lineStart) + 1) +
                     ": the byte " + byte + " is not UTF-8, though the file begins with the mark of UTF-8; correct "
                     "that cell, or save the file again as \"CSV UTF-8\"";
            return false;
        }
    } else {
        input->InCodePage = Utf8Prefix(data, size) < size;
        // Lines that end in CR alone, in a code page: the "CSV" a Mac saves,
        // in Mac Roman, whose letters and signs ("°") are not those of the
        // list's code page.
        const std::size_t lineEnd = text.find_first_of("\r\n");
        if (input->InCodePage && lineEnd != std::string_view::npos && text[lineEnd] == '\r' &&
            (lineEnd + 1 == text.size() || text[lineEnd + 1] != '\n')) {
            *error = file + " is not UTF-8, and its lines end in CR alone: a CSV saved on a Mac, in the Mac's own " +
                     "code page; save it as \"CSV UTF-8\" to import it";
            return false;
        }
    }
    if (IsChannelList(data, size)) {
        *error = file + " is a channel list, not a CSV; merge adds the channels of another list";
        return false;
    }
    CsvReader reader(text.data(), text.size());
    return ReadHeader(&reader, input, error);
}

// The message for a channel the CSV names on two lines.
std::string RepeatedMessage(const std::string& file, std::uint32_t key, std::size_t first, std::size_t again) {
    const DecodedCode decoded = DecodeChannelKey(key);
    return At(file, again) + "ident " + std::to_string(decoded.ChannelIdent) + " at " +
           PositionText(decoded.SatPosition) + " is on line " + std::to_string(first) +
           " already; a channel can be in the list once";
}

// A channel new to the list and the CSV line that names it.
struct ChannelLine {
    std::uint32_t Key;
    std::uint32_t Line;
};

// The first CSV line that names a new channel an earlier line names too:
// false when there is none, else true with the message.
bool RepeatedNewChannel(std::vector<ChannelLine> channels, const std::string& file, std::string* error) {
    std::sort(channels.begin(), channels.end(), [](const ChannelLine& a, const ChannelLine& b) {
        return a.Key != b.Key ? a.Key < b.Key : a.Line < b.Line;
    });
    // The earliest line that names a channel again is its channel's second:
    // its first stands just before it.
    std::size_t again = 0;
    for (std::size_t i = 1; i < channels.size(); ++i) {
        if (channels[i].Key == channels[i - 1].Key && (again == 0 || channels[i].Line < channels[again].Line)) {
            again = i;
        }
    }
    if (again == 0) return false;
    *error = RepeatedMessage(file, channels[again].Key, channels[again - 1].Line, channels[again].Line);
    return true;
}

// A code cell that is still twelve hexadecimal digits, as code bytes;
// false for any other.
bool ReadCode(const std::string& given, std::uint8_t code[6]) {
    if (given.size() != 12 || !IsWholeNumberText(given, 16)) return false;
    for (int i = 0; i < 6; ++i) {
        unsigned long byte = 0;
        ParseWholeNumber(given.substr(2 * i, 2), 16, 0, 255, &byte);
        code[i] = static_cast<std::uint8_t>(byte);
    }
    return true;
}

// A row of the CSV as read: its flag, its code, and its name cell.
struct CsvRow {
    std::uint8_t Flag;
    std::uint8_t Code[6];
    std::string Name;
};

// Whether a satellite cell names the satellite at the position (case and
// blanks around it aside); an empty cell names none and is no change.
bool SatelliteAgrees(const std::string& cell, std::uint16_t position) {
    const char* const name = SatelliteNameFor(position);
    if (cell == name) return true;  // as show wrote it: most rows
    const std::string trimmed = Trim(cell);
    return trimmed.empty() || FoldName(trimmed) == FoldName(name);
}

// One row of the CSV; false with a message naming the line when a cell does
// not read, disagrees with the code beside it, or names a channel add would
// refuse. A code that names a row of the list is that row's channel.
bool ReadCsvRow(const ImportEdit& input, const ListIndex& index, const CodePage& page, const CsvReader& reader,
                const std::vector<std::string>& fields, const std::string& at, CsvRow* row, std::string* error) {
    // Cells as UTF-8 (a CSV not in UTF-8 is in the list's code page); the
    // name is taken as it is, and converted where it is compared.
    const auto cell = [&](int c) {
        if (input.Columns[c] >= fields.size()) return std::string();
        const std::string& text = fields[input.Columns[c]];
        return input.InCodePage && c != kName ? NameToUtf8(page, text.data(), text.size()) : text;
    };
    const auto fail = [&](const std::string& message) {
        *error = at + message;
        return false;
    };
    // A number cell that does not read, or (below) a zero add refuses.
    const auto notNumber = [&](int c, const char* what) {
        return fail(std::string("the ") + kColumnNames[c] + " " + Cell(cell(c)) + " is not " + what);
    };
    const char* const kIdentIs = "a whole number from 1 to 65535";
    const char* const kMhzIs = "a whole number of MHz from 1 to 65535";
    unsigned long flag = 0;
    unsigned long ident = 0;
    unsigned long mhz = 0;
    if (!ParseWholeNumber(Trim(cell(kFlag)), 10, 0, 255, &flag)) return notNumber(kFlag, "a number from 0 to 255");
    if (!ParseWholeNumber(Trim(cell(kIdent)), 10, 0, 65535, &ident)) return notNumber(kIdent, kIdentIs);
    if (!ParseWholeNumber(Trim(cell(kMhz)), 10, 0, 65535, &mhz)) return notNumber(kMhz, kMhzIs);
    // The position as add reads it; the tenths, which follow from it, only
    // where it is empty, or where it is the list's own beyond add's range.
    const std::string positionCell = Trim(cell(kPosition));
    const std::string tenthsCell = Trim(cell(kTenths));
    unsigned long tenths = 0;
    if (!tenthsCell.empty() && !ParseWholeNumber(tenthsCell, 10, 0, 65535, &tenths)) {
        return notNumber(kTenths, "a whole number from 1 to 3599");
    }
    std::uint16_t position = 0;
    const bool positionReads =
        !positionCell.empty() && ParsePosition(positionCell.data(), positionCell.size(), &position);
    row->Flag = static_cast<std::uint8_t>(flag);
    row->Name = UnguardName(cell(kName));
    if (reader.Cut(input.Columns[kName])) {
        return fail("the name " + Cell(row->Name) + " is over " + std::to_string(kMaxCsvCell) +
                    " bytes long, and a name in the list holds at most 30");
    }

    const std::string given = Trim(cell(kCode));
    bool coded = ReadCode(given, row->Code);
    DecodedCode decoded{};
    // The first cell beside the code that names another value than the
    // code's, or kColumns when they all agree.
    const auto place = [&] { return PositionText(decoded.SatPosition); };
    const auto disagreeing = [&]() -> int {
        if (ident != decoded.ChannelIdent) return kIdent;
        if (!positionCell.empty() && !(positionReads && position == decoded.SatPosition) && positionCell != place()) {
            return kPosition;
        }
        if (!tenthsCell.empty() && tenths != decoded.SatPosition) return kTenths;
        if (!SatelliteAgrees(cell(kSatellite), decoded.SatPosition)) return kSatellite;
        if (mhz != TransponderMhz(row->Code)) return kMhz;
        return kColumns;
    };
    // Whether the code is that of a row of the list, as it was exported.
    const auto listedCode = [&](const std::uint8_t code[6]) {
        std::size_t listed;
        return FindChannelRow(index, ChannelKey(code), &listed) && std::equal(code, code + 6, index.Rows[listed].Code);
    };
    if (coded) {
        decoded = DecodeEntryCode(row->Code);
        if (!listedCode(row->Code) && disagreeing() != kColumns) {
            // A code no row of the list has, beside cells of another channel.
            // Where those cells are a row of the list as it was exported, the
            // code is what a spreadsheet made of it (122969565E03 read as a
            // number, 122969565000) and is passed over, as "1.22E+11" is;
            // otherwise the code cell is what changed.
            const unsigned long at = positionReads ? position : tenths;
            const EntryCode own = EncodeEntryCodeMhz(static_cast<std::uint16_t>(ident), static_cast<std::uint16_t>(at),
                                                     static_cast<std::uint16_t>(mhz));
            if (!listedCode(own.Bytes)) {
                return fail("the code " + Cell(given) + " is no code of the list's rows, nor the code of the cells " +
                            "beside it: a spreadsheet may have turned it into another number; clear the code cell, " +
                            "and the row's channel is taken from its ident, position and mhz");
            }
            coded = false;
        }
    }
    if (coded) {
        // The code names the channel; each cell beside it must agree. The
        // texts of the messages, made only for a message: a cell beside the
        // code that names another value than the code's.
        const auto notTheCodes = [&](int c, const std::string& value, const char* why) {
            return fail(std::string("the ") + kColumnNames[c] + " " + Cell(cell(c)) + " is not the " + value +
                        " of the code " + CodeText(row->Code) + " beside it: to change it, clear the code cell too" +
                        why);
        };
        const char* const another = " (a new ident or position makes it another channel)";
        switch (disagreeing()) {
        case kIdent:
            return notTheCodes(kIdent, std::to_string(decoded.ChannelIdent), another);
        case kPosition:
            return notTheCodes(kPosition, place(), another);
        case kTenths:
            return notTheCodes(kTenths, std::to_string(decoded.SatPosition), another);
        case kSatellite:
            return notTheCodes(kSatellite, std::string(SatelliteNameFor(decoded.SatPosition)) + " at " + place(),
                               "; the satellite follows from the position (a new position makes it another channel)");
        case kMhz:
            return notTheCodes(kMhz, std::to_string(TransponderMhz(row->Code)), "");
        default:
            break;
        }
        std::size_t listed;
        if (FindChannelRow(index, ChannelKey(row->Code), &listed)) return true;
        position = decoded.SatPosition;
    } else {
        if (!positionCell.empty() && !positionReads) {
            // The list's own position beyond add's range, as show writes it.
            if (tenthsCell.empty() || PositionText(static_cast<std::uint16_t>(tenths)) != positionCell) {
                return fail("the position " + Cell(cell(kPosition)) +
                            " is not a position such as 13.0E, 13E, 7W or 0.8W (at most 180 degrees)");
            }
            position = static_cast<std::uint16_t>(tenths);
        } else if (positionCell.empty()) {
            if (tenthsCell.empty()) return fail("the position is empty; a channel needs one, such as 13.0E or 7W");
            position = static_cast<std::uint16_t>(tenths);
        } else if (!tenthsCell.empty() && tenths != position) {
            return fail("the tenths " + Cell(cell(kTenths)) + " are not the position " + Cell(cell(kPosition)) +
                        ", from which they follow: clear the tenths cell");
        }
        if (!SatelliteAgrees(cell(kSatellite), position)) {
            return fail("the satellite " + Cell(cell(kSatellite)) + " is not " + SatelliteNameFor(position) +
                        ", the satellite at " + PositionText(position) +
                        ": the satellite follows from the position, so change the position to move the channel");
        }
        const EntryCode entry =
            EncodeEntryCodeMhz(static_cast<std::uint16_t>(ident), position, static_cast<std::uint16_t>(mhz));
        std::copy(entry.Bytes, entry.Bytes + 6, row->Code);
        // The list's own row, as it is, is kept whatever its values.
        std::size_t listed;
        if (FindChannelRow(index, ChannelKey(row->Code), &listed) &&
            std::equal(row->Code, row->Code + 6, index.Rows[listed].Code)) {
            return true;
        }
    }
    // A channel new to the list, or changed: what add takes.
    if (ident == 0) return notNumber(kIdent, kIdentIs);
    if (position == 0 || position >= 3600) {
        return fail("the position " + PositionText(position) + " is no satellite position from 1 to 3599 tenths, " +
                    "as add takes (13.0E, 7W)");
    }
    if (mhz == 0) return notNumber(kMhz, kMhzIs);
    return true;
}

// Whether a name cell is the list's name with letters turned into "?", as a
// CSV saved in a code page that lacks them holds it.
bool LettersLost(const std::string& listed, const std::string& cell) {
    std::vector<std::uint32_t> a;
    std::vector<std::uint32_t> b;
    if (!DecodeUtf8(listed, &a) || !DecodeUtf8(cell, &b) || a.size() != b.size() || a == b) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (a[i] != b[i] && (b[i] != '?' || a[i] < 0x80)) return false;
    }
    return true;
}

// The text without its control characters (C0, DEL, C1).
std::string WithoutControls(const std::string& utf8) {
    std::vector<std::uint32_t> characters;
    if (!DecodeUtf8(utf8, &characters)) return utf8;
    std::string text;
    for (const std::uint32_t c : characters) {
        if (!IsControlCharacter(c)) AppendUtf8(&text, c);
    }
    return text;
}

// The name a CSV row gives its row: the row's own name, byte for byte, when
// the cell holds it as show wrote it (its first 30 bytes, for a longer one);
// otherwise the cell's name, which must be one a user may type.
bool RowNameFromCell(const EditSession& session, const ImportEdit& input, bool listed, std::size_t row,
                     const std::string& cell, std::string* name, std::string* error) {
    const ListIndex& index = session.List.Index;
    const std::string typed = input.InCodePage ? NameToUtf8(session.Page, cell.data(), cell.size()) : cell;
    if (listed) {
        const std::string_view shown(RowName(index, row), RowShownNameLength(index, row));
        const std::string own = NameToUtf8(session.Page, shown.data(), shown.size());
        // A spreadsheet's own files (.ods, .xlsx) cannot hold control
        // characters and drop them: the name without them (guarded or not)
        // is the same name.
        const bool same = (input.InCodePage ? cell == shown : cell == own) ||
                          (typed != own && (typed == WithoutControls(own) || typed == WithoutControls(GuardName(own))));
        if (same) {
            *name = WholeRowName(index, row);
            return true;
        }
        if (LettersLost(own, typed) || LettersLost(GuardName(own), typed)) {
            *error = "the name " + Cell(typed) + " is the list's " + Cell(own) +
                     " with letters turned into \"?\": the CSV was saved in a code page that lacks them; save it "
                     "as \"CSV UTF-8\" and import that";
            return false;
        }
    }
    std::string why;
    if (!CheckListName(typed, session.Page, name, &why)) {
        *error = "the name " + Cell(typed) + " " + why;
        return false;
    }
    return true;
}

// The CSV line that first names a channel (for the message of a channel it
// names twice: reading the CSV again costs nothing until then).
std::size_t FirstLineOf(const ImportEdit& input, const ListIndex& index, const CodePage& page, std::uint32_t key) {
    CsvReader reader(input.Text.data(), input.Text.size());
    std::vector<std::string> fields;
    std::size_t line = 0;
    std::string error;
    CsvRow row;
    reader.Next(&fields, &line, &error);  // the header
    while (reader.Next(&fields, &line, &error)) {
        if (ReadCsvRow(input, index, page, reader, fields, std::string(), &row, &error) && ChannelKey(row.Code) == key) break;
    }
    return line;
}

// Whether the CSV was made from another list: fewer than half of the
// channels its code cells name are the list's. The message, or empty.
std::string OfAnotherList(const ImportEdit& input, const ListIndex& index, const std::string& listPath) {
    CsvReader reader(input.Text.data(), input.Text.size());
    std::vector<std::string> fields;
    std::size_t line = 0;
    std::string error;
    std::size_t coded = 0;
    std::size_t listed = 0;
    reader.Next(&fields, &line, &error);  // the header
    while (reader.Next(&fields, &line, &error)) {
        if (input.Columns[kCode] >= fields.size()) continue;
        std::uint8_t code[6];
        if (!ReadCode(Trim(fields[input.Columns[kCode]]), code)) continue;
        std::size_t row;
        ++coded;
        listed += FindChannelRow(index, ChannelKey(code), &row) ? 1 : 0;
    }
    if (coded == 0 || listed * 2 >= coded) return std::string();
    return input.File + " was made from another list: " +
           (listed == 0 ? std::string("none") : "only " + std::to_string(listed)) + " of the " +
           std::to_string(coded) + " channels of its rows " + (listed == 1 ? "is" : "are") + " in " + listPath +
           "; nothing was written: import it into the list it was made from (--list), or export this one's rows";
}

// Rows as the remove command takes them: "4,6-7".
std::string RowRanges(const std::vector<std::size_t>& rows) {
    std::string text;
    for (std::size_t i = 0; i < rows.size();) {
        std::size_t j = i;
        while (j + 1 < rows.size() && rows[j + 1] == rows[j] + 1) ++j;
        text += (text.empty() ? "" : ",") + std::to_string(rows[i] + 1) +
                (j > i ? "-" + std::to_string(rows[j] + 1) : std::string());
        i = j + 1;
    }
    return text;
}

// The rows a CSV without the record does not hold: one line each, and the
// command that would remove them.
std::string UnheldRows(const EditSession& session, const ImportEdit& input, const std::vector<bool>& named) {
    std::vector<std::size_t> rows;
    std::string text = input.File + ": its header records no view (show writes it in the last cell), so the "
                                    "import removes no row\n";
    for (std::size_t row = 0; row < named.size(); ++row) {
        if (named[row]) continue;
        rows.push_back(row);
        text += RowAt(session, row) + "row " + std::to_string(row + 1) + " is not in " + input.File +
                ", and stays: " + ShownRowLine(session, row) + "\n";
    }
    if (rows.empty()) return std::string();
    return text + input.File + ": to remove the row" + Plural(rows.size()) + " it does not hold, run remove " +
           RowRanges(rows) + " (or import a CSV whose header keeps the view cell show writes)\n";
}

// The import's plan: each CSV row takes the list's row of its channel, kept as
// it is when nothing of it changed, or a line written anew, in the CSV's order.
bool PlanEdit(const EditSession& session, ImportEdit& input, EditPlan* plan, std::string* error) {
    const ListIndex& index = session.List.Index;
    if (index.File.Size == input.Bytes.Size && index.File.Size > 0 &&
        std::memcmp(index.File.Data, input.Bytes.Data, index.File.Size) == 0) {
        *error = input.File + " is the list itself; import takes a CSV that show --format csv wrote";
        return false;
    }
    // Which of the list's rows the CSV shows: those of its view; for a CSV
    // without the record, those it names (known at the end).
    const bool everyRow = input.Recorded && input.View.Filter.Find.empty() && input.View.Filter.Satellite.empty();
    const bool ofView = input.Recorded && !everyRow;
    CsvReader reader(input.Text.data(), input.Text.size());
    std::vector<std::string> fields;
    std::size_t line = 0;
    // The CSV's records are counted first: an array of what its rows add
    // grows once, at the first row that needs it, to room for every row
    // left, so that it is never copied into a larger one.
    std::size_t left = 0;
    for (CsvReader counter = reader; counter.Next(&fields, &line, error);) ++left;
    error->clear();
    const std::size_t rows = left > 0 ? left - 1 : 0;  // below the header
    std::vector<bool> inView;
    if (input.Recorded) {
        // Exactly the rows a spreadsheet holds, of a view of more: it dropped
        // the rest, which would be taken as deleted.
        if (input.View.Marked && input.View.Rows > kSpreadsheetRows && rows == kSpreadsheetRows) {
            *error = input.File + " holds " + std::to_string(rows) + " rows, all a spreadsheet keeps, of the " +
                     std::to_string(input.View.Rows) + " it was made with: the spreadsheet dropped the rows past " +
                     "its last; nothing was written: export fewer rows (show --find, --satellite) and edit them " +
                     "a part at a time";
            return false;
        }
        inView = RowsInView(index, session.Page, input.View.Filter);
        // Rows of the view the CSV cannot have held (the list changed since
        // it was made) would be taken as deleted: refuse.
        const CsvView now = MakeCsvView(index, input.View.Filter, inView);
        if (input.View.Marked && (now.Rows != input.View.Rows || now.Mark != input.View.Mark)) {
            *error = OfAnotherList(input, index, session.Options.ListPath);
            if (error->empty()) {
                *error = input.File + ": the list's rows" +
                         (everyRow ? std::string() : " of " + EscapeControls(ViewText(input.View.Filter))) +
                         " have changed since it was made (" + std::to_string(input.View.Rows) + " row" +
                         Plural(input.View.Rows) + " then, " + std::to_string(now.Rows) +
                         " now); nothing was written: export them again";
            }
            return false;
        }
    }
    std::vector<PlannedRow> heldRows;  // the rows of the view the CSV holds, in its order
    std::size_t filled = 0;            // places filled, for a CSV of every row

    plan->SourceFiles.push_back(input.File);
    const auto roomFor = [&](auto* items) {
        if (items->size() == items->capacity()) items->reserve(items->size() + left);
    };
    reader.Next(&fields, &line, error);  // the header, read before
    // The channels named so far: a bit for each of the list's rows, and the
    // lines of those new to it.
    std::vector<bool> named(index.RowCount, false);
    std::vector<ChannelLine> fresh;
    CsvRow csvRow;
    while (reader.Next(&fields, &line, error)) {
        --left;
        if (std::all_of(fields.begin(), fields.end(), [](const std::string& field) { return Trim(field).empty(); })) {
            continue;  // a blank row of a spreadsheet
        }
        const std::string at = At(input.File, line);
        std::size_t row = 0;
        std::string name;
        bool ok = ReadCsvRow(input, index, session.Page, reader, fields, at, &csvRow, error);
        const std::uint32_t key = ok ? ChannelKey(csvRow.Code) : 0;
        const bool listed = ok && FindChannelRow(index, key, &row);
        if (ok && listed && named[row]) {
            *error = RepeatedMessage(input.File, key, FirstLineOf(input, index, session.Page, key), line);
            ok = false;
        } else if (ok && !RowNameFromCell(session, input, listed, row, csvRow.Name, &name, error)) {
            *error = at + *error;
            ok = false;
        }
        if (!ok) {
            // A new channel named twice before this line is said first.
            RepeatedNewChannel(std::move(fresh), input.File, error);
            return false;
        }

        PlannedRow planned;
        if (listed) {
            named[row] = true;
            planned.OldRow = static_cast<std::uint32_t>(row);
            const IndexRow& old = index.Rows[row];
            const bool same = csvRow.Flag == old.Flag && std::equal(csvRow.Code, csvRow.Code + 6, old.Code) &&
                              name == std::string_view(RowName(index, row), RowNameLength(index, row));
            if (!same) planned.NewLine = plan->AddLine(csvRow.Flag, csvRow.Code, name);
        } else {
            roomFor(&fresh);
            fresh.push_back(ChannelLine{key, static_cast<std::uint32_t>(line)});
            planned.NewLine = plan->AddLine(csvRow.Flag, csvRow.Code, name);
        }
        // Where it came from, for what the import tells: not needed for a
        // row of a CSV of every row that stays as it is in its place.
        if (!everyRow || planned.NewLine != kNoLine || planned.OldRow != filled) {
            roomFor(&plan->Sources);
            planned.Source = plan->AddSource(0, static_cast<std::uint32_t>(line));
        }
        if (everyRow && filled < index.RowCount) {
            // The rows fill the places of the list's rows in the CSV's
            // order; rows beyond them go after the last line.
            plan->AtPlace[filled++] = planned;
        } else if (everyRow || !listed) {
            roomFor(&plan->Added);
            plan->Added.push_back(planned);  // beyond those places, or new where a view cannot say: at the end
        } else if (ofView && !inView[row]) {
            plan->AtPlace[row] = planned;  // a row outside the view, changed in its place
        } else {
            roomFor(&heldRows);
            heldRows.push_back(planned);
        }
    }
    if (!error->empty()) {
        *error = input.File + ": " + *error;
        return false;
    }
    if (RepeatedNewChannel(std::move(fresh), input.File, error)) return false;
    if (everyRow) {
        // Places left over are emptied: their rows are those the CSV no
        // longer holds.
        for (; filled < index.RowCount; ++filled) plan->AtPlace[filled] = PlannedRow();
        return true;
    }
    // The rows the CSV holds take their own places in the CSV's order; the
    // places of the view's rows it no longer holds are emptied, and a CSV
    // without the record leaves every row it does not hold in its place.
    if (!ofView) input.Unheld = UnheldRows(session, input, named);
    for (std::size_t row = 0, held = 0; row < index.RowCount; ++row) {
        if (named[row] && (!ofView || inView[row])) {
            plan->AtPlace[row] = heldRows[held++];
        } else if (ofView && inView[row]) {
            plan->AtPlace[row] = PlannedRow();
        }
    }
    return true;
}

void DescribeEdit(const EditSession& session, const EditPlan& plan, const ImportEdit& input, std::ostream& out) {
    // The rows as they come out: the filled places, then the added rows.
    std::vector<bool> kept(session.List.Index.RowCount, false);
    for (const std::vector<PlannedRow>* rows : {&plan.AtPlace, &plan.Added}) {
        for (const PlannedRow& planned : *rows) {
            if (planned.OldRow != kNoRow) kept[planned.OldRow] = true;
        }
    }
    for (std::size_t row = 0; row < kept.size(); ++row) {
        if (!kept[row]) out << RowAt(session, row) << "remove row " << row + 1 << ": " << ShownRowLine(session, row) << '\n';
    }
    // Each CSV row's change; rows the CSV did not hold are only numbered anew.
    std::size_t i = 0;  // the row's place in the new list
    for (const std::vector<PlannedRow>* rows : {&plan.AtPlace, &plan.Added}) {
        for (const PlannedRow& planned : *rows) {
            if (planned.Empty()) continue;
            const std::size_t place = i++;
            if (planned.Source == kNoSource) continue;
            const std::string at = At(plan.SourceFiles[0], plan.Sources[planned.Source].Line);
            if (planned.OldRow == kNoRow) {
                out << at << "add as row " << place + 1 << ": " << ShownText(session.Page, plan.Line(planned.NewLine))
                    << '\n';
            } else if (planned.NewLine != kNoLine || planned.OldRow != place) {
                out << at << "row " << planned.OldRow + 1
                    << (planned.OldRow == place ? "" : " becomes row " + std::to_string(place + 1)) << ": "
                    << ShownRowLine(session, planned.OldRow);
                if (planned.NewLine != kNoLine) out << " -> " << ShownText(session.Page, plan.Line(planned.NewLine));
                out << '\n';
            }
        }
    }
    out << input.Unheld;
    input.UnheldTold = true;
}

}  // namespace

int ImportCsv(const ListOptions& options, const std::string& file, std::ostream& out, std::ostream& err) {
    ImportEdit input;
    input.File = file;
    std::string error;
    CodePage page;
    if (!LoadCodePage(options.CodePage, &page, &error) || !ReadCsvFile(options.ListPath, &input, &error)) {
        FreeFileBytes(&input.Bytes);
        ReportError(err, error);
        return kExitError;
    }
    // How the CSV was read, before what it changes.
    if (input.InCodePage) {
        out << file << ": not UTF-8, so read in the list's code page, " << options.CodePage << "\n";
    }
    if (input.Recorded && (!input.View.Filter.Find.empty() || !input.View.Filter.Satellite.empty())) {
        out << file << ": the rows of " << EscapeControls(ViewText(input.View.Filter))
            << "; the list's other rows stay as they are\n";
    }
    const int status = RunEdit(options, true, input, out, err);
    // With nothing to change, the rows the CSV does not hold are still told.
    if (status == kExitOk && !input.UnheldTold) out << input.Unheld;
    FreeFileBytes(&input.Bytes);
    return status;
}
