#include "stock/stockqueryview.h"

StockQueryView::StockQueryView(AppContext &ctx, MainWindow &main) : m_ctx(ctx), m_main(main) {}
