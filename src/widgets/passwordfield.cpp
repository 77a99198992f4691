#include "widgets/passwordfield.h"

#include <QRegularExpressionValidator>

PasswordField::PasswordField(QWidget *parent) : QLineEdit(parent)
{
    setEchoMode(QLineEdit::Password);
    setStyleSheet(QStringLiteral("lineedit-password-character: 42;")); // "*"
    setMaxLength(kMaxLength);
    setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[A-Za-z0-9]*")), this));
}
