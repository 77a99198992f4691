#pragma once

#include <QByteArray>
#include <QString>

// Where a receipt printer is reached: a USB line printer device, a serial port, or a printer on
// the network that takes raw bytes on a TCP port.
struct PrinterPort {
    enum class Kind { LinePrinter, Serial, Network };
    Kind kind = Kind::LinePrinter;
    QString device = QStringLiteral("/dev/usb/lp0"); // LinePrinter and Serial
    int baud = 9600;                                 // Serial
    QString host;                                    // Network
    int port = 9100;                                 // Network

    // The device path, or host:port, as the user is told it.
    QString describe() const;
};

// How long a printer may take to connect and to take the bytes of one job.
inline constexpr int kPrinterPortTimeoutMs = 5000;

// Sends all of `bytes` to the printer, waiting at most `timeoutMs` in all. Empty on success;
// otherwise the cause in Chinese (missing, busy, no permission, refused, no answer in time, only
// part sent). A job only partly sent is a failure.
QString sendToPrinterPort(const PrinterPort &port, const QByteArray &bytes, int timeoutMs = kPrinterPortTimeoutMs);
