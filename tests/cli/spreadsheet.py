#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""The table through a real spreadsheet program: `tagmere-cli export` writes a CSV, LibreOffice
(headless) reads it into an .xlsx workbook and writes that back as CSV, as a user who opens,
saves and exports the table would; `apply --table` of the result must write nothing. Then one
cell edited in the returned table changes that file only. Exits 77 (skipped) without soffice.

    spreadsheet.py TAGMERE_CLI
"""
import csv, hashlib, io, os, shutil, subprocess, sys, tempfile

SKIP = 77
HERE = os.path.dirname(os.path.abspath(__file__))
DATA = b"TILT=NONE\r\n1 -1 1 2 1 1 2 0 0 0\r\n1 1 10\r\n0 90\r\n0\r\n100 50\r\n"
FILES = {
    "latin1.ies": b"IESNA:LM-63-2002\r\n[TEST] 0815\r\n[MANUFAC] Lumi\xe8re \xdcber\r\n[MORE] second, \"quoted\"\r\n"
                  b"[ISSUEDATE] 26/09/2017\r\n[_SEARCH_CRI] 80\r\n" + DATA,
    "lf.ies": b"IESNA:LM-63-1995\n[TEST] 1.50\n\n[LUMCAT] 00123\n" + DATA.replace(b"\r\n", b"\n"),
}


def run(args, **kw):
    done = subprocess.run(args, capture_output=True, text=True, **kw)
    if done.returncode != 0:
        raise SystemExit(f"{' '.join(args)} failed ({done.returncode}): {done.stderr.strip()}")
    return done


def digests(folder):
    out = {}
    for d, _, names in os.walk(folder):
        for n in names:
            with open(os.path.join(d, n), "rb") as f:
                out[os.path.relpath(os.path.join(d, n), folder)] = hashlib.sha256(f.read()).hexdigest()
    return out


def main():
    cli = os.path.abspath(sys.argv[1])
    soffice = shutil.which("soffice") or shutil.which("libreoffice")
    if not soffice:
        print("SKIP: LibreOffice (soffice) is not installed; `make test-spreadsheet` installs it")
        return SKIP
    work = tempfile.mkdtemp(prefix="tagmere-sheet-")
    try:
        lib = os.path.join(work, "lib")
        os.makedirs(lib)
        for name in os.listdir(os.path.join(HERE, "..", "data", "ies")):
            if name.endswith(".ies"):
                shutil.copy(os.path.join(HERE, "..", "data", "ies", name), lib)
        for name, data in FILES.items():
            with open(os.path.join(lib, name), "wb") as f:
                f.write(data)
        env = dict(os.environ, XDG_STATE_HOME=os.path.join(work, "state"))
        table = os.path.join(work, "library.csv")
        run([cli, "export", lib, "-o", table], env=env)

        # A profile of its own, so the test neither needs nor touches the user's.
        office = [soffice, "-env:UserInstallation=file://" + os.path.join(work, "profile"), "--headless"]
        book_dir, back_dir = os.path.join(work, "book"), os.path.join(work, "back")
        run(office + ["--infilter=CSV:44,34,76,1", "--convert-to", "xlsx", "--outdir", book_dir, table])
        run(office + ["--convert-to", "csv:Text - txt - csv (StarCalc):44,34,76,1,,0,false,true,true",
                      "--outdir", back_dir, os.path.join(book_dir, "library.xlsx")])
        back = os.path.join(back_dir, "library.csv")

        before = digests(lib)
        done = run([cli, "apply", "--table", back], env=env)
        print(done.stderr.strip())
        changed = [k for k, v in digests(lib).items() if before.get(k) != v]
        if changed:
            print("FAIL: the table back from the spreadsheet, unedited, changed " + ", ".join(changed))
            for line in done.stdout.splitlines()[:20]:
                print("  " + line)
            return 1

        # One cell edited, as in the spreadsheet: that file alone changes.
        with open(back, encoding="utf-8-sig", newline="") as f:
            rows = list(csv.reader(f))
        heading, path = rows[0].index("[LUMCAT]"), rows[0].index("path")
        row = next(r for r in rows[1:] if r[path] == "latin1.ies")
        row[heading] = "CAT-0815"
        out = io.StringIO(newline="")
        csv.writer(out, lineterminator="\r\n").writerows(rows)
        with open(back, "w", encoding="utf-8-sig", newline="") as f:
            f.write(out.getvalue())
        run([cli, "apply", "--table", back], env=env)
        changed = [k for k, v in digests(lib).items() if before.get(k) != v]
        with open(os.path.join(lib, "latin1.ies"), "rb") as f:
            edited = f.read()
        if changed != ["latin1.ies"] or b"[LUMCAT] CAT-0815\r\n" not in edited or b"Lumi\xe8re \xdcber" not in edited:
            print(f"FAIL: editing one cell changed {changed}")
            return 1
        print("the table came back from the spreadsheet unchanged; one edited cell changed one file")
        return 0
    finally:
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
