#include "app/chineselocale.h"
#include "common/messages.h"
#include "common/version.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDateTime>
#include <QDialogButtonBox>
#include <QFile>
#include <QFileSystemModel>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
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

// The file dialog lists sizes and dates by Qt's system locale: Chinese whatever LANG says, while
// the environment keeps what the desktop set (the run under LANG unset and under a German desktop
// is one of the ctest entries).
TEST(ChineseTexts, TheFileDialogsSizesAndDatesReadChinese)
{
    QTemporaryDir dir;
    QFile file(dir.filePath(QStringLiteral("货品.xlsx")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QByteArray(2048, 'x'));
    file.flush();
    ASSERT_TRUE(file.setFileTime(QDateTime(QDate(2014, 7, 29), QTime(15, 30)), QFileDevice::FileModificationTime));
    file.close();

    QFileSystemModel model;
    QSignalSpy loaded(&model, &QFileSystemModel::directoryLoaded);
    const QModelIndex folder = model.setRootPath(dir.path());
    ASSERT_TRUE(loaded.wait(5000));
    ASSERT_EQ(model.rowCount(folder), 1);
    const QString size = model.index(0, 1, folder).data().toString();
    const QString date = model.index(0, 3, folder).data().toString();
    EXPECT_EQ(QLocale::system().language(), QLocale::Chinese);
    EXPECT_FALSE(date.contains(QRegularExpression(QStringLiteral("AM|PM|Jul")))) << date.toStdString();
    EXPECT_TRUE(date.contains(QStringLiteral("2014"))) << date.toStdString();
    EXPECT_TRUE(size.contains(QStringLiteral("2"))) << size.toStdString();
    EXPECT_EQ(qgetenv("LC_ALL"), qgetenv("TOLVANE_EXPECTED_LC_ALL")) << "the environment is left as it was";
}
