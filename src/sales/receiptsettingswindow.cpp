#include "sales/receiptsettingswindow.h"

#include "common/settings.h"
#include "common/version.h"
#include "common/appcontext.h"
#include "common/messages.h"
#include "sales/thermalreceipt.h"

#include <QCheckBox>
#include <QComboBox>
#include <QSpinBox>

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

// A drop-down of captions, each standing for the stored text beside it.
QComboBox *choices(QWidget *parent, std::initializer_list<std::pair<const char *, const char *>> items)
{
    auto *box = new QComboBox(parent);
    for (auto [caption, stored] : items)
        box->addItem(QString::fromUtf8(caption), QString::fromLatin1(stored));
    return box;
}

// The stored text of a printer field, and setting it; a text the field cannot show leaves it.
QString fieldText(const QWidget *field)
{
    if (auto *box = qobject_cast<const QComboBox *>(field))
        return box->currentData().toString();
    if (auto *edit = qobject_cast<const QLineEdit *>(field))
        return edit->text().trimmed();
    if (auto *spin = qobject_cast<const QSpinBox *>(field))
        return QString::number(spin->value());
    if (auto *check = qobject_cast<const QCheckBox *>(field))
        return check->isChecked() ? QStringLiteral("yes") : QStringLiteral("no");
    return {};
}

void setFieldText(QWidget *field, const QString &text)
{
    if (auto *box = qobject_cast<QComboBox *>(field)) {
        if (const int i = box->findData(text); i >= 0)
            box->setCurrentIndex(i);
    } else if (auto *edit = qobject_cast<QLineEdit *>(field)) {
        edit->setText(text);
    } else if (auto *spin = qobject_cast<QSpinBox *>(field)) {
        bool ok = false;
        const int value = text.toInt(&ok);
        if (ok && value >= spin->minimum() && value <= spin->maximum())
            spin->setValue(value);
    } else if (auto *check = qobject_cast<QCheckBox *>(field)) {
        check->setChecked(text == QLatin1String("yes"));
    }
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

    // The texts on the left, the receipt printer on the right: the window fits a low screen.
    auto *layout = new QVBoxLayout(this);
    auto *columns = new QHBoxLayout;
    auto *texts = new QVBoxLayout;
    columns->addLayout(texts);
    layout->addLayout(columns);
    texts->addWidget(group(QStringLiteral("POS小票设置"), receiptTexts()));
    QGroupBox *noteGroup = group(QStringLiteral("销售单设置"), noteTexts());
    auto *note = new QLabel(QStringLiteral("说明：宣传语1不填写，销售单可以不打印此项"), noteGroup);
    note->setObjectName(QStringLiteral("noteHint"));
    static_cast<QFormLayout *>(noteGroup->layout())->addRow(note);
    texts->addWidget(noteGroup);
    auto *companyForm = new QFormLayout;
    addField(companyForm, companyText());
    texts->addLayout(companyForm);
    texts->addStretch();
    auto *printer = new QVBoxLayout;
    printer->addWidget(printerGroup());
    printer->addStretch();
    columns->addLayout(printer);

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

// "小票打印机设置": the way receipts are printed and, for a thermal receipt printer, where it is
// reached, its paper and the cash drawer.
QWidget *ReceiptSettingsWindow::printerGroup()
{
    auto *box = new QGroupBox(QStringLiteral("小票打印机设置"), this);
    auto *form = new QFormLayout(box);
    auto *device = new QLineEdit(box);
    device->setPlaceholderText(QStringLiteral("例如 /dev/usb/lp0 或 /dev/ttyUSB0"));
    auto *baud = choices(box, {{"9600", "9600"}, {"19200", "19200"}, {"38400", "38400"}, {"57600", "57600"},
                               {"115200", "115200"}});
    auto *host = new QLineEdit(box);
    host->setPlaceholderText(QStringLiteral("例如 192.168.1.100"));
    auto *port = new QSpinBox(box);
    port->setRange(1, 65535);
    const std::pair<QString, QWidget *> rows[] = {
        {QStringLiteral("打印方式："), choices(box, {{"系统打印机", "system"}, {"小票打印机", "thermal"}})},
        {QStringLiteral("连接方式："), choices(box, {{"USB打印口", "usb"}, {"串口", "serial"}, {"网络打印机", "network"}})},
        {QStringLiteral("设备："), device},
        {QStringLiteral("波特率："), baud},
        {QStringLiteral("网络地址："), host},
        {QStringLiteral("端口："), port},
        {QStringLiteral("纸宽："), choices(box, {{"58毫米（每行32个字符）", "58"}, {"80毫米（每行48个字符）", "80"}})},
        {QString(), new QCheckBox(QStringLiteral("打开钱箱（收到现金的小票打印时弹开钱箱）"), box)},
    };
    const QStringList names = receipt::PrinterChoice::names();
    for (int i = 0; i < names.size(); ++i) {
        QWidget *field = rows[i].second;
        field->setObjectName(names.at(i));
        form->addRow(rows[i].first, field);
        m_printerFields.insert(names.at(i), field);
    }
    const receipt::PrinterChoice defaults;
    for (const QString &name : names)
        setFieldText(m_printerFields.value(name), defaults.text(name));
    for (const QString &name : {names.at(0), names.at(1)})
        connect(static_cast<QComboBox *>(m_printerFields.value(name)), &QComboBox::currentIndexChanged, this,
                &ReceiptSettingsWindow::enablePrinterFields);
    enablePrinterFields();
    return box;
}

// Only the fields of the chosen way of printing and connection can be edited.
void ReceiptSettingsWindow::enablePrinterFields()
{
    const receipt::PrinterChoice c = receipt::PrinterChoice::fromTexts([this](const QString &n) { return text(n); });
    const bool network = c.port.kind == PrinterPort::Kind::Network;
    const QStringList names = receipt::PrinterChoice::names();
    const bool enabled[] = {true, c.thermal, c.thermal && !network,
                            c.thermal && c.port.kind == PrinterPort::Kind::Serial, c.thermal && network,
                            c.thermal && network, c.thermal, c.thermal};
    for (int i = 0; i < names.size(); ++i)
        m_printerFields.value(names.at(i))->setEnabled(enabled[i]);
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
    if (const QWidget *printerField = m_printerFields.value(name))
        return fieldText(printerField);
    const QLineEdit *field = m_fields.value(name);
    return field ? field->text() : QString();
}

void ReceiptSettingsWindow::setText(const QString &name, const QString &text)
{
    if (QWidget *printerField = m_printerFields.value(name))
        setFieldText(printerField, text);
    else if (QLineEdit *field = m_fields.value(name))
        field->setText(text);
}

void ReceiptSettingsWindow::loadFromSettings()
{
    if (!m_ctx.settings.exists())
        return;
    for (const QString &name : receipt::PrinterChoice::names()) {
        if (const QString stored = m_ctx.settings.read(name); !stored.isEmpty())
            setText(name, stored);
    }
    if (m_ctx.settings.read(QStringLiteral("pos1")).isEmpty())
        return;
    for (const QString &name : names())
        setText(name, m_ctx.settings.read(name));
}

void ReceiptSettingsWindow::save()
{
    if (text(QStringLiteral("posprinter")) == QLatin1String("thermal")) {
        const bool network = text(QStringLiteral("posport")) == QLatin1String("network");
        const QString field = network ? QStringLiteral("poshost") : QStringLiteral("posdevice");
        if (text(field).isEmpty()) {
            m_ctx.messages.warning(network ? QStringLiteral("请填写网络打印机的地址")
                                           : QStringLiteral("请填写小票打印机的设备，例如 /dev/usb/lp0"));
            m_printerFields.value(field)->setFocus();
            return;
        }
    }
    for (const QString &name : names() + receipt::PrinterChoice::names()) {
        if (!storeSetting(m_ctx.settings, m_ctx.messages, name, text(name)))
            return;
    }
    m_ctx.messages.info(QStringLiteral("已保存成功！"));
    close();
}
