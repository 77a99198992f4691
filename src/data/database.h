#pragma once

#include "common/errors.h"
#include "data/resultrow.h"
#include "data/statement.h"

#include <QString>
#include <QStringList>
#include <QVariant>
#include <functional>
#include <memory>
#include <vector>

class PgConnection;
struct sqlite3;
struct sqlite3_stmt;

// A shop database holding triggers or views the program did not make (they would run with its
// writes); `objects` names them.
class ForeignObjectsError : public DbError {
public:
    ForeignObjectsError(const QString &text, QStringList objects) : DbError(text), m_objects(std::move(objects)) {}
    const QStringList &objects() const { return m_objects; }

private:
    QStringList m_objects;
};

// A database on a server that holds no table at all: a shop can be made in it.
class EmptyServerDatabaseError : public DbError {
public:
    using DbError::DbError;
};

// Where a shop's database is kept on a PostgreSQL server: a libpq connection string.
struct ServerAddress {
    QString conninfo;
};

// The one connection to the shop's database: the database file (SQLite), or a database on a
// PostgreSQL server. Every statement is written once, in SQLite's form; on a server it is turned
// into the server's. Every failure raises DbError with the engine's text, so the action that
// caused it stops and the user is told.
class Database {
public:
    static constexpr const char *kDefaultFileName = "data.db";
    // How long a statement waits for a file another program holds before it gives up.
    static constexpr int kBusyTimeoutMs = 5000;
    // The size of the memory map a connection reads the file through: none, the reads go through the
    // system's file cache (see applyPragmas). Plain SQLite beside the program in the benchmarks is set
    // up the same.
    static constexpr long long kMemoryMapBytes = 0;

    explicit Database(QString fileName = QString::fromLatin1(kDefaultFileName));
    explicit Database(const ServerAddress &server);
    ~Database();
    Database(const Database &) = delete;
    Database &operator=(const Database &) = delete;

    const QString &fileName() const { return m_fileName; }
    bool exists() const;
    // Opens an existing database file; a missing file, one that is not a database or one that
    // lacks any of the program's tables or columns is refused and left as it is.
    void open();
    // Creates a new database file with the program's tables and the first user, the
    // superadministrator with the initial password. Refuses to touch a file that already exists.
    void create();
    // The same with the first user's password kept as `firstUserPasswordHash`, a hash made before
    // (making one takes a fraction of a second on purpose).
    void create(const QString &firstUserPasswordHash);
    void close();
    bool isOpen() const;
    // Whether the shop's database is on a server rather than in a file.
    bool onServer() const { return m_server != nullptr; }

    // Runs a statement that returns no rows (insert, update, delete, DDL).
    void execute(const Statement &statement);
    // Runs a query; `onRow` is called for each result row while it is current.
    // When `columns` is given it receives the result's column names (also with no rows).
    void query(const Statement &statement, const std::function<void(const ResultRow &)> &onRow,
               QStringList *columns = nullptr);
    // The column names of a query's result, without running it.
    QStringList columns(const Statement &statement);
    // The first column of the first row, or a null value when there is no row.
    QVariant scalar(const Statement &statement);

    // Called before every statement that may write; it may throw to refuse the write. Used to
    // hold writes back until the file's health is known. Empty: writes go ahead.
    void setWriteGuard(std::function<void()> guard) { m_writeGuard = std::move(guard); }
    void setBusyTimeout(int milliseconds);
    int busyTimeout() const { return m_busyTimeoutMs; }
    // Told `true` when a statement starts waiting for a file another program holds, and `false`
    // when that statement ends, whether it got through or gave up at the busy timeout. Nothing
    // may be run on this connection from inside it.
    void setBusyWaitNotice(std::function<void(bool waiting)> notice) { m_busyNotice = std::move(notice); }
    const std::function<void(bool waiting)> &busyWaitNotice() const { return m_busyNotice; }

    // Told what a long one-off change the opening makes to an older file is doing (a sentence for
    // the person waiting), and an empty text when it is over. Nothing may be run on this
    // connection from inside it.
    void setUpgradeNotice(std::function<void(const QString &what)> notice) { m_upgradeNotice = std::move(notice); }

    // Whether the sale lines' texts can be searched through their trigram index (see
    // saletextindex): a shop file whose index stands whole. Looks again when the file's schema
    // changed since, so an index another program took apart is not used.
    bool hasSaleTextIndex();

    // How many times the connection was opened (or created): what was learnt about an earlier
    // connection does not hold for a new one.
    int generation() const { return m_generation; }
    // Whether a group of writes is open on this connection.
    bool inWriteGroup() const;
    // The file's data version (SQLite's PRAGMA data_version): it moves on whenever another
    // connection commits a write to the file, never for this connection's own writes. Reads no
    // table and does not wait: -1 while another program holds the file.
    long long dataVersion();

    // The stock rows (table `data`) written since the last call, for a copy of some of their
    // columns kept in memory: the keys of rows this connection inserted, changed or deleted (on a
    // server, any connection), or `unknown` when what changed cannot be told by key (the first
    // call, another program's write to the file, a new connection, very many rows): then the
    // whole table is to be read again. A key may come although its write was rolled back.
    struct WrittenRows {
        bool unknown = true;
        std::vector<long long> keys;
    };
    WrittenRows takeWrittenStockRows();
    // Tells every till on the server, when it is committed, that anything in the shop may have
    // changed (after a restore, which writes without the triggers that tell of each write).
    void announceEverythingWritten();

    long long lastInsertId() const;
    int changes() const;
    sqlite3 *handle() const { return m_db; }
    // The connection to the server (null for a file).
    PgConnection *serverConnection() const { return m_server.get(); }

    // Refuses, with the reason, a file that is not an SQLite database holding the program's four
    // tables with all their columns, or that cannot be read now (locked, damaged). A file that
    // holds triggers or views the program did not make raises ForeignObjectsError. Only reads.
    static void requireShopDatabase(const QString &fileName, int busyTimeoutMs = kBusyTimeoutMs);
    // Drops the triggers and views the program did not make from `fileName`, in one transaction.
    static void removeForeignObjects(const QString &fileName, int busyTimeoutMs = kBusyTimeoutMs);
    // The same as a question: true when `fileName` passes, otherwise the reason goes to `why`.
    static bool isShopDatabase(const QString &fileName, QString *why = nullptr);

private:
    // Prepares `sql`, running the write guard first when the statement writes.
    sqlite3_stmt *prepareGuarded(const QString &sql);
    sqlite3_stmt *prepare(const Statement &statement);
    // Raises the connection's last error after finalizing `stmt`.
    [[noreturn]] void fail(sqlite3_stmt *stmt) const;
    void applyPragmas();
    void addMissingIndexes();
    // Makes the sale lines' text index when the file has none (or a broken one) and it can.
    void addSaleTextIndex();
    void installBusyHandler();
    // The busy handler: whether to try again after waiting a little, `count` tries in.
    int waitWhileBusy(int count);
    // A statement has ended: a wait it began is over.
    void endWait();

    // The same on a server.
    void openOnServer();
    void createOnServer(const QString &firstUserPasswordHash);
    void guardServerWrite(const QString &sql);
    // Whether a statement may write (every statement but a query and the transaction controls).
    static bool serverWrites(const QString &sql);

    // Notes a written stock row (SQLite's update hook, or a server's notification).
    void noteWrittenStockRow(long long key);
    // Takes the server's notifications: other tills' writes move m_serverVersion on, written stock
    // rows are noted.
    void takeServerNotifications();
    void installWriteWatch();

    QString m_fileName;
    sqlite3 *m_db = nullptr;
    std::unique_ptr<PgConnection> m_server;
    long long m_serverVersion = 0; // other tills' writes heard of on the server
    int m_busyTimeoutMs = kBusyTimeoutMs;
    std::function<void()> m_writeGuard;
    std::function<void(bool)> m_busyNotice;
    std::function<void(const QString &)> m_upgradeNotice;
    bool m_saleTextIndex = false;
    long long m_saleTextIndexSchema = -1; // the schema version it was last found whole in
    bool m_waiting = false;
    bool m_noWait = false;
    long long m_waitStartMs = 0;
    int m_generation = 0;
    // Written stock rows not taken yet (see takeWrittenStockRows).
    std::vector<long long> m_writtenKeys;
    bool m_writtenUnknown = true;
    int m_writtenGeneration = -1;
    long long m_writtenVersion = -1;

    friend class RepeatedStatement;
};

// One statement prepared once and run many times with different values, as a bulk insert does:
// preparing costs more than running a small insert.
class RepeatedStatement {
public:
    RepeatedStatement(Database &db, const QString &sql);
    ~RepeatedStatement();
    RepeatedStatement(const RepeatedStatement &) = delete;
    RepeatedStatement &operator=(const RepeatedStatement &) = delete;

    int parameterCount() const { return m_count; }
    // Runs the statement with `values`, one per "?" in order; raises DbError when it fails.
    void run(const QVariantList &values);

private:
    Database &m_db;
    sqlite3_stmt *m_stmt = nullptr;
    QString m_sql; // on a server: run as a statement each time
    int m_count = 0;
    std::vector<QByteArray> m_texts;
};

// Writes that belong together: either all of them land or none. Nests (savepoints), so a helper
// that opens one may be called from inside another. Rolls back unless commit() was reached.
// The outermost one holds the file's write lock from its start.
class Transaction {
public:
    explicit Transaction(Database &db);
    ~Transaction();
    Transaction(const Transaction &) = delete;
    Transaction &operator=(const Transaction &) = delete;
    void commit();

private:
    Database &m_db;
    QString m_name;
    bool m_outermost = false;
    bool m_done = false;
};

// Runs `work` inside a transaction; any exception rolls everything back and is passed on.
template <class Work>
void inTransaction(Database &db, Work &&work)
{
    Transaction tx(db);
    work();
    tx.commit();
}
