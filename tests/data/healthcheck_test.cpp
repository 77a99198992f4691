#include "data/healthcheck.h"
#include "support/dbfiles.h"
#include "support/testapp.h"

#include <QSignalSpy>
#include <gtest/gtest.h>

namespace {

TEST(HealthCheck, TellsSoundDamagedAndUncheckableFilesApartWithoutWriting)
{
    TestShop shop;
    for (int i = 0; i < 50; ++i)
        shop.addStockRow({{"a", QStringLiteral("衣服%1").arg(i)}, {"z", QString(200, QChar(u'备'))}});
    const QString file = shop.db.fileName();
    const HealthReport sound = checkHealth(file);
    EXPECT_EQ(sound.state, HealthReport::State::Sound);
    EXPECT_TRUE(sound.details.isEmpty());

    shop.db.close();
    damageTable(file, "data");
    const QByteArray damagedBytes = fileChecksum(file);
    const HealthReport damaged = checkHealth(file);
    EXPECT_EQ(damaged.state, HealthReport::State::Damaged);
    EXPECT_TRUE(damaged.details.startsWith("Page ")) << damaged.details.toStdString();
    EXPECT_EQ(fileChecksum(file), damagedBytes) << "the check only reads";

    const HealthReport missing = checkHealth(shop.path("nosuch.db"));
    EXPECT_EQ(missing.state, HealthReport::State::Unknown) << "no file is no verdict, not damage";
    EXPECT_FALSE(missing.details.isEmpty());
}

TEST(HealthCheck, RunsOnAWorkerAndReportsOnTheOwnersThread)
{
    TestShop shop;
    shop.db.close();
    damageTable(shop.db.fileName(), "data");
    HealthCheck check;
    EXPECT_FALSE(check.isStarted());
    QSignalSpy finished(&check, &HealthCheck::finished);
    check.start(shop.db.fileName());
    EXPECT_TRUE(check.isStarted());
    EXPECT_TRUE(check.result().isDamaged()) << "the result can be waited for";
    EXPECT_TRUE(check.isFinished());
    ASSERT_TRUE(finished.count() == 1 || finished.wait(5000)) << "and is announced through the event loop";
    EXPECT_EQ(finished.count(), 1);
    EXPECT_TRUE(finished.at(0).at(0).value<HealthReport>().isDamaged());
}

} // namespace
