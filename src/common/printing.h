#pragma once

#include <QPageLayout>
#include <QString>
#include <functional>
#include <memory>
#include <optional>

class Clock;
class Desktop;
class Messages;
class PagedDocument;
class QPrinter;

// Print jobs and previews. A job is described by its page layout and a function that paints the
// pages on a ready printer; the service decides where the pages go.
class Printing {
public:
    using PaintPages = std::function<void(QPrinter &printer)>;

    struct Job {
        QString name;
        QPageLayout layout;
        int resolution = 0; // dots per inch; 0 keeps the device's own
        PaintPages paint;
        // Whether the user stopped the last painting before its end (none: it cannot be stopped).
        // A stopped job is neither shown nor printed.
        std::function<bool()> stopped;
        // Optional, for a long print: its pages as a document laid out a part at a time on the
        // given printer, which the preview shows from its first page on while the rest is laid
        // out. Null when there is nothing to show. Printing still goes through `paint`, which
        // lays out the same pages.
        std::function<std::unique_ptr<PagedDocument>(QPrinter &printer)> document;

        bool wasStopped() const { return stopped && stopped(); }
    };

    // What became of a job.
    struct Result {
        QString error;           // empty when the pages went out
        QString savedFile;       // with no printer installed: the PDF file the pages went to
        bool fileOpened = false; // whether that file could be opened for the user

        bool ok() const { return error.isEmpty(); }
        // A printed job (empty error) or a failed one.
        static Result fromError(QString error)
        {
            Result result;
            result.error = std::move(error);
            return result;
        }
    };

    virtual ~Printing() = default;
    // Prints on the default printer, or saves the pages as a PDF file when there is none.
    virtual Result print(const Job &job) = 0;
    // Shows the pages in a print preview from which the user may print them: what became of the
    // job when "打印" was chosen there, nothing when the preview was closed without printing.
    virtual std::optional<Result> preview(const Job &job) = 0;

    // What to tell the user after a job was saved instead of printed, e.g. for the document
    // "小票": "未找到打印机，小票已保存为：" and the file; empty when the pages were printed.
    static QString savedNotice(const QString &document, const Result &result);
    // Tells the user of a failed job ("小票没有打印：…") or of the file a job was saved to; true
    // when the pages went out.
    static bool report(Messages &messages, const QString &document, const Result &result);
};

// Real printing: the default printer when one is installed, the job submitted to its CUPS queue so
// a refusal is known; otherwise the pages go to a PDF file of its own in the given folder, which
// is then opened for the user.
class SystemPrinting : public Printing {
public:
    SystemPrinting(Desktop &desktop, Clock &clock, QString pdfFolder);
    Result print(const Job &job) override;
    std::optional<Result> preview(const Job &job) override;

    // Renders a job into a PDF file; empty text on success.
    static QString printToPdf(const Job &job, const QString &fileName);

private:
    Result saveAsPdf(const Job &job);
    QString reserveFileName(const QString &jobName, QString &error) const;

    Desktop &m_desktop;
    Clock &m_clock;
    QString m_pdfFolder;
};
