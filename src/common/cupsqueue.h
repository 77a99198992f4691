#pragma once

#include <QSizeF>
#include <QString>

// A CUPS print queue that takes finished PDF documents. The job is submitted over IPP and
// followed until the queue has printed it, is working on it, or has refused it, so that a refusal
// reaches the user instead of being lost in the scheduler's log.
class CupsQueue {
public:
    explicit CupsQueue(QString printer);

    struct Document {
        QString pdfFile;
        QString title;
        QSizeF paperMm; // the page size the document was laid out for
    };

    // Empty text when the queue took the job; otherwise what went wrong in Chinese, followed by
    // the scheduler's own words. A job the queue accepted but could not carry out is cancelled,
    // so it does not come out later after the user has been told it failed.
    QString submit(const Document &document) const;

    // How long submit() follows an accepted job before leaving it to the queue.
    static constexpr int kWatchMs = 3000;

private:
    QString m_printer;
};
