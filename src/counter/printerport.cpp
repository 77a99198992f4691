#include "counter/printerport.h"

#include "common/numbertext.h"

#include <QDeadlineTimer>

#include <cerrno>
#include <fcntl.h>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>

namespace {

// A file descriptor closed when it goes out of scope.
class Descriptor {
public:
    explicit Descriptor(int fd = -1) : m_fd(fd) {}
    ~Descriptor()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Descriptor(const Descriptor &) = delete;
    Descriptor &operator=(const Descriptor &) = delete;
    int get() const { return m_fd; }
    // Closes it now; false when the system reports an error (a device that failed its last write).
    bool close()
    {
        const int result = ::close(m_fd);
        m_fd = -1;
        return result == 0;
    }
    void reset(int fd)
    {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = fd;
    }

private:
    int m_fd;
};

QString seconds(int milliseconds)
{
    return numbertext::general(milliseconds / 1000.0);
}

// The cause of a failed open, connect or write, by errno.
QString cause(int error, const PrinterPort &port)
{
    const QString where = port.describe();
    switch (error) {
    case ENOENT:
        return QStringLiteral("找不到设备 %1").arg(where);
    case EACCES:
    case EPERM:
        return QStringLiteral("没有使用 %1 的权限（请把本机用户加入 lp 或 dialout 组）").arg(where);
    case EBUSY:
        return QStringLiteral("%1 正被其他程序占用").arg(where);
    case ENXIO:
    case ENODEV:
    case EIO:
        return QStringLiteral("%1 没有接通（请检查电源和连线）").arg(where);
    case ECONNREFUSED:
        return QStringLiteral("%1 拒绝连接").arg(where);
    case ECONNRESET:
    case EPIPE:
        return QStringLiteral("%1 中断了连接").arg(where);
    case EHOSTUNREACH:
    case ENETUNREACH:
    case ENETDOWN:
        return QStringLiteral("到 %1 的网络不通").arg(where);
    case ETIMEDOUT:
        return QStringLiteral("%1 没有应答").arg(where);
    default:
        return QStringLiteral("%1 出错（系统错误号 %2）").arg(where).arg(error);
    }
}

speed_t baudConstant(int baud)
{
    switch (baud) {
    case 4800: return B4800;
    case 19200: return B19200;
    case 38400: return B38400;
    case 57600: return B57600;
    case 115200: return B115200;
    default: return B9600;
    }
}

// Raw 8N1 at the port's speed, no flow control: ESC/POS bytes go through unchanged.
QString setUpSerial(int fd, const PrinterPort &port)
{
    termios tio{};
    if (::tcgetattr(fd, &tio) != 0)
        return QStringLiteral("%1 不是串口").arg(port.describe());
    ::cfmakeraw(&tio);
    tio.c_cflag |= CLOCAL | CREAD;
    tio.c_cflag &= ~(CRTSCTS | CSTOPB);
    ::cfsetispeed(&tio, baudConstant(port.baud));
    ::cfsetospeed(&tio, baudConstant(port.baud));
    if (::tcsetattr(fd, TCSANOW, &tio) != 0)
        return cause(errno, port);
    return {};
}

// Waits until `fd` can be written or the deadline passes; false on time-out.
bool waitWritable(int fd, const QDeadlineTimer &deadline)
{
    for (;;) {
        pollfd p{fd, POLLOUT, 0};
        const int ready = ::poll(&p, 1, int(deadline.remainingTime()));
        if (ready > 0)
            return true;
        if (ready == 0 || errno != EINTR)
            return false;
    }
}

QString openDevice(const PrinterPort &port, Descriptor &fd)
{
    // Never created: a device that is not there is reported, not replaced by a plain file.
    fd.reset(::open(port.device.toLocal8Bit().constData(), O_WRONLY | O_APPEND | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (fd.get() < 0)
        return cause(errno, port);
    if (port.kind == PrinterPort::Kind::Serial)
        return setUpSerial(fd.get(), port);
    return {};
}

QString connectNetwork(const PrinterPort &port, Descriptor &fd, const QDeadlineTimer &deadline, int timeoutMs)
{
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo *found = nullptr;
    if (port.host.trimmed().isEmpty() ||
        ::getaddrinfo(port.host.trimmed().toUtf8().constData(), QByteArray::number(port.port).constData(), &hints,
                      &found) != 0)
        return QStringLiteral("找不到打印机地址 %1").arg(port.host);
    int error = ECONNREFUSED;
    for (addrinfo *a = found; a; a = a->ai_next) {
        fd.reset(::socket(a->ai_family, a->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, a->ai_protocol));
        if (fd.get() < 0) {
            error = errno;
            continue;
        }
        if (::connect(fd.get(), a->ai_addr, a->ai_addrlen) == 0) {
            error = 0;
            break;
        }
        if (errno != EINPROGRESS) {
            error = errno;
            continue;
        }
        if (!waitWritable(fd.get(), deadline)) {
            ::freeaddrinfo(found);
            return QStringLiteral("%1 在 %2 秒内没有应答").arg(port.describe(), seconds(timeoutMs));
        }
        socklen_t length = sizeof error;
        if (::getsockopt(fd.get(), SOL_SOCKET, SO_ERROR, &error, &length) != 0)
            error = errno;
        if (error == 0)
            break;
    }
    ::freeaddrinfo(found);
    return error == 0 ? QString() : cause(error, port);
}

} // namespace

QString PrinterPort::describe() const
{
    if (kind == Kind::Network)
        return QStringLiteral("%1:%2").arg(host.trimmed()).arg(port);
    return device;
}

QString sendToPrinterPort(const PrinterPort &port, const QByteArray &bytes, int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    Descriptor fd;
    const bool network = port.kind == PrinterPort::Kind::Network;
    const QString opened = network ? connectNetwork(port, fd, deadline, timeoutMs) : openDevice(port, fd);
    if (!opened.isEmpty())
        return opened;

    qsizetype sent = 0;
    while (sent < bytes.size()) {
        if (!waitWritable(fd.get(), deadline))
            break;
        const qsizetype rest = bytes.size() - sent;
        const ssize_t n = network ? ::send(fd.get(), bytes.constData() + sent, size_t(rest), MSG_NOSIGNAL)
                                  : ::write(fd.get(), bytes.constData() + sent, size_t(rest));
        if (n > 0) {
            sent += n;
        } else if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) {
            const QString why = cause(errno, port);
            return sent == 0 ? why : QStringLiteral("%1，小票只发出了 %2/%3 字节").arg(why).arg(sent).arg(bytes.size());
        }
    }
    if (sent < bytes.size())
        return QStringLiteral("%1 在 %2 秒内没有收完，小票只发出了 %3/%4 字节")
            .arg(port.describe(), seconds(timeoutMs))
            .arg(sent)
            .arg(bytes.size());
    if (network)
        ::shutdown(fd.get(), SHUT_WR);
    if (!fd.close())
        return cause(errno, port);
    return {};
}
