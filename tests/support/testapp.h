#pragma once

#include "common/layoutstore.h"
#include "common/settings.h"
#include "common/appcontext.h"
#include "common/shopevents.h"
#include "data/database.h"
#include "data/datamodule.h"
#include "support/doubles.h"

#include <QTemporaryDir>
#include <memory>

struct WindowSet;
class MainWindow;

// A shop on a fresh database file in a temporary folder, with recording services. The working
// directory is not changed; the database lives at dir/data.db.
class TestShop {
public:
    // `configFolder` holds the settings and layout files; by default a folder of its own, another
    // shop's configFolder to start a second run over the first one's settings.
    explicit TestShop(const QString &configFolder = {});
    // A second program on `other`'s database file (a second till): its own connection, settings,
    // services and windows, the same data.
    struct SameFileAs {
        const TestShop &other;
    };
    explicit TestShop(SameFileAs sameFile);
    // A shop on a fresh database of the tests' own PostgreSQL server instead of a file.
    struct OnServer {};
    explicit TestShop(OnServer);
    // The engines a test runs on, for tests written once for both.
    enum class Engine { File, Server };
    static std::unique_ptr<TestShop> on(Engine engine);
    ~TestShop();

    // The first user's stored password in every test shop: a hash of the initial password made once
    // by passwordhash::make(), so a test does not spend a slow hash on each new database.
    static QString initialPasswordHash();
    // A shop made in a fresh database of the tests' own server (its first user with that password),
    // open; null, with the test failed, when the server is not running.
    static std::unique_ptr<Database> serverShopDatabase();

    QString path(const QString &name) const { return dir.filePath(name); }
    // Creates the window set (login gate off) and runs the main window's first show.
    MainWindow &windows();
    WindowSet &windowSet() { return *m_windows; }
    // A connection of a program of its own to this shop's database: the same file, or the same
    // database on the server.
    std::unique_ptr<Database> otherConnection() const;
    // Runs SQL directly on the database (test set-up and checks).
    void exec(const QString &sql, const QVariantList &params = {});
    QVariant scalar(const QString &sql, const QVariantList &params = {});
    // Inserts a stock row with the given columns; returns its ID.
    long long addStockRow(const QVariantHash &values);
    // Logs in without the login window.
    void logIn(const QString &user = Session::superAdminName());
    // Logs in through the window set's login window, as a person would; the main window then
    // prepares itself for the user. Adds the user when it is not the superadministrator.
    void logInThroughWindow(const QString &user = Session::superAdminName());

    QTemporaryDir dir;
    const QString configFolder; // the settings and layout files
    Database db;
    DataModule data;
    Settings settings;
    LayoutStore layouts;
    RecordingMessages messages;
    FixedClock clock;
    RecordingDesktop desktop;
    PdfPrinting printing;
    ShopEvents events;
    AppContext ctx;

private:
    // The shop's services over `databaseFile` (dir/data.db when empty), neither made nor opened.
    TestShop(const QString &configFolder, const QString &databaseFile);

    std::unique_ptr<WindowSet> m_windows;
};
