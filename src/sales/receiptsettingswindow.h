#pragma once

#include <QDialog>
#include <QHash>
#include <QStringList>

struct AppContext;
class QComboBox;
class QLineEdit;

// "销售单小票设置": the nine texts printed on the till receipt and the sales note, and how the
// receipt is printed (the system's printer, or a thermal receipt printer with its device, paper
// width and cash drawer). The printing code reads the window's fields, so an edited text or
// choice prints even before it is saved.
class ReceiptSettingsWindow : public QDialog {
    Q_OBJECT
public:
    ReceiptSettingsWindow(AppContext &ctx, QWidget *parent = nullptr);

    // The settings names of the nine texts, in the order they are shown and saved:
    // pos1 … pos4 (receipt), dan1 … dan4 (sales note), company.
    static QStringList names();
    static QString defaultText(const QString &name);

    // The current text of one field, e.g. text("pos1") is the receipt title; the printer's
    // fields by the names of receipt::PrinterChoice ("posprinter" …) as they are stored.
    QString text(const QString &name) const;
    void setText(const QString &name, const QString &text);

    // Loads the nine texts from the settings when a receipt title has been saved before;
    // otherwise every field keeps its default. The printer's fields load by themselves.
    void loadFromSettings();
    // "保存": checks the printer's fields, writes all texts, reports it and closes the window.
    void save();

private:
    QWidget *printerGroup();
    void enablePrinterFields();

    AppContext &m_ctx;
    QHash<QString, QLineEdit *> m_fields;
    QHash<QString, QWidget *> m_printerFields; // QComboBox, QLineEdit, QSpinBox or QCheckBox
};
