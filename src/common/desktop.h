#pragma once

#include <QString>
#include <QStringList>
#include <QUrl>

// What the program asks of the desktop it runs on: open a file or address, start a helper
// program, and keep a desktop shortcut.
class Desktop {
public:
    virtual ~Desktop() = default;
    // Opens a file or web address with its associated program; false when nothing could open it.
    virtual bool openUrl(const QUrl &url) = 0;
    // Starts the first of the candidate programs that exists; false when none started.
    virtual bool startProgram(const QStringList &candidates) = 0;
    // The folder desktop shortcuts go into.
    virtual QString desktopFolder() const = 0;
};

class SystemDesktop : public Desktop {
public:
    bool openUrl(const QUrl &url) override;
    bool startProgram(const QStringList &candidates) override;
    QString desktopFolder() const override;
};
