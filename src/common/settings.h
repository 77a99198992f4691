#pragma once

#include <QHash>
#include <QString>

class Messages;

// The preferences and running counters of the program (skin, alarm number, order counter, last
// sale date, receipt texts, backup path, hidden columns). Kept as text values in one ini file.
// Every read and write opens the file by itself; a read never creates it, a write does, and a
// missing file or value reads as empty text. A value that could not be stored (the folder is
// read-only, the disk full) is kept for the rest of the run, so the program goes on with it.
class Settings {
public:
    // `folder` holds the store; by default the user's config folder.
    explicit Settings(QString folder = defaultFolder());

    static QString defaultFolder();
    QString fileName() const;

    bool exists() const;
    QString read(const QString &name) const;
    // False when the value could not be stored (the folder or file is not writable); reads of
    // this run then give the value all the same.
    bool write(const QString &name, const QString &value);

    // True the first time it is asked after a write failed, false ever after: a store that cannot
    // be written is told once per run, not at every sale.
    bool firstFailureToTell();

private:
    bool store(const QString &name, const QString &value);

    QString m_folder;
    QHash<QString, QString> m_unstored; // values of this run that the file could not take
    bool m_failureTold = false;
};

// Writes one value; when it cannot be stored the user is told which file could not be written
// (once per run: later failures keep their values for the run without a word). Returns whether
// the value was stored.
bool storeSetting(Settings &settings, Messages &messages, const QString &name, const QString &value);
