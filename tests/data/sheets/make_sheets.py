#!/usr/bin/python3
# Makes the spreadsheet test files in this folder (Debian: python3-xlwt,
# python3-openpyxl, python3-odf). Run it here: /usr/bin/python3 make_sheets.py
# ("make_sheets.py raw" makes only the files that need nothing but zipfile).
import sys, zipfile

# Packages written part by part, with zipfile alone.
MAIN = "http://schemas.openxmlformats.org/spreadsheetml/2006/main"
REL = "http://schemas.openxmlformats.org/officeDocument/2006/relationships"
PKG = "http://schemas.openxmlformats.org/package/2006/relationships"
def put(z, name, data, compression=zipfile.ZIP_DEFLATED):
    # A fixed time, so that a file made again is the same file.
    info = zipfile.ZipInfo(name, (2024, 1, 1, 0, 0, 0))
    info.compress_type = compression
    z.writestr(info, data)

def raw_xlsx(path, cells, workbook_pr="", strings=()):
    """cells: (address, attributes, inner XML) of the one sheet's cells, in order."""
    rows = {}
    for ref, attrs, inner in cells:
        rows.setdefault(int(ref.lstrip("ABCDEFGHIJKLMNOPQRSTUVWXYZ")), []).append(
            '<c r="%s"%s>%s</c>' % (ref, attrs, inner))
    sheet = "".join('<row r="%d">%s</row>' % (r, "".join(c)) for r, c in sorted(rows.items()))
    z = zipfile.ZipFile(path, "w", zipfile.ZIP_DEFLATED)
    put(z, "[Content_Types].xml", '<Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types"><Default Extension="rels" ContentType="application/vnd.openxmlformats-package.relationships+xml"/><Default Extension="xml" ContentType="application/xml"/></Types>')
    put(z, "_rels/.rels", '<Relationships xmlns="%s"><Relationship Id="rId1" Type="%s/officeDocument" Target="xl/workbook.xml"/></Relationships>' % (PKG, REL))
    put(z, "xl/workbook.xml", '<workbook xmlns="%s" xmlns:r="%s">%s<sheets><sheet name="Sheet1" sheetId="1" r:id="rId1"/></sheets></workbook>' % (MAIN, REL, workbook_pr))
    put(z, "xl/_rels/workbook.xml.rels", '<Relationships xmlns="%s"><Relationship Id="rId1" Type="%s/worksheet" Target="worksheets/sheet1.xml"/><Relationship Id="rId2" Type="%s/styles" Target="styles.xml"/><Relationship Id="rId3" Type="%s/sharedStrings" Target="sharedStrings.xml"/></Relationships>' % (PKG, REL, REL, REL))
    # Style 1 shows a date (built-in format 14).
    put(z, "xl/styles.xml", '<styleSheet xmlns="%s"><cellXfs count="2"><xf numFmtId="0"/><xf numFmtId="14"/></cellXfs></styleSheet>' % MAIN)
    put(z, "xl/sharedStrings.xml", '<sst xmlns="%s">%s</sst>' % (MAIN, "".join("<si><t>%s</t></si>" % t for t in strings)))
    put(z, "xl/worksheets/sheet1.xml", '<worksheet xmlns="%s"><sheetData>%s</sheetData></worksheet>' % (MAIN, sheet))
    z.close()

def raw_ods(path, texts, compression=zipfile.ZIP_DEFLATED):
    """One column of text cells; a text may be an iterable of pieces."""
    z = zipfile.ZipFile(path, "w", zipfile.ZIP_DEFLATED)
    put(z, "mimetype", "application/vnd.oasis.opendocument.spreadsheet", zipfile.ZIP_STORED)
    put(z, "META-INF/manifest.xml", '<manifest:manifest xmlns:manifest="urn:oasis:names:tc:opendocument:xmlns:manifest:1.0" manifest:version="1.2"><manifest:file-entry manifest:full-path="/" manifest:media-type="application/vnd.oasis.opendocument.spreadsheet"/><manifest:file-entry manifest:full-path="content.xml" manifest:media-type="text/xml"/></manifest:manifest>')
    info = zipfile.ZipInfo("content.xml", (2024, 1, 1, 0, 0, 0))
    info.compress_type = compression
    with z.open(info, "w") as content:
        content.write(b'<office:document-content xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0" xmlns:table="urn:oasis:names:tc:opendocument:xmlns:table:1.0" xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0" office:version="1.2"><office:body><office:spreadsheet><table:table table:name="Terms">')
        for text in texts:
            content.write(b'<table:table-row><table:table-cell office:value-type="string"><text:p>')
            for piece in ([text] if isinstance(text, str) else text):
                content.write(piece.encode())
            content.write(b"</text:p></table:table-cell></table:table-row>")
        content.write(b"</table:table></office:spreadsheet></office:body></office:document-content>")
    z.close()

def raw_sheets():
    # Date serials in both date systems: the 1900 one counts 29 February 1900,
    # the 1904 one starts at 1 January 1904 (a leap year) with serial 0.
    serials = ["0", "1", "59", "60", "61", "0.75", "43894"]
    for name, pr in (("dates_1900.xlsx", '<workbookPr date1904="false"/>'),
                     ("dates_1904.xlsx", '<workbookPr date1904="true"/>')):
        raw_xlsx(name, [("A%d" % (i + 1), ' s="1"', "<v>%s</v>" % v) for i, v in enumerate(serials)], pr)
    # Escapes of characters XML cannot carry (_xHHHH_) anywhere in a text, in
    # shared strings (column A) and inline strings (column B).
    escaped = ["end_x0041_", "_x0042_start", "a_x000D_b", "_x005F_x0041_", "short_x41_", "cut_x004"]
    raw_xlsx("escapes.xlsx",
             [("A%d" % (i + 1), ' t="s"', "<v>%d</v>" % i) for i in range(len(escaped))] +
             [("B%d" % (i + 1), ' t="inlineStr"', "<is><t>%s</t></is>" % t) for i, t in enumerate(escaped)],
             strings=escaped)
    # Cells past the longest text a cell may hold (32767 characters): a shared
    # string of each format, a text whose XML runs for 2 MiB without markup,
    # and a cell of 300 MiB that the package packs into a few hundred bytes.
    raw_xlsx("longcell.xlsx", [("A1", ' t="s"', "<v>0</v>"), ("A2", ' t="s"', "<v>1</v>")],
             strings=["Abc1", "x" * 40000])
    raw_ods("longcell.ods", ["Abc1", "x" * 40000])
    raw_ods("longrun.ods", ["Abc1", "x" * (2 << 20)])
    raw_ods("bomb.ods", ["Abc1", ("x" * (1 << 20) for _ in range(300))], zipfile.ZIP_BZIP2)

raw_sheets()
if sys.argv[1:] == ["raw"]:
    sys.exit()
import xlwt, openpyxl, csv, os, datetime, shutil
rows = [
    ["Name", "Score", "Hit"],
    ["Abc1", 42, "Abc1 | 123 MM#2"],
    ["Def2", 3.5, None],
    ["AB000001/AB000002", 7, "Def2 | x"],
    ["Abc1", None, "Abc1 | 123 MM#2"],
]
other = [["X1", None], [None, "Y2"]]
wb = xlwt.Workbook()
for name, data in (("Hits", rows), ("Other", other)):
    ws = wb.add_sheet(name)
    for r, row in enumerate(data):
        for c, v in enumerate(row):
            if v is not None:
                ws.write(r, c, v)
wb.save("terms.xls")
wb = openpyxl.Workbook()
ws = wb.active; ws.title = "Hits"
for r, row in enumerate(rows):
    for c, v in enumerate(row):
        if v is not None:
            ws.cell(row=r+1, column=c+1, value=v)
ws2 = wb.create_sheet("Other")
for r, row in enumerate(other):
    for c, v in enumerate(row):
        if v is not None:
            ws2.cell(row=r+1, column=c+1, value=v)
wb.save("terms.xlsx")
# As Python writes it: part targets from the package root, inline strings;
# and, as some writers do, without the addresses of rows and cells that
# follow the one before.
import re, zipfile
def drop_addresses(xml):
    def row(m):
        cells, expect = [], 0
        for c in re.finditer(r'<c r="([A-Z]+)([0-9]+)"', m.group(0)):
            cells.append((c.group(0), ord(c.group(1)) - 65 == expect))
            expect = ord(c.group(1)) - 65 + 1
        text = m.group(0)
        for old, follows in cells:
            if follows:
                text = text.replace(old, "<c", 1)
        return text
    xml = re.sub(r"<row .*?</row>", row, xml)
    return re.sub(r'<row r="[0-9]+"', "<row", xml)
src = zipfile.ZipFile("terms.xlsx")
out = zipfile.ZipFile("terms_python.xlsx", "w", zipfile.ZIP_DEFLATED)
for i in src.infolist():
    data = src.read(i.filename)
    if i.filename == "xl/worksheets/sheet1.xml":
        data = drop_addresses(data.decode()).encode()
    out.writestr(i.filename, data)
out.close()
src.close()
with open("terms.csv", "w", newline="") as f:
    w = csv.writer(f, lineterminator="\r\n")
    for row in rows:
        w.writerow(["" if v is None else v for v in row])
from odf.opendocument import OpenDocumentSpreadsheet
from odf.table import Table, TableRow, TableCell
from odf.text import P
doc = OpenDocumentSpreadsheet()
for name, data in (("Hits", rows), ("Other", other)):
    t = Table(name=name)
    for row in data:
        tr = TableRow()
        for v in row:
            if v is None:
                tc = TableCell()
            elif isinstance(v, str):
                tc = TableCell(valuetype="string"); tc.addElement(P(text=v))
            else:
                tc = TableCell(valuetype="float", value=v); tc.addElement(P(text=str(v)))
            tr.addElement(tc)
        t.addElement(tr)
    doc.spreadsheet.addElement(t)
doc.save("terms.ods")
open("corrupt.xls", "wb").write(b"\xd0\xcf\x11\xe0\xa1\xb1\x1a\xe1" + b"\x00" * 40 + b"not really a workbook" * 10)
data = open("terms.xlsx", "rb").read()
open("corrupt.xlsx", "wb").write(data[: len(data) // 2])

# terms.xlsx is stored the way Excel writes it: relative part targets and a
# shared string table (the xlsx reader does not follow absolute targets).
import re, zipfile
from xml.sax.saxutils import escape
path = "terms.xlsx"
src = zipfile.ZipFile(path)
items = [(i.filename, src.read(i.filename)) for i in src.infolist()]
src.close()
strings = []
def repl(m):
    text = m.group(2)
    if text not in strings:
        strings.append(text)
    return '<c r="%s" t="s"><v>%d</v></c>' % (m.group(1), strings.index(text))
out_items = []
for name, data in items:
    if name.startswith('xl/worksheets/'):
        data = re.sub(r'<c r="([A-Z]+[0-9]+)" t="inlineStr"><is><t>(.*?)</t></is></c>', repl, data.decode()).encode()
    out_items.append((name, data))
sst = '<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n<sst xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main" count="%d" uniqueCount="%d">' % (len(strings), len(strings))
sst += ''.join('<si><t xml:space="preserve">%s</t></si>' % s for s in strings) + '</sst>'
out = zipfile.ZipFile(path, 'w', zipfile.ZIP_DEFLATED)
for name, data in out_items:
    if name == 'xl/_rels/workbook.xml.rels':
        data = data.replace(b'Target="/xl/', b'Target="')
        data = data.replace(b'</Relationships>', b'<Relationship Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/sharedStrings" Target="sharedStrings.xml" Id="rId9"/></Relationships>')
    if name == '[Content_Types].xml':
        data = data.replace(b'</Types>', b'<Override PartName="/xl/sharedStrings.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.sharedStrings+xml"/></Types>')
    out.writestr(name, data)
out.writestr('xl/sharedStrings.xml', sst)
out.close()
data = open("terms.xlsx", "rb").read()
open("corrupt.xlsx", "wb").write(data[: len(data) // 2])

# Every kind of cell, written by Python (kinds_python.xlsx) and in the form
# office suites write (kinds.xlsx: relative part targets, a shared string
# table with a rich-text item, a built-in date format, a formula's stored
# result). kinds_1904.xlsx counts dates from 1904 and has no "early" row.
kinds = [
    ("text", "Pax6"), ("rich", "Sox2 fox"), ("escaped", "a_x000D_b"),
    ("whole", 42), ("fraction", 2.5), ("percent", 0.25, "0%"),
    ("quoted", 5, '0 "days"'), ("colour", 1.5, "[Red]0.0"),
    ("true", True), ("false", False), ("error", "#DIV/0!"),
    ("date", datetime.date(2024, 3, 5), "yyyy-mm-dd"),
    ("datetime", datetime.datetime(2024, 3, 5, 14, 30, 0), "yyyy-mm-dd h:mm:ss"),
    ("time", datetime.time(14, 30, 15), "h:mm:ss"),
    ("formula", "=B4*2"),
    ("early", datetime.date(1900, 1, 15), "yyyy-mm-dd"),
]
def kinds_book(path, epoch1904=False):
    wb = openpyxl.Workbook()
    if epoch1904:
        from openpyxl.utils.datetime import CALENDAR_MAC_1904
        wb.epoch = CALENDAR_MAC_1904
    ws = wb.active; ws.title = "Kinds"
    for i, k in enumerate(kinds):
        if epoch1904 and k[0] == "early":
            continue
        ws.cell(row=i+1, column=1, value=k[0])
        c = ws.cell(row=i+1, column=2, value=k[1])
        if len(k) > 2:
            c.number_format = k[2]
    wb.create_sheet("Empty")
    wb.save(path)
kinds_book("kinds_python.xlsx")
kinds_book("kinds_1904.xlsx", True)

def office_form(src_path, path):
    src = zipfile.ZipFile(src_path)
    items = [(i.filename, src.read(i.filename)) for i in src.infolist()]
    src.close()
    strings = []
    def repl(m):
        text = m.group(2)
        if text not in strings:
            strings.append(text)
        return '<c r="%s" t="s"><v>%d</v></c>' % (m.group(1), strings.index(text))
    styles = dict(items)["xl/styles.xml"].decode()
    date_id = re.search(r'numFmtId="(\d+)" formatCode="yyyy-mm-dd"', styles).group(1)
    out = zipfile.ZipFile(path, "w", zipfile.ZIP_DEFLATED)
    for name, data in items:
        if name.startswith("xl/worksheets/"):
            text = re.sub(r'<c r="([A-Z]+[0-9]+)" t="inlineStr"><is><t>(.*?)</t></is></c>', repl, data.decode())
            text = text.replace("<f>B4*2</f><v></v>", "<f>B4*2</f><v>84</v>")
            data = text.encode()
        if name == "xl/styles.xml":
            data = data.replace(b'<xf numFmtId="%s"' % date_id.encode(), b'<xf numFmtId="14"')
        if name == "xl/_rels/workbook.xml.rels":
            data = data.replace(b'Target="/xl/', b'Target="')
            data = data.replace(b"</Relationships>", b'<Relationship Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/sharedStrings" Target="sharedStrings.xml" Id="rId9"/></Relationships>')
        if name == "[Content_Types].xml":
            data = data.replace(b"</Types>", b'<Override PartName="/xl/sharedStrings.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.sharedStrings+xml"/></Types>')
        out.writestr(name, data)
    items_xml = []
    for s in strings:
        if s == "Sox2 fox":
            items_xml.append('<si><r><t>Sox2</t></r><r><rPr><b/></rPr><t xml:space="preserve"> fox</t></r><rPh sb="0" eb="4"><t>X</t></rPh></si>')
        else:
            items_xml.append('<si><t xml:space="preserve">%s</t></si>' % s)
    sst = '<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n<sst xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main" count="%d" uniqueCount="%d">' % (len(strings), len(strings))
    out.writestr("xl/sharedStrings.xml", sst + "".join(items_xml) + "</sst>")
    out.close()
office_form("kinds_python.xlsx", "kinds.xlsx")

# Rows that stand for three and two (table:number-rows-repeated), a cell for
# two, and the million empty rows a spreadsheet program writes after the data.
doc = OpenDocumentSpreadsheet()
t = Table(name="Repeated")
tr = TableRow(numberrowsrepeated=3)
tc = TableCell(valuetype="string"); tc.addElement(P(text="Abc1")); tr.addElement(tc)
tc = TableCell(valuetype="float", value=2, numbercolumnsrepeated=2); tc.addElement(P(text="2")); tr.addElement(tc)
t.addElement(tr)
tr = TableRow(numberrowsrepeated=2); tc = TableCell(valuetype="string"); tc.addElement(P(text="End")); tr.addElement(tc); t.addElement(tr)
tr = TableRow(numberrowsrepeated=1048571); tr.addElement(TableCell(numbercolumnsrepeated=1024)); t.addElement(tr)
doc.spreadsheet.addElement(t)
doc.save("repeated.ods")

# A worksheet part whose XML breaks off.
src = zipfile.ZipFile("terms.xlsx")
out = zipfile.ZipFile("broken_xml.xlsx", "w", zipfile.ZIP_DEFLATED)
for i in src.infolist():
    data = src.read(i.filename)
    if i.filename == "xl/worksheets/sheet1.xml":
        data = data[: len(data) // 2]
    out.writestr(i.filename, data)
out.close()

# Two cells so far apart that the sheet would be larger than can be shown.
wb = openpyxl.Workbook()
wb.active["A1"] = "a"
wb.active["XFD1048576"] = "z"
wb.save("toolarge.xlsx")

# damaged_second_sheet.xls (terms.xls with its second sheet damaged) and
# damaged_parts.ods (repeated.ods with damaged compressed parts) were found by
# fuzzing; they are kept as they are and not made here.
