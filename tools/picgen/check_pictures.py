#!/usr/bin/env python3
"""Checks the generated pictures in resources/pictures/.

    python3 tools/picgen/check_pictures.py [DIR]

Reads every file back with its own BMP/ICO reader (not picgen's writer) and
checks what the resource script and the program rely on: file names, sizes,
bit depths, palettes, icon images and masks, the About picture's link area.
It also runs picgen into a scratch folder, twice, and checks that the files
in DIR are what the sources produce today and that the output is the same
on every run.  Prints every problem found; exits 1 if there was any.
"""

import os
import struct
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
DEFAULT_DIR = os.path.join(os.path.dirname(os.path.dirname(HERE)), 'resources', 'pictures')

STANDARD16 = [
    (0x00, 0x00, 0x00), (0x80, 0x00, 0x00), (0x00, 0x80, 0x00), (0x80, 0x80, 0x00),
    (0x00, 0x00, 0x80), (0x80, 0x00, 0x80), (0x00, 0x80, 0x80), (0xC0, 0xC0, 0xC0),
    (0x80, 0x80, 0x80), (0xFF, 0x00, 0x00), (0x00, 0xFF, 0x00), (0xFF, 0xFF, 0x00),
    (0x00, 0x00, 0xFF), (0xFF, 0x00, 0xFF), (0x00, 0xFF, 0xFF), (0xFF, 0xFF, 0xFF),
]
WHITE = (0xFF, 0xFF, 0xFF)
BLACK = (0, 0, 0)

TREE_STRIP = 'tree_strip_4006.bmp'
TREE_CELLS = 9
TREE_CHECKED = {4, 5, 7, 8}            # image indices that carry a red check mark
ABOUT = 'about_2019.bmp'
ABOUT_LINK = (109, 157, 216, 179)       # the dialog's hot rectangle, ends included
ICON = 'program_4010.ico'

# name -> (width, height, bits per pixel)
BITMAPS = {
    TREE_STRIP: (144, 16, 4),
    'menu_3000_about.bmp': (13, 14, 24),
    'menu_3001_font.bmp': (13, 13, 24),
    'menu_3002_print.bmp': (13, 13, 24),
    'menu_3003_save.bmp': (13, 13, 24),
    'menu_3004_check.bmp': (13, 13, 24),
    'menu_3005_check_cleared.bmp': (13, 13, 24),
    'menu_3006_checks.bmp': (13, 13, 24),
    'menu_3007_checks_cleared.bmp': (13, 13, 24),
    'menu_3008_help.bmp': (13, 13, 24),
    'menu_3009_options.bmp': (13, 13, 24),
    'menu_3010_colour.bmp': (13, 13, 24),
    ABOUT: (340, 255, 24),
}
# name -> [(width, height, bits per pixel), ...] in directory order
ICONS = {
    ICON: [(32, 32, 4), (32, 32, 8)],
}
# struck-through menu picture -> the picture it strikes through
STRUCK = {
    'menu_3005_check_cleared.bmp': 'menu_3004_check.bmp',
    'menu_3007_checks_cleared.bmp': 'menu_3006_checks.bmp',
}
RED_MENUS = ('menu_3004_check.bmp', 'menu_3005_check_cleared.bmp',
             'menu_3006_checks.bmp', 'menu_3007_checks_cleared.bmp')

# The same pictures for 125 % and 150 %: resource number plus 100 and plus 200,
# enlarged by 5/4 and 3/2 (sizes rounded half up).
SCALES = {1: (5, 4), 2: (3, 2)}


def _scaled(length, scale):
    num, den = scale
    return (length * num + den // 2) // den


def _variant(name, step):
    prefix, number, rest = name.split('_', 2) if name.startswith('tree') else (None, None, None)
    if prefix:
        return '%s_%s_%d%s' % (prefix, number, int(rest[:4]) + 100 * step, rest[4:])
    kind, rest = name.split('_', 1)
    return '%s_%d%s' % (kind, int(rest[:4]) + 100 * step, rest[4:])


# variant name -> (name at 100 %, scale)
VARIANTS = {_variant(name, step): (name, scale) for name in list(BITMAPS) for step, scale in SCALES.items()}
for _name, (_base, _scale) in VARIANTS.items():
    _w, _h, _bpp = BITMAPS[_base]
    BITMAPS[_name] = (_scaled(_w, _scale) if _base != TREE_STRIP else TREE_CELLS * _scaled(16, _scale),
                      _scaled(_h, _scale), _bpp)
for _plain in list(STRUCK):
    for _step in SCALES:
        STRUCK[_variant(_plain, _step)] = _variant(STRUCK[_plain], _step)
RED_MENUS = RED_MENUS + tuple(_variant(n, step) for n in RED_MENUS for step in SCALES)


class Bad(Exception):
    pass


def expect(condition, message):
    if not condition:
        raise Bad(message)


def read_dib(data, offset, icon):
    """Reads a BITMAPINFOHEADER, palette and pixels starting at `offset`.

    Returns (header dict, palette, top-down rows of RGB, top-down rows of
    mask bits or None, offset just past the data)."""
    expect(len(data) >= offset + 40, 'truncated header')
    (size, width, height, planes, bpp, compression, image_size,
     _, _, used, important) = struct.unpack_from('<IiiHHIIiiII', data, offset)
    expect(size == 40, 'header size %d, expected 40' % size)
    expect(planes == 1, 'planes %d' % planes)
    expect(compression == 0, 'compressed (%d)' % compression)
    expect(width > 0 and height > 0, 'size %dx%d (rows must be stored bottom-up)' % (width, height))
    if icon:
        expect(height % 2 == 0, 'icon height %d is not doubled' % height)
        height //= 2
    expect(bpp in (4, 8, 24), 'unexpected bit depth %d' % bpp)
    if bpp <= 8:
        expect(used <= 1 << bpp, 'biClrUsed %d too large for %d bits' % (used, bpp))
        count = used or 1 << bpp
    else:
        expect(used == 0, '24-bit picture with biClrUsed %d' % used)
        count = 0
    expect(important <= count, 'biClrImportant %d' % important)
    p = offset + 40
    expect(len(data) >= p + 4 * count, 'truncated palette')
    palette = []
    for i in range(count):
        b, g, r, zero = data[p + 4 * i:p + 4 * i + 4]
        expect(zero == 0, 'palette entry %d has a non-zero fourth byte' % i)
        palette.append((r, g, b))
    p += 4 * count

    stride = (width * bpp + 31) // 32 * 4
    mask_stride = (width + 31) // 32 * 4
    pixel_bytes = stride * height + (mask_stride * height if icon else 0)
    expect(image_size in (0, pixel_bytes) if icon else image_size == pixel_bytes,
           'biSizeImage %d, expected %d' % (image_size, pixel_bytes))
    expect(len(data) >= p + pixel_bytes, 'pixel data truncated')

    rows = []
    for y in range(height):
        line = data[p + (height - 1 - y) * stride:p + (height - y) * stride]
        used_bytes = (width * bpp + 7) // 8
        expect(not any(line[used_bytes:]), 'row %d has non-zero padding' % y)
        if bpp == 24:
            rows.append([(line[3 * x + 2], line[3 * x + 1], line[3 * x]) for x in range(width)])
            continue
        indices = list(line[:width]) if bpp == 8 else \
            [(line[x // 2] >> (0 if x % 2 else 4)) & 0xF for x in range(width)]
        expect(max(indices) < len(palette), 'row %d uses a colour beyond the palette' % y)
        rows.append([palette[i] for i in indices])
    p += stride * height

    mask = None
    if icon:
        mask = []
        for y in range(height):
            line = data[p + (height - 1 - y) * mask_stride:p + (height - y) * mask_stride]
            mask.append([(line[x // 8] >> (7 - x % 8)) & 1 for x in range(width)])
        p += mask_stride * height
    header = {'width': width, 'height': height, 'bpp': bpp, 'used': used}
    return header, palette, rows, mask, p


def read_bmp(data):
    expect(len(data) >= 54 and data[:2] == b'BM', 'not a BMP file')
    magic, file_size, r1, r2, bits_offset = struct.unpack_from('<2sIHHI', data)
    expect(file_size == len(data), 'bfSize %d but the file has %d bytes' % (file_size, len(data)))
    expect(r1 == 0 and r2 == 0, 'reserved fields are not zero')
    header, palette, rows, _, end = read_dib(data, 14, icon=False)
    expect(bits_offset == 14 + 40 + 4 * len(palette),
           'bfOffBits %d does not point just past the palette' % bits_offset)
    expect(end == len(data), '%d stray bytes at the end' % (len(data) - end))
    return header, palette, rows


def check_bitmap(name, data):
    width, height, bpp = BITMAPS[name]
    header, palette, rows = read_bmp(data)
    got = (header['width'], header['height'], header['bpp'])
    expect(got == (width, height, bpp), '%dx%d %d-bit, expected %dx%d %d-bit' % (got + (width, height, bpp)))
    distinct = set(c for row in rows for c in row)
    expect(len(distinct) > 1, 'picture is a single flat colour')
    base, scale = VARIANTS.get(name, (name, (1, 1)))
    if base == TREE_STRIP:
        check_tree_strip(header, palette, rows, _scaled(16, scale))
    if name in RED_MENUS:
        expect(any(is_red(c) for c in distinct), 'no red check mark')
    if base == ABOUT:
        check_about(rows, scale)
    return rows


def is_red(rgb):
    r, g, b = rgb
    return r >= 0xC0 and g <= 0x40 and b <= 0x40


def check_tree_strip(header, palette, rows, cell):
    expect(header['used'] == 16, 'biClrUsed %d, expected 16' % header['used'])
    expect(palette == STANDARD16, 'palette is not the standard 16 colours in VGA order')
    for n in range(TREE_CELLS):
        pixels = [rows[y][n * cell + x] for y in range(cell) for x in range(cell)]
        corners = [rows[y][n * cell + x] for y in (0, cell - 1) for x in (0, cell - 1)]
        expect(all(c == WHITE for c in corners), 'image %d: background is not white' % n)
        expect(sum(c != WHITE for c in pixels) >= 40 * cell * cell // 256, 'image %d is (nearly) empty' % n)
        has_red = any(is_red(c) for c in pixels)
        if n in TREE_CHECKED:
            expect(has_red, 'image %d should carry a red check mark' % n)
        else:
            expect(not has_red, 'image %d has red in it but is not a checked image' % n)


def check_about(rows, scale):
    # An enlarged picture: its pixel (x, y) shows the pixel (x * den // num, ...) of
    # the 100 % picture, as the program maps a click back; the hot rectangle is the
    # pixels that map into the 100 % one.
    num, den = scale
    first = lambda v: (v * num + den - 1) // den    # the smallest x with x * den // num >= v
    left, top = first(ABOUT_LINK[0]), first(ABOUT_LINK[1])
    right, bottom = first(ABOUT_LINK[2] + 1) - 1, first(ABOUT_LINK[3] + 1) - 1
    margin = _scaled(8, scale)
    # The label (box, text, underline) is whatever differs from the colour
    # around it.  It must lie inside the hot rectangle and fill most of it.
    ring = [rows[y][x] for y in range(top - margin, bottom + margin + 1)
            for x in range(left - margin, right + margin + 1)
            if not (left <= x <= right and top <= y <= bottom)]
    background = max(set(ring), key=ring.count)
    expect(all(c == background for c in ring),
           'the link label spills out of the hot rectangle x %d..%d, y %d..%d' % (left, right, top, bottom))
    ink = [(x, y) for y in range(top, bottom + 1) for x in range(left, right + 1) if rows[y][x] != background]
    expect(ink, 'no link label in the hot rectangle')
    xs = [x for x, _ in ink]
    ys = [y for _, y in ink]
    expect(max(xs) - min(xs) + 1 >= 0.75 * (right - left + 1) and max(ys) - min(ys) + 1 >= 0.75 * (bottom - top + 1),
           'the link label covers only x %d..%d, y %d..%d of the hot rectangle' % (min(xs), max(xs), min(ys), max(ys)))
    # Inside the border there must be text as well as the label's fill.
    inside = set(rows[y][x] for y in range(top + 2, bottom - 1) for x in range(left + 2, right - 1))
    expect(len(inside) >= 2, 'the link label has no text')


def check_icon(name, data):
    wanted = ICONS[name]
    expect(len(data) >= 6, 'truncated')
    reserved, kind, count = struct.unpack_from('<HHH', data)
    expect(reserved == 0 and kind == 1, 'not an icon file (reserved %d, type %d)' % (reserved, kind))
    expect(count == len(wanted), '%d images, expected %d' % (count, len(wanted)))
    expect(len(data) >= 6 + 16 * count, 'truncated directory')
    spans = []
    masks = []
    for i, (width, height, bpp) in enumerate(wanted):
        w, h, colours, res, planes, bits, size, offset = struct.unpack_from('<BBBBHHII', data, 6 + 16 * i)
        where = 'image %d: ' % i
        expect((w or 256, h or 256) == (width, height), where + 'directory says %dx%d' % (w or 256, h or 256))
        expect(res == 0, where + 'reserved byte is %d' % res)
        expect(planes == 1 and bits == bpp, where + 'directory says planes %d, %d bits' % (planes, bits))
        expect(colours == (1 << bpp if bpp < 8 else 0), where + 'directory colour count %d' % colours)
        expect(offset >= 6 + 16 * count and offset + size <= len(data), where + 'data lies outside the file')
        spans.append((offset, offset + size))
        try:
            header, palette, rows, mask, end = read_dib(data, offset, icon=True)
        except Bad as e:
            raise Bad(where + str(e))
        expect(end == offset + size, where + 'directory size %d, image is %d bytes' % (size, end - offset))
        expect((header['width'], header['height'], header['bpp']) == (width, height, bpp),
               where + 'header says %dx%d %d-bit' % (header['width'], header['height'], header['bpp']))
        expect(len(palette) == 1 << bpp, where + '%d palette entries' % len(palette))
        if bpp == 4:
            expect(palette == STANDARD16, where + 'not the standard 16-colour palette')
        flat = [m for row in mask for m in row]
        expect(0 < sum(flat) < len(flat), where + 'mask is all transparent or all opaque')
        expect(all(mask[y][x] for y in (0, height - 1) for x in (0, width - 1)),
               where + 'corners are not transparent')
        expect(all(rows[y][x] == BLACK for y in range(height) for x in range(width) if mask[y][x]),
               where + 'transparent pixels must be black in the colour bitmap')
        masks.append(mask)
    spans.sort()
    expect(all(a[1] <= b[0] for a, b in zip(spans, spans[1:])), 'icon images overlap')
    expect(all(m == masks[0] for m in masks), 'the images have different outlines')


def check_struck(images):
    for struck, plain in STRUCK.items():
        if struck not in images or plain not in images:
            continue
        a, b = images[struck], images[plain]
        changed = [(x, y) for y in range(len(a)) for x in range(len(a[0])) if a[y][x] != b[y][x]]
        if not changed:
            raise Bad('%s: is the same as %s' % (struck, plain))
        if any(a[y][x] != BLACK for x, y in changed):
            raise Bad('%s: differs from %s by more than a black cross' % (struck, plain))


def check_up_to_date(folder):
    """The files must be what picgen makes from today's sources, every time."""
    sys.path.insert(0, HERE)
    import picgen
    problems = []
    made = []
    for _ in range(2):
        with tempfile.TemporaryDirectory() as scratch:
            try:
                picgen.generate(scratch, quiet=True)
            except picgen.PictureError as e:
                return ['picgen fails: %s' % e]
            made.append({n: open(os.path.join(scratch, n), 'rb').read() for n in os.listdir(scratch)})
    if made[0] != made[1]:
        problems.append('picgen writes different bytes on different runs')
    for name, data in sorted(made[0].items()):
        path = os.path.join(folder, name)
        if not os.path.exists(path):
            continue                                  # reported as missing already
        with open(path, 'rb') as f:
            if f.read() != data:
                problems.append('%s: out of date, run tools/picgen/picgen.py' % name)
    extra = sorted(set(made[0]) ^ (set(BITMAPS) | set(ICONS)))
    if extra:
        problems.append('picgen and this check disagree about the outputs: ' + ', '.join(extra))
    return problems


def main(argv):
    folder = argv[1] if len(argv) > 1 else DEFAULT_DIR
    problems = []
    present = set(os.listdir(folder)) if os.path.isdir(folder) else set()
    expected = set(BITMAPS) | set(ICONS)
    for name in sorted(expected - present):
        problems.append('%s: missing' % name)
    for name in sorted(present - expected):
        problems.append('%s: not an expected picture' % name)

    images = {}
    for name in sorted(expected & present):
        with open(os.path.join(folder, name), 'rb') as f:
            data = f.read()
        try:
            if name in ICONS:
                check_icon(name, data)
            else:
                images[name] = check_bitmap(name, data)
        except Bad as e:
            problems.append('%s: %s' % (name, e))
    try:
        check_struck(images)
    except Bad as e:
        problems.append(str(e))
    problems += check_up_to_date(folder)

    for p in problems:
        print('check_pictures: ' + p, file=sys.stderr)
    if not problems:
        print('check_pictures: %d files OK' % len(expected))
    return 1 if problems else 0


if __name__ == '__main__':
    sys.exit(main(sys.argv))
