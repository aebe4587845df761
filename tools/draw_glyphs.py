#!/usr/bin/env python3
"""Draws the program's small button and control pictures as 16-colour BMP
files into resources/. The pictures are pixel art written below as text:
one character a pixel, mapped through PALETTE_KEYS to the standard
16-colour palette. Olive ('o') is the transparent colour of glyphs.

Run it after changing a picture: tools/draw_glyphs.py
"""
import os
import struct

# The standard 16-colour palette (index order of the system palette).
VGA = [(0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128),
       (0, 128, 128), (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0),
       (255, 255, 0), (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255)]
PALETTE_KEYS = {'k': 0, 'm': 1, 'g': 2, 'o': 3, 'n': 4, 'p': 5, 't': 6, 's': 7,
                'd': 8, 'r': 9, 'l': 10, 'y': 11, 'b': 12, 'f': 13, 'c': 14, 'w': 15,
                '.': 3}


def write_bmp4(path, rows):
    height = len(rows)
    width = len(rows[0])
    assert all(len(r) == width for r in rows), path
    row_bytes = ((width * 4 + 31) // 32) * 4
    pixels = bytearray()
    for row in reversed(rows):  # bottom-up
        line = bytearray(row_bytes)
        for x, ch in enumerate(row):
            v = PALETTE_KEYS[ch]
            if x % 2 == 0:
                line[x // 2] |= v << 4
            else:
                line[x // 2] |= v
        pixels += line
    palette = b''.join(struct.pack('<BBBB', b, g, r, 0) for (r, g, b) in VGA)
    offset = 14 + 40 + len(palette)
    header = struct.pack('<2sIHHI', b'BM', offset + len(pixels), 0, 0, offset)
    info = struct.pack('<IiiHHIIiiII', 40, width, height, 1, 4, 0, len(pixels), 2835, 2835, 16, 0)
    with open(path, 'wb') as f:
        f.write(header + info + palette + pixels)


def side_by_side(*pictures):
    return [''.join(parts) for parts in zip(*pictures)]


def grid(text):
    return [line for line in text.strip('\n').split('\n')]


PICTURES = {}

# About: an "i" in a blue disc; the second state is pressed (shifted, lighter).
ABOUT_UP = grid('''
................
.....nnnnnn.....
...nnbbbbbbnn...
..nbbbbwwbbbbn..
..nbbbbwwbbbbn..
.nbbbbbbbbbbbbn.
.nbbbbwwwbbbbbn.
.nbbbbbwwbbbbbn.
.nbbbbbwwbbbbbn.
.nbbbbbwwbbbbbn.
.nbbbbbwwbbbbbn.
..nbbbwwwwbbbn..
..nbbbbbbbbbbn..
...nnbbbbbbnn...
.....nnnnnn.....
................
''')
ABOUT_DOWN = grid('''
................
................
......nnnnnn....
....nnccccccnn..
...ncccckkccccn.
...ncccckkccccn.
..nccccccccccccn
..nccccckkkccccn
..ncccccckkccccn
..ncccccckkccccn
..ncccccckkccccn
..ncccccckkccccn
...nccckkkkcccn.
...nccccccccccn.
....nnccccccnn..
......nnnnnn....
''')
PICTURES['ABOUTGLYPH'] = side_by_side(ABOUT_UP, ABOUT_DOWN)

# Refresh: a green circular arrow.
PICTURES['REFRESHGLYPH'] = grid('''
................
......gggg......
....gglllgg.....
...glgg..gglg...
..glg......ggg..
..gg......ggggg.
.glg.......ggg..
.gg.........g...
.gg.............
.glg.......gg...
..gg......glg...
..glg....glg....
...gllgggllg....
....gglllgg.....
......gggg......
................
''')

# Drive selector pictures, 16 x 14. The bottom-left pixel is transparent.
PICTURES['FLOPPY'] = grid('''
................
.kkkkkkkkkkkkkk.
.knnnssssssnnnk.
.knnnsskkssnnnk.
.knnnsskkssnnnk.
.knnnssssssnnnk.
.knnnnnnnnnnnnk.
.knwwwwwwwwwwnk.
.knwddddddddwnk.
.knwwwwwwwwwwnk.
.knwddddddddwnk.
.knwwwwwwwwwwnk.
.kkkkkkkkkkkkkk.
................
''')
PICTURES['HARD'] = grid('''
................
................
................
..kkkkkkkkkkkk..
.kwwwwwwwwwwwsk.
.kwsssssssssssk.
.kwsssssssssssk.
.kwsddddddslgsk.
.kwsssssssssssk.
.kddddddddddddk.
..kkkkkkkkkkkk..
................
................
................
''')
PICTURES['NETWORK'] = grid('''
................
..kkkkkkkkkkkk..
.kwwwwwwwwwwwsk.
.kwsssssssssssk.
.kwsddddddslgsk.
.kddddddddddddk.
..kkkkkkkkkkkk..
.......kk.......
.......kk.......
..kkkkkkkkkkkk..
..k..........k..
.kkk........kkk.
.kkk........kkk.
................
''')
PICTURES['CDROM'] = grid('''
................
.....kkkkkk.....
...kkwwwwcckk...
..kwwwwwccccsk..
..kwwwwccccssk..
.kwwwwskksssssk.
.kwwwsk..kssssk.
.kwwwsk..kssssk.
.kwwwwskksssssk.
..kwwwsssssssk..
..kwssssssssdk..
...kksssssdkk...
.....kkkkkk.....
................
''')
PICTURES['RAM'] = grid('''
................
................
..s.s.s.s.s.s...
..s.s.s.s.s.s...
.kkkkkkkkkkkkk..
.kgggggggggggk..
.kgkkgkkgkkggk..
.kgkkgkkgkkggk..
.kgggggggggggk..
.kkkkkkkkkkkkk..
..s.s.s.s.s.s...
..s.s.s.s.s.s...
................
................
''')

# Folder list pictures, 16 x 14: the root and the ancestors are open
# folders, the current folder is open with a lighter flap, the sub-folders
# are closed. Each starts in its first column, so its indent shows exactly.
PICTURES['OPENFOLDER'] = grid('''
................
................
.kkkkk..........
kwyyyyk.........
kwyyyyykkkkkkk..
kwyyyyyyyyyyyyk.
kwyykkkkkkkkkkkk
kwykyyyyyyyyyyyk
kwkyyyyyyyyyyyk.
kwkyyyyyyyyyyyk.
kkyyyyyyyyyyyk..
kkyyyyyyyyyyyk..
kkkkkkkkkkkkk...
................
''')
PICTURES['CURRENTFOLDER'] = grid('''
................
................
.kkkkk..........
kwyyyyk.........
kwyyyyykkkkkkk..
kwyywwwwwwwwyyk.
kwyykkkkkkkkkkkk
kwykccccccccccck
kwkccccccccccck.
kwkccccccccccck.
kkccccccccccck..
kkccccccccccck..
kkkkkkkkkkkkk...
................
''')
PICTURES['CLOSEDFOLDER'] = grid('''
................
................
.kkkkk..........
kwyyyyk.........
kwyyyyykkkkkkkk.
kwyyyyyyyyyyyyyk
kwyyyyyyyyyyyyyk
kwyyyyyyyyyyyyyk
kwyyyyyyyyyyyyyk
kwyyyyyyyyyyyyyk
kwyyyyyyyyyyyyyk
kdddddddddddddyk
kkkkkkkkkkkkkkkk
................
''')

# The spin edit's arrows, 9 x 6.
PICTURES['SPINUP'] = grid('''
.........
....k....
...kkk...
..kkkkk..
.kkkkkkk.
.........
''')
PICTURES['SPINDOWN'] = grid('''
.........
.kkkkkkk.
..kkkkk..
...kkk...
....k....
.........
''')


# The media player's buttons: nine symbols, each drawn three ways (enabled,
# disabled and coloured) on a 21 x 16 canvas. '#' marks the symbol.
PLAYER_SYMBOLS = {
    'MPPLAY': """
#......
##.....
###....
####...
#####..
######.
#######
######.
#####..
####...
###....
##.....
#......
""",
    'MPPAUSE': """
###...###
###...###
###...###
###...###
###...###
###...###
###...###
###...###
###...###
###...###
###...###
""",
    'MPSTOP': """
##########
##########
##########
##########
##########
##########
##########
##########
##########
##########
""",
    'MPNEXT': """
#.....#.....##
##....##....##
###...###...##
####..####..##
#####.#####.##
##############
#####.#####.##
####..####..##
###...###...##
##....##....##
#.....#.....##
""",
    'MPPREV': """
##.....#.....#
##....##....##
##...###...###
##..####..####
##.#####.#####
##############
##.#####.#####
##..####..####
##...###...###
##....##....##
##.....#.....#
""",
    'MPSTEP': """
##.#.....
##.##....
##.###...
##.####..
##.#####.
##.######
##.#####.
##.####..
##.###...
##.##....
##.#.....
""",
    'MPBACK': """
.....#.##
....##.##
...###.##
..####.##
.#####.##
######.##
.#####.##
..####.##
...###.##
....##.##
.....#.##
""",
    'MPRECORD': """
...####...
.########.
.########.
##########
##########
##########
##########
.########.
.########.
...####...
""",
    'MPEJECT': """
......#......
.....###.....
....#####....
...#######...
..#########..
.###########.
#############
.............
#############
#############
""",
}
# The colour of each symbol in its coloured state.
PLAYER_COLOURS = {'MPPLAY': 'g', 'MPPAUSE': 'n', 'MPSTOP': 'm', 'MPNEXT': 'b', 'MPPREV': 'b',
                  'MPSTEP': 't', 'MPBACK': 't', 'MPRECORD': 'r', 'MPEJECT': 'p'}
PLAYER_WIDTH, PLAYER_HEIGHT = 21, 16


def player_glyphs():
    for name, text in PLAYER_SYMBOLS.items():
        shape = grid(text)
        width = max(len(r) for r in shape)
        shape = [r.ljust(width, '.') for r in shape]
        left = (PLAYER_WIDTH - width) // 2
        top = (PLAYER_HEIGHT - len(shape)) // 2
        mark = [[False] * PLAYER_WIDTH for _ in range(PLAYER_HEIGHT)]
        for y, row in enumerate(shape):
            for x, ch in enumerate(row):
                mark[top + y][left + x] = ch == '#'

        def paint(ink, shadow=None):
            rows = []
            for y in range(PLAYER_HEIGHT):
                row = ''
                for x in range(PLAYER_WIDTH):
                    if mark[y][x]:
                        row += ink
                    elif shadow and y > 0 and x > 0 and mark[y - 1][x - 1]:
                        row += shadow  # the embossed look of a disabled button
                    else:
                        row += '.'
                rows.append(row)
            return rows

        PICTURES['EN_' + name] = paint('k')
        PICTURES['DI_' + name] = paint('d', 'w')
        PICTURES['CL_' + name] = paint(PLAYER_COLOURS[name])


player_glyphs()


def main():
    out = os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', 'resources')
    for name, rows in PICTURES.items():
        write_bmp4(os.path.join(out, name.lower() + '.bmp'), rows)
    print('drew', len(PICTURES), 'pictures into', os.path.normpath(out))


if __name__ == '__main__':
    main()
