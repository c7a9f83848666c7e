#!/usr/bin/env python3
"""Small readers for the end-to-end scenarios, standard library only.

  kv.py rtf-text FILE.rtf          the text of a saved listing, one paragraph a line
                                   (read by unrtf, an independent RTF reader)
  kv.py compare EXPECTED ACTUAL    compare a listing with the expected one (see below)
  kv.py compare --loose EXPECTED ACTUAL
                                   the same for text taken from a PDF: blank lines and
                                   the indentation of headings are not compared
  kv.py indents FILE.rtf NAME...   each NAME stands in the RTF with a four-space indent
  kv.py highlight FILE.ppm         centre "x y" of the band of selection colour in the
                                   picture (the selected row of the tree), or nothing
  kv.py selection FILE.ppm         a digest of the pixels of that band: the selected
                                   row's name as drawn
  kv.py ini-value FILE SECTION KEY the value of one key of an INI file

Expected listings are text files: a line that starts with four spaces is a heading
(the folder), the lines after it are its items. Headings must come in the same order;
the items under a heading are compared as a multiset, because their order is whatever
the directory search returns.
"""

import collections
import hashlib
import html
import re
import subprocess
import sys

# The tree draws its selected row in the system highlight colour of Wine's default theme.
SELECTION = (48, 150, 250)


def fail(message):
    print(message, file=sys.stderr)
    sys.exit(1)


def rtf_text(path):
    """The paragraphs of an RTF file as unrtf reads them.

    unrtf's HTML output is used because its plain-text output cannot show characters
    beyond Latin-1; the HTML is turned back into plain text here. unrtf folds runs of
    blanks into one, so a heading's indent shows as a single leading blank.
    """
    out = subprocess.run(["unrtf", "--html", path], check=True, capture_output=True).stdout
    page = out.decode("utf-8", errors="replace")
    start = page.find("<body>")
    end = page.rfind("</body>")
    if start < 0 or end < 0:
        fail(f"unrtf gave no document body for {path}")
    body = page[start + len("<body>"):end]
    body = body.replace("\n", "")
    body = re.sub(r"<br\s*/?>", "\n", body, flags=re.I)
    body = re.sub(r"</?p[^>]*>", "\n", body, flags=re.I)
    body = re.sub(r"<[^>]+>", "", body)
    text = html.unescape(body).replace("\xa0", " ")
    return text


def parse_listing(text, loose):
    """Splits listing text into its blocks: [(heading or None, Counter of items)].

    Returns (blocks, problems): problems lists layout faults found on the way.
    """
    lines = text.split("\n")
    problems = []
    # No break after the last line: whatever the reader adds at the end is dropped.
    while lines and lines[-1].strip() == "":
        lines.pop()
    if not loose and lines:
        if lines[0] != "":
            problems.append(f"the listing does not begin with an empty paragraph: {lines[0]!r}")
        else:
            lines = lines[1:]
    blocks = []
    for line in lines:
        if loose and line.strip() == "":
            continue
        if not loose and line == "":
            problems.append("an empty paragraph inside the listing")
            continue
        is_heading = line[:1].isspace()
        if is_heading:
            blocks.append((line.strip(), collections.Counter()))
        else:
            if not blocks:
                blocks.append((None, collections.Counter()))
            blocks[-1][1][line.rstrip() if loose else line] += 1
    return blocks, problems


def describe(blocks):
    out = []
    for heading, items in blocks:
        out.append(f"    {heading}" if heading is not None else "    (no heading)")
        for item in sorted(items.elements()):
            out.append(f"        {item}")
    return "\n".join(out) if out else "    (empty listing)"


def compare(expected_path, actual_path, loose):
    with open(expected_path, encoding="utf-8") as f:
        expected_text = f.read()
    with open(actual_path, encoding="utf-8") as f:
        actual_text = f.read()
    # The expected file is written without the leading empty paragraph.
    expected, _ = parse_listing("\n" + expected_text if expected_text.strip() else "", loose)
    actual, problems = parse_listing(actual_text, loose)
    if loose:
        # Items of a PDF may be laid out with a leading blank; what matters are the names.
        def squash(blocks):
            return [(h, collections.Counter({k.strip(): v for k, v in i.items()}))
                    for h, i in blocks]
        expected, actual = squash(expected), squash(actual)
    if expected != actual or problems:
        for p in problems:
            print(p, file=sys.stderr)
        print("expected listing:\n" + describe(expected), file=sys.stderr)
        print("actual listing:\n" + describe(actual), file=sys.stderr)
        sys.exit(1)


def indents(rtf_path, names):
    """Each heading name stands in the RTF with its four-space indent.

    unrtf folds blanks, so the indent is looked up in the raw document; only plain
    ASCII names can be found there as they are.
    """
    with open(rtf_path, "rb") as f:
        raw = f.read().decode("latin-1")
    for name in names:
        # As RTF writes it: backslashes and braces escaped.
        written = name.replace("\\", "\\\\").replace("{", "\\{").replace("}", "\\}")
        # Four blanks after a control word's delimiting blank, or after any other
        # character than a blank, then the name up to the next control word or line end.
        before = r"(?:\\[a-zA-Z]+-?\d* |[^ ]|^)"
        after = r"(?:\\|\r|\n|$)"
        if not re.search(before + "    " + re.escape(written) + after, raw, re.M):
            fail(f"the heading {name!r} does not stand in {rtf_path} after four spaces")


def read_ppm(path):
    with open(path, "rb") as f:
        data = f.read()
    # P6 header: magic, width, height, maxval, each separated by whitespace.
    fields = []
    pos = 0
    while len(fields) < 4:
        while data[pos:pos + 1].isspace():
            pos += 1
        if data[pos:pos + 1] == b"#":
            pos = data.index(b"\n", pos) + 1
            continue
        start = pos
        while not data[pos:pos + 1].isspace():
            pos += 1
        fields.append(data[start:pos])
    pos += 1
    if fields[0] != b"P6" or int(fields[3]) != 255:
        fail(f"{path}: not an 8-bit P6 picture")
    return int(fields[1]), int(fields[2]), data[pos:]


def selection_band(path):
    """The largest band of rows that hold the selection colour, as rows (y, x0, x1)."""
    width, height, pixels = read_ppm(path)
    target = bytes(SELECTION)
    rows = []
    for y in range(height):
        row = pixels[y * width * 3:(y + 1) * width * 3]
        xs = [x for x in range(width) if row[x * 3:x * 3 + 3] == target]
        if len(xs) >= 8:
            rows.append((y, xs[0], xs[-1]))
    if not rows:
        return width, pixels, []
    # Group adjacent rows into bands and keep the tallest (the selected row).
    bands = [[rows[0]]]
    for r in rows[1:]:
        if r[0] == bands[-1][-1][0] + 1:
            bands[-1].append(r)
        else:
            bands.append([r])
    return width, pixels, max(bands, key=len)


def highlight(path):
    """Centre of the selected row."""
    _, _, band = selection_band(path)
    if band:
        y = (band[0][0] + band[-1][0]) // 2
        x = (min(r[1] for r in band) + max(r[2] for r in band)) // 2
        print(x, y)


def selection(path):
    """Digest of the pixels inside the selected row's band."""
    width, pixels, band = selection_band(path)
    if not band:
        fail(f"{path}: no selected row")
    x0, x1 = min(r[1] for r in band), max(r[2] for r in band)
    digest = hashlib.md5()
    for y, _, _ in band:
        digest.update(pixels[(y * width + x0) * 3:(y * width + x1 + 1) * 3])
    print(digest.hexdigest())


def lines(path):
    """Digest of each line of dark pixels (text on a light ground), top to bottom, of
    the dark pixels inside the line's own bounds."""
    width, height, pixels = read_ppm(path)
    dark = [[sum(pixels[(y * width + x) * 3:(y * width + x) * 3 + 3]) < 384 for x in range(width)]
            for y in range(height)]
    y = 0
    while y < height:
        if not any(dark[y]):
            y += 1
            continue
        top = y
        while y < height and any(dark[y]):
            y += 1
        xs = [x for row in dark[top:y] for x in range(width) if row[x]]
        digest = hashlib.md5()
        for row in dark[top:y]:
            digest.update(bytes(row[min(xs):max(xs) + 1]))
        print(digest.hexdigest())


def ini_value(path, section, key):
    current = None
    with open(path, encoding="utf-8", errors="replace") as f:
        for line in f:
            line = line.strip()
            if line.startswith("[") and line.endswith("]"):
                current = line[1:-1]
            elif current is not None and current.lower() == section.lower() and "=" in line:
                k, v = line.split("=", 1)
                if k.strip().lower() == key.lower():
                    print(v)
                    return
    fail(f"{path}: no key {key} in section [{section}]")


def main(argv):
    if len(argv) < 2:
        fail(__doc__)
    cmd, args = argv[1], argv[2:]
    if cmd == "rtf-text" and len(args) == 1:
        sys.stdout.write(rtf_text(args[0]))
    elif cmd == "compare" and len(args) in (2, 3):
        loose = args[0] == "--loose"
        if loose:
            args = args[1:]
        compare(args[0], args[1], loose)
    elif cmd == "indents" and args:
        indents(args[0], args[1:])
    elif cmd == "highlight" and len(args) == 1:
        highlight(args[0])
    elif cmd == "selection" and len(args) == 1:
        selection(args[0])
    elif cmd == "lines" and len(args) == 1:
        lines(args[0])
    elif cmd == "ini-value" and len(args) == 3:
        ini_value(*args)
    else:
        fail(__doc__)


if __name__ == "__main__":
    main(sys.argv)
