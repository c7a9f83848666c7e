#!/usr/bin/env python3
"""Unit tests for picgen.  Run: python3 tools/picgen/test_picgen.py

The expected bytes below are worked out by hand from the BMP/ICO layouts,
not taken from picgen's output.
"""

import os
import struct
import sys
import tempfile
import textwrap
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import picgen  # noqa: E402

RED, GREEN, BLUE, WHITE = (255, 0, 0), (0, 255, 0), (0, 0, 255), (255, 255, 255)


def picture(rows, low=None):
    """Builds a Picture from rows of RGB tuples (None = transparent)."""
    p = picgen.Picture(len(rows[0]), len(rows))
    for y, row in enumerate(rows):
        for x, rgb in enumerate(row):
            p.pixels[y][x] = None if rgb is None else picgen.Colour(rgb, (low or {}).get(rgb, rgb))
    return p


class SourceFiles(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.TemporaryDirectory()
        self.addCleanup(self.dir.cleanup)

    def write(self, name, text):
        path = os.path.join(self.dir.name, name)
        with open(path, 'w', encoding='utf-8') as f:
            f.write(textwrap.dedent(text).lstrip())
        return path

    def load(self, name):
        return picgen.Loader().load(os.path.join(self.dir.name, name))


class BmpLayout(unittest.TestCase):
    def test_24_bit_rows_are_bottom_up_bgr_and_padded(self):
        data = picgen.bmp24(picture([[RED, GREEN, BLUE], [WHITE, RED, GREEN]]), 'test')
        self.assertEqual(data[:2], b'BM')
        self.assertEqual(struct.unpack_from('<I', data, 2)[0], len(data))
        self.assertEqual(struct.unpack_from('<I', data, 10)[0], 54)
        # 3 pixels * 3 bytes = 9, padded to 12; the bottom row comes first.
        self.assertEqual(data[54:], bytes([255, 255, 255, 0, 0, 255, 0, 255, 0, 0, 0, 0,
                                           0, 0, 255, 0, 255, 0, 255, 0, 0, 0, 0, 0]))
        width, height, planes, bpp, compression, size_image = struct.unpack_from('<iiHHII', data, 18)
        self.assertEqual((width, height, planes, bpp, compression, size_image), (3, 2, 1, 24, 0, 24))

    def test_4_bit_packs_left_pixel_in_high_nibble(self):
        white, yellow, navy = (255, 255, 255), (255, 255, 0), (0, 0, 128)
        data = picgen.bmp4(picture([[yellow, navy, white]]), 'test')
        offset = struct.unpack_from('<I', data, 10)[0]
        self.assertEqual(offset, 14 + 40 + 64)
        self.assertEqual(data[offset:], bytes([0xB4, 0xF0, 0, 0]))
        self.assertEqual(struct.unpack_from('<I', data, 46)[0], 16)          # biClrUsed
        self.assertEqual(data[54:58], bytes([0, 0, 0, 0]))                   # black
        self.assertEqual(data[54 + 4 * 1:58 + 4 * 1], bytes([0, 0, 0x80, 0]))  # dark red, stored BGRx
        self.assertEqual(data[54 + 4 * 12:58 + 4 * 12], bytes([0xFF, 0, 0, 0]))  # blue

    def test_4_bit_uses_the_low_colour_and_refuses_others(self):
        shade = (250, 200, 70)
        data = picgen.bmp4(picture([[shade]], low={shade: (255, 255, 0)}), 'test')
        self.assertEqual(data[-4], 0xB0)
        with self.assertRaises(picgen.PictureError):
            picgen.bmp4(picture([[shade]]), 'test')

    def test_transparent_pixels_cannot_go_into_a_bmp(self):
        with self.assertRaises(picgen.PictureError):
            picgen.bmp24(picture([[RED, None]]), 'test')


class IconLayout(unittest.TestCase):
    def setUp(self):
        shade = (10, 20, 30)
        self.shade = shade
        # 3x2: a transparent pixel top left, one at the bottom right.
        self.picture = picture([[None, RED, shade], [BLUE, WHITE, None]], low={shade: (0, 0, 128)})
        self.data = picgen.ico_file(self.picture, 'test')

    def entries(self):
        reserved, kind, count = struct.unpack_from('<HHH', self.data)
        self.assertEqual((reserved, kind, count), (0, 1, 2))
        return [struct.unpack_from('<BBBBHHII', self.data, 6 + 16 * i) for i in range(count)]

    def test_directory_points_at_each_image(self):
        (e4, e8) = self.entries()
        self.assertEqual(e4[:6], (3, 2, 16, 0, 1, 4))
        self.assertEqual(e8[:6], (3, 2, 0, 0, 1, 8))
        self.assertEqual(e4[7], 6 + 32)
        self.assertEqual(e8[7], e4[7] + e4[6])
        self.assertEqual(e8[7] + e8[6], len(self.data))
        # header + palette + colour rows + mask rows, each row 4 bytes here
        self.assertEqual(e4[6], 40 + 16 * 4 + 2 * 4 + 2 * 4)
        self.assertEqual(e8[6], 40 + 256 * 4 + 2 * 4 + 2 * 4)

    def test_header_height_counts_both_bitmaps(self):
        for entry in self.entries():
            width, height, planes, bpp = struct.unpack_from('<iiHH', self.data, entry[7] + 4)
            self.assertEqual((width, height, planes, bpp), (3, 4, 1, entry[5]))

    def test_mask_marks_transparent_pixels_and_their_colour_is_black(self):
        e4, e8 = self.entries()
        image = self.data[e4[7]:e4[7] + e4[6]]
        colour = image[40 + 64:40 + 64 + 8]
        mask = image[40 + 64 + 8:]
        # Bottom row first.  Bottom: blue(12) white(15) transparent(0);
        # top: transparent(0) red(9) shade->navy(4).
        self.assertEqual(colour, bytes([0xCF, 0x00, 0, 0, 0x09, 0x40, 0, 0]))
        self.assertEqual(mask, bytes([0b00100000, 0, 0, 0, 0b10000000, 0, 0, 0]))

    def test_256_colour_image_keeps_true_colours(self):
        _, e8 = self.entries()
        image = self.data[e8[7]:e8[7] + e8[6]]
        palette = [tuple(image[40 + 4 * i:43 + 4 * i][::-1]) for i in range(256)]
        top_row = image[40 + 1024 + 4:40 + 1024 + 7]
        self.assertEqual(top_row[0], 0)
        self.assertEqual(palette[0], (0, 0, 0))
        self.assertEqual(palette[top_row[1]], RED)
        self.assertEqual(palette[top_row[2]], self.shade)


class Grids(SourceFiles):
    def test_grid_with_palette(self):
        self.write('a.txt', '''
            # comment
            [palette]
            . FFFFFF   # white
            R FF0000
            - transparent
            [pixels]
            .R-
            R.R
            ''')
        p = self.load('a.txt')
        self.assertEqual((p.width, p.height), (3, 2))
        self.assertEqual(p.get(1, 0).rgb, RED)
        self.assertIsNone(p.get(2, 0))

    def test_ragged_row_is_an_error_naming_the_line(self):
        self.write('a.txt', '''
            [palette]
            . FFFFFF
            [pixels]
            ...
            ..
            ''')
        with self.assertRaisesRegex(picgen.PictureError, r'a\.txt:5: row is 2 pixels wide'):
            self.load('a.txt')

    def test_character_missing_from_palette_is_an_error(self):
        self.write('a.txt', '''
            [palette]
            . FFFFFF
            [pixels]
            .x.
            ''')
        with self.assertRaisesRegex(picgen.PictureError, "'x'"):
            self.load('a.txt')

    def test_bad_colour_is_an_error(self):
        self.write('a.txt', '''
            [palette]
            . FFFFF
            [pixels]
            .
            ''')
        with self.assertRaises(picgen.PictureError):
            self.load('a.txt')

    def test_overlay_keeps_base_where_overlay_is_transparent(self):
        self.write('base.txt', '''
            [palette]
            . FFFFFF
            [pixels]
            ...
            ...
            ''')
        self.write('top.txt', '''
            [palette]
            - transparent
            R FF0000
            [pixels]
            R-
            ''')
        self.write('both.txt', '''
            [compose]
            base base.txt
            overlay top.txt 1 1
            ''')
        p = self.load('both.txt')
        self.assertEqual([[c.rgb for c in row] for row in p.pixels],
                         [[WHITE, WHITE, WHITE], [WHITE, RED, WHITE]])
        # The base picture itself is left alone.
        self.assertEqual(self.load('base.txt').get(1, 1).rgb, WHITE)

    def test_overlay_outside_the_base_is_an_error(self):
        self.write('base.txt', '[palette]\n. FFFFFF\n[pixels]\n..\n')
        self.write('top.txt', '[palette]\nR FF0000\n[pixels]\nR\n')
        self.write('both.txt', '[compose]\nbase base.txt\noverlay top.txt 2 0\n')
        with self.assertRaisesRegex(picgen.PictureError, 'does not fit'):
            self.load('both.txt')

    def test_pictures_that_refer_to_each_other_are_an_error(self):
        self.write('a.txt', '[compose]\nbase b.txt\n')
        self.write('b.txt', '[compose]\nbase a.txt\n')
        with self.assertRaisesRegex(picgen.PictureError, 'loop'):
            self.load('a.txt')


class Drawings(SourceFiles):
    def test_text_is_centred_in_its_box(self):
        self.write('d.txt', '''
            [draw]
            canvas 40 20 FFFFFF
            text "I" box=10,2,20,15 colour=0000FF
            ''')
        p = self.load('d.txt')
        ink = [(x, y) for y in range(p.height) for x in range(p.width) if p.get(x, y).rgb == BLUE]
        xs = [x for x, _ in ink]
        ys = [y for _, y in ink]
        # "I" is 3 wide and 7 high in a 9-row line; the line box is centred.
        self.assertEqual((min(xs), max(xs)), (18, 20))
        self.assertEqual((min(ys), max(ys)), (5, 11))

    def test_text_too_wide_for_its_box_is_an_error(self):
        self.write('d.txt', '''
            [draw]
            canvas 100 30 FFFFFF
            text "kelvora.example" box=10,5,60,20
            ''')
        with self.assertRaisesRegex(picgen.PictureError, 'does not fit'):
            self.load('d.txt')

    def test_underline_spans_the_text(self):
        self.write('d.txt', '''
            [draw]
            canvas 30 12 FFFFFF
            text "ab" x=1 y=1 underline colour=FF0000
            ''')
        p = self.load('d.txt')
        underline_row = 1 + picgen.FONT_BASELINE + 1
        reds = [x for x in range(p.width) if p.get(x, underline_row).rgb == RED]
        self.assertEqual(reds, list(range(1, 1 + 5 + 1 + 5)))

    def test_text_off_the_canvas_is_an_error(self):
        self.write('d.txt', '''
            [draw]
            canvas 20 20 FFFFFF
            text "Wide" x=5 y=0
            ''')
        with self.assertRaisesRegex(picgen.PictureError, 'not inside the canvas'):
            self.load('d.txt')

    def test_character_missing_from_font_is_an_error(self):
        self.write('d.txt', '''
            [draw]
            canvas 20 20 FFFFFF
            text "\u00e9" x=0 y=0
            ''')
        with self.assertRaisesRegex(picgen.PictureError, 'font has no'):
            self.load('d.txt')

    def test_gradient_runs_from_first_to_last_colour(self):
        self.write('d.txt', '''
            [draw]
            canvas 2 5 FFFFFF
            gradient 0 0 2 5 000000 FF8040
            ''')
        p = self.load('d.txt')
        self.assertEqual(p.get(0, 0).rgb, (0, 0, 0))
        self.assertEqual(p.get(1, 4).rgb, (255, 128, 64))
        self.assertEqual(p.get(0, 2).rgb, (128, 64, 32))


class Enlarging(unittest.TestCase):
    def test_each_pixel_takes_the_source_pixel_it_lies_over(self):
        # 3 pixels by 3/2: 4.5 rounds up to 5; pixel x shows source x * 2 // 3.
        big = picture([[RED, GREEN, BLUE]]).scaled(3, 2)
        self.assertEqual((big.width, big.height), (5, 2))
        self.assertEqual([c.rgb for c in big.pixels[0]], [RED, RED, GREEN, BLUE, BLUE])
        self.assertEqual([c.rgb for c in big.pixels[1]], [c.rgb for c in big.pixels[0]])


class Font(unittest.TestCase):
    def test_glyphs_sit_on_the_baseline(self):
        # Capitals and digits fill the rows above the baseline and leave the
        # descender rows empty; a misaligned block in the font shows up here.
        for char in 'ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789':
            glyph = picgen.FONT[char]
            self.assertTrue(any(glyph[0]), char)
            self.assertTrue(any(glyph[picgen.FONT_BASELINE - 1]), char)
            self.assertFalse(any(glyph[picgen.FONT_BASELINE]) or any(glyph[picgen.FONT_BASELINE + 1]), char)

    def test_descenders_go_below_the_baseline(self):
        for char in 'gjpqy':
            self.assertTrue(any(picgen.FONT[char][picgen.FONT_BASELINE]), char)

    def test_text_width_is_glyphs_plus_gaps(self):
        mask = picgen.text_mask('Il')
        self.assertEqual(len(mask), picgen.FONT_ROWS)
        self.assertEqual(len(mask[0]), 3 + picgen.LETTER_GAP + 3)


class Manifest(unittest.TestCase):
    def test_generate_is_repeatable_and_matches_declared_sizes(self):
        with tempfile.TemporaryDirectory() as a, tempfile.TemporaryDirectory() as b:
            first = dict(picgen.generate(a, quiet=True))
            second = dict(picgen.generate(b, quiet=True))
        self.assertEqual(first, second)
        for output in picgen.read_manifest():
            self.assertIn(output.name, first)


if __name__ == '__main__':
    unittest.main()
