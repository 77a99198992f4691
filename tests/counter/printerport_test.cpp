#include "counter/printerport.h"

#include "support/escposprinters.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

namespace {

PrinterPort device(const QString &path, PrinterPort::Kind kind = PrinterPort::Kind::LinePrinter)
{
    PrinterPort port;
    port.kind = kind;
    port.device = path;
    return port;
}

PrinterPort network(int portNumber, const QString &host = QStringLiteral("127.0.0.1"))
{
    PrinterPort port;
    port.kind = PrinterPort::Kind::Network;
    port.host = host;
    port.port = portNumber;
    return port;
}

// Every byte value once, and more than one write's worth.
QByteArray allByteValues()
{
    QByteArray bytes;
    for (int round = 0; round < 40; ++round)
        for (int b = 0; b < 256; ++b)
            bytes.append(char(b));
    return bytes;
}

} // namespace

TEST(PrinterPort, DeliversEveryByteToADeviceAndOverTheNetwork)
{
    const QByteArray bytes = allByteValues();

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("lp0"));
    QFile standIn(path);
    ASSERT_TRUE(standIn.open(QIODevice::WriteOnly));
    standIn.close();
    EXPECT_EQ(sendToPrinterPort(device(path), bytes), QString());
    EXPECT_EQ(sendToPrinterPort(device(path), QByteArray("second")), QString());
    ASSERT_TRUE(standIn.open(QIODevice::ReadOnly));
    EXPECT_EQ(standIn.readAll(), bytes + "second"); // a device takes job after job

    FakeNetworkPrinter printer;
    EXPECT_EQ(sendToPrinterPort(network(printer.port()), bytes), QString());
    EXPECT_EQ(printer.received(), bytes);
}

TEST(PrinterPort, FailuresAreToldByTheirCause)
{
    QTemporaryDir dir;
    const QString plainFile = dir.filePath(QStringLiteral("plain"));
    QFile(plainFile).open(QIODevice::WriteOnly);
    const QString fifo = dir.filePath(QStringLiteral("noreader"));
    ASSERT_EQ(::mkfifo(fifo.toLocal8Bit().constData(), 0600), 0);
    const QString readOnly = dir.filePath(QStringLiteral("readonly"));
    QFile(readOnly).open(QIODevice::WriteOnly);
    QFile::setPermissions(readOnly, QFileDevice::ReadOwner);
    const int refused = refusingPort();

    struct Case {
        PrinterPort port;
        QString expected;
    };
    const Case cases[] = {
        {device(QStringLiteral("/nonexistent/lp0")), QStringLiteral("找不到设备 /nonexistent/lp0")},
        {device(fifo), QStringLiteral("%1 没有接通（请检查电源和连线）").arg(fifo)},
        {device(plainFile, PrinterPort::Kind::Serial), QStringLiteral("%1 不是串口").arg(plainFile)},
        {network(refused), QStringLiteral("127.0.0.1:%1 拒绝连接").arg(refused)},
        {network(9100, QString()), QStringLiteral("找不到打印机地址 ")},
    };
    for (const Case &c : cases)
        EXPECT_EQ(sendToPrinterPort(c.port, QByteArray("x")), c.expected) << c.port.describe().toStdString();
    if (::geteuid() != 0) // root may write anything
        EXPECT_EQ(sendToPrinterPort(device(readOnly), QByteArray("x")),
                  QStringLiteral("没有使用 %1 的权限（请把本机用户加入 lp 或 dialout 组）").arg(readOnly));
}

// A printer that stops taking bytes ends the job at the time-out, told as a partial job, never
// as printed.
TEST(PrinterPort, APrinterThatStopsTakingBytesFailsAtTheTimeOut)
{
    StalledNetworkPrinter stalled;
    ASSERT_NE(stalled.port(), 0);
    const QByteArray big(16 * 1024 * 1024, 'x');
    const QString failure = sendToPrinterPort(network(stalled.port()), big, 300);
    EXPECT_TRUE(failure.startsWith(QStringLiteral("127.0.0.1:%1 在 0.3 秒内没有收完，小票只发出了 ").arg(stalled.port())))
        << failure.toStdString();
    EXPECT_TRUE(failure.endsWith(QStringLiteral("/%1 字节").arg(big.size()))) << failure.toStdString();

    QTemporaryDir dir;
    StalledDevice pipe(dir.filePath(QStringLiteral("lp0")));
    ASSERT_TRUE(pipe.ready());
    EXPECT_EQ(sendToPrinterPort(device(dir.filePath(QStringLiteral("lp0"))), QByteArray(pipe.capacity() + 1, 'x'), 300),
              QStringLiteral("%1 在 0.3 秒内没有收完，小票只发出了 %2/%3 字节")
                  .arg(dir.filePath(QStringLiteral("lp0")))
                  .arg(pipe.capacity())
                  .arg(pipe.capacity() + 1));
}
