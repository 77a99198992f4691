#include "common/printing.h"

#include "common/printpreviewwindow.h"

#include "support/doubles.h"
#include "support/pdftext.h"
#include "support/printers.h"
#include "support/privatecups.h"

#include <QDir>
#include <QFile>
#include <QPageSize>
#include <QPainter>
#include <QPrinter>
#include <QAction>
#include <QApplication>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

// A one-page job that prints one line of text.
Printing::Job textJob(const QString &text)
{
    Printing::Job job;
    job.name = QStringLiteral("POS小票");
    job.layout = QPageLayout(QPageSize(QSizeF(80, 120), QPageSize::Millimeter), QPageLayout::Portrait, QMarginsF());
    job.resolution = 180;
    job.paint = [text](QPrinter &printer) {
        QPainter painter(&printer);
        painter.setFont(QFont(QStringLiteral("宋体"), 10));
        painter.drawText(20, 100, text);
    };
    return job;
}

class PrintingTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    RecordingDesktop desktop;
    FixedClock clock; // every job in the same second
    SystemPrinting printing{desktop, clock, dir.filePath(QStringLiteral("打印"))};
};

} // namespace

TEST_F(PrintingTest, WithoutAPrinterEveryJobIsSavedToAFileOfItsOwnAndOpened)
{
    CupsClientOverride noScheduler(dir.filePath(QStringLiteral("nothing-listens.sock")));
    QStringList files;
    for (const QString &text : {QStringLiteral("第一张"), QStringLiteral("第二张"), QStringLiteral("第三张")}) {
        const Printing::Result result = printing.print(textJob(text));
        ASSERT_TRUE(result.ok()) << result.error.toStdString();
        EXPECT_TRUE(result.fileOpened);
        ASSERT_TRUE(QFile::exists(result.savedFile)) << result.savedFile.toStdString();
        EXPECT_TRUE(pdfText(result.savedFile).contains(text)) << result.savedFile.toStdString();
        files << result.savedFile;
    }
    const QString folder = dir.filePath(QStringLiteral("打印"));
    EXPECT_EQ(files, (QStringList{QDir(folder).filePath(QStringLiteral("POS小票-20140729-103000.pdf")),
                                  QDir(folder).filePath(QStringLiteral("POS小票-20140729-103000-2.pdf")),
                                  QDir(folder).filePath(QStringLiteral("POS小票-20140729-103000-3.pdf"))}));
    ASSERT_EQ(desktop.opened.size(), 3);
    EXPECT_EQ(desktop.opened.last().toLocalFile(), files.last());

    // A file that cannot be opened is still saved, and the notice says so.
    desktop.works = false;
    const Printing::Result unopened = printing.print(textJob(QStringLiteral("第四张")));
    ASSERT_TRUE(unopened.ok()) << unopened.error.toStdString();
    EXPECT_FALSE(unopened.fileOpened);
    EXPECT_TRUE(QFile::exists(unopened.savedFile));
}

TEST_F(PrintingTest, NoticeSaysWhereTheDocumentWent)
{
    struct Case {
        Printing::Result result;
        QString expected;
    };
    const Case cases[] = {
        {{{}, {}, false}, QString()}, // printed: nothing to tell
        {{{}, QStringLiteral("/home/店/打印/POS小票-20140729-103000.pdf"), true},
         QStringLiteral("未找到打印机，小票已保存为：/home/店/打印/POS小票-20140729-103000.pdf")},
        {{{}, QStringLiteral("/home/店/打印/POS小票-20140729-103000-2.pdf"), false},
         QStringLiteral("未找到打印机，小票已保存为：/home/店/打印/POS小票-20140729-103000-2.pdf\n"
                        "无法打开此文件，请到该文件夹中查看。")},
    };
    for (const Case &c : cases)
        EXPECT_EQ(Printing::savedNotice(QStringLiteral("小票"), c.result), c.expected);
}

TEST_F(PrintingTest, AFolderThatCannotBeWrittenIsReportedAndLeavesNoFile)
{
    CupsClientOverride noScheduler(dir.filePath(QStringLiteral("nothing-listens.sock")));
    // A file stands where the folder should be.
    QFile blocker(dir.filePath(QStringLiteral("打印")));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    const Printing::Result result = printing.print(textJob(QStringLiteral("第一张")));
    EXPECT_FALSE(result.ok());
    EXPECT_TRUE(result.error.contains(QStringLiteral("打印"))) << result.error.toStdString();
    EXPECT_TRUE(result.savedFile.isEmpty());
    EXPECT_TRUE(desktop.opened.isEmpty());
}

// "打印" in the preview sends the pages the program's own way: with no printer, to a file of their
// own in the print folder, never through a print dialog to a fixed file name.
TEST_F(PrintingTest, ThePreviewsPrintGoesTheProgramsOwnWay)
{
    CupsClientOverride noScheduler(dir.filePath(QStringLiteral("nothing-listens.sock")));
    struct Case {
        const char *action;
        bool printed;
    };
    const Case cases[] = {{"previewClose", false}, {"previewPrint", true}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.action);
        int paintings = 0;
        Printing::Job job = textJob(QStringLiteral("第一张"));
        job.name = QStringLiteral("销售单");
        const Printing::PaintPages paint = job.paint;
        job.paint = [&](QPrinter &printer) {
            ++paintings;
            paint(printer);
        };
        QString answeredIn;
        QTimer::singleShot(0, [&] {
            auto *window = qobject_cast<PrintPreviewWindow *>(QApplication::activeModalWidget());
            if (!window)
                return;
            answeredIn = window->windowTitle();
            window->findChild<QAction *>(QString::fromLatin1(c.action))->trigger();
        });
        const std::optional<Printing::Result> result = printing.preview(job);
        EXPECT_EQ(answeredIn, QStringLiteral("销售单")) << "the preview window showed";
        EXPECT_GE(paintings, 1);
        ASSERT_EQ(result.has_value(), c.printed);
        if (!c.printed) {
            EXPECT_FALSE(QDir(dir.filePath(QStringLiteral("打印"))).exists());
            continue;
        }
        ASSERT_TRUE(result->ok()) << result->error.toStdString();
        EXPECT_EQ(result->savedFile,
                  QDir(dir.filePath(QStringLiteral("打印"))).filePath(QStringLiteral("销售单-20140729-103000.pdf")));
        EXPECT_TRUE(pdfText(result->savedFile).contains(QStringLiteral("第一张")));
        EXPECT_EQ(Printing::savedNotice(QStringLiteral("销售单"), *result),
                  QStringLiteral("未找到打印机，销售单已保存为：") + result->savedFile);
    }
}

// Against a real CUPS scheduler: what the queue answers is what the program reports.
TEST_F(PrintingTest, TheQueuesAnswerIsReported)
{
    PrivateCups cups;
    ASSERT_EQ(cups.error(), QString()) << "a CUPS scheduler of the test's own is needed";
    const QString output = cups.path(QStringLiteral("accepted.pdf"));
    ASSERT_EQ(cups.addQueue(QStringLiteral("accepting"), output), QString());
    ASSERT_EQ(cups.addQueue(QStringLiteral("rejecting"), cups.path(QStringLiteral("rejected.pdf"))), QString());
    ASSERT_EQ(cups.admin(QStringLiteral("cupsreject"), {QStringLiteral("rejecting")}), QString());
    ASSERT_EQ(cups.addQueue(QStringLiteral("paused"), cups.path(QStringLiteral("paused.pdf"))), QString());
    ASSERT_EQ(cups.admin(QStringLiteral("cupsdisable"), {QStringLiteral("paused")}), QString());
    ASSERT_EQ(cups.addQueue(QStringLiteral("failing"), cups.path(QStringLiteral("failed.pdf")),
                            PrivateCups::Driver::Failing),
              QString());

    struct Case {
        const char *queue;
        QString errorContains; // empty: printed
    };
    const Case cases[] = {
        {"rejecting", QStringLiteral("打印机 rejecting 不接受打印任务：")},
        {"paused", QStringLiteral("打印机 paused 已暂停")},
        {"failing", QStringLiteral("打印机 failing 停止了打印任务")},
        {"accepting", QString()},
    };
    for (const Case &c : cases) {
        const QString queue = QString::fromLatin1(c.queue);
        cups.setDefaultPrinter(queue);
        const Printing::Result result = printing.print(textJob(QStringLiteral("小票") + queue));
        EXPECT_TRUE(result.savedFile.isEmpty()) << c.queue;
        if (c.errorContains.isEmpty()) {
            EXPECT_TRUE(result.ok()) << c.queue << ": " << result.error.toStdString();
        } else {
            EXPECT_TRUE(result.error.startsWith(c.errorContains)) << c.queue << ": " << result.error.toStdString();
            EXPECT_EQ(cups.unfinishedJobs(queue), 0) << c.queue << ": a refused job stays behind";
        }
    }
    EXPECT_FALSE(QFile::exists(cups.path(QStringLiteral("rejected.pdf"))));
    EXPECT_FALSE(QFile::exists(cups.path(QStringLiteral("paused.pdf"))));
    // The accepted job came out whole.
    EXPECT_TRUE(pdfText(output).contains(QStringLiteral("小票accepting"))) << pdfText(output).toStdString();
    EXPECT_TRUE(desktop.opened.isEmpty());
}
