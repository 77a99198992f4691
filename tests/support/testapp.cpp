#include "support/testapp.h"

#include "support/privatepostgres.h"

#include "app/mainwindow.h"
#include "app/windowset.h"
#include "users/logindialog.h"

#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <gtest/gtest.h>

TestShop::TestShop(const QString &config, const QString &databaseFile)
    : configFolder(config.isEmpty() ? dir.filePath(QStringLiteral("config")) : config),
      db(databaseFile.isEmpty() ? dir.filePath(QStringLiteral("data.db")) : databaseFile),
      data(db),
      settings(configFolder),
      layouts(configFolder),
      printing(dir.path()),
      ctx{db, data, settings, layouts, messages, clock, printing, desktop, events, {}}
{
    desktop.folder = dir.filePath(QStringLiteral("Desktop"));
}

TestShop::TestShop(const QString &config) : TestShop(config, QString())
{
    db.create(initialPasswordHash());
}

TestShop::TestShop(SameFileAs sameFile) : TestShop(QString(), sameFile.other.db.fileName())
{
    clock.time = sameFile.other.clock.time;
    db.open();
}

TestShop::TestShop(OnServer)
    : configFolder(dir.filePath(QStringLiteral("config"))),
      db(ServerAddress{PrivatePostgres::instance().freshDatabase()}),
      data(db),
      settings(configFolder),
      layouts(configFolder),
      printing(dir.path()),
      ctx{db, data, settings, layouts, messages, clock, printing, desktop, events, {}}
{
    desktop.folder = dir.filePath(QStringLiteral("Desktop"));
    db.create(initialPasswordHash());
}

std::unique_ptr<TestShop> TestShop::on(Engine engine)
{
    return engine == Engine::Server ? std::make_unique<TestShop>(OnServer{}) : std::make_unique<TestShop>();
}

std::unique_ptr<Database> TestShop::serverShopDatabase()
{
    PrivatePostgres &pg = PrivatePostgres::instance();
    if (!pg.error().isEmpty()) {
        ADD_FAILURE() << "a PostgreSQL server of the tests' own is needed: " << pg.error().toStdString();
        return nullptr;
    }
    auto shop = std::make_unique<Database>(ServerAddress{pg.freshDatabase()});
    shop->create(initialPasswordHash());
    return shop;
}

QString TestShop::initialPasswordHash()
{
    return QStringLiteral(
        "$argon2id$v=19$m=65536,t=2,p=1$QTFL1/OSdLAb9IEjuE50xA$NQBwd1/MzhI/3AInfqd3GxN9I3cwDYkh6qeAKIG/92Q");
}

TestShop::~TestShop()
{
    if (m_windows)
        m_windows->main->setLoginGateEnabled(false);
    m_windows.reset();
}

MainWindow &TestShop::windows()
{
    if (!m_windows) {
        m_windows = createWindowSet(ctx, [] {});
        m_windows->main->setLoginGateEnabled(false);
        m_windows->main->firstShow();
    }
    return *m_windows->main;
}

std::unique_ptr<Database> TestShop::otherConnection() const
{
    auto other = db.onServer() ? std::make_unique<Database>(ServerAddress{db.fileName()})
                               : std::make_unique<Database>(db.fileName());
    other->open();
    return other;
}

void TestShop::exec(const QString &sql, const QVariantList &params)
{
    db.execute(Statement(sql, params));
}

QVariant TestShop::scalar(const QString &sql, const QVariantList &params)
{
    return db.scalar(Statement(sql, params));
}

long long TestShop::addStockRow(const QVariantHash &values)
{
    QStringList names, marks;
    QVariantList params;
    for (auto it = values.cbegin(); it != values.cend(); ++it) {
        names << QLatin1Char('[') + it.key() + QLatin1Char(']');
        marks << QStringLiteral("?");
        params << it.value();
    }
    exec(QStringLiteral("INSERT INTO data (%1) VALUES (%2)").arg(names.join(QLatin1Char(',')), marks.join(QLatin1Char(','))),
         params);
    return db.lastInsertId();
}

void TestShop::logIn(const QString &user)
{
    ctx.session.userName = user;
    exec(QStringLiteral("INSERT INTO rz (username, btime) VALUES (?, ?)"),
         {user, datetext::dateTime(clock.now())});
    ctx.session.loginNumber = int(db.lastInsertId());
}

void TestShop::logInThroughWindow(const QString &user)
{
    QString password = QStringLiteral("927");
    if (user != Session::superAdminName()) {
        password = QStringLiteral("x1");
        exec(QStringLiteral("INSERT INTO userdb (username, passwd) VALUES (?, ?)"), {user, password});
    }
    LoginDialog *login = windowSet().login;
    login->show();
    login->userList()->setEditText(user);
    login->passwordField()->setText(password);
    login->loginButton()->click();
}
