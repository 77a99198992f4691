#include "support/doubles.h"

#include <QDir>

Printing::Result PdfPrinting::print(const Job &job)
{
    jobs << job;
    if (passTo)
        return passTo->print(job);
    if (!failWith.isEmpty())
        return Result::fromError(failWith);
    const QString file = QDir(folder).filePath(QStringLiteral("%1-%2.pdf").arg(job.name).arg(jobs.size()));
    const QString error = SystemPrinting::printToPdf(job, file);
    if (error.isEmpty())
        printedFiles << file;
    return Result::fromError(error);
}

std::optional<Printing::Result> PdfPrinting::preview(const Job &job)
{
    jobs << job;
    const QString file =
        QDir(folder).filePath(QStringLiteral("preview-%1-%2.pdf").arg(job.name).arg(jobs.size()));
    if (SystemPrinting::printToPdf(job, file).isEmpty())
        previewedFiles << file;
    if (!printFromPreview)
        return std::nullopt;
    return print(job);
}
