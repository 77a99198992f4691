#include "common/messages.h"

#include "common/version.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QRegularExpression>

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
    QFileDialog dialog(owner(), caption, dir, filter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    // The callers ask their own overwrite question.
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    // A name typed without an extension gets the one of the chosen file type.
    const auto suffixOf = [](const QString &nameFilter) {
        static const QRegularExpression pattern(QStringLiteral("\\*\\.([A-Za-z0-9]+)"));
        return pattern.match(nameFilter).captured(1);
    };
    dialog.setDefaultSuffix(suffixOf(filter.section(QStringLiteral(";;"), 0, 0)));
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog,
                     [&](const QString &chosen) { dialog.setDefaultSuffix(suffixOf(chosen)); });
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}
