#!/usr/bin/python3
"""Makes an outline MS Sans Serif for a Wine prefix, regular and bold, that draws every
script the listing pane may show and keeps the look of Wine's bitmap MS Sans Serif.

Under Wine, MS Sans Serif is a bitmap face with Western European letters only. Wine
draws any other letter in it as the face's default glyph (a bar) without looking at a
font link, and Wine's Rich Edit does not pick another face for another script; it draws
glyph indices of the run's own face, so a font link does not help an outline face
either. So the pane needs a face of that name which holds the other scripts itself:

- the pixels of Wine's own MS Sans Serif (its 13, 16 and 20 pixel strikes, which hold
  Latin, Greek and Cyrillic), as embedded bitmaps at every size where Wine's bitmap face
  would use them, with those bitmaps' advances (hdmx) and line heights (VDMX), drawn
  without smoothing (gasp), so that Latin text looks as it did;
- outlines for larger sizes and for printing: DejaVu Sans for Latin, Greek and Cyrillic,
  WenQuanYi Micro Hei for Chinese, Japanese and Korean;
- the bold face's bitmaps made one pixel wider, as Windows and Wine embolden a bitmap
  face;
- above the bitmap sizes and on paper, DejaVu Sans' advances and line height.

A printer gets this face too (a printer cannot use a bitmap face, so it used to get
DejaVu Sans). Wine's PostScript driver sends it as a Type 1 font, glyph by glyph: its
glyph widths and line heights are then DejaVu Sans' as before, and Chinese, Japanese
and Korean now print, though without glyph names a PDF reader cannot copy them as text.

  make-pane-face.py OUTPUT_DIR    writes kelvora-sans.ttf and kelvora-sans-bold.ttf
"""
import copy
import os
import struct
import sys

from fontTools.pens.recordingPen import DecomposingRecordingPen
from fontTools.pens.ttGlyphPen import TTGlyphPen
from fontTools.ttLib import TTFont, newTable
from fontTools.ttLib.tables.DefaultTable import DefaultTable
from fontTools.ttLib.tables import ttProgram

WINE_FACE = "/usr/share/wine/fonts/ms_sans_serif.ttf"
LATIN = {False: "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf",
         True: "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf"}
CJK = "/usr/share/fonts/truetype/wqy/wqy-microhei.ttc"

# The pixel sizes to the em that each strike (named by its line height) serves: those
# at which Wine's bitmap face uses it.
SERVES = {13: range(5, 13), 16: range(13, 16), 20: range(16, 20)}
# Sizes up to this one are drawn from the bitmaps, unsmoothed; larger ones smoothed.
LARGEST_BITMAP_PPEM = 19


def is_cjk(code):
    return (0x1100 <= code <= 0x11FF or 0x2E80 <= code <= 0x9FFF or 0xAC00 <= code <= 0xD7AF
            or 0xF900 <= code <= 0xFAFF or 0xFE30 <= code <= 0xFE4F or 0xFF00 <= code <= 0xFFEF)


def outline(glyph_set, name):
    recording = DecomposingRecordingPen(glyph_set)
    glyph_set[name].draw(recording)
    pen = TTGlyphPen(None)
    recording.replay(pen)
    return pen.glyph()


def read_rows(data, width, height):
    bits = "".join(format(b, "08b") for b in data)
    return [bits[r * width:(r + 1) * width] for r in range(height)]


def write_rows(rows):
    bits = "".join(rows)
    bits += "0" * (-len(bits) % 8)
    return bytes(int(bits[i:i + 8], 2) for i in range(0, len(bits), 8))


def embolden_rows(rows):
    """Each row one pixel wider, every pixel also drawn one to its right."""
    out = []
    for row in rows:
        wide = row + "0"
        out.append("".join("1" if wide[x] == "1" or (x > 0 and wide[x - 1] == "1") else "0"
                           for x in range(len(wide))))
    return out


def strike_advances(strike, data, bold):
    """The advance of every bitmap in a strike, emboldening them first if bold."""
    advances = {}
    for sub in strike.indexSubTables:
        shared = sub.indexFormat == 2  # one metrics record for the whole range
        if bold and shared:
            sub.metrics.width += 1
            sub.metrics.horiAdvance += 1
            sub.imageSize = (sub.metrics.width * sub.metrics.height + 7) // 8
        for name in sub.names:
            glyph = data[name]
            glyph.ensureDecompiled()
            metrics = sub.metrics if shared else glyph.metrics
            if bold:
                width = metrics.width - 1 if shared else metrics.width
                rows = embolden_rows(read_rows(glyph.imageData, width, metrics.height))
                if not shared:
                    metrics.width += 1
                    metrics.Advance += 1
                glyph.imageData = write_rows(rows)
            advances[name] = metrics.horiAdvance if shared else metrics.Advance
    return advances


def names_of_first(face, count):
    """The glyph names (post format 2) of the first count glyphs only. Wine's printer
    driver reads the whole table for every glyph it prints; the names of the Chinese,
    Japanese and Korean glyphs would make it a hundred times as large and the
    printing of a long listing ten times as slow."""
    data = face["post"].compile(face)
    total = struct.unpack(">H", data[32:34])[0]
    indices = struct.unpack(">%dH" % total, data[34:34 + 2 * total])[:count]
    strings, at = [], 34 + 2 * total
    while at < len(data):
        strings.append(data[at:at + 1 + data[at]])
        at += 1 + data[at]
    custom = max([i - 257 for i in indices if i >= 258] or [0])
    post = DefaultTable("post")
    post.data = (data[:32] + struct.pack(">H", count) + struct.pack(">%dH" % count, *indices)
                 + b"".join(strings[:custom]))
    return post


def build(bold):
    face = TTFont(WINE_FACE, recalcTimestamp=False)
    # Wine skips its own bitmap-only faces by this table; this face has outlines.
    del face["EBSC"]
    for tag in ["GSUB", "GPOS", "GDEF", "FFTM"]:
        if tag in face:
            del face[tag]
    glyf, hmtx = face["glyf"], face["hmtx"]
    cmap = dict(face.getBestCmap())

    latin = TTFont(LATIN[bold])
    latin_set, latin_cmap = latin.getGlyphSet(), latin.getBestCmap()
    for code, name in cmap.items():
        if code in latin_cmap:
            glyph = outline(latin_set, latin_cmap[code])
            glyph.recalcBounds(glyf)
            glyf[name] = glyph
            hmtx[name] = (latin["hmtx"][latin_cmap[code]][0], getattr(glyph, "xMin", 0))

    cjk = TTFont(CJK, fontNumber=0)
    cjk_set, cjk_cmap, cjk_hmtx = cjk.getGlyphSet(), cjk.getBestCmap(), cjk["hmtx"]
    order = face.getGlyphOrder()[:]
    named = len(order)
    added = {}
    for code, source in sorted(cjk_cmap.items()):
        if code in cmap or code > 0xFFFF or not is_cjk(code):
            continue
        if source not in added:
            name = "uni%04X" % code
            added[source] = name
            order.append(name)
            glyph = cjk["glyf"][source]
            if glyph.isComposite():
                glyph = outline(cjk_set, source)
            elif hasattr(glyph, "program"):
                glyph.program = ttProgram.Program()  # its hints call the other face's functions
                glyph.program.fromBytecode(b"")
            glyf.glyphs[name] = glyph
            hmtx.metrics[name] = (cjk_hmtx[source][0], 0)
        cmap[code] = added[source]
    face.setGlyphOrder(order)
    glyf.glyphOrder = order
    for name in added.values():
        glyf[name].recalcBounds(glyf)
        hmtx.metrics[name] = (hmtx.metrics[name][0], getattr(glyf[name], "xMin", 0))
    tables = [t for t in face["cmap"].tables if t.isUnicode() and t.format == 4][:1]
    tables[0].cmap = cmap
    face["cmap"].tables = tables
    face["maxp"].numGlyphs = len(order)
    # Glyph names stay (post format 2): Wine's printer driver names the glyphs it sends by
    # them, and a PDF made from the print maps them back to letters.
    face["post"].extraNames = []
    face["post"].mapping = {}
    face["post"] = names_of_first(face, named)

    eblc, ebdt = face["EBLC"], face["EBDT"]
    strikes, datas, served, lines = [], [], {}, {}
    for strike, data in zip(eblc.strikes, ebdt.strikeData):
        size = strike.bitmapSizeTable
        advances = strike_advances(strike, data, bold)
        if bold:
            size.hori.widthMax += 1
        for ppem in SERVES[size.ppemY]:
            served[ppem] = advances
            lines[ppem] = (size.hori.ascender, size.hori.descender)
            # The bitmaps are shared; the index records are each strike's own, since
            # writing the strike sets their offsets.
            copied = copy.copy(strike)
            copied.bitmapSizeTable = copy.copy(size)
            copied.bitmapSizeTable.ppemX = copied.bitmapSizeTable.ppemY = ppem
            copied.indexSubTables = [copy.copy(sub) for sub in strike.indexSubTables]
            strikes.append(copied)
            datas.append(dict(data))
    eblc.strikes, ebdt.strikeData = strikes, datas

    # The bitmaps' advances at the sizes they serve. FreeType honours hdmx only once the
    # font turns off its interpreter's backward compatibility (INSTCTRL 3 in prep).
    hdmx = newTable("hdmx")
    hdmx.version = 0
    hdmx.hdmx = {}
    for ppem, advances in served.items():
        hdmx.hdmx[ppem] = {name: advances.get(name, min(255, round(hmtx[name][0] * ppem / 2048)))
                           for name in order}
    face["hdmx"] = hdmx
    prep = newTable("prep")
    prep.program = ttProgram.Program()
    prep.program.fromBytecode(bytes([0xB1, 0x04, 0x03, 0x8E]))  # PUSHB[2] 4 3, INSTCTRL
    face["prep"] = prep
    face["head"].flags |= 0x0010  # advances are not linear (hdmx)

    # The bitmaps' line heights at those sizes.
    vdmx = newTable("VDMX")
    vdmx.version, vdmx.numRecs, vdmx.numRatios = 1, 1, 1
    vdmx.ratRanges = [dict(bCharSet=1, xRatio=0, yStartRatio=0, yEndRatio=0, groupIndex=0)]
    vdmx.groups = [dict(lines)]
    face["VDMX"] = vdmx
    gasp = newTable("gasp")
    gasp.version = 1
    gasp.gaspRange = {LARGEST_BITMAP_PPEM: 0x0001, 0xFFFF: 0x0003}
    face["gasp"] = gasp

    # Above the bitmap sizes and on paper the face is DejaVu Sans: its line height too.
    # At the bitmap sizes the VDMX table above gives Wine the bitmaps' line heights.
    os2, hhea = face["OS/2"], face["hhea"]
    os2.usWinAscent, os2.usWinDescent = latin["OS/2"].usWinAscent, latin["OS/2"].usWinDescent
    hhea.ascent, hhea.descent = latin["hhea"].ascent, latin["hhea"].descent
    os2.achVendID = "KLVR"
    style = "Bold" if bold else "Regular"
    if bold:
        os2.usWeightClass = 700
        os2.fsSelection = (os2.fsSelection & ~0x0041) | 0x0020
        face["head"].macStyle |= 0x0001
    for record in face["name"].names:
        if record.nameID == 2:
            record.string = style
        elif record.nameID == 4:
            record.string = "MS Sans Serif" + (" Bold" if bold else "")
        elif record.nameID == 6:
            record.string = "MSSansSerif-" + style
    return face


def main():
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)
    for bold, name in [(False, "kelvora-sans.ttf"), (True, "kelvora-sans-bold.ttf")]:
        build(bold).save(os.path.join(out, name))


if __name__ == "__main__":
    main()
