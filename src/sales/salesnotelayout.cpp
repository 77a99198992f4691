#include "sales/salesnotelayout.h"

#include "common/appcontext.h"
#include "common/clock.h"
#include "common/guard.h"
#include "common/printing.h"
#include "data/dataset.h"
#include "sales/salesnotejob.h"

SalesNoteLayout::SalesNoteLayout(AppContext &ctx, QObject *parent) : QObject(parent), m_ctx(ctx)
{
    setObjectName(QStringLiteral("Tform22"));
}

void SalesNoteLayout::previewOrder(const QString &orderNumber)
{
    guarded(m_ctx.messages, [&] {
        // Exactly the lines of this order: a longer number that contains it is another order.
        Dataset lines(m_ctx.db, QStringLiteral("SalesNoteLines"));
        lines.open(Statement(QStringLiteral("select * from data1 where z=? order by ID"), {orderNumber.trimmed()}));
        const salesnote::Content note =
            salesnote::fill(lines, orderNumber, m_ctx.clock.today(), m_ctx.session.userName, m_texts);
        lines.close();
        if (const auto printed = m_ctx.printing.preview(salesnote::job(note)))
            Printing::report(m_ctx.messages, QStringLiteral("销售单"), *printed);
    });
}

void SalesNoteLayout::previewPickedOrder(const QString &orderNumber)
{
    if (orderNumber.trimmed().isEmpty()) {
        m_ctx.messages.info(QStringLiteral("点选要打印的某行记录"));
        return;
    }
    previewOrder(orderNumber);
}
