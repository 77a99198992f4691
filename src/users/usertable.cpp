#include "users/usertable.h"

#include "common/passwordhash.h"
#include "data/database.h"
#include "data/dataset.h"
#include "data/routines.h"

#include <QList>
#include <utility>

namespace usertable {

QStringList names(Dataset &work)
{
    routines::open(work, Statement(QStringLiteral("select username from userdb order by rowid")));
    QStringList list;
    for (int r = 0; r < work.recordCount(); ++r)
        list << work.value(r, 0).toString();
    work.close();
    return list;
}

long long matchingRow(Dataset &work, const QString &user, const QString &password)
{
    routines::open(work, Statement(QStringLiteral("select rowid, passwd from userdb where username=?"), {user}));
    QList<std::pair<long long, QString>> rows;
    for (int r = 0; r < work.recordCount(); ++r)
        rows.append({work.value(r, 0).toLongLong(), work.value(r, 1).toString()});
    work.close();

    long long match = -1;
    QString stored;
    int matches = 0;
    for (const auto &[row, value] : rows) {
        const bool same = passwordhash::isHash(value) ? passwordhash::verify(value, password) : value == password;
        if (same) {
            match = row;
            stored = value;
            ++matches;
        }
    }
    if (matches != 1)
        return -1;
    if (!passwordhash::isHash(stored) || passwordhash::isOutdated(stored))
        setPassword(work, match, password);
    return match;
}

bool hasUser(Dataset &work, const QString &user)
{
    routines::open(work, Statement(QStringLiteral("select count(*) from userdb where username=?"), {user}));
    const bool found = work.value(0, 0).toLongLong() > 0;
    work.close();
    return found;
}

void add(Dataset &work, const QString &user)
{
    routines::execute(work, Statement(QStringLiteral("insert into userdb (username, passwd) values (?, ?)"),
                                      {user, passwordhash::make(passwordhash::initialPassword())}));
}

int resetPassword(Dataset &work, const QString &user)
{
    routines::execute(work, Statement(QStringLiteral("update userdb set passwd=? where username=?"),
                                      {passwordhash::make(passwordhash::initialPassword()), user}));
    return work.database().changes();
}

int remove(Dataset &work, const QString &user)
{
    routines::execute(work, Statement(QStringLiteral("delete from userdb where username=?"), {user}));
    return work.database().changes();
}

bool setPassword(Dataset &work, long long row, const QString &password)
{
    routines::execute(work, Statement(QStringLiteral("update userdb set passwd=? where rowid=?"),
                                      {passwordhash::make(password), row}));
    return work.database().changes() == 1;
}

} // namespace usertable
