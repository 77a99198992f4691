#include "common/messages.h"

#include "common/version.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>

namespace {
QWidget *owner() { return QApplication::activeWindow(); }
QString appTitle() { return version::caption(); }
} // namespace

void DialogMessages::info(const QString &text)
{
    QMessageBox::information(owner(), appTitle(), text);
}

void DialogMessages::warning(const QString &text)
{
    QMessageBox::warning(owner(), appTitle(), text);
}

bool DialogMessages::confirmOkCancel(const QString &title, const QString &text)
{
    return QMessageBox::warning(owner(), title, text, QMessageBox::Ok | QMessageBox::Cancel,
                                QMessageBox::Cancel) == QMessageBox::Ok;
}

bool DialogMessages::confirmYesNo(const QString &title, const QString &text)
{
    return QMessageBox::question(owner(), title, text, QMessageBox::Yes | QMessageBox::No,
                                 QMessageBox::No) == QMessageBox::Yes;
}

void DialogMessages::error(const QString &text)
{
    QMessageBox::critical(owner(), appTitle(), text);
}

QString DialogMessages::openFileName(const QString &caption, const QString &dir, const QString &filter)
{
    return QFileDialog::getOpenFileName(owner(), caption, dir, filter);
}

QString DialogMessages::saveFileName(const QString &caption, const QString &dir, const QString &filter)
{
    return QFileDialog::getSaveFileName(owner(), caption, dir, filter);
}
