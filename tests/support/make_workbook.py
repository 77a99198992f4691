#!/usr/bin/python3
"""Writes a workbook with a real spreadsheet writer, for the import tests.

Reads one JSON object on standard input:
  {"path": "...", "format": "xls" | "xlsx" | "ods" | "csv",
   "encoding": "utf-8" | "utf-8-sig" | "gbk"      (csv only, default utf-8),
   "encrypted": true                                (xls, xlsx: a workbook with an open password),
   "sheets": [{"name": "pemrod", "rows": [[cell, ...], ...]}]}
A cell is null (left empty), a string, a number, {"date": "yyyy-mm-dd"} (a date cell shown as a
date), or {"formula": "H2*I2", "value": 3.5} (a formula with its last computed value).
In an .ods a row may be {"repeat": 3, "cells": [...]}: one row element standing for 3 equal rows,
as LibreOffice writes equal neighbouring rows.
"""
import datetime
import json
import struct
import sys


def as_date(text):
    return datetime.date.fromisoformat(text)


def write_xls(job):
    import xlwt
    book = xlwt.Workbook(encoding="utf-8")
    date_style = xlwt.easyxf(num_format_str="YYYY-MM-DD")
    for sheet in job["sheets"]:
        ws = book.add_sheet(sheet["name"])
        for r, row in enumerate(sheet["rows"]):
            for c, cell in enumerate(row):
                if cell is None:
                    continue
                if isinstance(cell, dict) and "date" in cell:
                    ws.write(r, c, as_date(cell["date"]), date_style)
                elif isinstance(cell, dict):
                    raise SystemExit("xlwt stores no formula results")
                else:
                    ws.write(r, c, cell)
    book.save(job["path"])
    if job.get("encrypted"):
        protect_xls(job["path"])


def protect_xls(path):
    # An .xls with an open password carries a FILEPASS record in its workbook globals; the records
    # after it are encrypted. Turning xlwt's WINDOWPROTECT record (same length) into one makes a
    # workbook every reader treats as password protected.
    data = bytearray(open(path, "rb").read())
    at = data.find(bytes([0x19, 0x00, 0x02, 0x00]))
    if at < 0:
        raise SystemExit("no WINDOWPROTECT record")
    data[at:at + 2] = bytes([0x2F, 0x00])
    open(path, "wb").write(data)


def write_xlsx(job):
    import xlsxwriter
    book = xlsxwriter.Workbook(job["path"])
    date_format = book.add_format({"num_format": "yyyy-mm-dd"})
    for sheet in job["sheets"]:
        ws = book.add_worksheet(sheet["name"])
        for r, row in enumerate(sheet["rows"]):
            for c, cell in enumerate(row):
                if cell is None:
                    continue
                if isinstance(cell, dict) and "date" in cell:
                    ws.write_datetime(r, c, as_date(cell["date"]), date_format)
                elif isinstance(cell, dict):
                    ws.write_formula(r, c, "=" + cell["formula"], None, cell["value"])
                elif isinstance(cell, str):
                    ws.write_string(r, c, cell)
                else:
                    ws.write_number(r, c, cell)
    book.close()
    if job.get("encrypted"):
        write_encrypted_ooxml(job["path"])


def write_encrypted_ooxml(path):
    # A workbook saved with an open password is no longer a zip: it is a compound file holding
    # the streams EncryptionInfo and EncryptedPackage (the encrypted zip).
    package = open(path, "rb").read()
    info = struct.pack("<HHI", 4, 4, 0x40) + b'<?xml version="1.0"?><encryption/>'
    streams = [("EncryptionInfo", info), ("EncryptedPackage", struct.pack("<Q", len(package)) + package)]
    sector = 512
    padded = []
    for name, data in streams:
        size = max(4096, -(-len(data) // sector) * sector)  # above the mini stream cutoff
        padded.append((name, data + b"\0" * (size - len(data)), len(data)))
    fat = [0xFFFFFFFD, 0xFFFFFFFE]  # sector 0: the FAT itself, sector 1: the directory
    starts = []
    for _, data, _ in padded:
        start, count = len(fat), len(data) // sector
        starts.append(start)
        fat += [start + i + 1 for i in range(count - 1)] + [0xFFFFFFFE]
    if len(fat) > sector // 4:
        raise SystemExit("workbook too large for the test container")
    fat += [0xFFFFFFFF] * (sector // 4 - len(fat))

    def entry(name, kind, child, right, start, size):
        encoded = name.encode("utf-16-le") + b"\0\0"
        return (encoded.ljust(64, b"\0") + struct.pack("<HBB", len(encoded), kind, 1)
                + struct.pack("<III", 0xFFFFFFFF, right, child) + b"\0" * 16 + b"\0" * 4
                + b"\0" * 16 + struct.pack("<IQ", start, size))

    directory = (entry("Root Entry", 5, 1, 0xFFFFFFFF, 0xFFFFFFFE, 0)
                 + entry(padded[0][0], 2, 0xFFFFFFFF, 2, starts[0], padded[0][2])
                 + entry(padded[1][0], 2, 0xFFFFFFFF, 0xFFFFFFFF, starts[1], padded[1][2]))
    directory = directory.ljust(sector, b"\0")
    header = (bytes.fromhex("D0CF11E0A1B11AE1") + b"\0" * 16
              + struct.pack("<HHHHH", 0x3E, 3, 0xFFFE, 9, 6) + b"\0" * 6
              + struct.pack("<IIIIIIIII", 0, 1, 1, 0, 4096, 0xFFFFFFFE, 0, 0xFFFFFFFE, 0)
              + struct.pack("<I", 0) + struct.pack("<I", 0xFFFFFFFF) * 108)
    with open(path, "wb") as out:
        out.write(header + struct.pack("<%dI" % len(fat), *fat) + directory)
        for _, data, _ in padded:
            out.write(data)


def write_ods(job):
    from odf.opendocument import OpenDocumentSpreadsheet
    from odf.table import Table, TableRow, TableCell
    from odf.text import P
    doc = OpenDocumentSpreadsheet()
    for sheet in job["sheets"]:
        table = Table(name=sheet["name"])
        for row in sheet["rows"]:
            if isinstance(row, dict):
                tr = TableRow(numberrowsrepeated=row["repeat"])
                row = row["cells"]
            else:
                tr = TableRow()
            for cell in row:
                if cell is None:
                    tr.addElement(TableCell())
                elif isinstance(cell, dict) and "date" in cell:
                    tc = TableCell(valuetype="date", datevalue=cell["date"])
                    tc.addElement(P(text=cell["date"]))
                    tr.addElement(tc)
                elif isinstance(cell, dict):
                    tc = TableCell(valuetype="float", value=cell["value"], formula="of:=" + cell["formula"])
                    tc.addElement(P(text=str(cell["value"])))
                    tr.addElement(tc)
                elif isinstance(cell, str):
                    tc = TableCell(valuetype="string")
                    tc.addElement(P(text=cell))
                    tr.addElement(tc)
                else:
                    tc = TableCell(valuetype="float", value=cell)
                    tc.addElement(P(text=str(cell)))
                    tr.addElement(tc)
            table.addElement(tr)
        doc.spreadsheet.addElement(table)
    doc.save(job["path"])


def write_csv(job):
    import csv
    rows = job["sheets"][0]["rows"]

    def text(cell):
        if cell is None:
            return ""
        if isinstance(cell, dict):
            return cell.get("date", cell.get("value"))
        return cell

    with open(job["path"], "w", newline="", encoding=job.get("encoding", "utf-8")) as out:
        writer = csv.writer(out)
        for row in rows:
            writer.writerow([text(c) for c in row])


def main():
    job = json.load(sys.stdin)
    writers = {"xls": write_xls, "xlsx": write_xlsx, "ods": write_ods, "csv": write_csv}
    writers[job["format"]](job)


if __name__ == "__main__":
    main()
