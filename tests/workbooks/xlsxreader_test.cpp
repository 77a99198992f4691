#include "stock/storedzip.h"
#include "stock/workbookformats.h"

#include <QDate>
#include <QtEndian>

#include <gtest/gtest.h>

namespace {

const char kMain[] = "http://schemas.openxmlformats.org/spreadsheetml/2006/main";
const char kRelations[] = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";

// The rows a reader handed over, each as "index: A=N:12 C=T:text", in the order they came; an
// error as "error: <text>".
struct Transcript : SheetReceiver {
    QStringList lines;
    void begin(const QString &name, const QDate &origin) override
    {
        lines << QStringLiteral("sheet %1 from %2").arg(name, origin.toString(Qt::ISODate));
    }
    void row(size_t index, const SheetRow &cells) override
    {
        QStringList shown;
        for (size_t c = 0; c < cells.size(); ++c) {
            const SheetCell &cell = cells[c];
            static const char *const kinds[] = {"", "N:", "T:", "D:"};
            if (cell.kind == SheetCell::Kind::Empty)
                continue;
            const QString value =
                cell.kind == SheetCell::Kind::Number ? QString::number(cell.number, 'g', 17) : cell.text;
            shown << QStringLiteral("%1=%2%3").arg(c).arg(QLatin1String(kinds[int(cell.kind)]), value);
        }
        lines << QStringLiteral("%1: %2").arg(index).arg(shown.join(QLatin1Char(' ')));
    }
};

using Parts = QList<std::pair<QByteArray, QByteArray>>;

// The parts of an .xlsx: the sheet pemrod behind a sheet "说明", with its cells as given in
// `sheetData`, and the shared strings when there are any.
Parts parts(const QByteArray &sheetData, const QByteArray &sharedStrings = {}, const QByteArray &workbookPr = {})
{
    const QByteArray ns = QByteArray("xmlns=\"") + kMain + "\" xmlns:r=\"" + kRelations + "\"";
    const QByteArray relationType = "http://schemas.openxmlformats.org/officeDocument/2006/relationships/";
    QByteArray relations = "<?xml version=\"1.0\"?><Relationships "
                           "xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
                           "<Relationship Id=\"rId1\" Type=\"" + relationType + "worksheet\" Target=\"worksheets/sheet1.xml\"/>"
                           "<Relationship Id=\"rId2\" Type=\"" + relationType + "worksheet\" Target=\"worksheets/sheet2.xml\"/>";
    if (!sharedStrings.isEmpty())
        relations += "<Relationship Id=\"rId3\" Type=\"" + relationType + "sharedStrings\" Target=\"sharedStrings.xml\"/>";
    relations += "</Relationships>";
    Parts parts = {
        {"[Content_Types].xml",
         "<?xml version=\"1.0\"?><Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
         "<Default Extension=\"rels\" ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
         "<Default Extension=\"xml\" ContentType=\"application/xml\"/>"
         "<Override PartName=\"/xl/workbook.xml\" "
         "ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml\"/>"
         "<Override PartName=\"/xl/worksheets/sheet1.xml\" "
         "ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml\"/>"
         "<Override PartName=\"/xl/worksheets/sheet2.xml\" "
         "ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml\"/>"
         "<Override PartName=\"/xl/sharedStrings.xml\" "
         "ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.sharedStrings+xml\"/>"
         "</Types>"},
        {"_rels/.rels",
         "<?xml version=\"1.0\"?><Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
         "<Relationship Id=\"rId1\" Type=\"" + relationType + "officeDocument\" Target=\"xl/workbook.xml\"/>"
         "</Relationships>"},
        {"xl/workbook.xml", "<?xml version=\"1.0\"?><workbook " + ns + ">" + workbookPr +
                                "<sheets><sheet name=\"说明\" sheetId=\"1\" r:id=\"rId1\"/>"
                                "<sheet name=\"pemrod\" sheetId=\"2\" r:id=\"rId2\"/></sheets></workbook>"},
        {"xl/_rels/workbook.xml.rels", relations},
        {"xl/worksheets/sheet1.xml", "<?xml version=\"1.0\"?><worksheet " + ns +
                                         "><sheetData><row r=\"1\"><c r=\"A1\"><v>99</v></c></row></sheetData></worksheet>"},
        {"xl/worksheets/sheet2.xml", "<?xml version=\"1.0\"?><worksheet " + ns + "><sheetData>" + sheetData +
                                         "</sheetData></worksheet>"},
    };
    if (!sharedStrings.isEmpty())
        parts.append({"xl/sharedStrings.xml", "<?xml version=\"1.0\"?><sst " + ns + ">" + sharedStrings + "</sst>"});
    return parts;
}

QByteArray xlsx(const QByteArray &sheetData, const QByteArray &sharedStrings = {}, const QByteArray &workbookPr = {})
{
    return storedZip(parts(sheetData, sharedStrings, workbookPr));
}

// The parts with the one of that name left out, or its content replaced.
Parts without(Parts all, const QByteArray &name)
{
    all.removeIf([&](const auto &part) { return part.first == name; });
    return all;
}

Parts replaced(Parts all, const QByteArray &name, const QByteArray &content)
{
    for (auto &part : all) {
        if (part.first == name)
            part.second = content;
    }
    return all;
}

// What the reader made of `content`: the sheet it began, the rows, and the refusal when there was one.
QStringList transcript(const QByteArray &content)
{
    Transcript t;
    try {
        workbook::readXlsx(QStringLiteral("t.xlsx"), content, QStringLiteral("pemrod"), t, {});
    } catch (const WorkbookError &e) {
        t.lines << QStringLiteral("error: ") + e.text();
    }
    return t.lines;
}

QString row(const char *row) { return QString::fromUtf8(row); }

// The refusal of a damaged workbook, with the reason it names.
QString damaged(const char *why)
{
    return QStringLiteral("error: 工作簿 t.xlsx 已损坏或不完整，无法读取（内容不符合 Excel 工作簿（.xlsx）的格式：%1）")
        .arg(QString::fromUtf8(why));
}

const QString kBegun = QStringLiteral("sheet pemrod from 1899-12-30");

struct Case {
    const char *what;
    QByteArray content;
    QStringList rows; // after the sheet's beginning
};

// Each kind of cell the format has, as the worksheet holds it: numbers as numbers (a date too is a
// number with a date format), shared, inline and formula strings as text, truth values as 1 and 0,
// ISO dates as dates; errors and formulas never computed leave the cell empty. What breaks the
// format is refused naming the cell, never read as something else.
TEST(XlsxReader, EveryKindOfCellAsTheWorksheetHoldsIt)
{
    const QByteArray strings = "<si><t>a</t></si><si><t xml:space=\"preserve\">  两 边  </t></si>"
                               "<si><r><rPr><b/></rPr><t>粗</t></r><r><t>体</t></r></si><si><t/></si>"
                               "<si><t>漢字</t><rPh sb=\"0\" eb=\"2\"><t>かんじ</t></rPh><phoneticPr fontId=\"1\"/></si>";
    const Case cases[] = {
        {"numbers",
         xlsx("<row r=\"1\"><c r=\"A1\"><v>12</v></c><c r=\"B1\" t=\"n\"><v>-0.5</v></c><c r=\"C1\"><v>1E-3</v></c>"
              "<c r=\"D1\"><v>1e+5</v></c><c r=\"E1\"><v>.5</v></c><c r=\"F1\"><v>5.</v></c><c r=\"G1\"><v>+3</v></c>"
              "<c r=\"H1\"><v></v></c><c r=\"I1\"/><c r=\"J1\" s=\"1\"><v>41849</v></c><c r=\"K1\"><v> 7 </v></c></row>"),
         {row("0: 0=N:12 1=N:-0.5 2=N:0.001 3=N:100000 4=N:0.5 5=N:5 6=N:3 9=N:41849 10=N:7")}},
        {"shared strings, their runs joined, phonetic guides left out",
         xlsx("<row r=\"1\"><c r=\"A1\" t=\"s\"><v>0</v></c><c r=\"B1\" t=\"s\"><v>1</v></c><c r=\"C1\" t=\"s\"><v>2</v></c>"
              "<c r=\"D1\" t=\"s\"><v>3</v></c><c r=\"E1\" t=\"s\"><v>4</v></c><c r=\"F1\" t=\"s\"/></row>",
              strings),
         {row("0: 0=T:a 1=T:  两 边   2=T:粗体 4=T:漢字")}},
        {"shared string beyond the list", xlsx("<row r=\"1\"><c r=\"A1\" t=\"s\"><v>5</v></c></row>", strings),
         {damaged("单元格 A1 引用的共享字符串 5 不存在")}},
        {"shared string index that is no number", xlsx("<row r=\"1\"><c r=\"A1\" t=\"s\"><v>x</v></c></row>", strings),
         {damaged("单元格 A1 引用的共享字符串 x 不存在")}},
        {"shared string without a list", xlsx("<row r=\"1\"><c r=\"B1\" t=\"s\"><v>0</v></c></row>"),
         {damaged("单元格 B1 引用的共享字符串 0 不存在")}},
        {"formulas with their last results",
         xlsx("<row r=\"1\"><c r=\"A1\" t=\"str\"><f>\"a\"&amp;\"b\"</f><v>ab</v></c><c r=\"B1\"><f>1+1</f><v>2</v></c>"
              "<c r=\"C1\"><f>1+1</f></c><c r=\"D1\" t=\"str\"><f>\"\"</f><v></v></c>"
              "<c r=\"E1\" t=\"b\"><f>TRUE()</f><v>1</v></c></row>"),
         {row("0: 0=T:ab 1=N:2 4=N:1")}},
        {"inline strings",
         xlsx("<row r=\"1\"><c r=\"A1\" t=\"inlineStr\"><is><t>内联</t></is></c>"
              "<c r=\"B1\" t=\"inlineStr\"><is><r><t>a</t></r><r><t>b</t></r></is></c>"
              "<c r=\"C1\" t=\"inlineStr\"><is><t></t></is></c>"
              "<c r=\"D1\" t=\"inlineStr\"><is><t xml:space=\"preserve\"> x </t></is></c></row>"
              "<row r=\"3\"><c r=\"B3\" t=\"inlineStr\"><is><t>only</t></is></c></row>"),
         {row("0: 0=T:内联 1=T:ab 3=T: x "), row("2: 1=T:only")}},
        {"truth values",
         xlsx("<row r=\"1\"><c r=\"A1\" t=\"b\"><v>1</v></c><c r=\"B1\" t=\"b\"><v>0</v></c>"
              "<c r=\"C1\" t=\"b\"><v>true</v></c><c r=\"D1\" t=\"b\"><v>false</v></c></row>"),
         {row("0: 0=N:1 1=N:0 2=N:1 3=N:0")}},
        {"truth value of another word", xlsx("<row r=\"1\"><c r=\"A1\" t=\"b\"><v>yes</v></c></row>"),
         {damaged("单元格 A1 的逻辑值 yes 不对")}},
        {"errors", xlsx("<row r=\"1\"><c r=\"A1\" t=\"e\"><v>#N/A</v></c><c r=\"B1\" t=\"e\"><f>1/0</f><v>#DIV/0!</v></c>"
                        "<c r=\"C1\"><v>3</v></c></row>"),
         {row("0: 2=N:3")}},
        {"ISO dates",
         xlsx("<row r=\"1\"><c r=\"A1\" t=\"d\"><v>2014-07-29</v></c><c r=\"B1\" t=\"d\"><v>2014-07-29T10:11:12</v></c>"
              "<c r=\"C1\" t=\"d\"><v>2014-07-29T00:00:00Z</v></c><c r=\"D1\" t=\"d\"><v>2014-07-29T08:30+08:00</v></c></row>"),
         {row("0: 0=D:2014-07-29 1=D:2014-07-29 10:11:12 2=D:2014-07-29 3=D:2014-07-29 08:30:00")}},
        {"ISO date that is none", xlsx("<row r=\"1\"><c r=\"A1\" t=\"d\"><v>2014-02-30</v></c></row>"),
         {damaged("单元格 A1 的日期 2014-02-30 不对")}},
        {"a type the format does not have", xlsx("<row r=\"1\"><c r=\"A1\" t=\"zz\"><v>1</v></c></row>"),
         {damaged("单元格类型 zz 不对")}},
        {"entities and character data",
         xlsx("<row r=\"1\"><c r=\"A1\" t=\"inlineStr\"><is><t>&lt;&amp;&#x4E2D;<![CDATA[<x>]]></t></is></c></row>"),
         {row("0: 0=T:<&中<x>")}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(transcript(c.content), QStringList{kBegun} + c.rows);
    }
    for (const char *number : {"abc", "inf", "nan", "0x1A", "1,5", "1e999", "1 2"}) {
        SCOPED_TRACE(number);
        EXPECT_EQ(transcript(xlsx(QByteArray("<row r=\"1\"><c r=\"A1\"><v>") + number + "</v></c></row>")),
                  (QStringList{kBegun, damaged("单元格 A1 的数值 %1 不对").arg(QLatin1String(number))}));
    }
}

// Cells and rows stand where their references put them; without one, a cell follows the cell
// before it and a row the row before it. Rows come in the order the worksheet holds them.
TEST(XlsxReader, CellsAndRowsStandWhereTheirReferencesPutThem)
{
    const Case cases[] = {
        {"columns and rows passed over",
         xlsx("<row r=\"2\"><c r=\"C2\"><v>1</v></c><c r=\"AA2\"><v>2</v></c></row><row r=\"7\"><c r=\"B7\"><v>3</v></c></row>"),
         {row("1: 2=N:1 26=N:2"), row("6: 1=N:3")}},
        {"no references",
         xlsx("<row><c><v>1</v></c><c><v>2</v></c></row><row><c r=\"C2\"><v>3</v></c><c><v>4</v></c></row>"
              "<row r=\"5\"><c><v>5</v></c></row><row><c><v>6</v></c></row>"),
         {row("0: 0=N:1 1=N:2"), row("1: 2=N:3 3=N:4"), row("4: 0=N:5"), row("5: 0=N:6")}},
        {"rows out of order", xlsx("<row r=\"3\"><c r=\"A3\"><v>1</v></c></row><row r=\"2\"><c r=\"A2\"><v>2</v></c></row>"),
         {row("2: 0=N:1"), row("1: 0=N:2")}},
        {"cells out of order", xlsx("<row r=\"1\"><c r=\"C1\"><v>1</v></c><c r=\"A1\"><v>2</v></c></row>"),
         {row("0: 0=N:2 2=N:1")}},
        {"the same cell twice", xlsx("<row r=\"1\"><c r=\"A1\"><v>1</v></c><c r=\"A1\"><v>2</v></c></row>"),
         {row("0: 0=N:2")}},
        {"absolute and lower-case references",
         xlsx("<row r=\"1\"><c r=\"$B$1\"><v>1</v></c><c r=\"c1\"><v>2</v></c></row>"), {row("0: 1=N:1 2=N:2")}},
        {"rows and cells with nothing in them", xlsx("<row r=\"1\"/><row r=\"2\"><c r=\"A2\"/></row>"), {}},
        {"the last column and row", xlsx("<row r=\"1048576\"><c r=\"XFD1048576\"><v>1</v></c></row>"),
         {row("1048575: 16383=N:1")}},
        {"beyond the last column", xlsx("<row r=\"1\"><c r=\"XFE1\"><v>1</v></c></row>"),
         {QStringLiteral("error: 工作表超过 16384 列的上限，无法导入")}},
        {"beyond the last row", xlsx("<row r=\"1048577\"><c r=\"A1048577\"><v>1</v></c></row>"),
         {QStringLiteral("error: 工作表超过 1048576 行的上限，无法导入")}},
        {"a cell in another row than its own", xlsx("<row r=\"1\"><c r=\"A1\"><v>1</v></c><c r=\"B3\"><v>2</v></c></row>"),
         {damaged("单元格 B3 不在它所在的第 1 行")}},
        {"a reference that is none", xlsx("<row r=\"1\"><c r=\"1A\"><v>1</v></c></row>"), {damaged("单元格地址 1A 不对")}},
        {"row 0", xlsx("<row r=\"1\"><c r=\"A0\"><v>1</v></c></row>"), {damaged("单元格地址 A0 不对")}},
        {"a row number that is none", xlsx("<row r=\"x\"><c><v>1</v></c></row>"), {damaged("行号 x 不对")}},
        {"a cell outside a row", xlsx("<c r=\"A1\"><v>1</v></c>"), {damaged("单元格不在行中")}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(transcript(c.content), QStringList{kBegun} + c.rows);
    }
}

// The parts are found through the package's relationships, whatever prefix their names carry; a
// part the workbook needs and lacks, or XML that asks for more than it holds, is refused.
TEST(XlsxReader, ThePartsAreFoundThroughTheirRelationships)
{
    const QByteArray sheet2 = "xl/worksheets/sheet2.xml";
    const QByteArray oneCell = "<row r=\"1\"><c r=\"A1\"><v>1</v></c></row>";
    struct PartsCase {
        const char *what;
        Parts parts;
        QStringList transcript;
    };
    const PartsCase cases[] = {
        {"names with a namespace prefix",
         replaced(parts({}), sheet2,
                  QByteArray("<x:worksheet xmlns:x=\"") + kMain +
                      "\"><x:sheetData><x:row r=\"1\"><x:c r=\"B1\" t=\"inlineStr\"><x:is><x:t>前缀</x:t></x:is>"
                      "</x:c></x:row></x:sheetData></x:worksheet>"),
         {kBegun, row("0: 1=T:前缀")}},
        {"the 1904 date system", parts(oneCell, {}, "<workbookPr date1904=\"1\"/>"),
         {QStringLiteral("sheet pemrod from 1904-01-01"), row("0: 0=N:1")}},
        {"no relationships of the package", without(parts(oneCell), "_rels/.rels"), {kBegun, row("0: 0=N:1")}},
        {"no workbook", without(parts(oneCell), "xl/workbook.xml"), {damaged("缺少 xl/workbook.xml")}},
        {"no relationships of the workbook", without(parts(oneCell), "xl/_rels/workbook.xml.rels"),
         {damaged("找不到工作表 pemrod 的内容")}},
        {"no worksheet", without(parts(oneCell), sheet2), {damaged("缺少 xl/worksheets/sheet2.xml")}},
        {"a document type with entities",
         replaced(parts({}), sheet2,
                  "<?xml version=\"1.0\"?><!DOCTYPE w [<!ENTITY a \"aaaaaaaaaa\"><!ENTITY b \"&a;&a;&a;&a;&a;\">]>"
                  "<worksheet><sheetData/></worksheet>"),
         {kBegun, damaged("xl/worksheets/sheet2.xml 含有文档类型声明（DOCTYPE）")}},
        {"XML cut short", replaced(parts({}), sheet2, "<worksheet><sheetData><row r=\"1\"><c r=\"A1\"><v>1</v></c></row"),
         {kBegun, damaged("xl/worksheets/sheet2.xml XML 格式错误（第 1 行第 56 列）")}},
    };
    for (const PartsCase &c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(transcript(storedZip(c.parts)), c.transcript);
    }
}

// The directory record of the entry `name` in a zip archive (where its fields start).
qsizetype directoryRecord(const QByteArray &zip, const QByteArray &name)
{
    for (qsizetype at = zip.indexOf("PK\x01\x02"); at >= 0; at = zip.indexOf("PK\x01\x02", at + 1)) {
        const quint16 nameLength = qFromLittleEndian<quint16>(zip.constData() + at + 28);
        if (zip.mid(at + 46, nameLength) == name)
            return at;
    }
    return -1;
}

// An archive whose entries were tampered with is refused before its bytes are trusted: a part
// that inflates to more than its directory says (a zip bomb), or to more than any worksheet
// needs, a checksum that does not match, an archive cut short, an encrypted or unknown entry.
TEST(XlsxReader, TamperedArchivesAreRefused)
{
    const QByteArray sheet2 = "xl/worksheets/sheet2.xml";
    const QByteArray good = xlsx("<row r=\"1\"><c r=\"A1\"><v>12</v></c></row>");
    // Sets a field of the worksheet's directory record (at `offset`, `size` bytes).
    auto field = [&](int offset, int size, quint32 value) {
        QByteArray zip = good;
        const qsizetype at = directoryRecord(zip, sheet2);
        EXPECT_GE(at, 0);
        for (int i = 0; i < size; ++i)
            zip[at + offset + i] = char((value >> (8 * i)) & 0xFF);
        return zip;
    };
    QByteArray changedCell = good;
    changedCell.replace("<v>12</v>", "<v>13</v>");
    const struct {
        const char *what;
        QByteArray zip;
        QString refusal;
    } cases[] = {
        {"a size smaller than the part", field(24, 4, 10),
         damaged("压缩包中的 xl/worksheets/sheet2.xml 解压后比记录的大小大，文件已损坏或被恶意构造")},
        {"a size beyond any worksheet", field(24, 4, 0x80000001),
         damaged("压缩包中的 xl/worksheets/sheet2.xml 解压后超过 2048 MB 的上限")},
        {"a size in a zip64 field it lacks", field(24, 4, 0xFFFFFFFF), damaged("压缩包的目录缺少 zip64 信息")},
        {"a changed cell", changedCell, damaged("压缩包中的 xl/worksheets/sheet2.xml 已损坏（大小或校验和不符）")},
        {"encrypted", field(8, 2, 1), damaged("压缩包中的 xl/worksheets/sheet2.xml 已加密")},
        {"an unknown compression", field(10, 2, 12),
         damaged("压缩包中的 xl/worksheets/sheet2.xml 使用了不支持的压缩方式（12）")},
        {"cut short", good.left(good.size() / 2), damaged("找不到压缩包的目录，文件可能不完整")},
        {"a directory beyond the file", good.left(good.size() - 22) + QByteArray("PK\x05\x06", 4) + QByteArray(6, 0) +
                                            QByteArray::fromHex("0100") + QByteArray::fromHex("ffff0000") +
                                            QByteArray::fromHex("00000000") + QByteArray(2, 0),
         damaged("压缩包的目录超出了文件的末尾")},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        const QStringList lines = transcript(c.zip);
        ASSERT_FALSE(lines.isEmpty());
        EXPECT_EQ(lines.last(), c.refusal);
    }
}

} // namespace
