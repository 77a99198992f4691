#include "sales/salesnotelayout.h"

SalesNoteLayout::SalesNoteLayout(AppContext &ctx, QObject *parent) : QObject(parent), m_ctx(ctx)
{
    setObjectName(QStringLiteral("Tform22"));
}
