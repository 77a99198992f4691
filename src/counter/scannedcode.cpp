#include "counter/scannedcode.h"

#include "data/database.h"
#include "data/resultrow.h"

#include <QSet>

ScannedCode ScannedCode::find(Database &db, const QString &typed)
{
    ScannedCode found;
    const QString code = typed.trimmed();
    if (code.isEmpty())
        return found;
    // The oldest batch first: stock taken in earlier is sold first. Read through the index on c.
    QSet<QPair<QString, QString>> articles;
    db.query(Statement(QStringLiteral("select ID, a, b from data where c=? and [7]>0 order by day1, ID"), {code}),
             [&](const ResultRow &row) {
                 if (found.key < 0)
                     found.key = row.integer(0);
                 articles.insert({row.text(1), row.text(2)});
             });
    found.kind = articles.isEmpty()     ? Kind::None
                 : articles.size() == 1 ? Kind::One
                                        : Kind::Several;
    if (found.kind != Kind::One)
        found.key = -1;
    return found;
}
