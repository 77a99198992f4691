#include "workbooks/readerprocess.h"

#include "workbooks/sheetstream.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>

#include <csignal>
#include <sys/prctl.h>
#include <sys/resource.h>

namespace workbook {

namespace {

constexpr char kReaderName[] = "tolvane-sheetreader";

WorkbookError unreadable(const QString &why)
{
    return WorkbookError(QStringLiteral("工作簿无法读取：%1").arg(why));
}

// Why the reader ended before the end of the sheet, from how it ended.
WorkbookError endedEarly(const QProcess &reader, const ReaderLimits &limits)
{
    if (reader.exitStatus() == QProcess::NormalExit)
        return unreadable(QStringLiteral("读取程序意外退出（退出码 %1）").arg(reader.exitCode()));
    switch (reader.exitCode()) { // the signal that ended it
    case SIGXCPU:
        return unreadable(QStringLiteral("读取超过 %1 秒的时间上限，工作簿可能被恶意构造").arg(limits.cpuSeconds));
    case SIGKILL:
        return unreadable(QStringLiteral("读取程序被强制结束（可能超过 %1 MB 的内存上限）")
                              .arg(limits.memoryBytes / (1024 * 1024)));
    default:
        return unreadable(QStringLiteral("文件已损坏，读取时出错（信号 %1），程序和数据没有受到影响").arg(reader.exitCode()));
    }
}

} // namespace

QString readerProgram()
{
    const QString program = QDir(QCoreApplication::applicationDirPath()).filePath(QLatin1String(kReaderName));
    return QFileInfo(program).isExecutable() ? program : QString();
}

void readSheetApart(const QString &path, const QString &sheetName, SheetReceiver &receiver,
                    const ReadProgress &progress, const ReaderLimits &limits)
{
    const QString program = readerProgram();
    if (program.isEmpty())
        throw unreadable(QStringLiteral("找不到读取程序 %1（应在 %2 中）")
                             .arg(QLatin1String(kReaderName), QDir::toNativeSeparators(QCoreApplication::applicationDirPath())));

    QProcess reader;
    // However this function ends, the reader is gone when it returns.
    struct Stop {
        QProcess &process;
        ~Stop()
        {
            if (process.state() != QProcess::NotRunning) {
                process.kill();
                process.waitForFinished(5000);
            }
        }
    } stop{reader};
    reader.setProgram(program);
    reader.setArguments({path, sheetName});
    reader.setStandardInputFile(QProcess::nullDevice());
    reader.setStandardErrorFile(QProcess::nullDevice());
    reader.setChildProcessModifier([limits] {
        // Runs in the new process before the reader starts: only system calls here.
#ifndef __SANITIZE_ADDRESS__
        // (A reader built with AddressSanitizer maps its shadow memory as data: it runs without.)
        const rlim_t memory = rlim_t(limits.memoryBytes);
        const rlimit data{memory, memory};
        setrlimit(RLIMIT_DATA, &data);
#endif
        const rlimit cpu{rlim_t(limits.cpuSeconds), rlim_t(limits.cpuSeconds) + 5};
        setrlimit(RLIMIT_CPU, &cpu);
        const rlimit none{0, 0};
        setrlimit(RLIMIT_FSIZE, &none); // it writes no files
        setrlimit(RLIMIT_CORE, &none);
        prctl(PR_SET_PDEATHSIG, SIGKILL); // it ends with the program
    });
    reader.start(QIODevice::ReadOnly);
    if (!reader.waitForStarted(10000))
        throw unreadable(QStringLiteral("无法启动读取程序 %1：%2").arg(program, reader.errorString()));

    QElapsedTimer silent, sinceReport;
    silent.start();
    sinceReport.start();
    int percent = -1;
    auto report = [&](int rows) {
        sinceReport.restart();
        if (progress && !progress(rows, percent))
            throw ImportCancelled();
    };
    // The reader says how far it got every thousand rows; the rows received are what is shown.
    sheetstream::Reader stream(receiver, [&](int, int readerPercent) {
        percent = readerPercent;
        report(stream.rowsRead());
    });
    constexpr qint64 kReportEveryMs = 100;
    while (!stream.finished()) {
        const bool more = reader.waitForReadyRead(int(kReportEveryMs / 2));
        if (more || reader.bytesAvailable() > 0) {
            silent.restart();
            stream.feed(reader.readAllStandardOutput());
        } else if (reader.state() == QProcess::NotRunning) {
            stream.feed(reader.readAllStandardOutput());
            if (!stream.finished())
                throw endedEarly(reader, limits);
        } else if (silent.elapsed() > qint64(limits.silentSeconds) * 1000) {
            throw unreadable(QStringLiteral("读取程序 %1 秒没有回应，已停止").arg(limits.silentSeconds));
        }
        if (sinceReport.elapsed() >= kReportEveryMs)
            report(stream.rowsRead());
    }
}

} // namespace workbook
