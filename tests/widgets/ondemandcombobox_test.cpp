#include "widgets/ondemandcombobox.h"

#include <QLineEdit>
#include <QSignalSpy>
#include <gtest/gtest.h>

namespace {

QStringList entries(const QComboBox &list)
{
    QStringList items;
    for (int i = 0; i < list.count(); ++i)
        items << list.itemText(i);
    return items;
}

// A list read once from `known`, with `typed` in its field.
struct ReadList {
    OnDemandComboBox list;
    int reads = 0;
    ReadList(const QStringList &known, const QString &typed)
    {
        list.setReader([this, known](QStringList &out) {
            ++reads;
            out = known;
            return true;
        });
        list.refresh();
        list.setEditText(typed);
    }
};

// A name written after the list was read joins it where a re-read would put it, without a read.
TEST(OnDemandComboBoxTest, AnAddedEntryTakesItsPlaceInPinyinOrder)
{
    const QStringList known{"", "李四", "王五", "张三"};
    const struct {
        const char *added;
        QStringList expected;
    } cases[] = {
        {"阿飞", {"", "阿飞", "李四", "王五", "张三"}},
        {"刘六", {"", "李四", "刘六", "王五", "张三"}},
        {"赵七", {"", "李四", "王五", "张三", "赵七"}},
        {"王五", {"", "李四", "王五", "张三"}}, // already there: not twice
    };
    for (const auto &c : cases) {
        ReadList r(known, QStringLiteral("张"));
        QSignalSpy edited(&r.list, &QComboBox::editTextChanged);
        r.list.addEntry(QString::fromUtf8(c.added));
        EXPECT_EQ(entries(r.list), c.expected) << c.added;
        EXPECT_EQ(r.list.currentText(), QStringLiteral("张")) << "the typed text stays";
        EXPECT_EQ(edited.count(), 0) << "adding is not the user changing the text";
        EXPECT_EQ(r.reads, 1);
        EXPECT_FALSE(r.list.isStale());
    }
}

TEST(OnDemandComboBoxTest, AnEmptyEntryOrAStaleListWaitsForTheNextRead)
{
    ReadList r({"李四"}, QString());
    r.list.addEntry(QString());
    EXPECT_TRUE(r.list.isStale()) << "a null and an empty text are told apart only by a read";

    ReadList stale({"李四"}, QString());
    stale.list.markStale();
    stale.list.addEntry(QStringLiteral("张三"));
    EXPECT_EQ(entries(stale.list), QStringList({"李四"}));
    stale.list.refresh();
    EXPECT_EQ(stale.reads, 2);
}

} // namespace
