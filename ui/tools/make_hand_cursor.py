#!/usr/bin/env python3
"""Writes assets/HAND-M.CUR: a 32x32 pointing-hand pointer, hot spot at the finger tip.

Run from the project root: python3 ui/tools/make_hand_cursor.py
"""
import struct
import sys

# '#' outline, '.' fill, ' ' transparent.
ART = """
      ##
     #..#
     #..#
     #..#
     #..#
     #..###
     #..#..###
     #..#..#..##
  ## #..#..#..#.#
 #..##........#..#
 #...#...........#
  #..............#
   #.............#
   #............#
    #...........#
    #..........#
     #.........#
     #........#
      #.......#
      #########
"""

def main(out):
    rows = [r for r in ART.split("\n")[1:-1]]
    size = 32
    pixels = [[(0, 0, 0, 0)] * size for _ in range(size)]
    for y, row in enumerate(rows):
        for x, ch in enumerate(row):
            if ch == "#":
                pixels[y + 2][x + 4] = (0, 0, 0, 255)
            elif ch == ".":
                pixels[y + 2][x + 4] = (255, 255, 255, 255)
    hot_x, hot_y = 4 + 6, 2 + 0
    # DIB: header height is doubled (XOR image + AND mask), rows bottom-up, BGRA.
    xor = b"".join(struct.pack("<BBBB", b, g, r, a)
                   for row in reversed(pixels) for (r, g, b, a) in row)
    and_rows = []
    for row in reversed(pixels):
        bits = 0
        for x, (_, _, _, a) in enumerate(row):
            if a == 0:
                bits |= 1 << (31 - x)
        and_rows.append(struct.pack(">I", bits))
    mask = b"".join(and_rows)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, len(xor) + len(mask), 0, 0, 0, 0)
    image = header + xor + mask
    icondir = struct.pack("<HHH", 0, 2, 1)
    entry = struct.pack("<BBBBHHII", size, size, 0, 0, hot_x, hot_y, len(image), 6 + 16)
    with open(out, "wb") as f:
        f.write(icondir + entry + image)

if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else "assets/HAND-M.CUR")
