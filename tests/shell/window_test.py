#!/usr/bin/env python3
"""opalplay in a real window under Xvfb.

A small game is built with opaltool: coloured boxes, then a loop that waits
for a left click. The player runs on the system clock in a window; when its
own screenshot is written, the window is captured from the X display with
xwd and the panel under the toolbar strip must equal the screenshot. A
scripted click then reaches the stage, the page notes it and the game ends.

Last, the example game's story plays in a window: scripted clicks and an
Enter, sent through the window system, turn its pages to the end.

usage: window_test.py OPALTOOL OPALPLAY [EXAMPLE_DIR]
Exits 77 (skipped) when xvfb-run or xwd is missing.
"""
import os
import shutil
import struct
import subprocess
import sys
import tempfile
import time
import zlib

DOCK = 22  # the toolbar strip above the panel

PROJECT = """title = Window test
width = 320
height = 240
start = start.osb
var int clicked = 0
"""

# Both boxes let the mouse through: an object under the pointer would take
# the click for itself, and @LClick would never see it.
START = """+BoxNew PR_NAME: "back" ; PR_LEFT: 0 ; PR_TOP: 0 ; PR_WIDTH: 320 ; PR_HEIGHT: 240 ; PR_COLOR: 3170352 ; PR_IGNOREMOUSE: 1
+BoxNew PR_NAME: "mark" ; PR_PRIORITY: 5 ; PR_LEFT: 40 ; PR_TOP: 30 ; PR_WIDTH: 100 ; PR_HEIGHT: 60 ; PR_COLOR: 255 ; PR_BORDERWIDTH: 3 ; PR_BORDERCOLOR: 16777215 ; PR_IGNOREMOUSE: 1
# Waits, a frame at a time, until a frame sees a left click.
Wait 100000 ; while: @LClick == FALSE
+Calc clicked = @MouseX * 1000 + @MouseY
+Terminate
"""

# The click lands at panel (100, 50): client y is 50 + the strip.
INPUT = """# a left click on the stage, long after the logo and the screenshot
250 click left 100 %d
""" % (50 + DOCK)


# The story's pages turn on these (frames counted from the start, the story's
# first page is shown from about frame 240).
STORY_INPUT = """# clicks and an Enter on the story
320 click left 300 %d
400 key Enter
480 click left 300 %d
620 click left 300 %d
700 click left 300 %d
""" % ((200 + DOCK,) * 4)


CONFIG_INI = b"; settings\r\n[Sound]\r\nDirectSound=1\r\nDelayTime=300\r\n[Video]\r\nUseWMP=0\r\n"
CONFIG_CASES = [
    # Alt+S turns DirectSound off, three tabs reach the slider, Right, Enter.
    ("10 keydown Alt\n12 key S\n14 keyup Alt\n16 key Tab\n18 key Tab\n20 key Tab\n22 key Right\n24 key Enter\n",
     CONFIG_INI.replace(b"DirectSound=1", b"DirectSound=0").replace(b"DelayTime=300", b"DelayTime=400")),
    # Escape after a change leaves the file as it was.
    ("10 key Space\n12 key Escape\n", CONFIG_INI),
]


def read_png(path):
    """RGB rows of an 8-bit RGB or RGBA PNG."""
    data = open(path, "rb").read()
    assert data[:8] == b"\x89PNG\r\n\x1a\n", "not a PNG"
    pos, idat, width = 8, b"", 0
    while pos < len(data):
        n, kind = struct.unpack(">I4s", data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + n]
        if kind == b"IHDR":
            width, height, depth, ctype = struct.unpack(">IIBB", body[:10])
            assert depth == 8 and ctype in (2, 6), "unexpected PNG format"
            bpp = 3 if ctype == 2 else 4
        elif kind == b"IDAT":
            idat += body
        pos += 12 + n
    raw = zlib.decompress(idat)
    stride = width * bpp
    rows, prev, at = [], bytearray(stride), 0
    for _ in range(height):
        f, line = raw[at], bytearray(raw[at + 1:at + 1 + stride])
        at += 1 + stride
        for i in range(stride):
            a = line[i - bpp] if i >= bpp else 0
            b = prev[i]
            c = prev[i - bpp] if i >= bpp else 0
            if f == 1:
                line[i] = (line[i] + a) & 255
            elif f == 2:
                line[i] = (line[i] + b) & 255
            elif f == 3:
                line[i] = (line[i] + (a + b) // 2) & 255
            elif f == 4:
                p = a + b - c
                pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
                line[i] = (line[i] + (a if pa <= pb and pa <= pc else b if pb <= pc else c)) & 255
        rows.append([tuple(line[x * bpp:x * bpp + 3]) for x in range(width)])
        prev = line
    return rows


def read_xwd(data):
    """RGB rows of a 24/32-bit ZPixmap xwd capture."""
    h = struct.unpack(">25I", data[:100])
    header_size, fmt, width, height = h[0], h[2], h[4], h[5]
    byte_order, bpp, bpl, ncolors = h[7], h[11], h[12], h[19]
    masks = h[14:17]
    assert fmt == 2 and bpp == 32, "unexpected xwd format"
    pix = data[header_size + ncolors * 12:]
    order = "<I" if byte_order == 0 else ">I"

    def channel(v, m):
        shift = (m & -m).bit_length() - 1
        return (v & m) >> shift

    rows = []
    for y in range(height):
        row = []
        for x in range(width):
            (v,) = struct.unpack_from(order, pix, y * bpl + x * 4)
            row.append(tuple(channel(v, m) for m in masks))
        rows.append(row)
    return rows


# In a sanitized build the player in a real window is not checked for leaks:
# the window system's libraries (D-Bus, the X drivers SDL loads) keep
# allocations to the end; the headless runs check the player's own.
PLAYER_ENV = dict(os.environ, ASAN_OPTIONS=os.environ.get("ASAN_OPTIONS", "") + ":detect_leaks=0")


def main():
    tool, player = sys.argv[1], sys.argv[2]
    if shutil.which("xvfb-run") is None or shutil.which("xwd") is None:
        print("xvfb-run or xwd missing: skipped")
        return 77
    work = tempfile.mkdtemp(prefix="opal-window-")
    try:
        src = os.path.join(work, "src")
        os.makedirs(src)
        open(os.path.join(src, "project.txt"), "w").write(PROJECT)
        open(os.path.join(src, "start.ost"), "w").write(START)
        game = os.path.join(work, "game")
        subprocess.run([tool, "build", src, "-o", game], check=True, stdout=subprocess.DEVNULL)
        script = os.path.join(work, "input.txt")
        open(script, "w").write(INPUT)
        shot, vars_path = os.path.join(work, "shot.png"), os.path.join(work, "vars.txt")
        capture = os.path.join(work, "x.xwd")
        # One shell under xvfb-run: the player in the background, the
        # capture once the player's screenshot exists, then the player's end.
        inner = (
            '"$1" --frames 600 --screenshot-at 100 --screenshot "$2" --input "$3" --dump-vars "$4" "$5" & p=$!; '
            'i=0; while [ ! -s "$2" ] && [ $i -lt 200 ]; do sleep 0.05; i=$((i+1)); done; '
            'xwd -silent -name "Window test" > "$6"; wait $p'
        )
        run = subprocess.run(
            ["xvfb-run", "-a", "-s", "-screen 0 800x600x24", "sh", "-c", inner, "sh", player, shot, script,
             vars_path, game, capture],
            stdout=subprocess.PIPE, stderr=subprocess.STDOUT, timeout=120, env=PLAYER_ENV)
        out = run.stdout.decode("utf-8", "replace")
        if run.returncode != 0:
            print(out)
            print("player failed with", run.returncode)
            return 1
        expected = read_png(shot)
        window = read_xwd(open(capture, "rb").read())
        panel = [row[:320] for row in window[DOCK:DOCK + 240]]
        if len(window) < DOCK + 240 or panel != expected:
            diffs = sum(1 for y in range(min(len(panel), 240)) for x in range(320) if panel[y][x] != expected[y][x])
            print("the window differs from the screenshot in %d pixels" % diffs)
            return 1
        if expected[60][90] != (255, 0, 0) or expected[5][5] != (48, 96, 48):
            print("unexpected pixels in the screenshot:", expected[60][90], expected[5][5])
            return 1
        variables = open(vars_path, encoding="utf-8").read()
        if "clicked: int [] 100050" not in variables:
            print("the click did not reach the stage:\n" + variables + out)
            return 1
        # The settings dialog in its own window, driven by keys through the
        # window system: game.ini is read from the player's folder.
        for keys, expected in CONFIG_CASES:
            folder = os.path.join(work, "config")
            shutil.rmtree(folder, ignore_errors=True)
            os.makedirs(folder)
            exe = os.path.join(folder, "opalplay")
            shutil.copy(player, exe)
            ini = os.path.join(folder, "game.ini")
            open(ini, "wb").write(CONFIG_INI)
            open(os.path.join(folder, "keys.txt"), "w").write(keys)
            run = subprocess.run(["xvfb-run", "-a", "-s", "-screen 0 800x600x24", exe, "--frames", "300",
                                  "--input", os.path.join(folder, "keys.txt"), "/config"],
                                 stdout=subprocess.PIPE, stderr=subprocess.STDOUT, timeout=60, env=PLAYER_ENV)
            got = open(ini, "rb").read()
            if run.returncode != 0 or got != expected:
                print("settings dialog:", keys, got, run.stdout.decode("utf-8", "replace"))
                return 1
        if len(sys.argv) > 3:
            story = os.path.join(work, "story")
            subprocess.run([tool, "build", sys.argv[3], "-o", story], check=True, stdout=subprocess.DEVNULL)
            clicks = os.path.join(work, "story.txt")
            open(clicks, "w").write(STORY_INPUT)
            story_vars = os.path.join(work, "story-vars.txt")
            run = subprocess.run(["xvfb-run", "-a", "-s", "-screen 0 800x600x24", player, "--frames", "1500",
                                  "--input", clicks, "--dump-vars", story_vars, story],
                                 stdout=subprocess.PIPE, stderr=subprocess.STDOUT, timeout=120, env=PLAYER_ENV)
            variables = open(story_vars, encoding="utf-8").read() if os.path.exists(story_vars) else ""
            if run.returncode != 0 or "turns: int [] 5" not in variables or 'scene: str [] "end"' not in variables:
                print("the story's pages did not turn:\n" + variables + run.stdout.decode("utf-8", "replace"))
                return 1
        print("window, screenshot, click, settings dialog and story agree")
        return 0
    finally:
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
