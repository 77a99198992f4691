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
    using UserVisibleError::UserVisibleError;
};

// A field's text is not a number (or not a date) where one is needed.
class ConversionError : public UserVisibleError {
public:
    using UserVisibleError::UserVisibleError;
};
