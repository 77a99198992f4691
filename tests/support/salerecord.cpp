#include "support/salerecord.h"

#include "data/dataset.h"
#include "support/testapp.h"

#include <QFile>
#include <gtest/gtest.h>

void note(FILE *record, const QString &first, const QString &second)
{
    fprintf(record, "%s\t%s\n", first.toUtf8().constData(), second.toUtf8().constData());
    fflush(record);
}

QHash<QString, QString> readRecord(const QString &path)
{
    QHash<QString, QString> lines;
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return lines;
    for (const QByteArray &line : f.readAll().split('\n')) {
        const QList<QByteArray> parts = line.split('\t');
        if (parts.size() == 2)
            lines.insert(QString::fromUtf8(parts[0]), QString::fromUtf8(parts[1]));
    }
    return lines;
}

void expectEverySaleOnceInOrdersOfItsOwn(TestShop &shop, const QHash<QString, QString> &confirmed,
                                         const QSet<QString> &gone, const QSet<QString> &unsure)
{
    ASSERT_FALSE(confirmed.isEmpty()) << "no program got to sell";
    Dataset lines(shop.db, QStringLiteral("lines"));
    lines.open(Statement("select j, z from data1"));
    QHash<QString, QString> stored;
    QHash<QString, QSet<QString>> programsOfOrder;
    for (int row = 0; row < lines.recordCount(); ++row) {
        const QString remark = lines.value(row, "j").toString(), order = lines.value(row, "z").toString();
        EXPECT_FALSE(stored.contains(remark)) << remark.toStdString() << " stored twice";
        stored.insert(remark, order);
        programsOfOrder[order].insert(remark.section(QLatin1Char('#'), 0, 0));
        EXPECT_TRUE(unsure.contains(remark) || (confirmed.contains(remark) && !gone.contains(remark)))
            << remark.toStdString() << " stored but no program confirmed it";
    }
    for (auto it = confirmed.cbegin(); it != confirmed.cend(); ++it) {
        if (!gone.contains(it.key()))
            EXPECT_EQ(stored.value(it.key()), it.value()) << it.key().toStdString() << " confirmed but not stored";
    }
    for (auto it = programsOfOrder.cbegin(); it != programsOfOrder.cend(); ++it)
        EXPECT_EQ(it.value().size(), 1) << "order " << it.key().toStdString() << " holds the lines of several programs";
}
