#include "support/pdftext.h"

#include <QProcess>

QString pdfText(const QString &file)
{
    QProcess process;
    process.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), file, QStringLiteral("-")});
    process.waitForFinished(30000);
    return QString::fromUtf8(process.readAllStandardOutput());
}

QStringList pdfLines(const QString &file)
{
    QStringList lines;
    for (const QString &line : pdfText(file).split(QLatin1Char('\n')))
        lines << line.simplified();
    return lines;
}
