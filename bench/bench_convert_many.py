#!/usr/bin/env python3
# SPDX-License-Identifier: Apache-2.0
"""tarvo.convert_many on 1 000 000 fixed-rate rows on one core: rows per second for a list of
str, a numpy string array and a pandas Series, with the DataFrame built. CPU time of the
process (the machine may be shared) and, in brackets, the wall-clock time."""
import os
import sys
import time

import numpy as np
import pandas as pd

import tarvo

ROWS = int(sys.argv[1]) if len(sys.argv) > 1 else 1_000_000
os.sched_setaffinity(0, {min(os.sched_getaffinity(0))})  # one core
rng = np.random.default_rng(1)
cents = rng.integers(0, 10**9, ROWS)
texts = [f"{c // 100}.{c % 100:02d}" for c in cents]
inputs = {"list of str": texts, "numpy str array": np.array(texts),
          "pandas Series": pd.Series(texts)}
tarvo.convert_many(texts[:1000], "DEM", "EUR", "20010615")
for name, values in inputs.items():
    best = wall = float("inf")
    for _ in range(3):
        start, start_wall = time.process_time(), time.perf_counter()
        df = tarvo.convert_many(values, "DEM", "EUR", "20010615")
        best = min(best, time.process_time() - start)
        wall = min(wall, time.perf_counter() - start_wall)
    assert (df["code"] == 0).all()
    print(f"convert_many, {name:16s}: {ROWS / best:12,.0f} rows/s CPU "
          f"({ROWS / wall:,.0f} rows/s wall clock)")
