#include "widgets/grid.h"

#include "support/testapp.h"

#include <QImage>
#include <QStyledItemDelegate>
#include <QTableView>
#include <gtest/gtest.h>
#include <map>

namespace {

// What a cell shows: where its text's ink lies and the colour of the ink's strongest pixel.
struct Ink {
    QRect box;
    QColor colour;
};

int distance(QRgb a, QRgb b)
{
    return std::abs(qRed(a) - qRed(b)) + std::abs(qGreen(a) - qGreen(b)) + std::abs(qBlue(a) - qBlue(b));
}

Ink inkOf(const QImage &image, const QRect &cell)
{
    // The background is the colour most of the cell has; ink is what stands out from it.
    std::map<QRgb, int> counts;
    for (int y = cell.top(); y <= cell.bottom(); ++y)
        for (int x = cell.left(); x <= cell.right(); ++x)
            ++counts[image.pixel(x, y)];
    QRgb background = 0;
    int most = -1;
    for (const auto &[colour, count] : counts) {
        if (count > most) {
            most = count;
            background = colour;
        }
    }
    Ink ink;
    int strongest = -1;
    // The cell's last column and row are the grid lines.
    for (int y = cell.top(); y < cell.bottom(); ++y) {
        for (int x = cell.left(); x < cell.right(); ++x) {
            const int d = distance(image.pixel(x, y), background);
            if (d < 120)
                continue;
            ink.box |= QRect(x, y, 1, 1);
            if (d > strongest) {
                strongest = d;
                ink.colour = QColor(image.pixel(x, y));
            }
        }
    }
    return ink;
}

// The grid draws its cells itself, keeping laid-out texts for the next redraw; each cell must look
// as the style's own item drawing makes it: the same place (left, right or centred; cut with an
// ellipsis when too wide), the row's colour, the selection's text colour.
TEST(CellDrawing, CellsLookAsTheStyleDrawsThem)
{
    TestShop shop;
    const struct {
        const char *name;
        double quantity;
    } rows[] = {{"红衬衫", 3}, {"一件名字很长很长很长的羽绒服", 10.5}, {"T恤", 0.25}, {"黑裤", 1234567}};
    for (const auto &row : rows)
        shop.addStockRow({{"a", QString::fromUtf8(row.name)}, {"2", row.quantity}, {"day1", "2014-07-01"}});
    Dataset &stock = shop.data.stockQuery;
    Grid grid(stock, {GridColumn::text("a", "", "名 称", 90),
                      GridColumn::number("2", "", "数 量", "#0.###", GridColumn::Footer::Sum),
                      GridColumn::text("day1", "", "日 期", 100).centred()});
    grid.setRowColour([](int row) { return row == 2 ? QColor(255, 0, 0) : QColor(); });
    grid.resize(400, 200);
    grid.show();
    stock.open(Statement("select * from data order by ID"));
    stock.setCurrentRow(1); // the selected row
    QTableView *view = grid.view();

    auto cellsAsDrawn = [&] {
        const QImage image = view->viewport()->grab().toImage();
        std::vector<Ink> inks;
        for (int r = 0; r < stock.recordCount(); ++r)
            for (int c = 0; c < 3; ++c)
                inks.push_back(inkOf(image, view->visualRect(view->model()->index(r, c))));
        return inks;
    };
    const std::vector<Ink> ours = cellsAsDrawn();
    view->setItemDelegate(new QStyledItemDelegate(view));
    const std::vector<Ink> style = cellsAsDrawn();

    ASSERT_EQ(ours.size(), style.size());
    for (size_t i = 0; i < ours.size(); ++i) {
        SCOPED_TRACE("row " + std::to_string(i / 3) + " column " + std::to_string(i % 3));
        ASSERT_FALSE(style[i].box.isEmpty());
        EXPECT_FALSE(ours[i].box.isEmpty());
        // Glyphs may fall a fraction of a pixel apart.
        EXPECT_LE(std::abs(ours[i].box.left() - style[i].box.left()), 1);
        EXPECT_LE(std::abs(ours[i].box.right() - style[i].box.right()), 1);
        EXPECT_LE(std::abs(ours[i].box.top() - style[i].box.top()), 1);
        EXPECT_LE(std::abs(ours[i].box.bottom() - style[i].box.bottom()), 1);
        EXPECT_LE(distance(ours[i].colour.rgb(), style[i].colour.rgb()), 90)
            << ours[i].colour.name().toStdString() << " / " << style[i].colour.name().toStdString();
    }
}

} // namespace
