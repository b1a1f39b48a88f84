# SPDX-License-Identifier: Apache-2.0
"""Fixtures of the Python tests: the tarvo program, a rate file made with it, and the
environment that makes the default context use the built-in control data and that file."""
import os
import pathlib
import subprocess

import pytest

TARVO = os.environ.get("TARVO_BIN", "tarvo")

# Rates of four currencies on two dates, in the published historical CSV form.
HIST = ("Date,USD,JPY,GBP,CHF,\n"
        "2002-01-02,0.9038,117.35,0.6147,1.4814,\n"
        "2001-06-01,0.8567,104.36,0.6040,1.5220,\n")


def make_rate_file(folder: pathlib.Path) -> str:
    src = folder / "hist.csv"
    src.write_text(HIST)
    out = folder / "WAEHKURS.DAT"
    subprocess.run([TARVO, "rates", "import", str(src), "-o", str(out)], check=True,
                   capture_output=True)
    return str(out)


_folder = pathlib.Path(os.environ.get("TARVO_TEST_TMP", "/tmp")) / f"tarvo-py-{os.getpid()}"
_folder.mkdir(parents=True, exist_ok=True)
os.environ["TARVO_STEUDAT"] = ""  # no control-data file: the built-in record
os.environ["TARVO_WAEHKURS"] = make_rate_file(_folder)


@pytest.fixture(scope="session")
def rate_file() -> str:
    return os.environ["TARVO_WAEHKURS"]


@pytest.fixture(scope="session")
def batch():
    """Runs `tarvo batch` over (amount, from, to, date) rows; returns (result, code) per row."""
    def run(rows, folder: pathlib.Path):
        src = folder / "in.csv"
        out = folder / "out.csv"
        src.write_text("".join(f"{a},{f},{t},{d}\n" for a, f, t, d in rows))
        # Exit status 1 says that some rows failed; they are part of the comparison.
        done = subprocess.run([TARVO, "batch", str(src), "-o", str(out), "--no-progress"],
                              capture_output=True, text=True)
        assert done.returncode in (0, 1), done.stderr
        lines = out.read_text().splitlines()[1:]
        answers = []
        for line in lines:
            fields = line.split(",")
            answers.append((fields[5], fields[6]))
        return answers
    return run


def pytest_sessionfinish(session, exitstatus):
    for p in sorted(_folder.glob("**/*"), reverse=True):
        p.unlink() if p.is_file() else p.rmdir()
    _folder.rmdir()
