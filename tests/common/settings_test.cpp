#include "common/layoutstore.h"
#include "common/settings.h"
#include "support/doubles.h"

#include <QFile>
#include <QSettings>
#include <QHeaderView>
#include <QStandardItemModel>
#include <QTableView>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

TEST(Settings, ReadNeverCreatesTheStoreAndMissingValuesReadEmpty)
{
    QTemporaryDir dir;
    Settings settings(dir.filePath(QStringLiteral("brelmoss")));
    EXPECT_FALSE(settings.exists());
    EXPECT_EQ(settings.read(QStringLiteral("danhao")), QString());
    EXPECT_FALSE(settings.exists());
    EXPECT_FALSE(QFile::exists(settings.fileName()));

    settings.write(QStringLiteral("danhao"), QStringLiteral("12"));
    settings.write(QStringLiteral("pos1"), QStringLiteral("欢迎光临 'A' \"B\" 100%"));
    EXPECT_TRUE(settings.exists());
    EXPECT_EQ(settings.read(QStringLiteral("danhao")), QStringLiteral("12"));
    EXPECT_EQ(settings.read(QStringLiteral("riqi")), QString());

    Settings again(dir.filePath(QStringLiteral("brelmoss")));
    EXPECT_EQ(again.read(QStringLiteral("pos1")), QStringLiteral("欢迎光临 'A' \"B\" 100%"));
}

// A write of the value the file already holds leaves the file as it is (each sale stores the
// order counter, mostly unchanged); another value is written as always.
// A home folder that cannot be written: the first failed write is told, the later ones are not
// (every sale stores the order counter), and the values written hold for the rest of the run.
TEST(Settings, AStoreThatCannotBeWrittenIsToldOnceAndItsValuesLastTheRun)
{
    QTemporaryDir dir;
    QFile blocker(dir.filePath(QStringLiteral("brelmoss"))); // a file where the folder should be
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    Settings settings(blocker.fileName());
    RecordingMessages messages;
    EXPECT_FALSE(storeSetting(settings, messages, QStringLiteral("danhao"), QStringLiteral("5")));
    EXPECT_FALSE(storeSetting(settings, messages, QStringLiteral("danhao"), QStringLiteral("6")));
    EXPECT_FALSE(storeSetting(settings, messages, QStringLiteral("riqi"), QStringLiteral("2026-12-10")));
    ASSERT_EQ(messages.boxes.size(), 1);
    EXPECT_TRUE(messages.boxes[0].text.contains(QStringLiteral("danhao 没有保存")));
    EXPECT_EQ(settings.read(QStringLiteral("danhao")), QStringLiteral("6"));
    EXPECT_EQ(settings.read(QStringLiteral("riqi")), QStringLiteral("2026-12-10"));
}

TEST(Settings, AValueAlreadyStoredIsNotWrittenAgain)
{
    QTemporaryDir dir;
    Settings settings(dir.path());
    auto fileId = [&] {
        struct stat st {};
        return ::stat(QFile::encodeName(settings.fileName()).constData(), &st) == 0 ? st.st_ino : 0;
    };
    ASSERT_TRUE(settings.write(QStringLiteral("danhao"), QStringLiteral("20261210061")));
    const auto written = fileId();
    ASSERT_NE(written, 0u);
    EXPECT_TRUE(settings.write(QStringLiteral("danhao"), QStringLiteral("20261210061")));
    EXPECT_EQ(fileId(), written) << "the file was written again";
    EXPECT_TRUE(settings.write(QStringLiteral("danhao"), QStringLiteral("20261210062")));
    EXPECT_NE(fileId(), written);
    EXPECT_EQ(settings.read(QStringLiteral("danhao")), QStringLiteral("20261210062"));
    // A name not stored yet is written even when its value is empty.
    EXPECT_TRUE(settings.write(QStringLiteral("riqi"), QString()));
    EXPECT_TRUE(QSettings(settings.fileName(), QSettings::IniFormat).contains(QStringLiteral("riqi")));
}

class LayoutFixture : public ::testing::Test {
protected:
    LayoutFixture() : store(dir.path())
    {
        model.setColumnCount(fields.size());
        model.setRowCount(3);
        view.setModel(&model);
    }
    QTemporaryDir dir;
    LayoutStore store;
    QStandardItemModel model;
    QTableView view;
    const QStringList fields = {QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("7"), QStringLiteral("day1")};
};

TEST_F(LayoutFixture, SavedLayoutComesBackInAFreshGrid)
{
    QHeaderView *h = view.horizontalHeader();
    h->moveSection(h->visualIndex(2), 0); // stock quantity first
    h->resizeSection(0, 171);
    h->setSectionHidden(3, true);
    h->setSortIndicatorShown(true);
    h->setSortIndicator(2, Qt::DescendingOrder);
    view.verticalHeader()->setDefaultSectionSize(27);
    store.save(QString::fromLatin1(LayoutStore::kMainGridSection), LayoutStore::capture(view, fields));

    QTableView fresh;
    fresh.setModel(&model);
    LayoutStore::apply(fresh, fields, store.load(QString::fromLatin1(LayoutStore::kMainGridSection)));
    QHeaderView *f = fresh.horizontalHeader();
    EXPECT_EQ(f->logicalIndex(0), 2);
    EXPECT_EQ(f->logicalIndex(1), 0);
    EXPECT_EQ(f->sectionSize(0), 171);
    EXPECT_TRUE(f->isSectionHidden(3));
    EXPECT_FALSE(f->isSectionHidden(1));
    EXPECT_EQ(f->sortIndicatorSection(), 2);
    EXPECT_EQ(f->sortIndicatorOrder(), Qt::DescendingOrder);
    EXPECT_EQ(fresh.verticalHeader()->defaultSectionSize(), 27);
}

TEST_F(LayoutFixture, SectionsAreSeparateAndMissingOnesRestoreNothing)
{
    EXPECT_TRUE(store.load(QStringLiteral("MainGrid")).isEmpty()) << "no file yet";
    view.horizontalHeader()->resizeSection(1, 99);
    store.save(QStringLiteral("MainGrid2"), LayoutStore::capture(view, fields));
    EXPECT_TRUE(store.load(QStringLiteral("MainGrid")).isEmpty());
    const GridLayout second = store.load(QStringLiteral("MainGrid2"));
    EXPECT_EQ(second.columns.value(QStringLiteral("b")).width, 99);

    QTableView untouched;
    untouched.setModel(&model);
    const int width = untouched.horizontalHeader()->sectionSize(1);
    LayoutStore::apply(untouched, fields, store.load(QStringLiteral("MainGrid")));
    EXPECT_EQ(untouched.horizontalHeader()->sectionSize(1), width);
}

} // namespace
