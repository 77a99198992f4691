#pragma once

#include "common/appcontext.h"
#include "common/desktop.h"
#include "common/layoutstore.h"
#include "common/printing.h"
#include "common/settings.h"
#include "common/shopevents.h"
#include "data/database.h"
#include "data/datamodule.h"

#include <QTemporaryDir>

// The services a window needs, on one shop file, for a benchmark: the settings and layouts in a
// folder of their own, the benchmark's messages, clock and desktop, the system's printing, and the
// superadministrator logged in. A benchmark's shop derives from it and adds its windows.
template <class BenchMessages, class BenchClock, class BenchDesktop = SystemDesktop>
struct BenchContext {
    QTemporaryDir config;
    Database db;
    DataModule data;
    Settings settings;
    LayoutStore layouts;
    BenchMessages messages;
    BenchClock clock;
    BenchDesktop desktop;
    SystemPrinting printing;
    ShopEvents events;
    AppContext ctx;

    explicit BenchContext(const QString &file)
        : db(file),
          data((db.open(), db)),
          settings(config.path()),
          layouts(config.path()),
          printing(desktop, clock, config.path()),
          ctx{db, data, settings, layouts, messages, clock, printing, desktop, events, {}}
    {
        ctx.session.userName = Session::superAdminName();
    }
};
