#include "common/printing.h"

#include "common/clock.h"
#include "common/cupsqueue.h"
#include "common/desktop.h"
#include "common/messages.h"
#include "common/pageddocument.h"
#include "common/printpreviewwindow.h"

#include <QDir>
#include <QFile>
#include <QApplication>
#include <QPrinter>
#include <QPrinterInfo>
#include <QTemporaryFile>
#include <QUrl>

#ifdef __GLIBC__
#include <malloc.h>
#endif

namespace {

void setUp(QPrinter &printer, const Printing::Job &job)
{
    if (job.resolution > 0)
        printer.setResolution(job.resolution);
    printer.setDocName(job.name);
    printer.setPageLayout(job.layout);
}

// A complete PDF starts with its header and ends with its end-of-file marker.
bool isCompletePdf(const QString &fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray data = file.readAll();
    return data.startsWith("%PDF-") && data.right(32).contains("%%EOF");
}

// What a preview held (the drawings of its pages, or the copy of a long grid's rows it laid out) is
// freed when it closes; the allocator would otherwise keep that memory for the rest of the session.
void releaseFreedMemory()
{
#ifdef __GLIBC__
    malloc_trim(0);
#endif
}

} // namespace

QString Printing::savedNotice(const QString &document, const Result &result)
{
    if (result.savedFile.isEmpty())
        return {};
    QString text = QStringLiteral("未找到打印机，%1已保存为：%2").arg(document, QDir::toNativeSeparators(result.savedFile));
    if (!result.fileOpened)
        text += QStringLiteral("\n无法打开此文件，请到该文件夹中查看。");
    return text;
}

bool Printing::report(Messages &messages, const QString &document, const Result &result)
{
    if (!result.ok()) {
        messages.error(QStringLiteral("%1没有打印：%2").arg(document, result.error));
        return false;
    }
    if (const QString notice = savedNotice(document, result); !notice.isEmpty())
        messages.info(notice);
    return true;
}

SystemPrinting::SystemPrinting(Desktop &desktop, Clock &clock, QString pdfFolder)
    : m_desktop(desktop), m_clock(clock), m_pdfFolder(std::move(pdfFolder))
{
}

QString SystemPrinting::printToPdf(const Job &job, const QString &fileName)
{
    {
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(fileName);
        setUp(printer, job);
        job.paint(printer);
    } // the file is complete once the printer is gone
    if (job.wasStopped()) {
        QFile::remove(fileName);
        return QStringLiteral("打印已取消");
    }
    if (!isCompletePdf(fileName))
        return QStringLiteral("无法写入文件 %1").arg(QDir::toNativeSeparators(fileName));
    return {};
}

SystemPrinting::Result SystemPrinting::print(const Job &job)
{
    const QPrinterInfo info = QPrinterInfo::defaultPrinter();
    if (info.isNull())
        return saveAsPdf(job);

    // The pages are rendered here and handed to the queue, whose answer is then known.
    QTemporaryFile pdf(QDir(QDir::tempPath()).filePath(QStringLiteral("tolvane-XXXXXX.pdf")));
    if (!pdf.open())
        return Result::fromError(QStringLiteral("无法创建临时打印文件：%1").arg(pdf.errorString()));
    pdf.close();
    if (const QString error = printToPdf(job, pdf.fileName()); !error.isEmpty())
        return Result::fromError(error);
    const QSizeF paper = job.layout.fullRect(QPageLayout::Millimeter).size();
    QGuiApplication::setOverrideCursor(Qt::WaitCursor); // the queue is followed for a moment
    const QString error = CupsQueue(info.printerName()).submit({pdf.fileName(), job.name, paper});
    QGuiApplication::restoreOverrideCursor();
    return Result::fromError(error);
}

// Every saved job gets a file of its own: the job name and the time, and a number after it when
// another job of the same second already took that name.
QString SystemPrinting::reserveFileName(const QString &jobName, QString &error) const
{
    if (!QDir().mkpath(m_pdfFolder)) {
        error = QStringLiteral("无法创建文件夹 %1").arg(QDir::toNativeSeparators(m_pdfFolder));
        return {};
    }
    const QString stem = jobName + m_clock.now().toString(QStringLiteral("-yyyyMMdd-hhmmss"));
    for (int n = 1; n < 10000; ++n) {
        const QString name = n == 1 ? stem : QStringLiteral("%1-%2").arg(stem).arg(n);
        QFile file(QDir(m_pdfFolder).filePath(name + QStringLiteral(".pdf")));
        if (file.open(QIODevice::WriteOnly | QIODevice::NewOnly))
            return file.fileName();
        if (!file.exists()) {
            error = QStringLiteral("无法写入文件 %1：%2").arg(QDir::toNativeSeparators(file.fileName()), file.errorString());
            return {};
        }
    }
    error = QStringLiteral("文件夹 %1 中同名文件过多").arg(QDir::toNativeSeparators(m_pdfFolder));
    return {};
}

SystemPrinting::Result SystemPrinting::saveAsPdf(const Job &job)
{
    QString error;
    const QString file = reserveFileName(job.name, error);
    if (file.isEmpty())
        return Result::fromError(error);
    if (error = printToPdf(job, file); !error.isEmpty()) {
        QFile::remove(file);
        return Result::fromError(error);
    }
    Result result;
    result.savedFile = file;
    result.fileOpened = m_desktop.openUrl(QUrl::fromLocalFile(file));
    return result;
}

std::optional<Printing::Result> SystemPrinting::preview(const Job &job)
{
    bool printChosen = false;
    {
        QPrinter printer(QPrinter::HighResolution);
        setUp(printer, job);
        if (job.document) {
            const std::unique_ptr<PagedDocument> document = job.document(printer);
            if (!document)
                return std::nullopt;
            PrintPreviewWindow window(*document, printer, job.name, QApplication::activeWindow());
            printChosen = window.exec() == QDialog::Accepted;
        } else {
            PrintPreviewWindow window(printer, job.name, QApplication::activeWindow());
            QObject::connect(&window, &PrintPreviewWindow::paintRequested, &window, [&](QPrinter *p) {
                job.paint(*p);
                // Stopped while the pages were laid out: there is nothing whole to look at.
                if (job.wasStopped())
                    QMetaObject::invokeMethod(&window, &QDialog::reject, Qt::QueuedConnection);
            });
            printChosen = window.exec() == QDialog::Accepted;
        }
    }
    releaseFreedMemory();
    // "打印" goes the program's own way: the default printer's queue, or a PDF file of its own.
    if (!printChosen)
        return std::nullopt;
    return print(job);
}
