#pragma once

#include <QMap>
#include <QString>
#include <QStringList>

class Messages;
class QTableView;

// How a grid's columns were arranged by the user: order, width, visibility, sort mark, row height.
struct GridLayout {
    struct Column {
        int position = 0;   // visual index
        int width = 0;
        bool visible = true;
        int sortMark = 0;   // 0 none, 1 ascending, 2 descending
    };
    QMap<QString, Column> columns; // by field name
    int rowHeight = 0;
    int rowLines = 1;
    bool isEmpty() const { return columns.isEmpty() && rowHeight == 0; }
};

// The grid layout file (qovel.ini beside the settings). One section per grid; within it one
// entry "DBGridEh1.<field>" per column holding seven integers, and "(Default)" holding the row
// height and lines per row. Saving overwrites the grid's entries and leaves others in place.
class LayoutStore {
public:
    static constexpr const char *kMainGridSection = "MainGrid";
    static constexpr const char *kGridName = "DBGridEh1";

    explicit LayoutStore(QString folder);
    QString fileName() const;

    // False when the file could not be written (folder or file not writable).
    bool save(const QString &section, const GridLayout &layout);
    // An empty layout when the file or section is missing.
    GridLayout load(const QString &section) const;

    // Reads and applies the layout of a table view whose model columns are the given fields.
    static GridLayout capture(const QTableView &view, const QStringList &fields);
    static void apply(QTableView &view, const QStringList &fields, const GridLayout &layout);

private:
    QString m_folder;
};

// Saves a grid's layout; when it cannot be stored the user is told which file could not be
// written. Returns whether the layout was stored.
bool storeLayout(LayoutStore &layouts, Messages &messages, const QString &section, const GridLayout &layout);
