#include "common/errors.h"
#include "data/routines.h"
#include "support/testapp.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QSignalSpy>
#include <QWidget>
#include <gtest/gtest.h>

namespace {

TEST(RequiredField, BlankFieldsWarnAndTakeTheFocus)
{
    TestShop shop;
    QWidget window;
    auto *name = new QLineEdit(&window);
    auto *category = new QComboBox(&window);
    category->setEditable(true);
    window.show();
    QApplication::setActiveWindow(&window);

    struct Case {
        QWidget *field;
        QString text;
        bool passes;
    };
    const Case cases[] = {{name, QString(), false}, {name, QStringLiteral("   "), false}, {name, QStringLiteral(" 衣 "), true},
                          {category, QString(), false}, {category, QStringLiteral("上衣"), true}};
    for (const Case &c : cases) {
        shop.messages.clear();
        if (auto *edit = qobject_cast<QLineEdit *>(c.field))
            edit->setText(c.text);
        else
            category->setEditText(c.text);
        EXPECT_EQ(routines::requireField(shop.messages, c.field, QStringLiteral("商品名称必须输入！")), c.passes);
        if (c.passes) {
            EXPECT_TRUE(shop.messages.boxes.isEmpty());
        } else {
            ASSERT_EQ(shop.messages.boxes.size(), 1);
            EXPECT_EQ(shop.messages.boxes[0].kind, RecordingMessages::Kind::Warning);
            EXPECT_EQ(shop.messages.boxes[0].text, QStringLiteral("商品名称必须输入！"));
            EXPECT_TRUE(c.field->hasFocus());
        }
    }
}

TEST(FillList, DistinctSortedValuesWithOneEmptyEntryForNullsAndTheTypedTextCleared)
{
    TestShop shop;
    for (const QVariant &d : {QVariant(QStringLiteral("裤子")), QVariant(QStringLiteral("上衣")), QVariant(),
                              QVariant(QStringLiteral("上衣")), QVariant()})
        shop.addStockRow({{"d", d}});
    QComboBox list;
    list.setEditable(true);
    list.addItem(QStringLiteral("旧的"));
    list.setEditText(QStringLiteral("没保存的"));
    QSignalSpy typed(&list, &QComboBox::editTextChanged);

    routines::fillList(shop.data.workQuery, QStringLiteral("d"), QStringLiteral("data"), &list);

    QStringList entries;
    for (int i = 0; i < list.count(); ++i)
        entries << list.itemText(i);
    EXPECT_EQ(entries, QStringList({QString(), QStringLiteral("裤子"), QStringLiteral("上衣")})) << "pinyin order: ku, shang";
    EXPECT_EQ(list.currentText(), QString());
    EXPECT_EQ(typed.count(), 0) << "refilling by program is not a change by the user";
}

TEST(FillList, AFailedOpenLeavesTheListEmptyAndReportsTheError)
{
    TestShop shop;
    QComboBox list;
    list.addItem(QStringLiteral("旧的"));
    EXPECT_THROW(routines::fillList(shop.data.workQuery, QStringLiteral("nosuch"), QStringLiteral("data"), &list), DbError);
    EXPECT_EQ(list.count(), 0);
}

} // namespace
