#include "app/aboutbox.h"

#include "common/version.h"

#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

AboutBox::AboutBox(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("TAboutBox"));
    setWindowTitle(QStringLiteral("关于软件..."));
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("<h3>%1</h3><p>版本 %2</p><p>服装店进货、销售、库存管理。</p>")
                                     .arg(QString::fromUtf8(version::kTitle), QString::fromUtf8(version::kVersion))));
    auto *ok = new QPushButton(QStringLiteral("确 定"));
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    layout->addWidget(ok, 0, Qt::AlignRight);
}
