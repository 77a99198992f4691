#include "counter/labels/labelprintdialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

LabelPrintDialog::LabelPrintDialog(QWidget *parent)
    : QDialog(parent),
      m_byStock(new QRadioButton(QStringLiteral("按库存"), this)),
      m_fixed(new QRadioButton(QStringLiteral("固定"), this)),
      m_count(new QSpinBox(this)),
      m_size(new QComboBox(this))
{
    setObjectName(QStringLiteral("LabelPrintDialog"));
    setWindowTitle(QStringLiteral("标签打印"));
    m_byStock->setObjectName(QStringLiteral("byStock"));
    m_fixed->setObjectName(QStringLiteral("fixed"));
    m_count->setObjectName(QStringLiteral("count"));
    m_size->setObjectName(QStringLiteral("size"));
    m_byStock->setChecked(true);
    m_byStock->setToolTip(QStringLiteral("每行打印的张数等于它的库存数量，库存为 0 的行不打印"));
    m_count->setRange(1, kMostPerRow);
    m_count->setSuffix(QStringLiteral(" 张"));
    m_count->setEnabled(false);
    connect(m_fixed, &QRadioButton::toggled, m_count, &QSpinBox::setEnabled);
    for (const LabelSize &size : LabelSize::common())
        m_size->addItem(size.text());

    auto *count = new QHBoxLayout;
    count->addWidget(m_byStock);
    count->addWidget(m_fixed);
    count->addWidget(m_count);
    count->addStretch();
    auto *form = new QFormLayout;
    form->addRow(QStringLiteral("每行张数："), count);
    form->addRow(QStringLiteral("标签尺寸："), m_size);

    auto *buttons = new QDialogButtonBox(this);
    buttons->addButton(QStringLiteral("打印预览"), QDialogButtonBox::AcceptRole);
    buttons->addButton(QStringLiteral("取消"), QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
}

LabelOptions LabelPrintDialog::options() const
{
    LabelOptions options;
    options.byStock = m_byStock->isChecked();
    options.fixedCount = m_count->value();
    options.size = LabelSize::common().value(m_size->currentIndex(), LabelSize::common().first());
    return options;
}

std::optional<LabelOptions> LabelPrintDialog::ask(QWidget *parent)
{
    LabelPrintDialog dialog(parent);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.options();
}
