#pragma once

#include <QString>
#include <stdexcept>

// An error the user is told about in a message box; the action that raised it stops there.
class UserVisibleError : public std::runtime_error {
public:
    explicit UserVisibleError(const QString &text)
        : std::runtime_error(text.toStdString()), m_text(text) {}
    const QString &text() const { return m_text; }

private:
    QString m_text;
};

// The database refused a statement or could not be opened.
class DbError : public UserVisibleError {
public:
    // What stands behind the error, where the user can do something about it.
    enum class Cause {
        Other,    // a statement the engine refused, a missing file, a wrong file
        Locked,   // another program holds the file
        ReadOnly, // the file cannot be written to
        DiskFull, // no room left for the file to grow
        Damaged,  // the file's content is broken
    };
    explicit DbError(const QString &text, Cause cause = Cause::Other) : UserVisibleError(text), m_cause(cause) {}
    Cause cause() const { return m_cause; }

private:
    Cause m_cause;
};

// A field's text is not a number (or not a date) where one is needed.
class ConversionError : public UserVisibleError {
public:
    using UserVisibleError::UserVisibleError;
};
