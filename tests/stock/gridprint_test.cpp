#include "stock/gridprint/gridprint.h"

#include "app/mainwindow.h"
#include "common/pageddocument.h"
#include "common/pagedpreview.h"
#include "common/printpreviewwindow.h"
#include "stock/stockqueryview.h"
#include "support/printers.h"
#include "support/privatecups.h"
#include "support/testapp.h"
#include "widgets/grid.h"
#include "widgets/groupedheader.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QPainter>
#include <QPdfWriter>
#include <QPrinter>
#include <QProgressBar>
#include <QProgressDialog>
#include <QPushButton>
#include <QTimer>
#include <QDir>
#include <QImage>
#include <QLineEdit>
#include <QMenu>
#include <QProcess>
#include <QRegularExpression>

#include <gtest/gtest.h>

namespace {

QString run(const QString &program, const QStringList &arguments)
{
    QProcess p;
    p.start(program, arguments);
    p.waitForFinished(60000);
    return QString::fromUtf8(p.readAllStandardOutput());
}

// The text of one page of a PDF as laid out, and without any blanks.
QString pdfLayoutText(const QString &pdf, int page)
{
    const QString number = QString::number(page);
    return run("pdftotext", {"-f", number, "-l", number, "-layout", pdf, "-"});
}
QString pdfText(const QString &pdf, int page)
{
    return pdfLayoutText(pdf, page).remove(QRegularExpression("\\s"));
}

// The words of a PDF's first page with their left and right edges, from pdftotext -bbox.
struct PlacedWord {
    QString text;
    double left, right, top;
};
QList<PlacedWord> placedWords(const QString &pdf)
{
    const QString html = run("pdftotext", {"-f", "1", "-l", "1", "-bbox", pdf, "-"});
    const QRegularExpression word(R"re(<word xMin="([\d.]+)" yMin="([\d.]+)" xMax="([\d.]+)" yMax="[\d.]+">([^<]*)</word>)re");
    QList<PlacedWord> words;
    for (auto it = word.globalMatch(html); it.hasNext();) {
        const auto m = it.next();
        words.append({m.captured(4), m.captured(1).toDouble(), m.captured(3).toDouble(), m.captured(2).toDouble()});
    }
    return words;
}

int pdfPages(const QString &pdf)
{
    const QRegularExpression pages("Pages:\\s+(\\d+)");
    return pages.match(run("pdfinfo", {pdf})).captured(1).toInt();
}

// The main grid of a logged-in shop, shown, with a few rows.
class MainGridPrintTest : public testing::Test {
protected:
    void SetUp() override
    {
        for (int i = 0; i < 3; ++i)
            shop.addStockRow({{"a", QStringLiteral("货品%1").arg(i)}, {"b", "XL"}, {"c", QStringLiteral("A%1").arg(i)},
                              {"d", "上衣"}, {"1", 19.9}, {"2", 10 + i}, {"3", 199}, {"4", 39.9}, {"5", 2},
                              {"6", 79.8}, {"7", 8 + i}, {"8", 159.2}, {"day1", "2014-07-01"}, {"g", "天虹"}});
        shop.logIn();
        main.show();
        main.actions().allRecords->trigger();
    }
    QString printNow()
    {
        const qsizetype before = shop.printing.previewedFiles.size();
        main.actions().print->trigger();
        EXPECT_EQ(shop.printing.previewedFiles.size(), before + 1);
        return shop.printing.previewedFiles.value(before);
    }

    TestShop shop;
    MainWindow &main = shop.windows();
    Grid &grid = *main.stockQuery()->gridWidget();
};

TEST_F(MainGridPrintTest, APageHoldsTheTextsTitlesRowsAndFooterAsTheGridShowsThem)
{
    for (QAction *option : main.actions().hideColumns->actions()) {
        if (option->text() == "隐藏供货商")
            option->trigger();
    }
    const QString pdf = printNow();
    ASSERT_FALSE(pdf.isEmpty());
    EXPECT_EQ(shop.printing.jobs.last().name, "商品进货统计报表");
    EXPECT_EQ(pdfPages(pdf), 1);
    EXPECT_TRUE(run("pdfinfo", {pdf}).contains("(A4)"));

    const QString page = pdfText(pdf, 1);
    const QStringList inOrder = {"Page.1", "商品进货统计报表", "商品信息", "名称", "规格型号", "货品0", "货品1", "货品2",
                                 "总计", "制表人：超级管理员日期：2014-07-29"};
    qsizetype at = 0;
    for (const QString &text : inOrder) {
        const qsizetype found = page.indexOf(text, at);
        EXPECT_GE(found, 0) << text.toStdString() << " in " << page.toStdString();
        at = std::max(at, found);
    }
    // The numbers as the grid shows them, and its footer sums.
    const DatasetModel &model = *grid.model();
    for (int column : grid.visibleColumns()) {
        for (int row = 0; row < model.rowCount(); ++row)
            EXPECT_TRUE(page.contains(model.displayText(row, column).remove(' '))) << row << "," << column;
        EXPECT_TRUE(page.contains(model.footerText(column))) << column;
    }
    EXPECT_TRUE(page.contains("33")); // purchase quantities 10 + 11 + 12
    // The hidden supplier column is not printed.
    EXPECT_FALSE(page.contains("供货商"));
    EXPECT_FALSE(page.contains("天虹"));
}

TEST_F(MainGridPrintTest, RowsGoOnAsManyPagesAsTheyNeedWithTitlesOnEach)
{
    // Enough rows for three pages whatever fonts the machine has (at the smallest row height an
    // A4 page holds fewer than a hundred rows).
    constexpr int kRows = 400;
    for (int i = 3; i < kRows; ++i)
        shop.addStockRow({{"a", QStringLiteral("货品%1").arg(i)}, {"2", 1}, {"7", 9}, {"day1", "2014-07-02"}});
    main.actions().allRecords->trigger();
    const QString pdf = printNow();
    const int pages = pdfPages(pdf);
    ASSERT_GE(pages, 3);
    QString all;
    for (int p = 1; p <= pages; ++p) {
        const QString page = pdfText(pdf, p);
        SCOPED_TRACE(p);
        EXPECT_TRUE(page.startsWith(QStringLiteral("Page.%1").arg(p))) << page.left(40).toStdString();
        // The titles stand over the rows of every page that has rows.
        EXPECT_EQ(page.contains("商品信息"), page.contains("货品"));
        EXPECT_EQ(page.contains("商品进货统计报表"), p == 1);
        EXPECT_EQ(page.contains("制表人："), p == pages);
        all += pdfLayoutText(pdf, p);
    }
    // Every row once, in the grid's order.
    qsizetype at = 0;
    for (int i = 0; i < kRows; ++i) {
        const QString name = QStringLiteral("货品%1").arg(i);
        const qsizetype found = all.indexOf(QRegularExpression(name + "\\s"), at);
        ASSERT_GE(found, at) << name.toStdString();
        at = found;
    }
    EXPECT_EQ(all.count(QRegularExpression("货品\\d+\\s")), kRows);
}

// A total, a long code and a long model in columns narrower than they are: the page holds each
// whole (in a smaller size) or visibly cut, never with leading digits silently lost
// (468397.27 once printed as "68397.27").
TEST_F(MainGridPrintTest, FiguresTooWideForTheirColumnsPrintWhole)
{
    shop.addStockRow({{"a", QStringLiteral("外套")}, {"b", "13805712345"}, {"c", "20261124001"}, {"3", 468000.27},
                      {"7", 1}, {"day1", "2014-07-02"}});
    main.actions().allRecords->trigger();
    const int amount = grid.model()->columnOfField("3");
    const QString total = grid.model()->footerText(amount);
    ASSERT_EQ(total, "468597.27");
    for (const char *field : {"b", "c"})
        grid.header()->resizeSection(grid.model()->columnOfField(field), 30);
    grid.header()->resizeSection(amount, 55);
    // The stock quantity's total ("33") just left of it: a total running out of its cell to the
    // left runs into it.
    const int stock = grid.model()->columnOfField("7");
    grid.header()->moveSection(grid.header()->visualIndex(stock), grid.header()->visualIndex(amount));
    const QString pdf = printNow();
    const QString page = pdfText(pdf, 1);
    EXPECT_TRUE(page.contains(total)) << page.toStdString();
    // And it stands in its own cell: no neighbour's text on the footer line overlaps it (a total
    // running out to the left lost its first digits under the next cell drawn).
    const QList<PlacedWord> words = placedWords(pdf);
    const auto placed = std::find_if(words.begin(), words.end(), [&](const PlacedWord &w) { return w.text == total; });
    ASSERT_NE(placed, words.end());
    for (const PlacedWord &w : words) {
        if (&w != &*placed && std::abs(w.top - placed->top) < 2)
            EXPECT_TRUE(w.right <= placed->left + 0.5 || w.left >= placed->right - 0.5) << w.text.toStdString();
    }
    // Far too narrow even for the smaller size: the start and a visible cut, nothing taken away
    // from the front.
    for (const QString &code : {QStringLiteral("13805712345"), QStringLiteral("20261124001")}) {
        const QRegularExpression shown(QRegularExpression::escape(code.left(2)) + QStringLiteral("\\d*…"));
        EXPECT_TRUE(page.contains(code) || page.contains(shown)) << code.toStdString() << " in " << page.toStdString();
        EXPECT_FALSE(page.contains(code.mid(1, 6)) && !page.contains(code.left(7))) << code.toStdString();
    }
}

// How many pixels of a page are clearly red.
int redPixels(const QString &pdf, const QString &folder)
{
    const QString prefix = QDir(folder).filePath("page");
    run("pdftoppm", {"-r", "150", "-png", "-f", "1", "-l", "1", pdf, prefix});
    const QStringList pngs = QDir(folder).entryList({"page*.png"});
    if (pngs.isEmpty())
        return -1;
    const QImage image(QDir(folder).filePath(pngs.first()));
    int red = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (c.red() > 150 && c.red() - c.green() > 70 && c.red() - c.blue() > 70)
                ++red;
        }
    }
    for (const QString &png : pngs)
        QFile::remove(QDir(folder).filePath(png));
    return red;
}

TEST_F(MainGridPrintTest, LowStockRowsPrintRedAsOnTheScreen)
{
    QLineEdit *alarm = main.findChild<QLineEdit *>("alarmNumber");
    const struct {
        const char *alarm;
        bool red;
    } cases[] = {{"0", false}, {"9", true}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.alarm);
        alarm->setText(c.alarm);
        const int red = redPixels(printNow(), shop.dir.path());
        ASSERT_GE(red, 0);
        EXPECT_EQ(red > 20, c.red) << red;
    }
}

// A grid long enough that laying out its pages takes a while.
class LongPrintTest : public testing::Test {
protected:
    void SetUp() override
    {
        shop.exec("BEGIN");
        // Every thirteenth name runs over several lines of its cell: rows of different heights.
        for (int i = 0; i < kRows; ++i)
            shop.exec("insert into data (a, [2], [7], day1) values (?, 1, 9, '2014-07-02')",
                      {QStringLiteral("货品%1").arg(i) +
                       (i % 13 == 0 ? QStringLiteral(" 长款加厚羊毛呢子大衣冬季新品") : QString())});
        shop.exec("COMMIT");
        shop.logIn();
        main.show();
        main.actions().allRecords->trigger();
        ASSERT_EQ(grid.model()->rowCount(), kRows);
    }
    // Watches for the progress box while the pages are laid out, or the progress in the preview
    // window; presses its "取消" when told to.
    void watchProgress(bool cancel)
    {
        watcher.setInterval(0); // between any two slices of the preview's layout
        QObject::connect(&watcher, &QTimer::timeout, [this, cancel] {
            for (QWidget *w : QApplication::topLevelWidgets()) {
                auto *preview = qobject_cast<PrintPreviewWindow *>(w);
                auto *stop = preview ? preview->findChild<QPushButton *>("previewCancel") : nullptr;
                auto *bar = preview ? preview->findChild<QProgressBar *>("previewProgress") : nullptr;
                if (stop && bar && bar->isVisible()) {
                    if (!progressSeenAfterMs)
                        progressSeenAfterMs = clock.elapsed();
                    if (cancel)
                        stop->click();
                }
                auto *box = qobject_cast<QProgressDialog *>(w);
                if (!box || !box->isVisible())
                    continue;
                if (!progressSeenAfterMs)
                    progressSeenAfterMs = clock.elapsed();
                if (cancel) {
                    for (QPushButton *b : box->findChildren<QPushButton *>()) {
                        if (b->text() == "取消")
                            b->click();
                    }
                }
            }
        });
        clock.start();
        watcher.start();
    }

    GridPrintRequest report() const
    {
        return gridprint::signedReport("商品进货统计报表", "商 品 进 货 统 计 报 表", 2, "%[Today1]", 70, "超级管理员",
                                       QDate(2014, 7, 29));
    }
    // Runs the real preview of the main grid with no printer installed; `whileShown` is called
    // between any two slices of its layout, and after, with the preview's pages until it returns true.
    std::optional<Printing::Result> preview(const std::function<bool(PrintPreviewWindow &, PagedPreview &)> &whileShown)
    {
        QTimer poll;
        poll.setInterval(0);
        QObject::connect(&poll, &QTimer::timeout, [&] {
            auto *window = qobject_cast<PrintPreviewWindow *>(QApplication::activeModalWidget());
            auto *pages = window ? window->findChild<PagedPreview *>("previewPages") : nullptr;
            if (pages && whileShown(*window, *pages))
                poll.stop();
        });
        poll.start();
        // Never waits for ever: a preview still open after a minute is closed, and the test fails.
        QTimer guard;
        guard.setSingleShot(true);
        QObject::connect(&guard, &QTimer::timeout, [] {
            ADD_FAILURE() << "the preview was still open after a minute";
            if (auto *window = qobject_cast<PrintPreviewWindow *>(QApplication::activeModalWidget()))
                window->reject();
        });
        guard.start(60000);
        return printing.preview(gridprint::job(grid, report()));
    }

    static constexpr int kRows = 6000;
    TestShop shop;
    MainWindow &main = shop.windows();
    Grid &grid = *main.stockQuery()->gridWidget();
    QTimer watcher;
    QElapsedTimer clock;
    qint64 progressSeenAfterMs = 0;
    CupsClientOverride noPrinter{shop.path("nothing-listens.sock")};
    SystemPrinting printing{shop.desktop, shop.clock, shop.path("打印")};
};

TEST_F(LongPrintTest, ShowsItsProgressAndStillPrintsEveryRow)
{
    watchProgress(false);
    main.actions().print->trigger();
    watcher.stop();
    EXPECT_GT(progressSeenAfterMs, 0) << "a progress box while the pages are laid out";
    ASSERT_EQ(shop.printing.previewedFiles.size(), 1);
    const QString text = run("pdftotext", {"-layout", shop.printing.previewedFiles.first(), "-"});
    EXPECT_EQ(text.count(QRegularExpression("货品\\d+\\s")), kRows);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr) << "the hourglass is gone";
}

// "取消" stops the layout: the preview closes by itself, nothing is saved, printed or shown.
TEST_F(LongPrintTest, CancellingStopsThePrintAndClosesThePreview)
{
    // Through the shop's printing, which saves what a preview would show.
    watchProgress(true);
    main.actions().print->trigger();
    watcher.stop();
    EXPECT_GT(progressSeenAfterMs, 0);
    EXPECT_TRUE(shop.printing.previewedFiles.isEmpty());
    EXPECT_TRUE(QDir(shop.printing.folder).entryList({"*.pdf"}).isEmpty()) << "no part of the pages is kept";

    // Through the real preview window.
    bool closedByItself = true;
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, [&] {
        closedByItself = false;
        for (QWidget *w : QApplication::topLevelWidgets()) {
            if (auto *preview = qobject_cast<PrintPreviewWindow *>(w))
                preview->reject();
        }
    });
    guard.start(30000);
    progressSeenAfterMs = 0;
    watchProgress(true);
    gridprint::preview(printing, shop.messages, grid, report());
    watcher.stop();
    EXPECT_GT(progressSeenAfterMs, 0);
    EXPECT_TRUE(closedByItself) << "the preview closes when its pages are cancelled";
    EXPECT_TRUE(shop.messages.boxes.isEmpty()) << shop.messages.lastText().toStdString();
    EXPECT_FALSE(QDir(shop.path("打印")).exists());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

// The pages of a preview painted into a PDF file as the preview paints them.
QString previewedPages(const PagedDocument &document, const QString &file)
{
    QPdfWriter writer(file);
    writer.setResolution(QPrinter(QPrinter::HighResolution).resolution());
    writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(20, 20, 20, 20),
                                     QPageLayout::Millimeter));
    QPainter painter(&writer);
    for (int page = 0; page < document.pageCount(); ++page) {
        if (page > 0)
            writer.newPage();
        document.paintPage(painter, page);
    }
    return file;
}

// The preview shows its first page while the rest is laid out, and once laid out it holds the very
// pages "打印" puts on paper: as many, with the same texts on each, "Page. n" on page n.
TEST_F(LongPrintTest, ThePreviewShowsThePagesThatPrint)
{
    bool firstShownEarly = false;
    int shownPages = 0;
    QString label, shownFile;
    const auto printed = preview([&](PrintPreviewWindow &window, PagedPreview &pages) {
        if (!pages.isComplete()) {
            firstShownEarly = firstShownEarly || pages.pageCount() >= 1;
            return false;
        }

        shownPages = pages.pageCount();
        label = window.findChild<QLabel *>("previewPageNumber")->text();
        shownFile = previewedPages(pages.document(), shop.path("preview.pdf"));
        window.findChild<QAction *>("previewPrint")->trigger();
        return true;
    });
    EXPECT_TRUE(firstShownEarly) << "pages are shown before the last one is laid out";
    ASSERT_TRUE(printed.has_value());
    ASSERT_TRUE(printed->ok()) << printed->error.toStdString();
    const QString paper = printed->savedFile;
    ASSERT_GT(shownPages, 60);
    EXPECT_EQ(pdfPages(paper), shownPages);
    EXPECT_EQ(label.trimmed(), QStringLiteral("第 1 / %1 页").arg(shownPages));
    const QStringList printedPages = run("pdftotext", {"-layout", paper, "-"}).split('\f');
    const QStringList shown = run("pdftotext", {"-layout", shownFile, "-"}).split('\f');
    ASSERT_EQ(shown.size(), printedPages.size());
    for (int p = 0; p < shownPages; ++p) {
        SCOPED_TRACE(p + 1);
        EXPECT_EQ(shown.at(p), printedPages.at(p));
        EXPECT_TRUE(QString(shown.at(p)).remove(QRegularExpression("\\s")).startsWith(QStringLiteral("Page.%1").arg(p + 1)));
    }
    EXPECT_EQ(printedPages.join("").count(QRegularExpression("货品\\d+\\s")), kRows);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

// The grid lists afresh (another till deleted rows) while the preview lays out its pages: the
// preview begins again, and its pages are those of the new listing, whole.
TEST_F(LongPrintTest, AListingChangedWhileLaidOutIsLaidOutAfresh)
{
    constexpr int kLeft = 2500;
    bool changed = false;
    int shownPages = 0;
    QString shownFile;
    const auto printed = preview([&](PrintPreviewWindow &window, PagedPreview &pages) {
        if (!changed && !pages.isComplete()) {
            shop.exec("delete from data where ID > ?", {kLeft});
            main.actions().allRecords->trigger();
            changed = true;
        }
        if (!changed || !pages.isComplete())
            return false;
        shownPages = pages.pageCount();
        shownFile = previewedPages(pages.document(), shop.path("preview.pdf"));
        window.findChild<QAction *>("previewPrint")->trigger();
        return true;
    });
    ASSERT_TRUE(changed) << "the listing changed while the pages were laid out";
    ASSERT_TRUE(printed.has_value() && printed->ok());
    EXPECT_EQ(pdfPages(printed->savedFile), shownPages);
    const QString shown = run("pdftotext", {"-layout", shownFile, "-"});
    EXPECT_EQ(shown.count(QRegularExpression("货品\\d+\\s")), kLeft);
    EXPECT_EQ(shown, run("pdftotext", {"-layout", printed->savedFile, "-"}));
}

// "打印" in the preview that cannot put the pages anywhere says so in Chinese and claims no success;
// with no printer the pages go to a file of their own and the message says where.
TEST_F(MainGridPrintTest, WhatBecameOfThePreviewsPrintIsTold)
{
    CupsClientOverride noPrinter(shop.path("nothing-listens.sock"));
    struct Case {
        const char *name;
        bool folderBlocked;
        RecordingMessages::Kind kind;
        QString text;
    };
    const Case cases[] = {
        {"folder blocked", true, RecordingMessages::Kind::Error, QStringLiteral("商品进货统计报表没有打印：无法创建文件夹 ")},
        {"no printer", false, RecordingMessages::Kind::Info, QStringLiteral("未找到打印机，商品进货统计报表已保存为：")},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir folder;
        const QString target = QDir(folder.path()).filePath("打印");
        if (c.folderBlocked) {
            QFile blocker(target);
            ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
        }
        SystemPrinting printing(shop.desktop, shop.clock, target);
        shop.messages.boxes.clear();
        QTimer::singleShot(0, [] {
            // Pressed at once: the print lays out its pages itself, whatever the preview had.
            auto *window = qobject_cast<PrintPreviewWindow *>(QApplication::activeModalWidget());
            if (window)
                window->findChild<QAction *>("previewPrint")->trigger();
        });
        gridprint::preview(printing, shop.messages, grid,
                           gridprint::signedReport("商品进货统计报表", "商 品 进 货 统 计 报 表", 2, "%[Today1]", 70,
                                                   "超级管理员", QDate(2014, 7, 29)));
        ASSERT_EQ(shop.messages.boxes.size(), 1) << shop.messages.lastText().toStdString();
        EXPECT_EQ(shop.messages.boxes.first().kind, c.kind);
        EXPECT_TRUE(shop.messages.boxes.first().text.startsWith(c.text)) << shop.messages.lastText().toStdString();
        const QStringList pdfs = QDir(target).entryList({"*.pdf"});
        EXPECT_EQ(pdfs.size(), c.folderBlocked ? 0 : 1);
    }
}

} // namespace
