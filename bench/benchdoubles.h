#pragma once

#include "common/clock.h"
#include "common/desktop.h"

#include <QDateTime>

// Opens nothing: a measurement ends when the file is in place.
class QuietDesktop : public Desktop {
public:
    bool openUrl(const QUrl &) override { return true; }
    bool startProgram(const QStringList &) override { return true; }
    QString desktopFolder() const override { return {}; }
};

// A day of the generated shop's year, the same in every run.
class FixedClock : public Clock {
public:
    QDateTime now() const override { return QDateTime(QDate(2014, 7, 29), QTime(10, 0)); }
};
