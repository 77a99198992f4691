#include "stock/workbookformats.h"
#include "support/sheets.h"
#include "support/workbooks.h"

#include <QDate>
#include <QFile>
#include <QFileInfo>
#include <functional>
#include <QStringEncoder>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

using workbooks::Sheet;

// A cell as "N:12.5" (number), "T:text", "D:2014-07-29" (date) or "" (empty).
QString shown(const SheetCell &cell)
{
    switch (cell.kind) {
    case SheetCell::Kind::Number:
        return QStringLiteral("N:") + QString::number(cell.number, 'g', 15);
    case SheetCell::Kind::Text:
        return QStringLiteral("T:") + cell.text;
    case SheetCell::Kind::Date:
        return QStringLiteral("D:") + cell.text;
    case SheetCell::Kind::Empty:
        break;
    }
    return {};
}

QStringList shownRows(const CollectedSheet &sheet)
{
    QStringList rows;
    for (size_t r = 0; r < sheet.rows.size(); ++r) {
        QStringList cells;
        for (size_t c = 0; c < 4; ++c)
            cells << shown(sheet.at(r, c));
        rows << cells.join(QLatin1Char('|'));
    }
    return rows;
}

QString readError(const QString &path, const QString &sheetName = QStringLiteral("pemrod"))
{
    try {
        CollectedSheet sheet;
        workbook::readSheet(path, sheetName, sheet);
    } catch (const WorkbookError &e) {
        return e.text();
    }
    return QStringLiteral("(read without an error)");
}

class WorkbookReaderTest : public ::testing::Test {
public:
    QTemporaryDir dir;
    QString path(const QString &name) const { return dir.filePath(name); }

    // The worksheet every format is asked to carry, behind another sheet.
    static QList<Sheet> sheets()
    {
        const QVariant none;
        return {{QStringLiteral("说明"), {{QStringLiteral("这一页不导入")}}},
                {QStringLiteral("pemrod"),
                 {{QStringLiteral("a"), QStringLiteral("a1"), QStringLiteral("day1"), QStringLiteral("c")},
                  {QStringLiteral("牛仔裤 XL"), 12.5, QDate(2014, 7, 29), QStringLiteral("1001")},
                  {none, 3, none, none},
                  {QStringLiteral("含,逗号\"引号\"\n两行"), 0.1, QStringLiteral("2014/7/30"), -7}}}};
    }
};

TEST_F(WorkbookReaderTest, EveryFormatReadsTheCellsAsTheWorkbookHoldsThem)
{
    struct Case {
        const char *format;
        const char *encoding;
        const char *dateCell; // how a date cell comes back
        bool numbersAsText;   // csv holds text only
    };
    const Case cases[] = {
        {"xls", "", "D:2014-07-29", false},
        // Office Open XML stores a date as its serial number with a date format.
        {"xlsx", "", "N:41849", false},
        {"ods", "", "D:2014-07-29", false},
        {"csv", "utf-8", "T:2014-07-29", true},
        {"csv", "utf-8-sig", "T:2014-07-29", true},
        {"csv", "gbk", "T:2014-07-29", true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(std::string(c.format) + " " + c.encoding);
        const QString file = path(QStringLiteral("stock.") + QLatin1String(c.format));
        QList<Sheet> content = sheets();
        if (c.numbersAsText)
            content.removeFirst(); // a csv file is one sheet
        workbooks::write(file, QLatin1String(c.format), content, {QLatin1String(c.encoding)});

        const CollectedSheet sheet = collectSheet(file, QStringLiteral("pemrod"));
        const QString number = c.numbersAsText ? QStringLiteral("T:") : QStringLiteral("N:");
        const QStringList expected = {
            QStringLiteral("T:a|T:a1|T:day1|T:c"),
            QStringLiteral("T:牛仔裤 XL|%1|%2|T:1001").arg(number + QStringLiteral("12.5"), QLatin1String(c.dateCell)),
            QStringLiteral("|%1||").arg(number + QStringLiteral("3")),
            QStringLiteral("T:含,逗号\"引号\"\n两行|%1|T:2014/7/30|%2")
                .arg(number + QStringLiteral("0.1"), number + QStringLiteral("-7")),
        };
        EXPECT_EQ(shownRows(sheet), expected);
        EXPECT_EQ(sheet.dateOrigin, QDate(1899, 12, 30));
    }
}

TEST_F(WorkbookReaderTest, FormulasCountWithTheirLastComputedValue)
{
    for (const char *format : {"xlsx", "ods"}) {
        SCOPED_TRACE(format);
        const QString file = path(QStringLiteral("formula.") + QLatin1String(format));
        workbooks::write(file, QLatin1String(format),
                         {{QStringLiteral("pemrod"), {{QStringLiteral("a1"), QStringLiteral("a3")},
                                                      {2.5, workbooks::formula(QStringLiteral("A2*4"), 10)}}}});
        EXPECT_EQ(shown(collectSheet(file, QStringLiteral("pemrod")).at(1, 1)), QStringLiteral("N:10"));
    }
}

TEST_F(WorkbookReaderTest, EqualRowsWrittenOnceInAnOdsComeBackAsManyRows)
{
    const QString file = path(QStringLiteral("repeated.ods"));
    Sheet sheet{QStringLiteral("pemrod"),
                {{QStringLiteral("a"), QStringLiteral("a2")}, {QStringLiteral("衬衫"), 2}, {QStringLiteral("裙子"), 1}}};
    sheet.repeated = {{1, 3}};
    workbooks::write(file, QStringLiteral("ods"), {sheet});
    const QStringList expected = {QStringLiteral("T:a|T:a2||"), QStringLiteral("T:衬衫|N:2||"),
                                  QStringLiteral("T:衬衫|N:2||"), QStringLiteral("T:衬衫|N:2||"),
                                  QStringLiteral("T:裙子|N:1||")};
    EXPECT_EQ(shownRows(collectSheet(file, QStringLiteral("pemrod"))), expected);
}

TEST_F(WorkbookReaderTest, TheSheetIsFoundWhateverTheLetterCaseAndOnlyByItsName)
{
    for (const char *format : {"xls", "xlsx", "ods"}) {
        SCOPED_TRACE(format);
        const QString file = path(QStringLiteral("sheets.") + QLatin1String(format));
        workbooks::write(file, QLatin1String(format),
                         {{QStringLiteral("Sheet1"), {{QStringLiteral("first")}}},
                          {QStringLiteral("PemRod"), {{QStringLiteral("second")}}}});
        const CollectedSheet sheet = collectSheet(file, QStringLiteral("pemrod"));
        EXPECT_EQ(sheet.name, QStringLiteral("PemRod"));
        EXPECT_EQ(shown(sheet.at(0, 0)), QStringLiteral("T:second"));
        EXPECT_EQ(readError(file, QStringLiteral("库存")),
                  QStringLiteral("工作簿中没有名为 库存 的工作表（现有工作表：Sheet1、PemRod）"));
    }
}

TEST_F(WorkbookReaderTest, FilesThatAreNoReadableWorkbookAreRefusedWithTheReason)
{
    const QList<Sheet> content = {{QStringLiteral("pemrod"), {{QStringLiteral("a")}, {QStringLiteral("衣服")}}}};
    struct Case {
        const char *name;
        std::function<void(const QString &)> make;
        const char *reason;
    };
    auto written = [&](const char *format, workbooks::Options options = {}) {
        return [=](const QString &file) { workbooks::write(file, QLatin1String(format), content, options); };
    };
    auto cut = [&](const char *format) {
        return [=](const QString &file) {
            workbooks::write(file, QLatin1String(format), content);
            workbooks::truncate(file, QFileInfo(file).size() / 2);
        };
    };
    auto bytes = [](const QByteArray &data) {
        return [=](const QString &file) {
            QFile f(file);
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
            f.write(data);
        };
    };
    const Case cases[] = {
        {"locked.xls", written("xls", {QStringLiteral("utf-8"), true}), "设有打开密码（已加密）"},
        {"locked.xlsx", written("xlsx", {QStringLiteral("utf-8"), true}), "设有打开密码（已加密）"},
        {"cut.xls", cut("xls"), "已损坏或不完整"},
        {"cut.xlsx", cut("xlsx"), "已损坏或不完整"},
        {"cut.ods", cut("ods"), "已损坏或不完整"},
        {"empty.xls", bytes({}), "是空的"},
        {"text.xls", bytes("a,b\n1,2\n"), "不是可以读取的工作簿"},
        {"other.zip", bytes(QByteArrayLiteral("PK\x03\x04") + QByteArray(100, 'x')), "不是可以读取的工作簿"},
        {"open.csv", bytes("a,b\n\"never closed\n"), "引号没有结束"},
        {"latin1.csv", bytes("a\n\xff\xfe\xff\n"), "第 2 行的文字既不是 UTF-8 也不是 GBK"},
        // GBK lines (衬衫) before a character cut off by the line's end.
        {"broken-gbk.csv", bytes("a,b\n\xb3\xc4\xc9\xc0,1\n\xb3\n"), "第 3 行的文字既不是 UTF-8 也不是 GBK"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const QString file = path(QLatin1String(c.name));
        c.make(file);
        EXPECT_TRUE(readError(file).contains(QString::fromUtf8(c.reason))) << readError(file).toStdString();
    }
    EXPECT_EQ(readError(path(QStringLiteral("missing.xls"))),
              QStringLiteral("找不到工作簿文件 %1").arg(QDir::toNativeSeparators(path(QStringLiteral("missing.xls")))));
}

TEST_F(WorkbookReaderTest, CsvFieldsFollowTheUsualQuotingRules)
{
    struct Case {
        QByteArray content;
        QStringList rows; // cells of the first four columns, "|"-separated
    };
    const Case cases[] = {
        {"a,b\r\n1,2\r\n", {"T:a|T:b||", "T:1|T:2||"}},
        {"a,b\n1,2", {"T:a|T:b||", "T:1|T:2||"}},                       // no line break at the end
        {"\"x,y\",\"say \"\"hi\"\"\"\n", {"T:x,y|T:say \"hi\"||"}},     // separators and doubled quotes
        {"\"one\r\ntwo\",3\n", {"T:one\r\ntwo|T:3||"}},                 // a line break inside quotes
        {",,c\n\n1\n", {"||T:c|", "|||", "T:1|||"}},                    // empty fields and rows
        {"5\"x\",\"\"\n", {"T:5\"x\"|||"}},                            // quotes inside a field stay
        {"\xef\xbb\xbf\xe8\xa1\xa3,b\n", {"T:衣|T:b||"}},               // UTF-8 with a byte order mark
        {"\xd2\xc2,\xb7\xfe\n", {"T:衣|T:服||"}},                        // GBK
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.content.toStdString());
        CollectedSheet sheet;
        workbook::readCsv(QStringLiteral("t.csv"), c.content, sheet, {});
        EXPECT_EQ(shownRows(sheet), c.rows);
    }
}

TEST_F(WorkbookReaderTest, ReadingStopsWhenThePersonCancels)
{
    QByteArray content = "a\n"; // 10,000 bytes in all: row 1000 ends at byte 2000
    for (int i = 0; i < 4999; ++i)
        content += "x\n";
    QList<std::pair<int, int>> seen;
    auto stopAtSecond = [&](int rows, int percent) {
        seen << std::pair{rows, percent};
        return seen.size() < 2;
    };
    CollectedSheet sheet;
    EXPECT_THROW(workbook::readCsv(QStringLiteral("t.csv"), content, sheet, stopAtSecond), ImportCancelled);
    const QList<std::pair<int, int>> expected = {{1000, 20}, {2000, 40}};
    EXPECT_EQ(seen, expected);
}

} // namespace
