#!/usr/bin/env python3
"""Makes the benchmark's synthetic folder trees, the same every time for a seed.

    make_tree.py ROOT SEED FILES...   one tree per count, under ROOT/sFILES/top
    make_tree.py ROOT SEED --wide     ROOT/wide/one (20,000 subfolders) and
                                      ROOT/wide/twenty/fNN (20 x 1,000 subfolders)
    make_tree.py ROOT SEED --drive N  ROOT/dN/top, shaped like a system drive: N files
                                      in about 0.13 N folders up to twelve deep, most
                                      of them without a matching file, the matches in
                                      a few music folders, and some very wide folders

A tree of N files has about N/10 folders nested up to six levels deep; names mix
case, carry underscores and several extensions, and about a tenth of the files end
in .mp3 (some of them spelled .MP3 or .Mp3, which the search matches as well).
"""
import os
import random
import sys

WORDS = [
    "Live", "album", "Best_Of", "demo", "Track", "mix", "Remaster", "bonus", "Session",
    "intro", "Outro", "cover", "notes", "Disc", "side_A", "side_b", "Acoustic", "radio_Edit",
    "Jazz", "rock", "Classical", "blues", "Tour", "studio", "Backup", "misc", "Old_Stuff",
]
OTHER_EXTENSIONS = ["jpg", "txt", "flac", "wav", "m3u", "nfo", "pdf", "Ogg", "tar.gz", "mp4"]
MAX_DEPTH = 6


def name_of(rng, index):
    parts = [rng.choice(WORDS) for _ in range(rng.randint(1, 3))]
    sep = rng.choice(["_", "_", " ", "-"])
    return sep.join(parts) + "_%d" % index


def make_files_tree(root, seed, count):
    rng = random.Random("%d/%d" % (seed, count))
    top = os.path.join(root, "s%d" % count, "top")
    folders = [(top, 0)]
    os.makedirs(top)
    for i in range(1, max(1, count // 10)):
        candidates = folders if len(folders) < 8 else folders[-len(folders) // 2:]
        parent, depth = rng.choice(candidates)
        if depth >= MAX_DEPTH:
            parent, depth = folders[0]
        path = os.path.join(parent, name_of(rng, i))
        os.mkdir(path)
        folders.append((path, depth + 1))
    matching = 0
    for i in range(count):
        folder = rng.choice(folders)[0]
        if rng.random() < 0.1:
            ext = rng.choice(["mp3", "mp3", "mp3", "MP3", "Mp3"])
            matching += 1
        else:
            ext = rng.choice(OTHER_EXTENSIONS)
        open(os.path.join(folder, "%s.%s" % (name_of(rng, i), ext)), "wb").close()
    print("made %s: %d folders, %d files, %d matching *.mp3" % (top, len(folders), count, matching))


def make_drive_tree(root, seed, count):
    rng = random.Random("drive/%d/%d" % (seed, count))
    top = os.path.join(root, "d%d" % count, "top")
    os.makedirs(top)
    folders = []  # (path, depth, music)

    def add(parent, name, depth, music):
        path = os.path.join(parent, name)
        os.mkdir(path)
        folders.append((path, depth, music))
        return path

    # A few very wide folders: one of many small subfolders, one of very many files.
    wide = add(top, "Components", 1, False)
    for i in range(count // 200):
        add(wide, "%s_%06d" % (rng.choice(WORDS), i), 2, False)
    fonts = add(top, "Many_Files", 1, False)
    wanted = int(count * 0.13)
    # A tenth of the folders grow below the music folder, the rest anywhere else.
    music_root = add(top, "Music", 1, True)
    branches = {False: [(top, 0, False)], True: [(music_root, 1, True)]}
    for i in range(len(folders), wanted):
        music = rng.random() < 0.1
        pool = branches[music]
        parent, depth, _ = rng.choice(pool[-2000:] if len(pool) > 4000 else pool)
        if depth >= 12:
            parent, depth, _ = pool[0]
        path = add(parent, name_of(rng, i), depth + 1, music)
        pool.append((path, depth + 1, music))
    music_folders = [f for f in folders if f[2]]
    matching = 0
    for i in range(count):
        r = rng.random()
        if r < 0.05:
            folder, ext = fonts, rng.choice(OTHER_EXTENSIONS)
        elif r < 0.25:
            folder = rng.choice(music_folders)[0]
            ext = rng.choice(["mp3", "mp3", "mp3", "MP3", "Mp3", "jpg"])
        else:
            folder, ext = rng.choice(folders)[0], rng.choice(OTHER_EXTENSIONS)
        matching += ext.lower() == "mp3"
        open(os.path.join(folder, "%s.%s" % (name_of(rng, i), ext)), "wb").close()
    print("made %s: %d folders (%d music), %d files, %d matching *.mp3"
          % (top, len(folders) + 1, len(music_folders), count, matching))


def make_wide(root):
    one = os.path.join(root, "wide", "one")
    os.makedirs(one)
    for i in range(20000):
        n = (i * 7919) % 20000
        os.mkdir(os.path.join(one, "%s_%05d" % ("Sub" if n % 3 else "sub", n)))
    for f in range(20):
        folder = os.path.join(root, "wide", "twenty", "f%02d" % f)
        os.makedirs(folder)
        for i in range(1000):
            n = (i * 613) % 1000
            os.mkdir(os.path.join(folder, "%s_%04d" % ("Sub" if n % 3 else "sub", n)))
    print("made %s: 20000 subfolders, and 20 folders of 1000" % one)


def main():
    root, seed = sys.argv[1], int(sys.argv[2])
    args = sys.argv[3:]
    while args:
        arg = args.pop(0)
        if arg == "--wide":
            make_wide(root)
        elif arg == "--drive":
            make_drive_tree(root, seed, int(args.pop(0)))
        else:
            make_files_tree(root, seed, int(arg))


if __name__ == "__main__":
    main()
