#include "support/escposprinters.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QStringDecoder>
#include <QTcpServer>
#include <QTcpSocket>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

EscposPrintout EscposPrintout::decode(const QByteArray &bytes)
{
    EscposPrintout out;
    QByteArray line;
    bool bold = false;
    auto byte = [&](qsizetype i) { return i < bytes.size() ? int(uchar(bytes.at(i))) : -1; };
    for (qsizetype i = 0; i < bytes.size();) {
        const int b = byte(i);
        if (b == 0x1b && byte(i + 1) == '@') {
            out.sequence << QStringLiteral("init");
            i += 2;
        } else if (b == 0x1c && byte(i + 1) == '&') {
            out.sequence << QStringLiteral("chinese");
            i += 2;
        } else if (b == 0x1b && byte(i + 1) == 'E') {
            bold = byte(i + 2) == 1;
            out.sequence << (bold ? QStringLiteral("bold on") : QStringLiteral("bold off"));
            i += 3;
        } else if (b == 0x1b && byte(i + 1) == 'd') {
            out.sequence << QStringLiteral("feed %1").arg(byte(i + 2));
            i += 3;
        } else if (b == 0x1b && byte(i + 1) == 'p') {
            out.sequence << QStringLiteral("pulse %1 %2 %3").arg(byte(i + 2)).arg(byte(i + 3)).arg(byte(i + 4));
            i += 5;
        } else if (b == 0x1d && byte(i + 1) == 'V') {
            out.sequence << QStringLiteral("cut");
            i += byte(i + 2) >= 65 ? 4 : 3; // GS V m n, or GS V m
        } else if (b == '\n') {
            const QString text = QStringDecoder("GB18030").decode(line);
            out.lines << text;
            if (bold)
                out.boldLines << text;
            out.sequence << QStringLiteral("line");
            line.clear();
            ++i;
        } else if (b < 0x20) {
            out.sequence << QStringLiteral("unknown %1").arg(b);
            ++i;
        } else {
            line.append(char(b));
            ++i;
        }
    }
    if (!line.isEmpty())
        out.sequence << QStringLiteral("unfinished line");
    return out;
}

QStringList EscposPrintout::commands() const
{
    QStringList list = sequence;
    list.removeAll(QStringLiteral("line"));
    return list;
}

FakeNetworkPrinter::FakeNetworkPrinter() : m_server(std::make_unique<QTcpServer>())
{
    m_server->listen(QHostAddress::LocalHost, 0);
    QObject::connect(m_server.get(), &QTcpServer::newConnection, m_server.get(), [this] {
        while (QTcpSocket *socket = m_server->nextPendingConnection()) {
            ++m_open;
            QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket] { m_bytes += socket->readAll(); });
            QObject::connect(socket, &QTcpSocket::disconnected, socket, [this, socket] {
                m_bytes += socket->readAll();
                --m_open;
                socket->deleteLater();
            });
        }
    });
}

FakeNetworkPrinter::~FakeNetworkPrinter() = default;

int FakeNetworkPrinter::port() const
{
    return m_server->serverPort();
}

QByteArray FakeNetworkPrinter::received()
{
    const QDeadlineTimer deadline(5000);
    // The connection is taken first (the sender may already have closed it), then read to its end.
    do {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    } while ((m_open > 0 || m_server->hasPendingConnections() || m_bytes.isEmpty()) && !deadline.hasExpired());
    return m_bytes;
}

int refusingPort()
{
    QTcpServer server;
    server.listen(QHostAddress::LocalHost, 0);
    const int port = server.serverPort();
    server.close();
    return port;
}

StalledNetworkPrinter::StalledNetworkPrinter()
{
    m_listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const int small = 1024;
    ::setsockopt(m_listener, SOL_SOCKET, SO_RCVBUF, &small, sizeof small); // taken over by accepted connections
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::bind(m_listener, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0 ||
        ::listen(m_listener, 4) != 0)
        return;
    socklen_t length = sizeof address;
    ::getsockname(m_listener, reinterpret_cast<sockaddr *>(&address), &length);
    m_port = ntohs(address.sin_port);
}

StalledNetworkPrinter::~StalledNetworkPrinter()
{
    if (m_listener >= 0)
        ::close(m_listener);
}

StalledDevice::StalledDevice(const QString &path)
{
    const QByteArray name = path.toLocal8Bit();
    if (::mkfifo(name.constData(), 0600) != 0)
        return;
    m_reader = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (m_reader >= 0)
        m_capacity = ::fcntl(m_reader, F_SETPIPE_SZ, 4096);
}

StalledDevice::~StalledDevice()
{
    if (m_reader >= 0)
        ::close(m_reader);
}
