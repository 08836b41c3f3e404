#!/usr/bin/env python3
"""Writes the seed corpora under fuzz/corpus/. Run it again after changing a
seed; the fuzz script copies the corpora before fuzzing, so they stay as
written here."""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))

LISTS = {
    "canonical": b"[ 1 A271914BA85C ] [Al Jazeera]\r\n"
                 b"[ 1 69E7DE5757E7 ] [Thor channel]\r\n"
                 b"[ 0 0102030405FF ] [Unchecked]\r\n",
    "lower_case": b"[ 1 a271914ba85c ] [Al Jazeera]\r\n[ 1f 69e7de5757e7 ] [thor]\r\n",
    "extra_spaces": b"  [  1   a271  914B\ta85c   ]   [  spaced name ]  \r\n"
                    b"[1 69E7DE5757E7][tight]\r\n",
    "blank_lines": b"\r\n\r\n[ 1 A271914BA85C ] [One]\r\n\r\n \t \r\n\n[ 1 69E7DE5757E7 ] [Two]\r\n\r\n",
    "lf_only": b"[ 1 A271914BA85C ] [One]\n[ 1 69E7DE5757E7 ] [Two]\n",
    "cr_alone": b"[ 1 A271914BA85C ] [One]\r[ 1 69E7DE5757E7 ] [Two]\r[ 1 0102030405FF ] [Th\rree]\r",
    "no_final_break": b"[ 1 A271914BA85C ] [One]\r\n[ 1 69E7DE5757E7 ] [Two]",
    "digits_9_to_11": b"[ 1 123456789 ] [nine]\r\n[ 1 123456789A ] [ten]\r\n"
                      b"[ 1 123456789AB ] [eleven]\r\n[ 1 12345678 ] [eight]\r\n"
                      b"[ 1 1234567890ABC ] [thirteen]\r\n",
    "flags_0_and_1ff": b"[ 0 A271914BA85C ] [flag zero]\r\n[ 1FF 69E7DE5757E7 ] [flag 1FF]\r\n"
                       b"[ 0000000001 0102030405FF ] [leading zeros]\r\n",
    "long_names": b"[ 1 A271914BA85C ] [" + b"x" * 30 + b"]\r\n"
                  b"[ 1 69E7DE5757E7 ] [" + b"y" * 31 + b"]\r\n"
                  b"[ 1 0102030405FF ] [" + b"z" * 300 + b"]\r\n",
    "bad_line_middle": b"[ 1 A271914BA85C ] [One]\r\n"
                       b"   this is not a channel line\r\n"
                       b"[ 1 69E7DE5757E7 ] [after the bad line]\r\n"
                       b"[ 1 A271914BA85C ] [duplicate after it]\r\n",
    "nul_bytes": b"[ 1 A271914BA85C ] [One]\r\n[ 1 69E7DE5757E7 ] [T\x00wo]\r\n\x00\x00[ 1 0102030405FF ] [x]\r\n",
    "duplicates": b"[ 1 A271914BA85C ] [First]\r\n[ 0 A271914B0000 ] [Same channel]\r\n"
                  b"[ 1 69E7DE5757E7 ] [Other]\r\n[ 1 a271914bffff ] [Again]\r\n",
    "brackets": b"[ 1 A271914BA85C ] [[HD] x]\r\n[ 1 69E7DE5757E7 ] []\r\n]]][[[\r\n",
    "high_bytes": b"[ 1 A271914BA85C ] [\xc7\xe1\xcc\xd2\xed\xd1\xc9]\r\n[ 1 69E7DE5757E7 ] [\xff\xfe\x80]\r\n",
    "junk_after_line": b"[ 1 A271914BA85C ] [One]  junk\r\n[ 1 69E7DE5757E7 ] [Two]\r\n",
    "signs_and_prefixes": b"[ 1 A271914BA85C ] [One]\r\n[ -1 69E7DE5757E7 ] [sign]\r\n"
                          b"[ 0x1 0102030405FF ] [prefix]\r\n",
    "empty": b"",
}


def write(target, name, data):
    folder = os.path.join(HERE, "corpus", target)
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, name), "wb") as out:
        out.write(data)


def add_input(ident, position, tune, switches, name, rows, listed):
    """The add target's input: a 13-byte header, the name, the list file."""
    header = struct.pack("<HII", ident, position, tune) + bytes([switches, len(name) % 93, rows])
    return header + name + listed


def main():
    for name, data in LISTS.items():
        write("line_reader", name, data)
        write("load_list", name, data)

    canonical = LISTS["canonical"]
    adds = {
        "new_channel": add_input(0x2345, 130, 11747000, 0, b"New channel", 3, canonical),
        "already_listed": add_input(0x1234, 130, 12600000, 0, b"Al Jazeera HD", 3, canonical),
        "host_asked": add_input(0x1234, 3590, 10971000, 1, b"Asked", 0, canonical),
        "host_answers_zero": add_input(0x1234, 0, 10971000, 1, b"Zero", 0, canonical),
        "position_high_bits": add_input(0x1234, 0x30000, 10971000, 0, b"High", 0, canonical),
        "no_valid_word": add_input(0x1234, 130, 10971000, 2, b"Invalid", 0, canonical),
        "no_file": add_input(0x0001, 192, 11000000, 4, b"First", 0, b""),
        "no_final_break": add_input(0x0002, 192, 11000000, 0, b"Next", 2, LISTS["no_final_break"]),
        "bad_line_middle": add_input(0x1234, 130, 11000000, 0, b"Behind", 1, LISTS["bad_line_middle"]),
        "name_with_brackets": add_input(0x0003, 130, 11000000, 0, b"News [HD]\r\nx", 0, canonical),
        "name_spaces": add_input(0x0004, 130, 11000000, 0, b"  spaced  ", 0, canonical),
        "name_full_field": add_input(0x0005, 130, 11000000, 0, b"N" * 92, 0, canonical),
        "name_white_space_only": add_input(0x0006, 130, 11000000, 0, b"\x0c" * 12, 0, canonical),
        "white_space_name_line": add_input(0x1234, 130, 11000000, 0, b"Hidden", 0,
                                           b"[ 1 0000000000FF ] [   ]\r\n" + canonical),
        "listed_spellings": add_input(0x0001, 0, 11000000, 8, b"Spelled", 0,
                                      b"[ 1 a271 914b a85c ] [one]\n[1 0A271\t0914B A85C][two]\n"
                                      b"[ 0 271 14B 5C ] [short groups]\r\n[ 1 00000000 0 ] [zeros]\r\n"),
        "loose_spacing": add_input(0x1234, 130, 11000000, 0, b"Loose", 0,
                                   b"  [ 1  a271 914b a85c ] [  spaced  ]\n"),
    }
    for name, data in adds.items():
        write("add_channel", name, data)

    # The edit target's input: the edit (remove, move, rename, flag off, flag
    # on, sort), its row and the row to move to, then the list file.
    edits = {
        "remove_before_bom_line": bytes([0, 0, 0]) + b"[ 1 A271914BA85C ] [One]\r\n"
                                  b"\xef\xbb\xbf[ 1 69E7DE5757E7 ] [looks like a mark]\r\n"
                                  b"[ 1 0102030405FF ] [Two]\r\n",
        "move_with_duplicates": bytes([1, 2, 0]) + LISTS["duplicates"],
        "rename_long_name": bytes([2, 1, 0]) + LISTS["long_names"],
        "flag_off_bad_line": bytes([3, 0, 0]) + LISTS["bad_line_middle"],
        "flag_on_lower_case": bytes([4, 1, 0]) + LISTS["lower_case"],
        "sort_two_per_line": bytes([5, 0, 0]) + b"[ 1 69E7DE5757E7 ] [" + b"y" * 31 + b"] [ 1 A271914BA85C ] [x]\r\n",
        "move_cr_alone": bytes([1, 0, 2]) + LISTS["cr_alone"],
        "remove_no_final_break": bytes([0, 1, 0]) + LISTS["no_final_break"] + b" junk",
        # A row moved behind the line it shared a line of text with, and a
        # bad line after them, which must stay on a line of its own.
        "moved_line_before_a_kept_line": bytes([1, 0x44, 0x0D]) + b"[1 6DE1514E7][5][1 69E7D57E7][T]\r ]",
    }
    for name, data in edits.items():
        write("edit_list", name, data)

    # The import target's input: a byte choosing the property (even: the
    # list's own CSV imported back; odd: a CSV given), the code page
    # (bits 1-2: 1256, 1252, 1251), the view (bits 3-4: none, find "a",
    # find "tv", satellite "hotbird") and, for the list's own CSV, whether
    # its header's view cell is deleted (bit 5); for a CSV given, the list's
    # length in two bytes, the list, then the CSV.
    def csv_input(choice, listed, csv):
        return bytes([choice, len(listed) & 0xFF, len(listed) >> 8]) + listed + csv

    header = "\ufeffrow,line,flag,ident,position,satellite,mhz,code,tenths,name".encode("utf-8")
    names = (b"[ 1 A271914BA85C ] [007]\r\n[ 1 69E7DE5757E7 ] [a\tb]\r\n[ 0 0102030405FF ] [   ]\r\n"
             b"[ 1 0203040506FF ] [\xd3\x90 TV]\r\n[ 1 0304050607FF ] [\x81\x8d\x8f\x90\x9d]\r\n"
             b"[ 1 0405060708FF ] [=1+1]\r\n[ 1 0506070809FF ] ['quoted, \"too\"]\r\n")
    imports = {
        "round_trip_canonical": bytes([0]) + LISTS["canonical"],
        "round_trip_odd_names_1252": bytes([2]) + names + LISTS["bad_line_middle"],
        "round_trip_find_a": bytes([8]) + LISTS["duplicates"] + LISTS["long_names"],
        "round_trip_satellite": bytes([24]) + LISTS["extra_spaces"] + LISTS["no_final_break"],
        "round_trip_no_view_cell": bytes([40]) + LISTS["duplicates"] + LISTS["canonical"],
        "csv_edited": csv_input(1, LISTS["bad_line_middle"], header + b"\r\n"
                                b"3,3,1,13003,,,11000,69E7DE5757E7,3590,after the bad line\r\n"
                                b",,0,4660,,,11747,,130,'007\r\n,,1,1,,,1,,1,New\r\n"),
        "csv_view": csv_input(9, LISTS["canonical"], header + b",\"view: find \"\"a\"\"\"\r\n"
                              b"1,1,1,4660,,,11747,A271914BA85C,130,Al Jazeera\r\n"),
        "csv_in_code_page": csv_input(1, LISTS["high_bytes"], b"flag;ident;tenths;mhz;name\r\n"
                                      b"1;4660;130;11747;\xc7\xe1\xcc\xd2\r\n"),
        "csv_quote_left_open": csv_input(1, LISTS["canonical"], header + b"\r\n1,1,1,4660,,,11747,,130,\"open\r\n"),
    }
    for name, data in imports.items():
        write("import_csv", name, data)


if __name__ == "__main__":
    main()
