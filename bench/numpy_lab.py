#!/usr/bin/env python3
"""The numpy peer of the batch colorimetry benchmark: 10,000 spectra of 36
values times a 36 x 3 weight matrix, then L*a*b* (CIE 1976), repeated for
about a second. Prints spectra per second."""
import time

import numpy as np

BATCH = 10000
rng = np.random.default_rng(12345)
spectra = rng.random((BATCH, 36))
weights = rng.random((36, 3))
white = weights.sum(axis=0)
EPS, KAPPA = 216.0 / 24389.0, 24389.0 / 27.0


def lab(xyz):
    t = xyz / white
    f = np.where(t > EPS, np.cbrt(t), (KAPPA * t + 16.0) / 116.0)
    return np.stack([116.0 * f[:, 1] - 16.0, 500.0 * (f[:, 0] - f[:, 1]), 200.0 * (f[:, 1] - f[:, 2])], axis=1)


lab(spectra @ weights)
n, start = 0, time.perf_counter()
while time.perf_counter() - start < 1.0:
    lab(spectra @ weights)
    n += BATCH
print(f"{n / (time.perf_counter() - start):.0f}")
