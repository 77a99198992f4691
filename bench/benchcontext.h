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
#include <memory>

// The services a window needs, on one shop file (or server database), for a benchmark: the settings and layouts in a
// folder of their own, the benchmark's messages, clock and desktop, the system's printing, and the
// superadministrator logged in. A benchmark's shop derives from it and adds its windows.
template <class BenchMessages, class BenchClock, class BenchDesktop = SystemDesktop>
struct BenchContext {
    QTemporaryDir config;
    std::unique_ptr<Database> owned;
    Database &db;
    DataModule data;
    Settings settings;
    LayoutStore layouts;
    BenchMessages messages;
    BenchClock clock;
    BenchDesktop desktop;
    SystemPrinting printing;
    ShopEvents events;
    AppContext ctx;

    explicit BenchContext(const QString &file) : BenchContext(std::make_unique<Database>(file)) {}
    // The same shop on a database server.
    explicit BenchContext(const ServerAddress &server) : BenchContext(std::make_unique<Database>(server)) {}
    explicit BenchContext(std::unique_ptr<Database> database)
        : owned(std::move(database)),
          db(*owned),
          data((db.open(), db)),
          settings(config.path()),
          layouts(config.path()),
          printing(desktop, clock, config.path()),
          ctx{db, data, settings, layouts, messages, clock, printing, desktop, events, {}}
    {
        ctx.session.userName = Session::superAdminName();
    }
};
