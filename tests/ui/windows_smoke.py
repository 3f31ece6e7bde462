#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""The real Windows window under wine, as a user meets it: a fresh profile, a search of a
folder of sample files, a click on one, a screenshot.

usage: windows_smoke.py --wine WINE --wineserver WINESERVER TAGMERE_EXE FORM_UI SCREENSHOT_PNG

Clicks land where the form puts the controls (read from FORM_UI, so they follow the form).
Passes when the found list fills after Search, the click opens the file (its View / Edit
window appears) and the Miscellaneous panel shows the file's [MANUFAC] value; prints
"skipped: ..." and exits 0 when Xvfb, xdotool or ImageMagick is missing."""

import argparse
import os
import shutil
import subprocess
import sys
import tempfile
import time
import xml.etree.ElementTree as ET

SAMPLE = ("IESNA:LM-63-2002\r\n[TEST] SMOKE-{n}\r\n[TESTLAB] Test lab\r\n[ISSUEDATE] 07/12/2026\r\n"
          "[MANUFAC] ACME LIGHTING WORKS {n}\r\n[LUMCAT] CAT-{n}\r\n[_SEARCH_CRI] 9{n}\r\n"
          "[_SEARCH_COLORTEMP] 3000\r\nTILT=NONE\r\n1 1000 1 3 1 1 2 0.5 0.5 0\r\n1 1 30\r\n"
          "0 45 90\r\n0\r\n800 500 100\r\n")


def form_positions(form):
    """Each control's top-left within the window, summed up its chain of parents."""
    tree = ET.parse(form)
    root = tree.getroot().find("widget")
    places = {}

    def walk(widget, x, y):
        rect = widget.find("property[@name='geometry']/rect")
        if widget is root:
            places["window"] = (0, 0, int(rect.find("width").text), int(rect.find("height").text))
        elif rect is not None:
            x += int(rect.find("x").text)
            y += int(rect.find("y").text)
            places[widget.get("name")] = (x, y, int(rect.find("width").text), int(rect.find("height").text))
        for child in widget.findall("widget"):
            walk(child, x, y)

    walk(root, 0, 0)
    return places


def run(args, env, **kw):
    return subprocess.run(args, env=env, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True, **kw)


def wait_for_window(name, env, seconds):
    end = time.time() + seconds
    while time.time() < end:
        found = run(["xdotool", "search", "--onlyvisible", "--name", name], env).stdout.split()
        if found:
            return found[0]
        time.sleep(0.5)
    return None


def origin(window, env):
    shell = run(["xdotool", "getwindowgeometry", "--shell", window], env).stdout
    values = dict(line.split("=", 1) for line in shell.split() if "=" in line)
    return int(values["X"]), int(values["Y"])


def spread(png, box):
    """How much the pixels of a box vary: 0 for an empty field, more once text is drawn."""
    x, y, w, h = box
    out = subprocess.run(["convert", png, "-crop", f"{w}x{h}+{x}+{y}", "-colorspace", "gray", "-format",
                          "%[fx:standard_deviation]", "info:"], stdout=subprocess.PIPE, text=True)
    return float(out.stdout or 0)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--wine", required=True)
    parser.add_argument("--wineserver", required=True)
    parser.add_argument("exe")
    parser.add_argument("form")
    parser.add_argument("screenshot")
    a = parser.parse_args()
    for tool in ("Xvfb", "xdotool", "import", "convert"):
        if not shutil.which(tool):
            print(f"skipped: {tool} is not installed (apt-get install xvfb xdotool imagemagick)")
            return 0

    places = form_positions(a.form)
    work = tempfile.mkdtemp(prefix="tagmere-smoke-")
    samples = os.path.join(work, "samples")
    os.makedirs(os.path.join(samples, "more"))
    for n, name in enumerate(["a.ies", "b.ies", "more/c.ies"], start=1):
        with open(os.path.join(samples, name), "wb") as f:
            f.write(SAMPLE.format(n=n).encode("latin-1"))

    # Xvfb picks a free display itself and names it, so no click lands on another screen.
    read_end, write_end = os.pipe()
    xvfb = subprocess.Popen(["Xvfb", "-displayfd", str(write_end), "-screen", "0", "2400x1200x24"],
                            pass_fds=(write_end,), stderr=subprocess.DEVNULL)
    os.close(write_end)
    with os.fdopen(read_end) as named:
        number = named.readline().strip()
    if not number or xvfb.poll() is not None:
        print("FAIL: Xvfb did not start")
        shutil.rmtree(work, ignore_errors=True)
        return 1
    display = ":" + number
    # A new wine folder is a fresh profile: no settings, no keyword lists yet. winemenubuilder
    # is off so that nothing of it goes into this account's desktop menu.
    env = dict(os.environ, DISPLAY=display, WINEPREFIX=os.path.join(work, "wine"), WINEDEBUG="-all",
               WINEDLLOVERRIDES="winemenubuilder.exe=d")
    program = None
    failures = []
    try:
        start = time.time()
        run([a.wine, "wineboot", "--init"], env)
        # The window starts in the folder it was started from.
        program = subprocess.Popen([a.wine, os.path.abspath(a.exe)], cwd=samples, env=env,
                                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        window = wait_for_window("^Tagmere-", env, 60)
        if window is None:
            print("FAIL: the window did not open within 60 s")
            return 1
        print(f"window open after {time.time() - start:.1f} s (wine set-up included)")
        # The start-up warning to back up files: answered as a user does.
        time.sleep(2)
        run(["xdotool", "key", "Return"], env)
        time.sleep(1)
        wx, wy = origin(window, env)

        def click(name, dx=None, dy=None):
            x, y, w, h = places[name]
            run(["xdotool", "mousemove", str(wx + x + (w // 2 if dx is None else dx)),
                 str(wy + y + (h // 2 if dy is None else dy)), "click", "1"], env)

        click("cmdFind")
        time.sleep(3)
        shot = os.path.join(work, "found.png")
        run(["import", "-window", "root", shot], env)
        lx, ly, lw, lh = places["ltvFoundFiles"]
        # Below the list's header: the rows.
        if spread(shot, (wx + lx + 4, wy + ly + 24, lw - 24, 40)) < 0.02:
            failures.append("the found list stayed empty after Search")

        mx, my, mw, mh = places["txtManufac"]
        manufac = (wx + mx + 2, wy + my + 2, mw - 4, mh - 4)
        before = spread(shot, manufac)
        click("ltvFoundFiles", dx=40, dy=28)  # the first row
        view = wait_for_window("^IES File View / Edit$", env, 20)
        if view is None:
            failures.append("clicking a found file opened no View / Edit window")
        else:
            # Beside the main window, so the screenshot shows both.
            run(["xdotool", "windowmove", view, str(wx + places["window"][2] + 10), str(wy)], env)
        time.sleep(2)
        run(["import", "-window", "root", shot], env)
        after = spread(shot, manufac)
        if after <= before + 0.02:
            failures.append(f"the [MANUFAC] field shows no value after the click ({before:.3f} -> {after:.3f})")
        subprocess.run(["convert", shot, "-trim", "+repage", a.screenshot])
        print(f"screenshot: {a.screenshot}")
    finally:
        if program is not None:
            program.kill()
        run([a.wineserver, "-k"], env)
        xvfb.kill()
        shutil.rmtree(work, ignore_errors=True)
    for failure in failures:
        print("FAIL:", failure)
    if not failures:
        print("PASS: the found list fills, a click opens the file and the panel shows its values")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
