#include "app/chineselocale.h"
#include "common/layoutstore.h"
#include "app/healthgate.h"
#include "app/mainwindow.h"
#include "common/settings.h"
#include "app/startup.h"
#include "common/version.h"
#include "app/windowset.h"
#include "common/appcontext.h"
#include "common/clock.h"
#include "common/desktop.h"
#include "common/messages.h"
#include "common/printing.h"
#include "common/shopevents.h"
#include "data/database.h"
#include "data/datamodule.h"

#include <QApplication>
#include <QDir>
#include <memory>

int main(int argc, char *argv[])
{
    useChineseSystemLocale();
    QApplication app(argc, argv);
    // The name the system knows the program by (its window class); what the user reads in the
    // title bars is the display name.
    QApplication::setApplicationName(QStringLiteral("tolvane"));
    QApplication::setApplicationDisplayName(version::caption());
    useChineseLocale();
    QString noQtTexts;
    const auto qtTexts = installQtChineseTexts(&noQtTexts);
    if (!qtTexts)
        qWarning("%s", qUtf8Printable(noQtTexts));
    installFontSubstitutions();
    const bool createWithoutAsking = QApplication::arguments().contains(QStringLiteral("--create-db"));

    // The shop's database: data.db in the working folder, or a database on a PostgreSQL server
    // named by a libpq connection string after --server ("service=shop", "host=… dbname=…").
    const QStringList arguments = QApplication::arguments();
    const qsizetype serverAt = arguments.indexOf(QStringLiteral("--server"));
    const auto owned = serverAt >= 0 && serverAt + 1 < arguments.size()
                           ? std::make_unique<Database>(ServerAddress{arguments.at(serverAt + 1)})
                           : std::make_unique<Database>();
    Database &db = *owned;
    DataModule data(db);
    Settings settings;
    LayoutStore layouts(Settings::defaultFolder());
    DialogMessages messages;
    SystemClock clock;
    SystemDesktop desktop;
    SystemPrinting printing(desktop, clock, QDir::current().filePath(QStringLiteral("打印")));
    ShopEvents events;
    AppContext ctx{db, data, settings, layouts, messages, clock, printing, desktop, events, {}};

    // A damaged database file whose user chose not to go on ends the program, whether the answer
    // came before the event loop ran or inside it.
    bool ending = false;
    HealthGate health(db, messages, [&] {
        ending = true;
        QCoreApplication::exit(1);
    });
    bool opened = false;
    const auto windows =
        createWindowSet(ctx, [&] { opened = openShopDatabase(db, messages, createWithoutAsking, &health); });
    if (!opened || ending)
        return 1;
    windows->main->show();
    if (ending)
        return 1;
    const int status = QApplication::exec();
    // A normal close after a login keeps a copy of the day's work among the automatic backups.
    // A shop on a server has them in the working folder.
    if (status == 0 && ctx.session.loginNumber != 0 && db.isOpen())
        writeAutomaticBackup(db, QDir::currentPath(), clock.now(), messages);
    return status;
}
