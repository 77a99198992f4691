#pragma once

#include <QPageLayout>
#include <QString>
#include <functional>

class Desktop;
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
    };

    virtual ~Printing() = default;
    // Prints on the default printer. Returns an empty text on success, else what went wrong.
    virtual QString print(const Job &job) = 0;
    // Shows the pages in a print preview from which the user may print them.
    virtual void preview(const Job &job) = 0;
};

// Real printing: the default printer when one is installed; otherwise the pages go to a PDF file
// in the given folder, which is then opened for the user.
class SystemPrinting : public Printing {
public:
    SystemPrinting(Desktop &desktop, QString pdfFolder);
    QString print(const Job &job) override;
    void preview(const Job &job) override;

    // Renders a job into a PDF file; empty text on success.
    static QString printToPdf(const Job &job, const QString &fileName);

private:
    Desktop &m_desktop;
    QString m_pdfFolder;
};
