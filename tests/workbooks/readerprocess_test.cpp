#include "data/database.h"
#include "stock/stockimport.h"
#include "support/dbfiles.h"
#include "support/testapp.h"
#include "support/workbooks.h"
#include "stock/workbookformats.h"
#include "workbooks/readerprocess.h"
#include "workbooks/sheetstream.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QThread>
#include <QProcess>

#include <gtest/gtest.h>
#include <csignal>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

const QString kHostile = QStringLiteral(TOLVANE_TEST_SUPPORT_DIR "/../workbooks/hostile_workbooks.py");

void makeHostile(const QStringList &arguments)
{
    QProcess maker;
    maker.start(QStringLiteral("/usr/bin/python3"), QStringList{kHostile} + arguments);
    ASSERT_TRUE(maker.waitForFinished(120000));
    ASSERT_EQ(maker.exitCode(), 0) << maker.readAllStandardError().toStdString();
}

// An .xls of the import's shape with 30 stock rows, as Python's xlwt writes it; the mutants are
// made from it, so its bytes must stay as they are (xlwt writes no time stamps).
QString stockXls(const QString &path)
{
    QList<workbooks::Row> rows = {workbooks::header()};
    for (int i = 0; i < 30; ++i)
        rows << workbooks::stockRow(QStringLiteral("衬衫%1").arg(i), QStringLiteral("XL"), 10, 5, QDate(2014, 7, 1));
    workbooks::write(path, QStringLiteral("xls"), {{QStringLiteral("pemrod"), rows}});
    return path;
}

struct Hostile {
    const char *why;
    QStringList make; // arguments of hostile_workbooks.py; %1 is the file, %2 the source .xls
    QString message;  // a part of the refusal
};

// Files whose reading crashed the program, ate gigabytes or imported rows that were never in the
// sheet. FreeXL 1.0.6 dies with a segmentation fault opening the three mutants.
const Hostile kHostile_[] = {
    {"an .xls that crashes FreeXL (seed 125)", {"xls-mutant", "%2", "125", "%1"}, QStringLiteral("工作簿无法读取")},
    {"an .xls that crashes FreeXL (seed 185)", {"xls-mutant", "%2", "185", "%1"}, QStringLiteral("工作簿无法读取")},
    {"an .xls that crashes FreeXL (seed 309)", {"xls-mutant", "%2", "309", "%1"}, QStringLiteral("工作簿无法读取")},
    {"an .ods cell repeated 2147483647 times across", {"ods-repeat", "%1", "columns", "2147483647"},
     QStringLiteral("超过 16384 列的上限")},
    {"an .ods row repeated 2000000 times down", {"ods-repeat", "%1", "rows", "2000000"},
     QStringLiteral("超过 1048576 行的上限")},
    // The string is read as it inflates and stops being kept at the most a cell holds.
    {"an .xlsx shared string of 300 million letters", {"xlsx-string", "%1", "300000000"},
     QStringLiteral("超过 32767 个字符的上限")},
    {"an .xlsx whose worksheet inflates to 200 MB where its directory says 1 KB", {"xlsx-bomb", "%1", "200"},
     QStringLiteral("解压后比记录的大小大")},
    {"an .xlsx cell of 40000 letters", {"xlsx-string", "%1", "40000"}, QStringLiteral("超过 32767 个字符的上限")},
};

// Each hostile workbook is refused with a message naming why; the program goes on, the shop's
// database is left byte for byte, and the reading process stays under 300 MB.
TEST(ReaderProcess, AHostileWorkbookCostsAMessageNeverTheProgramOrTheShop)
{
    TestShop shop;
    const QString source = stockXls(shop.path(QStringLiteral("source.xls")));
    shop.db.execute(Statement("INSERT INTO data (a, [7]) VALUES ('样品', 1)"));
    const QByteArray before = fileChecksum(shop.db.fileName());
    for (const Hostile &h : kHostile_) {
        SCOPED_TRACE(h.why);
        const QString suffix = h.make.first().startsWith(QLatin1String("xls-")) ? QStringLiteral(".xls")
                               : h.make.first().startsWith(QLatin1String("ods-")) ? QStringLiteral(".ods")
                                                                                  : QStringLiteral(".xlsx");
        const QString file = shop.path(QStringLiteral("hostile") + suffix);
        QStringList arguments;
        for (const QString &a : h.make)
            arguments << QString(a).replace(QLatin1String("%1"), file).replace(QLatin1String("%2"), source);
        makeHostile(arguments);
        try {
            stockimport::appendRows(shop.db, [&](SheetReceiver &receiver) {
                workbook::readSheetApart(file, stockimport::sheetName(), receiver);
            });
            ADD_FAILURE() << "imported";
        } catch (const WorkbookError &e) {
            EXPECT_TRUE(e.text().contains(h.message)) << e.text().toStdString();
        }
        EXPECT_EQ(fileChecksum(shop.db.fileName()), before);
    }
#ifndef __SANITIZE_ADDRESS__
    rusage children{};
    ASSERT_EQ(getrusage(RUSAGE_CHILDREN, &children), 0);
    EXPECT_LT(children.ru_maxrss, 300 * 1024) << "KB at the peak of a reading process";
#endif
}

// A workbook found by fuzzing whose content ends inside an element: read in this process as the
// reading process reads it, it is refused as damaged, with no read past the end of the document
// (which the AddressSanitizer run of the tests would report).
TEST(WorkbookReaders, AnOdsWhoseContentIsCutShortIsRefusedAsDamaged)
{
    struct Ignore : SheetReceiver {
        void begin(const QString &, const QDate &) override {}
        void row(size_t, const SheetRow &) override {}
    } receiver;
    QFile file(QStringLiteral(TOLVANE_TEST_SUPPORT_DIR "/../workbooks/fixtures/ods-content-cut-short.ods"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    try {
        workbook::readOds(file.fileName(), file.readAll(), QStringLiteral("pemrod"), receiver, {});
        ADD_FAILURE() << "read";
    } catch (const WorkbookError &e) {
        EXPECT_TRUE(e.text().contains(QStringLiteral("已损坏"))) << e.text().toStdString();
    }
}

// The processes whose program file is `program` (the reading processes still alive).
QList<qint64> processesRunning(const QString &program)
{
    QList<qint64> found;
    const QString wanted = QFileInfo(program).canonicalFilePath();
    for (const QString &entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        bool isNumber = false;
        const qint64 pid = entry.toLongLong(&isNumber);
        if (isNumber && QFileInfo(QStringLiteral("/proc/%1/exe").arg(entry)).symLinkTarget() == wanted)
            found << pid;
    }
    return found;
}

// The program killed in the middle of an import: its reading process ends with it, and the shop's
// database, reopened, holds what it held before, with nothing left beside it.
TEST(ReaderProcess, AKillDuringAnImportLeavesNoReaderAndNothingWritten)
{
    TestShop shop;
    QList<workbooks::Row> rows = {workbooks::header()};
    for (int i = 0; i < 60000; ++i)
        rows << workbooks::stockRow(QStringLiteral("货%1").arg(i), QStringLiteral("XL"), 1, 1, QDate(2014, 7, 1));
    const QString file = shop.path(QStringLiteral("many.csv"));
    workbooks::write(file, QStringLiteral("csv"), {{QStringLiteral("pemrod"), rows}});
    const QString database = shop.db.fileName();
    shop.db.close();
    const QByteArray before = fileChecksum(database);
    const QStringList names = QDir(shop.dir.path()).entryList(QDir::Files | QDir::Hidden);

    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        Database db(database);
        db.open();
        stockimport::appendRows(db, [&](SheetReceiver &receiver) {
            workbook::readSheetApart(file, stockimport::sheetName(), receiver, [](int, int) {
                QThread::msleep(20); // a window busy showing its progress
                return true;
            });
        });
        _exit(0);
    }
    // Killed once the reading process is at work.
    for (int i = 0; i < 500 && processesRunning(workbook::readerProgram()).isEmpty(); ++i)
        QThread::msleep(10);
    ASSERT_FALSE(processesRunning(workbook::readerProgram()).isEmpty());
    QThread::msleep(300);
    kill(child, SIGKILL);
    int status = 0;
    waitpid(child, &status, 0);
    for (int i = 0; i < 300 && !processesRunning(workbook::readerProgram()).isEmpty(); ++i)
        QThread::msleep(10);
    EXPECT_TRUE(processesRunning(workbook::readerProgram()).isEmpty()) << "a reading process outlived the program";

    shop.db.open(); // rolls back what the killed import left half written
    EXPECT_EQ(shop.scalar(QStringLiteral("select count(*) from data")).toInt(), 0);
    shop.db.close();
    EXPECT_EQ(fileChecksum(database), before);
    // Nothing new beside the files, but for the journal of the transaction the kill cut short,
    // which SQLite keeps until the next write (it no longer holds any change).
    EXPECT_EQ(QDir(shop.dir.path()).entryList(QDir::Files | QDir::Hidden).filter(QRegularExpression(QStringLiteral("^(?!data\\.db-journal$)"))), names);
}

// The program reads what the reading process sends as it would read a hostile file: whatever the
// bytes, they cost a message.
TEST(SheetStream, BrokenOrOversizedMessagesAreRefused)
{
    auto message = [](char kind, const QByteArray &body) {
        QByteArray out(1, kind);
        const quint32 size = quint32(body.size());
        out.append(reinterpret_cast<const char *>(&size), sizeof size).append(body);
        return out;
    };
    auto number = [](auto value) { return QByteArray(reinterpret_cast<const char *>(&value), sizeof value); };
    const QByteArray begin = message('B', number(qint64(2415019)) + number(quint32(0)));
    const struct {
        const char *why;
        QByteArray bytes;
        QString message;
    } cases[] = {
        {"a row before the sheet", message('R', number(quint64(0)) + number(quint32(0))), QStringLiteral("不完整")},
        {"a kind of message never sent", begin + message('X', {}), QStringLiteral("不完整")},
        {"a length beyond the largest message", begin + QByteArray("R\xff\xff\xff\x7f", 5), QStringLiteral("不完整")},
        {"a body shorter than its fields", begin + message('R', number(quint64(1))), QStringLiteral("不完整")},
        {"a row past the last sheet row", begin + message('R', number(quint64(1048576)) + number(quint32(0))),
         QStringLiteral("1048576 行")},
        {"more cells than columns", begin + message('R', number(quint64(1)) + number(quint32(16385))),
         QStringLiteral("16384 列")},
        {"a text longer than a cell holds",
         begin + message('R', number(quint64(1)) + number(quint32(1)) + number(quint8(2)) + number(quint32(40000))),
         QStringLiteral("32767 个字符")},
        {"a cell of an unknown kind", begin + message('R', number(quint64(1)) + number(quint32(1)) + number(quint8(9))),
         QStringLiteral("不完整")},
        {"the reader's own refusal", begin + message('E', number(quint32(2)) + QByteArray("\x0d\x54\x0d\x54", 4)),
         QStringLiteral("名名")},
    };
    struct Ignore : SheetReceiver {
        void begin(const QString &, const QDate &) override {}
        void row(size_t, const SheetRow &) override {}
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.why);
        Ignore receiver;
        sheetstream::Reader reader(receiver, {});
        try {
            reader.feed(c.bytes);
            ADD_FAILURE() << "taken";
        } catch (const WorkbookError &e) {
            EXPECT_TRUE(e.text().contains(c.message)) << e.text().toStdString();
        }
    }
}

// What the reading process sends arrives whole, however the pipe cuts it into pieces.
TEST(SheetStream, RowsArriveWholeWhateverPiecesTheBytesComeIn)
{
    QByteArray bytes;
    sheetstream::Writer writer([&](const QByteArray &b) { bytes.append(b); });
    writer.begin(QStringLiteral("pemrod"), QDate(1904, 1, 1));
    const SheetRow row = {SheetCell::ofText(QStringLiteral("衬衫")), SheetCell{}, SheetCell::ofNumber(2.5),
                          SheetCell::ofDate(QStringLiteral("2014-07-01"))};
    writer.row(0, row);
    writer.row(7, row);
    writer.done();
    struct Collect : SheetReceiver {
        QString sheet;
        QDate origin;
        QList<std::pair<size_t, SheetRow>> rows;
        void begin(const QString &name, const QDate &dateOrigin) override { sheet = name, origin = dateOrigin; }
        void row(size_t index, const SheetRow &cells) override { rows.append({index, cells}); }
    };
    for (const qsizetype piece : {qsizetype(1), qsizetype(3), bytes.size()}) {
        SCOPED_TRACE(piece);
        Collect collect;
        sheetstream::Reader reader(collect, {});
        for (qsizetype at = 0; at < bytes.size(); at += piece)
            reader.feed(bytes.mid(at, piece));
        EXPECT_TRUE(reader.finished());
        EXPECT_EQ(collect.sheet, QStringLiteral("pemrod"));
        EXPECT_EQ(collect.origin, QDate(1904, 1, 1));
        ASSERT_EQ(collect.rows.size(), 2);
        EXPECT_EQ(collect.rows[1].first, 7u);
        const SheetRow &got = collect.rows[1].second;
        ASSERT_EQ(got.size(), row.size());
        for (size_t i = 0; i < row.size(); ++i) {
            EXPECT_EQ(got[i].kind, row[i].kind);
            EXPECT_EQ(got[i].text, row[i].text);
            EXPECT_EQ(got[i].number, row[i].number);
        }
    }
}

} // namespace
