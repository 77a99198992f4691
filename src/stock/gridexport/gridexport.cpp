#include "stock/gridexport/gridexport.h"

#include "common/appcontext.h"
#include "common/clock.h"
#include "common/desktop.h"
#include "common/errors.h"
#include "common/messages.h"
#include "common/replacingfile.h"
#include "data/dataset.h"
#include "stock/gridexport/biffrecords.h"
#include "stock/gridexport/biffsheetwriter.h"
#include "stock/gridexport/exportprogress.h"
#include "stock/gridexport/gridsheet.h"
#include "stock/gridexport/xlsxsheetwriter.h"
#include "widgets/busycursor.h"
#include "widgets/grid.h"

#include <QApplication>
#include <QFileInfo>
#include <QUrl>
#include <cerrno>
#include <memory>

const QString GridExport::kXlsFilter = QStringLiteral("Microsoft Excel xls文件 (*.xls)");
const QString GridExport::kXlsxFilter = QStringLiteral("Excel 工作簿 (*.xlsx)");

GridExport::GridExport(AppContext &ctx) : m_ctx(ctx) {}

bool GridExport::run(const Grid &grid, const ExportRequest &request)
{
    const QString fileName = m_ctx.messages.saveFileName(QStringLiteral("导出Excel"), QString(),
                                                         kXlsFilter + QStringLiteral(";;") + kXlsxFilter);
    return exportTo(grid, request, fileName);
}

bool GridExport::runReport(const Grid &grid, const QString &title)
{
    ExportRequest request;
    request.title = title;
    request.userName = m_ctx.session.userName;
    request.showProgress = true;
    return run(grid, request);
}

bool GridExport::exportTo(const Grid &grid, const ExportRequest &request, QString fileName)
{
    if (fileName.trimmed().isEmpty())
        return false; // the dialog was cancelled
    const Dataset &rows = grid.dataset();
    if (!rows.isOpen() || rows.isEmpty()) {
        m_ctx.messages.info(QStringLiteral("表格中没有记录，没有导出。"));
        return false;
    }
    const QString suffix = QFileInfo(fileName).suffix().toLower();
    if (suffix != QLatin1String("xls") && suffix != QLatin1String("xlsx"))
        fileName += QStringLiteral(".xls");
    const Format format = fileName.endsWith(QLatin1String(".xlsx"), Qt::CaseInsensitive) ? Format::Xlsx : Format::Xls;

    if (QFileInfo::exists(fileName) &&
        !m_ctx.messages.confirmYesNo(QStringLiteral("提示"),
                                     QStringLiteral("已存在文件（%1），是否覆盖？").arg(fileName)))
        return false;

    QString error;
    {
        const WaitCursor hourglass;
        error = write(grid, request, fileName, format);
    }
    if (!error.isEmpty()) {
        m_ctx.messages.warning(error);
        return false;
    }
    if (!m_ctx.desktop.openUrl(QUrl::fromLocalFile(QFileInfo(fileName).absoluteFilePath())))
        m_ctx.messages.info(QStringLiteral("已导出到文件：%1\n没有找到可以打开它的程序。").arg(fileName));
    return true;
}

QString GridExport::write(const Grid &grid, const ExportRequest &request, const QString &target, Format format)
{
    const GridSheet sheet(grid, {request.title, request.beginDate, request.endDate, request.userName,
                                 m_ctx.clock.now()});
    if (format == Format::Xls && sheet.rowCount() > biff::kMaxRows) {
        // The title rows and the footer take rows of the sheet too.
        const int roomForRecords = biff::kMaxRows - (sheet.rowCount() - sheet.dataRowCount());
        return QStringLiteral("表格有 %1 行记录，超出了 xls 文件最多 %2 行记录的限制，没有导出。\n"
                              "请在保存类型中选择“%3”后再导出。")
            .arg(sheet.dataRowCount())
            .arg(roomForRecords)
            .arg(kXlsxFilter);
    }
    const auto failed = [&](const QString &reason) {
        return QStringLiteral("导出失败，没有写入文件：\n%1\n原因：%2").arg(target, reason);
    };

    ReplacingFile file(target);
    if (!file.create())
        return failed(file.error());
    std::unique_ptr<ExportProgress> progress;
    if (request.showProgress) {
        progress = std::make_unique<ExportProgress>(sheet.dataRowCount());
        progress->start();
    }
    const auto advance = [&progress](int rows) {
        if (progress)
            progress->advance(rows);
    };

    try {
        if (format == Format::Xls) {
            BiffSheetWriter writer([&file](const QByteArray &bytes) { return file.write(bytes); });
            sheet.write(writer, advance);
            if (!writer.finish())
                return failed(file.error());
        } else {
            XlsxSheetWriter writer(file.temporaryName(), request.title);
            sheet.write(writer, advance);
            errno = 0;
            const QString closeError = writer.finish();
            if (!closeError.isEmpty()) {
                file.fail(errno, closeError);
                return failed(file.error());
            }
        }
    } catch (const UserVisibleError &e) {
        return failed(e.text());
    }
    if (!file.commit())
        return failed(file.error());
    return {};
}
