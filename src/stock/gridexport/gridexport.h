#pragma once

#include <QString>

struct AppContext;
class Grid;

// What a window asks of the grid export besides the grid.
struct ExportRequest {
    QString title;              // the sheet's title, row 0
    QString beginDate, endDate; // a date range row when either is given
    QString userName;           // "制表人："
    bool showProgress = true;
};

// Saves a grid as an Excel file and opens it with the desktop's program for such files: the
// legacy worksheet stream (.xls, GBK text) or an Excel workbook (.xlsx), with one sheet column per
// visible grid column in the grid's order. The file is written under a temporary name beside the
// target and renamed only when complete, so a failed export leaves no partial file (and an old
// file of that name as it was) and says why. The grid is not changed.
class GridExport {
public:
    static const QString kXlsFilter;
    static const QString kXlsxFilter;

    explicit GridExport(AppContext &ctx);

    // "导出Excel": asks for the file name, then exports. False when nothing was written.
    bool run(const Grid &grid, const ExportRequest &request);
    // The usual report export: `title`, no date range, the logged-in user, the progress shown.
    bool runReport(const Grid &grid, const QString &title);
    // Exports to `fileName` (".xls" added when it names neither kind): asks before replacing an
    // existing file, shows the hourglass and the progress, opens the file.
    bool exportTo(const Grid &grid, const ExportRequest &request, QString fileName);

private:
    enum class Format { Xls, Xlsx };
    // Writes the sheet to the target; empty text on success, else why not.
    QString write(const Grid &grid, const ExportRequest &request, const QString &target, Format format);

    AppContext &m_ctx;
};
