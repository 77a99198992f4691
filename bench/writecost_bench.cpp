// What the indexes cost a posting: the posting transaction of "销售确认" (the stock row's new
// figures and the appended sale line, through the program's own posting and connection, with
// synchronous FULL) on a shop of 100,000 stock rows and 1,000,000 sale lines in the temporary
// folder, on copies of the same file: with every index, without the indexes the program adds,
// and without each one of them alone. A piece is sold and taken back in turn, so the stock row
// stays as it was. Run with --benchmark_enable_random_interleaving=true.
#include "shopgenerator.h"

#include "data/database.h"
#include "data/externalchanges.h"
#include "data/schema.h"
#include "sales/saleposting.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <benchmark/benchmark.h>
#include <map>
#include <memory>

namespace {

// One copy of the shop with the named indexes dropped, open on the program's connection, and the
// stock row that is sold from.
struct WriteShop {
    std::unique_ptr<Database> db;
    LoadedStock stock;
    bool selling = true;

    WriteShop(const QString &name, const QStringList &dropped)
    {
        const QString generated = cachedShopUpToToday({100000, 1000000});
        const QString copy = QFileInfo(generated).dir().filePath(QStringLiteral("writecost-%1.db").arg(name));
        // A fresh copy each run: the postings of the last run and the dropped indexes are gone.
        QFile::remove(copy);
        if (!QFile::copy(generated, copy))
            qFatal("cannot copy %s", qPrintable(generated));
        db = std::make_unique<Database>(copy);
        db->open(); // adds the program's indexes
        for (const QString &index : dropped)
            db->execute(Statement(QStringLiteral("DROP INDEX %1").arg(index)));
        const QVariant key = db->scalar(Statement("SELECT ID FROM data WHERE [7]>=2 AND day1 IS NOT NULL "
                                                  "ORDER BY ID DESC LIMIT 1"));
        if (!key.isNull())
            stock = LoadedStock::stored(*db, key.toLongLong());
        if (stock.key < 0)
            qFatal("no stock row to sell from");
    }

    void post()
    {
        const SaleEntry entry{stock.listPrice.isEmpty() ? QStringLiteral("10") : stock.listPrice,
                              selling ? QStringLiteral("1") : QStringLiteral("-1"),
                              QStringLiteral("0"),
                              QStringLiteral("2026-12-10"),
                              QStringLiteral("20261210001"),
                              QStringLiteral("张三"),
                              QStringLiteral("北京路1号"),
                              QStringLiteral("13800000000"),
                              QString()};
        stock = stock.after(postSale(*db, stock, entry));
        selling = !selling;
    }
};

WriteShop &shop(const std::string &name, const QStringList &dropped)
{
    static std::map<std::string, std::unique_ptr<WriteShop>> shops;
    auto &s = shops[name];
    if (!s)
        s = std::make_unique<WriteShop>(QString::fromStdString(name), dropped);
    return *s;
}

void registerCase(const std::string &name, const QStringList &dropped)
{
    benchmark::RegisterBenchmark(("postingWrites/" + name).c_str(), [=](benchmark::State &state) {
        WriteShop &s = shop(name, dropped);
        for (auto _ : state)
            s.post();
    })->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);
}

// What the look for other programs' writes costs at each tick of its timer (one PRAGMA that reads
// no table and one look at the file), on the same shop.
void externalChangesCheck(benchmark::State &state)
{
    WriteShop &s = shop("allIndexes", {});
    ExternalChanges changes(*s.db);
    for (auto _ : state)
        changes.check();
}
BENCHMARK(externalChangesCheck)->Unit(benchmark::kMicrosecond);

const bool registered = [] {
    const QStringList added = schema::indexNames();
    registerCase("allIndexes", {});
    registerCase("noAddedIndexes", added);
    for (const QString &index : added)
        registerCase("without-" + index.toStdString(), {index});
    return true;
}();

} // namespace
