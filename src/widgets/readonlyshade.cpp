#include "widgets/readonlyshade.h"

#include <QApplication>
#include <QEvent>
#include <QLineEdit>

namespace {

class ReadOnlyShade : public QObject {
public:
    explicit ReadOnlyShade(QLineEdit *field) : QObject(field), m_field(field) { shade(); }

    bool eventFilter(QObject *, QEvent *event) override
    {
        switch (event->type()) {
        case QEvent::ReadOnlyChange:
        case QEvent::ApplicationPaletteChange:
        case QEvent::PaletteChange:
        case QEvent::ParentChange:
            shade();
            break;
        default:
            break;
        }
        return false;
    }

private:
    void shade()
    {
        if (m_shading)
            return;
        m_shading = true;
        // The surroundings' colours, not the field's own: Base is the one role the field sets.
        const QPalette around =
            m_field->parentWidget() ? m_field->parentWidget()->palette() : QApplication::palette(m_field);
        QPalette own;
        own.setColor(QPalette::Base, around.color(m_field->isReadOnly() ? QPalette::Window : QPalette::Base));
        m_field->setPalette(own);
        m_shading = false;
    }

    QLineEdit *m_field;
    bool m_shading = false;
};

} // namespace

void shadeWhileReadOnly(QLineEdit *field)
{
    field->installEventFilter(new ReadOnlyShade(field));
}
