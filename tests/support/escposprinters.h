#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <memory>

class QTcpServer;
class QTcpSocket;

// What a thermal receipt printer would make of the bytes it was sent: the text lines (decoded
// from GB18030) and the commands in the order they came, each command as a word ("init",
// "chinese", "bold on", "bold off", "feed 4", "pulse 0 25 250", "cut"), a text line as "line".
// A byte sequence the decoder does not know is an "unknown …" command.
struct EscposPrintout {
    QStringList lines;
    QStringList boldLines;
    QStringList sequence;

    static EscposPrintout decode(const QByteArray &bytes);
    // Commands only, without the text lines.
    QStringList commands() const;
};

// A network receipt printer on 127.0.0.1: takes every connection and keeps what it is sent.
class FakeNetworkPrinter {
public:
    FakeNetworkPrinter();
    ~FakeNetworkPrinter();
    int port() const;
    // Lets the printer take what was sent to it until every sender has closed its connection
    // (or a few seconds pass), and returns all bytes received so far.
    QByteArray received();

private:
    std::unique_ptr<QTcpServer> m_server;
    QByteArray m_bytes;
    int m_open = 0;
};

// A TCP port on 127.0.0.1 where nothing listens: a connection is refused.
int refusingPort();

// A network printer that accepts connections and never reads: with its small receive buffer a
// sender stalls after a few kilobytes. Plain sockets, as a printer that hangs would be.
class StalledNetworkPrinter {
public:
    StalledNetworkPrinter();
    ~StalledNetworkPrinter();
    int port() const { return m_port; }

private:
    int m_listener = -1;
    int m_port = 0;
};

// A device that is there but stops taking bytes: a named pipe whose reader never reads, its
// buffer made as small as the system allows (one page).
class StalledDevice {
public:
    explicit StalledDevice(const QString &path);
    ~StalledDevice();
    bool ready() const { return m_reader >= 0; }
    // The bytes the pipe holds before a writer has to wait.
    int capacity() const { return m_capacity; }

private:
    int m_reader = -1;
    int m_capacity = 0;
};
