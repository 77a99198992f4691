#include "benchserver.h"

#include "shopgenerator.h"

#include "data/database.h"
#include "data/pgconnection.h"
#include "maintenance/servermigration.h"
#include "support/privatepostgres.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <cstdio>
#include <fcntl.h>
#include <map>
#include <sys/file.h>

namespace {

const QString kKept = QStringLiteral("kept_");

// Runs a statement of the server's own on its "postgres" database; a refusal ends the run, as no
// server place can be measured without it.
void administer(PrivatePostgres &pg, const QString &sql, const std::function<void(const ResultRow &)> &onRow = {})
{
    try {
        PgConnection admin(pg.conninfo(QStringLiteral("postgres")));
        admin.open();
        if (onRow)
            admin.query(Statement(sql), onRow);
        else
            admin.execute(Statement(sql));
    } catch (const DbError &e) {
        qFatal("the benchmark's server refused %s: %s", qPrintable(sql), qPrintable(e.text()));
    }
}

void drop(PrivatePostgres &pg, const QString &name)
{
    administer(pg, QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)").arg(name));
}

// Takes the kept cluster's folder for this run: a lock on a file beside it, held until the process
// ends (also when it is killed), so two runs never share it and a server left running by a run
// that was cut short is known to be nobody's. The reason when another run holds it.
QString holdFolder(const QString &folder)
{
    const QByteArray lock = QFile::encodeName(folder + QStringLiteral(".lock"));
    const int fd = ::open(lock.constData(), O_CREAT | O_RDWR | O_CLOEXEC, 0644);
    if (fd < 0)
        return QStringLiteral("cannot open %1").arg(QFile::decodeName(lock));
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return QStringLiteral("another run uses %1").arg(folder);
    }
    return {}; // the descriptor stays open: the lock lasts as long as the process
}

// The kept cluster holds only templates: databases an earlier run worked on or was copying when it
// was cut short are dropped, and so are the templates of shop files that are gone.
void dropLeftovers(PrivatePostgres &pg)
{
    QStringList gone;
    administer(pg,
               QStringLiteral("SELECT datname, coalesce(shobj_description(oid, 'pg_database'), '') FROM pg_database "
                              "WHERE NOT datistemplate AND datname <> 'postgres'"),
               [&](const ResultRow &row) {
                   if (!row.text(0).startsWith(kKept) || !QFile::exists(row.text(1)))
                       gone << row.text(0);
               });
    for (const QString &name : gone)
        drop(pg, name);
}

PrivatePostgres *chooseServer()
{
    const QString folder = QDir(shopCacheFolder()).filePath(QStringLiteral("postgres-15"));
    QString why = holdFolder(folder);
    if (why.isEmpty()) {
        static PrivatePostgres kept(folder);
        if (!kept.remadeBecause().isEmpty())
            std::fprintf(stderr, "the kept server in %s did not start and was made anew: %s\n", qPrintable(folder),
                         qPrintable(kept.remadeBecause()));
        if (kept.error().isEmpty()) {
            dropLeftovers(kept);
            // Made after the server, so done at the end of the run before it stops: the
            // databases the run worked on go, and only the templates take room between runs.
            static const struct AtEnd {
                PrivatePostgres &pg;
                ~AtEnd() { dropLeftovers(pg); }
            } atEnd{kept};
            return &kept;
        }
        why = kept.error();
    }
    std::fprintf(stderr, "server shops are copied into a temporary server, to be lost at the end of the run: %s\n",
                 qPrintable(why));
    PrivatePostgres &temporary = PrivatePostgres::instance();
    if (!temporary.error().isEmpty())
        qFatal("no PostgreSQL server for the benchmark: %s", qPrintable(temporary.error()));
    return &temporary;
}

QString shortHash(const QString &text)
{
    return QString::fromLatin1(QCryptographicHash::hash(text.toUtf8(), QCryptographicHash::Md5).toHex().left(10));
}

// The template of a shop file is named by the file's path, then by its size and modification time:
// a file made again, or written to, has a new name.
QString templatePrefix(const QString &shopFile)
{
    return kKept + shortHash(QFileInfo(shopFile).absoluteFilePath()) + QLatin1Char('_');
}

QString templateName(const QString &shopFile)
{
    const QFileInfo file(shopFile);
    return templatePrefix(shopFile) +
           shortHash(QStringLiteral("%1 %2").arg(file.size()).arg(file.lastModified().toMSecsSinceEpoch()));
}

// The shop file copied into a new database of the server, its tables analysed as a server keeps
// them after a day of work. The program adds its indexes to a file it opens: what is opened is a
// copy, so the shop file stays as it is.
QString copyIntoServer(PrivatePostgres &pg, const QString &shopFile)
{
    QTemporaryDir scratch(QDir(shopCacheFolder()).filePath(QStringLiteral("server-copy-XXXXXX")));
    const QString readable = scratch.filePath(QStringLiteral("shop.db"));
    if (!scratch.isValid() || !QFile::copy(shopFile, readable))
        qFatal("cannot copy %s to read it", qPrintable(shopFile));
    const QString name = pg.newDatabase();
    try {
        Database from(readable);
        from.open();
        Database to(ServerAddress{pg.conninfo(name)});
        to.create();
        QElapsedTimer copying;
        copying.start();
        const servermigration::Copied copied = servermigration::copyShop(from, to);
        to.execute(Statement("ANALYZE"));
        std::fprintf(stderr, "server shop of %lld stock rows and %lld sale lines copied in %.1f s\n", copied.stockRows,
                     copied.saleLines, copying.elapsed() / 1000.0);
    } catch (const DbError &e) {
        qFatal("cannot copy %s into the benchmark's server: %s", qPrintable(shopFile), qPrintable(e.text()));
    }
    return name;
}

// The template of the shop file on the server: found from an earlier run, or copied now. It is
// named only once complete, so a copy cut short is never taken for one; the template of an older
// state of the file is dropped.
QString shopTemplate(const QString &shopFile)
{
    PrivatePostgres &pg = benchServer();
    const QString name = templateName(shopFile);
    QStringList sameFile;
    administer(pg, QStringLiteral("SELECT datname FROM pg_database WHERE starts_with(datname, '%1')").arg(templatePrefix(shopFile)),
               [&](const ResultRow &row) { sameFile << row.text(0); });
    if (sameFile.contains(name))
        return name;
    for (const QString &stale : sameFile)
        drop(pg, stale);
    const QString copy = copyIntoServer(pg, shopFile);
    administer(pg, QStringLiteral("ALTER DATABASE %1 RENAME TO %2").arg(copy, name));
    // Which file the template holds, for dropping it once the file is gone.
    QString path = QFileInfo(shopFile).absoluteFilePath();
    administer(pg, QStringLiteral("COMMENT ON DATABASE %1 IS '%2'").arg(name, path.replace(QLatin1Char('\''), QStringLiteral("''"))));
    return name;
}

} // namespace

bool serverWanted()
{
    return qEnvironmentVariable("TOLVANE_BENCH_SERVER") != QLatin1String("0");
}

PrivatePostgres &benchServer()
{
    static PrivatePostgres *server = chooseServer();
    return *server;
}

QString serverShop(const QString &shopFile)
{
    static std::map<QString, QString> copies;
    auto it = copies.find(shopFile);
    if (it == copies.end())
        it = copies.emplace(shopFile, writableServerShop(shopFile)).first;
    return it->second;
}

QString writableServerShop(const QString &shopFile)
{
    PrivatePostgres &pg = benchServer();
    const QString from = shopTemplate(shopFile);
    try {
        return pg.conninfo(pg.newDatabase(from));
    } catch (const DbError &e) {
        // A template the server cannot copy is of no use: the file is copied into a new one.
        std::fprintf(stderr, "the server's template of %s cannot be copied, copied afresh: %s\n", qPrintable(shopFile),
                     qPrintable(e.text()));
        drop(pg, from);
    }
    try {
        return pg.conninfo(pg.newDatabase(shopTemplate(shopFile)));
    } catch (const DbError &e) {
        qFatal("cannot copy the server's template of %s: %s", qPrintable(shopFile), qPrintable(e.text()));
    }
}

void dropServerDatabase(const QString &name)
{
    drop(benchServer(), name);
}
