#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""The built window program on the command line, where it must never open a window:
without a display, with an unknown option or two files it says why and exits 1 (never a
crash); --help and --version answer without a display.
Usage: commandline.py TAGMERE VERSION"""
import os
import subprocess
import sys
import tempfile

NO_DISPLAY = ("tagmere: no display to open the window on (DISPLAY and WAYLAND_DISPLAY are unset); "
              "use tagmere-cli for scripts\n")
TRY_HELP = "Try 'tagmere --help' for more information.\n"


def main():
    program, version = sys.argv[1], sys.argv[2]
    failures = 0
    with tempfile.TemporaryDirectory() as home:
        base = {k: v for k, v in os.environ.items() if k not in ("DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM")}
        base.update(HOME=home, XDG_CONFIG_HOME=f"{home}/config", XDG_DATA_HOME=f"{home}/data",
                    XDG_STATE_HOME=f"{home}/state", XDG_RUNTIME_DIR=home, LC_ALL="C.UTF-8")
        lamp = os.path.join(home, "lamp.ies")
        with open(lamp, "w") as f:
            f.write("IESNA:LM-63-2002\r\nTILT=NONE\r\n")
        offscreen = {"QT_QPA_PLATFORM": "offscreen"}
        # name, arguments, environment over `base`, exit status, standard output, standard error
        # (a string ending in "\n" is the whole text, any other a part of it)
        cases = [
            ("no display", [], {}, 1, "", NO_DISPLAY),
            ("no display, QT_QPA_PLATFORM empty", [], {"QT_QPA_PLATFORM": ""}, 1, "", NO_DISPLAY),
            ("no display, a file", [lamp], {}, 1, "", NO_DISPLAY),
            ("no display, an unknown option", ["--no-such-option"], {}, 1, "", "tagmere: "),
            ("a display that cannot be reached", [], {"QT_QPA_PLATFORM": "xcb", "DISPLAY": ":"}, 1, "",
             "tagmere: the window cannot be opened; use tagmere-cli for scripts\n"),
            ("an unknown option", ["--no-such-option"], offscreen, 1, "",
             "tagmere: Unknown option 'no-such-option'.\n" + TRY_HELP),
            ("an unknown short option", ["-x", lamp], offscreen, 1, "", "tagmere: Unknown option 'x'.\n" + TRY_HELP),
            ("two files", [lamp, lamp], offscreen, 1, "", "tagmere: one file at most\n" + TRY_HELP),
            ("--help without a display", ["--help"], {}, 0, "Usage: ", ""),
            ("--help names the file", ["--help"], {}, 0, "[options] [file]\n", ""),
            ("--version without a display", ["--version"], {}, 0, f"Tagmere {version}\n", ""),
        ]
        for name, args, env, status, out, err in cases:
            try:
                done = subprocess.run([program, *args], env={**base, **env}, capture_output=True, text=True,
                                      timeout=60)
            except subprocess.TimeoutExpired:
                print(f"FAIL {name}: still running after 60 s (a window opened?)")
                failures += 1
                continue
            # Qt's own lines (the platform plugin's complaint) may come first.
            stderr_end = done.stderr[-len(err):] if err.endswith("\n") else done.stderr
            problems = []
            if done.returncode != status:
                problems.append(f"exit status {done.returncode}, expected {status}")
            if out and out not in done.stdout:
                problems.append(f"standard output lacks {out!r}")
            if err.endswith("\n") and stderr_end != err or not err.endswith("\n") and err not in done.stderr:
                problems.append(f"standard error is not {err!r}")
            if status and done.stdout:
                problems.append("a refusal printed on standard output")
            if problems:
                print(f"FAIL {name}: {'; '.join(problems)}\n  stdout: {done.stdout!r}\n  stderr: {done.stderr!r}")
                failures += 1
            else:
                print(f"ok   {name}")
    if failures:
        print(f"{failures} case(s) failed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
