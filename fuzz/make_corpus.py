#!/usr/bin/env python3
"""Writes the fuzzer's seed corpus: a few inputs per section (grid, plot, matrix, scene, axes), reproducible.

The harness reads its choices from the end of the input, so the last byte picks the section."""
import os
import random

here = os.path.join(os.path.dirname(os.path.abspath(__file__)), "corpus")
os.makedirs(here, exist_ok=True)
rng = random.Random(7)
for section, name in enumerate(("grid", "plot", "matrix", "scene", "axes")):
    for index, length in enumerate((16, 96, 400, 1500)):
        body = bytearray(rng.getrandbits(8) for _ in range(length - 1))
        body.append(section)
        with open(os.path.join(here, f"{name}-{index}"), "wb") as seed:
            seed.write(body)
    # Extremes: every choice at its lowest, every choice at its highest.
    for fill, label in ((0x00, "low"), (0xFF, "high")):
        body = bytearray([fill] * 300)
        body[-1] = section if fill == 0 else 0xFA + section  # the byte modulo the 5 sections
        with open(os.path.join(here, f"{name}-{label}"), "wb") as seed:
            seed.write(body)
