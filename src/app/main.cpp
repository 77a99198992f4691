#include "app/chineselocale.h"
#include "common/layoutstore.h"
#include "app/firstpainttrace.h"
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
#include "data/collation.h"
#include "data/database.h"
#include "data/datamodule.h"
#include "maintenance/connectionwindow.h"
#include "users/logindialog.h"
#include "widgets/upgradenotice.h"

#include <QApplication>
#include <QDir>
#include <QTimer>
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
    // The table of the pinyin order is made once the windows are up (the first title-click sort
    // would otherwise wait for it).
    QTimer::singleShot(400, [] { collation::prepare(); });
    const bool createWithoutAsking = QApplication::arguments().contains(QStringLiteral("--create-db"));

    Settings settings;
    DialogMessages messages;
    // The shop's database: data.db in the working folder, or a database on a PostgreSQL server
    // (after --server a libpq connection string, "service=shop", "host=… dbname=…", or the server
    // this computer was set to use). A server out of reach offers the choice again.
    const std::unique_ptr<Database> owned =
        chooseShopDatabase(QApplication::arguments(), settings, [&](const QString &reason) {
            ConnectionWindow window(settings, messages);
            window.setReason(reason + QStringLiteral("\n\n请检查连接设置后选“确定”再试，或改用本机数据文件。"));
            return window.exec() == QDialog::Accepted;
        });
    if (!owned)
        return 1;
    Database &db = *owned;
    // An older shop file is brought up to date at open (a backup restored later, too): a step
    // that takes seconds says what it does.
    db.setUpgradeNotice(upgradeNoticeBox());
    DataModule data(db);
    LayoutStore layouts(Settings::defaultFolder());
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
    // The shop moved to a server: the program closes as it always does and starts again there.
    bool startAgain = false;
    QObject::connect(&events, &ShopEvents::restartRequested, windows->main, [&] {
        startAgain = true;
        windows->main->close();
    });
    FirstPaintTrace::watch(windows->login, QStringLiteral("login"));
    windows->main->show();
    if (ending)
        return 1;
    const int status = QApplication::exec();
    // A normal close after a login keeps a copy of the day's work among the automatic backups.
    // A shop on a server has them in the working folder.
    if (status == 0 && ctx.session.loginNumber != 0 && db.isOpen())
        writeAutomaticBackup(db, QDir::currentPath(), clock.now(), messages);
    if (status == 0 && startAgain)
        startProgramAgain(QApplication::arguments(), messages);
    return status;
}
