#!/usr/bin/python3
"""Writes a small workbook of the import's shape in each format into FOLDER/seeds-FORMAT/, the
starting corpus of the fuzz targets:  make_seeds.py FOLDER"""
import json
import os
import subprocess
import sys
import zipfile

HERE = os.path.dirname(os.path.abspath(__file__))
WRITER = os.path.join(HERE, "..", "tests", "support", "make_workbook.py")
HEADER = ["a", "b", "c", "d", "e", "f", "g", "a1", "a2", "a3", "a4", "a5", "a6", "a7", "a8", "z", "day1"]
ROWS = [HEADER] + [["衬衫%d" % i, "XL", "C%d" % i, "上衣", "cs", "xl", "供货商", 10, 5, 50, 20, 0, 0, 5, 50,
                    "备注", {"date": "2014-07-01"}] for i in range(3)]

for fmt in ("xls", "xlsx", "ods", "csv"):
    folder = os.path.join(sys.argv[1], "seeds-" + fmt)
    os.makedirs(folder, exist_ok=True)
    rows = ROWS if fmt != "csv" else [[c if not isinstance(c, dict) else c["date"] for c in r] for r in ROWS]
    job = {"path": os.path.join(folder, "stock." + fmt), "format": fmt,
           "sheets": [{"name": "pemrod", "rows": rows}]}
    subprocess.run(["/usr/bin/python3", WRITER], input=json.dumps(job).encode(), check=True)
    if fmt == "xlsx":
        # The same workbook with its parts stored, not deflated: a mutation then reaches the XML.
        with zipfile.ZipFile(job["path"]) as packed, \
                zipfile.ZipFile(os.path.join(folder, "stock-stored.xlsx"), "w", zipfile.ZIP_STORED) as stored:
            for name in packed.namelist():
                stored.writestr(name, packed.read(name))
