#include "sales/thermalreceipt.h"

#include "support/escposprinters.h"
#include "receiptexample.h"

#include <QStringEncoder>

#include <gtest/gtest.h>

namespace {

QStringList texts(const QList<receipt::Line> &lines)
{
    QStringList list;
    for (const receipt::Line &line : lines)
        list << line.text;
    return list;
}

} // namespace

// The receipt printer gets the page receipt's lines as they are, the title alone in bold, in
// GBK, with the cut last and the drawer pulse just before it only when asked for.
TEST(ThermalReceipt, BytesCarryTheReceiptLinesBetweenTheCommands)
{
    const QList<receipt::Line> lines = receipt::lines(twoLineReceipt());
    for (bool drawer : {false, true}) {
        for (int columns : {receipt::kColumns58, receipt::kColumns80}) {
            const QByteArray bytes = receipt::escposBytes(lines, columns, drawer);
            const EscposPrintout printout = EscposPrintout::decode(bytes);
            // On 58 mm paper the line of the negative quantity (35 columns) breaks before its amount.
            QStringList expected = texts(lines);
            if (columns == receipt::kColumns58) {
                expected.replace(8, QStringLiteral("一二三四五六七八九  -1.5     "));
                expected.insert(9, QStringLiteral("50.15"));
            }
            EXPECT_EQ(printout.lines, expected);
            EXPECT_EQ(printout.boldLines, QStringList{QStringLiteral("   POS小票销售单")});
            QStringList commands{QStringLiteral("init"), QStringLiteral("chinese"), QStringLiteral("bold on"),
                                 QStringLiteral("bold off"), QStringLiteral("feed 4")};
            if (drawer)
                commands << QStringLiteral("pulse 0 25 250");
            commands << QStringLiteral("cut");
            EXPECT_EQ(printout.commands(), commands) << drawer << columns;
            const QByteArray gbkLine = QStringEncoder("GBK").encode(QStringLiteral("连衣裙") +
                                                                    QString(12, QLatin1Char(' ')) + QStringLiteral(" 1      40\n"));
            EXPECT_TRUE(bytes.contains(gbkLine));
        }
    }
}

TEST(ThermalReceipt, LongLinesWrapBetweenWholeCharacters)
{
    struct Case {
        QString text;
        int columns;
        QStringList expected;
    };
    const Case cases[] = {
        {QString(32, QLatin1Char('a')), 32, {QString(32, QLatin1Char('a'))}},
        {QString(33, QLatin1Char('a')), 32, {QString(32, QLatin1Char('a')), QStringLiteral("a")}},
        // 31 columns of Latin letters: the Chinese character that would take columns 32 and 33 goes on.
        {QString(31, QLatin1Char('a')) + QStringLiteral("衣裙"), 32, {QString(31, QLatin1Char('a')), QStringLiteral("衣裙")}},
        {QStringLiteral("一二三四五六七八九十一二三四五六七八九十一二三四五"), 48,
         {QStringLiteral("一二三四五六七八九十一二三四五六七八九十一二三四"), QStringLiteral("五")}},
        // A character GBK has no code for takes two columns, like a Chinese one.
        {QString(30, QLatin1Char('a')) + QStringLiteral("😀😀"), 32, {QString(30, QLatin1Char('a')) + QStringLiteral("😀"), QStringLiteral("😀")}},
        {QString(), 32, {QString()}},
        // At the last blank, so a number stays whole.
        {QStringLiteral("T恤  -1.5      50.15"), 16, {QStringLiteral("T恤  -1.5     "), QStringLiteral("50.15")}},
        {QStringLiteral("合计: 12"), 7, {QStringLiteral("合计:"), QStringLiteral("12")}},
    };
    for (const Case &c : cases)
        EXPECT_EQ(receipt::wrapped(c.text, c.columns), c.expected) << c.text.toStdString();
}

// A name with control characters in it prints them as blanks, never as printer commands; a
// character outside GBK goes in GB18030's four bytes and comes back whole.
TEST(ThermalReceipt, TextCannotCarryCommands)
{
    const QList<receipt::Line> lines{{0, QStringLiteral("衬衫\x1b@\x1dV\x01\x1bp\x00\x19\xfa裙"), false},
                                     {30, QStringLiteral("𠀀T恤"), false}};
    const EscposPrintout printout = EscposPrintout::decode(receipt::escposBytes(lines, 48, false));
    EXPECT_EQ(printout.lines, (QStringList{QStringLiteral("衬衫 @ V  p  \xfa裙"), QStringLiteral("𠀀T恤")}));
    EXPECT_EQ(printout.commands(), (QStringList{QStringLiteral("init"), QStringLiteral("chinese"), QStringLiteral("feed 4"),
                                                QStringLiteral("cut")}));
}

TEST(ThermalReceipt, PrinterChoiceReadsItsTextsWithDefaultsForWhatIsMissingOrWrong)
{
    const receipt::PrinterChoice defaults = receipt::PrinterChoice::fromTexts({});
    EXPECT_FALSE(defaults.thermal);
    EXPECT_EQ(defaults.port.kind, PrinterPort::Kind::LinePrinter);
    EXPECT_EQ(defaults.port.device, QStringLiteral("/dev/usb/lp0"));
    EXPECT_EQ(defaults.port.port, 9100);
    EXPECT_EQ(defaults.columns(), 32);
    EXPECT_FALSE(defaults.openDrawer);

    const QHash<QString, QString> stored{{"posprinter", "thermal"}, {"posport", "network"}, {"poshost", " 10.0.0.7 "},
                                         {"posportno", "70000"},    {"poswidth", "80"},     {"posdrawer", "yes"},
                                         {"posbaud", "abc"}};
    const receipt::PrinterChoice c = receipt::PrinterChoice::fromTexts([&](const QString &n) { return stored.value(n); });
    EXPECT_TRUE(c.thermal);
    EXPECT_EQ(c.port.kind, PrinterPort::Kind::Network);
    EXPECT_EQ(c.port.describe(), QStringLiteral("10.0.0.7:9100")); // a port number out of range is not taken
    EXPECT_EQ(c.port.baud, 9600);
    EXPECT_EQ(c.columns(), 48);
    EXPECT_TRUE(c.openDrawer);
    // What it reads it gives back under the same names.
    const receipt::PrinterChoice again = receipt::PrinterChoice::fromTexts([&](const QString &n) { return c.text(n); });
    for (const QString &name : receipt::PrinterChoice::names())
        EXPECT_EQ(again.text(name), c.text(name)) << name.toStdString();
}
