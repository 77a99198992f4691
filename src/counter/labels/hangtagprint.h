#pragma once

#include "counter/labels/labelprintdialog.h"

#include <QList>
#include <functional>
#include <optional>

struct AppContext;

// "打印条码标签": hang-tag labels for chosen stock rows. Asks how many labels and of which size,
// gives rows without a code one (with the user's consent), leaves out rows whose code cannot be
// printed as a barcode (saying which and why), and shows the labels in the print preview, from
// which they are printed the program's way; the user is told what became of the job.
class HangTagPrint {
public:
    using AskOptions = std::function<std::optional<LabelOptions>()>;

    // `askOptions` stands for the "标签打印" dialog (tests answer it themselves).
    explicit HangTagPrint(AppContext &ctx, AskOptions askOptions = {});

    // Labels for the stock rows `keys`, in that order. Raises DbError when reading or writing the
    // rows fails; a failed code write leaves every row as it was and prints nothing.
    void run(const QList<long long> &keys);

    // The job's name, the preview's title and the document named in messages.
    static QString documentName() { return QStringLiteral("条码标签"); }
    // More labels, or selected rows, than this in one run are refused: a typing slip in a stock
    // figure or a whole grid selected by mistake should not send thousands of pages.
    static constexpr int kMostLabels = 2000;

private:
    AppContext &m_ctx;
    AskOptions m_askOptions;
};
