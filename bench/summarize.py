#!/usr/bin/env python3
"""Prints the benchmark's table from the figures of its runs.

    summarize.py RESULTS_DIR

RESULTS_DIR holds one file per process: tree-SIZE-RUN.txt and wide-KIND-RUN.txt, each
with "name=value" lines from kelvora_bench. Every time is the median of the runs, with
its spread ((max - min) / median) beside it.
"""
import glob
import os
import re
import statistics
import sys

SIZES = [1000, 10000, 100000, 1000000]  # the last on request (KELVORA_BENCH_MILLION)
MB = 1024.0 * 1024.0


def load(pattern):
    runs = []
    for path in sorted(glob.glob(pattern)):
        figures = {}
        for line in open(path):
            match = re.match(r"^(\w+)=([-0-9.]+)$", line.strip())
            if match:
                figures[match.group(1)] = float(match.group(2))
        if figures:
            runs.append(figures)
    return runs


def median(runs, name):
    values = [r[name] for r in runs if name in r]
    return statistics.median(values) if values else float("nan")


def spread(runs, name):
    values = [r[name] for r in runs if name in r]
    if len(values) < 2:
        return 0.0
    mid = statistics.median(values)
    return (max(values) - min(values)) / mid if mid else 0.0


def derived(runs, name, fn):
    """A figure computed per run from the run's own figures."""
    for r in runs:
        try:
            r[name] = fn(r)
        except KeyError:
            pass


def row(runs, label, name, base=None, base_name=""):
    """Prints the median and spread of one figure, and its ratio to base if given."""
    value = median(runs, name)
    text = "  %-44s %9.1f ms (+-%3.0f%%)" % (label, value, 100 * spread(runs, name))
    if base:
        text += "   %5.2fx %s" % (value / base, base_name)
    print(text)


def main():
    results = sys.argv[1]
    trees = {}
    for size in SIZES:
        runs = load(os.path.join(results, "tree-%d-*.txt" % size))
        if not runs:
            continue
        derived(runs, "own_cold_ms", lambda r: r["list_cold_ms"] - r["pane_write_ms"])
        derived(runs, "own_warm_ms",
                lambda r: r["list_warm_ms"] - r["pane_write_ms"] - r["pane_clear_ms"])
        derived(runs, "peer_less_start_ms", lambda r: r["peer_ms"] - r["cmd_start_ms"])
        derived(runs, "list_mem", lambda r: r["peak_ws_list"] - r["ws_before_list"])
        derived(runs, "pane_mem", lambda r: r["peak_ws_pane"] - r["ws_before_pane"])
        derived(runs, "own_mem", lambda r: max(0.0, r["list_mem"] - r["pane_mem"]))
        trees[size] = runs

    print("Kelvora benchmark: median of %s runs per size; (+-x%%) is the spread, max-min over the median"
          % ", ".join("%d" % len(trees[s]) for s in trees))
    for size, runs in trees.items():
        walk = median(runs, "floor_walk_ms")
        flist = median(runs, "floor_list_ms")
        print()
        print("%d files: %d folders, %d matching files, listing %d characters in %d style runs" % (
            median(runs, "files"), median(runs, "folders"), median(runs, "matches"),
            median(runs, "text_bytes"), median(runs, "runs")))

        row(runs, "floor: walk of every folder, *.*", "floor_walk_ms")
        row(runs, "MarkSubtree from an unread node", "mark_ms", walk, "the walk")
        row(runs, "floor: every folder searched with the filter", "floor_list_ms")
        row(runs, "RegenerateListing, cold", "list_cold_ms", flist, "the floor")
        row(runs, "RegenerateListing, warm", "list_warm_ms", flist, "the floor")
        row(runs, "  the pane alone: writing the runs", "pane_write_ms", flist, "the floor")
        row(runs, "  the pane alone: clearing the listing", "pane_clear_ms", flist, "the floor")
        row(runs, "  the program's own part, cold", "own_cold_ms", flist, "the floor")
        row(runs, "  the program's own part, warm", "own_warm_ms", flist, "the floor")
        row(runs, "peer: cmd /c dir /s /b", "peer_ms", flist, "the floor")
        row(runs, "  peer less cmd's own start-up", "peer_less_start_ms", flist, "the floor")
        text = median(runs, "text_bytes")
        print("  %-44s %9.1f MB" % ("peak working set of the process", median(runs, "peak_ws_process") / MB))
        print("  %-44s %9.1f MB  %6.1fx the text" % (
            "listing's peak growth (cold)", median(runs, "list_mem") / MB, median(runs, "list_mem") / text))
        print("  %-44s %9.1f MB  %6.1fx the text" % (
            "  the pane alone keeping the same runs", median(runs, "pane_mem") / MB,
            median(runs, "pane_mem") / text))
        print("  %-44s %9.1f MB  %6.1fx the text" % (
            "  the program's own part", median(runs, "own_mem") / MB, median(runs, "own_mem") / text))

    sizes = list(trees)
    if len(sizes) > 1:
        print()
        print("Growth from size to size (10x the files each step; linear is about 10x):")
        for name in ["floor_walk_ms", "mark_ms", "floor_list_ms", "list_cold_ms", "list_warm_ms",
                     "own_cold_ms", "pane_write_ms", "pane_clear_ms", "peer_ms"]:
            steps = []
            for a, b in zip(sizes, sizes[1:]):
                steps.append("%d->%d %6.1fx" % (a, b, median(trees[b], name) / median(trees[a], name)))
            print("  %-16s %s" % (name, "   ".join(steps)))

    windows = {}
    for size in SIZES:
        runs = load(os.path.join(results, "window-%d-*.txt" % size))
        if runs:
            derived(runs, "warm_mem", lambda r: r["peak_ws_warm"] - r["ws_before_list"])
            windows[size] = runs
    drive = load(os.path.join(results, "window-drive-*.txt"))
    shown = dict(windows)
    if drive:
        derived(drive, "warm_mem", lambda r: r["peak_ws_warm"] - r["ws_before_list"])
        shown["drive-shaped tree of"] = drive
    if shown:
        print()
        print("The real main window, shown, driven by the folder menu's commands (with repainting):")
    for size, runs in shown.items():
        if not isinstance(size, int):
            print(size, end=" ")
        walk = median(runs, "floor_walk_ms")
        flist = median(runs, "floor_list_ms")
        cold = median(runs, "list_cold_ms")
        print("%d files: %d folders, %d matching, %d characters" % (
            median(runs, "files"), median(runs, "folders"), median(runs, "matches"),
            median(runs, "text_chars")))

        row(runs, "floor: walk of every folder, *.*", "floor_walk_ms")
        row(runs, "floor: every folder searched with the filter", "floor_list_ms")
        row(runs, "MarkSubtree from an unread node", "mark_ms", walk, "the walk")
        row(runs, "rebuild, cold", "list_cold_ms", flist, "the floor")
        row(runs, "rebuild over the full pane (List Folder)", "list_warm_ms", cold, "the cold one")
        if any("options_ok_ms" in r for r in runs):
            row(runs, "Options' OK (a rebuild over the full pane)", "options_ok_ms", cold, "the cold one")
        row(runs, "UnList Sub-Folders", "unlist_subfolders_ms", walk, "the walk")
        row(runs, "List Sub-Folders, tree already read", "list_subfolders_ms", walk, "the walk")
        for label, name in [("Save As", "save_ms"), ("Print, OK to EndDoc", "print_ms"),
                            ("Print, OK to the first page", "print_first_page_ms")]:
            if any(name in r for r in runs):
                row(runs, label, name, cold, "the cold rebuild")
        if any("gdi_objects_after_print" in r for r in runs):
            print("  %-44s %9d" % ("GDI objects after the print",
                                   median(runs, "gdi_objects_after_print")))
        print("  %-44s %9.1f MB" % ("peak growth of the working set, warm",
                                    median(runs, "warm_mem") / MB))
        waits = [(name[len("unanswered_"):-len("_ms")], median(runs, name))
                 for name in runs[0] if name.startswith("unanswered_")]
        if waits:
            step, longest = max(waits, key=lambda w: w[1])
            print("  %-44s %9.1f ms   (in the step: %s)" % (
                "longest the window left the system unanswered", longest, step))
    wsizes = list(windows)
    if len(wsizes) > 1:
        print("Growth from size to size, real window (linear is about 10x):")
        for name in ["mark_ms", "list_cold_ms", "list_warm_ms", "options_ok_ms", "unlist_subfolders_ms",
                     "list_subfolders_ms", "save_ms", "print_ms"]:
            steps = []
            for a, b in zip(wsizes, wsizes[1:]):
                if name in windows[a][0] and name in windows[b][0]:
                    steps.append("%d->%d %6.1fx" % (
                        a, b, median(windows[b], name) / median(windows[a], name)))
            if steps:
                print("  %-20s %s" % (name, "   ".join(steps)))

    if 1000000 in windows and 1000000 in trees:
        print()
        print("Targets at 1,000,000 files (real window):")
        w, t = windows[1000000], trees[1000000]
        peer = median(t, "peer_ms")
        checks = [("MarkSubtree within 2x the floor's walk",
                   median(w, "mark_ms") / median(w, "floor_walk_ms"), 2.0)]
        for label, name in [("cold rebuild", "list_cold_ms"), ("rebuild over the full pane", "list_warm_ms"),
                            ("Options' OK", "options_ok_ms"), ("List Sub-Folders again", "list_subfolders_ms")]:
            if name in w[0]:
                checks.append(("%s within 2x the peer" % label, median(w, name) / peer, 2.0))
        if 100000 in windows:
            for name in ["mark_ms", "list_cold_ms", "list_warm_ms", "unlist_subfolders_ms", "list_subfolders_ms"]:
                checks.append(("%s at most 12x the 100,000 case" % name,
                               median(w, name) / median(windows[100000], name), 12.0))
        checks.append(("peak working set under 2 GB (GB)", median(w, "peak_ws_warm") / (1024.0 * MB), 2.0))
        waits = [median(w, name) for name in w[0] if name.startswith("unanswered_")]
        if waits:
            checks.append(("longest unanswered under Windows' 5 s hang (s)", max(waits) / 1000.0, 5.0))
        for label, value, limit in checks:
            print("  %-52s %6.2f (limit %4.1f)  %s" % (label, value, limit, "met" if value <= limit else "NOT met"))

    one = load(os.path.join(results, "wide-one-*.txt"))
    twenty = load(os.path.join(results, "wide-twenty-*.txt"))
    if one and twenty:
        print()
        print("Sorted insertion: reading folders of many subfolders (BuildNodePath + PopulateNode)")
        for label, runs in [("one folder of 20,000 subfolders", one), ("20 folders of 1,000 subfolders", twenty)]:
            print("  %-44s %9.1f ms (+-%3.0f%%)   floor %7.1f ms" % (
                label, median(runs, "read_ms"), 100 * spread(runs, "read_ms"), median(runs, "floor_read_ms")))
        print("  %-44s %9.2fx" % ("ratio", median(one, "read_ms") / median(twenty, "read_ms")))

    if 10000 in trees and 100000 in trees:
        print()
        print("Targets:")
        t = trees[100000]
        checks = [
            ("RegenerateListing 100k (cold) within 3x the floor",
             median(t, "list_cold_ms") / median(t, "floor_list_ms"), 3.0),
            ("  its program's own part within 3x the floor",
             median(t, "own_cold_ms") / median(t, "floor_list_ms"), 3.0),
            ("RegenerateListing 100k at most 12x the 10k case",
             median(t, "list_cold_ms") / median(trees[10000], "list_cold_ms"), 12.0),
            ("MarkSubtree 100k within 3x the floor's walk",
             median(t, "mark_ms") / median(t, "floor_walk_ms"), 3.0),
            ("peak memory of the 100k listing under 10x its text",
             median(t, "list_mem") / median(t, "text_bytes"), 10.0),
            ("  its program's own part under 10x the text",
             median(t, "own_mem") / median(t, "text_bytes"), 10.0),
        ]
        if one and twenty:
            checks.append(("20,000 subfolders read in under 2x 20 x 1,000",
                           median(one, "read_ms") / median(twenty, "read_ms"), 2.0))
        for label, value, limit in checks:
            print("  %-52s %6.2f (limit %4.1f)  %s" % (label, value, limit, "met" if value < limit else "NOT met"))


if __name__ == "__main__":
    main()
