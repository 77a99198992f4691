#pragma once

#include <QString>

class Messages;

// The preferences and running counters of the program (skin, alarm number, order counter, last
// sale date, receipt texts, backup path, hidden columns). Kept as text values in one ini file.
// Every read and write opens the file by itself; a read never creates it, a write does, and a
// missing file or value reads as empty text.
class Settings {
public:
    // `folder` holds the store; by default the user's config folder.
    explicit Settings(QString folder = defaultFolder());

    static QString defaultFolder();
    QString fileName() const;

    bool exists() const;
    QString read(const QString &name) const;
    // False when the value could not be stored (the folder or file is not writable).
    bool write(const QString &name, const QString &value);

private:
    QString m_folder;
};

// Writes one value; when it cannot be stored the user is told which file could not be written.
// Returns whether the value was stored.
bool storeSetting(Settings &settings, Messages &messages, const QString &name, const QString &value);
