#!/usr/bin/env python3
"""Builds Kelvora's bitmaps and icon from the text sources in pictures/.

    python3 tools/picgen/picgen.py            # rewrite resources/pictures/
    python3 tools/picgen/picgen.py --out DIR  # write somewhere else

pictures/outputs.txt lists every output file, its format, its size and the
source files it is made from.  The sources are plain text so that a change
to a picture can be read in a diff.  See README.md for the source format.

Only the Python standard library is used, and the output depends on nothing
but the sources, so every run writes byte-identical files.
"""

import argparse
import os
import re
import shlex
import struct
import sys
from collections import namedtuple

HERE = os.path.dirname(os.path.abspath(__file__))
SOURCE_DIR = os.path.join(HERE, 'pictures')
MANIFEST = os.path.join(SOURCE_DIR, 'outputs.txt')
REPO_ROOT = os.path.dirname(os.path.dirname(HERE))
OUTPUT_DIR = os.path.join(REPO_ROOT, 'resources', 'pictures')

# The 16 colours every Windows display can show, in the usual VGA order.
STANDARD16 = [
    (0x00, 0x00, 0x00), (0x80, 0x00, 0x00), (0x00, 0x80, 0x00), (0x80, 0x80, 0x00),
    (0x00, 0x00, 0x80), (0x80, 0x00, 0x80), (0x00, 0x80, 0x80), (0xC0, 0xC0, 0xC0),
    (0x80, 0x80, 0x80), (0xFF, 0x00, 0x00), (0x00, 0xFF, 0x00), (0xFF, 0xFF, 0x00),
    (0x00, 0x00, 0xFF), (0xFF, 0x00, 0xFF), (0x00, 0xFF, 0xFF), (0xFF, 0xFF, 0xFF),
]

# A pixel is either None (transparent) or a Colour.  `rgb` is the true
# colour; `low` is what the pixel becomes in a 16-colour image, which lets
# an icon use shades in its 256-colour image and fall back to the nearest
# standard colour in its 16-colour one.
Colour = namedtuple('Colour', 'rgb low')


class PictureError(Exception):
    """A source file is wrong; the message says where and why."""


def _where(path, line=None):
    rel = os.path.relpath(path, HERE)
    return '%s:%d' % (rel, line) if line else rel


def parse_rgb(text, where):
    if not re.fullmatch(r'[0-9A-Fa-f]{6}', text):
        raise PictureError('%s: %r is not a colour (want RRGGBB)' % (where, text))
    value = int(text, 16)
    return (value >> 16, (value >> 8) & 0xFF, value & 0xFF)


def solid(rgb):
    return Colour(rgb, rgb)


class Picture:
    def __init__(self, width, height, fill=None):
        if width <= 0 or height <= 0:
            raise ValueError('empty picture')
        self.width = width
        self.height = height
        self.pixels = [[fill] * width for _ in range(height)]

    def get(self, x, y):
        return self.pixels[y][x]

    def put(self, x, y, colour):
        if 0 <= x < self.width and 0 <= y < self.height:
            self.pixels[y][x] = colour

    def paste(self, other, left, top, scale=1):
        """Draws `other` at (left, top); its transparent pixels are skipped."""
        for y in range(other.height):
            for x in range(other.width):
                colour = other.pixels[y][x]
                if colour is None:
                    continue
                for dy in range(scale):
                    for dx in range(scale):
                        self.put(left + x * scale + dx, top + y * scale + dy, colour)

    def scaled(self, num, den):
        """This picture enlarged by num/den, pixel for pixel: each pixel of the result
        takes the colour of the pixel it lies over (x * den // num), so nothing is
        blended and the result stays as sharp as the source."""
        width = (self.width * num + den // 2) // den
        height = (self.height * num + den // 2) // den
        result = Picture(width, height)
        for y in range(height):
            row = self.pixels[min(y * den // num, self.height - 1)]
            result.pixels[y] = [row[min(x * den // num, self.width - 1)] for x in range(width)]
        return result

    def colours(self):
        seen = []
        known = set()
        for row in self.pixels:
            for colour in row:
                if colour is not None and colour not in known:
                    known.add(colour)
                    seen.append(colour)
        return seen


# ---------------------------------------------------------------------------
# Source files

_SECTION = re.compile(r'^\[(\w+)\]\s*$')


def read_sections(path):
    """Splits a source file into {section: [(line number, text), ...]}.

    Lines in [pixels] are kept as they are.  Elsewhere '#' starts a comment,
    so '#' cannot be a pixel character.
    """
    sections = {}
    current = None
    try:
        with open(path, encoding='utf-8') as f:
            lines = f.read().splitlines()
    except OSError as e:
        raise PictureError('%s: cannot read: %s' % (_where(path), e.strerror))
    for number, line in enumerate(lines, 1):
        match = _SECTION.match(line)
        if match:
            current = match.group(1)
            if current in sections:
                raise PictureError('%s: second [%s] section' % (_where(path, number), current))
            sections[current] = []
            continue
        if current == 'pixels':
            if line.strip():
                sections[current].append((number, line.rstrip()))
            continue
        text = line.strip()
        if current != 'draw':
            # [draw] lines go through shlex, which knows about quoted '#'.
            text = re.sub(r'(^|\s+)#.*', '', text)
        if not text or text.startswith('#'):
            continue
        if current is None:
            raise PictureError('%s: text before the first [section]' % _where(path, number))
        sections[current].append((number, text))
    return sections


class Loader:
    """Loads picture sources, each file once, following base/overlay/picture references."""

    def __init__(self):
        self._cache = {}
        self._loading = []

    def load(self, path):
        path = os.path.normpath(os.path.abspath(path))
        if path in self._cache:
            return self._cache[path]
        if path in self._loading:
            chain = ' -> '.join(_where(p) for p in self._loading + [path])
            raise PictureError('pictures refer to each other in a loop: ' + chain)
        self._loading.append(path)
        try:
            picture = self._load(path)
        finally:
            self._loading.pop()
        self._cache[path] = picture
        return picture

    def _load(self, path):
        sections = read_sections(path)
        kinds = [name for name in ('pixels', 'compose', 'draw') if name in sections]
        if len(kinds) != 1:
            raise PictureError('%s: needs exactly one of [pixels], [compose] or [draw]' % _where(path))
        unknown = set(sections) - {'palette', 'pixels', 'compose', 'draw'}
        if unknown:
            raise PictureError('%s: unknown section [%s]' % (_where(path), sorted(unknown)[0]))
        if kinds[0] == 'pixels':
            return self._load_grid(path, sections)
        if 'palette' in sections:
            raise PictureError('%s: [palette] only goes with [pixels]' % _where(path))
        if kinds[0] == 'compose':
            return self._load_compose(path, sections['compose'])
        return Drawing(self, path).run(sections['draw'])

    def _load_grid(self, path, sections):
        palette = {}
        for number, text in sections.get('palette', []):
            where = _where(path, number)
            parts = text.split()
            if len(parts[0]) != 1 or len(parts) not in (2, 3):
                raise PictureError('%s: want "<char> RRGGBB [low=RRGGBB]" or "<char> transparent"' % where)
            char = parts[0]
            if char in palette:
                raise PictureError('%s: %r is in the palette twice' % (where, char))
            if parts[1] == 'transparent':
                if len(parts) != 2:
                    raise PictureError('%s: a transparent entry takes no low= colour' % where)
                palette[char] = None
                continue
            rgb = parse_rgb(parts[1], where)
            low = rgb
            if len(parts) == 3:
                if not parts[2].startswith('low='):
                    raise PictureError('%s: unexpected %r' % (where, parts[2]))
                low = parse_rgb(parts[2][4:], where)
            palette[char] = Colour(rgb, low)

        rows = sections['pixels']
        if not rows:
            raise PictureError('%s: [pixels] is empty' % _where(path))
        width = len(rows[0][1])
        picture = Picture(width, len(rows))
        for y, (number, text) in enumerate(rows):
            if len(text) != width:
                raise PictureError('%s: row is %d pixels wide, the first row is %d'
                                   % (_where(path, number), len(text), width))
            for x, char in enumerate(text):
                if char not in palette:
                    raise PictureError('%s: %r (column %d) is not in the palette'
                                       % (_where(path, number), char, x + 1))
                picture.pixels[y][x] = palette[char]
        return picture

    def _load_compose(self, path, lines):
        picture = None
        folder = os.path.dirname(path)
        for number, text in lines:
            where = _where(path, number)
            parts = text.split()
            if parts[0] == 'base' and len(parts) == 2:
                if picture is not None:
                    raise PictureError('%s: base must come first, and only once' % where)
                base = self.load(os.path.join(folder, parts[1]))
                picture = Picture(base.width, base.height)
                picture.paste(base, 0, 0)
                # Transparent pixels of the base stay transparent.
            elif parts[0] == 'overlay' and len(parts) == 4:
                if picture is None:
                    raise PictureError('%s: overlay before base' % where)
                top = self.load(os.path.join(folder, parts[1]))
                x, y = _ints(parts[2:], where)
                if x < 0 or y < 0 or x + top.width > picture.width or y + top.height > picture.height:
                    raise PictureError('%s: overlay does not fit inside the base picture' % where)
                picture.paste(top, x, y)
            else:
                raise PictureError('%s: want "base FILE" or "overlay FILE X Y"' % where)
        if picture is None:
            raise PictureError('%s: [compose] has no base' % _where(path))
        return picture


def _ints(texts, where):
    try:
        return [int(t) for t in texts]
    except ValueError:
        raise PictureError('%s: expected whole numbers, got %s' % (where, ' '.join(texts)))


# ---------------------------------------------------------------------------
# Bitmap font.  Each block is a line of characters and then nine rows of
# their glyphs, in the same order: seven rows down to the baseline and two
# for descenders.  Glyphs may differ in width.

_FONT_BLOCKS = """
A     B     C     D     E     F     G     H     I   J     K
.###. ####. .###. ####. ##### ##### .###. #...# ### ..### #...#
#...# #...# #...# #...# #.... #.... #...# #...# .#. ...#. #..#.
#...# #...# #.... #...# #.... #.... #.... #...# .#. ...#. #.#..
##### ####. #.... #...# ####. ####. #.### ##### .#. ...#. ##...
#...# #...# #.... #...# #.... #.... #...# #...# .#. #..#. #.#..
#...# #...# #...# #...# #.... #.... #...# #...# .#. #..#. #..#.
#...# ####. .###. ####. ##### #.... .#### #...# ### .##.. #...#
..... ..... ..... ..... ..... ..... ..... ..... ... ..... .....
..... ..... ..... ..... ..... ..... ..... ..... ... ..... .....

L     M     N     O     P     Q     R     S     T     U
#.... #...# #...# .###. ####. .###. ####. .#### ##### #...#
#.... ##.## #...# #...# #...# #...# #...# #.... ..#.. #...#
#.... #.#.# ##..# #...# #...# #...# #...# #.... ..#.. #...#
#.... #.#.# #.#.# #...# ####. #...# ####. .###. ..#.. #...#
#.... #...# #..## #...# #.... #.#.# #.#.. ....# ..#.. #...#
#.... #...# #...# #...# #.... #..#. #..#. ....# ..#.. #...#
##### #...# #...# .###. #.... .##.# #...# ####. ..#.. .###.
..... ..... ..... ..... ..... ..... ..... ..... ..... .....
..... ..... ..... ..... ..... ..... ..... ..... ..... .....

V     W     X     Y     Z     a     b     c     d     e
#...# #...# #...# #...# ##### ..... #.... ..... ....# .....
#...# #...# #...# #...# ....# ..... #.... ..... ....# .....
#...# #...# .#.#. .#.#. ...#. .###. ####. .###. .#### .###.
#...# #.#.# ..#.. ..#.. ..#.. ....# #...# #.... #...# #...#
#...# #.#.# .#.#. ..#.. .#... .#### #...# #.... #...# #####
.#.#. #.#.# #...# ..#.. #.... #...# #...# #...# #...# #....
..#.. .#.#. #...# ..#.. ##### .#### ####. .###. .#### .###.
..... ..... ..... ..... ..... ..... ..... ..... ..... .....
..... ..... ..... ..... ..... ..... ..... ..... ..... .....

f    g     h     i   j    k    l   m     n     o     p
..## ..... #.... .#. ...# #... ##. ..... ..... ..... .....
.#.. ..... #.... ... .... #... .#. ..... ..... ..... .....
#### .#### #.##. ##. ..## #..# .#. ##.#. #.##. .###. ####.
.#.. #...# ##..# .#. ...# #.#. .#. #.#.# ##..# #...# #...#
.#.. #...# #...# .#. ...# ##.. .#. #.#.# #...# #...# #...#
.#.. #...# #...# .#. ...# #.#. .#. #.#.# #...# #...# #...#
.#.. .#### #...# ### ...# #..# ### #.#.# #...# .###. ####.
.... ....# ..... ... #..# .... ... ..... ..... ..... #....
.... .###. ..... ... .##. .... ... ..... ..... ..... #....

q     r    s     t    u     v     w     x     y     z     0
..... .... ..... .#.. ..... ..... ..... ..... ..... ..... .###.
..... .... ..... .#.. ..... ..... ..... ..... ..... ..... #...#
.#### #.## .#### #### #...# #...# #...# #...# #...# ##### #..##
#...# ##.. #.... .#.. #...# #...# #...# .#.#. #...# ...#. #.#.#
#...# #... .###. .#.. #...# #...# #.#.# ..#.. #...# ..#.. ##..#
#...# #... ....# .#.. #..## .#.#. #.#.# .#.#. #...# .#... #...#
.#### #... ####. ..## .##.# ..#.. .#.#. #...# .#### ##### .###.
....# .... ..... .... ..... ..... ..... ..... ....# ..... .....
....# .... ..... .... ..... ..... ..... ..... .###. ..... .....

1   2     3     4     5     6     7     8     9     . ,  : ;  !
.#. .###. ####. ...#. ##### ..##. ##### .###. .###. . .. . .. #
##. #...# ....# ..##. #.... .#... ....# #...# #...# . .. . .. #
.#. ....# ....# .#.#. ####. #.... ...#. #...# #...# . .. # .# #
.#. ...#. .###. #..#. ....# ####. ..#.. .###. .#### . .. . .. #
.#. ..#.. ....# ##### ....# #...# .#... #...# ....# . .. . .. #
.#. .#... ....# ...#. #...# #...# .#... #...# ...#. . .# . .# .
### ##### ####. ...#. .###. .###. .#... .###. .##.. # .# # .# #
... ..... ..... ..... ..... ..... ..... ..... ..... . #. . #. .
... ..... ..... ..... ..... ..... ..... ..... ..... . .. . .. .

?     ' -    +     /     (   )   @     &     _
.###. # .... ..... ....# ..# #.. .###. .##.. .....
#...# # .... ..... ...#. .#. .#. #...# #..#. .....
....# . .... ..#.. ...#. #.. ..# #.### #.#.. .....
...#. . #### ##### ..#.. #.. ..# #.#.# .#... .....
..#.. . .... ..#.. .#... #.. ..# #.### #.#.# .....
..... . .... ..... .#... .#. .#. #.... #..#. .....
..#.. . .... ..... #.... ..# #.. .#### .##.# .....
..... . .... ..... ..... ... ... ..... ..... .....
..... . .... ..... ..... ... ... ..... ..... #####
"""

FONT_ROWS = 9
FONT_BASELINE = 7          # rows above the baseline
SPACE_WIDTH = 3
LETTER_GAP = 1


def _parse_font(text):
    font = {}
    lines = text.strip('\n').split('\n')
    i = 0
    while i < len(lines):
        if not lines[i].strip():
            i += 1
            continue
        chars = lines[i].split()
        rows = [line.split() for line in lines[i + 1:i + 1 + FONT_ROWS]]
        if len(rows) != FONT_ROWS or any(len(r) != len(chars) for r in rows):
            raise AssertionError('font block at line %d is malformed' % (i + 1))
        for n, char in enumerate(chars):
            glyph = [r[n] for r in rows]
            if len(set(map(len, glyph))) != 1 or char in font:
                raise AssertionError('font glyph %r is malformed' % char)
            font[char] = [[c == '#' for c in row] for row in glyph]
        i += 1 + FONT_ROWS
    font[' '] = [[False] * SPACE_WIDTH for _ in range(FONT_ROWS)]
    return font


FONT = _parse_font(_FONT_BLOCKS)


def text_mask(text):
    """The text at scale 1 as rows of booleans, FONT_ROWS high."""
    if not text:
        raise ValueError('empty text')
    missing = sorted(set(c for c in text if c not in FONT))
    if missing:
        raise ValueError('the font has no %s' % ', '.join(repr(c) for c in missing))
    rows = [[] for _ in range(FONT_ROWS)]
    for n, char in enumerate(text):
        for y in range(FONT_ROWS):
            if n:
                rows[y].extend([False] * LETTER_GAP)
            rows[y].extend(FONT[char][y])
    return rows


def scale_nearest(mask, factor):
    return [[v for v in row for _ in range(factor)] for row in mask for _ in range(factor)]


# ---------------------------------------------------------------------------
# Pictures described by drawing commands (the About picture)

class Drawing:
    """Runs the commands of a [draw] section.  Coordinates count from the top left.

    canvas W H COLOUR
    fill X Y W H COLOUR
    gradient X Y W H TOP_COLOUR BOTTOM_COLOUR
    frame X Y W H COLOUR                      1-pixel outline
    hline X0 X1 Y COLOUR                      both ends included
    picture FILE X Y [scale=N]
    text "TEXT" x=X|center y=Y [scale=N] [colour=C] [shadow=C] [underline]
    text "TEXT" box=X,Y,W,H [scale=N] [colour=C] [shadow=C] [underline]
        With box= the text is centred in the box and must fit inside it.
    """

    def __init__(self, loader, path):
        self.loader = loader
        self.path = path
        self.picture = None

    def run(self, lines):
        for number, text in lines:
            self.where = _where(self.path, number)
            try:
                parts = shlex.split(text, comments=True)
            except ValueError as e:
                raise PictureError('%s: %s' % (self.where, e))
            if not parts:
                continue
            command = getattr(self, 'do_' + parts[0], None)
            if command is None:
                raise PictureError('%s: unknown command %r' % (self.where, parts[0]))
            if parts[0] != 'canvas' and self.picture is None:
                raise PictureError('%s: the first command must be canvas' % self.where)
            command(parts[1:])
        if self.picture is None:
            raise PictureError('%s: [draw] is empty' % _where(self.path))
        return self.picture

    def _args(self, args, count):
        if len(args) != count:
            raise PictureError('%s: expected %d values, got %d' % (self.where, count, len(args)))
        return args

    def _rect(self, texts):
        x, y, w, h = _ints(texts, self.where)
        if w <= 0 or h <= 0 or x < 0 or y < 0 or x + w > self.picture.width or y + h > self.picture.height:
            raise PictureError('%s: rectangle %d,%d %dx%d is not inside the canvas' % (self.where, x, y, w, h))
        return x, y, w, h

    def do_canvas(self, args):
        if self.picture is not None:
            raise PictureError('%s: second canvas' % self.where)
        w, h, colour = self._args(args, 3)
        w, h = _ints([w, h], self.where)
        self.picture = Picture(w, h, solid(parse_rgb(colour, self.where)))

    def do_fill(self, args):
        args = self._args(args, 5)
        x, y, w, h = self._rect(args[:4])
        colour = solid(parse_rgb(args[4], self.where))
        for yy in range(y, y + h):
            for xx in range(x, x + w):
                self.picture.put(xx, yy, colour)

    def do_gradient(self, args):
        args = self._args(args, 6)
        x, y, w, h = self._rect(args[:4])
        top = parse_rgb(args[4], self.where)
        bottom = parse_rgb(args[5], self.where)
        span = max(h - 1, 1)
        for n in range(h):
            rgb = tuple((t * (span - n) + b * n + span // 2) // span for t, b in zip(top, bottom))
            for xx in range(x, x + w):
                self.picture.put(xx, y + n, solid(rgb))

    def do_frame(self, args):
        args = self._args(args, 5)
        x, y, w, h = self._rect(args[:4])
        colour = solid(parse_rgb(args[4], self.where))
        for xx in range(x, x + w):
            self.picture.put(xx, y, colour)
            self.picture.put(xx, y + h - 1, colour)
        for yy in range(y, y + h):
            self.picture.put(x, yy, colour)
            self.picture.put(x + w - 1, yy, colour)

    def do_hline(self, args):
        args = self._args(args, 4)
        x0, x1, y = _ints(args[:3], self.where)
        self._rect([min(x0, x1), y, abs(x1 - x0) + 1, 1])
        colour = solid(parse_rgb(args[3], self.where))
        for xx in range(min(x0, x1), max(x0, x1) + 1):
            self.picture.put(xx, y, colour)

    def do_picture(self, args):
        if len(args) < 3:
            raise PictureError('%s: want "picture FILE X Y [scale=N]"' % self.where)
        options = self._options(args[3:], {'scale'})
        other = self.loader.load(os.path.join(os.path.dirname(self.path), args[0]))
        x, y = _ints(args[1:3], self.where)
        scale = self._positive(options.get('scale', '1'))
        self._rect([x, y, other.width * scale, other.height * scale])
        self.picture.paste(other, x, y, scale)

    def _options(self, args, valued, flags=()):
        """Parses key=value options and bare flags; a flag maps to True."""
        options = {}
        for arg in args:
            key, equals, value = arg.partition('=')
            if key in options:
                raise PictureError('%s: %s given twice' % (self.where, key))
            if key in valued and equals and value:
                options[key] = value
            elif key in flags and not equals:
                options[key] = True
            else:
                raise PictureError('%s: unexpected %r' % (self.where, arg))
        return options

    def _positive(self, text):
        (value,) = _ints([text], self.where)
        if value < 1:
            raise PictureError('%s: scale must be at least 1' % self.where)
        return value

    def do_text(self, args):
        if not args:
            raise PictureError('%s: text needs a string' % self.where)
        options = self._options(args[1:], {'x', 'y', 'scale', 'colour', 'shadow', 'box'}, {'underline'})
        scale = self._positive(options.get('scale', '1'))
        colour = parse_rgb(options.get('colour', '000000'), self.where)
        try:
            mask = text_mask(args[0])
        except ValueError as e:
            raise PictureError('%s: %s' % (self.where, e))
        if 'underline' in options:
            # Underline on the second row below the baseline, under the whole text.
            mask[FONT_BASELINE + 1] = [True] * len(mask[0])
        mask = scale_nearest(mask, scale)
        height, width = len(mask), len(mask[0])

        if 'box' in options:
            if 'x' in options or 'y' in options:
                raise PictureError('%s: give either box= or x=/y=' % self.where)
            bx, by, bw, bh = self._rect(options['box'].split(','))
            # Centre the whole line (ascenders to descenders) in the box.
            left = bx + (bw - width) // 2
            top = by + (bh - height) // 2
            if width > bw or height > bh:
                raise PictureError('%s: %r is %dx%d pixels and does not fit in its %dx%d box'
                                   % (self.where, args[0], width, height, bw, bh))
        else:
            if 'x' not in options or 'y' not in options:
                raise PictureError('%s: text needs x= and y= (or box=)' % self.where)
            if options['x'] == 'center':
                left = (self.picture.width - width) // 2
            else:
                (left,) = _ints([options['x']], self.where)
            (top,) = _ints([options['y']], self.where)
        self._rect([left, top, width, height])

        if 'shadow' in options:
            offset = max(1, scale // 3)
            self._rect([left + offset, top + offset, width, height])
            self._stamp(mask, left + offset, top + offset, parse_rgb(options['shadow'], self.where))
        self._stamp(mask, left, top, colour)

    def _stamp(self, mask, left, top, rgb):
        colour = solid(rgb)
        for y, row in enumerate(mask):
            for x, inked in enumerate(row):
                if inked:
                    self.picture.put(left + x, top + y, colour)


# ---------------------------------------------------------------------------
# File formats

def _row_bytes(width, bpp):
    return (width * bpp + 31) // 32 * 4


def pack_rows(rows, width, bpp):
    """Packs top-down rows of palette indices (bpp 1/4/8) or RGB tuples (24)
    into bottom-up DIB rows, each padded with zeros to 4 bytes."""
    stride = _row_bytes(width, bpp)
    out = bytearray()
    for row in reversed(rows):
        if len(row) != width:
            raise ValueError('row width %d, expected %d' % (len(row), width))
        line = bytearray()
        if bpp == 24:
            for r, g, b in row:
                line += bytes((b, g, r))
        elif bpp == 8:
            line += bytes(row)
        elif bpp in (1, 4):
            per_byte = 8 // bpp
            for start in range(0, width, per_byte):
                value = 0
                for n in range(per_byte):
                    index = row[start + n] if start + n < width else 0
                    if not 0 <= index < (1 << bpp):
                        raise ValueError('index %d does not fit in %d bits' % (index, bpp))
                    value |= index << (8 - bpp * (n + 1))
                line.append(value)
        else:
            raise ValueError('unsupported bit depth %d' % bpp)
        line += bytes(stride - len(line))
        out += line
    return bytes(out)


def info_header(width, height, bpp, image_size, colours_used):
    return struct.pack('<IiiHHIIiiII', 40, width, height, 1, bpp, 0, image_size, 0, 0, colours_used, 0)


def palette_bytes(palette):
    return b''.join(bytes((b, g, r, 0)) for r, g, b in palette)


def bmp_file(width, height, bpp, rows, palette=()):
    pixels = pack_rows(rows, width, bpp)
    colours = palette_bytes(palette)
    offset = 14 + 40 + len(colours)
    header = struct.pack('<2sIHHI', b'BM', offset + len(pixels), 0, 0, offset)
    return header + info_header(width, height, bpp, len(pixels), len(palette)) + colours + pixels


def _opaque(picture, what):
    for y, row in enumerate(picture.pixels):
        for x, colour in enumerate(row):
            if colour is None:
                raise PictureError('%s: pixel %d,%d is transparent, which a BMP cannot hold' % (what, x, y))


def standard_index(rgb, what):
    try:
        return STANDARD16.index(rgb)
    except ValueError:
        raise PictureError('%s: %02X%02X%02X is not one of the 16 standard colours '
                           '(add low=RRGGBB to its palette entry)' % ((what,) + tuple(rgb)))


def bmp24(picture, what):
    _opaque(picture, what)
    rows = [[c.rgb for c in row] for row in picture.pixels]
    return bmp_file(picture.width, picture.height, 24, rows)


def bmp4(picture, what):
    _opaque(picture, what)
    rows = [[standard_index(c.low, what) for c in row] for row in picture.pixels]
    return bmp_file(picture.width, picture.height, 4, rows, STANDARD16)


def icon_image(picture, bpp, what):
    """One icon image: header (height doubled for the two masks), palette,
    colour (XOR) bitmap and 1-bit transparency (AND) mask."""
    if bpp == 4:
        palette = list(STANDARD16)
        index = {c: standard_index(c.low, what) for c in picture.colours()}
    elif bpp == 8:
        palette = list(STANDARD16)
        for colour in picture.colours():
            if colour.rgb not in palette:
                palette.append(colour.rgb)
        if len(palette) > 256:
            raise PictureError('%s: %d colours do not fit in a 256-colour palette' % (what, len(palette)))
        index = {c: palette.index(c.rgb) for c in picture.colours()}
        palette += [(0, 0, 0)] * (256 - len(palette))
    else:
        raise ValueError(bpp)
    # Transparent pixels are black in the colour bitmap (index 0) and set in
    # the mask, so the screen shows through unchanged.
    colour_rows = [[0 if c is None else index[c] for c in row] for row in picture.pixels]
    mask_rows = [[1 if c is None else 0 for c in row] for row in picture.pixels]
    xor = pack_rows(colour_rows, picture.width, bpp)
    and_ = pack_rows(mask_rows, picture.width, 1)
    header = info_header(picture.width, picture.height * 2, bpp, len(xor) + len(and_), 0)
    return header + palette_bytes(palette) + xor + and_


def ico_file(picture, what):
    if not (1 <= picture.width <= 256 and 1 <= picture.height <= 256):
        raise PictureError('%s: icons are at most 256x256' % what)
    images = [(4, icon_image(picture, 4, what)), (8, icon_image(picture, 8, what))]
    directory = struct.pack('<HHH', 0, 1, len(images))
    offset = 6 + 16 * len(images)
    entries = b''
    for bpp, data in images:
        entries += struct.pack('<BBBBHHII', picture.width % 256, picture.height % 256,
                               16 if bpp == 4 else 0, 0, 1, bpp, len(data), offset)
        offset += len(data)
    return directory + entries + b''.join(data for _, data in images)


# ---------------------------------------------------------------------------
# The list of outputs

Output = namedtuple('Output', 'name format width height scale sources where')
FORMATS = ('bmp4', 'bmp24', 'ico')


def read_manifest(path=MANIFEST):
    """outputs.txt: NAME FORMAT WxH [scale=N/D] SOURCE...; indented lines add sources."""
    outputs = []
    with open(path, encoding='utf-8') as f:
        lines = f.read().splitlines()
    for number, line in enumerate(lines, 1):
        where = _where(path, number)
        text = line.split('#', 1)[0].rstrip()
        if not text.strip():
            continue
        parts = text.split()
        if line[0].isspace():
            if not outputs:
                raise PictureError('%s: continuation line with nothing to continue' % where)
            outputs[-1].sources.extend(parts)
            continue
        if len(parts) < 4:
            raise PictureError('%s: want "NAME FORMAT WxH SOURCE..."' % where)
        name, fmt, size = parts[:3]
        if fmt not in FORMATS:
            raise PictureError('%s: unknown format %r' % (where, fmt))
        if os.path.basename(name) != name or not re.fullmatch(r'[\w.-]+', name):
            raise PictureError('%s: %r is not a plain file name' % (where, name))
        if any(o.name == name for o in outputs):
            raise PictureError('%s: %s is listed twice' % (where, name))
        match = re.fullmatch(r'(\d+)x(\d+)', size)
        if not match:
            raise PictureError('%s: %r is not a size like 16x16' % (where, size))
        scale = (1, 1)
        sources = parts[3:]
        if sources[0].startswith('scale='):
            factor = re.fullmatch(r'scale=(\d+)/(\d+)', sources[0])
            if not factor or int(factor.group(2)) == 0 or int(factor.group(1)) < int(factor.group(2)):
                raise PictureError('%s: %r is not an enlargement like scale=3/2' % (where, sources[0]))
            scale = (int(factor.group(1)), int(factor.group(2)))
            sources = sources[1:]
            if not sources:
                raise PictureError('%s: want a source after %s' % (where, parts[3]))
        outputs.append(Output(name, fmt, int(match.group(1)), int(match.group(2)), scale, sources, where))
    return outputs


def build(output, loader):
    """Returns the bytes of one output file."""
    pictures = [loader.load(os.path.join(SOURCE_DIR, s)) for s in output.sources]
    if output.scale != (1, 1):
        pictures = [p.scaled(*output.scale) for p in pictures]
    if len(pictures) == 1:
        picture = pictures[0]
    elif output.format == 'bmp4':
        # Several sources make an image strip, left to right, all one height.
        heights = set(p.height for p in pictures)
        if len(heights) != 1:
            raise PictureError('%s: the pictures of a strip must all be the same height' % output.where)
        picture = Picture(sum(p.width for p in pictures), pictures[0].height)
        left = 0
        for p in pictures:
            picture.paste(p, left, 0)
            left += p.width
    else:
        raise PictureError('%s: only bmp4 strips may have several sources' % output.where)
    if (picture.width, picture.height) != (output.width, output.height):
        raise PictureError('%s: %s comes out %dx%d, not %dx%d' % (
            output.where, output.name, picture.width, picture.height, output.width, output.height))
    writer = {'bmp4': bmp4, 'bmp24': bmp24, 'ico': ico_file}[output.format]
    return writer(picture, output.name)


def generate(out_dir, quiet=False):
    loader = Loader()
    outputs = read_manifest()
    results = [(o.name, build(o, loader)) for o in outputs]   # build all before writing any
    os.makedirs(out_dir, exist_ok=True)
    for name, data in results:
        path = os.path.join(out_dir, name)
        try:
            with open(path, 'rb') as f:
                unchanged = f.read() == data
        except OSError:
            unchanged = False
        if not unchanged:
            with open(path, 'wb') as f:
                f.write(data)
        if not quiet:
            print('%-28s %6d bytes%s' % (name, len(data), '' if unchanged else '  (written)'))
    names = set(n for n, _ in results)
    stale = sorted(n for n in os.listdir(out_dir) if n not in names)
    if stale and not quiet:
        print('note: not made by picgen, left alone: ' + ', '.join(stale))
    return results


def main(argv=None):
    parser = argparse.ArgumentParser(description=__doc__.split('\n')[0])
    parser.add_argument('--out', default=OUTPUT_DIR, help='output folder (default: resources/pictures)')
    parser.add_argument('-q', '--quiet', action='store_true')
    args = parser.parse_args(argv)
    try:
        generate(args.out, args.quiet)
    except PictureError as e:
        print('picgen: ' + str(e), file=sys.stderr)
        return 1
    return 0


if __name__ == '__main__':
    sys.exit(main())
