#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Deterministic generator of realistic LM-63 photometric files (*.ies) for the benchmarks.

Each file has the "IESNA:LM-63-2002" first line, 10 to 20 keyword lines (the usual
[TEST] ... [LAMP] set, a few [_SEARCH_...] user keywords, sometimes a [MORE] line),
"TILT=NONE" and a photometric data block of 10 to 40 KB: the lamp line, the ballast
line, the vertical and horizontal angles and the candela values, wrapped at 80 columns.
Line ends are CR LF. The same seed gives the same bytes.

Standalone use:  python3 iesgen.py OUTDIR [--count N] [--seed S]
"""

import argparse
import math
import os
import random
import sys

LINE_END = "\r\n"
WRAP = 80
BLOCK_MIN = 10 * 1024
BLOCK_MAX = 40 * 1024

# Invented makers, labs and products: none of them stands for a real company.
MAKERS = [
    ("ALDERWAY LIGHTING", "ALW"),
    ("KESTREL LUMINAIRES", "KST"),
    ("ORBITAL LIGHT WORKS", "OLW"),
    ("HALDEN & FROST", "HDF"),
    ("NORTHBANK ILLUMINATION", "NBI"),
    ("PELLUCID SYSTEMS", "PLS"),
    ("QUARRYSTONE LIGHTING", "QSL"),
    ("BRIGHTWATER FIXTURES", "BWF"),
    ("CINDERFIELD LTG", "CFL"),
    ("MERIDIAN BEAM CO", "MBC"),
]
LABS = [
    "LUMENTEST LABORATORIES",
    "PHOTOMETRIC SERVICES GROUP",
    "INDEPENDENT OPTICS LAB",
    "GONIO TEST CENTRE",
    "CANDELA METRICS INC.",
]
MONTHS = ["JAN", "FEB", "MAR", "APR", "MAY", "JUN", "JUL", "AUG", "SEP", "OCT", "NOV", "DEC"]
FAMILIES = [
    "RECESSED DOWNLIGHT",
    "LINEAR PENDANT",
    "HIGH BAY",
    "WALL WASHER",
    "TROFFER 2X4",
    "AREA LIGHT TYPE III",
    "BOLLARD",
    "TRACK SPOT",
    "FLOOD LIGHT",
    "COVE LIGHT",
]
OPTICS = ["CLEAR LENS", "FROSTED LENS", "PRISMATIC DIFFUSER", "30 DEG REFLECTOR", "MICRO-PRISM", "OPAL DIFFUSER"]
FINISHES = ["WHITE", "BLACK", "SILVER", "BRONZE", "GRAPHITE"]
SOURCES = ["LED", "LED", "LED", "LED", "CMH", "FL", "CFL", "HAL", "MH", "HPS", "INC"]
DISTRIBUTIONS = ["DIRECT", "INDIRECT", "DIRECT-INDIRECT", "ASYMMETRIC", "NARROW", "MEDIUM", "WIDE"]

# Angle sets as photometric files commonly carry them (type C photometry).
VERTICAL_SETS = [
    [i * 5.0 for i in range(19)],  # 0..90 step 5
    [i * 2.5 for i in range(37)],  # 0..90 step 2.5
    [float(i) for i in range(91)],  # 0..90 step 1
    [i * 5.0 for i in range(37)],  # 0..180 step 5
    [i * 2.5 for i in range(73)],  # 0..180 step 2.5
    [float(i) for i in range(181)],  # 0..180 step 1
]
HORIZONTAL_SETS = [
    [i * 22.5 for i in range(5)],  # 0..90
    [i * 10.0 for i in range(10)],  # 0..90
    [i * 5.0 for i in range(19)],  # 0..90
    [i * 10.0 for i in range(19)],  # 0..180
    [i * 5.0 for i in range(37)],  # 0..180
    [i * 22.5 for i in range(17)],  # 0..360
    [i * 15.0 for i in range(25)],  # 0..360
    [i * 10.0 for i in range(37)],  # 0..360
]


def number(value):
    """An angle or factor as photometric files print it: no trailing zeros."""
    text = f"{value:.2f}".rstrip("0").rstrip(".")
    return text if text not in ("", "-0") else "0"


def wrap(tokens):
    """Tokens joined by spaces in lines of at most WRAP columns."""
    lines = []
    current = ""
    for token in tokens:
        if current and len(current) + 1 + len(token) > WRAP:
            lines.append(current)
            current = token
        else:
            current = token if not current else current + " " + token
    if current:
        lines.append(current)
    return lines


def _estimate(nv, nh):
    # About seven characters per candela value plus the angle lines.
    return nv * nh * 7 + (nv + nh) * 5


def _angle_choices():
    return [
        (v, h)
        for v in VERTICAL_SETS
        for h in HORIZONTAL_SETS
        if BLOCK_MIN * 1.1 <= _estimate(len(v), len(h)) <= BLOCK_MAX * 0.85
    ]


ANGLE_CHOICES = _angle_choices()


def candela_lines(rng):
    """The angles and candela values of one luminaire (no lamp or ballast line)."""
    while True:
        vertical, horizontal = rng.choice(ANGLE_CHOICES)
        peak = rng.uniform(800.0, 12000.0)
        exponent = rng.uniform(0.8, 12.0)  # beam width: larger is narrower
        uplight = rng.uniform(0.0, 0.35) if vertical[-1] > 90 else 0.0
        asymmetry = rng.uniform(0.0, 0.45)
        decimals = rng.choice([0, 1, 1, 2])
        lines = wrap([number(a) for a in vertical])
        lines += wrap([number(a) for a in horizontal])
        for h in horizontal:
            shape = 1.0 + asymmetry * math.cos(math.radians(h))
            values = []
            for v in vertical:
                if v <= 90:
                    intensity = peak * shape * math.cos(math.radians(v)) ** exponent
                else:
                    intensity = peak * uplight * shape * (-math.cos(math.radians(v))) ** 1.5
                intensity *= 1.0 + rng.uniform(-0.015, 0.015)
                values.append(f"{max(intensity, 0.0):.{decimals}f}")
            lines += wrap(values)
        size = sum(len(line) + 2 for line in lines)
        if BLOCK_MIN <= size <= BLOCK_MAX - 200:
            return len(vertical), len(horizontal), lines


def data_pool(seed, size=96):
    """Angle/candela blocks shared between files: formatting millions of numbers per run
    would dominate the generation time, and the files differ in their headers anyway."""
    rng = random.Random(f"{seed}-pool")
    return [candela_lines(rng) for _ in range(size)]


def keyword_lines(rng, maker, code, index):
    """10 to 20 keyword lines, [MANUFAC] always among them."""
    family = rng.choice(FAMILIES)
    optic = rng.choice(OPTICS)
    source = rng.choice(SOURCES)
    cct = rng.choice([2700, 3000, 3500, 4000, 5000])
    cri = rng.choice(["80", "90", "80-90", "95"])
    watts = rng.randint(8, 320)
    lumens = watts * rng.randint(60, 150)
    catalog = f"{code}-{rng.randint(1000, 9999)}-{cct // 100}K-{rng.choice(['W', 'N', 'M', 'F'])}"
    year = rng.randint(2008, 2024)
    lines = [
        f"[TEST] {rng.choice(['TR', 'ITL', 'PL'])}{rng.randint(10000, 99999)}",
        f"[TESTLAB] {rng.choice(LABS)}",
        f"[ISSUEDATE] {rng.randint(1, 28):02d}-{rng.choice(MONTHS)}-{year}",
        f"[MANUFAC] {maker}",
        f"[LUMCAT] {catalog}",
        f"[LUMINAIRE] {family}, {optic}, {rng.choice(FINISHES)} FINISH, {watts}W",
    ]
    if rng.random() < 0.3:
        lines.append(
            f"[MORE] {rng.choice(['DIMMABLE 0-10V', 'DALI DRIVER', 'EMERGENCY PACK'])}, "
            f"{rng.choice(['IP65', 'IP20', 'IP44'])}, SERIES {index % 97:02d}"
        )
    if source == "LED":
        lines.append(f"[LAMPCAT] {code}-LM{lumens // 100:03d}-{cct // 100}K")
        lines.append(f"[LAMP] LED MODULE {lumens} LM {cct}K CRI {cri.split('-')[0]}")
    else:
        lines.append(f"[LAMPCAT] {source}{watts}/{rng.choice(['U', 'H', 'BU'])}")
        lines.append(f"[LAMP] ({rng.randint(1, 4)}) {watts}W {source} LAMP")
    optional = [
        f"[TESTDATE] {rng.randint(1, 28):02d}-{rng.choice(MONTHS)}-{year}",
        f"[BALLAST] {rng.choice(['ELECTRONIC DRIVER', 'CONSTANT CURRENT DRIVER', 'MAGNETIC BALLAST'])}",
        f"[BALLASTCAT] DRV-{rng.randint(100, 999)}",
        f"[DISTRIBUTION] {rng.choice(DISTRIBUTIONS)}",
        f"[MAINTCAT] {rng.randint(1, 6)}",
        f"[LAMPPOSITION] 0,{rng.choice([0, 90, 180])}",
        f"[NEARFIELD] {rng.randint(0, 1)}",
        f"[OTHER] {rng.choice(['ABSOLUTE PHOTOMETRY', 'RELATIVE PHOTOMETRY'])}",
        f"[FLASHAREA] {rng.uniform(0.01, 0.5):.3f}",
    ]
    searches = [
        f"[_SEARCH_SOURCETYPE] {source}",
        f"[_SEARCH_CRI] {cri}",
        f"[_SEARCH_COLORTEMP] {cct}K",
        f"[_SEARCH_SP_RATIO] {rng.uniform(1.0, 2.4):.2f}",
        f"[_SEARCH_MOUNTING] {rng.choice(['RECESSED', 'SURFACE', 'PENDANT', 'POLE'])}",
    ]
    rng.shuffle(optional)
    lines += searches[: rng.randint(2, 5)]
    lines += optional[: max(0, rng.randint(10, 20) - len(lines))]
    return lines, lumens, watts


def ies_bytes(rng, pool, maker, code, index):
    """One file's bytes."""
    keywords, lumens, watts = keyword_lines(rng, maker, code, index)
    nv, nh, block = pool[rng.randrange(len(pool))]
    lamps = rng.choice([1, 1, 1, 2, 4])
    lamp_lumens = "-1" if rng.random() < 0.5 else str(lumens // lamps)
    units = rng.choice([1, 2])
    width, length, height = (number(rng.uniform(0.0, 1.5)) for _ in range(3))
    lines = ["IESNA:LM-63-2002"] + keywords + ["TILT=NONE"]
    lines.append(f"{lamps} {lamp_lumens} 1 {nv} {nh} 1 {units} {width} {length} {height}")
    lines.append(f"1 1 {number(watts * rng.uniform(1.0, 1.12))}")
    lines += block
    return (LINE_END.join(lines) + LINE_END).encode("ascii")


def write_set(folder, count, seed, per_folder=100):
    """`count` files below `folder`, in maker/series folders of `per_folder` files.
    Returns the file paths relative to `folder`, in creation order."""
    rng = random.Random(seed)
    pool = data_pool(seed)
    paths = []
    for i in range(count):
        maker, code = MAKERS[(i // (per_folder * 10)) % len(MAKERS)]
        series = (i // per_folder) % 10
        sub = os.path.join(f"{code} {maker.title()}", f"Series {series:02d}")
        if i % per_folder == 0:
            os.makedirs(os.path.join(folder, sub), exist_ok=True)
        name = f"{code}-{i:05d}-{rng.choice(['W', 'N', 'M', 'F'])}{rng.choice(['.ies', '.ies', '.ies', '.IES'])}"
        relative = os.path.join(sub, name)
        with open(os.path.join(folder, relative), "wb") as out:
            out.write(ies_bytes(rng, pool, maker, code, i))
        paths.append(relative)
    return paths


def main(argv):
    parser = argparse.ArgumentParser(description="Write realistic LM-63 photometric files.")
    parser.add_argument("outdir")
    parser.add_argument("--count", type=int, default=100)
    parser.add_argument("--seed", type=int, default=63)
    args = parser.parse_args(argv)
    paths = write_set(args.outdir, args.count, args.seed)
    print(f"wrote {len(paths)} files below {args.outdir}")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
