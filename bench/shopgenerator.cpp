#include "shopgenerator.h"

#include "data/database.h"
#include "stock/pinyin.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>
#include <algorithm>
#include <cmath>
#include <functional>
#include <random>
#include <stdexcept>
#include <sqlite3.h>
#include <vector>

namespace {

const char *const kGarments[] = {
    "衬衫", "牛仔裤", "连衣裙", "外套", "卫衣", "毛衣", "夹克", "风衣", "羽绒服", "T恤", "短裤", "休闲裤",
    "半身裙", "西装", "马甲", "背心", "打底衫", "针织衫", "运动裤", "皮衣", "大衣", "棉服", "衬衣", "睡衣",
    "套装", "POLO衫", "阔腿裤", "吊带裙", "开衫", "冲锋衣",
};
const char *const kColours[] = {"红色", "黑色", "白色", "蓝色", "灰色", "卡其色", "藏青", "米白", "粉色", "绿色", "驼色", "花色"};
const char *const kSizes[] = {"S", "M", "L", "XL", "XXL", "均码", "110", "120", "130", "140", "36", "38"};
const char *const kCategories[] = {"男装", "女装", "童装", "内衣", "运动", "鞋帽", "配饰", "羽绒", "牛仔", "家居服", "孕妇装", "中老年"};
const char *const kCompanies[] = {"服饰有限公司", "制衣厂", "服装批发", "纺织品公司", "时装店"};
const char *const kRemarks[] = {"", "", "", "", "", "", "新款", "特价", "退货换新", "样品", "断码", "春季上新"};

class Maker {
public:
    explicit Maker(unsigned seed) : m_random(seed), m_gbk("GBK") {}

    int between(int low, int high) { return std::uniform_int_distribution<int>(low, high)(m_random); }
    double chance() { return std::uniform_real_distribution<double>(0, 1)(m_random); }
    template <size_t N>
    QString pick(const char *const (&list)[N])
    {
        return QString::fromUtf8(list[between(0, int(N) - 1)]);
    }
    // Characters of GB2312 level 1, the common ones, filed in pinyin order.
    QString chinese(int count)
    {
        QByteArray bytes;
        for (int i = 0; i < count; ++i) {
            const int lead = between(0xB0, 0xD7);
            const int trail = between(0xA1, lead == 0xD7 ? 0xF9 : 0xFE);
            bytes += char(lead);
            bytes += char(trail);
        }
        return m_gbk.decode(bytes);
    }
    QDate date(const QDate &from, int days) { return from.addDays(between(0, days)); }

private:
    std::mt19937 m_random;
    QStringDecoder m_gbk;
};

struct StockRow {
    QString a, b, c, d, e, f, g, z;
    double price, sale;
    QDate day;
    double bought = 0, sold = 0;
};

QString initials(const QString &text)
{
    return QString::fromLatin1(pinyinInitials(text.trimmed()));
}

double money(double v)
{
    return std::round(v * 100) / 100;
}

class Inserter {
public:
    Inserter(Database &db, const char *sql)
    {
        if (sqlite3_prepare_v2(db.handle(), sql, -1, &m_stmt, nullptr) != SQLITE_OK)
            throw std::runtime_error(sqlite3_errmsg(db.handle()));
    }
    ~Inserter() { sqlite3_finalize(m_stmt); }
    void text(int i, const QString &v)
    {
        if (v.isEmpty()) {
            sqlite3_bind_null(m_stmt, i);
            return;
        }
        const QByteArray u = v.toUtf8();
        sqlite3_bind_text(m_stmt, i, u.constData(), int(u.size()), SQLITE_TRANSIENT);
    }
    void number(int i, double v) { sqlite3_bind_double(m_stmt, i, v); }
    void run()
    {
        sqlite3_step(m_stmt);
        sqlite3_reset(m_stmt);
    }

private:
    sqlite3_stmt *m_stmt = nullptr;
};

} // namespace

namespace {

struct Customer {
    QString name, contact, address;
};

struct SaleLine {
    size_t row;
    QDate day;
    double quantity, price, owed;
    Customer customer;
    int counter;
};

// The shop's rows drawn from `make` in a fixed order, so the same seed gives the same shop. Sale
// dates fall between a row's stock-in date and `last`. In date order, stock rows and sale lines
// are written sorted by date, as a shop appends them; otherwise in the order drawn.
void generate(const QString &fileName, const ShopSize &size, unsigned seed, const QDate &first, const QDate &last,
              bool inDateOrder)
{
    Maker make(seed);
    Database db(fileName);
    db.create();
    db.execute(Statement("PRAGMA synchronous=OFF"));
    const int days = int(first.daysTo(last));

    QStringList suppliers;
    for (int i = 0; i < 60; ++i)
        suppliers << make.chinese(2) + make.pick(kCompanies);
    std::vector<Customer> customers;
    for (int i = 0; i < size.customers; ++i)
        customers.push_back({make.chinese(make.between(2, 3)),
                             QStringLiteral("13%1").arg(make.between(0, 999999999), 9, 10, QLatin1Char('0')),
                             make.chinese(2) + QStringLiteral("路%1号").arg(make.between(1, 300))});

    std::vector<StockRow> rows;
    rows.reserve(size_t(size.stockRows));
    for (int i = 0; i < size.stockRows; ++i) {
        StockRow r;
        r.a = make.chinese(make.between(1, 2)) + make.pick(kGarments);
        r.b = make.pick(kColours) + make.pick(kSizes);
        r.c = QStringLiteral("69%1").arg(make.between(0, 999999), 6, 10, QLatin1Char('0')) +
              QStringLiteral("%1").arg(make.between(0, 99999), 5, 10, QLatin1Char('0'));
        r.d = make.pick(kCategories);
        r.e = initials(r.a);
        r.f = initials(r.b);
        r.g = suppliers.at(make.between(0, int(suppliers.size()) - 1));
        r.z = make.pick(kRemarks);
        r.price = make.between(30, 600) / 2.0;
        r.sale = std::round(r.price * (1.3 + make.chance()));
        r.day = make.date(first, days);
        r.bought = make.chance() < 0.03 ? 0 : make.between(1, 200);
        r.sold = make.between(0, int(r.bought));
        rows.push_back(std::move(r));
    }
    if (inDateOrder)
        std::stable_sort(rows.begin(), rows.end(), [](const StockRow &x, const StockRow &y) { return x.day < y.day; });

    auto saleLine = [&] {
        SaleLine line;
        line.row = size_t(make.between(0, int(rows.size()) - 1));
        const StockRow &r = rows[line.row];
        line.day = make.date(r.day, std::max(0, int(r.day.daysTo(last))));
        line.quantity = make.chance() < 0.02 ? -1 : make.between(1, 3);
        line.price = std::round(r.sale * (0.8 + 0.2 * make.chance()));
        // Most lines that leave money owed name the customer who owes it; half the others do.
        const bool owes = make.chance() < size.owedShare;
        const bool named = !customers.empty() && make.chance() < (owes ? 0.97 : 0.5);
        if (named)
            line.customer = customers[size_t(make.between(0, int(customers.size()) - 1))];
        line.counter = make.between(1, 60);
        line.owed = owes ? money(line.price * line.quantity / 2) : 0;
        return line;
    };

    inTransaction(db, [&] {
        Inserter insert(db, "INSERT INTO data (a,b,c,d,e,f,g,[1],[2],[3],[4],[5],[6],[7],[8],z,day1) "
                            "VALUES (?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)");
        for (const StockRow &r : rows) {
            const double stock = r.bought - r.sold;
            insert.text(1, r.a);
            insert.text(2, r.b);
            insert.text(3, r.c);
            insert.text(4, r.d);
            insert.text(5, r.e);
            insert.text(6, r.f);
            insert.text(7, r.g);
            insert.number(8, r.price);
            insert.number(9, r.bought);
            insert.number(10, money(r.price * r.bought));
            insert.number(11, r.sale);
            insert.number(12, r.sold);
            insert.number(13, money(r.sale * r.sold));
            insert.number(14, stock);
            insert.number(15, stock * r.price);
            insert.text(16, r.z);
            insert.text(17, r.day.toString(QStringLiteral("yyyy-MM-dd")));
            insert.run();
        }

        Inserter sale(db, "INSERT INTO data1 (a,b,c,d,e,f,g,z,[1],[2],[3],[4],a5,[6],day1,day2,i,h) "
                          "VALUES (?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)");
        auto write = [&](const SaleLine &line) {
            const StockRow &r = rows[line.row];
            sale.text(1, r.a);
            sale.text(2, r.b);
            sale.text(3, r.c);
            sale.text(4, r.d);
            sale.text(5, r.e);
            sale.text(6, r.f);
            sale.text(7, line.customer.name);
            sale.text(17, line.customer.contact);
            sale.text(18, line.customer.address);
            sale.text(8, line.day.toString(QStringLiteral("yyyyMMdd")) +
                             QStringLiteral("%1").arg(line.counter, 3, 10, QLatin1Char('0')));
            sale.number(9, r.price);
            sale.number(10, line.price);
            sale.number(11, line.quantity);
            sale.number(12, line.price * line.quantity);
            sale.number(13, money((line.price - r.price) * line.quantity));
            sale.number(14, line.owed);
            sale.text(15, line.day.toString(QStringLiteral("yyyy-MM-dd")));
            sale.text(16, r.day.toString(QStringLiteral("yyyy-MM-dd")));
            sale.run();
        };
        if (!inDateOrder) {
            for (int i = 0; i < size.saleLines; ++i)
                write(saleLine());
            return;
        }
        std::vector<SaleLine> lines;
        lines.reserve(size_t(size.saleLines));
        for (int i = 0; i < size.saleLines; ++i)
            lines.push_back(saleLine());
        std::stable_sort(lines.begin(), lines.end(), [](const SaleLine &x, const SaleLine &y) { return x.day < y.day; });
        for (const SaleLine &line : lines)
            write(line);
    });
    db.close();
}

// `make` writes the shop into a partial file renamed when complete, so a run cut short leaves
// nothing that looks finished.
QString cached(const QString &name, const std::function<void(const QString &)> &make)
{
    const QString file = QDir(shopCacheFolder()).filePath(name);
    if (!QFile::exists(file)) {
        const QString partial = file + QStringLiteral(".part");
        QFile::remove(partial);
        make(partial);
        QFile::rename(partial, file);
    }
    return file;
}

} // namespace

QString shopCacheFolder()
{
    const QString folder = QDir::temp().filePath(QStringLiteral("tolvane-bench"));
    QDir().mkpath(folder);
    return folder;
}

void generateShop(const QString &fileName, const ShopSize &size, unsigned seed)
{
    generate(fileName, size, seed, QDate(2012, 1, 1), QDate(2014, 12, 31), false);
}

void generateShopUpTo(const QString &fileName, const ShopSize &size, const QDate &today, unsigned seed)
{
    generate(fileName, size, seed, today.addYears(-3), today, true);
}

QString cachedShopUpToToday(const ShopSize &size)
{
    const QDate today = QDate::currentDate();
    return cached(QStringLiteral("shop-today-v2-%1-%2-%3.db").arg(size.stockRows).arg(size.saleLines).arg(today.toString(QStringLiteral("yyyyMM"))),
                  [&](const QString &file) { generateShopUpTo(file, size, today); });
}

QString cachedShop(const ShopSize &size)
{
    const QString file = QDir(shopCacheFolder()).filePath(QStringLiteral("shop-v2-%1-%2-%3-%4.db")
                                                   .arg(size.stockRows)
                                                   .arg(size.saleLines)
                                                   .arg(size.customers)
                                                   .arg(qRound(size.owedShare * 1000)));
    if (!QFile::exists(file)) {
        const QString partial = file + QStringLiteral(".part");
        QFile::remove(partial);
        generateShop(partial, size);
        QFile::rename(partial, file);
    }
    return file;
}

QString indexedShop(const ShopSize &size)
{
    const QString copy = QDir(shopCacheFolder())
                             .filePath(QStringLiteral("sales-details-%1.db").arg(QFileInfo(cachedShop(size)).completeBaseName()));
    if (!QFile::exists(copy)) {
        const QString partial = copy + QStringLiteral(".part");
        QFile::remove(partial);
        QFile::copy(cachedShop(size), partial);
        Database db(partial);
        db.open(); // adds the indexes once
        db.close();
        QFile::rename(partial, copy);
    }
    return copy;
}

QString writableShop(const ShopSize &size, const QString &name)
{
    const QString copy = QDir(shopCacheFolder()).filePath(name);
    QFile::remove(copy);
    QFile::remove(copy + QStringLiteral("-journal"));
    if (!QFile::copy(indexedShop(size), copy))
        throw std::runtime_error("cannot copy the generated shop");
    QFile(copy).setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    return copy;
}
