#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Side-by-side figures for tagmere-cli against the standard tools.

1. `tagmere-cli find DIR` against `find DIR -iname '*.ies'` on a tree of ~100,000 entries.
2. `tagmere-cli apply --manufac X` against `sed -i` on 10,000 realistic photometric files, and
   apply with the run journal against `apply --no-journal` (the journal's cost).
3. Peak memory (max RSS) of the apply runs at 1,000 and 10,000 files.
4. `tagmere-cli check` of the 10,000 files against listing them (`tagmere-cli find`) and against
   reading them (`find -exec cat`).
5. The window (offscreen, when windowbench is built): the search over the same tree as 1 and a
   Bulk run over the same files as 2, against tagmere-cli find and apply; Stop in its progress.

Prints figures and ratios; the targets are shown for reading, never enforced. Exit status is
0 unless something breaks (a tool missing or failing, wrong output). Data goes to a fresh
folder under $BENCH_DIR (default: the system temporary folder; about 0.2 GB at the default
sizes) and is removed at the end.

Environment: BENCH_DIR, BENCH_ENTRIES (100000), BENCH_FILES (10000), BENCH_SMALL_FILES (1000),
BENCH_REPEAT (3), BENCH_SEED (63).
"""

import argparse
import csv
import os
import random
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

sys.dont_write_bytecode = True  # no __pycache__ in the source tree
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import iesgen  # noqa: E402

MANUFAC = "BENCH LIGHTING CO"


class BenchError(Exception):
    pass


def env_int(name, default):
    try:
        return int(os.environ.get(name, default))
    except ValueError:
        raise BenchError(f"{name} must be a whole number")


# A child's max RSS counts the memory of the process it was forked from (the kernel keeps the
# high-water mark across exec), so this Python process would mask small figures; GNU time is a
# small parent that reports its child's figure.
GNU_TIME = "/usr/bin/time" if os.access("/usr/bin/time", os.X_OK) else None


def run(argv, cwd=None, stdout=None, ok_codes=(0,)):
    """Runs argv and returns (wall seconds, max RSS in KB or None, CPU seconds or None).
    Raises on failure."""
    with tempfile.TemporaryFile() as err, tempfile.NamedTemporaryFile(mode="r") as rss_file:
        wrapped = [GNU_TIME, "-f", "%M %U %S", "-o", rss_file.name] + argv if GNU_TIME else argv
        start = time.perf_counter()
        try:
            child = subprocess.run(wrapped, cwd=cwd, stdin=subprocess.DEVNULL,
                                   stdout=stdout if stdout is not None else subprocess.DEVNULL, stderr=err)
        except OSError as error:  # e.g. too many file names for one command line
            raise BenchError(f"cannot run {argv[0]}: {error}")
        seconds = time.perf_counter() - start
        if child.returncode not in ok_codes:
            err.seek(0)
            tail = err.read()[-2000:].decode("latin-1", "replace")
            raise BenchError(f"{argv[0]} exited with {child.returncode}:\n{tail}")
        rss = cpu = None
        if GNU_TIME:
            try:
                figures = rss_file.read().split()[-3:]
                rss, cpu = int(figures[0]), float(figures[1]) + float(figures[2])
            except (ValueError, IndexError):
                rss = cpu = None
    return seconds, rss, cpu


def timed_sync():
    start = time.perf_counter()
    os.sync()
    return time.perf_counter() - start


class Series:
    """Timings and peak memory of one command over several runs."""

    def __init__(self, label):
        self.label = label
        self.times = []
        self.rss = []
        self.cpu = []

    def add(self, seconds, rss_kb=None, cpu_seconds=None):
        self.times.append(seconds)
        if rss_kb is not None:
            self.rss.append(rss_kb)
        if cpu_seconds is not None:
            self.cpu.append(cpu_seconds)

    @property
    def best_cpu(self):
        return min(self.cpu) if self.cpu else None

    @property
    def best(self):
        return min(self.times)

    @property
    def median(self):
        return statistics.median(self.times)

    @property
    def peak_mb(self):
        return max(self.rss) / 1024.0 if self.rss else None


# ---------------------------------------------------------------------------------------------
# 1. Search tree

EXTENSIONS = [".ies"] * 6 + [".IES", ".Ies", ".ldt", ".LDT", ".txt", ".pdf", ".jpg", ".dwg", ".ies.bak",
                             ".iesx", ".xml", ".csv", ".png", ".doc"]


def make_tree(root, entries, seed):
    """About `entries` files and folders, nested up to five levels, mixed names.
    Returns (folders, files, ies files) counted as made."""
    rng = random.Random(f"{seed}-tree")
    os.makedirs(root)
    branching = [10, 8, 6, 5]  # 10 + 80 + 480 + 2400 folders below the root
    folders = [root]
    level = [root]
    for depth, width in enumerate(branching):
        below = []
        for parent in level:
            for k in range(width):
                name = rng.choice(["Project", "Catalog", "Series", "Job", "photometry", "IES files", "old"])
                path = os.path.join(parent, f"{name} {depth}{k:02d}")
                os.mkdir(path)
                below.append(path)
        folders += below
        level = below
    file_count = max(0, entries - (len(folders) - 1))
    ies = 0
    for i in range(file_count):
        folder = folders[rng.randrange(len(folders))]
        extension = rng.choice(EXTENSIONS)
        name = f"{rng.choice(['LUM', 'dl', 'Spot', 'HB', 'x'])}-{i:06d}{extension}"
        # Empty: the search never reads them, and freeing data blocks is slow on some disks.
        open(os.path.join(folder, name), "wb").close()
        if extension.lower() == ".ies":
            ies += 1
    return len(folders) - 1, file_count, ies


def bench_find(cli, root, repeat):
    ours = Series("tagmere-cli find DIR")
    theirs = Series("find DIR -iname '*.ies'")
    ours_cmd = [cli, "find", root]
    find_cmd = ["find", root, "-iname", "*.ies"]

    # Warm the cache and check both list the same files.
    lists = []
    for cmd in (ours_cmd, find_cmd):
        with tempfile.TemporaryFile() as out:
            run(cmd, stdout=out)
            out.seek(0)
            lists.append(sorted(os.path.normpath(p) for p in out.read().decode("latin-1").splitlines()))
    if lists[0] != lists[1]:
        raise BenchError(f"find outputs differ: tagmere-cli {len(lists[0])} lines, find {len(lists[1])} lines")

    for r in range(repeat):
        pair = [(ours, ours_cmd), (theirs, find_cmd)]
        if r % 2:
            pair.reverse()
        for series, cmd in pair:
            series.add(*run(cmd))
    return ours, theirs, len(lists[0])


def bench_check(cli, folder, repeat):
    """The header check of every file below a folder against only listing them (the cost of
    marking files with errors while a search lists them) and against only reading them, with
    cat: a check is worth running over a whole library when it costs little more than that."""
    ours = Series("tagmere-cli check --quiet DIR")
    printed = Series("tagmere-cli check DIR (a line per finding)")
    listing = Series("tagmere-cli find DIR")
    cat = Series("find DIR -name '*.ies' -exec cat {} +")
    commands = [(listing, [cli, "find", folder]), (ours, [cli, "check", "--quiet", folder]),
                (printed, [cli, "check", folder]), (cat, ["find", folder, "-name", "*.ies", "-exec", "cat", "{}", "+"])]
    for r in range(repeat):
        for series, cmd in commands if r % 2 == 0 else reversed(commands):
            series.add(*run(cmd, ok_codes=(0, 1)))
    return ours, printed, listing, cat


def bench_table(cli, replacer, work, repeat):
    """export against check over the same files, and apply --table of a table whose every row
    has a value of its own against apply of one value."""
    export_s = Series("tagmere-cli export DIR -o FILE")
    check_s = Series("tagmere-cli check --quiet DIR")
    table_s = Series("tagmere-cli apply --table FILE (every row edited)")
    one_s = Series("tagmere-cli apply --manufac X FILES")
    table = os.path.join(work, "library.csv")
    edited = os.path.join(work, "edited.csv")
    for r in range(repeat):
        check_s.add(*run([cli, "check", "--quiet", replacer.folder], ok_codes=(0, 1)))
        export_s.add(*run([cli, "export", replacer.folder, "-o", table]))
        with open(table, encoding="utf-8-sig", newline="") as f:
            rows = list(csv.reader(f))
        column = rows[0].index("[MANUFAC]")
        for i, row in enumerate(rows[1:]):
            row[column] = f"{MANUFAC} table {r} row {i}"
        with open(edited, "w", encoding="utf-8-sig", newline="") as f:
            csv.writer(f, lineterminator="\r\n").writerows(rows)
        os.sync()
        table_s.add(*run([cli, "apply", "--table", edited]))
        replacer.apply(one_s)
    return export_s, check_s, table_s, one_s


# ---------------------------------------------------------------------------------------------
# 2./3. Keyword replacement
#
# Every run works on the files as the previous run left them and writes a [MANUFAC] value of its
# own, so each run rewrites every file and replaces a real file, as in use. Fresh copies per run
# would be cleaner in theory, but on a disk mounted with online discard every freed file costs a
# few milliseconds, so deleting tens of thousands of rewritten copies would take minutes.


class Replacer:
    """The runs over one set of files, with the checks that both tools did the same edit."""

    def __init__(self, cli, folder, paths):
        self.cli = cli
        self.folder = folder
        self.paths = paths
        self.run_number = 0
        self.sample = random.Random(len(paths)).sample(paths, min(64, len(paths)))
        self.other_lines = {p: self.lines_without_manufac(p)[0] for p in self.sample}

    def lines_without_manufac(self, relative):
        with open(os.path.join(self.folder, relative), "rb") as f:
            lines = f.read().split(b"\r\n")
        manufac = [line for line in lines if line.startswith(b"[MANUFAC]")]
        return sorted(line for line in lines if not line.startswith(b"[MANUFAC]")), manufac

    def next_value(self):
        self.run_number += 1
        return f"{MANUFAC} {self.run_number}"

    def check(self, tool, value):
        expected = [f"[MANUFAC] {value}".encode()]
        for relative in self.sample:
            others, manufac = self.lines_without_manufac(relative)
            if manufac != expected or others != self.other_lines[relative]:
                raise BenchError(f"after {tool}, {relative} does not hold the expected lines")

    def apply(self, series, target_folder=False, journal=True):
        value = self.next_value()
        os.sync()
        targets = ["."] if target_folder else self.paths
        options = [] if journal else ["--no-journal"]
        series.add(*run([self.cli, "apply"] + options + ["--manufac", value] + targets, cwd=self.folder))
        self.check("tagmere-cli apply", value)

    def sed(self, series, with_sync=None, target_folder=False):
        value = self.next_value()
        # The files end their lines with CR LF; sed sees the CR as part of the line, so it is put back.
        expression = r"s/^\[MANUFAC\].*$/[MANUFAC] " + value + r"\r/"
        if target_folder:
            cmd = ["find", ".", "-iname", "*.ies", "-exec", "sed", "-i", expression, "{}", "+"]
        else:
            cmd = ["sed", "-i", expression] + self.paths
        os.sync()
        seconds, rss, cpu = run(cmd, cwd=self.folder)
        series.add(seconds, rss, cpu)
        if with_sync is not None:
            with_sync.add(seconds + timed_sync())
        self.check("sed -i", value)


def bench_apply(replacer, repeat):
    """apply (with and without the run journal) and sed -i given the same file list, in turn."""
    apply_s = Series("tagmere-cli apply --manufac X FILES")
    bare_s = Series("tagmere-cli apply --no-journal --manufac X FILES")
    sed_s = Series("sed -i 's/^\\[MANUFAC\\].*/.../' FILES")
    sed_sync = Series("sed -i ... FILES; sync")
    steps = [lambda: replacer.apply(apply_s), lambda: replacer.apply(bare_s, journal=False),
             lambda: replacer.sed(sed_s, sed_sync)]
    for r in range(repeat):
        for step in steps[r % 3:] + steps[:r % 3]:
            step()
    return apply_s, bare_s, sed_s, sed_sync


def bench_apply_folder(replacer, repeat):
    """apply given the folder (it searches itself) against find -exec sed -i."""
    ours = Series("tagmere-cli apply --manufac X DIR")
    theirs = Series("find DIR -iname '*.ies' -exec sed -i ... {} +")
    for r in range(repeat):
        if r % 2 == 0:
            replacer.apply(ours, target_folder=True)
            replacer.sed(theirs, target_folder=True)
        else:
            replacer.sed(theirs, target_folder=True)
            replacer.apply(ours, target_folder=True)
    return ours, theirs


# ---------------------------------------------------------------------------------------------
# Report


def fmt_time(seconds):
    return f"{seconds:8.3f} s"


def fmt_mb(mb):
    return f"{mb:7.1f} MB" if mb is not None else "         -"


def row(series):
    cpu = fmt_time(series.best_cpu) if series.best_cpu is not None else "         -"
    return (f"  {series.label:<52}{fmt_time(series.best)}  {fmt_time(series.median)}  {cpu}  "
            f"{len(series.times):>4}  {fmt_mb(series.peak_mb)}")


def ratio_row(label, ratio, target_text, met):
    verdict = "met" if met else "MISSED"
    return f"  {label:<52}{ratio:8.2f} x    target {target_text:<18} {verdict}"


def cpu_ratio_row(label, ours, theirs):
    if ours.best_cpu is None or not theirs.best_cpu:
        return []
    ratio = ours.best_cpu / theirs.best_cpu
    return [ratio_row(label, ratio, "(for reference)", ratio <= 1.0)]


def discard_note(path):
    """A note when the data's file system discards freed blocks online: freeing the replaced
    files' data then costs milliseconds per file and dominates the replacement wall times."""
    try:
        target = subprocess.run(["df", "--output=target", path], capture_output=True, text=True).stdout.split()[-1]
        with open("/proc/mounts") as mounts:
            for entry in mounts:
                fields = entry.split()
                if len(fields) > 3 and fields[1] == target and "discard" in fields[3].split(","):
                    return (f"note: {target} is mounted with online discard; wall times of the replacement "
                            "runs include freeing the replaced files' data (compare the CPU column)")
    except (OSError, IndexError):
        pass
    return None


def window_bench(program, mode, *args):
    """Runs windowbench offscreen and returns its figures."""
    import json
    env = dict(os.environ, QT_QPA_PLATFORM="offscreen")
    out = subprocess.run([program, mode] + list(args), env=env, capture_output=True, text=True)
    if out.returncode != 0:
        raise BenchError(f"windowbench {mode} failed: {out.stderr.strip()}")
    return json.loads(out.stdout.strip().splitlines()[-1])


def header(title):
    return ["", title, f"  {'':<52}{'best':>10}  {'median':>10}  {'CPU':>10}  {'runs':>4}  {'peak RSS':>10}"]


def main(argv):
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--cli", required=True, help="path of tagmere-cli")
    parser.add_argument("--window", help="path of windowbench (the window's figures)")
    args = parser.parse_args(argv)

    cli = os.path.abspath(args.cli)
    if not os.access(cli, os.X_OK):
        raise BenchError(f"{cli} is not an executable; build it first")
    for tool in ("find", "sed", "cp"):
        if shutil.which(tool) is None:
            raise BenchError(f"{tool} is needed and was not found")

    entries = env_int("BENCH_ENTRIES", 100000)
    files = env_int("BENCH_FILES", 10000)
    small = min(env_int("BENCH_SMALL_FILES", 1000), files)
    repeat = max(1, env_int("BENCH_REPEAT", 3))
    seed = env_int("BENCH_SEED", 63)
    parent = os.environ.get("BENCH_DIR") or None
    if parent:
        os.makedirs(parent, exist_ok=True)

    base = tempfile.mkdtemp(prefix="tagmere-bench.", dir=parent)
    # The run journal on the data's own file system, and never in the user's own journal.
    os.environ["XDG_STATE_HOME"] = os.path.join(base, "state")
    started = time.perf_counter()
    lines = []

    def progress(text):
        print(f"[{time.perf_counter() - started:5.0f} s] {text}", flush=True)

    try:
        fs_type = subprocess.run(["stat", "-f", "-c", "%T", base], capture_output=True, text=True).stdout.strip()
        print(f"tagmere benchmark: {cli}")
        print(f"data in {base} ({fs_type or 'unknown file system'}), {os.cpu_count()} CPUs, seed {seed}")
        note = discard_note(base)
        if note:
            print(note)

        progress(f"making a search tree of {entries:,} entries ...")
        folders, tree_files, _ = make_tree(os.path.join(base, "tree"), entries, seed)
        progress("timing find ...")
        find_ours, find_theirs, found = bench_find(cli, os.path.join(base, "tree"), max(repeat, 5))

        progress(f"writing {files:,} photometric files ...")
        big_folder = os.path.join(base, "files")
        paths = iesgen.write_set(big_folder, files, seed)
        total_bytes = sum(os.path.getsize(os.path.join(big_folder, p)) for p in paths)
        small_folder = os.path.join(base, "files-small")
        small_paths = iesgen.write_set(small_folder, small, seed)  # the first files of the set above
        big = Replacer(cli, big_folder, paths)
        little = Replacer(cli, small_folder, small_paths)

        progress(f"timing apply and sed -i on {files:,} files ...")
        apply_big, bare_big, sed_big, sed_sync_big = bench_apply(big, repeat)
        progress(f"timing apply and sed -i on {small:,} files ...")
        apply_small, _, sed_small, _ = bench_apply(little, repeat)
        progress("timing export against check, and apply --table against apply ...")
        export_s, check_s, table_s, one_s = bench_table(cli, big, base, repeat)
        progress("exporting the search tree (memory) ...")
        tree_export = Series("tagmere-cli export TREE -o FILE")
        tree_export.add(*run([cli, "export", os.path.join(base, "tree"), "-o", os.path.join(base, "tree.csv")]))
        progress("timing apply and find -exec sed -i on the folder ...")
        folder_ours, folder_theirs = bench_apply_folder(big, 1)
        window = None
        if args.window:
            progress("timing the window: search, Bulk run, Stop ...")
            window = {"find": [window_bench(args.window, "find", os.path.join(base, "tree")) for _ in range(repeat)]}
            window["apply"] = []
            for _ in range(repeat):
                value = big.next_value()
                os.sync()
                window["apply"].append(window_bench(args.window, "apply", big_folder, value))
                big.check("the window", value)
            window["stop"] = window_bench(args.window, "stop", big_folder, big.next_value())
        progress(f"timing the header check on {files:,} files ...")
        check_ours, check_printed, check_listing, check_cat = bench_check(cli, big_folder, max(repeat, 5))

        lines += header(f"1. Search: {entries:,} entries ({folders:,} folders, {tree_files:,} files, "
                        f"{found:,} *.ies listed by both)")
        lines += [row(find_ours), row(find_theirs)]
        find_ratio = find_ours.best / find_theirs.best
        lines.append(ratio_row("tagmere-cli find / find (best)", find_ratio, "<= 1.30 x", find_ratio <= 1.3))
        lines += cpu_ratio_row("tagmere-cli find / find (CPU)", find_ours, find_theirs)

        mean_kb = total_bytes / len(paths) / 1024.0
        lines += header(f"2. Replace [MANUFAC]: {files:,} files, {total_bytes / 1048576:.0f} MB "
                        f"(mean {mean_kb:.1f} KB); both write the same lines")
        apply_big.label += " (ends with sync)"
        lines += [row(apply_big), row(sed_big), row(sed_sync_big)]
        apply_ratio = apply_big.best / sed_big.best
        lines.append(ratio_row("apply / sed -i (best)", apply_ratio, "<= 1.00 x", apply_ratio <= 1.0))
        lines.append(ratio_row("apply / (sed -i; sync) (best)", apply_big.best / sed_sync_big.best,
                               "(for reference)", apply_big.best <= sed_sync_big.best))
        lines += cpu_ratio_row("apply / sed -i (CPU)", apply_big, sed_big)
        lines += [row(folder_ours), row(folder_theirs)]
        lines.append(ratio_row("apply DIR / find -exec sed -i (best)", folder_ours.best / folder_theirs.best,
                               "(for reference)", folder_ours.best <= folder_theirs.best))

        lines += header(f"2b. The run journal: apply with it and without it, {files:,} files")
        apply_big.label = "tagmere-cli apply --manufac X FILES"
        lines += [row(apply_big), row(bare_big)]
        cost = apply_big.best / bare_big.best
        lines.append(ratio_row("apply / apply --no-journal (best)", cost, "<= 1.15 x", cost <= 1.15))
        if apply_big.peak_mb is not None:
            lines.append(f"  {'apply with the journal, peak RSS':<52}{apply_big.peak_mb:8.1f} MB"
                         f"   target {'< 16 MB':<18} {'met' if apply_big.peak_mb < 16 else 'MISSED'}")
        lines += header(f"2c. The library as a table: {files:,} files")
        lines += [row(export_s), row(check_s)]
        ratio = export_s.best / check_s.best
        lines.append(ratio_row("export / check (best)", ratio, "<= 1.5 x", ratio <= 1.5))
        lines += [row(table_s), row(one_s)]
        ratio = table_s.best / one_s.best
        lines.append(ratio_row("apply --table / apply one value (best)", ratio, "<= 1.3 x", ratio <= 1.3))
        if tree_export.peak_mb is not None:
            lines.append(f"  {'export of the search tree (' + format(found, ',') + ' .ies files), peak RSS':<52}"
                         f"{tree_export.peak_mb:8.1f} MB   target {'< 32 MB':<18} "
                         f"{'met' if tree_export.peak_mb < 32 else 'MISSED'}")
        lines += header("3. Peak memory of apply (max RSS)")
        apply_small.label = f"tagmere-cli apply, {small:,} files"
        sed_small.label = f"sed -i, {small:,} files"
        apply_big.label = f"tagmere-cli apply, {files:,} files"
        sed_big.label = f"sed -i, {files:,} files"
        lines += [row(apply_small), row(apply_big), row(sed_small), row(sed_big)]
        if apply_big.peak_mb is None or apply_small.peak_mb is None:
            lines.append("  (no /usr/bin/time here: peak memory not measured)")
        else:
            growth = apply_big.peak_mb / apply_small.peak_mb
            lines.append(ratio_row(f"apply RSS {files:,} / {small:,} files", growth, "~1 x", growth <= 1.25))
            lines.append(f"  {'apply peak RSS at ' + format(files, ',') + ' files':<52}{apply_big.peak_mb:8.1f} MB"
                         f"   target {'< 50 MB':<18} {'met' if apply_big.peak_mb < 50 else 'MISSED'}")
            if files > small:
                per_file = (apply_big.peak_mb - apply_small.peak_mb) * 1024.0 / (files - small)
                lines.append(f"  (growth {per_file:.2f} KB per added file, against {mean_kb:.1f} KB of data per file)")
        lines += header(f"4. Header check while listing: {files:,} files")
        lines += [row(check_listing), row(check_ours), row(check_printed), row(check_cat)]
        extra_ms = (check_ours.best - check_listing.best) * 1000.0 / files
        lines.append(f"  {'check cost per listed file':<52}{extra_ms:8.3f} ms")
        for series, label in ((check_ours, "check --quiet / cat (best)"), (check_printed, "check / cat (best)")):
            ratio = series.best / check_cat.best
            lines.append(ratio_row(label, ratio, "<= 1.5 x", ratio <= 1.5))
        lines += cpu_ratio_row("check --quiet / cat (CPU)", check_ours, check_cat)
        if folder_ours.peak_mb is not None:
            lines.append(f"  (apply DIR peak RSS at {files:,} files: {folder_ours.peak_mb:.1f} MB)")
        if find_ours.peak_mb is not None:
            lines.append(f"  (search, {entries:,} entries: tagmere-cli find {find_ours.peak_mb:.1f} MB, "
                         f"find {find_theirs.peak_mb:.1f} MB)")
        if window:
            lines += header("5. The window, offscreen (windowbench)")
            best_find = min(window["find"], key=lambda f: f["seconds"])
            lines.append(f"  {'search, ' + format(best_find['found'], ',') + ' files shown':<52}"
                         f"{fmt_time(best_find['seconds'])}   target {'<= 1 s':<18} "
                         f"{'met' if best_find['seconds'] <= 1.0 else 'MISSED'}")
            lines.append(f"  {'  (tagmere-cli find on the same tree)':<52}{fmt_time(find_ours.best)}")
            grown = max(f["after_mb"] - f["idle_mb"] for f in window["find"])
            lines.append(f"  {'memory above the idle window (' + format(best_find['idle_mb'], '.0f') + ' MB)':<52}"
                         f"{grown:8.1f} MB   target {'<= 30 MB':<18} {'met' if grown <= 30 else 'MISSED'}")
            best_apply = min(f["seconds"] for f in window["apply"])
            lines.append(f"  {'Bulk run, ' + format(window['apply'][0]['reported'], ',') + ' files':<52}"
                         f"{fmt_time(best_apply)}")
            lines.append(f"  {'  (tagmere-cli apply on the same files)':<52}{fmt_time(apply_big.best)}")
            ratio = best_apply / apply_big.best
            lines.append(ratio_row("window Bulk run / tagmere-cli apply (best)", ratio, "<= 1.20 x", ratio <= 1.2))
            updates = min(f["dialog_updates"] for f in window["apply"])
            lines.append(f"  {'progress dialog updates during the run':<52}{updates:8d}")
            stop = window["stop"]
            stopped = 0 <= stop["reported"] < stop["found"] and stop["reported"] <= stop["done_at_stop"] + 1
            lines.append(f"  {'Stop pressed after file ' + str(stop['done_at_stop']):<52}"
                         f"{stop['reported']:8d} files written of {stop['found']:,}   "
                         f"{'stopped' if stopped else 'DID NOT STOP'}")
    finally:
        progress("removing the data ...")
        shutil.rmtree(base, ignore_errors=True)

    print("\n".join(lines))
    print(f"\nbest, median: wall clock over the runs; CPU: least user+system time of a run. Targets are for "
          f"reading, not enforced. Total {time.perf_counter() - started:.0f} s.")
    return 0


if __name__ == "__main__":
    try:
        sys.exit(main(sys.argv[1:]))
    except BenchError as error:
        print(f"bench: {error}", file=sys.stderr)
        sys.exit(1)
    except KeyboardInterrupt:
        sys.exit(130)
