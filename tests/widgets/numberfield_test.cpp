#include "widgets/enterchain.h"
#include "widgets/numberedit.h"
#include "widgets/stepbuttons.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QWidget>

#include <QClipboard>
#include <QGuiApplication>
#include <QTest>
#include <gtest/gtest.h>

namespace {

void press(QWidget *w, int key, const QString &text = {}, Qt::KeyboardModifiers mods = Qt::NoModifier)
{
    QKeyEvent e(QEvent::KeyPress, key, mods, text);
    QApplication::sendEvent(w, &e);
}

TEST(NumberEdit, OnlyDigitsAndPointsAreTypedButEditingKeysWork)
{
    NumberEdit field;
    for (const QChar c : QStringLiteral("1a2.-3.+ 衣,4"))
        press(&field, 0, QString(c));
    EXPECT_EQ(field.text(), QStringLiteral("12.3.4")); // several points may be typed
    press(&field, Qt::Key_Backspace, QStringLiteral("\b"));
    press(&field, Qt::Key_Home);
    press(&field, Qt::Key_Delete);
    EXPECT_EQ(field.text(), QStringLiteral("2.3."));
    field.selectAll();
    press(&field, Qt::Key_C, QStringLiteral("\x03"), Qt::ControlModifier); // copy still works
    // Text set by the program is not filtered; converting it is the user's business.
    field.setText(QStringLiteral("abc"));
    EXPECT_EQ(field.text(), QStringLiteral("abc"));
}

// Pasted text goes through the filter too: "12元abc" is refused whole, "12.5" goes in.
TEST(NumberEdit, PastedTextIsFilteredLikeTypedText)
{
    NumberEdit field;
    field.setText(QStringLiteral("3"));
    for (const auto &[pasted, result] : {std::pair{"12元abc", "3"}, std::pair{"1 2", "3"}, std::pair{"12.5", "312.5"}}) {
        SCOPED_TRACE(pasted);
        field.setText(QStringLiteral("3"));
        field.end(false);
        QGuiApplication::clipboard()->setText(QString::fromUtf8(pasted));
        QTest::keySequence(&field, QKeySequence::Paste);
        EXPECT_EQ(field.text(), QString::fromUtf8(result));
    }
    EXPECT_FALSE(field.acceptDrops());
}

TEST(StepButtons, StepsWithinTheRangeAndTreatNonNumbersAsZero)
{
    QLineEdit field;
    StepButtons steps(&field, 5, 0, 100);
    struct Case {
        QString before;
        bool up;
        QString after;
    };
    const Case cases[] = {{"", true, "5"},     {"abc", true, "5"},    {"97", true, "100"},   {"100", true, "100"},
                          {"250", true, "250"}, {"250", false, "100"}, {"2.5", false, "0"}, {"0", false, "0"},
                          {"0.5", true, "5.5"}};
    for (const Case &c : cases) {
        field.setText(c.before);
        c.up ? steps.stepUp() : steps.stepDown();
        EXPECT_EQ(field.text(), c.after) << c.before.toStdString() << (c.up ? " up" : " down");
    }
}

TEST(EnterChain, SkipsHiddenAndDisabledFieldsAlongTheirOwnLinks)
{
    QWidget window;
    auto *a = new QLineEdit(&window), *b = new QLineEdit(&window), *c = new QLineEdit(&window);
    auto *first = new QPushButton(&window), *second = new QPushButton(&window);
    EnterChain chain;
    chain.link(a, b);
    chain.link(b, c);
    chain.link(c, {first, second});
    EXPECT_EQ(chain.next(a), b);
    b->hide();
    EXPECT_EQ(chain.next(a), c);
    c->setEnabled(false);
    EXPECT_EQ(chain.next(a), first);
    first->hide();
    EXPECT_EQ(chain.next(a), second);
    second->setEnabled(false);
    EXPECT_EQ(chain.next(a), nullptr);
    // A loop of hidden fields ends instead of running forever.
    chain.link(c, a);
    EXPECT_EQ(chain.next(a), nullptr);
    // Enter is used up by a chained field: it never reaches the field itself.
    int returns = 0;
    QObject::connect(a, &QLineEdit::returnPressed, [&] { ++returns; });
    press(a, Qt::Key_Return);
    EXPECT_EQ(returns, 0);
}

} // namespace
