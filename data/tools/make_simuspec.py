#!/usr/bin/env python3
"""Builds data/SimuSpec.dat, the colours of the measurement simulator.

Reads the measured reflectance spectra of the 24-patch colour rendition chart
(data/colorimetry/chart24_reflectance_380_730_10nm.csv: name, then 36 values
380..730 nm, reflectance factor 0..1) and writes them in the simulator's
format: one header line, then per colour its name, a TAB and the 36 values
separated by TABs. The values are copied digit for digit, nothing is
interpolated or rescaled.

Line ends are LF; the names must not contain TABs. The simulator shows 16
pads per row, so the chart's 24 patches fill one row and a half.

Usage: python3 data/tools/make_simuspec.py [chart.csv] [SimuSpec.dat]
"""
import csv
import os
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
DATA = os.path.dirname(HERE)
WAVELENGTHS = [str(nm) for nm in range(380, 731, 10)]


def main(argv):
    src = argv[1] if len(argv) > 1 else os.path.join(DATA, "colorimetry", "chart24_reflectance_380_730_10nm.csv")
    dst = argv[2] if len(argv) > 2 else os.path.join(DATA, "SimuSpec.dat")
    with open(src, newline="", encoding="utf-8") as f:
        rows = list(csv.reader(f))
    header, body = rows[0], rows[1:]
    if header[1:] != WAVELENGTHS:
        sys.exit(f"{src}: expected the columns name,380,...,730")
    lines = ["Name\t" + "\t".join(WAVELENGTHS)]
    for row in body:
        if not row:
            continue
        name, values = row[0], row[1:]
        if len(values) != 36 or "\t" in name:
            sys.exit(f"{src}: bad row {row!r}")
        for v in values:
            float(v)  # refuse anything that is not a number
        lines.append(name + "\t" + "\t".join(values))
    if len(lines) - 1 > 240:
        sys.exit("the simulator shows at most 240 colours")
    with open(dst, "w", newline="\n", encoding="utf-8") as f:
        f.write("\n".join(lines) + "\n")
    print(f"{dst}: {len(lines) - 1} colours")


if __name__ == "__main__":
    main(sys.argv)
