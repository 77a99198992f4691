#include "support/dbfiles.h"

#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>
#include <chrono>
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <unistd.h>

namespace {

sqlite3 *openRaw(const QString &fileName)
{
    sqlite3 *db = nullptr;
    EXPECT_EQ(sqlite3_open_v2(fileName.toUtf8().constData(), &db, SQLITE_OPEN_READWRITE, nullptr), SQLITE_OK);
    return db;
}

void run(sqlite3 *db, const char *sql)
{
    char *error = nullptr;
    EXPECT_EQ(sqlite3_exec(db, sql, nullptr, nullptr, &error), SQLITE_OK) << sql << ": " << (error ? error : "");
    sqlite3_free(error);
}

long long number(sqlite3 *db, const QString &sql)
{
    sqlite3_stmt *stmt = nullptr;
    EXPECT_EQ(sqlite3_prepare_v2(db, sql.toUtf8().constData(), -1, &stmt, nullptr), SQLITE_OK);
    const long long value = sqlite3_step(stmt) == SQLITE_ROW ? sqlite3_column_int64(stmt, 0) : -1;
    sqlite3_finalize(stmt);
    return value;
}

} // namespace

QByteArray fileChecksum(const QString &fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256).toHex();
}

void damageTable(const QString &fileName, const QString &table)
{
    sqlite3 *db = openRaw(fileName);
    const long long root = number(db, QStringLiteral("select rootpage from sqlite_master where name='%1'").arg(table));
    const long long pageSize = number(db, QStringLiteral("pragma page_size"));
    sqlite3_close(db);
    ASSERT_GT(root, 1);
    QFile file(fileName);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    ASSERT_TRUE(file.seek((root - 1) * pageSize));
    ASSERT_EQ(file.write(QByteArray(8, char(0xff))), 8);
}

void asOrdinaryUser(const QString &fileName, const std::function<void()> &work)
{
    if (geteuid() != 0) {
        work();
        return;
    }
    const QString folder = QFileInfo(fileName).absolutePath();
    const QFile::Permissions before = QFile::permissions(folder);
    QFile::setPermissions(folder, before | QFile::ReadGroup | QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther);
    // Root again however `work` ends, before anything else runs.
    struct Restore {
        QString folder;
        QFile::Permissions permissions;
        ~Restore()
        {
            EXPECT_EQ(seteuid(0), 0);
            QFile::setPermissions(folder, permissions);
        }
    } restore{folder, before};
    constexpr uid_t kNobody = 65534;
    ASSERT_EQ(seteuid(kNobody), 0);
    work();
}

OtherProgram::OtherProgram(const QString &fileName, Lock lock) : m_db(openRaw(fileName))
{
    if (lock == Lock::Exclusive) {
        run(m_db, "BEGIN EXCLUSIVE");
    } else {
        run(m_db, "BEGIN IMMEDIATE");
        run(m_db, "INSERT INTO rz (username) VALUES ('另一个程序')");
    }
}

OtherProgram::~OtherProgram()
{
    if (m_releaser.joinable())
        m_releaser.join();
    release();
    sqlite3_close(m_db);
}

void OtherProgram::releaseAfter(int milliseconds)
{
    m_releaser = std::thread([this, milliseconds] {
        std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
        release();
    });
}

void OtherProgram::release()
{
    if (!sqlite3_get_autocommit(m_db))
        run(m_db, "COMMIT");
}
