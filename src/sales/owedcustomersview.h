#pragma once

#include "data/dataset.h"
#include "sales/owedcustomers.h"

#include <QWidget>
#include <optional>

class Database;
class Grid;

// The grid of customers who owe money, over a result of its own. Reading it again keeps the
// customer that was current, so coming back from a customer's lines finds the same line.
class OwedCustomersView : public QWidget {
    Q_OBJECT
public:
    explicit OwedCustomersView(Database &db, QWidget *parent = nullptr);

    Grid *grid() const { return m_grid; }
    const Dataset &customers() const { return m_customers; }

    // Reads the customers again, largest total first; the customer that was current (or `keep`,
    // when given) stays current while still listed, otherwise the first one is.
    void load(const std::optional<OwedCustomer> &keep = std::nullopt);
    void close();
    // The current customer, none when the listing is empty.
    std::optional<OwedCustomer> currentCustomer() const;

signals:
    // A customer was double-clicked or asked for with Enter: their owed lines are to be listed.
    void customerOpened(const OwedCustomer &customer);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void open(int row);

    Dataset m_customers;
    Grid *m_grid = nullptr;
};
