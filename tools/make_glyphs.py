#!/usr/bin/env python3
"""Draw Tolvan's small bitmap glyphs and write them as XPM files.

Run from anywhere:  python3 tools/make_glyphs.py
Writes src/platform/glyphs/*.xpm and src/platform/glyphs/glyphs.qrc.

Small pictures are drawn as text, one character per pixel (see COLOURS);
'.' is always the background of the picture.  The larger about-window
pictures are drawn with a few simple primitives instead.
"""
import math
import os

OUT = os.path.join(os.path.dirname(os.path.abspath(__file__)),
                   '..', 'src', 'platform', 'glyphs')

COLOURS = {
    'k': (0, 0, 0),        'w': (255, 255, 255),  's': (192, 192, 192),
    'g': (128, 128, 128),  'r': (255, 0, 0),      'R': (128, 0, 0),
    'y': (255, 255, 0),    'o': (128, 128, 0),    'l': (0, 255, 0),
    'G': (0, 128, 0),      'c': (0, 255, 255),    't': (0, 128, 128),
    'b': (0, 0, 255),      'n': (0, 0, 128),      'm': (255, 0, 255),
    'p': (128, 0, 128),    'B': (128, 64, 0),
}
BLACK, WHITE, SILVER, GREY = (COLOURS[c] for c in 'kwsg')
OLIVE, BLUE, TEAL = COLOURS['o'], COLOURS['b'], COLOURS['t']


# ---------------------------------------------------------------- drawing

def compose(w, h, *parts):
    """Lay text pieces (x, y, rows) on a w x h text canvas; '.' is see-through."""
    canvas = [['.'] * w for _ in range(h)]
    for x0, y0, rows in parts:
        for y, row in enumerate(rows):
            for x, ch in enumerate(row):
                if ch != '.':
                    canvas[y0 + y][x0 + x] = ch
    return [''.join(r) for r in canvas]


def with_shadow(rows, shade='s'):
    """Give every non-background pixel a shadow one pixel down-right."""
    out = [list(r) for r in rows]
    for y, row in enumerate(rows):
        for x, ch in enumerate(row):
            if ch != '.' and y + 1 < len(rows) and x + 1 < len(row) \
                    and rows[y + 1][x + 1] == '.':
                out[y + 1][x + 1] = shade
    return [''.join(r) for r in out]


def to_pixels(rows, bg, extra=None):
    """Turn text rows into a grid of RGB tuples.  `extra` may give more
    letters; a pair of colours there means a one-pixel checkerboard."""
    table = dict(COLOURS, **(extra or {}))
    table['.'] = bg
    grid = []
    for y, row in enumerate(rows):
        line = []
        for x, ch in enumerate(row):
            c = table[ch]
            if isinstance(c[0], tuple):
                c = c[(x + y) % 2]
            line.append(c)
        grid.append(line)
    return grid


def two_images(grid, bg):
    """Normal picture on the left, its greyed-out copy on the right.
    The greyed copy shows the picture's shapes in dark grey over a white
    copy moved one pixel down and right.  Light pixels (white, silver,
    yellow) are not shapes: they drop out, as in the usual etched look."""
    h, w = len(grid), len(grid[0])

    def is_shape(c):
        return c != bg and 0.299 * c[0] + 0.587 * c[1] + 0.114 * c[2] < 190
    shape = [[is_shape(grid[y][x]) for x in range(w)] for y in range(h)]
    grey = [[bg] * w for _ in range(h)]
    for y in range(h - 1):
        for x in range(w - 1):
            if shape[y][x]:
                grey[y + 1][x + 1] = WHITE
    for y in range(h):
        for x in range(w):
            if shape[y][x]:
                grey[y][x] = GREY
    return [grid[y] + grey[y] for y in range(h)]


class Canvas:
    """A pixel grid with a few drawing primitives (for the larger pictures)."""

    def __init__(self, w, h, bg):
        self.w, self.h = w, h
        self.px = [[bg] * w for _ in range(h)]

    def put(self, x, y, c):
        if 0 <= x < self.w and 0 <= y < self.h:
            self.px[y][x] = c

    def rect(self, x0, y0, x1, y1, c):
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                self.put(x, y, c)

    def frame(self, x0, y0, x1, y1, c):
        for x in range(x0, x1 + 1):
            self.put(x, y0, c)
            self.put(x, y1, c)
        for y in range(y0, y1 + 1):
            self.put(x0, y, c)
            self.put(x1, y, c)

    def line(self, x0, y0, x1, y1, c):
        n = max(abs(x1 - x0), abs(y1 - y0), 1)
        for i in range(n + 1):
            self.put(round(x0 + (x1 - x0) * i / n),
                     round(y0 + (y1 - y0) * i / n), c)

    def paint(self, colour_at):
        """colour_at(x, y) returns a colour for the pixel, or None to keep it."""
        for y in range(self.h):
            for x in range(self.w):
                c = colour_at(x, y)
                if c is not None:
                    self.px[y][x] = c

    def text(self, x0, y0, rows, table):
        for y, row in enumerate(rows):
            for x, ch in enumerate(row):
                if ch in table:
                    self.put(x0 + x, y0 + y, table[ch])


# ---------------------------------------------------------------- writing

PIXEL_CHARS = ('#$%&*+=@-:;<>,^~_|/()[]{}!0123456789'
               'acdefhijquvxzACDEFHIJKLMNOPQSTUVWXYZ')
written = []


def write_xpm(name, grid, about):
    """Write grid (rows of RGB tuples) as src/platform/glyphs/<name>.xpm."""
    h, w = len(grid), len(grid[0])
    colours = []
    for row in grid:
        for c in row:
            if c not in colours:
                colours.append(c)
    letter = {v: k for k, v in COLOURS.items()}
    codes = {grid[-1][0]: '.'}          # the bottom-left (background) colour
    spare = [ch for ch in PIXEL_CHARS if ch not in COLOURS]
    if len(colours) <= 40:
        for c in colours:
            if c not in codes:
                codes[c] = letter.get(c) or spare.pop(0)
    else:
        pool = [a + b for a in '.' + PIXEL_CHARS + 'bgknrstwy'
                for b in '.' + PIXEL_CHARS]
        codes = {c: pool[i] for i, c in enumerate(colours)}
    cpp = len(next(iter(codes.values())))
    lines = ['/* XPM */',
             '/* Tolvan: %s. Made by tools/make_glyphs.py */' % about,
             'static const char *%s_xpm[] = {' % name,
             '/* columns rows colours chars-per-pixel */',
             '"%d %d %d %d",' % (w, h, len(colours), cpp)]
    for c in colours:
        lines.append('"%s c #%02X%02X%02X",' % ((codes[c],) + c))
    lines.append('/* pixels */')
    for y, row in enumerate(grid):
        end = ',' if y < h - 1 else ''
        lines.append('"%s"%s' % (''.join(codes[c] for c in row), end))
    lines.append('};')
    with open(os.path.join(OUT, name + '.xpm'), 'w') as f:
        f.write('\n'.join(lines) + '\n')
    written.append(name + '.xpm')


def toolbar(name, rows, about, extra=None):
    assert len(rows) == 16 and all(len(r) == 16 for r in rows), name
    grid = to_pixels(rows, OLIVE, extra)
    write_xpm(name, two_images(grid, OLIVE), about)


def small(name, rows, bg, about, extra=None):
    width = len(rows[0])
    assert all(len(r) == width for r in rows), name
    write_xpm(name, to_pixels(rows, bg, extra), about)


# ---------------------------------------------------------------- pieces

SPARKLE = [
    "..y..",
    "y.y.y",
    ".yyy.",
    "yywyy",
    ".yyy.",
    "y.y.y",
    "..y..",
]

SHEET = [              # 9 x 12 blank sheet with a folded corner
    "kkkkkk...",
    "kwwwwkk..",
    "kwwwwkwk.",
    "kwwwwkkkk",
    "kwwwwwwwk",
    "kwwwwwwwk",
    "kwwwwwwwk",
    "kwwwwwwwk",
    "kwwwwwwwk",
    "kwwwwwwwk",
    "kwwwwwwwk",
    "kkkkkkkkk",
]

TEXT_LINES = [         # laid over SHEET
    "..........",
    "..........",
    ".kk.......",
    "..........",
    "..........",
    ".kkkkk....",
    "..........",
    ".kkkk.....",
    "..........",
    ".kkkkk....",
    "..........",
    "..........",
]

NOTE = [               # 7 x 10 small sheet with text
    "kkkkk..",
    "kwwwkk.",
    "kwwwkkk",
    "kwwwwwk",
    "kwkkkwk",
    "kwwwwwk",
    "kwkkkwk",
    "kwwwwwk",
    "kwkkwwk",
    "kkkkkkk",
]

ARROW_RIGHT = [
    "...r..",
    "...rr.",
    "rrrrrr",
    "...rr.",
    "...r..",
]

ARROW_DOWN = [
    "..r..",
    "..r..",
    "rrrrr",
    ".rrr.",
    "..r..",
]

DISK = [
    "kkkkkkk.",
    "kksssskk",
    "kksskskk",
    "kksssskk",
    "kkkkkkkk",
    "kssssssk",
    "kssssssk",
    "kkkkkkkk",
]

SCISSORS = [
    ".b.......b.",
    ".bb.....bb.",
    "..bb...bb..",
    "...bb.bb...",
    "....bnb....",
    "....b.b....",
    "...b...b...",
    ".bbb...bbb.",
    "b...b.b...b",
    "b...b.b...b",
    "b...b.b...b",
    ".bbb...bbb.",
]

CLIPBOARD = [
    "...kkk...",
    "BBkskskBB",
    "BkssssskB",
    "BykkkkkyB",
    "ByyyyyyyB",
    "ByyyyyyyB",
    "ByyyyyyyB",
    "ByyyyyyyB",
    "ByyyyyyyB",
    "ByyyyyyyB",
    "ByyyyyyyB",
    "ByyyyyyyB",
    "ByyyyyyyB",
    "BBBBBBBBB",
]


def justified(align):
    lengths = [12, 8, 12, 6, 10]
    rows = []
    for n in lengths:
        if align == 'left':
            x = 1
        elif align == 'right':
            x = 13 - n
        else:
            x = 1 + (12 - n) // 2
        rows += ['.' * 16, '.' * x + 'n' * n + '.' * (16 - x - n), '.' * 16]
    return with_shadow(rows[:15] + ['.' * 16])


# ---------------------------------------------------------------- toolbar

def draw_toolbar():
    sheet_text = compose(9, 12, (0, 0, SHEET), (0, 0, TEXT_LINES))
    toolbar('new', compose(16, 16, (0, 1, SPARKLE), (6, 3, SHEET)),
            'blank sheet')
    toolbar('open', compose(16, 16, (0, 1, SPARKLE), (6, 3, sheet_text)),
            'sheet with text')
    toolbar('save', compose(16, 16, (0, 0, NOTE), (8, 2, ARROW_RIGHT),
                            (8, 8, DISK)), 'sheet to disk')
    toolbar('cut', compose(16, 16, (1, 0, sheet_text), (5, 4, SCISSORS)),
            'scissors')
    toolbar('copy', compose(16, 16, (0, 0, NOTE), (8, 2, ARROW_RIGHT),
                            (8, 6, NOTE)), 'sheet copied')
    toolbar('paste', compose(16, 16, (0, 1, CLIPBOARD), (10, 0, ARROW_DOWN),
                             (8, 6, NOTE)), 'clipboard to sheet')

    toolbar('bold', with_shadow(compose(16, 16, (3, 2, [
        "rrrrrrrr.",
        ".rrr..rrr",
        ".rrr..rrr",
        ".rrr..rrr",
        ".rrrrrrr.",
        ".rrr..rrr",
        ".rrr..rrr",
        ".rrr..rrr",
        ".rrr..rrr",
        "rrrrrrrr.",
    ]))), 'bold letter')
    toolbar('italic', with_shadow(compose(16, 16, (3, 2, [
        "...bbbbbb",
        ".....bb..",
        ".....bb..",
        "....bb...",
        "....bb...",
        "...bb....",
        "...bb....",
        "..bb.....",
        "..bb.....",
        "bbbbbb...",
    ]))), 'slanted letter')
    toolbar('underline', with_shadow(compose(16, 16, (2, 1, [
        ".ppp...ppp..",
        "..pp....p...",
        "..pp....p...",
        "..pp....p...",
        "..pp....p...",
        "..pp....p...",
        "..pp....p...",
        "..ppp..pp...",
        "...ppppp....",
        "............",
        "............",
        "pppppppppppp",
    ]))), 'underlined letter')
    toolbar('leftjust', justified('left'), 'lines aligned left')
    toolbar('center', justified('center'), 'lines centred')
    toolbar('rightjust', justified('right'), 'lines aligned right')

    lens = [
        "..sss..",
        ".swsss.",
        "swsggss",
        "ssgkgss",
        "ssgggss",
        ".sssss.",
        "..sss..",
    ]
    small('image', compose(16, 16, (0, 0, [
        "................",
        "................",
        "..kk.....kkkk...",
        ".kkkkkkkkkkkkkk.",
        ".kwwkkkkkkkkkkk.",
        ".kkkkkkkkkkkkkk.",
        ".kkkkkkkkkkkkkk.",
        ".kkkkkkkkkkkkkk.",
        ".kkkkkkkkkkkkkk.",
        ".kkkkkkkkkkkkkk.",
        ".kkkkkkkkkkkkkk.",
        ".kkkkkkkkkkkkkk.",
        ".kkkkkkkkkkkkkk.",
        ".kkkkkkkkkkkkkk.",
        "................",
        "................",
    ]), (5, 5, lens)), GREY, 'camera')

    toolbar('href', [
        "................",
        "...kkkkkkkkkk...",
        "...kssssssssk...",
        "...kscccccysk...",
        "...ksccccccsk...",
        "...ksccGGcGsk...",
        "...ksGGGGGGsk...",
        "...kssssssssk...",
        "...kkkkkkkkkk...",
        "......kggk......",
        "....kkkkkkkk....",
        "................",
        ".kkkkkkkkkkkkkk.",
        ".kwgwgwgwgwgwgk.",
        ".kwwgggggggwwwk.",
        ".kkkkkkkkkkkkkk.",
    ], 'monitor and keyboard')

    toolbar('table', [
        "................",
        "................",
        "..kkkkkkkkkkkkk.",
        "..kbbbbbbbbbbbk.",
        "..kbbbbbbbbbbbk.",
        "..kkkkkkkkkkkkk.",
        "..kwwwkwwwkwwwk.",
        "..kwwwkwwwkwwwk.",
        "..kkkkkkkkkkkkk.",
        "..kwwwkwwwkwwwk.",
        "..kwwwkwwwkwwwk.",
        "..kkkkkkkkkkkkk.",
        "..kwwwkwwwkwwwk.",
        "..kwwwkwwwkwwwk.",
        "..kkkkkkkkkkkkk.",
        "................",
    ], 'table')

    crayon = [
        "..k..",
        ".kCk.",
        ".kCk.",
        "kCCDk",
        "kkkkk",
        "kCCDk",
        "kCCDk",
        "kkkkk",
        "kCCDk",
        "kCCDk",
        "kCCDk",
        "kCCDk",
        "kCCDk",
        "kkkkk",
        "kCCDk",
        "kCCDk",
        "kkkkk",
    ]
    pick = lambda c, d: [r.replace('C', c).replace('D', d) for r in crayon]
    small('color', compose(20, 20, (2, 1, pick('r', 'R')),
                           (8, 1, pick('l', 'G')), (14, 1, pick('b', 'n'))),
          SILVER, 'three crayons')

    small('usetolvan', [
        "..................",
        "..................",
        ".kkkkkkkkkkkkkkkk.",
        ".knnnnnnnnnnnnssk.",
        ".knnnnnnnnnnnnssk.",
        ".kkkkkkkkkkkkkkkk.",
        ".kwwwwwwwwwwwwwwk.",
        ".kwkkkkkwwGGGGwwk.",
        ".kwwwwwwwwGGGGwwk.",
        ".kwkkkkwwwGGGGwwk.",
        ".kwwwwwwwwGGGGwwk.",
        ".kwkkkkkwwwwwwwwk.",
        ".kwwwwwwwwwwwwwwk.",
        ".kwkkkkkkkkkkwwwk.",
        ".kwwwwwwwwwwwwwwk.",
        ".kkkkkkkkkkkkkkkk.",
        "..................",
        "..................",
    ], TEAL, 'small window')

    toolbar('okcheck', [
        "................",
        "................",
        "............GG..",
        "...........GGG..",
        "..........GGG...",
        ".........GGG....",
        "..G.....GGG.....",
        "..GG...GGG......",
        "..GGG.GGG.......",
        "...GGGGG........",
        "....GGG.........",
        ".....G..........",
        "................",
        "................",
        "................",
        "................",
    ], 'check mark')


# ---------------------------------------------------------------- drives, folders, files

DRIVE = [
    "................",
    ".kkkkkkkkkkkkkk.",
    ".kwwwwwwwwwwwwk.",
    ".kssssssssssssk.",
    ".kssssssssssssk.",
    ".kssssssssssssk.",
    ".kssssssssssssk.",
    ".kssssssssssssk.",
    ".kssssssssssssk.",
    ".kkkkkkkkkkkkkk.",
    "................",
]


def drive(name, mark, about, x=0, y=0):
    small(name, compose(16, 11, (0, 0, DRIVE), (x, y, mark)), BLUE, about)


def draw_drives():
    drive('floppy', ["kkkkkkkkkk"], 'floppy drive', 3, 5)
    drive('hard', ["....kkkkkkkk", "............", "....kkkkkkkk",
                   "............", "GG.........."], 'hard drive', 3, 3)
    drive('network', ["..kkkk..", "..kkkk..", "...kk...",
                      "kkkkkkkk"], 'network drive', 4, 3)
    drive('cdrom', [".kkk.", "kwwwk", "kwkwk", "kwwwk", ".kkk."],
          'disc drive', 6, 3)
    drive('ram', [".k.k.k.k.k.", "kkkkkkkkkkk", "kkkkkkkkkkk",
                  ".k.k.k.k.k."], 'memory drive', 3, 3)


OPEN_FOLDER = [
    "................",
    "................",
    ".kkkk...........",
    "kYYYYk..........",
    "kYYYYYkkkkkkk...",
    "kYYYYYYYYYYYk...",
    "kYYYYYYYYYYYk...",
    "kYYYkkkkkkkkkkkk",
    "kYYkFFFFFFFFFFFk",
    "kYYkFFFFFFFFFFk.",
    "kYkFFFFFFFFFFFk.",
    "kYkFFFFFFFFFFk..",
    "kkFFFFFFFFFFFk..",
    "kkgggggggggggk..",
    "................",
]


def draw_folders():
    yw = (COLOURS['y'], WHITE)
    small('openfolder', OPEN_FOLDER, BLUE, 'open folder',
          {'Y': yw, 'F': yw})
    small('currentfolder', OPEN_FOLDER, BLUE, 'current folder',
          {'Y': (BLACK, WHITE), 'F': (COLOURS['y'], GREY)})
    small('closedfolder', [
        "................",
        "................",
        "................",
        "..kkkkk.........",
        ".kYYYYYk........",
        ".kYYYYYYkkkkkkk.",
        ".kYYYYYYYYYYYYk.",
        ".kYYYYYYYYYYYYk.",
        ".kYYYYYYYYYYYYk.",
        ".kYYYYYYYYYYYYk.",
        ".kYYYYYYYYYYYYk.",
        ".kYYYYYYYYYYYYk.",
        ".kggggggggggggk.",
        ".kkkkkkkkkkkkkk.",
        "................",
    ], BLUE, 'closed folder', {'Y': yw})

    small('executable', [
        "................",
        "................",
        ".kkkkkkkkkkkkkk.",
        ".kcccccccccccck.",
        ".kcccccccccccck.",
        ".kkkkkkkkkkkkkk.",
        ".kYYYYYYYYYYYYk.",
        ".kYYYYYYYYYYYYk.",
        ".kYYYYYYYYYYYYk.",
        ".kYYYYYYYYYYYYk.",
        ".kYYYYYYYYYYYYk.",
        ".kYYYYYYYYYYYYk.",
        ".kkkkkkkkkkkkkk.",
        "................",
        "................",
    ], BLUE, 'program', {'Y': (GREY, WHITE)})
    small('unknownfile', [
        "................",
        "...kkkkkkk......",
        "...kwwwwwkk.....",
        "...kwwwwwkwk....",
        "...kwwwwwkwwk...",
        "...kwwwwwkkkkk..",
        "...kwwwwwwwwwk..",
        "...kwwwwwwwwwk..",
        "...kwwwwwwwwwk..",
        "...kwwwwwwwwwk..",
        "...kwwwwwwwwwk..",
        "...kwwwwwwwwwk..",
        "...kwwwwwwwwwk..",
        "...kkkkkkkkkkk..",
        "................",
    ], BLUE, 'plain file')


# ---------------------------------------------------------------- about window

def draw_about_pen():
    c = Canvas(32, 32, SILVER)
    # sheet with a shadow and a folded corner
    c.rect(6, 4, 24, 29, GREY)
    c.rect(5, 3, 23, 28, WHITE)
    c.frame(5, 3, 23, 28, BLACK)
    for i in range(6):
        c.line(23 - 5 + i, 3, 23, 3 + 5 - i, SILVER)
    c.line(18, 3, 23, 8, BLACK)
    c.line(18, 3, 18, 8, BLACK)
    c.line(18, 8, 23, 8, BLACK)
    c.rect(19, 6, 20, 7, WHITE)
    c.put(19, 5, WHITE)
    # angle brackets
    navy = COLOURS['n']
    for i in range(4):
        for d in (0, 1):
            c.put(10 - i + d, 10 + i, navy)     # <
            c.put(10 - i + d, 16 - i, navy)
            c.put(15 + i + d, 10 + i, navy)     # >
            c.put(15 + i + d, 16 - i, navy)
    for y in (21, 24):
        c.line(8, y, 19 - (y - 21), y, GREY)
    c.line(8, 27, 10, 27, GREY)
    # the pen, from its tip on the paper up to the top right
    tx, ty, ex, ey = 14.5, 26.5, 28.0, 6.5
    length = math.hypot(ex - tx, ey - ty)
    ux, uy = (ex - tx) / length, (ey - ty) / length

    def pen(x, y):
        dx, dy = x - tx, y - ty
        t = dx * ux + dy * uy               # along the pen
        d = dx * -uy + dy * ux              # across it
        if t < -0.5 or t > length + 0.8:
            return None
        r = min(2.6, 0.45 * t + 0.3)
        if abs(d) > r + 1.0:
            return None
        if abs(d) > r or t > length - 0.5:
            return BLACK
        if t < 2.5:
            return BLACK
        if t < 6:
            return WHITE if d < 0 else GREY
        if t > length - 4:
            return BLACK if d > 0.5 else GREY
        if 13 < t < 15:
            return COLOURS['y']
        return COLOURS['r'] if d < 0 else COLOURS['R']
    c.paint(pen)
    c.line(11, 27, 14, 27, navy)
    write_xpm('about1', c.px, 'pen writing a page')


def draw_about_globe():
    c = Canvas(32, 32, SILVER)
    cx, cy, rad = 15.5, 15.5, 14.2
    land = [(10, 9, 5, 3.5), (8, 13, 3, 3), (12, 19, 2.5, 5.5),
            (13, 25, 1.5, 2), (21, 8, 6, 2.8), (25, 12, 4, 3),
            (21, 15, 3, 3.5), (22, 20, 2, 3), (26, 23, 2.5, 1.5)]

    def globe(x, y):
        dx, dy = x - cx, y - cy
        r = math.hypot(dx, dy)
        if r > rad + 0.9:
            return None
        if r > rad:
            return COLOURS['n']
        light = (-dx - dy) / rad            # bright towards the top left
        if any(((x - lx) / ax) ** 2 + ((y - ly) / ay) ** 2 <= 1
               for lx, ly, ax, ay in land):
            return COLOURS['l'] if light > 0.6 else COLOURS['G']
        if light > 0.9 and r < rad - 2:
            return COLOURS['c']
        return COLOURS['b'] if light > -0.9 else COLOURS['n']
    c.paint(globe)
    c.rect(8, 7, 9, 7, WHITE)
    c.put(7, 8, WHITE)
    write_xpm('about3', c.px, 'globe')


def letter_shapes():
    """Each letter as (width, height, inside(x, y)) on its own box, with
    strokes three pixels wide; pixel centres are tested against the shape."""
    def ring(cx, cy, rx, ry, x, y):
        def inside(ax, ay):
            return ((x - cx) / ax) ** 2 + ((y - cy) / ay) ** 2 <= 1
        return inside(rx, ry) and not inside(rx - 3, ry - 3)

    def near(x0, y0, x1, y1, x, y, r=1.6):
        t = ((x - x0) * (x1 - x0) + (y - y0) * (y1 - y0)) / \
            ((x1 - x0) ** 2 + (y1 - y0) ** 2)
        t = max(0, min(1, t))
        return math.hypot(x - x0 - t * (x1 - x0), y - y0 - t * (y1 - y0)) <= r

    return {
        'T': (13, 26, lambda x, y: y < 3 or 5 < x < 8),
        'o': (12, 18, lambda x, y: ring(6, 9, 6, 9, x, y)),
        'l': (3, 26, lambda x, y: True),
        'v': (13, 18, lambda x, y: y < 18 and (near(1.5, 0, 6.5, 17, x, y) or
                                               near(11.5, 0, 6.5, 17, x, y))),
        'a': (11, 18, lambda x, y: x > 8 or ring(5, 9, 5.5, 9, x, y)),
        'n': (11, 18, lambda x, y: x < 3 or (y > 8 and x > 8) or
              (y < 9 and ring(5.5, 9, 5.5, 8.5, x, y))),
    }


def draw_about_title():
    w, h, gap = 96, 48, 4
    shapes = letter_shapes()
    c = Canvas(w, h, BLACK)
    c.paint(lambda x, y: (0, round(128 * x / (w - 1)), 128))
    word = 'Tolvan'
    x0 = (w - sum(shapes[ch][0] for ch in word) - gap * (len(word) - 1)) // 2
    base = (h + 26) // 2                    # baseline under 26-pixel capitals
    for dx, colour in ((2, (0, 0, 48)), (0, WHITE)):   # shadow, then letter
        x = x0
        for ch in word:
            lw, lh, inside = shapes[ch]
            for ly in range(lh):
                for lx in range(lw):
                    if inside(lx + 0.5, ly + 0.5):
                        c.put(x + lx + dx, base - lh + ly + dx, colour)
            x += lw + gap
    c.frame(0, 0, w - 1, h - 1, (0, 0, 48))
    c.frame(2, 2, w - 3, h - 3, SILVER)
    write_xpm('about2', c.px, 'program name')


# ---------------------------------------------------------------- main

def main():
    os.makedirs(OUT, exist_ok=True)
    draw_toolbar()
    draw_drives()
    draw_folders()
    draw_about_pen()
    draw_about_title()
    draw_about_globe()
    files = sorted(set(written))
    with open(os.path.join(OUT, 'glyphs.qrc'), 'w') as f:
        f.write('<!DOCTYPE RCC>\n<RCC version="1.0">\n'
                '<qresource prefix="/glyphs">\n')
        for name in files:
            f.write('    <file>%s</file>\n' % name)
        f.write('</qresource>\n</RCC>\n')


if __name__ == '__main__':
    main()
