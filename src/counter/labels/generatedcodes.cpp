#include "counter/labels/generatedcodes.h"

#include "data/database.h"

#include <QSet>

namespace generatedcodes {

QString forKey(long long key)
{
    return QStringLiteral("20%1").arg(key, 8, 10, QLatin1Char('0'));
}

namespace {

bool codeTaken(Database &db, const QString &code)
{
    return !db.scalar(Statement(QStringLiteral("SELECT 1 FROM data WHERE c = ? LIMIT 1"), {code})).isNull();
}

QString freeCode(Database &db, long long key, QSet<QString> &given)
{
    const QString base = forKey(key);
    QString code = base;
    for (int n = 1; given.contains(code) || codeTaken(db, code); ++n)
        code = base + QString::number(n);
    given.insert(code);
    return code;
}

} // namespace

QHash<long long, QString> assign(Database &db, const QList<long long> &keys)
{
    QHash<long long, QString> codes;
    inTransaction(db, [&] {
        // Two tills choosing codes at once would both find a code free; on a server the stock
        // rows are locked against writes until this transaction ends (a file is locked whole).
        if (db.onServer())
            db.execute(Statement("LOCK TABLE data IN SHARE ROW EXCLUSIVE MODE"));
        QSet<QString> given;
        for (long long key : keys) {
            // A row deleted meanwhile is not found; a row without a code holds a null or a blank.
            bool exists = false;
            QString stored;
            db.query(Statement(QStringLiteral("SELECT c FROM data WHERE ID = ?"), {key}), [&](const ResultRow &row) {
                exists = true;
                stored = row.text(0);
            });
            if (!exists)
                continue;
            if (!stored.trimmed().isEmpty()) {
                codes.insert(key, stored);
                continue;
            }
            const QString code = freeCode(db, key, given);
            db.execute(Statement(QStringLiteral("UPDATE data SET c = ? WHERE ID = ?"), {code, key}));
            codes.insert(key, code);
        }
    });
    return codes;
}

} // namespace generatedcodes
