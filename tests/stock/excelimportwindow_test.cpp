#include "app/mainwindow.h"
#include "app/windowset.h"
#include "data/database.h"
#include "data/dataset.h"
#include "stock/excelimportwindow.h"
#include "support/testapp.h"
#include "support/workbooks.h"

#include <QAction>
#include <QDate>
#include <QDir>
#include <QFileInfo>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QSignalSpy>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

using Kind = RecordingMessages::Kind;
using workbooks::Row;
using workbooks::Sheet;

const QString kSuccess = QStringLiteral("批量EXCEL导入成功！请退出在主界面中点全部记录查看");
const QString kImportFailed = QStringLiteral("批量EXCEL导入失败！请联系技术客服");
const QString kConnectionFailed = QStringLiteral("连接数据库失败！请联系技术客服");

QList<Row> stockSheetRows()
{
    return {workbooks::header(),
            workbooks::stockRow(QStringLiteral("牛仔裤"), QStringLiteral("XL"), 55.5, 10, QDate(2014, 7, 1)),
            workbooks::stockRow(QStringLiteral("衬衫"), QStringLiteral("M"), 30, 4, QDate(2014, 7, 2)),
            workbooks::stockRow(QStringLiteral("连衣裙"), QStringLiteral("S"), 99, 2, QDate(2014, 7, 3))};
}

QByteArray fileBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

class ExcelImportWindowTest : public ::testing::Test {
public:
    TestShop shop;
    MainWindow &main = shop.windows();
    ExcelImportWindow &window = *shop.windowSet().excelImport;
    QSignalSpy stockChanged{&shop.events, &ShopEvents::stockRowsChanged};

    void import(const QString &workbook, const QString &database)
    {
        window.workbookPath()->setText(workbook);
        window.databasePath()->setText(database);
        window.importButton()->click();
    }
    QString workbook(const QString &name, const QString &format, const QList<Sheet> &sheets,
                     const workbooks::Options &options = {})
    {
        const QString file = shop.path(name);
        workbooks::write(file, format, sheets, options);
        return file;
    }
    qlonglong rows(const QString &where = {})
    {
        return shop.scalar(QStringLiteral("select count(*) from data ") + where).toLongLong();
    }
};

TEST_F(ExcelImportWindowTest, ShowsItsWarningPathsAndButton)
{
    EXPECT_EQ(window.objectName(), QStringLiteral("Texcell"));
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Excel导入数据库"));
    QStringList labels;
    for (QLabel *label : window.findChildren<QLabel *>())
        labels << label->text();
    EXPECT_TRUE(labels.contains(QStringLiteral("警告：导入前请您务必先备份数据库")));
    EXPECT_TRUE(labels.contains(QStringLiteral("Execl路径：")));
    EXPECT_TRUE(labels.contains(QStringLiteral("数据库路径：")));
    EXPECT_EQ(window.importButton()->text(), QStringLiteral("Excel自动导入"));
    EXPECT_FALSE(window.importButton()->icon().isNull());
}

TEST_F(ExcelImportWindowTest, TheMenuCommandOpensTheWindowModally)
{
    bool shownModal = false;
    QTimer::singleShot(0, &window, [&] {
        shownModal = window.isVisible() && window.isModal();
        window.reject();
    });
    main.actions().excelImport->trigger();
    EXPECT_TRUE(shownModal);
}

TEST_F(ExcelImportWindowTest, AnEmptyPathIsRefusedBeforeAnythingIsOpened)
{
    const std::pair<const char *, const char *> cases[] = {{"", ""}, {"stock.xls", ""}, {"", "data.db"}, {"  ", " \t"}};
    for (const auto &[workbookText, databaseText] : cases) {
        SCOPED_TRACE(std::string(workbookText) + "|" + databaseText);
        shop.messages.clear();
        import(QString::fromUtf8(workbookText), QString::fromUtf8(databaseText));
        ASSERT_EQ(shop.messages.boxes.size(), 1);
        EXPECT_EQ(shop.messages.boxes[0].kind, Kind::Warning);
        EXPECT_EQ(shop.messages.lastText(), QStringLiteral("请正确选择相关路径！"));
    }
}

TEST_F(ExcelImportWindowTest, TheFileDialogsFillTheBoxesAndCancellingKeepsThem)
{
    window.workbookPath()->setText(QStringLiteral("old.xls"));
    for (const QString &answer : {QStringLiteral("/tmp/进货.xlsx"), QStringLiteral("/tmp/data.db"), QString(), QString()})
        shop.messages.fileNames.enqueue(answer);
    for (int i = 0; i < 2; ++i) {
        window.findChild<QPushButton *>(QStringLiteral("excelOpenWorkbook"))->click();
        EXPECT_EQ(window.workbookPath()->text(), QStringLiteral("/tmp/进货.xlsx"));
        window.findChild<QPushButton *>(QStringLiteral("excelChooseDatabase"))->click();
        EXPECT_EQ(window.databasePath()->text(), QStringLiteral("/tmp/data.db"));
    }
    ASSERT_EQ(shop.messages.boxes.size(), 4);
    EXPECT_EQ(shop.messages.boxes[0].title, QStringLiteral("请选择相应的Excel文件"));
    EXPECT_EQ(shop.messages.boxes[1].title, QStringLiteral("请选择相应的MDB文件"));
}

TEST_F(ExcelImportWindowTest, EveryWorkbookFormatFillsTheShopsStockAndTheMainGridListsIt)
{
    struct Case {
        const char *format;
        const char *encoding;
    };
    const Case cases[] = {{"xls", ""}, {"xlsx", ""}, {"ods", ""}, {"csv", "gbk"}, {"csv", "utf-8-sig"}};
    QList<QVariantList> firstStored;
    for (const Case &c : cases) {
        SCOPED_TRACE(std::string(c.format) + " " + c.encoding);
        TestShop fresh;
        fresh.windows();
        QSignalSpy changed(&fresh.events, &ShopEvents::stockRowsChanged);
        const QString file = fresh.path(QStringLiteral("进货单.") + QLatin1String(c.format));
        QList<Sheet> sheets = {{QStringLiteral("Sheet1"), {{QStringLiteral("别的表")}}},
                               {QStringLiteral("pemrod"), stockSheetRows()}};
        if (QLatin1String(c.format) == QLatin1String("csv"))
            sheets.removeFirst(); // a csv file is one sheet
        workbooks::write(file, QLatin1String(c.format), sheets, {QLatin1String(c.encoding)});
        ExcelImportWindow &w = *fresh.windowSet().excelImport;
        w.workbookPath()->setText(file);
        w.databasePath()->setText(fresh.db.fileName());
        w.importButton()->click();

        EXPECT_EQ(fresh.messages.texts(), QStringList{kSuccess + QStringLiteral("\n共导入 3 条记录。")});
        EXPECT_EQ(fresh.messages.boxes.last().kind, Kind::Info) << "a success is no warning";
        EXPECT_EQ(changed.count(), 1);
        EXPECT_EQ(fresh.data.stockQuery.recordCount(), 3);
        QList<QVariantList> stored;
        fresh.db.query(Statement("select a,b,c,d,e,f,g,[1],[2],[3],[4],[5],[6],[7],[8],z,day1 from data order by ID"),
                       [&](const ResultRow &r) {
                           QVariantList row;
                           for (int i = 0; i < 17; ++i)
                               row << r.value(i);
                           stored << row;
                       });
        ASSERT_EQ(stored.size(), 3);
        EXPECT_EQ(stored[0][0], QStringLiteral("牛仔裤"));
        EXPECT_EQ(stored[0][4], QStringLiteral("nzk"));
        EXPECT_EQ(stored[2][16], QStringLiteral("2014-07-03"));
        EXPECT_EQ(stored[0][7].toDouble(), 55.5);
        // Every format stores the same rows.
        if (firstStored.isEmpty())
            firstStored = stored;
        else
            EXPECT_EQ(stored, firstStored);
    }
}

TEST_F(ExcelImportWindowTest, AnotherDatabaseOfTheProgramGetsTheRowsThroughItsOwnConnection)
{
    const QString otherPath = shop.path(QStringLiteral("分店/data.db"));
    ASSERT_TRUE(QDir().mkpath(QFileInfo(otherPath).path()));
    {
        Database other(otherPath);
        other.create();
    }
    import(workbook(QStringLiteral("stock.xlsx"), QStringLiteral("xlsx"), {{QStringLiteral("pemrod"), stockSheetRows()}}),
           otherPath);

    EXPECT_EQ(shop.messages.lastText(), kSuccess + QStringLiteral("\n共导入 3 条记录。"));
    EXPECT_EQ(rows(), 0);
    EXPECT_EQ(stockChanged.count(), 0);
    Database other(otherPath);
    other.open();
    EXPECT_EQ(other.scalar(Statement("select count(*) from data")).toInt(), 3);
}

TEST_F(ExcelImportWindowTest, AFileThatIsNoDatabaseOfTheProgramIsRefused)
{
    const QString stock =
        workbook(QStringLiteral("stock.xls"), QStringLiteral("xls"), {{QStringLiteral("pemrod"), stockSheetRows()}});
    const QString text = shop.path(QStringLiteral("notes.db"));
    {
        QFile f(text);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("这不是数据库");
    }
    const QString foreign = shop.path(QStringLiteral("foreign.db"));
    {
        Database db(foreign);
        db.create();
        db.execute(Statement("drop table data"));
    }
    const QByteArray foreignBefore = fileBytes(foreign);
    // A shop database into which someone put a trigger: it would run with every imported row.
    const QString rigged = shop.path(QStringLiteral("rigged.db"));
    {
        Database db(rigged);
        db.create();
        db.execute(Statement("CREATE TRIGGER t1 AFTER INSERT ON data BEGIN DELETE FROM userdb; END"));
    }
    const QByteArray riggedBefore = fileBytes(rigged);
    for (const QString &database : {text, foreign, rigged, shop.path(QStringLiteral("missing.db")), stock}) {
        SCOPED_TRACE(database.toStdString());
        shop.messages.clear();
        import(stock, database);
        ASSERT_EQ(shop.messages.boxes.size(), 1);
        EXPECT_EQ(shop.messages.boxes[0].kind, Kind::Warning);
        EXPECT_TRUE(shop.messages.lastText().startsWith(kConnectionFailed)) << shop.messages.lastText().toStdString();
        EXPECT_TRUE(shop.messages.lastText().contains(QStringLiteral("原因："))) << shop.messages.lastText().toStdString();
    }
    EXPECT_TRUE(fileBytes(foreign) == foreignBefore) << "the other file was changed";
    EXPECT_TRUE(fileBytes(rigged) == riggedBefore) << "the rigged file was changed";
    EXPECT_EQ(rows(), 0);
    EXPECT_FALSE(QFileInfo::exists(shop.path(QStringLiteral("missing.db"))));
}

TEST_F(ExcelImportWindowTest, ABadWorkbookImportsNothingAndSaysWhy)
{
    shop.addStockRow({{QStringLiteral("a"), QStringLiteral("旧货")}});
    QList<Row> missingColumn = stockSheetRows();
    missingColumn[0][missingColumn[0].indexOf(QStringLiteral("a5"))] = QStringLiteral("销售数量");
    QList<Row> badValue = stockSheetRows();
    badValue[3][8] = QStringLiteral("两件");
    struct Case {
        QString file;
        const char *reason;
    };
    const QList<Case> cases = {
        {workbook(QStringLiteral("missing.xlsx"), QStringLiteral("xlsx"), {{QStringLiteral("pemrod"), missingColumn}}),
         "工作表 pemrod 缺少列：a5"},
        {workbook(QStringLiteral("sheet.xls"), QStringLiteral("xls"), {{QStringLiteral("库存"), stockSheetRows()}}),
         "工作簿中没有名为 pemrod 的工作表（现有工作表：库存）"},
        {workbook(QStringLiteral("norows.ods"), QStringLiteral("ods"), {{QStringLiteral("pemrod"), {workbooks::header()}}}),
         "工作表 pemrod 中没有可导入的数据"},
        {workbook(QStringLiteral("locked.xlsx"), QStringLiteral("xlsx"), {{QStringLiteral("pemrod"), stockSheetRows()}},
                  {QStringLiteral("utf-8"), true}),
         "设有打开密码（已加密）"},
        {[&] {
             const QString f = workbook(QStringLiteral("cut.xls"), QStringLiteral("xls"),
                                        {{QStringLiteral("pemrod"), stockSheetRows()}});
             workbooks::truncate(f, QFileInfo(f).size() - 1024);
             return f;
         }(),
         "已损坏或不完整"},
        {workbook(QStringLiteral("bad.csv"), QStringLiteral("csv"), {{QStringLiteral("pemrod"), badValue}}),
         "第 4 行 I 列（a2 进货数量）：'两件' 不是有效的数值"},
        {workbook(QStringLiteral("bad.xlsx"), QStringLiteral("xlsx"), {{QStringLiteral("pemrod"), badValue}}),
         "第 4 行 I 列（a2 进货数量）：'两件' 不是有效的数值"},
        {shop.path(QStringLiteral("nowhere.xls")), "找不到工作簿文件"},
    };
    const QByteArray before = fileBytes(shop.db.fileName());
    for (const Case &c : cases) {
        SCOPED_TRACE(c.reason);
        shop.messages.clear();
        import(c.file, shop.db.fileName());
        ASSERT_EQ(shop.messages.boxes.size(), 1);
        const QString text = shop.messages.lastText();
        EXPECT_TRUE(text.startsWith(kImportFailed)) << text.toStdString();
        EXPECT_TRUE(text.contains(QString::fromUtf8(c.reason))) << text.toStdString();
        EXPECT_TRUE(text.endsWith(QStringLiteral("没有导入任何记录。")));
        EXPECT_EQ(rows(), 1);
        EXPECT_TRUE(fileBytes(shop.db.fileName()) == before) << "the database file was changed";
    }
    EXPECT_EQ(stockChanged.count(), 0);
    EXPECT_TRUE(window.importButton()->isEnabled());
}

TEST_F(ExcelImportWindowTest, CancellingALongImportWritesNothing)
{
    QList<Row> many = {workbooks::header()};
    for (int i = 0; i < 3000; ++i)
        many << workbooks::stockRow(QStringLiteral("货%1").arg(i), QStringLiteral("XL"), 1, 1, QDate(2014, 7, 1));
    const QString file = workbook(QStringLiteral("many.csv"), QStringLiteral("csv"), {{QStringLiteral("pemrod"), many}});
    bool pressed = false;
    QTimer::singleShot(0, &window, [&] {
        if (auto *progress = window.findChild<QProgressDialog *>(QStringLiteral("excelImportProgress"))) {
            progress->cancel();
            pressed = true;
        }
    });
    import(file, shop.db.fileName());
    EXPECT_TRUE(pressed);
    EXPECT_EQ(shop.messages.texts(), QStringList{QStringLiteral("导入已取消，没有导入任何记录。")});
    EXPECT_EQ(rows(), 0);
    EXPECT_TRUE(window.importButton()->isEnabled());
}

} // namespace
