#pragma once

#include <QString>

// Every message box and file dialog the program shows goes through this service, so a window can
// be driven by a test that reads what the user would have seen and answers for the user.
class Messages {
public:
    virtual ~Messages() = default;

    // A plain box with OK: results and most refusals.
    virtual void info(const QString &text) = 0;
    // A warning box with OK, e.g. naming a required field that is empty.
    virtual void warning(const QString &text) = 0;
    // A warning box with OK and Cancel, Cancel being the default. True when OK was chosen.
    virtual bool confirmOkCancel(const QString &title, const QString &text) = 0;
    // A question with Yes and No. True when Yes was chosen.
    virtual bool confirmYesNo(const QString &title, const QString &text) = 0;
    // An error of the database or of a conversion: the action has stopped.
    virtual void error(const QString &text) = 0;
    // File dialogs; an empty result means the user cancelled.
    virtual QString openFileName(const QString &caption, const QString &dir, const QString &filter) = 0;
    virtual QString saveFileName(const QString &caption, const QString &dir, const QString &filter) = 0;
};

// The real boxes, parented to the active window.
class DialogMessages : public Messages {
public:
    void info(const QString &text) override;
    void warning(const QString &text) override;
    bool confirmOkCancel(const QString &title, const QString &text) override;
    bool confirmYesNo(const QString &title, const QString &text) override;
    void error(const QString &text) override;
    QString openFileName(const QString &caption, const QString &dir, const QString &filter) override;
    QString saveFileName(const QString &caption, const QString &dir, const QString &filter) override;
};
