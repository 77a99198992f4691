#pragma once

#include "counter/labels/hangtaglayout.h"

#include <QDialog>
#include <optional>

class QComboBox;
class QRadioButton;
class QSpinBox;

// What the user chose for a run of labels.
struct LabelOptions {
    bool byStock = true; // as many labels per row as its stock; otherwise `fixedCount` each
    int fixedCount = 1;
    LabelSize size;
};

// "标签打印": how many labels per row (按库存 or 固定 N) and the label size.
class LabelPrintDialog : public QDialog {
    Q_OBJECT
public:
    explicit LabelPrintDialog(QWidget *parent = nullptr);
    LabelOptions options() const;
    // Shows the dialog; nothing when it was cancelled.
    static std::optional<LabelOptions> ask(QWidget *parent);

    static constexpr int kMostPerRow = 999;

private:
    QRadioButton *m_byStock;
    QRadioButton *m_fixed;
    QSpinBox *m_count;
    QComboBox *m_size;
};
