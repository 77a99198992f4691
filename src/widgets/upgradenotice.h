#pragma once

#include <QString>
#include <functional>
#include <memory>

class QWidget;

// A box that tells the person what a long one-off step is doing while the program cannot answer
// (a schema upgrade of an older shop file at open): shown with a text, gone with an empty text.
// The returned function is what Database::setUpgradeNotice takes.
std::function<void(const QString &what)> upgradeNoticeBox(QWidget *owner = nullptr);
