#pragma once

#include <QDialog>
#include <QHash>
#include <QStringList>

struct AppContext;
class QLineEdit;

// "销售单小票设置": the nine texts printed on the till receipt and the sales note. The printing
// code reads the window's fields, so an edited text prints even before it is saved.
class ReceiptSettingsWindow : public QDialog {
    Q_OBJECT
public:
    ReceiptSettingsWindow(AppContext &ctx, QWidget *parent = nullptr);

    // The settings names of the nine texts, in the order they are shown and saved:
    // pos1 … pos4 (receipt), dan1 … dan4 (sales note), company.
    static QStringList names();
    static QString defaultText(const QString &name);

    // The current text of one field, e.g. text("pos1") is the receipt title.
    QString text(const QString &name) const;
    void setText(const QString &name, const QString &text);

    // Loads the nine texts from the settings when a receipt title has been saved before;
    // otherwise every field keeps its default.
    void loadFromSettings();
    // "保存": writes all nine texts, reports it and closes the window.
    void save();

private:
    AppContext &m_ctx;
    QHash<QString, QLineEdit *> m_fields;
};
