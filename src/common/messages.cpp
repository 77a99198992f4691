#include "common/messages.h"

#include "common/version.h"

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QFileDialog>
#include <QMessageBox>
#include <QRegularExpression>

namespace {
QWidget *owner() { return QApplication::activeWindow(); }
QString appTitle() { return version::caption(); }

// Lets a box's buttons take no click until a double-click interval after the box has shown: the
// second click of a double click that opened the box (it opens under the pointer) answers nothing.
class LateClickGuard : public QObject {
public:
    explicit LateClickGuard(QMessageBox &box) : QObject(&box)
    {
        for (QAbstractButton *button : box.buttons())
            button->installEventFilter(this);
        box.installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Show && qobject_cast<QMessageBox *>(watched))
            m_shown.start();
        const bool click = event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonRelease ||
                           event->type() == QEvent::MouseButtonDblClick;
        return click && (!m_shown.isValid() || m_shown.elapsed() < QApplication::doubleClickInterval());
    }

private:
    QElapsedTimer m_shown;
};
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
    // "否" is the default, and a click that arrives as the box opens answers nothing: no question
    // (a restore, a deletion) is answered by the gesture that asked it.
    QMessageBox box(QMessageBox::Question, title, text, QMessageBox::Yes | QMessageBox::No, owner());
    box.setDefaultButton(QMessageBox::No);
    new LateClickGuard(box);
    return box.exec() == QMessageBox::Yes;
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
