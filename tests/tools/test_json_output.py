# SPDX-License-Identifier: Apache-2.0
"""Every JSON output of the tarvo program is valid against the schema in tools/schema, and
--terse prints exactly the amount the JSON output names."""
import json
import os
import subprocess
import sys
import tempfile
import unittest

import jsonschema

TARVO = sys.argv[1] if len(sys.argv) > 1 else "build/bin/tarvo"
SCHEMA = sys.argv[2] if len(sys.argv) > 2 else "tools/schema/tarvo-output.schema.json"

HIST_CSV = (
    "Date,USD,JPY,IDR,\n"
    "2007-05-17,1.3516,163.95,11893.45,\n"
    "2007-05-16,1.3524,163.42,11950.2,\n"
    "2007-05-14,1.3530,162.10,12011.06,\n"
)


class JsonOutput(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        with open(SCHEMA, encoding="utf-8") as f:
            cls.schema = json.load(f)
        jsonschema.Draft7Validator.check_schema(cls.schema)
        cls.validator = jsonschema.Draft7Validator(cls.schema)
        cls.row_validator = jsonschema.Draft7Validator(
            {"definitions": cls.schema["definitions"], "$ref": "#/definitions/batch_row"})
        cls.tmp = tempfile.TemporaryDirectory()
        cls.dir = cls.tmp.name
        with open(os.path.join(cls.dir, "hist.csv"), "w", encoding="ascii") as f:
            f.write(HIST_CSV)
        cls.run_tarvo("rates import hist.csv -o WAEHKURS.DAT")
        with open(os.path.join(cls.dir, "in.csv"), "w", encoding="utf-8") as f:
            f.write("amount;from;to;date;booking;text\n"
                    "\"1.000,50\";DEM;EUR;2001-01-01;B1;Miete\n"
                    "100;EUR;USD;2007-05-15;B2;\"a;b\"\n"
                    "100;DEM;FRF;2001-01-01;B3;x\n"
                    "abc;DEM;EUR;2001-01-01;B4;bad\n"
                    "100;EUR;XYZ;2007-05-15;B5;none\n")

    @classmethod
    def tearDownClass(cls):
        cls.tmp.cleanup()

    @classmethod
    def run_tarvo(cls, args, ok=(0,)):
        env = {k: v for k, v in os.environ.items()
               if k not in ("TARVO_STEUDAT", "TARVO_WAEHKURS", "LC_ALL", "LC_MESSAGES", "LANG")}
        r = subprocess.run([TARVO] + args.split(), cwd=cls.dir, env=env,
                           capture_output=True, check=False)
        if r.returncode not in ok:
            raise AssertionError(f"tarvo {args}: exit {r.returncode}\n{r.stderr.decode()}")
        return r.stdout.decode("utf-8")

    def document(self, args, ok=(0,)):
        out = self.run_tarvo(args, ok)
        doc = json.loads(out)  # exactly one document
        errors = sorted(self.validator.iter_errors(doc), key=str)
        self.assertEqual([], [e.message for e in errors], f"{args}\n{out}")
        return doc

    def test_every_command(self):
        for args, ok in [
            ("convert 100 DEM EUR --date 2001-01-01", (0,)),
            ("convert 100 DEM FRF --date 2001-01-01", (0,)),
            ("convert 100 EUR USD --date 2007-05-15", (0,)),
            ("convert 100 USD JPY --date 2007-05-16", (0,)),
            ("convert 100 EUR USD --rate-to 1.1 --date 2007-05-17", (0,)),
            ("convert 100 USD JPY --rate-from 1.25 --rate-to 160", (0,)),
            ("convert 100 DEM EUR --rate-from 2 --date 2001-01-01", (0,)),
            ("convert 100.1234 DEM EUR --four-decimals --date 2001-01-01", (0,)),
            ("convert 100 EUR EUR", (1,)),
            ("convert 100 EUR XYZ", (1,)),
            ("convert 100 EUR USD --date 2007-05-13", (1,)),
            ("batch in.csv --delimiter ; --decimal-comma --format json --no-progress", (1,)),
            ("balance DEM EUR 3.00 1.50 1.50 --date 2001-01-01", (0,)),
            ("balance DEM EUR 100 50 49.99 --date 2001-01-01", (1,)),
            ("smooth DEM EUR 2414.59 -2456.52 --unit 100 --date 2001-01-01", (0,)),
            ("smooth DEM EUR 100 --exponent 7", (1,)),
            ("rates import hist.csv -o copy.dat", (0,)),
            ("rates show WAEHKURS.DAT", (0,)),
            ("rates show WAEHKURS.DAT --currency usd --date 2007-05-15", (0,)),
            ("rates check WAEHKURS.DAT", (0,)),
            ("rates check hist.csv", (1,)),
            ("controldata show --date 2001-01-01", (0,)),
            ("controldata export T.DAT", (0,)),
        ]:
            with self.subTest(args=args):
                self.document(args + " --json" if "batch" not in args else args, ok)

    def test_rates_name_their_source(self):
        doc = self.document("convert 100 EUR USD --date 2007-05-15 --json")
        # 15 May has no rates: the record of 14 May is used, from the file of 17 May.
        self.assertEqual(doc["rate"], {
            "currency": "USD", "rate": "1.3530000", "unit": 1, "effective_rate": "1.353",
            "quotation": "M", "fixed": False, "source": "market", "rate_date": "2007-05-14",
            "file_date": "2007-05-17"})
        doc = self.document("convert 100 EUR IDR --date 2007-05-16 --json")
        shown = self.document("rates show WAEHKURS.DAT --currency IDR --date 2007-05-16 --json")
        self.assertEqual(doc["rate"]["effective_rate"], shown["rates"][0]["effective_rate"])
        self.assertEqual((doc["rate"]["rate"], doc["rate"]["unit"]),
                         (shown["rates"][0]["rate"], shown["rates"][0]["unit"]))
        fixed = self.document("convert 100 DEM FRF --date 2001-01-01 --json")
        self.assertEqual([fixed["rate_from"]["source"], fixed["rate_to"]["source"]],
                         ["fixed", "fixed"])
        self.assertIsNone(fixed["rate_from"]["rate_date"])

    def test_terse_equals_the_json_amount(self):
        for args, key in [
            ("convert 100 DEM EUR --date 2001-01-01", "result"),
            ("convert -250.5 ATS EUR --date 2001-01-01", "result"),
            ("convert 100 EUR JPY --date 2007-05-17", "result"),
            ("convert 100 DEM FRF --date 2001-01-01", "result"),
            ("convert 100.1234 DEM EUR --four-decimals --date 2001-01-01", "result_4"),
        ]:
            with self.subTest(args=args):
                self.assertEqual(self.run_tarvo(args + " -q"),
                                 self.document(args + " --json")[key] + "\n")
        base = "batch in.csv --delimiter ; --decimal-comma --no-progress"
        doc = self.document(base + " --format json", (1,))
        terse = self.run_tarvo(base + " -q", (1,)).split("\n")[:-1]
        self.assertEqual(terse, [r["result"] or "" for r in doc["rows"]])
        self.assertEqual([r["columns"]["booking"] for r in doc["rows"]],
                         ["B1", "B2", "B3", "B4", "B5"])
        self.assertEqual(doc["rows"][1]["columns"]["text"], "a;b")
        self.assertEqual((doc["converted"], doc["failed"]), (3, 2))
        ndjson = self.run_tarvo(base + " --format ndjson", (1,)).split("\n")[:-1]
        rows = [json.loads(line) for line in ndjson]
        for row in rows:
            self.assertEqual([], [e.message for e in self.row_validator.iter_errors(row)])
        self.assertEqual(rows, doc["rows"])
        self.assertEqual(doc["rows"][1]["rate"]["rate_date"], "2007-05-14")


if __name__ == "__main__":
    unittest.main(argv=[sys.argv[0]])
