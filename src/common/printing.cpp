#include "common/printing.h"

#include "common/desktop.h"

#include <QDateTime>
#include <QDir>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QUrl>

namespace {
void setUp(QPrinter &printer, const Printing::Job &job)
{
    if (job.resolution > 0)
        printer.setResolution(job.resolution);
    printer.setDocName(job.name);
    printer.setPageLayout(job.layout);
}
} // namespace

SystemPrinting::SystemPrinting(Desktop &desktop, QString pdfFolder)
    : m_desktop(desktop), m_pdfFolder(std::move(pdfFolder))
{
}

QString SystemPrinting::printToPdf(const Job &job, const QString &fileName)
{
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(fileName);
    setUp(printer, job);
    job.paint(printer);
    if (!QFileInfo::exists(fileName))
        return QStringLiteral("无法写入文件 %1").arg(fileName);
    return {};
}

QString SystemPrinting::print(const Job &job)
{
    const QPrinterInfo info = QPrinterInfo::defaultPrinter();
    if (info.isNull()) {
        QDir().mkpath(m_pdfFolder);
        const QString file = QDir(m_pdfFolder).filePath(
            job.name + QDateTime::currentDateTime().toString(QStringLiteral("-yyyyMMdd-hhmmss")) + QStringLiteral(".pdf"));
        const QString error = printToPdf(job, file);
        if (error.isEmpty())
            m_desktop.openUrl(QUrl::fromLocalFile(file));
        return error;
    }
    QPrinter printer(info, QPrinter::HighResolution);
    setUp(printer, job);
    job.paint(printer);
    if (printer.printerState() == QPrinter::Error)
        return QStringLiteral("打印机出错：%1").arg(info.printerName());
    return {};
}

void SystemPrinting::preview(const Job &job)
{
    QPrinter printer(QPrinter::HighResolution);
    setUp(printer, job);
    QPrintPreviewDialog dialog(&printer);
    dialog.setWindowTitle(job.name);
    QObject::connect(&dialog, &QPrintPreviewDialog::paintRequested, [&](QPrinter *p) { job.paint(*p); });
    dialog.exec();
}
