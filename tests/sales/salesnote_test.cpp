#include "common/gbk.h"
#include "data/dataset.h"
#include "sales/salesnotecontent.h"
#include "sales/salesnotelayout.h"
#include "support/pdftext.h"
#include "support/testapp.h"

#include <QHash>
#include <QRegularExpression>

#include <gtest/gtest.h>

namespace {

const QString kOrder = QStringLiteral("20140729100");

struct SaleLine {
    QString name;
    QString model;
    QString code;
    double quantity;
    double unitPrice;
    QString remark;
};

class SalesNoteTest : public ::testing::Test {
protected:
    SalesNoteTest() : note(shop.ctx)
    {
        shop.logIn(QStringLiteral("收银甲"));
        texts = {{QStringLiteral("dan1"), QStringLiteral("丽影服饰销售单")},
                 {QStringLiteral("dan2"), QStringLiteral("地址：人民路8号 电话：0571-88886666")},
                 {QStringLiteral("dan3"), QStringLiteral("新款到店，欢迎选购")},
                 {QStringLiteral("dan4"), QStringLiteral("官网：www.liying.example")}};
        note.setTexts([this](const QString &name) { return texts.value(name); });
    }

    // A sale line of `order` sold on 2014-07-01 to 张三.
    void addLine(const QString &order, const SaleLine &line, const QVariant &customer = QStringLiteral("张三"))
    {
        shop.exec(QStringLiteral("INSERT INTO data1 (z, a, b, c, [3], [2], [4], j, g, h, i, day1) "
                                 "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, '2014-07-01')"),
                  {order, line.name, line.model, line.code, line.quantity, line.unitPrice,
                   line.quantity * line.unitPrice, line.remark, customer, QStringLiteral("杭州市西湖区文三路1号"),
                   QStringLiteral("13800138000")});
    }

    // The text of the one note previewed so far, pages separated by form feeds.
    QString previewedNote()
    {
        EXPECT_EQ(shop.printing.previewedFiles.size(), 1);
        return shop.printing.previewedFiles.isEmpty() ? QString() : pdfText(shop.printing.previewedFiles.last());
    }

    TestShop shop;
    SalesNoteLayout note;
    QHash<QString, QString> texts;
};

// A printed table row: the cells in this order, with blanks between them.
QRegularExpression row(const QStringList &cells)
{
    QStringList escaped;
    for (const QString &cell : cells)
        escaped << QRegularExpression::escape(cell);
    return QRegularExpression(escaped.join(QStringLiteral("\\s+")));
}

QStringList pages(const QString &text)
{
    QStringList result = text.split(QLatin1Char('\f'));
    if (!result.isEmpty() && result.last().trimmed().isEmpty())
        result.removeLast();
    return result;
}

} // namespace

TEST_F(SalesNoteTest, PrintsTheOrderWithItsTotalInFiguresAndCapitals)
{
    addLine(kOrder, {QStringLiteral("连衣裙"), QStringLiteral("L"), QStringLiteral("LYQ01"), 2, 40, QStringLiteral("送货上门")});
    addLine(kOrder, {QStringLiteral("牛仔裤"), QStringLiteral("XL"), QStringLiteral("NZ02"), 1, 50.5, QString()});
    // Another order whose number contains this one, and another day's order: neither belongs.
    addLine(QStringLiteral("201407291000"), {QStringLiteral("衬衫"), QStringLiteral("M"), QString(), 1, 99, QString()});
    addLine(QStringLiteral("20140728100"), {QStringLiteral("短裤"), QStringLiteral("S"), QString(), 1, 30, QString()});

    note.previewOrder(kOrder);

    EXPECT_TRUE(shop.messages.boxes.isEmpty()) << shop.messages.lastText().toStdString();
    const QString text = previewedNote();
    EXPECT_EQ(pages(text).size(), 1);
    for (const char *expected :
         {"丽影服饰销售单", "地址：人民路8号 电话：0571-88886666", "客户名称：张三", "单 号：20140729100",
          "客户地址：杭州市西湖区文三路1号", "联系电话：13800138000",
          "日 期：2014-07-29", // the day of printing, not of the sale
          "合 计", "人民币", "（大写） 壹佰叁拾元伍角", "￥130.5", "新款到店，欢迎选购", "官网：www.liying.example",
          "收货人：", "送货人：", "制单人：收银甲"})
        EXPECT_TRUE(text.contains(QString::fromUtf8(expected))) << expected << "\n" << text.toStdString();
    EXPECT_TRUE(text.contains(row({"商品名称", "规格型号", "编 码", "数量", "单 价", "金 额", "备 注"}))) << text.toStdString();
    EXPECT_TRUE(text.contains(row({"连衣裙", "L", "LYQ01", "2", "40", "80", "送货上门"}))) << text.toStdString();
    EXPECT_TRUE(text.contains(row({"牛仔裤", "XL", "NZ02", "1", "50.5", "50.5"}))) << text.toStdString();
    EXPECT_FALSE(text.contains(QStringLiteral("衬衫")));
    EXPECT_FALSE(text.contains(QStringLiteral("短裤")));
    EXPECT_FALSE(text.contains(QStringLiteral("2014-07-01")));
}

TEST_F(SalesNoteTest, AnOrderWithReturnsPrintsItsNegativeTotalWithoutAnyBox)
{
    addLine(kOrder, {QStringLiteral("连衣裙"), QStringLiteral("L"), QString(), 1, 40, QString()});
    addLine(kOrder, {QStringLiteral("风衣"), QStringLiteral("XL"), QString(), -1, 60, QStringLiteral("退货")});

    note.previewOrder(kOrder);

    EXPECT_TRUE(shop.messages.boxes.isEmpty()) << shop.messages.lastText().toStdString();
    const QString text = previewedNote();
    EXPECT_TRUE(text.contains(QStringLiteral("（大写） 负贰拾元整"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("￥-20"))) << text.toStdString();
    EXPECT_TRUE(text.contains(row({"风衣", "XL", "-1", "60", "-60", "退货"}))) << text.toStdString();
}

TEST(SalesNoteTotal, CapitalsOfEveryKindOfTotal)
{
    const struct {
        const char *total;
        const char *capitals;
    } cases[] = {
        {"130.5", "壹佰叁拾元伍角"}, {"-20", "负贰拾元整"}, {"-0.05", "负伍分"}, {"-1010.01", "负壹仟零壹拾元零壹分"},
        {"0", ""},                   // nothing after "（大写） "
        {"1E20", ""},                // a total too large for fixed notation has no capitals
        {"-", ""},
    };
    for (const auto &c : cases)
        EXPECT_EQ(salesnote::totalInCapitals(QString::fromUtf8(c.total)), QString::fromUtf8(c.capitals)) << c.total;
}

// The customer texts of the order's first line: a null value leaves its whole label empty, an
// empty text keeps the caption.
TEST_F(SalesNoteTest, CustomerLabelsAreEmptyForNullValues)
{
    shop.exec(QStringLiteral("INSERT INTO data1 (z, a, [4], g, h, i) VALUES (?, '连衣裙', 40, NULL, '', '13800138000')"),
              {kOrder});
    shop.exec(QStringLiteral("INSERT INTO data1 (z, a, [4], g, h, i) VALUES (?, '长裤', 60, '李四', '某地', '139')"),
              {kOrder});
    Dataset lines(shop.db, QStringLiteral("lines"));
    lines.open(Statement(QStringLiteral("select * from data1 where z=? order by ID"), {kOrder}));

    const salesnote::Content content =
        salesnote::fill(lines, kOrder + QStringLiteral(" "), QDate(2014, 7, 29), QStringLiteral("收银甲"), {});

    EXPECT_EQ(content.customer, QString());
    EXPECT_EQ(content.address, QStringLiteral("客户地址："));
    EXPECT_EQ(content.telephone, QStringLiteral("联系电话：13800138000"));
    EXPECT_EQ(content.orderNumber, QStringLiteral("单 号：20140729100 ")) << "the number as entered";
    EXPECT_EQ(content.total, QStringLiteral("￥100"));
    ASSERT_EQ(content.lines.size(), 2);
    EXPECT_EQ(content.lines[0].quantity, QString()) << "a null quantity prints nothing, not 0";
    EXPECT_FALSE(content.slogans) << "no texts given: no slogan band";
}

TEST_F(SalesNoteTest, AnOrderWithoutLinesGivesAnEmptyNoteWithTotalZero)
{
    addLine(QStringLiteral("201407291000"), {QStringLiteral("衬衫"), QStringLiteral("M"), QString(), 1, 99, QString()});

    note.previewOrder(kOrder);

    EXPECT_TRUE(shop.messages.boxes.isEmpty()) << shop.messages.lastText().toStdString();
    const QString text = previewedNote();
    EXPECT_TRUE(text.contains(QStringLiteral("单 号：20140729100")));
    EXPECT_TRUE(text.contains(QStringLiteral("￥0")));
    EXPECT_TRUE(text.contains(QRegularExpression(QStringLiteral("（大写）\\s*\\n")))) << text.toStdString();
    EXPECT_FALSE(text.contains(QStringLiteral("客户名称：")));
    EXPECT_FALSE(text.contains(QStringLiteral("衬衫")));
}

TEST_F(SalesNoteTest, APickedOrderIsNeededFromTheSalesDetails)
{
    addLine(kOrder, {QStringLiteral("连衣裙"), QStringLiteral("L"), QString(), 1, 40, QString()});
    for (const QString &number : {QString(), QStringLiteral("   ")}) {
        shop.messages.clear();
        note.previewPickedOrder(number);
        EXPECT_EQ(shop.messages.texts(), QStringList{QStringLiteral("点选要打印的某行记录")});
        EXPECT_TRUE(shop.printing.previewedFiles.isEmpty());
    }
    shop.messages.clear();
    note.previewPickedOrder(QStringLiteral(" 20140729100 "));
    EXPECT_TRUE(shop.messages.boxes.isEmpty());
    EXPECT_TRUE(previewedNote().contains(QStringLiteral("连衣裙")));
}

// Quotes and characters GBK has no code for are found and printed as typed.
TEST_F(SalesNoteTest, QuotesAndCharactersOutsideGbkArePrintedAsTyped)
{
    const QString order = QStringLiteral("O'Neil\"单Ő");
    const QString customer = QStringLiteral("王'五\"Ő한");
    ASSERT_TRUE(gbk::characterBytes(QStringLiteral("Ő")).isEmpty());
    ASSERT_TRUE(gbk::characterBytes(QStringLiteral("한")).isEmpty());
    addLine(order, {QStringLiteral("T恤'Ő"), QStringLiteral("\"M\""), QString(), 1, 40, QString()}, customer);

    note.previewOrder(order);

    EXPECT_TRUE(shop.messages.boxes.isEmpty()) << shop.messages.lastText().toStdString();
    const QString text = previewedNote();
    EXPECT_TRUE(text.contains(QStringLiteral("单 号：") + order)) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("客户名称：") + customer)) << text.toStdString();
    EXPECT_TRUE(text.contains(row({"T恤'Ő", "\"M\"", "1", "40", "40"}))) << text.toStdString();
}

// A name wider than its cell is cut after its last whole character; a figure wider than its cell
// is squeezed, never cut.
TEST_F(SalesNoteTest, LongNamesAreCutAndLongFiguresKeptWhole)
{
    addLine(kOrder, {QStringLiteral("一二三四五六七八九十"), QStringLiteral("M"), QString(), 1, 1234567.5, QString()});

    note.previewOrder(kOrder);

    const QString text = previewedNote();
    EXPECT_TRUE(text.contains(QStringLiteral("一二三四五六七八"))) << text.toStdString();
    EXPECT_FALSE(text.contains(QStringLiteral("九"))) << text.toStdString();
    EXPECT_TRUE(text.contains(row({"1", "1234567.5", "1234567.5"}))) << text.toStdString();
}

TEST_F(SalesNoteTest, TheSloganBandFollowsTheFirstSloganAtEveryNote)
{
    addLine(kOrder, {QStringLiteral("连衣裙"), QStringLiteral("L"), QString(), 1, 40, QString()});
    texts[QStringLiteral("dan3")] = QString();
    note.previewOrder(kOrder);
    texts[QStringLiteral("dan3")] = QStringLiteral("夏装五折");
    note.previewOrder(kOrder);

    ASSERT_EQ(shop.printing.previewedFiles.size(), 2);
    const QString withoutSlogans = pdfText(shop.printing.previewedFiles[0]);
    EXPECT_FALSE(withoutSlogans.contains(QStringLiteral("官网：www.liying.example"))) << withoutSlogans.toStdString();
    EXPECT_TRUE(withoutSlogans.contains(QStringLiteral("制单人：收银甲")));
    const QString withSlogans = pdfText(shop.printing.previewedFiles[1]);
    EXPECT_TRUE(withSlogans.contains(QStringLiteral("夏装五折")));
    EXPECT_TRUE(withSlogans.contains(QStringLiteral("官网：www.liying.example")));
}

// The lines go on over pages under repeated column titles; the total closes the last page and
// moves to a page of its own when the lines leave no room for it.
TEST_F(SalesNoteTest, ALongOrderContinuesOnFurtherPages)
{
    const struct {
        int lines;
        int pages;
    } cases[] = {{32, 1}, {33, 2}, {100, 3}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.lines);
        const QString order = QStringLiteral("20140729%1").arg(c.lines, 3, 10, QLatin1Char('0'));
        for (int i = 1; i <= c.lines; ++i)
            addLine(order, {QStringLiteral("款式%1").arg(i, 3, 10, QLatin1Char('0')), QStringLiteral("M"), QString(), 1, 10,
                            QString()});
        shop.printing.previewedFiles.clear();

        note.previewOrder(order);

        const QString text = previewedNote();
        const QStringList printed = pages(text);
        ASSERT_EQ(printed.size(), c.pages) << text.toStdString();
        for (const QString &page : printed)
            EXPECT_TRUE(page.contains(row({"商品名称", "规格型号", "编 码", "数量", "单 价", "金 额", "备 注"})));
        EXPECT_TRUE(printed.first().contains(QStringLiteral("丽影服饰销售单")));
        EXPECT_EQ(text.count(QStringLiteral("丽影服饰销售单")), 1) << "the heading opens the first page only";
        EXPECT_TRUE(printed.last().contains(QStringLiteral("￥%1").arg(c.lines * 10)));
        EXPECT_TRUE(printed.last().contains(QStringLiteral("制单人：收银甲")));
        // Every line once, in order.
        qsizetype at = 0;
        for (int i = 1; i <= c.lines; ++i) {
            const QString name = QStringLiteral("款式%1").arg(i, 3, 10, QLatin1Char('0'));
            EXPECT_EQ(text.count(name), 1) << name.toStdString();
            const qsizetype found = text.indexOf(name, at);
            EXPECT_GT(found, at - 1) << name.toStdString();
            at = found < 0 ? at : found;
        }
    }
}

// What became of a note printed from its preview is told as for a receipt.
TEST_F(SalesNoteTest, PrintingFromThePreviewSaysWhatBecameOfTheNote)
{
    addLine(kOrder, {QStringLiteral("连衣裙"), QStringLiteral("L"), QStringLiteral("LYQ01"), 2, 40, QString()});
    shop.printing.printFromPreview = true;
    shop.printing.failWith = QStringLiteral("打印机 front 不接受打印任务：已停用");
    note.previewOrder(kOrder);
    ASSERT_EQ(shop.messages.boxes.size(), 1);
    EXPECT_EQ(shop.messages.boxes.first().kind, RecordingMessages::Kind::Error);
    EXPECT_EQ(shop.messages.boxes.first().text, QStringLiteral("销售单没有打印：打印机 front 不接受打印任务：已停用"));

    shop.messages.boxes.clear();
    shop.printing.failWith.clear();
    note.previewOrder(kOrder);
    EXPECT_TRUE(shop.messages.boxes.isEmpty()) << "printed: nothing to tell";
    EXPECT_EQ(shop.printing.printedFiles.size(), 1);
}
