#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""The command-line contract, run against any tagmere-cli binary.

    contract.py [--wine WINE] BINARY [VERSION]

Each case lays out files in a fresh folder, runs the binary and compares exit code,
standard output, standard error and the files afterwards. "{name}" in arguments and
expected texts stands for that name in the case's folder, written the way the binary's
system writes paths (Z:\\... with backslashes under wine). The Linux build and the
Windows build under wine run the same table, so they cannot drift apart; a second,
short table covers what only Windows has.
"""
import os
import re
import subprocess
import sys
import tempfile

SAMPLE = b"IESNA:LM-63-2002\r\n[TEST] T1\r\n[MANUFAC] Old\r\nTILT=NONE\r\n1 2 3\r\n"
APPLIED = (b"IESNA:LM-63-2002\r\n[MANUFAC] ACME\r\n[_SEARCH_SOURCETYPE] LED\r\n"
           b"[_SEARCH_CRI] 70-80\r\n[TESTLAB] ACME LABS\r\nTILT=NONE\r\n1 2 3\r\n")
WITH_X = SAMPLE.replace(b"[MANUFAC] Old", b"[MANUFAC] X")
LF = SAMPLE.replace(b"\r\n", b"\n")
SAME = b"IESNA:LM-63-2002\r\n[MANUFAC] X\r\nTILT=NONE\r\n"
REPORT_X = "The following Keyword(s) were modified in (2) file(s):\n\n[MANUFAC]\n"
SUMMARY = "tagmere-cli: {} written, 0 unchanged, {} refused, 0 failed\n"
with open(os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "data", "ies",
                       "1a936937a49c63374e6d4fbed9252b29.ies"), "rb") as sample:
    REAL = sample.read()
DATA = b"TILT=NONE\r\n1 -1 1 2 1 1 2 0 0 0\r\n1 1 10\r\n0 90\r\n0\r\n100 50\r\n"
CHECKED = {"lib/clean.ies": b"IESNA:LM-63-1995\r\n[DATE] D\r\n" + DATA, "lib/warn.ies": b"IESNA:LM-63-1995\n[TEST] T\n" + DATA,
           "bad.ies": b"IESNA:LM-63-2002\r\n[TEST] T\r\n[TESTLAB] L\r\n[MANUFAC] M\r\n" + DATA[:-4]}

USAGE_ERRORS = [
    [], ["frob"], ["apply", "--frob", "x"], ["apply", "--manufac"], ["apply", "--source-type", "led", "x.ies"],
    ["find"], ["apply", "--set", "no bracket", "x.ies"], ["apply", "--remove", "[A] x", "x.ies"],
    ["apply", "--manufac", "--dry-run", "x.ies"], ["apply", "--manufac", "X"], ["apply", "--dry-run", "x.ies"],
    ["apply", "--set", "[ x", "x.ies"], ["apply", "--set", "[MORE] x", "x.ies"], ["apply", "--remove", "[MORE]", "x.ies"],
    ["apply", "--set", "[A B] x", "x.ies"], ["check", "--frob"], ["check", "--format=xml", "x.ies"],
    ["undo", "x"], ["undo", "1", "2"], ["undo", "--keep", "0"], ["undo", "--list", "3"],
    ["apply", "--keep", "many", "--manufac", "X", "x.ies"], ["apply", "--keep", "10001", "--manufac", "X", "x.ies"],
    ["apply", "--table", "t.csv", "x.ies"], ["apply", "--table", "t.csv", "--manufac", "X"], ["export"],
    ["export", "--format=xml", "x.ies"],
]

# name, files before, arguments, exit code, and what is expected: out / err (exact),
# err_start / out_start (prefix), err_has / out_has (a text or texts it holds), after (files afterwards).
CASES = [
    dict(name="find lists in found order",
         files={"lib/a.ies": SAMPLE, "lib/B.IES": SAMPLE, "lib/X/x.ies": SAMPLE, "lib/Y/y.Ies": SAMPLE,
                "lib/Y/notes.txt": SAMPLE, "lib/.hidden.ies": SAMPLE, "lib/x.ies.bak": SAMPLE},
         args=["find", "{lib}"], code=0, err="",
         out="{lib/Y/y.Ies}\n{lib/X/x.ies}\n{lib/a.ies}\n{lib/B.IES}\n"),
    dict(name="find in an empty folder", files={"empty/readme.txt": b"x"}, args=["find", "{empty}"], code=0,
         out="", err=""),
    dict(name="find in a missing folder", args=["find", "{nope}"], code=2, out="",
         err="tagmere-cli: no such folder: {nope}\n"),
    dict(name="version", args=["--version"], code=0, out="tagmere-cli {version}\n"),
    *[dict(name=c + " --help", args=[c, "--help"], code=0, out_start="usage: tagmere-cli " + c)
      for c in ("find", "show", "apply", "check", "undo", "export")],
    *[dict(name="usage error: " + " ".join(a), args=a, code=2, out="", err_has="usage:") for a in USAGE_ERRORS],
    dict(name="apply reports and writes", files={"lib/a.ies": SAMPLE, "lib/sub/b.ies": SAMPLE, "lib/sub/c.ies": SAMPLE},
         args=["apply", "--manufac", " ACME ", "--source-type", "LED", "--cri", "70-80", "--set",
               "[TESTLAB] ACME LABS", "--remove", "[TEST]", "{lib}"],
         code=0, err=SUMMARY.format(3, 0),
         out="The following Keyword(s) were modified in (3) file(s):\n\n[MANUFAC]\n"
             "[_SEARCH_SOURCETYPE]\n[_SEARCH_CRI]\n[TESTLAB]\n[TEST]- Removed\n",
         after={"lib/a.ies": APPLIED, "lib/sub/b.ies": APPLIED, "lib/sub/c.ies": APPLIED}),
    dict(name="a bad value touches nothing", files={"f.ies": SAMPLE},
         args=["apply", "--manufac", "X", "--cri", "80-70", "{f.ies}"], code=2, out="",
         err_start="[_SEARCH_CRI] must be a number > 0", err_has="\n\n Examples:\n", after={"f.ies": SAMPLE}),
    dict(name="apply a saved list: its ticked values written, a ticked keyword without one removed",
         files={"f.ies": SAMPLE, "my.txt": b"[_MOUNTING], 1\r\nRecessed\r\nPendant\r\n[_DIMMING], 0\r\nDALI\r\n"
                                           b"<SelectedValues>\r\n[_MOUNTING]\r\nPendant\r\n[_DIMMING]\r\n"},
         args=["apply", "--list", "{my.txt}", "{f.ies}"], code=0,
         out="The following Keyword(s) were modified in (1) file(s):\n\n[_DIMMING]- Removed\n[_MOUNTING]\n",
         after={"f.ies": SAMPLE.replace(b"TILT", b"[_MOUNTING] Pendant\r\nTILT")}),
    dict(name="apply a list that is missing", files={"f.ies": SAMPLE}, args=["apply", "--list", "{my.txt}", "{f.ies}"],
         code=2, out="", after={"f.ies": SAMPLE}),
    dict(name="colour temperature stops with 3", files={"f.ies": SAMPLE},
         args=["apply", "--manufac", "X", "--color-temp", "K4000", "{f.ies}"], code=3, out="",
         err_start="Invalid [_SEARCH_COLORTEMP] value", after={"f.ies": SAMPLE}),
    dict(name="an unreadable file goes on with 1", files={"good.ies": SAMPLE},
         args=["apply", "--manufac", "X", "{gone.ies}", "{good.ies}"], code=1,
         err_start="Unable to read file: ", out_start="The following Keyword(s) were modified in (2) file(s):",
         after={"good.ies": WITH_X}),
    dict(name="an empty folder writes nothing", files={"empty/readme.txt": b"x"},
         args=["apply", "--manufac", "X", "{empty}"], code=0, out="", err=SUMMARY.format(0, 0)),
    dict(name="dry run: the line-end note and the changed keyword line of an LF file",
         files={"f.ies": LF, "same.ies": SAME},
         args=["apply", "--dry-run", "--manufac", "X", "{f.ies}", "{same.ies}"], code=0,
         out="line ends become CR LF\n--- {f.ies}\n+++ {f.ies}\n@@ -1,5 +1,5 @@\n IESNA:LM-63-2002\n [TEST] T1\n"
             "-[MANUFAC] Old\n+[MANUFAC] X\n TILT=NONE\n 1 2 3\n" + REPORT_X, after={"f.ies": LF}),
    dict(name="dry run, exact: every line of an LF file", files={"f.ies": LF, "same.ies": SAME},
         args=["apply", "--dry-run=exact", "--manufac", "X", "{f.ies}", "{same.ies}"], code=0,
         out="--- {f.ies}\n+++ {f.ies}\n@@ -1,5 +1,5 @@\n-IESNA:LM-63-2002\n-[TEST] T1\n-[MANUFAC] Old\n-TILT=NONE\n-1 2 3\n"
             "+IESNA:LM-63-2002\r\n+[TEST] T1\r\n+[MANUFAC] X\r\n+TILT=NONE\r\n+1 2 3\r\n" + REPORT_X, after={"f.ies": LF}),
    dict(name="dry run with a value other than exact", files={"f.ies": LF},
         args=["apply", "--dry-run=diff", "--manufac", "X", "{f.ies}"], code=2, out="",
         err_start="tagmere-cli: unknown value of --dry-run: diff", after={"f.ies": LF}),
    dict(name="show prints the panel and the list's marks",
         files={"f.ies": b"IESNA:LM-63-2002\r\n[_SEARCH_CRI] 70\r\n[MANUFAC]  ACME \r\n[_SEARCH_SOURCETYPE] led\r\n"
                         b"[LAMPCAT] wall, Pendant\r\n[MORE] ceiling\r\n[_SEARCH_CRI] 80\r\nTILT=NONE\r\n",
                "l.txt": b"[LAMPCAT], 0\r\nWALL\r\nCEILING\r\n[_MOUNTING], 0\r\nRECESSED\r\n"},
         args=["show", "{f.ies}", "--list", "{l.txt}"], code=0,
         out="[MANUFAC]\tACME\n[_SEARCH_SOURCETYPE]\tLED\n[_SEARCH_CRI]\t80\n0\t1\t[LAMPCAT]\n0\t2\tWALL\n0\t3\tCEILING\n"),
    dict(name="show of a missing file", args=["show", "{gone.ies}"], code=1, out=""),
    dict(name="show --photometry", files={"s.ies": REAL}, args=["show", "--photometry", "{s.ies}"], code=0,
         out_has=["photometric-type\tC\t\n", "max-intensity\t14635.2\tcd\n", "opening-shape\tround\t\n", "opening-width\t0.092\tm\n",
                  "efficiency\t\t%\n"]),
    dict(name="show --photometry as JSON", files={"s.ies": REAL}, args=["show", "--photometry", "--format=json", "{s.ies}"],
         code=0, out_start='{"path":', out_has=['"flux":2437.5,', '"efficiency":null,']),
    dict(name="check: warnings only exit with 0", files=CHECKED, args=["check", "{lib}"], code=0,
         out="{lib/warn.ies}:3: line-ends warning: mixed line ends: CR LF here, LF on the lines before\n"
             "2 file(s) checked, 0 with errors\n"),
    dict(name="check: an error exits with 1", files=CHECKED, args=["check", "{lib}", "{bad.ies}"], code=1,
         out_has=["{bad.ies}:5: missing-keyword error: required keyword [ISSUEDATE] is missing (LM-63-2002)\n",
                  "{bad.ies}:10: data-truncated error: ", "3 file(s) checked, 1 with errors\n"]),
    dict(name="check --quiet prints the summary only", files=CHECKED,
         args=["check", "--quiet", "{lib}", "{bad.ies}", "{gone.ies}"], code=1, out="4 file(s) checked, 2 with errors\n"),
]

def table(rows):
    """A table file in the case's folder whose rows name files below its lib: (path, [MANUFAC] cell)."""
    def make(root):
        with open(os.path.join(root, "t.csv"), "w", newline="") as f:
            f.write("folder,path,identity,[MANUFAC]\r\n")
            for path, cell in rows:
                f.write('"%s","%s",1:0000000000000000:00000000,%s\r\n' % (os.path.join(root, "lib"), path, cell))
    return make


# Export and apply --table through the command line; what the table proves is in test_table.
TABLE_CASES = [
    dict(name="export: a row per file, a column per keyword, then the figures",
         files={"lib/a.ies": SAMPLE, "lib/sub/b.ies": REAL}, args=["export", "{lib}"], code=0, err="",
         out_start="\ufefffolder,path,identity,version,errors,warnings,first error,[TEST],",
         out_has=[",[MANUFAC],", ",flux (lm),", "\r\n", ",a.ies,", "LM-63-2002", ",2437.5,14635.2,"]),
    dict(name="export as JSON lines", files={"lib/a.ies": SAMPLE}, args=["export", "--format=json", "{lib}"], code=0,
         out_has=['"path":"a.ies"', '"[TEST]":"T1","[MANUFAC]":"Old"']),
    dict(name="an unedited export applied back writes nothing", files={"lib/a.ies": LF, "lib/sub/b.ies": REAL},
         first=[["export", "{lib}", "-o", "{t.csv}"]], args=["apply", "--table", "{t.csv}"], code=0,
         err="tagmere-cli: 0 written, 2 unchanged, 0 refused, 0 failed\n", after={"lib/a.ies": LF}),
    dict(name="a row whose path climbs out of its folder, and a missing file, are refused",
         files={"lib/a.ies": SAMPLE, "f.ies": SAMPLE}, make=table([("../f.ies", "X"), ("gone.ies", "X")]),
         args=["apply", "--table", "{t.csv}"], code=1,
         err_has=["row 2: its path lies outside its folder", "row 3: the file is missing", "0 written, 0 unchanged, 2 refused"],
         after={"f.ies": SAMPLE}),
    dict(name="a table that is not an export is refused whole", files={"t.csv": b"name,value\r\na,b\r\n"},
         args=["apply", "--table", "{t.csv}"], code=2, err_has="not an export of this program"),
]

# What only Windows has. `attrib` sets attributes through wine before the run.
WINDOWS_CASES = [
    dict(name="hidden and system files and folders are left out",
         files={"lib/a.ies": SAMPLE, "lib/h.ies": SAMPLE, "lib/s.ies": SAMPLE, "lib/hid/c.ies": SAMPLE,
                "lib/sys/d.ies": SAMPLE},
         attrib=[("+h", "lib/h.ies"), ("+s", "lib/s.ies"), ("+h", "lib/hid"), ("+s", "lib/sys")],
         args=["find", "{lib}"], code=0, out="{lib/a.ies}\n", err=""),
    dict(name="the read-only attribute protects a file", files={"lib/a.ies": SAMPLE, "lib/ro.ies": SAMPLE},
         attrib=[("+r", "lib/ro.ies")], args=["apply", "--manufac", "X", "{lib}"],
         err_has="1 written, 0 unchanged, 1 refused", after={"lib/a.ies": WITH_X, "lib/ro.ies": SAMPLE}),
    dict(name="a name with non-ASCII characters", files={"lib/Lüster Ø.ies": SAMPLE},
         args=["apply", "--manufac", "X", "{lib}"], code=0, err=SUMMARY.format(1, 0),
         after={"lib/Lüster Ø.ies": WITH_X}),
    dict(name="a folder target with a non-ASCII name", files={"Lumières-ü/sub/a.ies": SAMPLE},
         args=["apply", "--manufac", "X", "{Lumières-ü}"], code=0, err=SUMMARY.format(1, 0),
         after={"Lumières-ü/sub/a.ies": WITH_X}),
    dict(name="a backup folder with a non-ASCII name", files={"lib/sub/a.ies": SAMPLE},
         args=["apply", "--manufac", "X", "--backup", "{Sicherung-ü}", "{lib}"], code=0, err=SUMMARY.format(1, 0),
         after={"lib/sub/a.ies": WITH_X, "Sicherung-ü/sub/a.ies": SAMPLE}),
    dict(name="find prints a non-ASCII name as UTF-8", files={"lib/Lüster Ø.ies": SAMPLE},
         args=["find", "{lib}"], code=0, out="{lib/Lüster Ø.ies}\n"),
    dict(name="a path longer than 260 characters", files={"lib/" + "/".join(["f" * 40] * 6) + "/long.ies": SAMPLE},
         args=["apply", "--manufac", "X", "{lib}"], code=0, err=SUMMARY.format(1, 0),
         after={"lib/" + "/".join(["f" * 40] * 6) + "/long.ies": WITH_X}),
    dict(name="a drive-rooted path", files={"lib/a.ies": SAMPLE}, args=["find", "{/lib}"], code=0,
         out="{/lib/a.ies}\n"),
]


def deep_folder(root):
    """lib/a.ies, and below lib a file in a folder whose path is longer than the system allows."""
    fd = os.open(os.path.join(root, "lib"), os.O_RDONLY)
    for _ in range(20):
        os.mkdir("d" * 250, dir_fd=fd)
        deeper = os.open("d" * 250, os.O_RDONLY, dir_fd=fd)
        os.close(fd)
        fd = deeper
    with open(os.open("deep.ies", os.O_WRONLY | os.O_CREAT, 0o644, dir_fd=fd), "wb") as f:
        f.write(SAMPLE)
    os.close(fd)


LINE_ENDS = b"IESNA:LM-63-2002\r\nTILT=NONE\r\n" + b"\n" * (60 << 20)

def write(name, data):
    def step(root):
        with open(os.path.join(root, name), "wb") as f:
            f.write(data)
    return step


def remove(name):
    return lambda root: os.remove(os.path.join(root, name))


APPLY_X = ["apply", "--manufac", "X", "{lib}"]
TWO = {"lib/a.ies": SAMPLE, "lib/sub/b.ies": SAMPLE}
# Undo through the command line; the cases of what undo proves are in test_undo.
UNDO_CASES = [
    dict(name="undo restores every file of the newest run", files=TWO, first=[APPLY_X], args=["undo"], code=0,
         out_has=["restored {lib/a.ies}\n", "restored {lib/sub/b.ies}\n"], err_has="\ntagmere-cli: 2 restored\n",
         after=TWO),
    dict(name="undo --dry-run restores nothing", files=TWO, first=[APPLY_X], args=["undo", "--dry-run", "1"], code=0,
         out_has="would restore {lib/a.ies}\n", after={"lib/a.ies": WITH_X}),
    dict(name="undo --list: newest first, with what each run did",
         files=TWO, first=[APPLY_X, ["apply", "--manufac", "Y", "{lib/a.ies}"]], args=["undo", "--list"], code=0,
         out_has=["kB  tagmere-cli apply --manufac Y {lib/a.ies}\n     1  ", "kB  tagmere-cli apply --manufac X {lib}\n2 runs, "]),
    dict(name="a file changed since the run is left as it is, exit 1", files=TWO,
         first=[(APPLY_X, write("lib/a.ies", b"mine"))], args=["undo"], code=1,
         err_has="Not restored: {lib/a.ies}: it changed since the run", after={"lib/a.ies": b"mine", "lib/sub/b.ies": SAMPLE}),
    dict(name="a run that stops before any file leaves no run for undo to pick", files=TWO,
         first=[APPLY_X, ["apply", "--manufac", "Y", "{nope}"]], args=["undo"], code=0, err_has="2 restored",
         after=TWO),
    dict(name="a file a run met twice, replaced once, is undone once and cleanly", files=TWO,
         first=[["apply", "--manufac", "X", "{lib}", "{lib/a.ies}"]], args=["undo"], code=0,
         err_has="(2 files)", after=TWO),
    dict(name="apply --no-journal leaves nothing to undo", files=TWO,
         first=[["apply", "--no-journal", "--manufac", "X", "{lib}"]], args=["undo"], code=2, err_has="holds no run",
         after={"lib/a.ies": WITH_X}),
    dict(name="--keep 1 keeps the newest run only", files=TWO,
         first=[APPLY_X, ["apply", "--keep", "1", "--manufac", "Y", "{lib}"]], args=["undo", "--list"], code=0,
         out_has=["     2  ", "\n1 run, "]),
    dict(name="--keep takes up to 10000 runs", files=TWO, args=["apply", "--keep", "10000", "--manufac", "X", "{lib}"],
         code=0, after={"lib/a.ies": WITH_X}),
    dict(name="a journal that cannot be written stops the run before anything changes", files=TWO,
         make=write(".state", b"a file where the journal's folder should be"), args=APPLY_X, code=4,
         err_has="run journal", after=TWO),
]

# What the POSIX build must hold under hostile conditions. `limits` are resource limits for
# the run, `stdout` a file its output goes to, `make` lays out more, `rss_mb` bounds the
# peak memory of the run.
POSIX_CASES = [
    dict(name="a folder deeper than the path limit is named, and the run exits 1", files={"lib/a.ies": SAMPLE},
         make=deep_folder, args=["find", "{lib}"], code=1, out="{lib/a.ies}\n",
         err_has=["tagmere-cli: cannot read folder ", "File name too long; its files were skipped\n"]),
    dict(name="apply under a limit of 12 open files writes every file",
         files={"lib/%03d.ies" % i: SAMPLE for i in range(200)}, limits={"RLIMIT_NOFILE": 12},
         args=["apply", "--manufac", "X", "{lib}"], code=0, err=SUMMARY.format(200, 0),
         after={"lib/%03d.ies" % i: WITH_X for i in range(200)}),
    dict(name="find into a full device exits 1", files={"lib/a.ies": SAMPLE}, stdout="/dev/full",
         args=["find", "{lib}"], code=1, err="tagmere-cli: cannot write standard output\n"),
    dict(name="a keyword list over 2 MB is refused", files={"f.ies": SAMPLE, "big.txt": b"[_A], 0\r\nx\r\n" * (300 << 10)},
         args=["apply", "--list", "{big.txt}", "{f.ies}"], code=2, err_has="larger than 2 MB", after={"f.ies": SAMPLE}),
    dict(name="check of a 60 MB file of line ends in bounded memory", files={"big.ies": LINE_ENDS}, rss_mb=400,
         args=["check", "--quiet", "{big.ies}"], code=1, out="1 file(s) checked, 1 with errors\n"),
    dict(name="apply to a 60 MB file of line ends in bounded memory", files={"big.ies": LINE_ENDS}, rss_mb=400,
         args=["apply", "--manufac", "X", "{big.ies}"], code=0, err=SUMMARY.format(1, 0)),
]


class Runner:
    def __init__(self, binary, wine, version):
        self.binary = os.path.abspath(binary)
        self.wine = wine
        self.version = version

    def native(self, root, name):
        """`name` in the case's folder as the binary's system writes it; a leading "/"
        asks for the drive-rooted form (no drive letter) under wine."""
        rooted = name.startswith("/")
        path = os.path.join(root, name.lstrip("/")) if name.strip("/") else root
        if not self.wine:
            return path
        return ("" if rooted else "Z:") + path.replace("/", "\\")

    def expand(self, root, text):
        return re.sub(r"\{([^{}]*)\}",
                      lambda m: self.version if m.group(1) == "version" else self.native(root, m.group(1)), text)

    def run(self, args, limits=None, stdout=None, state=None):
        command = ([self.wine] if self.wine else []) + [self.binary] + args
        # Each case keeps its own run journal, so undo sees only the case's runs.
        env = dict(os.environ, XDG_STATE_HOME=state) if state else None

        def limit():
            import resource
            for name, value in (limits or {}).items():
                resource.setrlimit(getattr(resource, name), (value, value))

        if stdout:
            with open(stdout, "wb") as sink:
                p = subprocess.run(command, stdout=sink, stderr=subprocess.PIPE, timeout=120, preexec_fn=limit, env=env)
            return p.returncode, "", p.stderr.decode("utf-8", "replace")
        p = subprocess.run(command, capture_output=True, timeout=120, preexec_fn=limit if limits else None, env=env)
        return p.returncode, p.stdout.decode("utf-8", "replace"), p.stderr.decode("utf-8", "replace")

    def case(self, case):
        with tempfile.TemporaryDirectory(prefix="tagmere-contract-") as root:
            for name, data in case.get("files", {}).items():
                path = os.path.join(root, name)
                os.makedirs(os.path.dirname(path), exist_ok=True)
                with open(path, "wb") as f:
                    f.write(data)
            for flag, name in case.get("attrib", []):
                r = subprocess.run([self.wine, "attrib", flag, self.native(root, name)], capture_output=True)
                if r.returncode != 0:
                    return "SKIP", "attrib %s failed under wine: %s" % (flag, r.stderr.decode(errors="replace"))
            if "make" in case:
                case["make"](root)
            state = os.path.join(root, ".state")
            # Runs before the one checked, each with a step between (a file changed by hand).
            for first in case.get("first", []):
                args, between = first if isinstance(first, tuple) else (first, None)
                self.run([self.expand(root, a) for a in args], state=state)
                if between:
                    between(root)
            code, out, err = self.run([self.expand(root, a) for a in case["args"]], case.get("limits"),
                                      case.get("stdout"), state=state)
            problems = []
            if "rss_mb" in case:
                import resource
                # The largest child so far: the cases before this one are all small.
                peak = resource.getrusage(resource.RUSAGE_CHILDREN).ru_maxrss // 1024
                if peak > case["rss_mb"]:
                    problems.append("peak memory %d MB, more than %d MB" % (peak, case["rss_mb"]))
            if "code" in case and code != case["code"]:
                problems.append("exit code %d, expected %d" % (code, case["code"]))
            for stream, text in (("out", out), ("err", err)):
                if stream in case and text != self.expand(root, case[stream]):
                    problems.append("std%s %r, expected %r" % (stream, text, self.expand(root, case[stream])))
                if stream + "_start" in case and not text.startswith(self.expand(root, case[stream + "_start"])):
                    problems.append("std%s %r does not start with %r" % (stream, text, case[stream + "_start"]))
                has = case.get(stream + "_has", [])
                for part in [has] if isinstance(has, str) else has:
                    if self.expand(root, part) not in text:
                        problems.append("std%s %r lacks %r" % (stream, text, part))
            for name, data in case.get("after", {}).items():
                path = os.path.join(root, name)
                if not os.path.isfile(path):
                    problems.append(name + " is missing")
                    continue
                with open(path, "rb") as f:
                    if f.read() != data:
                        problems.append(name + " does not hold what it should")
            # Leave nothing read-only behind for the cleanup (a path too long is removed below).
            if "make" in case:
                subprocess.run(["rm", "-rf", root])
                os.makedirs(root)
            for dirpath, _, names in os.walk(root):
                for n in names:
                    os.chmod(os.path.join(dirpath, n), 0o644)
            return ("FAIL", "; ".join(problems)) if problems else ("PASS", "")


def main():
    args = sys.argv[1:]
    wine = None
    if args[:1] == ["--wine"]:
        wine, args = args[1], args[2:]
    if not args:
        sys.exit(__doc__)
    runner = Runner(args[0], wine, args[1] if len(args) > 1 else "0.2.0")
    failed = 0
    cases = CASES + TABLE_CASES + (WINDOWS_CASES if wine else POSIX_CASES + UNDO_CASES)
    for case in cases:
        verdict, why = runner.case(case)
        print("%-4s %s%s" % (verdict, case["name"], ": " + why if why else ""))
        failed += verdict == "FAIL"
    print("%d case(s), %d failed" % (len(cases), failed))
    sys.exit(1 if failed else 0)


if __name__ == "__main__":
    main()
