#pragma once

#include "support/printers.h"
#include "common/clock.h"
#include "common/desktop.h"
#include "common/messages.h"
#include "common/printing.h"

#include <QList>
#include <QQueue>
#include <QString>
#include <QStringList>
#include <QUrl>

// Records every box the program shows and answers questions from a queue (OK/Yes when empty).
class RecordingMessages : public Messages {
public:
    enum class Kind { Info, Warning, OkCancel, YesNo, Error, OpenFile, SaveFile };
    struct Box {
        Kind kind;
        QString title;
        QString text;
    };

    QList<Box> boxes;
    QQueue<bool> answers;       // for confirmOkCancel / confirmYesNo
    QQueue<QString> fileNames;  // for the file dialogs
    bool defaultAnswer = true;

    void info(const QString &text) override { boxes.append({Kind::Info, {}, text}); }
    void warning(const QString &text) override { boxes.append({Kind::Warning, {}, text}); }
    bool confirmOkCancel(const QString &title, const QString &text) override
    {
        boxes.append({Kind::OkCancel, title, text});
        return answers.isEmpty() ? defaultAnswer : answers.dequeue();
    }
    bool confirmYesNo(const QString &title, const QString &text) override
    {
        boxes.append({Kind::YesNo, title, text});
        return answers.isEmpty() ? defaultAnswer : answers.dequeue();
    }
    void error(const QString &text) override { boxes.append({Kind::Error, {}, text}); }
    QString openFileName(const QString &caption, const QString &, const QString &) override
    {
        boxes.append({Kind::OpenFile, caption, {}});
        return fileNames.isEmpty() ? QString() : fileNames.dequeue();
    }
    QString saveFileName(const QString &caption, const QString &, const QString &) override
    {
        boxes.append({Kind::SaveFile, caption, {}});
        return fileNames.isEmpty() ? QString() : fileNames.dequeue();
    }

    // The texts of all boxes, in order.
    QStringList texts() const
    {
        QStringList t;
        for (const Box &b : boxes)
            t << b.text;
        return t;
    }
    QString lastText() const { return boxes.isEmpty() ? QString() : boxes.last().text; }
    void clear() { boxes.clear(); }
};

class FixedClock : public Clock {
public:
    explicit FixedClock(QDateTime t = QDateTime(QDate(2014, 7, 29), QTime(10, 30, 0))) : time(std::move(t)) {}
    QDateTime now() const override { return time; }
    QDateTime time;
};

class RecordingDesktop : public Desktop {
public:
    QList<QUrl> opened;
    QList<QStringList> started;
    QString folder;
    bool works = true; // false: no program could be started, nothing could open the address
    bool openUrl(const QUrl &url) override
    {
        opened << url;
        return works;
    }
    bool startProgram(const QStringList &candidates) override
    {
        started << candidates;
        return works;
    }
    QString desktopFolder() const override { return folder; }
};

// Stands for a printer that prints every job: renders each into a PDF file in `folder` (job name +
// sequence number), so tests can read real printed output; previews are recorded and rendered
// the same way.
class PdfPrinting : public Printing {
public:
    explicit PdfPrinting(QString folder) : folder(std::move(folder)) {}
    QString folder;
    QStringList printedFiles;
    QStringList previewedFiles;
    QList<Job> jobs;
    QString failWith; // when set, print() fails with this text
    // When set, jobs are recorded and then handed to this service (e.g. the real SystemPrinting
    // talking to a test's own CUPS scheduler) instead of being rendered here.
    Printing *passTo = nullptr;
    // When set, "打印" is chosen in every preview, which then prints the job as print() does.
    bool printFromPreview = false;

    Result print(const Job &job) override;
    std::optional<Result> preview(const Job &job) override;
};
