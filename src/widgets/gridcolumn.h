#pragma once

#include <QList>
#include <QString>
#include <Qt>

// One column of a Grid: which field of the dataset it shows, under which titles, how.
struct GridColumn {
    enum class Footer {
        None,
        Text, // the fixed footerText
        Sum,  // the sum of the field over the loaded rows, four-decimal fixed point
    };

    QString field;    // dataset column name, e.g. "a", "7", "day1"
    QString group;    // upper title; neighbouring columns with the same group share one cell
    QString title;    // lower title (the only one when group is empty)
    QString format;   // numbertext::format pattern such as "#0.###"; empty: the value as stored
    Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignVCenter;
    Footer footer = Footer::None;
    QString footerText;
    Qt::Alignment footerAlignment = Qt::AlignLeft | Qt::AlignVCenter;
    int width = 80;
    // How many digits the column opens wide enough for, whatever `width` says: money with eight
    // digits before the point ("12345678.90"), an order number or a telephone number (11 digits).
    int figures = 0;
    static constexpr int kFigures = 11;

    // A column of numbers: right-aligned, sums right-aligned too.
    static GridColumn number(QString field, QString group, QString title, QString format = {},
                             Footer footer = Footer::None, int width = 70)
    {
        GridColumn c;
        c.field = std::move(field);
        c.group = std::move(group);
        c.title = std::move(title);
        c.format = std::move(format);
        c.alignment = c.footerAlignment = Qt::AlignRight | Qt::AlignVCenter;
        c.footer = footer;
        c.width = width;
        c.figures = kFigures;
        return c;
    }
    static GridColumn text(QString field, QString group, QString title, int width = 80)
    {
        GridColumn c;
        c.field = std::move(field);
        c.group = std::move(group);
        c.title = std::move(title);
        c.width = width;
        return c;
    }
    // A text column that holds order numbers or telephone numbers.
    GridColumn &holdingFigures()
    {
        figures = kFigures;
        return *this;
    }
    GridColumn &centred()
    {
        alignment = Qt::AlignCenter;
        return *this;
    }
    GridColumn &withFooterText(QString text, Qt::Alignment align = Qt::AlignLeft | Qt::AlignVCenter)
    {
        footer = Footer::Text;
        footerText = std::move(text);
        footerAlignment = align;
        return *this;
    }
};

using GridColumns = QList<GridColumn>;
