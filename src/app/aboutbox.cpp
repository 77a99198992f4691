#include "app/aboutbox.h"

#include "common/version.h"

#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

AboutBox::AboutBox(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("TAboutBox"));
    setWindowTitle(QStringLiteral("关于软件..."));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(24, 20, 24, 16);
    auto *text = new QLabel(QStringLiteral("<h3>%1</h3>"
                                           "<p>版本：%2</p>"
                                           "<p>服装店的入库、销售、收银小票、销售统计和库存管理。</p>"
                                           "<p>官方网站：%3<br>%4</p>")
                                .arg(QString::fromUtf8(version::kTitle), QString::fromUtf8(version::kVersion),
                                     QString::fromUtf8(version::kWebAddress), QString::fromUtf8(version::kContact)));
    text->setObjectName(QStringLiteral("aboutText"));
    text->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(text);
    auto *ok = new QPushButton(QStringLiteral("确 定"));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    layout->addWidget(ok, 0, Qt::AlignRight);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}
