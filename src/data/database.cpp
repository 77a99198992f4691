#include "data/database.h"

#include "common/errors.h"
#include "data/schema.h"

#include <QDate>
#include <QDateTime>
#include <QFileInfo>
#include <sqlite3.h>

namespace {

QString engineText(sqlite3 *db)
{
    return db ? QString::fromUtf8(sqlite3_errmsg(db)) : QStringLiteral("out of memory");
}

void bindValue(sqlite3_stmt *stmt, int index, const QVariant &v)
{
    if (!v.isValid() || v.isNull()) {
        sqlite3_bind_null(stmt, index);
        return;
    }
    switch (v.typeId()) {
    case QMetaType::Double:
    case QMetaType::Float:
        sqlite3_bind_double(stmt, index, v.toDouble());
        return;
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Long:
    case QMetaType::Bool:
        sqlite3_bind_int64(stmt, index, v.toLongLong());
        return;
    case QMetaType::QDate:
        {
            const QByteArray t = v.toDate().toString(QStringLiteral("yyyy-MM-dd")).toUtf8();
            sqlite3_bind_text(stmt, index, t.constData(), int(t.size()), SQLITE_TRANSIENT);
        }
        return;
    case QMetaType::QDateTime: {
        const QByteArray t = v.toDateTime().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss")).toUtf8();
        sqlite3_bind_text(stmt, index, t.constData(), int(t.size()), SQLITE_TRANSIENT);
        return;
    }
    default: {
        const QByteArray t = v.toString().toUtf8();
        sqlite3_bind_text(stmt, index, t.constData(), int(t.size()), SQLITE_TRANSIENT);
        return;
    }
    }
}

} // namespace

Database::Database(QString fileName) : m_fileName(std::move(fileName)) {}

Database::~Database()
{
    close();
}

bool Database::exists() const
{
    return QFileInfo::exists(m_fileName);
}

void Database::applyPragmas()
{
    execute(Statement("PRAGMA foreign_keys=OFF"));
    query(Statement("PRAGMA journal_mode=DELETE"), [](sqlite3_stmt *) {});
    execute(Statement("PRAGMA synchronous=FULL"));
    query(Statement("PRAGMA mmap_size=268435456"), [](sqlite3_stmt *) {});
    sqlite3_busy_timeout(m_db, 2000);
}

bool Database::isShopDatabase(const QString &fileName, QString *why)
{
    auto reason = [&](const QString &text) {
        if (why)
            *why = text;
        return false;
    };
    if (!QFileInfo(fileName).isFile())
        return reason(QStringLiteral("数据库文件 %1 不存在").arg(fileName));
    sqlite3 *db = nullptr;
    const QByteArray path = QFileInfo(fileName).absoluteFilePath().toUtf8();
    // A writable file is opened for writing, so a write cut short (a crash, a power cut) is rolled
    // back from its journal on the first read instead of making the file unreadable.
    const int flags = QFileInfo(fileName).isWritable() ? SQLITE_OPEN_READWRITE : SQLITE_OPEN_READONLY;
    if (sqlite3_open_v2(path.constData(), &db, flags, nullptr) != SQLITE_OK) {
        const QString text = engineText(db);
        sqlite3_close(db);
        return reason(QStringLiteral("无法打开数据库文件 %1：%2").arg(fileName, text));
    }
    QStringList tables;
    sqlite3_stmt *stmt = nullptr;
    int rc = sqlite3_prepare_v2(db, "SELECT name FROM sqlite_master WHERE type='table'", -1, &stmt, nullptr);
    if (rc == SQLITE_OK)
        rc = SQLITE_ROW;
    while (rc == SQLITE_ROW && (rc = sqlite3_step(stmt)) == SQLITE_ROW)
        tables << QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(stmt, 0))).toLower();
    const QString text = engineText(db);
    sqlite3_finalize(stmt);
    sqlite3_close(db);
    if (rc != SQLITE_DONE)
        return reason(QStringLiteral("%1 不是本软件的数据库：%2").arg(fileName, text));
    for (const QString &t : schema::requiredTables()) {
        if (!tables.contains(t))
            return reason(QStringLiteral("%1 不是本软件的数据库：缺少数据表 %2").arg(fileName, t));
    }
    return true;
}

void Database::open()
{
    close();
    QString why;
    if (!isShopDatabase(m_fileName, &why))
        throw DbError(why);
    const QByteArray path = m_fileName.toUtf8();
    if (sqlite3_open_v2(path.constData(), &m_db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr) != SQLITE_OK) {
        const QString text = engineText(m_db);
        sqlite3_close(m_db);
        m_db = nullptr;
        throw DbError(QStringLiteral("无法打开数据库文件 %1：%2").arg(m_fileName, text));
    }
    applyPragmas();
    addMissingIndexes();
}

void Database::addMissingIndexes()
{
    // The indexes only make reading faster: a file that cannot be written to now (read-only,
    // locked by another program) is used without them.
    try {
        for (const QString &sql : schema::indexStatements())
            execute(Statement(sql));
    } catch (const DbError &) {
    }
}

void Database::create()
{
    if (exists())
        throw DbError(QStringLiteral("数据库文件 %1 已存在").arg(m_fileName));
    close();
    const QByteArray path = m_fileName.toUtf8();
    if (sqlite3_open_v2(path.constData(), &m_db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) != SQLITE_OK) {
        const QString text = engineText(m_db);
        sqlite3_close(m_db);
        m_db = nullptr;
        throw DbError(QStringLiteral("无法创建数据库文件 %1：%2").arg(m_fileName, text));
    }
    try {
        applyPragmas();
        inTransaction(*this, [&] {
            for (const QString &sql : schema::createStatements() + schema::indexStatements())
                execute(Statement(sql));
        });
    } catch (...) {
        close();
        QFile::remove(m_fileName);
        throw;
    }
}

void Database::close()
{
    if (m_db) {
        sqlite3_close_v2(m_db);
        m_db = nullptr;
    }
}

void Database::fail(const QString &what) const
{
    throw DbError(what.isEmpty() ? engineText(m_db) : what + QStringLiteral("：") + engineText(m_db));
}

sqlite3_stmt *Database::prepare(const Statement &statement)
{
    if (!m_db)
        throw DbError(QStringLiteral("数据库没有打开"));
    sqlite3_stmt *stmt = nullptr;
    const QByteArray sql = statement.sql.toUtf8();
    if (sqlite3_prepare_v2(m_db, sql.constData(), int(sql.size()), &stmt, nullptr) != SQLITE_OK)
        fail(QStringLiteral("数据库错误"));
    if (!stmt)
        throw DbError(QStringLiteral("数据库错误：空语句"));
    const int expected = sqlite3_bind_parameter_count(stmt);
    if (expected != statement.params.size()) {
        sqlite3_finalize(stmt);
        throw DbError(QStringLiteral("数据库错误：语句需要 %1 个参数，给出 %2 个")
                          .arg(expected)
                          .arg(statement.params.size()));
    }
    for (int i = 0; i < expected; ++i)
        bindValue(stmt, i + 1, statement.params.at(i));
    return stmt;
}

void Database::execute(const Statement &statement)
{
    sqlite3_stmt *stmt = prepare(statement);
    int rc;
    while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
    }
    sqlite3_finalize(stmt);
    if (rc != SQLITE_DONE)
        fail(QStringLiteral("数据库错误"));
}

void Database::query(const Statement &statement, const std::function<void(sqlite3_stmt *)> &onRow,
                     QStringList *columns)
{
    sqlite3_stmt *stmt = prepare(statement);
    if (columns) {
        columns->clear();
        for (int i = 0, n = sqlite3_column_count(stmt); i < n; ++i)
            *columns << QString::fromUtf8(sqlite3_column_name(stmt, i));
    }
    int rc;
    try {
        while ((rc = sqlite3_step(stmt)) == SQLITE_ROW)
            onRow(stmt);
    } catch (...) {
        sqlite3_finalize(stmt);
        throw;
    }
    sqlite3_finalize(stmt);
    if (rc != SQLITE_DONE)
        fail(QStringLiteral("数据库错误"));
}

QStringList Database::columns(const Statement &statement)
{
    sqlite3_stmt *stmt = prepare(statement);
    QStringList names;
    for (int i = 0, n = sqlite3_column_count(stmt); i < n; ++i)
        names << QString::fromUtf8(sqlite3_column_name(stmt, i));
    sqlite3_finalize(stmt);
    return names;
}

QVariant Database::scalar(const Statement &statement)
{
    QVariant result;
    bool first = true;
    query(statement, [&](sqlite3_stmt *stmt) {
        if (first)
            result = columnValue(stmt, 0);
        first = false;
    });
    return result;
}

QVariant Database::columnValue(sqlite3_stmt *stmt, int column)
{
    switch (sqlite3_column_type(stmt, column)) {
    case SQLITE_NULL:
        return {};
    case SQLITE_INTEGER:
        return static_cast<qlonglong>(sqlite3_column_int64(stmt, column));
    case SQLITE_FLOAT:
        return sqlite3_column_double(stmt, column);
    default: {
        const auto *text = reinterpret_cast<const char *>(sqlite3_column_text(stmt, column));
        return QString::fromUtf8(text, sqlite3_column_bytes(stmt, column));
    }
    }
}

long long Database::lastInsertId() const
{
    return m_db ? sqlite3_last_insert_rowid(m_db) : 0;
}

int Database::changes() const
{
    return m_db ? sqlite3_changes(m_db) : 0;
}

RepeatedStatement::RepeatedStatement(Database &db, const QString &sql) : m_db(db)
{
    if (!m_db.m_db)
        throw DbError(QStringLiteral("数据库没有打开"));
    const QByteArray text = sql.toUtf8();
    if (sqlite3_prepare_v2(m_db.m_db, text.constData(), int(text.size()), &m_stmt, nullptr) != SQLITE_OK || !m_stmt)
        m_db.fail(QStringLiteral("数据库错误"));
    m_count = sqlite3_bind_parameter_count(m_stmt);
    m_texts.resize(size_t(m_count));
}

RepeatedStatement::~RepeatedStatement()
{
    sqlite3_finalize(m_stmt);
}

void RepeatedStatement::run(const QVariantList &values)
{
    if (values.size() != m_count)
        throw DbError(QStringLiteral("数据库错误：语句需要 %1 个参数，给出 %2 个").arg(m_count).arg(values.size()));
    for (int i = 0; i < m_count; ++i) {
        const QVariant &v = values.at(i);
        if (v.typeId() == QMetaType::QString) {
            // Texts are bound from buffers of this statement, kept until the next run, so the
            // engine need not copy them: bulk inserts are mostly texts.
            QByteArray &utf8 = m_texts[size_t(i)];
            utf8 = v.toString().toUtf8();
            sqlite3_bind_text(m_stmt, i + 1, utf8.constData(), int(utf8.size()), SQLITE_STATIC);
        } else {
            bindValue(m_stmt, i + 1, v);
        }
    }
    int rc;
    while ((rc = sqlite3_step(m_stmt)) == SQLITE_ROW) {
    }
    if (rc != SQLITE_DONE) {
        const QString text = engineText(m_db.m_db);
        sqlite3_reset(m_stmt); // ready for the next run
        throw DbError(QStringLiteral("数据库错误：") + text);
    }
    sqlite3_reset(m_stmt);
}

Transaction::Transaction(Database &db) : m_db(db)
{
    static int counter = 0;
    m_name = QStringLiteral("tx%1").arg(++counter);
    m_outermost = m_db.isOpen() && sqlite3_get_autocommit(m_db.handle()) != 0;
    m_db.execute(Statement(QStringLiteral("SAVEPOINT ") + m_name));
}

Transaction::~Transaction()
{
    if (m_done || !m_db.isOpen())
        return;
    try {
        // The outermost group is rolled back as a whole: releasing its emptied savepoint would
        // commit, rewriting the pages it had touched and the file's change counter.
        if (m_outermost) {
            m_db.execute(Statement(QStringLiteral("ROLLBACK")));
            return;
        }
        m_db.execute(Statement(QStringLiteral("ROLLBACK TO ") + m_name));
        m_db.execute(Statement(QStringLiteral("RELEASE ") + m_name));
    } catch (...) {
        // Nothing more can be done while unwinding; the connection keeps its state.
    }
}

void Transaction::commit()
{
    m_db.execute(Statement(QStringLiteral("RELEASE ") + m_name));
    m_done = true;
}
