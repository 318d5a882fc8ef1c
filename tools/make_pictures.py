#!/usr/bin/env python3
"""Draw Orbelan's bitmaps and program icon.

Every picture is defined below as rows of characters; each character is
looked up in a palette and becomes one pixel.  Running this script from
the repository root (re)writes:

    res/status_icons.bmp  32 status icons, 16 x 16 each, side by side
                          (512 x 16, 24 bpp, magenta = transparent)
    res/picture.bmp       the 172 x 61 picture for the main window and
                          the About box (24 bpp)
    res/orbelan.ico       the program icon: 48 x 48, 16 x 16 and 32 x 32,
                          32 bpp with alpha

Only the Python standard library is used and the output is byte-for-byte
the same on every run.  Before writing anything the script checks its own
drawings and stops with an error if something is wrong.
"""

import os
import struct
import sys

# ---------------------------------------------------------------------------
# Colours
# ---------------------------------------------------------------------------

MAGENTA = (255, 0, 255)        # transparent colour of the status icon strip

PALETTE = {
    '.': None,                 # transparent
    'K': (34, 34, 44),         # dark outline
    'W': (255, 255, 255),      # white
    'S': (196, 198, 204),      # silver
    's': (120, 122, 130),      # grey
    'D': (62, 66, 96),         # dark slate
    'd': (104, 110, 150),      # slate
    'Y': (255, 222, 40),       # yellow
    'O': (255, 136, 0),        # orange
    'A': (244, 176, 32),       # amber
    'R': (222, 32, 44),        # red
    'P': (255, 122, 182),      # pink
    'B': (36, 96, 222),        # blue
    'b': (132, 192, 252),      # light blue
    'G': (44, 170, 64),        # green
    'L': (170, 222, 110),      # pale green
    'N': (142, 82, 36),        # brown
    'l': (255, 242, 196),      # cream
}

# ---------------------------------------------------------------------------
# The 32 status icons, 16 x 16 each, in strip order (icon 1 first).
# ---------------------------------------------------------------------------

STATUS_ICONS = [
    # 1
    ("smiling face", [
        ".....KKKKKK.....",
        "...KKYYYYYYKK...",
        "..KYYYYYYYYYYK..",
        ".KYYYYYYYYYYYYK.",
        ".KYYYKYYYYKYYYK.",
        "KYYYYKYYYYKYYYYK",
        "KYYYYKYYYYKYYYYK",
        "KYYYYYYYYYYYYYYK",
        "KYYYYYYYYYYYYYYK",
        "KYYKYYYYYYYYKYYK",
        "KYYYKYYYYYYKYYYK",
        ".KYYYKKKKKKYYYK.",
        ".KYYYYYYYYYYYYK.",
        "..KYYYYYYYYYYK..",
        "...KKYYYYYYKK...",
        ".....KKKKKK.....",
    ]),
    # 2
    ("coffee cup", [
        ".....s...s......",
        "....s...s.......",
        ".....s...s......",
        "....s...s.......",
        ".KKKKKKKKKKK....",
        ".KNNNNNNNNNKKKK.",
        ".KWWWWWWWWWK..K.",
        ".KWWWWWWWWWK..K.",
        ".KWWWWWWWWWK..K.",
        ".KWWWWWWWWWKKKK.",
        "..KWWWWWWWK.....",
        "..KWWWWWWWK.....",
        "...KKKKKKK......",
        "KKKKKKKKKKKKK...",
        ".KSSSSSSSSSK....",
        "..KKKKKKKKK.....",
    ]),
    # 3
    ("telephone", [
        "................",
        "..KKKKKKKKKKKK..",
        ".KRRRRRRRRRRRRK.",
        "KRRRKKKKKKKKRRRK",
        "KRRK........KRRK",
        ".KK..KKKKKK..KK.",
        "....KRRRRRRK....",
        "...KRRWWWWRRK...",
        "..KRRWKWWKWRRK..",
        "..KRWWWKKWWWRK..",
        ".KRRWKWWWWKWRRK.",
        ".KRRRWWWWWWRRRK.",
        ".KRRRRRRRRRRRRK.",
        ".KKKKKKKKKKKKKK.",
        "................",
        "................",
    ]),
    # 4
    ("music note", [
        "................",
        ".....KKKKKKKKKKK",
        ".....KBBBBBBBBBK",
        ".....KBBBBBBBBBK",
        ".....KBKKKKKKKBK",
        ".....KBK.....KBK",
        ".....KBK.....KBK",
        ".....KBK.....KBK",
        ".....KBK.....KBK",
        ".....KBK.....KBK",
        "..KKKKBK..KKKKBK",
        ".KBBBBBK.KBBBBBK",
        "KBBBBBBKKBBBBBBK",
        "KBBBBBBKKBBBBBBK",
        ".KBBBBK..KBBBBK.",
        "..KKKK....KKKK..",
    ]),
    # 5
    ("book", [
        "................",
        "................",
        ".KKKK......KKKK.",
        "KWWWWKK..KKWWWWK",
        "KWWWWWWKKWWWWWWK",
        "KWssssWKKWssssWK",
        "KWWWWWWKKWWWWWWK",
        "KWssssWKKWssssWK",
        "KWWWWWWKKWWWWWWK",
        "KWssssWKKWssssWK",
        "KWWWWWWKKWWWWWWK",
        "KWWWWWWKKWWWWWWK",
        "KBKKKKWKKWKKKKBK",
        "KBBBBBKKKKBBBBBK",
        ".KKKKKKKKKKKKKK.",
        "................",
    ]),
    # 6
    ("heart", [
        "................",
        "..KKKK....KKKK..",
        ".KRRRRK..KRRRRK.",
        "KRRWWRRKKRRRRRRK",
        "KRWWRRRRRRRRRRRK",
        "KRWRRRRRRRRRRRRK",
        "KRRRRRRRRRRRRRRK",
        "KRRRRRRRRRRRRRRK",
        ".KRRRRRRRRRRRRK.",
        "..KRRRRRRRRRRK..",
        "...KRRRRRRRRK...",
        "....KRRRRRRK....",
        ".....KRRRRK.....",
        "......KRRK......",
        ".......KK.......",
        "................",
    ]),
    # 7
    ("crescent moon", [
        ".....KKKK.......",
        "...KKYYK........",
        "..KYYYK.........",
        ".KYYYK......K...",
        ".KYYK......KYK..",
        "KYYYK.......K...",
        "KYYYK...........",
        "KYYYK...........",
        "KYYYYK..........",
        "KYYYYK.......K..",
        ".KYYYYK.....KYK.",
        ".KYYYYYKK..KKK..",
        "..KYYYYYYKKYYK..",
        "...KKYYYYYYKK...",
        ".....KKKKKK.....",
        "................",
    ]),
    # 8
    ("sun", [
        ".......OO.......",
        "..O....OO....O..",
        "...O........O...",
        "......KKKK......",
        "....KKYYYYKK....",
        "....KYYYYYYK....",
        "...KYYYYYYYYK...",
        "OO.KYYYYYYYYK.OO",
        "OO.KYYYYYYYYK.OO",
        "...KYYYYYYYYK...",
        "....KYYYYYYK....",
        "....KKYYYYKK....",
        "......KKKK......",
        "...O........O...",
        "..O....OO....O..",
        ".......OO.......",
    ]),
    # 9
    ("car", [
        "................",
        "................",
        "................",
        "................",
        ".....KKKKKKK....",
        "....KbbKbbbbK...",
        "...KbbbKbbbbbK..",
        ".KKKKKKKKKKKKKK.",
        "KRRRRRRRRRRRRRRK",
        "KRRRRRRRRRRRRRYK",
        "KRKKKKRRRRKKKKRK",
        "KKDDDDKKKKDDDDKK",
        ".KDSSDK..KDSSDK.",
        ".KDDDDK..KDDDDK.",
        "..KKKK....KKKK..",
        "................",
    ]),
    # 10
    ("computer monitor", [
        "................",
        "KKKKKKKKKKKKKKKK",
        "KSSSSSSSSSSSSSSK",
        "KSKKKKKKKKKKKKSK",
        "KSKBBBBBBBBBBKSK",
        "KSKBbBBBBBBBBKSK",
        "KSKBBBBBBBBBBKSK",
        "KSKBBBBBBBBBBKSK",
        "KSKBBBBBBBBBBKSK",
        "KSKKKKKKKKKKKKSK",
        "KSSSSSSSSSSSGSSK",
        "KKKKKKKKKKKKKKKK",
        "......KSSK......",
        "....KKKSSKKK....",
        "...KSSSSSSSSK...",
        "...KKKKKKKKKK...",
    ]),
    # 11
    ("plate with fork and knife", [
        "................",
        "K.K...........KK",
        "K.K..........KSK",
        "K.K...KKKK...KSK",
        "KKK.KKSSSSKK.KSK",
        ".K..KSWWWWSK.KSK",
        ".K.KSWWWWWWSK.KK",
        ".K.KSWWWWWWSK.K.",
        ".K.KSWWWWWWSK.K.",
        ".K.KSWWWWWWSK.K.",
        ".K..KSWWWWSK..K.",
        ".K..KKSSSSKK..K.",
        ".K....KKKK....K.",
        ".K............K.",
        ".K............K.",
        "................",
    ]),
    # 12
    ("beer mug", [
        "................",
        "...KKK..KKK.....",
        "..KWWWKKWWWK....",
        ".KWWWWWWWWWWK...",
        ".KWWWWWWWWWWKKK.",
        ".KAWAAAAWAAAK.K.",
        ".KAAAAAAAAAAK.K.",
        ".KAAAWAAAAAAK.K.",
        ".KAAAAAAAWAAK.K.",
        ".KAAAAAAAAAAK.K.",
        ".KAAWAAAAAAAKKK.",
        ".KAAAAAAAAAAK...",
        ".KAAAAAAAAAAK...",
        ".KKKKKKKKKKKK...",
        "................",
        "................",
    ]),
    # 13
    ("television", [
        "....K......K....",
        ".....K....K.....",
        "......K..K......",
        ".......KK.......",
        "KKKKKKKKKKKKKKKK",
        "KNNNNNNNNNNNNNNK",
        "KNKKKKKKKKKNNNNK",
        "KNKbbbbbbbKNSSNK",
        "KNKbWbbbbbKNNNNK",
        "KNKbbbbbbbKNSSNK",
        "KNKbbbbbbbKNNNNK",
        "KNKKKKKKKKKNNNNK",
        "KNNNNNNNNNNNNNNK",
        "KKKKKKKKKKKKKKKK",
        ".KK..........KK.",
        "................",
    ]),
    # 14
    ("game pad", [
        "................",
        "................",
        "................",
        "................",
        "..KKKKKKKKKKKK..",
        ".KSSSSSSSSSSSSK.",
        "KSSKSSSSSSSSGSSK",
        "KSKKKSSSSSSRSBSK",
        "KSSKSSSSSSSSYSSK",
        "KSSSSSSSSSSSSSSK",
        "KSSSSKKKKKKSSSSK",
        "KSSSK......KSSSK",
        ".KKK........KKK.",
        "................",
        "................",
        "................",
    ]),
    # 15
    ("shower", [
        "......KKKKKKKKKK",
        "......KSSSSSSSSK",
        "......KSKKKKKKKK",
        "......KSK.......",
        "....KKKSKKK.....",
        "...KSSSSSSSK....",
        "..KSSSSSSSSSK...",
        "..KKKKKKKKKKK...",
        "................",
        "...B..B..B..B...",
        "...B..B..B..B...",
        "................",
        "..B...B...B...B.",
        "..B...B...B...B.",
        "................",
        "................",
    ]),
    # 16
    ("shopping bag", [
        "................",
        "......KKKK......",
        ".....K....K.....",
        "....K......K....",
        "....K......K....",
        "..KKKKKKKKKKKK..",
        "..KPPPPPPPPPPK..",
        "..KPPPPPPPPPPK..",
        ".KPPPPPPPPPPPPK.",
        ".KPPPPPPPPPPPPK.",
        ".KPPPPPPPPPPPPK.",
        ".KPPPPPPPPPPPPK.",
        "KPPPPPPPPPPPPPPK",
        "KPPPPPPPPPPPPPPK",
        "KKKKKKKKKKKKKKKK",
        "................",
    ]),
    # 17
    ("briefcase", [
        "................",
        "................",
        ".....KKKKKK.....",
        ".....K....K.....",
        ".KKKKKKKKKKKKKK.",
        "KNNNNNNNNNNNNNNK",
        "KNNNNNNNNNNNNNNK",
        "KNNNNNNNNNNNNNNK",
        "KKKKKKKYYKKKKKKK",
        "KNNNNNNYYNNNNNNK",
        "KNNNNNNNNNNNNNNK",
        "KNNNNNNNNNNNNNNK",
        "KNNNNNNNNNNNNNNK",
        ".KKKKKKKKKKKKKK.",
        "................",
        "................",
    ]),
    # 18
    ("thought cloud", [
        "................",
        ".....KKK.KKK....",
        "...KKWWWKWWWKK..",
        "..KWWWWWWWWWWWK.",
        ".KWWWWWWWWWWWWK.",
        "KWWWWWWWWWWWWWWK",
        "KWWWWWWWWWWWWWWK",
        ".KWWWWWWWWWWWWK.",
        "..KWWWKWWWKWWK..",
        "...KKK.KKK.KK...",
        "................",
        "...KK...........",
        "..KWWK..........",
        "...KK...........",
        ".K..............",
        "................",
    ]),
    # 19
    ("two hearts", [
        ".KKK.KKK........",
        "KPPPKPPPK.......",
        "KPWPPPPPK.......",
        "KPPPPPPPK.......",
        ".KPPPPPK........",
        "..KPPKKKK..KKKK.",
        "...KKRRRRKKRRRRK",
        "....KRWWRRRRRRRK",
        "....KRWRRRRRRRRK",
        "....KRRRRRRRRRRK",
        ".....KRRRRRRRRK.",
        "......KRRRRRRK..",
        ".......KRRRRK...",
        "........KRRK....",
        ".........KK.....",
        "................",
    ]),
    # 20
    ("sad face", [
        ".....KKKKKK.....",
        "...KKLLLLLLKK...",
        "..KLLLLLLLLLLK..",
        ".KLLLLLLLLLLLLK.",
        ".KLLKLLLLLLKLLK.",
        "KLLLLKLLLLKLLLLK",
        "KLLLLKLLLLKLLLLK",
        "KLLLLLLLLLLLLLLK",
        "KLLLLLLLLLLLLLLK",
        "KLLLLLLLLLLLLLLK",
        "KLLLLKKKKKKLLLLK",
        ".KLLKLLLLLLKLLK.",
        ".KLLLLLLLLLLLLK.",
        "..KLLLLLLLLLLK..",
        "...KKLLLLLLKK...",
        ".....KKKKKK.....",
    ]),
    # 21
    ("party balloons", [
        "..KKKKK.........",
        ".KRRRRRK........",
        "KRWWRRRRKKKKKK..",
        "KRWRRRRRKBBBBBK.",
        "KRRRRRRRKbbBBBBK",
        "KRRRRRRRKbBBBBBK",
        "KRRRRRRRKBBBBBBK",
        ".KRRRRRKBBBBBBBK",
        "..KRRRKKBBBBBBBK",
        "...KRK..KBBBBBK.",
        "...KKK...KBBBK..",
        "....K.....KBK...",
        ".....K....KKK...",
        "......K...K.....",
        ".......K.K......",
        "........K.......",
    ]),
    # 22
    ("clapper board", [
        "................",
        "................",
        "KKKKKKKKKKKKKKKK",
        "KWWKKWWKKWWKKWWK",
        "KWKKWWKKWWKKWWKK",
        "KKKKKKKKKKKKKKKK",
        "KssssssssssssssK",
        "KsWWWWWWWWWWWWsK",
        "KssssssssssssssK",
        "KsWWWWWWsWWWWWsK",
        "KssssssssssssssK",
        "KsWWWWWWsWWWWWsK",
        "KssssssssssssssK",
        "KKKKKKKKKKKKKKKK",
        "................",
        "................",
    ]),
    # 23
    ("house", [
        ".......KK.......",
        "......KRRK......",
        ".....KRRRRK.....",
        "....KRRRRRRK....",
        "...KRRRRRRRRK...",
        "..KRRRRRRRRRRK..",
        ".KRRRRRRRRRRRRK.",
        "KKKKKKKKKKKKKKKK",
        ".KllllllllllllK.",
        ".KlKKKKllKKKKlK.",
        ".KlKbbKllKNNKlK.",
        ".KlKbbKllKNNKlK.",
        ".KlKKKKllKNYKlK.",
        ".KlllllllKNNKlK.",
        ".KKKKKKKKKKKKKK.",
        "................",
    ]),
    # 24
    ("graduation cap", [
        "................",
        "................",
        "................",
        ".......KK.......",
        ".....KKddKK.....",
        "...KKddddddKK...",
        ".KKddddddddddKK.",
        "KDDDDDDDDDDDDDOK",
        ".KKDDDDDDDDDDKKO",
        "...KKDDDDDDKK..O",
        "....KKKKKKKKK..O",
        "....KDDDDDDK..OO",
        "....KDDDDDDK....",
        ".....KKKKKK.....",
        "................",
        "................",
    ]),
    # 25
    ("bed with zzz", [
        "..........BBBB..",
        "............B...",
        "...........B....",
        "..........BBBB..",
        "......BBB.......",
        ".......B........",
        "KK....BBB.......",
        "KNK.............",
        "KNK.KKKK........",
        "KNKKWWWWKKKKKKK.",
        "KNKKWWWWKBBBBBBK",
        "KNKKKKKKKBBBBBBK",
        "KNNNNNNNNNNNNNNK",
        "KNKKKKKKKKKKKKNK",
        "KNK..........KNK",
        "KKK..........KKK",
    ]),
    # 26
    ("football", [
        ".....KKKKKK.....",
        "...KKWKKKKWKK...",
        "..KWWWWKKWWWWK..",
        ".KWWWWWssWWWWWK.",
        ".KKWWWWssWWWWKK.",
        "KKKsWWKKKKWWsKKK",
        "KKWWsKKKKKKsWWKK",
        "KWWWWKKKKKKWWWWK",
        "KWWWWWKKKKWWWWWK",
        "KWWWWWsWWsWWWWWK",
        "KWWWWsWWWWsWWWWK",
        ".KWWsWWWWWWsWWK.",
        ".KWKKWWWWWWKKWK.",
        "..KKKKWWWWKKKK..",
        "...KKKWWWWKKK...",
        ".....KKKKKK.....",
    ]),
    # 27
    ("envelope", [
        "................",
        "................",
        "................",
        "KKKKKKKKKKKKKKKK",
        "KKWWWWWWWWWWWWKK",
        "KWKWWWWWWWWWWKWK",
        "KWWKWWWWWWWWKWWK",
        "KWWWKWWWWWWKWWWK",
        "KWWWWKWWWWKWWWWK",
        "KWWWWWKWWKWWWWWK",
        "KWWWWWWKKWWWWWWK",
        "KWWWWWWWWWWWWWWK",
        "KWWWWWWWWWWWWWWK",
        "KKKKKKKKKKKKKKKK",
        "................",
        "................",
    ]),
    # 28
    ("camera", [
        "................",
        "................",
        ".....KKKKK......",
        ".KK.KSSSSSK.....",
        "KKKKKKKKKKKKKKKK",
        "KSSSSSKKKKSSSWWK",
        "KSSSSKbbbbKSSSSK",
        "KSSSKbWbbbBKSSSK",
        "KSSSKbbbbbBKSSSK",
        "KSSSKbbbbBBKSSSK",
        "KSSSSKBBBBKSSSSK",
        "KSSSSSKKKKSSSSSK",
        "KKKKKKKKKKKKKKKK",
        "................",
        "................",
        "................",
    ]),
    # 29
    ("question mark", [
        ".....KKKKKK.....",
        "....KBBBBBBK....",
        "...KBBBBBBBBK...",
        "...KBBKKKKBBK...",
        "...KKK...KBBK...",
        "........KBBBK...",
        ".......KBBBK....",
        "......KBBBK.....",
        "......KBBK......",
        "......KBBK......",
        "......KKKK......",
        "................",
        "......KKKK......",
        "......KBBK......",
        "......KBBK......",
        "......KKKK......",
    ]),
    # 30
    ("star", [
        ".......KK.......",
        "......KYYK......",
        "......KYYK......",
        ".....KYYYYK.....",
        "KKKKKKYYYYKKKKKK",
        "KYYYYYYYYYYYYYYK",
        ".KYYYYYYYYYYYYK.",
        "..KYYYYYYYYYYK..",
        "...KYYYYYYYYK...",
        "...KYYYYYYYYK...",
        "..KYYYYYYYYYYK..",
        "..KYYYYKKYYYYK..",
        ".KYYYKK..KKYYYK.",
        ".KYKK......KKYK.",
        ".KK..........KK.",
        "................",
    ]),
    # 31
    ("lightning bolt", [
        "........KKKKKKK.",
        ".......KYYYYYK..",
        "......KYYYYYK...",
        ".....KYYYYYK....",
        "....KYYYYYK.....",
        "...KYYYYYKKKKK..",
        "..KYYYYYYYYYYK..",
        "..KKKKKKYYYYK...",
        ".......KYYYK....",
        "......KYYYK.....",
        "......KYYK......",
        ".....KYYK.......",
        ".....KYK........",
        "....KYK.........",
        "....KK..........",
        "................",
    ]),
    # 32
    ("flower", [
        "......KKKK......",
        ".....KPPPPK.....",
        "..KKKKPPPPKKKK..",
        ".KPPPKKKKKKPPPK.",
        ".KPPPKYYYYKPPPK.",
        ".KPPPKYYYYKPPPK.",
        ".KPPPKYYYYKPPPK.",
        ".KPPPKKKKKKPPPK.",
        "..KKKKPPPPKKKK..",
        ".....KPPPPK.....",
        "......KKKK......",
        ".......KGK.KKK..",
        ".......KGKKGGK..",
        "..KKK..KGKGGK...",
        "..KGGKKKGKKK....",
        "...KKGGGK.......",
    ]),
]

# ---------------------------------------------------------------------------
# Program icon: a blue speech bubble holding a white "O".  Each size is drawn
# separately so that every one of them stays crisp.
# ---------------------------------------------------------------------------

APP_ICON_16 = [
    "................",
    "....KKKKKKKK....",
    "..KKbbBBBBBBKK..",
    ".KbbBBWWWWBBBBK.",
    ".KbBBWWBBWWBBBK.",
    "KBbBBWWBBWWBBBBK",
    "KBBBBWWBBWWBBBBK",
    "KBBBBWWBBWWBBBBK",
    ".KBBBWWBBWWBBBK.",
    ".KBBBBWWWWBBBBK.",
    "..KKBBBBBBBBKK..",
    "...KBBKKKKKK....",
    "...KBK..........",
    "..KBK...........",
    "..KK............",
    "................",
]

APP_ICON_32 = [
    "................................",
    "................................",
    "...........KKKKKKKKKK...........",
    ".........KKbbbbbBBBBBKK.........",
    ".......KKbbbbbbbbBBBBBBKK.......",
    "......KKbbbbbbbbBBBBBBBBKK......",
    "....KKbbbbbbbBWWWWBBBBBBBBKK....",
    "...KKbbbbbBBWWWWWWWWBBBBBBBKK...",
    "...KbbbbBBBWWWWWWWWWWBBBBBBBK...",
    "..KKbbbBBBBWWWWBBWWWWBBBBBBBKK..",
    "..KbbbBBBBWWWWBBBBWWWWBBBBBBBK..",
    ".KKbbBBBBBWWWBBBBBBWWWBBBBBBBKK.",
    ".KbbbBBBBBWWWBBBBBBWWWBBBBBBBBK.",
    ".KbbbBBBBBWWWBBBBBBWWWBBBBBBBBK.",
    ".KbbbBBBBBWWWBBBBBBWWWBBBBBBBBK.",
    ".KbbbBBBBBWWWBBBBBBWWWBBBBBBBBK.",
    ".KKbbBBBBBWWWBBBBBBWWWBBBBBBBKK.",
    "..KbbBBBBBWWWWBBBBWWWWBBBBBBBK..",
    "..KKbBBBBBBWWWWWWWWWWBBBBBBBKK..",
    "...KKBBBBBBBWWWWWWWWBBBBBBBKK...",
    "....KKBBBBBBBBWWWWBBBBBBBBKK....",
    ".....KKBBBBBBBBBBBBBBBBBBKK.....",
    ".....KBBBBBBBBBBBBBBBBBKKK......",
    "....KKBBBBBBBBBBBBBBKKKK........",
    "....KBBBBBBBBKKKKKKKK...........",
    "....KBBBBBBKK...................",
    "....KBBBBKK.....................",
    "...KBBBKK.......................",
    "...KBBKK........................",
    "...KBK..........................",
    "...KK...........................",
    "................................",
]

APP_ICON_48 = [
    "................................................",
    "................................................",
    "................................................",
    "................................................",
    ".................KKKKKKKKKKKKKK.................",
    "..............KKKKKKKKKKKKKKKKKKKK..............",
    "...........KKKKKKKbbbbbbBBBBBBKKKKKKK...........",
    "..........KKKKKbbbbbbbbbBBBBBBBBBKKKKK..........",
    "........KKKKbbbbbbbbbbbbBBBBBBBBBBBBKKKK........",
    ".......KKKKbbbbbbbbbbWWWWWWBBBBBBBBBBKKKK.......",
    "......KKKbbbbbbbbbBWWWWWWWWWWBBBBBBBBBBKKK......",
    ".....KKKbbbbbbbBBBWWWWWWWWWWWWBBBBBBBBBBKKK.....",
    "....KKKbbbbbbBBBBWWWWWWWWWWWWWWBBBBBBBBBBKKK....",
    "....KKbbbbbbBBBBWWWWWWWWWWWWWWWWBBBBBBBBBBKK....",
    "...KKbbbbbbBBBBBWWWWWBBBBBBWWWWWBBBBBBBBBBBKK...",
    "..KKKbbbbbBBBBBWWWWWWBBBBBBWWWWWWBBBBBBBBBBKKK..",
    "..KKbbbbbBBBBBBWWWWWBBBBBBBBWWWWWBBBBBBBBBBBKK..",
    "..KKbbbbBBBBBBBWWWWWBBBBBBBBWWWWWBBBBBBBBBBBKK..",
    "..KKbbbbBBBBBBBWWWWBBBBBBBBBBWWWWBBBBBBBBBBBKK..",
    ".KKKbbbbBBBBBBWWWWWBBBBBBBBBBWWWWWBBBBBBBBBBKKK.",
    ".KKKbbbBBBBBBBWWWWWBBBBBBBBBBWWWWWBBBBBBBBBBKKK.",
    ".KKKbbbBBBBBBBWWWWWBBBBBBBBBBWWWWWBBBBBBBBBBKKK.",
    "..KKbbbBBBBBBBBWWWWBBBBBBBBBBWWWWBBBBBBBBBBBKK..",
    "..KKbbbBBBBBBBBWWWWBBBBBBBBBBWWWWBBBBBBBBBBBKK..",
    "..KKbbbbBBBBBBBWWWWWBBBBBBBBWWWWWBBBBBBBBBBBKK..",
    "..KKKbbbBBBBBBBWWWWWBBBBBBBBWWWWWBBBBBBBBBBKKK..",
    "...KKbbbbBBBBBBBWWWWWBBBBBBWWWWWBBBBBBBBBBBKK...",
    "...KKKbbBBBBBBBBWWWWWWWBBWWWWWWWBBBBBBBBBBKKK...",
    "....KKKBBBBBBBBBBWWWWWWWWWWWWWWBBBBBBBBBBKKK....",
    ".....KKKBBBBBBBBBBWWWWWWWWWWWWBBBBBBBBBBKKK.....",
    "......KKKBBBBBBBBBBWWWWWWWWWWBBBBBBBBBBKKK......",
    ".......KKKBBBBBBBBBBWWWWWWWWBBBBBBBBBBKKK.......",
    "........KKBBBBBBBBBBBBBBBBBBBBBBBBBBKKKK........",
    ".......KKBBBBBBBBBBBBBBBBBBBBBBBBBKKKKK.........",
    ".......KKBBBBBBBBBBBBBBBBBBBBBBKKKKKK...........",
    ".......KKBBBBBBBBBBBBBBBBBBBBBBKKKKK............",
    "......KKBBBBBBBBBBBBBBBBBBBBKKKKK...............",
    "......KKBBBBBBBBBBBBBBKKKKKKK...................",
    "......KKBBBBBBBBBBKKKKKK........................",
    ".....KKBBBBBBBBBKKKKK...........................",
    ".....KKBBBBBBBKKKK..............................",
    ".....KKBBBBBKKKK................................",
    "....KKBBBBKKKK..................................",
    "....KKBBKKKK....................................",
    "....KKKKKK......................................",
    "....KKK.........................................",
    "................................................",
    "................................................",
]

# ---------------------------------------------------------------------------
# A small pixel font for the picture's title ('#' = ink).  Every glyph is
# 7 rows high; widths vary.
# ---------------------------------------------------------------------------

FONT = {
    'O': [".###.",
          "#...#",
          "#...#",
          "#...#",
          "#...#",
          "#...#",
          ".###."],
    'r': ["....",
          "....",
          "#.##",
          "##..",
          "#...",
          "#...",
          "#..."],
    'b': ["#....",
          "#....",
          "####.",
          "#...#",
          "#...#",
          "#...#",
          "####."],
    'e': [".....",
          ".....",
          ".###.",
          "#...#",
          "#####",
          "#....",
          ".####"],
    'l': ["##.",
          ".#.",
          ".#.",
          ".#.",
          ".#.",
          ".#.",
          "###"],
    'a': [".....",
          ".....",
          ".###.",
          "....#",
          ".####",
          "#...#",
          ".####"],
    'n': [".....",
          ".....",
          "####.",
          "#...#",
          "#...#",
          "#...#",
          "#...#"],
    '!': ["#",
          "#",
          "#",
          "#",
          "#",
          ".",
          "#"],
}

TITLE = "Orbelan!"
TITLE_SCALE = 3

PICTURE_WIDTH = 172
PICTURE_HEIGHT = 61

# Status icons shown in a row under the title (icon numbers, 1-based).
PICTURE_ICONS = [1, 2, 4, 6, 8, 21, 30, 32]

ICON_SIZE = 16
STRIP_COUNT = 32

# Output files, relative to the repository root.
STRIP_PATH = os.path.join("res", "status_icons.bmp")
PICTURE_PATH = os.path.join("res", "picture.bmp")
ICO_PATH = os.path.join("res", "orbelan.ico")


# ---------------------------------------------------------------------------
# Self-check of the drawings
# ---------------------------------------------------------------------------

class DrawingError(Exception):
    pass


def check_grid(name, rows, width, height):
    """The grid must be width x height and use palette characters only."""
    if len(rows) != height:
        raise DrawingError("%s: %d rows, expected %d" % (name, len(rows), height))
    for y, row in enumerate(rows):
        if len(row) != width:
            raise DrawingError("%s: row %d is %d characters wide, expected %d"
                               % (name, y, len(row), width))
        for x, ch in enumerate(row):
            if ch not in PALETTE:
                raise DrawingError("%s: unknown character %r at x=%d, y=%d"
                                   % (name, ch, x, y))
    if all(ch == '.' for row in rows for ch in row):
        raise DrawingError("%s: picture is empty" % name)


def check_drawings():
    for ch, colour in PALETTE.items():
        if colour is not None and colour == MAGENTA:
            raise DrawingError("palette %r uses the transparent colour" % ch)
    if len(STATUS_ICONS) != STRIP_COUNT:
        raise DrawingError("%d status icons, expected %d"
                           % (len(STATUS_ICONS), STRIP_COUNT))
    for n, (name, rows) in enumerate(STATUS_ICONS, 1):
        check_grid("status icon %d (%s)" % (n, name), rows, ICON_SIZE, ICON_SIZE)
    seen = {}
    for n, (name, rows) in enumerate(STATUS_ICONS, 1):
        key = tuple(rows)
        if key in seen:
            raise DrawingError("status icons %d and %d are identical"
                               % (seen[key], n))
        seen[key] = n
    for size, rows in ((16, APP_ICON_16), (32, APP_ICON_32), (48, APP_ICON_48)):
        check_grid("program icon %dx%d" % (size, size), rows, size, size)
    for ch in TITLE:
        glyph = FONT.get(ch)
        if glyph is None:
            raise DrawingError("font has no glyph for %r" % ch)
        if len(glyph) != 7 or len(set(len(r) for r in glyph)) != 1:
            raise DrawingError("glyph %r is not a 7-row rectangle" % ch)
        if any(c not in "#." for r in glyph for c in r):
            raise DrawingError("glyph %r uses characters other than # and ." % ch)
    for n in PICTURE_ICONS:
        if not 1 <= n <= STRIP_COUNT:
            raise DrawingError("picture uses unknown status icon %d" % n)


# ---------------------------------------------------------------------------
# Turning character grids into pixels
# ---------------------------------------------------------------------------

def grid_pixels(rows):
    """Rows of characters -> rows of RGB tuples (None where transparent)."""
    return [[PALETTE[ch] for ch in row] for row in rows]


def build_strip():
    """The 512 x 16 strip: icon n occupies x = 16*(n-1) .. 16*n-1."""
    strip = [[MAGENTA] * (ICON_SIZE * STRIP_COUNT) for _ in range(ICON_SIZE)]
    for n, (_name, rows) in enumerate(STATUS_ICONS):
        for y, row in enumerate(grid_pixels(rows)):
            for x, colour in enumerate(row):
                if colour is not None:
                    strip[y][ICON_SIZE * n + x] = colour
    return strip


def mix(a, b, t):
    """Blend colour a towards colour b; t is a fraction in [0, 1]."""
    return tuple(int(round(a[i] + (b[i] - a[i]) * t)) for i in range(3))


def build_picture():
    w, h = PICTURE_WIDTH, PICTURE_HEIGHT
    top, bottom = (150, 206, 255), (40, 104, 200)
    pic = [[mix(top, bottom, y / float(h - 1))] * w for y in range(h)]
    # A soft lighter band behind the icons.
    band_top, band_bottom = 35, 55
    for y in range(band_top, band_bottom):
        for x in range(4, w - 4):
            pic[y][x] = mix(pic[y][x], (255, 255, 255), 0.35)
    # Frame: dark outline with a light inner line.
    outline = PALETTE['K']
    for x in range(w):
        pic[0][x] = pic[h - 1][x] = outline
    for y in range(h):
        pic[y][0] = pic[y][w - 1] = outline
    for x in range(1, w - 1):
        pic[1][x] = mix(pic[1][x], (255, 255, 255), 0.5)
    for y in range(1, h - 1):
        pic[y][1] = mix(pic[y][1], (255, 255, 255), 0.5)

    # Title: ink in white, a dark outline around it and a drop shadow.
    s = TITLE_SCALE
    ink = set()
    cx = 0
    for ch in TITLE:
        glyph = FONT[ch]
        for gy, row in enumerate(glyph):
            for gx, c in enumerate(row):
                if c == '#':
                    for dy in range(s):
                        for dx in range(s):
                            ink.add(((cx + gx) * s + dx, gy * s + dy))
        cx += len(glyph[0]) + 1
    text_w = (cx - 1) * s
    ox = (w - text_w) // 2
    oy = 7
    ink = set((x + ox, y + oy) for x, y in ink)
    ring = set()
    for x, y in ink:
        for dy in (-1, 0, 1):
            for dx in (-1, 0, 1):
                if (x + dx, y + dy) not in ink:
                    ring.add((x + dx, y + dy))
    shadow = set((x + 2, y + 2) for x, y in ink | ring) - ink - ring
    for x, y in shadow:
        pic[y][x] = mix(pic[y][x], (0, 0, 40), 0.45)
    for x, y in ring:
        pic[y][x] = (24, 40, 100)
    for x, y in ink:
        frac = (y - oy) / float(7 * s - 1)
        pic[y][x] = mix((255, 255, 255), (255, 228, 120), frac)

    # A row of status icons.
    gap = 4
    row_w = len(PICTURE_ICONS) * ICON_SIZE + (len(PICTURE_ICONS) - 1) * gap
    ix = (w - row_w) // 2
    iy = band_top + (band_bottom - band_top - ICON_SIZE) // 2
    for k, n in enumerate(PICTURE_ICONS):
        rows = grid_pixels(STATUS_ICONS[n - 1][1])
        for y, row in enumerate(rows):
            for x, colour in enumerate(row):
                if colour is not None:
                    pic[iy + y][ix + k * (ICON_SIZE + gap) + x] = colour
    return pic


# ---------------------------------------------------------------------------
# File formats
# ---------------------------------------------------------------------------

PELS_PER_METER = 2835  # 72 dpi


def bmp_bytes(pixels):
    """24-bit BI_RGB Windows bitmap, bottom-up, rows padded to 4 bytes."""
    h = len(pixels)
    w = len(pixels[0])
    stride = (w * 3 + 3) & ~3
    body = bytearray()
    for row in reversed(pixels):
        line = bytearray()
        for r, g, b in row:
            line += bytes((b, g, r))
        line += b"\0" * (stride - len(line))
        body += line
    info = struct.pack("<IiiHHIIiiII", 40, w, h, 1, 24, 0, len(body),
                       PELS_PER_METER, PELS_PER_METER, 0, 0)
    offset = 14 + len(info)
    header = struct.pack("<2sIHHI", b"BM", offset + len(body), 0, 0, offset)
    return header + info + bytes(body)


def ico_image_bytes(rows):
    """One .ico image: BITMAPINFOHEADER, BGRA pixels, then the AND mask."""
    size = len(rows)
    pixels = grid_pixels(rows)
    xor = bytearray()
    for row in reversed(pixels):
        for colour in row:
            if colour is None:
                xor += b"\0\0\0\0"
            else:
                r, g, b = colour
                xor += bytes((b, g, r, 255))
    mask_stride = ((size + 31) // 32) * 4
    mask = bytearray()
    for row in reversed(pixels):
        line = bytearray(mask_stride)
        for x, colour in enumerate(row):
            if colour is None:
                line[x // 8] |= 0x80 >> (x % 8)
        mask += line
    info = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0,
                       len(xor) + len(mask), 0, 0, 0, 0)
    return info + bytes(xor) + bytes(mask)


def ico_bytes(images):
    """An .ico file holding the given square images, in the given order."""
    data = [ico_image_bytes(rows) for rows in images]
    out = bytearray(struct.pack("<HHH", 0, 1, len(images)))
    offset = 6 + 16 * len(images)
    for rows, blob in zip(images, data):
        size = len(rows)
        out += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32,
                           len(blob), offset)
        offset += len(blob)
    for blob in data:
        out += blob
    return bytes(out)


# ---------------------------------------------------------------------------
# Reading the files back, to make sure they say what was meant
# ---------------------------------------------------------------------------

def read_bmp(data):
    """Parse a 24-bit bitmap written by bmp_bytes -> rows of RGB (top first)."""
    magic, file_size, _r1, _r2, offset = struct.unpack_from("<2sIHHI", data, 0)
    (hsize, w, h, planes, bpp, comp, image_size,
     _xppm, _yppm, used, _important) = struct.unpack_from("<IiiHHIIiiII", data, 14)
    if magic != b"BM" or file_size != len(data) or offset != 54:
        raise DrawingError("bad bitmap file header")
    if hsize != 40 or planes != 1 or bpp != 24 or comp != 0 or used != 0:
        raise DrawingError("bad bitmap info header")
    stride = (w * 3 + 3) & ~3
    if h <= 0 or image_size != stride * h or offset + image_size != len(data):
        raise DrawingError("bad bitmap size fields")
    rows = []
    for y in range(h):
        base = offset + (h - 1 - y) * stride
        rows.append([(data[base + 3 * x + 2], data[base + 3 * x + 1],
                      data[base + 3 * x]) for x in range(w)])
    return rows


def read_ico(data):
    """Parse an .ico written by ico_bytes -> list of (size, rows of RGBA)."""
    reserved, kind, count = struct.unpack_from("<HHH", data, 0)
    if reserved != 0 or kind != 1:
        raise DrawingError("bad icon directory")
    images = []
    end = 6 + 16 * count
    for i in range(count):
        (bw, bh, colours, res, planes, bits,
         length, offset) = struct.unpack_from("<BBBBHHII", data, 6 + 16 * i)
        size = bw or 256
        if bw != bh or colours != 0 or res != 0 or planes != 1 or bits != 32:
            raise DrawingError("bad icon directory entry %d" % i)
        if offset != end:
            raise DrawingError("icon image %d is not where expected" % i)
        end += length
        (hsize, w, h, p, bpp, comp, image_size,
         _x, _y, _u, _i) = struct.unpack_from("<IiiHHIIiiII", data, offset)
        mask_stride = ((size + 31) // 32) * 4
        if (hsize, w, h, p, bpp, comp) != (40, size, 2 * size, 1, 32, 0):
            raise DrawingError("bad header of icon image %d" % i)
        if length != 40 + size * size * 4 + mask_stride * size:
            raise DrawingError("icon image %d has the wrong length" % i)
        pix = offset + 40
        mask = pix + size * size * 4
        rows = []
        for y in range(size):
            src = size - 1 - y
            row = []
            for x in range(size):
                b, g, r, a = data[pix + 4 * (src * size + x):
                                  pix + 4 * (src * size + x) + 4]
                bit = (data[mask + src * mask_stride + x // 8] >> (7 - x % 8)) & 1
                if a not in (0, 255) or bit != (a == 0):
                    raise DrawingError("icon image %d: alpha and mask disagree "
                                       "at x=%d, y=%d" % (i, x, y))
                row.append((r, g, b, a))
            rows.append(row)
        images.append((size, rows))
    if end != len(data):
        raise DrawingError("icon file has a wrong length")
    return images


def verify_outputs(strip_data, picture_data, ico_data):
    strip = read_bmp(strip_data)
    if (len(strip[0]), len(strip)) != (ICON_SIZE * STRIP_COUNT, ICON_SIZE):
        raise DrawingError("strip has the wrong size")
    for n, (name, rows) in enumerate(STATUS_ICONS, 1):
        x0 = ICON_SIZE * (n - 1)
        for y, row in enumerate(rows):
            for x, ch in enumerate(row):
                got = strip[y][x0 + x]
                want = PALETTE[ch] or MAGENTA
                if got != want:
                    raise DrawingError("strip icon %d (%s) differs at x=%d, y=%d"
                                       % (n, name, x, y))
    picture = read_bmp(picture_data)
    if (len(picture[0]), len(picture)) != (PICTURE_WIDTH, PICTURE_HEIGHT):
        raise DrawingError("picture has the wrong size")
    images = read_ico(ico_data)
    if [size for size, _rows in images] != [48, 16, 32]:
        raise DrawingError("icon sizes are not 48, 16, 32 in that order")
    expected = {16: APP_ICON_16, 32: APP_ICON_32, 48: APP_ICON_48}
    for size, rows in images:
        for y, row in enumerate(expected[size]):
            for x, ch in enumerate(row):
                r, g, b, a = rows[y][x]
                colour = PALETTE[ch]
                if (a == 0) != (colour is None) or (a and (r, g, b) != colour):
                    raise DrawingError("program icon %dx%d differs at x=%d, y=%d"
                                       % (size, size, x, y))


# ---------------------------------------------------------------------------

def main():
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    try:
        check_drawings()
        strip_data = bmp_bytes(build_strip())
        picture_data = bmp_bytes(build_picture())
        ico_data = ico_bytes([APP_ICON_48, APP_ICON_16, APP_ICON_32])
        verify_outputs(strip_data, picture_data, ico_data)
    except DrawingError as e:
        sys.stderr.write("make_pictures: %s\n" % e)
        return 1
    for rel, data in ((STRIP_PATH, strip_data), (PICTURE_PATH, picture_data),
                      (ICO_PATH, ico_data)):
        path = os.path.join(root, rel)
        d = os.path.dirname(path)
        if not os.path.isdir(d):
            os.makedirs(d)
        with open(path, "wb") as f:
            f.write(data)
        print("wrote %s (%d bytes)" % (rel, len(data)))
    return 0


if __name__ == "__main__":
    sys.exit(main())
