#include "sales/receiptsettingswindow.h"

#include "common/settings.h"
#include "common/version.h"
#include "common/appcontext.h"
#include "common/messages.h"

#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

namespace {

struct TextSetting {
    const char *name;
    const char *caption;
    QString defaultText;
};

QString webAddressLine()
{
    QString host = QString::fromUtf8(version::kWebAddress);
    host.remove(QStringLiteral("https://"));
    return QStringLiteral("官网：") + host;
}

const QList<TextSetting> &receiptTexts()
{
    static const QList<TextSetting> texts = {
        {"pos1", "小票标题：", QStringLiteral("POS小票销售单")},
        {"pos2", "宣传语1：", QStringLiteral("Tolvane进销存软件提供技术支持")},
        {"pos3", "宣传语2：", webAddressLine()},
        {"pos4", "结束语：", QStringLiteral("欢迎下次惠顾！")},
    };
    return texts;
}

const QList<TextSetting> &noteTexts()
{
    static const QList<TextSetting> texts = {
        {"dan1", "销售单表头：", QStringLiteral("Velmora软件销售单")},
        {"dan2", "联系地址电话：", QStringLiteral("客服电话：000-00000000  客服QQ：000000")},
        {"dan3", "宣传语1：", QStringLiteral("品质服装，诚信经营，欢迎选购！")},
        {"dan4", "宣传语2：", webAddressLine()},
    };
    return texts;
}

const TextSetting &companyText()
{
    static const TextSetting text{"company", "公司(店铺)名称：", QStringLiteral("Velmora软件")};
    return text;
}

QList<TextSetting> allTexts()
{
    return receiptTexts() + noteTexts() + QList<TextSetting>{companyText()};
}

} // namespace

ReceiptSettingsWindow::ReceiptSettingsWindow(AppContext &ctx, QWidget *parent) : QDialog(parent), m_ctx(ctx)
{
    setObjectName(QStringLiteral("Tpos"));
    setWindowTitle(QStringLiteral("销售单小票设置"));

    auto addField = [this](QFormLayout *form, const TextSetting &setting) {
        auto *field = new QLineEdit(setting.defaultText, this);
        field->setObjectName(QString::fromLatin1(setting.name));
        field->setMinimumWidth(300);
        form->addRow(QString::fromUtf8(setting.caption), field);
        m_fields.insert(QString::fromLatin1(setting.name), field);
    };
    auto group = [&](const QString &title, const QList<TextSetting> &texts) {
        auto *box = new QGroupBox(title, this);
        auto *form = new QFormLayout(box);
        for (const TextSetting &setting : texts)
            addField(form, setting);
        return box;
    };

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(group(QStringLiteral("POS小票设置"), receiptTexts()));
    QGroupBox *noteGroup = group(QStringLiteral("销售单设置"), noteTexts());
    auto *note = new QLabel(QStringLiteral("说明：宣传语1不填写，销售单可以不打印此项"), noteGroup);
    note->setObjectName(QStringLiteral("noteHint"));
    static_cast<QFormLayout *>(noteGroup->layout())->addRow(note);
    layout->addWidget(noteGroup);
    auto *companyForm = new QFormLayout;
    addField(companyForm, companyText());
    layout->addLayout(companyForm);

    auto *saveButton = new QPushButton(style()->standardIcon(QStyle::SP_DialogSaveButton), QStringLiteral("保存"), this);
    saveButton->setObjectName(QStringLiteral("saveButton"));
    saveButton->setIconSize(QSize(24, 24));
    saveButton->setAutoDefault(false);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(saveButton);
    layout->addLayout(buttons);
    connect(saveButton, &QPushButton::clicked, this, &ReceiptSettingsWindow::save);
}

QStringList ReceiptSettingsWindow::names()
{
    QStringList list;
    for (const TextSetting &setting : allTexts())
        list << QString::fromLatin1(setting.name);
    return list;
}

QString ReceiptSettingsWindow::defaultText(const QString &name)
{
    for (const TextSetting &setting : allTexts()) {
        if (name == QLatin1String(setting.name))
            return setting.defaultText;
    }
    return {};
}

QString ReceiptSettingsWindow::text(const QString &name) const
{
    const QLineEdit *field = m_fields.value(name);
    return field ? field->text() : QString();
}

void ReceiptSettingsWindow::setText(const QString &name, const QString &text)
{
    if (QLineEdit *field = m_fields.value(name))
        field->setText(text);
}

void ReceiptSettingsWindow::loadFromSettings()
{
    if (!m_ctx.settings.exists() || m_ctx.settings.read(QStringLiteral("pos1")).isEmpty())
        return;
    for (const QString &name : names())
        setText(name, m_ctx.settings.read(name));
}

void ReceiptSettingsWindow::save()
{
    for (const QString &name : names()) {
        if (!storeSetting(m_ctx.settings, m_ctx.messages, name, text(name)))
            return;
    }
    m_ctx.messages.info(QStringLiteral("已保存成功！"));
    close();
}
