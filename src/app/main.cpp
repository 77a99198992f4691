#include "common/layoutstore.h"
#include "app/mainwindow.h"
#include "common/settings.h"
#include "app/startup.h"
#include "common/version.h"
#include "app/windowset.h"
#include "common/appcontext.h"
#include "common/clock.h"
#include "common/guard.h"
#include "common/desktop.h"
#include "common/messages.h"
#include "common/printing.h"
#include "common/shopevents.h"
#include "data/database.h"
#include "data/datamodule.h"
#include "maintenance/automaticbackups.h"

#include <QApplication>
#include <QDir>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("tolvane"));
    installFontSubstitutions();
    const bool createWithoutAsking = QApplication::arguments().contains(QStringLiteral("--create-db"));

    Database db;
    DataModule data(db);
    Settings settings;
    LayoutStore layouts(Settings::defaultFolder());
    DialogMessages messages;
    SystemClock clock;
    SystemDesktop desktop;
    SystemPrinting printing(desktop, QDir::current().filePath(QStringLiteral("打印")));
    ShopEvents events;
    AppContext ctx{db, data, settings, layouts, messages, clock, printing, desktop, events, {}};

    bool opened = false;
    const auto windows = createWindowSet(ctx, [&] { opened = openShopDatabase(db, messages, createWithoutAsking); });
    if (!opened)
        return 1;
    windows->main->show();
    const int status = QApplication::exec();
    // A normal close after a login keeps a copy of the day's work among the automatic backups.
    if (status == 0 && ctx.session.loginNumber != 0 && db.isOpen())
        guarded(messages, [&] { automaticbackups::write(db.fileName(), clock.now()); });
    return status;
}
