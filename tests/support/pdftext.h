#pragma once

#include <QProcess>
#include <QString>

// The text of a PDF file as a reader extracts it, laid out as on the page.
inline QString pdfText(const QString &file)
{
    QProcess process;
    process.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), file, QStringLiteral("-")});
    process.waitForFinished(30000);
    return QString::fromUtf8(process.readAllStandardOutput());
}
