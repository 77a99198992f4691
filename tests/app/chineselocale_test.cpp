#include "app/chineselocale.h"
#include "common/messages.h"
#include "common/version.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialogButtonBox>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>

namespace {

// A button's text as read, without its keyboard mnemonic: "是(&Y)" reads 是.
QString readText(const QAbstractButton *button)
{
    QString text = button->text();
    static const QRegularExpression mnemonic(QStringLiteral("\\(&.\\)$"));
    return text.remove(mnemonic).remove(QLatin1Char('&'));
}

// Runs `show`, which opens a modal box, and hands the box to `inspect` while it is open.
void whileBoxIsOpen(const std::function<void()> &show, const std::function<void(QMessageBox &)> &inspect)
{
    bool seen = false;
    QTimer::singleShot(0, [&] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        seen = true;
        inspect(*box);
    });
    show();
    EXPECT_TRUE(seen);
}

TEST(ChineseTexts, StandardButtonsOfBoxesAndDialogsReadChinese)
{
    QString why;
    const auto translator = installQtChineseTexts(&why);
    ASSERT_TRUE(translator) << why.toStdString();

    QMessageBox question(QMessageBox::Question, QStringLiteral("提示"), QStringLiteral("删除吗？"),
                         QMessageBox::Yes | QMessageBox::No);
    EXPECT_EQ(readText(question.button(QMessageBox::Yes)), QStringLiteral("是"));
    EXPECT_EQ(readText(question.button(QMessageBox::No)), QStringLiteral("否"));
    QDialogButtonBox buttons(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    EXPECT_EQ(readText(buttons.button(QDialogButtonBox::Ok)), QStringLiteral("确定"));
    EXPECT_EQ(readText(buttons.button(QDialogButtonBox::Cancel)), QStringLiteral("取消"));
}

TEST(ChineseTexts, BoxesCarryTheProgramsNameAndAskInChinese)
{
    const auto translator = installQtChineseTexts();
    ASSERT_TRUE(translator);
    DialogMessages messages;
    const QString caption = version::caption();
    ASSERT_TRUE(caption.startsWith(QStringLiteral("Tolvane服装销售管理软件")));

    const std::function<void()> plainBoxes[] = {[&] { messages.info(QStringLiteral("已保存")); },
                                               [&] { messages.warning(QStringLiteral("商品名称必须输入！")); },
                                               [&] { messages.error(QStringLiteral("数据库错误")); }};
    for (const auto &show : plainBoxes) {
        whileBoxIsOpen(show, [&](QMessageBox &box) {
            EXPECT_EQ(box.windowTitle(), caption);
            ASSERT_EQ(box.buttons().size(), 1);
            EXPECT_EQ(readText(box.buttons().front()), QStringLiteral("确定"));
            box.buttons().front()->click();
        });
    }

    bool yes = false;
    whileBoxIsOpen([&] { yes = messages.confirmYesNo(QStringLiteral("提示"), QStringLiteral("是否覆盖？")); },
                   [&](QMessageBox &box) {
                       EXPECT_EQ(box.windowTitle(), QStringLiteral("提示"));
                       EXPECT_EQ(readText(box.button(QMessageBox::No)), QStringLiteral("否"));
                       EXPECT_EQ(box.defaultButton(), box.button(QMessageBox::No));
                       ASSERT_NE(box.button(QMessageBox::Yes), nullptr);
                       EXPECT_EQ(readText(box.button(QMessageBox::Yes)), QStringLiteral("是"));
                       box.button(QMessageBox::Yes)->click();
                   });
    EXPECT_TRUE(yes);

    bool ok = true;
    whileBoxIsOpen([&] { ok = messages.confirmOkCancel(QStringLiteral("警告！"), QStringLiteral("要修改吗？")); },
                   [&](QMessageBox &box) {
                       EXPECT_EQ(readText(box.button(QMessageBox::Ok)), QStringLiteral("确定"));
                       EXPECT_EQ(readText(box.button(QMessageBox::Cancel)), QStringLiteral("取消"));
                       box.button(QMessageBox::Cancel)->click();
                   });
    EXPECT_FALSE(ok);
}

} // namespace
