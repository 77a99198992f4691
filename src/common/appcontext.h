#pragma once

#include <QString>

class Database;
class DataModule;
class Settings;
class LayoutStore;
class Messages;
class Clock;
class Printing;
class Desktop;
class ShopEvents;

// Who is logged in during this run.
struct Session {
    QString userName;
    int loginNumber = 0; // the rz row of this login; 0 until a login succeeds

    static QString superAdminName() { return QStringLiteral("超级管理员"); }
    bool isSuperAdmin() const { return userName == superAdminName(); }
};

// Everything a window needs from outside itself. Production and tests fill it differently.
struct AppContext {
    Database &db;
    DataModule &data;
    Settings &settings;
    LayoutStore &layouts;
    Messages &messages;
    Clock &clock;
    Printing &printing;
    Desktop &desktop;
    ShopEvents &events;
    Session session;
};
