#!/usr/bin/env python3
# SPDX-License-Identifier: Apache-2.0
"""Converts a ledger of legacy amounts into euro on a Dask cluster with tarvo.convert_many.

The ledger is made in partitions on the workers themselves (each partition from its own
seed), so nothing but the seeds travels to the cluster. Each partition is converted group by
group (one group per currency) without the GIL.

    python3 examples/dask_ledger.py                      # a LocalCluster of two workers
    python3 examples/dask_ledger.py --scheduler tcp://host:8786   # an existing cluster
    python3 examples/dask_ledger.py --check build/bin/tarvo       # compare with tarvo batch
    python3 examples/dask_ledger.py --bench              # one worker against two

On a real cluster every worker needs the package tarvo importable (installed with
`pip install ./python` or `cmake --install`, or PYTHONPATH pointing at a build tree).
"""

from __future__ import annotations

import argparse
import logging
import os
import subprocess
import sys
import tempfile
import time

import numpy as np
import pandas as pd

CURRENCIES = np.array(["DEM", "FRF", "ITL", "ESP", "NLG", "BEF", "ATS", "PTE", "FIM", "IEP",
                       "LUF"])
FIRST_DAY = np.datetime64("1999-01-04")
DAYS = 3 * 365


DAY_TEXTS = np.array([str(d).replace("-", "") for d in
                      FIRST_DAY + np.arange(DAYS).astype("timedelta64[D]")], dtype=object)


def make_partition(seed: int, rows: int) -> pd.DataFrame:
    """One partition of the ledger: amounts of up to 13 integer digits as exact text, a
    legacy currency and a booking date, in date order as a ledger is."""
    rng = np.random.default_rng(seed)
    digits = rng.integers(1, 12, rows)
    cents = (rng.random(rows) * 10.0 ** (digits + 2)).astype(np.int64)
    cents[rng.random(rows) < 0.1] *= -1
    amount = [f"-{-c // 100}.{-c % 100:02d}" if c < 0 else f"{c // 100}.{c % 100:02d}"
              for c in cents.tolist()]
    return pd.DataFrame({
        "amount": np.array(amount, dtype=object),
        "currency": CURRENCIES[rng.integers(0, len(CURRENCIES), rows)],
        "date": DAY_TEXTS[np.sort(rng.integers(0, DAYS, rows))],
    })


def convert_partition(part: pd.DataFrame) -> pd.DataFrame:
    """Converts one partition into euro, one convert_many call per currency."""
    import tarvo

    amounts = part["amount"].to_numpy()
    dates = part["date"].to_numpy()
    currencies = part["currency"].to_numpy()
    result = np.full(len(part), "", dtype=object)
    code = np.zeros(len(part), dtype=np.int32)
    for currency in np.unique(currencies):
        rows = np.flatnonzero(currencies == currency)
        out = tarvo.convert_many(amounts[rows], currency, "EUR", dates[rows], frame=False)
        result[rows] = out["result"]
        code[rows] = out["code"]
    return pd.DataFrame({"result": result, "code": code}, index=part.index)


def ledger(rows: int, partitions: int):
    import dask.dataframe as dd

    sizes = [rows // partitions + (1 if i < rows % partitions else 0) for i in range(partitions)]
    meta = make_partition(0, 0)
    return dd.from_map(lambda s: make_partition(s[0], s[1]), list(enumerate(sizes)), meta=meta,
                       enforce_metadata=False), sizes


def run(client, rows: int, partitions: int, gather: bool = True):
    """Makes the ledger on the workers, then converts it there. Returns the converted rows
    (gather) or only the number converted, and the seconds the conversion took."""
    from distributed import wait

    ddf, _ = ledger(rows, partitions)
    ddf = client.persist(ddf)
    wait(ddf)
    meta = pd.DataFrame({"result": pd.Series([], dtype=object),
                         "code": pd.Series([], dtype=np.int32)})
    converted = ddf.map_partitions(convert_partition, meta=meta)
    start = time.perf_counter()
    if gather:
        result = client.compute(converted).result()
    else:
        result = int(client.compute((converted["code"] == 0).sum()).result())
    return result, time.perf_counter() - start


def check(result: pd.DataFrame, rows: int, partitions: int, tarvo_bin: str) -> int:
    """Compares every row with `tarvo batch` on the same rows; returns the number differing."""
    _, sizes = ledger(rows, partitions)
    parts = [make_partition(i, n) for i, n in enumerate(sizes)]
    whole = pd.concat(parts, ignore_index=True)
    with tempfile.TemporaryDirectory() as tmp:
        src = os.path.join(tmp, "ledger.csv")
        out = os.path.join(tmp, "out.csv")
        with open(src, "w") as f:
            f.writelines(f"{a},{c},EUR,{d}\n" for a, c, d in
                         zip(whole["amount"], whole["currency"], whole["date"]))
        done = subprocess.run([tarvo_bin, "batch", src, "-o", out, "--no-progress"],
                              capture_output=True, text=True)
        if done.returncode not in (0, 1):
            raise SystemExit(f"tarvo batch failed: {done.stderr}")
        expected = pd.read_csv(out, dtype=str, keep_default_na=False)
    got = result.reset_index(drop=True)
    same = (got["result"].to_numpy() == expected["result"].to_numpy()) & (
        got["code"].astype(str).to_numpy() == expected["code"].to_numpy())
    bad = int((~same).sum())
    if bad:
        first = np.flatnonzero(~same)[:5]
        print(pd.concat([whole.iloc[first], got.iloc[first],
                         expected.iloc[first][["result", "code"]]], axis=1), file=sys.stderr)
    return bad


def local_client(workers: int):
    from distributed import Client, LocalCluster

    cluster = LocalCluster(n_workers=workers, threads_per_worker=1, processes=True,
                           dashboard_address=None, silence_logs=logging.ERROR)
    return Client(cluster), cluster


def main() -> int:
    p = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    p.add_argument("--rows", type=int, default=1_000_000)
    p.add_argument("--partitions", type=int, default=8)
    p.add_argument("--workers", type=int, default=2, help="workers of the LocalCluster")
    p.add_argument("--scheduler", help="address of an existing cluster's scheduler")
    p.add_argument("--check", metavar="TARVO", help="compare every row with `TARVO batch`")
    p.add_argument("--bench", action="store_true", help="time one worker against two")
    a = p.parse_args()

    if a.bench:
        times = {}
        for n in (1, 2):
            client, cluster = local_client(n)
            with cluster, client:
                run(client, a.partitions * 1000, a.partitions)  # start-up and imports
                converted, times[n] = run(client, a.rows, a.partitions, gather=False)
                assert converted == a.rows
            print(f"{n} worker(s): {a.rows / times[n]:,.0f} rows/s ({times[n]:.2f} s)")
        print(f"two workers / one: {times[1] / times[2]:.2f}x")
        return 0

    if a.scheduler:
        from distributed import Client
        client, cluster = Client(a.scheduler), None
    else:
        client, cluster = local_client(a.workers)
    try:
        result, seconds = run(client, a.rows, a.partitions)
    finally:
        client.close()
        if cluster is not None:
            cluster.close()
    ok = int((result["code"] == 0).sum())
    print(f"{len(result):,} rows in {seconds:.2f} s ({len(result) / seconds:,.0f} rows/s), "
          f"{ok:,} converted")
    if a.check:
        bad = check(result, a.rows, a.partitions, a.check)
        print(f"compared with tarvo batch: {len(result) - bad:,} equal, {bad:,} differ")
        return 1 if bad else 0
    return 0


if __name__ == "__main__":
    sys.exit(main())
