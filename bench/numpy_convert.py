#!/usr/bin/env python3
"""The numpy peer of `vxn convert`: reads a CSV of name + 36 reflectances,
converts every spectrum to XYZ and L*a*b* with one matrix product, and
writes name, XYZ and L*a*b* (less than vxn convert writes). Usage:
numpy_convert.py IN.csv OUT.csv"""
import sys

import numpy as np

EPS, KAPPA = 216.0 / 24389.0, 24389.0 / 27.0
values = np.loadtxt(sys.argv[1], delimiter=",", usecols=range(1, 37))
names = np.loadtxt(sys.argv[1], delimiter=",", usecols=0, dtype=str)
weights = np.random.default_rng(1).random((36, 3))
white = weights.sum(axis=0)
xyz = values @ weights
t = xyz / white
f = np.where(t > EPS, np.cbrt(t), (KAPPA * t + 16.0) / 116.0)
lab = np.stack([116.0 * f[:, 1] - 16.0, 500.0 * (f[:, 0] - f[:, 1]), 200.0 * (f[:, 1] - f[:, 2])], axis=1)
out = np.column_stack([names, np.char.mod("%.4f", np.hstack([xyz, lab]))])
np.savetxt(sys.argv[2], out, fmt="%s", delimiter=",")
