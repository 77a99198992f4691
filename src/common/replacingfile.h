#pragma once

#include <QString>

// A file written beside its target under a hidden temporary name and put in place by one rename
// once it is complete: a write that fails half-way (folder not writable, disk full) leaves neither
// a partial file nor a damaged old one behind. The temporary file is removed unless committed.
class ReplacingFile {
public:
    explicit ReplacingFile(QString target);
    ~ReplacingFile();
    ReplacingFile(const ReplacingFile &) = delete;
    ReplacingFile &operator=(const ReplacingFile &) = delete;

    // Creates the temporary file in the target's folder.
    bool create();
    QString temporaryName() const { return m_temporary; }
    QString target() const { return m_target; }

    // Writes `bytes` to the end of the temporary file in one go, without buffering.
    bool write(const QByteArray &bytes);
    // Flushes the temporary file to the disk and renames it over the target.
    bool commit();

    // Why the last step failed, in words for the user.
    QString error() const { return m_error; }
    // Records a failure of a step done by someone else on the temporary file (errno tells why).
    void fail(int errnoValue, const QString &fallback = {});

private:
    QString m_target;
    QString m_temporary;
    int m_fd = -1;
    bool m_committed = false;
    QString m_error;
};

// Why a file operation failed, from its errno, in words for the user; `fallback` when the number
// says nothing useful.
QString fileErrorReason(int errnoValue, const QString &fallback = {});
