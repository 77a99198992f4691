#include "counter/labels/hangtagprint.h"

#include "app/mainwindow.h"
#include "counter/labels/generatedcodes.h"
#include "stock/stockqueryview.h"
#include "support/engines.h"
#include "support/pdftext.h"
#include "support/testapp.h"
#include "support/toplevel.h"
#include "widgets/grid.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QProcess>
#include <QRadioButton>
#include <QRegularExpression>
#include <QSpinBox>
#include <QTableView>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

QString run(const QString &program, const QStringList &arguments)
{
    QProcess p;
    p.start(program, arguments);
    if (!p.waitForFinished(60000))
        ADD_FAILURE() << program.toStdString() << " did not finish";
    return QString::fromUtf8(p.readAllStandardOutput());
}

int pageCount(const QString &pdf)
{
    const auto m = QRegularExpression(R"(Pages:\s+(\d+))").match(run("pdfinfo", {pdf}));
    return m.hasMatch() ? m.captured(1).toInt() : -1;
}

// The size of a PDF's first page in millimetres.
QSizeF pageSizeMm(const QString &pdf)
{
    const auto m = QRegularExpression(R"(Page size:\s+([\d.]+) x ([\d.]+) pts)").match(run("pdfinfo", {pdf}));
    if (!m.hasMatch())
        return {};
    return QSizeF(m.captured(1).toDouble(), m.captured(2).toDouble()) * 25.4 / 72;
}

// What a barcode reader reads on one page of a PDF rendered at 300 dpi, as a scanner would see it.
QString barcodeOnPage(const QString &pdf, int page)
{
    const QString png = pdf + QStringLiteral("-page%1").arg(page);
    const QString number = QString::number(page);
    run("pdftoppm", {"-r", "300", "-png", "-singlefile", "-f", number, "-l", number, pdf, png});
    return run("zbarimg", {"--raw", "-q", png + ".png"}).trimmed();
}

QStringList barcodesOf(const QString &pdf)
{
    QStringList codes;
    for (int page = 1; page <= pageCount(pdf); ++page)
        codes << barcodeOnPage(pdf, page);
    return codes;
}

class HangTagPrintTest : public ::testing::Test, protected ShopFixture {
protected:
    explicit HangTagPrintTest(TestShop::Engine engine = TestShop::Engine::File) : ShopFixture(engine)
    {
        shop.printing.printFromPreview = true;
    }

    long long addRow(const QString &name, const QVariant &code, double price, double stock)
    {
        return shop.addStockRow({{"a", name}, {"b", QStringLiteral("M码")}, {"c", code}, {"4", price}, {"2", stock}, {"7", stock}});
    }

    // Runs "打印条码标签" for `keys` with the dialog answered by `options`; the printed PDF, or empty.
    QString printLabels(const QList<long long> &keys, const LabelOptions &options = {})
    {
        const qsizetype before = shop.printing.printedFiles.size();
        HangTagPrint(shop.ctx, [options] { return options; }).run(keys);
        return shop.printing.printedFiles.size() > before ? shop.printing.printedFiles.last() : QString();
    }

    QVariant storedCode(long long key) { return shop.scalar("SELECT c FROM data WHERE ID = ?", {key}); }
};

using HangTagPrintFileTest = HangTagPrintTest;

TEST_F(HangTagPrintFileTest, EachRowGetsAsManyLabelsAsItsStockAndEveryBarcodeReadsBackAsItsCode)
{
    const long long sweater = addRow(QStringLiteral("羊毛衫"), "6901234567892", 128, 2);
    const long long jeans = addRow(QStringLiteral("牛仔裤"), QVariant(), 99.5, 1);
    const long long dress = addRow(QStringLiteral("连衣裙"), "ABC-123", 259, 3);
    shop.messages.answers.enqueue(true); // give the jeans a code

    const QString pdf = printLabels({sweater, jeans, dress});
    ASSERT_FALSE(pdf.isEmpty()) << shop.messages.texts().join("\n").toStdString();
    const QString jeansCode = storedCode(jeans).toString();
    EXPECT_EQ(jeansCode, generatedcodes::forKey(jeans));
    EXPECT_EQ(barcodesOf(pdf), QStringList({"6901234567892", "6901234567892", jeansCode, "ABC-123", "ABC-123", "ABC-123"}));
    const QString text = pdfText(pdf).remove(QRegularExpression("\\s"));
    for (const char *printed : {"羊毛衫", "牛仔裤", "连衣裙", "M码", "￥128", "￥99.5", "￥259", "ABC-123"})
        EXPECT_TRUE(text.contains(QString::fromUtf8(printed))) << printed;
    EXPECT_EQ(shop.printing.jobs.last().name, "条码标签");
}

TEST_F(HangTagPrintFileTest, EveryLabelSizeIsAPageOfThatSizeWithAReadableBarcode)
{
    const long long row = addRow(QStringLiteral("针织开衫（加长款，秋冬新品）"), "20250001", 89, 1);
    for (const LabelSize &size : LabelSize::common()) {
        SCOPED_TRACE(size.text().toStdString());
        const QString pdf = printLabels({row}, {true, 1, size});
        ASSERT_FALSE(pdf.isEmpty());
        const QSizeF page = pageSizeMm(pdf);
        EXPECT_NEAR(page.width(), size.widthMm, 0.2);
        EXPECT_NEAR(page.height(), size.heightMm, 0.2);
        EXPECT_EQ(barcodesOf(pdf), QStringList({"20250001"}));
    }
}

TEST_F(HangTagPrintFileTest, HowManyLabelsARowGets)
{
    struct Case {
        double stock;
        LabelOptions options;
        int pages;
    };
    const Case cases[] = {
        {2.5, {true, 1, {}}, 2},  // whole pieces, halves to the even neighbour
        {3.5, {true, 1, {}}, 4},
        {-3, {false, 2, {}}, 2},  // a typed number counts for every row, whatever its stock
        {0, {false, 1, {}}, 1},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.stock);
        const long long row = addRow(QStringLiteral("衬衫"), "X1", 50, c.stock);
        EXPECT_EQ(pageCount(printLabels({row}, c.options)), c.pages);
    }
}

TEST_F(HangTagPrintFileTest, RowsWithoutStockGetNoLabelsUnlessANumberIsTyped)
{
    const long long none = addRow(QStringLiteral("衬衫"), "X1", 50, 0);
    const long long owed = addRow(QStringLiteral("T恤"), "X2", 30, -2);
    EXPECT_TRUE(printLabels({none, owed}).isEmpty());
    EXPECT_TRUE(shop.messages.lastText().contains("库存都为 0"));
    EXPECT_TRUE(shop.printing.jobs.isEmpty());
}

TEST_F(HangTagPrintFileTest, ACodeTheBarcodeCannotHoldIsNamedAndTheOtherLabelsStillPrint)
{
    const long long chinese = addRow(QStringLiteral("围巾"), QStringLiteral("围巾01"), 45, 1);
    const long long tooLong = addRow(QStringLiteral("手套"), QString(40, QLatin1Char('Q')), 25, 1);
    const long long good = addRow(QStringLiteral("帽子"), "HAT-7", 35, 2);

    const QString pdf = printLabels({chinese, tooLong, good});
    ASSERT_FALSE(pdf.isEmpty());
    EXPECT_EQ(barcodesOf(pdf), QStringList({"HAT-7", "HAT-7"}));
    const QString warning = shop.messages.texts().join("\n");
    EXPECT_TRUE(warning.contains(QStringLiteral("围巾 M码（编码 围巾01）：编码含有条码（Code 128）不能表示的字符"))) << warning.toStdString();
    EXPECT_TRUE(warning.contains(QStringLiteral("手套 M码（编码 %1）：编码太长，40×30 mm 的标签印不下它的条码").arg(QString(40, 'Q'))))
        << warning.toStdString();
    EXPECT_FALSE(warning.contains("帽子"));
}

TEST_F(HangTagPrintFileTest, NoSelectedRowsOrTooManyAreRefusedAndACancelledDialogPrintsNothing)
{
    bool asked = false;
    auto answer = [&asked] {
        asked = true;
        return std::optional<LabelOptions>(LabelOptions{});
    };
    HangTagPrint(shop.ctx, answer).run({});
    EXPECT_TRUE(shop.messages.lastText().contains("请先在表格中选中"));
    QList<long long> tooMany;
    for (long long key = 1; key <= HangTagPrint::kMostLabels + 1; ++key)
        tooMany << key;
    HangTagPrint(shop.ctx, answer).run(tooMany);
    EXPECT_TRUE(shop.messages.lastText().contains("一次最多为 2000 行打印标签"));
    EXPECT_FALSE(asked);

    const long long row = addRow(QStringLiteral("衬衫"), QVariant(), 50, 1);
    HangTagPrint(shop.ctx, [] { return std::optional<LabelOptions>(); }).run({row});
    EXPECT_TRUE(shop.printing.jobs.isEmpty());
    EXPECT_TRUE(storedCode(row).isNull());
}

// The main grid's pop-up item: the rows picked with Ctrl, the number and size from the dialog.
TEST(HangTagMenuTest, PrintsLabelsOfTheRowsSelectedInTheMainGridAsTheDialogSays)
{
    TestShop shop;
    for (int i = 0; i < 3; ++i)
        shop.addStockRow({{"a", QStringLiteral("货品%1").arg(i)}, {"c", QStringLiteral("A%1").arg(i)}, {"4", 10},
                          {"2", 5}, {"7", 5}, {"day1", QStringLiteral("2014-07-0%1").arg(i + 1)}});
    shop.logIn();
    MainWindow &main = shop.windows();
    main.show();
    main.actions().allRecords->trigger();
    shop.printing.printFromPreview = true;
    main.stockQuery()->gridWidget()->setFieldHidden("1", true); // as for a restricted user
    QTableView *view = main.stockQuery()->grid();
    auto rowCentre = [view](int row) { return view->visualRect(view->model()->index(row, 0)).center(); };
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, rowCentre(0));
    QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::ControlModifier, rowCentre(2));

    bool answered = false;
    QTimer::singleShot(0, [&answered] {
        auto *dialog = shownWindow<LabelPrintDialog>();
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(dialog->windowTitle(), "标签打印");
        dialog->findChild<QRadioButton *>("fixed")->setChecked(true);
        dialog->findChild<QSpinBox *>("count")->setValue(2);
        dialog->findChild<QComboBox *>("size")->setCurrentText("50×30 mm");
        dialog->accept();
        answered = true;
    });
    main.actions().hangTags->trigger();
    ASSERT_TRUE(answered);
    ASSERT_EQ(shop.printing.printedFiles.size(), 1) << shop.messages.texts().join("\n").toStdString();
    const QString pdf = shop.printing.printedFiles.last();
    EXPECT_EQ(barcodesOf(pdf), QStringList({"A0", "A0", "A2", "A2"}));
    EXPECT_NEAR(pageSizeMm(pdf).width(), 50, 0.2);
}

class GeneratedCodeTest : public OnBothEngines<HangTagPrintTest> {};

TEST_P(GeneratedCodeTest, AnsweringNoWritesNothingAndPrintsNothing)
{
    const long long a = addRow(QStringLiteral("衬衫"), QVariant(), 50, 1);
    const long long b = addRow(QStringLiteral("长裤"), "  ", 80, 1);
    const long long c = addRow(QStringLiteral("外套"), "C-1", 300, 1);
    shop.messages.answers.enqueue(false);

    EXPECT_TRUE(printLabels({a, b, c}).isEmpty());
    ASSERT_FALSE(shop.messages.boxes.isEmpty());
    EXPECT_EQ(shop.messages.boxes.last().kind, RecordingMessages::Kind::YesNo);
    EXPECT_TRUE(shop.messages.boxes.last().text.contains("有 2 行商品没有编码"));
    EXPECT_TRUE(storedCode(a).isNull());
    EXPECT_EQ(storedCode(b).toString(), "  ");
    EXPECT_TRUE(shop.printing.jobs.isEmpty());
}

TEST_P(GeneratedCodeTest, AGeneratedCodeIsStoredAndHeldByNoOtherRow)
{
    const long long first = addRow(QStringLiteral("衬衫"), QVariant(), 50, 1);
    // Another row already holds the code the first row's key would give, and the next one too.
    addRow(QStringLiteral("旧货"), generatedcodes::forKey(first), 10, 0);
    addRow(QStringLiteral("旧货"), generatedcodes::forKey(first) + "1", 10, 0);
    const long long second = addRow(QStringLiteral("长裤"), "", 80, 1);

    const QHash<long long, QString> codes = generatedcodes::assign(shop.db, {first, second});
    EXPECT_EQ(codes.value(first), generatedcodes::forKey(first) + "2");
    EXPECT_EQ(codes.value(second), generatedcodes::forKey(second));
    for (long long key : {first, second}) {
        EXPECT_EQ(storedCode(key).toString(), codes.value(key));
        EXPECT_EQ(shop.scalar("SELECT count(*) FROM data WHERE c = ?", {codes.value(key)}).toInt(), 1);
    }
}

TEST_P(GeneratedCodeTest, ACodeAnotherProgramGaveMeanwhileIsKept)
{
    const long long row = addRow(QStringLiteral("衬衫"), QVariant(), 50, 1);
    const long long gone = addRow(QStringLiteral("长裤"), QVariant(), 80, 1);
    auto other = shop.otherConnection();
    other->execute(Statement("UPDATE data SET c = 'OTHER-1' WHERE ID = ?", {row}));
    other->execute(Statement("DELETE FROM data WHERE ID = ?", {gone}));

    const QHash<long long, QString> codes = generatedcodes::assign(shop.db, {row, gone});
    EXPECT_EQ(codes.value(row), "OTHER-1");
    EXPECT_FALSE(codes.contains(gone));
    EXPECT_EQ(shop.scalar("SELECT count(*) FROM data").toInt(), 1);
}

INSTANTIATE_ON_BOTH_ENGINES(GeneratedCodeTest);

} // namespace
