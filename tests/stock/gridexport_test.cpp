#include "stock/gridexport/gridexport.h"

#include "app/mainwindow.h"
#include "stock/gridexport/biffrecords.h"
#include "stock/gridexport/exportprogress.h"
#include "stock/gridexport/gridsheet.h"
#include "stock/gridexport/sheetwriter.h"
#include "stock/stockqueryview.h"
#include "support/testapp.h"
#include "support/workbookreader.h"
#include "widgets/grid.h"
#include "widgets/groupedheader.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProgressBar>
#include <QTimer>

#include <csignal>
#include <gtest/gtest.h>
#include <sys/fsuid.h>
#include <sys/resource.h>
#include <unistd.h>

namespace {

using Kind = RecordingMessages::Kind;

QByteArray fromHex(const char *hex)
{
    return QByteArray::fromHex(QByteArray(hex).replace(' ', ""));
}

QByteArray contents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

TEST(BiffRecords, EachRecordIsNumberLengthAndDataLittleEndian)
{
    const struct {
        const char *what;
        QByteArray bytes;
        const char *expected;
    } cases[] = {
        {"start of sheet", biff::beginSheet(), "0908 0800 0005 1000 0000 0000"},
        {"code page 936", biff::codePage(biff::kGbkCodePage), "4200 0200 a803"},
        {"text 货 at row 1, column 3", biff::text(1, 3, biff::gbk(QStringLiteral("货"))), "0402 0a00 0100 0300 0000 0200 bbf5"},
        {"number 1.5", biff::number(2, 0, 1.5), "0302 0e00 0200 0000 0000 0000000000 00f83f"},
        {"integer 7", biff::integer(0, 1, 7), "7e02 0a00 0000 0100 0000 1e000000"},
        {"integer -3", biff::integer(0, 1, -3), "7e02 0a00 0000 0100 0000 f6ffffff"},
        {"empty cell", biff::empty(4, 2), "0102 0600 0400 0200 1700"},
        {"end of sheet", biff::endSheet(), "0a00 0000"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(c.bytes.toHex(' '), fromHex(c.expected).toHex(' ')) << c.what;
}

TEST(BiffRecords, TextsAreGbkWithMissingCharactersReplacedAndOverlongOnesCutWhole)
{
    EXPECT_EQ(biff::gbk(QStringLiteral("制表人：张三")), fromHex("d6c6 b1ed c8cb a3ba d5c5 c8fd"));
    // An emoji and a character GBK lacks each become one "?"; the rest stays, also after them.
    EXPECT_EQ(biff::gbk(QStringLiteral("a😀b𠀀c")), QByteArray("a?b?c"));
    EXPECT_EQ(biff::gbk(QStringLiteral("货")), fromHex("bbf5"));
    const QByteArray cut = biff::gbk(QString(40000, QChar(0x8D27))); // 货, two bytes each
    EXPECT_LE(cut.size(), biff::kMaxTextBytes);
    EXPECT_EQ(cut.size() % 2, 0);
    EXPECT_EQ(biff::text(0, 0, cut).size(), 4 + 8 + cut.size());
}

// Records every cell a sheet writes, as "row,column kind value".
class RecordingSheet : public SheetWriter {
public:
    QStringList cells;
    SheetShape shape;
    void begin(const SheetShape &s) override { shape = s; }
    void text(int row, int column, const QString &text, Role) override { add(row, column, "text " + text); }
    void number(int row, int column, double value) override { add(row, column, "number " + QString::number(value)); }
    void integer(int row, int column, int value) override { add(row, column, "integer " + QString::number(value)); }
    void empty(int row, int column) override { add(row, column, "empty"); }
    void add(int row, int column, const QString &what) { cells << QStringLiteral("%1,%2 %3").arg(row).arg(column).arg(what); }
};

TEST(GridSheet, CellKindsFollowTheValuesAndHeadingsTheRequest)
{
    TestShop shop;
    shop.exec("insert into data (ID, a, [2], z) values (5, '衬衫', 2.5, null)");
    shop.exec("insert into data (ID, a, [2], z) values (1073741824, null, 3, '')");
    Dataset &rows = shop.data.stockQuery;
    rows.open(Statement("select * from data order by ID"));
    using C = GridColumn;
    Grid grid(rows, {C::text("ID", "", "编号"), C::text("a", "", "名称").withFooterText("总计"),
                     C::number("2", "", "数量", "#0.##", C::Footer::Sum), C::text("z", "", "备注"),
                     C::text("nope", "", "无此字段")});

    const struct {
        const char *what;
        SheetHeading heading;
        QStringList expected;
    } cases[] = {
        {"no date range",
         {"报表", "", "  ", "张三", QDateTime(QDate(2014, 7, 29), QTime(9, 5, 0))},
         {"0,3 text 报表", "1,0 text 制表人：张三", "1,5 text 制表时间：2014-07-29 09:05:00",
          // One title row: no column has an upper title.
          "2,0 text 编号", "2,1 text 名称", "2,2 text 数量", "2,3 text 备注", "2,4 text 无此字段",
          // A whole number as an integer cell while it fits, a null and a missing field as empty cells.
          "3,0 integer 5", "3,1 text 衬衫", "3,2 number 2.5", "3,3 empty", "3,4 empty",
          "4,0 number 1.07374e+09", "4,1 empty", "4,2 number 3", "4,3 text ", "4,4 empty",
          // The footer's texts, not its sums.
          "5,0 text ", "5,1 text 总计", "5,2 text ", "5,3 text ", "5,4 text "}},
        {"a date range",
         {"报表", "2014-07-01", "", "张三", QDateTime(QDate(2014, 7, 29), QTime(9, 5, 0))},
         {"0,3 text 报表", "1,0 text 2014-07-01", "1,5 text ", "2,0 text 制表人：张三",
          "2,5 text 制表时间：2014-07-29 09:05:00"}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        RecordingSheet sheet;
        const GridSheet layout(grid, c.heading);
        layout.write(sheet);
        EXPECT_EQ(sheet.cells.mid(0, c.expected.size()), c.expected);
        EXPECT_EQ(layout.rowCount(), sheet.shape.lastDataRow + 2);
        EXPECT_EQ(layout.dataRowCount(), 2);
    }
}

// The main grid of a logged-in shop with three stock rows, shown.
class MainGridExportTest : public testing::Test {
protected:
    void SetUp() override
    {
        shop.addStockRow({{"a", "T恤"}, {"b", "XL"}, {"c", "A001"}, {"d", "上衣"}, {"1", 19.9}, {"2", 10},
                          {"3", 199}, {"4", 39.9}, {"5", 2}, {"6", 79.8}, {"7", 8}, {"8", 159.2},
                          {"day1", "2014-07-01"}, {"g", "天虹"}, {"z", QVariant()}});
        shop.addStockRow({{"a", "牛仔裤 \"李'维\""}, {"c", "B002"}, {"d", "裤子"}, {"1", QVariant()}, {"2", 3.5},
                          {"3", 0}, {"4", 120}, {"5", 0}, {"6", 0}, {"7", 3.5}, {"8", 0},
                          {"day1", "2014-07-02"}, {"g", "批发市场"}, {"z", "含 😀 的备注"}});
        shop.addStockRow({{"a", "羽绒服"}, {"b", "L"}, {"c", "C003"}, {"d", "外套"}, {"1", 300}, {"2", 5},
                          {"3", 1500}, {"4", 599}, {"5", 1}, {"6", 599}, {"7", 4}, {"8", 1200},
                          {"day1", "2014-07-03"}, {"g", "天虹"}, {"z", "冬季"}});
        shop.logIn();
        main.show();
        main.actions().allRecords->trigger();
        ASSERT_EQ(rows.recordCount(), 3);
    }
    QAction *hideOption(const QString &text) const
    {
        for (QAction *a : main.actions().hideColumns->actions()) {
            if (a->text() == text)
                return a;
        }
        return nullptr;
    }
    // Exports through "导出Excel" into `name`; the file name the dialog gives back.
    void exportAs(const QString &name)
    {
        shop.messages.fileNames.enqueue(name);
        main.actions().exportExcel->trigger();
    }
    QStringList filesIn(const QString &folder) const
    {
        return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot);
    }

    TestShop shop;
    MainWindow &main = shop.windows();
    Grid &grid = *main.stockQuery()->gridWidget();
    Dataset &rows = shop.data.stockQuery;
};

TEST_F(MainGridExportTest, BothFormatsHoldTheGridCellByCellAsShown)
{
    // The supplier hidden by its option, the date moved to the front, the rows sorted by stock.
    hideOption(QStringLiteral("隐藏供货商"))->trigger();
    grid.header()->moveSection(grid.header()->visualIndex(12), 0);
    grid.header()->resizeSection(4, 20); // a column of sums made narrow
    grid.sortByColumn(10);
    const QList<int> shown = grid.visibleColumns();
    ASSERT_EQ(shown.size(), 14);
    ASSERT_EQ(shown.first(), 12);
    const int currentBefore = rows.currentRow();

    for (const QString &name : {QStringLiteral("库存"), QStringLiteral("库存.xlsx")}) {
        const bool xlsx = name.endsWith(".xlsx");
        SCOPED_TRACE(xlsx ? "xlsx" : "xls");
        shop.messages.clear();
        shop.desktop.opened.clear();
        exportAs(shop.path(name));
        const QString file = shop.path(xlsx ? name : name + ".xls");
        ASSERT_EQ(shop.messages.boxes.size(), 1) << shop.messages.lastText().toStdString();
        EXPECT_EQ(shop.messages.boxes.first().kind, Kind::SaveFile);
        EXPECT_EQ(shop.desktop.opened, QList<QUrl>{QUrl::fromLocalFile(file)});

        const ReadWorkbook book = readWorkbook(file);
        ASSERT_TRUE(book.ok) << book.error.toStdString();
        if (!xlsx)
            EXPECT_EQ(book.encoding, "cp936");
        EXPECT_EQ(book.at(0, 3).value.toString(), "商品进货统计报表");
        EXPECT_EQ(book.at(1, 0).value.toString(), "制表人：超级管理员");
        EXPECT_EQ(book.at(1, 5).value.toString(), "制表时间：2014-07-29 10:30:00");

        const GridColumns &columns = grid.model()->columns();
        for (int i = 0; i < shown.size(); ++i) {
            const GridColumn &c = columns.at(shown.at(i));
            SCOPED_TRACE(c.field.toStdString());
            // The upper title over each column; a workbook writes it once over its neighbours.
            const bool continues = i > 0 && columns.at(shown.at(i - 1)).group == c.group;
            if (xlsx && continues)
                EXPECT_FALSE(book.has(2, i));
            else
                EXPECT_EQ(book.at(2, i).value.toString(), c.group);
            EXPECT_EQ(book.at(3, i).value.toString(), c.title);
            for (int r = 0; r < 3; ++r) {
                const QVariant v = rows.value(r, c.field);
                const ReadWorkbook::Cell cell = book.at(4 + r, i);
                if (v.isNull()) {
                    EXPECT_FALSE(book.has(4 + r, i)) << r;
                } else if (v.typeId() == QMetaType::Double) {
                    EXPECT_EQ(cell.kind, "number") << r;
                    EXPECT_DOUBLE_EQ(cell.value.toDouble(), v.toDouble()) << r;
                } else if (xlsx || v.toString() != QStringLiteral("含 😀 的备注")) {
                    EXPECT_EQ(cell.kind, "text") << r;
                    EXPECT_EQ(cell.value.toString(), v.toString()) << r;
                } else {
                    EXPECT_EQ(cell.value.toString(), QStringLiteral("含 ? 的备注")); // GBK has no emoji
                }
            }
            // The footer row: the fixed text, and under the sums nothing in the legacy sheet but a
            // formula over the data rows in a workbook.
            const ReadWorkbook::Cell footer = book.at(7, i);
            if (c.footer == GridColumn::Footer::Sum && xlsx) {
                const QString letter(QChar('A' + i));
                EXPECT_EQ(footer.value.toString(), "=SUM(" + letter + "5:" + letter + "7)");
            } else if (!xlsx) {
                EXPECT_EQ(footer.value.toString(), c.footer == GridColumn::Footer::Text ? c.footerText : QString());
            }
        }
        EXPECT_EQ(book.at(7, int(shown.indexOf(0))).value.toString(), "总计");
        EXPECT_EQ(book.rows, 8);
        // Gnumeric's strict reader finds every text and number where xlrd and openpyxl do, and
        // finds nothing wrong with the file.
        const GnumericSheet strict = readWithGnumeric(file);
        ASSERT_TRUE(strict.ok) << strict.warnings.toStdString();
        EXPECT_FALSE(strict.warnings.contains("corrupt", Qt::CaseInsensitive)) << strict.warnings.toStdString();
        EXPECT_FALSE(strict.warnings.contains("WARNING")) << strict.warnings.toStdString();
        for (auto it = book.cells.cbegin(); it != book.cells.cend(); ++it) {
            const auto [row, column] = it.key();
            SCOPED_TRACE(QStringLiteral("Gnumeric %1,%2").arg(row).arg(column).toStdString());
            if (it->kind == "number")
                EXPECT_DOUBLE_EQ(strict.at(row, column).toDouble(), it->value.toDouble());
            else if (it->kind == "text")
                EXPECT_EQ(strict.at(row, column), it->value.toString());
        }
        if (xlsx) {
            EXPECT_EQ(book.frozenAt, "A5"); // the headings and titles stay in view
            // As wide as on screen at least, and wide enough for the column's total, also where
            // the grid shows the column narrower than its total.
            for (int i = 0; i < shown.size(); ++i) {
                const double pixels = grid.header()->sectionSize(shown.at(i));
                EXPECT_GE(book.columnWidths.value(i), (pixels - 5) / 7 - 1.0) << i;
                EXPECT_GT(book.columnWidths.value(i), grid.model()->footerText(shown.at(i)).size()) << i;
            }
        }
    }
    // The grid is as it was.
    EXPECT_EQ(rows.recordCount(), 3);
    EXPECT_EQ(rows.currentRow(), currentBefore);
    EXPECT_EQ(grid.visibleColumns(), shown);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(MainGridExportTest, CancelEmptyGridAndTheOverwriteQuestion)
{
    const QString existing = shop.path("旧报表.xls");
    const struct {
        const char *what;
        QString fileName; // what the dialog gives back; empty: cancelled
        bool emptyGrid;
        QList<bool> answers;
        bool written;
        QStringList boxes;
    } cases[] = {
        {"cancelled dialog", "", false, {}, false, {}},
        {"empty grid", shop.path("空.xls"), true, {}, false, {"表格中没有记录，没有导出。"}},
        {"existing file kept", existing, false, {false}, false, {"已存在文件（" + existing + "），是否覆盖？"}},
        {"existing file replaced", existing, false, {true}, true, {"已存在文件（" + existing + "），是否覆盖？"}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        QFile old(existing);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly) && old.write("old") == 3);
        old.close();
        if (c.emptyGrid)
            rows.open(Statement("select * from data where 0"));
        else
            main.actions().allRecords->trigger();
        shop.messages.clear();
        shop.messages.answers.clear();
        for (const bool answer : c.answers)
            shop.messages.answers.enqueue(answer);
        shop.desktop.opened.clear();
        if (!c.fileName.isEmpty())
            shop.messages.fileNames.enqueue(c.fileName);
        main.actions().exportExcel->trigger();

        ASSERT_GE(shop.messages.boxes.size(), 1);
        EXPECT_EQ(shop.messages.boxes.first().kind, Kind::SaveFile); // always asked first
        EXPECT_EQ(shop.messages.texts().mid(1), c.boxes);
        if (!c.answers.isEmpty())
            EXPECT_EQ(shop.messages.boxes.at(1).title, "提示");
        EXPECT_EQ(contents(existing) != "old", c.written);
        EXPECT_EQ(shop.desktop.opened.size(), c.written ? 1 : 0);
        EXPECT_FALSE(QFile::exists(shop.path("空.xls")));
    }
    EXPECT_TRUE(readWorkbook(existing).ok);
}

// Takes the right to write into `folder` away for as long as it lives, from root too (root writes
// anywhere, so file access runs as nobody meanwhile).
class ReadOnlyFolder {
public:
    explicit ReadOnlyFolder(const QString &folder) : m_folder(folder)
    {
        QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner | QFile::ReadGroup | QFile::ExeGroup |
                                          QFile::ReadOther | QFile::ExeOther);
        if (::geteuid() == 0)
            ::setfsuid(65534);
    }
    ~ReadOnlyFolder()
    {
        if (::geteuid() == 0)
            ::setfsuid(0);
        QFile::setPermissions(m_folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }

private:
    QString m_folder;
};

// A disk that fills up: no file of this process may grow beyond `bytes` while it lives.
class FullDisk {
public:
    explicit FullDisk(rlim_t bytes)
    {
        m_signal = std::signal(SIGXFSZ, SIG_IGN);
        ::getrlimit(RLIMIT_FSIZE, &m_old);
        rlimit limit = m_old;
        limit.rlim_cur = bytes;
        ::setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FullDisk()
    {
        ::setrlimit(RLIMIT_FSIZE, &m_old);
        std::signal(SIGXFSZ, m_signal);
    }

private:
    rlimit m_old{};
    void (*m_signal)(int) = nullptr;
};

TEST_F(MainGridExportTest, AFailedExportSaysWhyAndLeavesNoFileAndTheOldOneIntact)
{
    // Enough rows that the file outgrows the full disk.
    for (int i = 0; i < 300; ++i)
        shop.addStockRow({{"a", QStringLiteral("货品%1").arg(i)}, {"2", i}, {"7", i}, {"day1", "2014-07-04"}});
    main.actions().allRecords->trigger();
    QDir(shop.dir.path()).mkdir("out");
    const QString folder = shop.path("out");
    QFile::setPermissions(shop.dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                               QFile::ReadOther | QFile::ExeOther);

    for (const QString &name : {QStringLiteral("报表.xls"), QStringLiteral("报表.xlsx")}) {
        const struct {
            const char *what;
            std::function<std::shared_ptr<void>()> trouble;
            QString reason;
        } cases[] = {
            {"folder not writable", [&] { return std::make_shared<ReadOnlyFolder>(folder); },
             "没有写入该文件夹的权限"},
            {"disk full", [] { return std::make_shared<FullDisk>(2048); }, ""},
        };
        for (const auto &c : cases) {
            SCOPED_TRACE(name.toStdString() + ", " + c.what);
            const QString target = QDir(folder).filePath(name);
            QFile old(target);
            ASSERT_TRUE(old.open(QIODevice::WriteOnly) && old.write("old") == 3);
            old.close();
            shop.messages.clear();
            shop.desktop.opened.clear();
            const int current = rows.currentRow();
            {
                const auto trouble = c.trouble();
                exportAs(target);
            }
            ASSERT_EQ(shop.messages.boxes.size(), 3); // the dialog, the overwrite question, the failure
            const RecordingMessages::Box failure = shop.messages.boxes.last();
            EXPECT_EQ(failure.kind, Kind::Warning);
            EXPECT_TRUE(failure.text.startsWith("导出失败，没有写入文件：\n" + target + "\n原因：")) << failure.text.toStdString();
            EXPECT_TRUE(failure.text.contains(c.reason)) << failure.text.toStdString();
            EXPECT_EQ(filesIn(folder), QStringList{name}); // nothing half-written beside it
            EXPECT_EQ(contents(target), "old");
            EXPECT_TRUE(shop.desktop.opened.isEmpty());
            EXPECT_EQ(rows.recordCount(), 303);
            EXPECT_EQ(rows.currentRow(), current);
            EXPECT_EQ(QApplication::overrideCursor(), nullptr);
            EXPECT_EQ(QApplication::activePopupWidget(), nullptr);
            for (QWidget *w : QApplication::topLevelWidgets())
                EXPECT_FALSE(qobject_cast<ExportProgress *>(w) && w->isVisible());
            QFile::remove(target);
        }
    }
}

TEST_F(MainGridExportTest, TheHourglassAndTheProgressBoxShowWhileRowsAreWritten)
{
    struct Seen {
        bool waitCursor;
        int value, maximum;
        QSize size;
        QString text;
    };
    QList<Seen> seen;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        for (QWidget *w : QApplication::topLevelWidgets()) {
            auto *box = qobject_cast<ExportProgress *>(w);
            if (box && box->isVisible()) {
                const QCursor *cursor = QApplication::overrideCursor();
                seen.append({cursor && cursor->shape() == Qt::WaitCursor, box->bar()->value(), box->bar()->maximum(),
                             box->size(), box->findChild<QLabel *>()->text()});
            }
        }
    });
    watch.start(0);
    exportAs(shop.path("进度.xls"));
    watch.stop();

    ASSERT_FALSE(seen.isEmpty());
    EXPECT_EQ(seen.first().value, 0);
    EXPECT_EQ(seen.last().value, 3); // one step per row
    for (const Seen &s : seen) {
        EXPECT_TRUE(s.waitCursor);
        EXPECT_EQ(s.maximum, 3);
        EXPECT_EQ(s.size, QSize(300, 100));
        EXPECT_EQ(s.text, "正在导出数据，请稍候......");
    }
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_TRUE(QFile::exists(shop.path("进度.xls")));
}

TEST(GridExportLimits, ALegacySheetHoldsAtMost16384RowsAndSaysSoBeyond)
{
    TestShop shop;
    Dataset &rows = shop.data.workQuery;
    Grid grid(rows, {GridColumn::number("x", "", "序号")});
    ExportRequest request;
    request.title = "大表";
    request.showProgress = false;
    // Heading rows, one title row and the data: the largest sheet fits exactly.
    for (const int count : {16384 - 3, 16384 - 2}) {
        SCOPED_TRACE(count);
        rows.open(Statement(QStringLiteral("with recursive n(x) as (select 1 union all select x + 1 from n "
                                           "where x < %1) select x from n").arg(count)));
        shop.messages.clear();
        const QString file = shop.path(QStringLiteral("%1.xls").arg(count));
        const bool written = GridExport(shop.ctx).exportTo(grid, request, file);
        EXPECT_EQ(written, count == 16384 - 3);
        EXPECT_EQ(QFile::exists(file), written);
        if (written) {
            const ReadWorkbook book = readWorkbook(file);
            EXPECT_EQ(book.rows, 16384) << book.error.toStdString();
            EXPECT_EQ(book.at(16383, 0).value.toDouble(), count);
        } else {
            EXPECT_TRUE(shop.messages.lastText().contains("表格有 16382 行记录，超出了 xls 文件最多 16381 行记录的限制"))
                << shop.messages.lastText().toStdString();
            EXPECT_TRUE(shop.messages.lastText().contains("Excel 工作簿 (*.xlsx)")) << shop.messages.lastText().toStdString();
        }
    }
}

} // namespace
