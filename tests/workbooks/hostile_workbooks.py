#!/usr/bin/python3
"""Writes the hostile workbooks of the reading-process tests, small on disk however much they ask
for when read. Nothing large is stored in the project: each file is made by the test that uses it.

  hostile_workbooks.py xls-mutant SOURCE SEED OUT
      SOURCE (an .xls the test wrote) with bytes after the compound file header changed by a
      random generator started at SEED: some of these make FreeXL 1.0.6 crash while opening.
  hostile_workbooks.py ods-repeat OUT columns|rows COUNT
      An .ods whose sheet pemrod has the import's header and one row whose filled cell is repeated
      COUNT times across (columns) or whose row is repeated COUNT times down (rows).
  hostile_workbooks.py xlsx-string OUT CHARACTERS
      An .xlsx whose sheet pemrod has the header and one row whose name is a shared string of
      CHARACTERS letters (compressed, so the file stays small).
  hostile_workbooks.py xlsx-bomb OUT MEGABYTES
      An .xlsx whose worksheet holds MEGABYTES of blanks between its rows, while the archive's
      directory says the worksheet takes 1 KB: a zip bomb that lies about its size.
"""
import random
import struct
import sys
import zipfile

HEADER = ["a", "b", "c", "d", "e", "f", "g", "a1", "a2", "a3", "a4", "a5", "a6", "a7", "a8", "z", "day1"]


def xls_mutant(source, seed, out):
    data = bytearray(open(source, "rb").read())
    rng = random.Random(int(seed))
    for _ in range(rng.randint(1, 16)):
        at = rng.randrange(512, len(data))
        data[at] = rng.randrange(256)
    open(out, "wb").write(bytes(data))


ODS_MANIFEST = """<?xml version="1.0" encoding="UTF-8"?>
<manifest:manifest xmlns:manifest="urn:oasis:names:tc:opendocument:xmlns:manifest:1.0" manifest:version="1.2">
 <manifest:file-entry manifest:full-path="/" manifest:media-type="application/vnd.oasis.opendocument.spreadsheet"/>
 <manifest:file-entry manifest:full-path="content.xml" manifest:media-type="text/xml"/>
</manifest:manifest>
"""


def ods_cell(text):
    return ('<table:table-cell office:value-type="string"><text:p>%s</text:p></table:table-cell>' % text)


def ods_repeat(out, direction, count):
    header = "<table:table-row>" + "".join(ods_cell(h) for h in HEADER) + "</table:table-row>"
    if direction == "columns":
        row = ('<table:table-row>%s<table:table-cell table:number-columns-repeated="%s" office:value-type="float" '
               'office:value="1"><text:p>1</text:p></table:table-cell></table:table-row>' % (ods_cell("衬衫"), count))
    else:
        row = ('<table:table-row table:number-rows-repeated="%s">%s%s</table:table-row>'
               % (count, ods_cell("衬衫"), ods_cell("XL")))
    content = ('<?xml version="1.0" encoding="UTF-8"?>'
               '<office:document-content xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0" '
               'xmlns:table="urn:oasis:names:tc:opendocument:xmlns:table:1.0" '
               'xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0" office:version="1.2">'
               '<office:body><office:spreadsheet><table:table table:name="pemrod">'
               + header + row + '</table:table></office:spreadsheet></office:body></office:document-content>')
    with zipfile.ZipFile(out, "w") as z:
        z.writestr(zipfile.ZipInfo("mimetype"), "application/vnd.oasis.opendocument.spreadsheet")
        z.writestr("META-INF/manifest.xml", ODS_MANIFEST, zipfile.ZIP_DEFLATED)
        z.writestr("content.xml", content, zipfile.ZIP_DEFLATED)


def column_name(index):
    name = ""
    index += 1
    while index:
        index, rest = divmod(index - 1, 26)
        name = chr(65 + rest) + name
    return name


NS = 'xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main"'


def xlsx_parts(out, sheet, strings, write_strings):
    """An .xlsx with the sheet pemrod: `sheet(part)` writes its worksheet, `write_strings(part)` the
    shared strings after the header's (`strings` are all of them, for the counts)."""
    rel = 'xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships"'
    with zipfile.ZipFile(out, "w", zipfile.ZIP_DEFLATED) as z:
        z.writestr("[Content_Types].xml",
                   '<?xml version="1.0" encoding="UTF-8"?><Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types">'
                   '<Default Extension="rels" ContentType="application/vnd.openxmlformats-package.relationships+xml"/>'
                   '<Default Extension="xml" ContentType="application/xml"/>'
                   '<Override PartName="/xl/workbook.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml"/>'
                   '<Override PartName="/xl/worksheets/sheet1.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml"/>'
                   '<Override PartName="/xl/sharedStrings.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.sharedStrings+xml"/>'
                   '</Types>')
        z.writestr("_rels/.rels",
                   '<?xml version="1.0" encoding="UTF-8"?><Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">'
                   '<Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument" Target="xl/workbook.xml"/>'
                   '</Relationships>')
        z.writestr("xl/workbook.xml",
                   '<?xml version="1.0" encoding="UTF-8"?><workbook %s %s><sheets><sheet name="pemrod" sheetId="1" r:id="rId1"/></sheets></workbook>'
                   % (NS, rel))
        z.writestr("xl/_rels/workbook.xml.rels",
                   '<?xml version="1.0" encoding="UTF-8"?><Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">'
                   '<Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet" Target="worksheets/sheet1.xml"/>'
                   '<Relationship Id="rId2" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/sharedStrings" Target="sharedStrings.xml"/>'
                   '</Relationships>')
        with z.open("xl/worksheets/sheet1.xml", "w", force_zip64=True) as part:
            sheet(part)
        with z.open("xl/sharedStrings.xml", "w", force_zip64=True) as part:
            part.write(('<?xml version="1.0" encoding="UTF-8"?><sst %s count="%d" uniqueCount="%d">'
                        % (NS, len(strings), len(strings))).encode())
            for s in HEADER:
                part.write(("<si><t>%s</t></si>" % s).encode())
            write_strings(part)
            part.write(b"</sst>")


def header_row():
    return "<row r=\"1\">%s</row>" % "".join('<c r="%s1" t="s"><v>%d</v></c>' % (column_name(i), i)
                                             for i in range(len(HEADER)))


def write_repeated(part, byte, count):
    chunk = byte * (1 << 20)
    while count > 0:
        part.write(chunk[:min(count, len(chunk))])
        count -= len(chunk)


def xlsx_string(out, characters):
    def sheet(part):
        part.write(('<?xml version="1.0" encoding="UTF-8"?><worksheet %s><sheetData>%s'
                    '<row r="2"><c r="A2" t="s"><v>%d</v></c></row></sheetData></worksheet>'
                    % (NS, header_row(), len(HEADER))).encode())

    def long_string(part):
        part.write(b"<si><t>")
        write_repeated(part, b"a", int(characters))
        part.write(b"</t></si>")
    xlsx_parts(out, sheet, HEADER + ["LONG"], long_string)


def xlsx_bomb(out, megabytes):
    def sheet(part):
        part.write(('<?xml version="1.0" encoding="UTF-8"?><worksheet %s><sheetData>%s'
                    % (NS, header_row())).encode())
        write_repeated(part, b" ", int(megabytes) << 20)
        part.write(b"</sheetData></worksheet>")
    xlsx_parts(out, sheet, HEADER, lambda part: None)
    # The worksheet's size in the central directory (and in the zip64 field there, if any) says 1 KB.
    data = bytearray(open(out, "rb").read())
    name = b"xl/worksheets/sheet1.xml"
    at = data.find(b"PK\x01\x02")
    while at >= 0:
        name_length, extra_length = struct.unpack_from("<HH", data, at + 28)
        if data[at + 46:at + 46 + name_length] == name:
            if struct.unpack_from("<I", data, at + 24)[0] == 0xFFFFFFFF:
                extra = at + 46 + name_length
                struct.pack_into("<Q", data, extra + 4, 1024)
            else:
                struct.pack_into("<I", data, at + 24, 1024)
        at = data.find(b"PK\x01\x02", at + 1)
    open(out, "wb").write(bytes(data))




if __name__ == "__main__":
    kind = sys.argv[1]
    if kind == "xls-mutant":
        xls_mutant(*sys.argv[2:5])
    elif kind == "ods-repeat":
        ods_repeat(sys.argv[2], sys.argv[3], sys.argv[4])
    elif kind == "xlsx-string":
        xlsx_string(sys.argv[2], sys.argv[3])
    elif kind == "xlsx-bomb":
        xlsx_bomb(sys.argv[2], sys.argv[3])
    else:
        raise SystemExit("unknown kind " + kind)
