#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Power cut in the middle of `tagmere-cli apply`: on a loop-mounted XFS image the file
system is shut down at several moments of a run, then mounted again, and every file
must be either as it was or fully edited, never empty or torn. The run journal lies on
the same image; after each cut, undo of the interrupted run must bring back every file it
had replaced. Needs root, loop devices and xfsprogs; exits 77 (skipped) without them."""
import os, shutil, subprocess, sys, tempfile, time

FILES = 3000
SKIP = 77


def sh(*args, check=True, tries=1):
    for attempt in range(tries):
        done = subprocess.run(args, capture_output=True, text=True)
        if done.returncode == 0 or not check:
            return done
        # A loop device or a mount point can stay busy for a moment after a shutdown.
        time.sleep(1)
    raise RuntimeError(f"{' '.join(args)} failed: {done.stderr.strip()}")


def skip(why):
    print(f"SKIP: {why}")
    sys.exit(SKIP)


def make_library(folder):
    for i in range(FILES):
        sub = os.path.join(folder, f"d{i % 20:02d}")
        os.makedirs(sub, exist_ok=True)
        body = "".join(f"{v * 2.5:.1f} " for v in range(400))
        text = (f"IESNA:LM-63-2002\r\n[TEST] T{i}\r\n[MANUFAC] Old {i}\r\nTILT=NONE\r\n"
                f"1 1000 1 5 1 1 2 0.1 0.1 0\r\n1 1 50\r\n{body}\r\n")
        with open(os.path.join(sub, f"lamp{i:05d}.ies"), "w", newline="") as f:
            f.write(text)


def snapshot(folder):
    out = {}
    for d, _, files in os.walk(folder):
        for name in files:
            if name.endswith(".ies"):
                path = os.path.join(d, name)
                with open(path, "rb") as f:
                    out[os.path.relpath(path, folder)] = f.read()
    return out


def main():
    cli = os.path.abspath(sys.argv[1])
    if os.geteuid() != 0:
        skip("needs root to mount a file system image")
    if not shutil.which("mkfs.xfs") or not shutil.which("xfs_io"):
        skip("needs xfsprogs (mkfs.xfs, xfs_io)")
    work = tempfile.mkdtemp(prefix="tagmere-powercut-")
    image, mnt = os.path.join(work, "fs.img"), os.path.join(work, "mnt")
    os.makedirs(mnt)
    mounted = False
    try:
        with open(image, "wb") as f:
            f.truncate(400 * 1024 * 1024)
        sh("mkfs.xfs", "-q", image)
        if sh("mount", "-o", "loop", image, mnt, check=False).returncode != 0:
            skip("cannot mount a loop device here")
        mounted = True
        lib = os.path.join(mnt, "lib")
        make_library(lib)
        sh("sync")
        # How long one whole run takes decides where the cuts fall.
        start = time.monotonic()
        sh(cli, "apply", "--no-journal", "--manufac", "Warm-up", lib)
        whole = time.monotonic() - start
        print(f"one run over {FILES} files: {whole:.2f} s")
        failures = 0
        for trial, fraction in enumerate((0.15, 0.4, 0.65, 0.9)):
            before = snapshot(lib)
            expected_dir = os.path.join(work, f"expected{trial}")
            shutil.copytree(lib, expected_dir)
            value = f"Trial {trial}"
            sh(cli, "apply", "--no-journal", "--manufac", value, expected_dir)
            expected = snapshot(expected_dir)
            shutil.rmtree(expected_dir)

            # The journal is cut with the files, so it must be durable before each rename.
            journal = dict(os.environ, XDG_STATE_HOME=os.path.join(mnt, "state"))
            run = subprocess.Popen([cli, "apply", "--manufac", value, lib], stdout=subprocess.DEVNULL,
                                   stderr=subprocess.DEVNULL, env=journal)
            time.sleep(whole * fraction)
            sh("xfs_io", "-x", "-c", "shutdown -f", mnt)
            run.wait()
            sh("umount", mnt, tries=5)
            mounted = False
            sh("mount", "-o", "loop", image, mnt, tries=5)
            mounted = True
            after = snapshot(lib)
            new = sum(1 for k, v in after.items() if v == expected[k] and v != before[k])
            bad = [k for k in before if after.get(k) not in (before[k], expected[k])]
            print(f"cut at {fraction:.0%}: {new} files new, {len(before) - new - len(bad)} old, {len(bad)} lost")
            for k in bad[:5]:
                print(f"  {k}: {len(after.get(k, b''))} bytes, neither old nor new")
            failures += len(bad)
            # Every file is old again after undo of the interrupted run.
            undo = subprocess.run([cli, "undo"], capture_output=True, env=journal, text=True, errors="replace")
            undone = snapshot(lib)
            kept = [k for k in before if undone.get(k) != before[k]]
            print(f"  undo of the cut run: {new - len([k for k in kept if after.get(k) == expected[k]])} of {new} "
                  f"new files restored")
            for k in kept[:5]:
                print(f"  {k}: not restored by undo")
            if kept:
                print("  undo said: " + "\n  ".join(undo.stderr.splitlines()[:5]))
            failures += len(kept)
        if failures:
            print(f"FAIL: {failures} file(s) empty, torn or missing after a power cut, or not restored by undo")
            return 1
        print("every file came back old or new")
        return 0
    finally:
        if mounted:
            subprocess.run(["umount", mnt], capture_output=True)
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
