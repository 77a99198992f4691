#pragma once

#include <QHash>
#include <QSet>
#include <QString>

#include <cstdio>

class TestShop;

// What a program selling in a test reports it did, in a file of its own: a line of two texts per
// action (for a sale, its remark and its order number), flushed at once, so a program killed
// afterwards leaves every line it wrote.
void note(FILE *record, const QString &first, const QString &second);
// The lines of a record: the second text by the first, the last one noted for each.
QHash<QString, QString> readRecord(const QString &path);

// Checks the sale lines of the shop (their remark `j` is "<program>#<number>") against what the
// programs reported: every sale in `confirmed` (remark -> order number) is stored once, in its
// order, unless it is in `gone`; a sale in `unsure` (its posting began but the program stopped
// before it could report) may be stored or not; nothing else is stored; and no order holds the
// lines of two programs.
void expectEverySaleOnceInOrdersOfItsOwn(TestShop &shop, const QHash<QString, QString> &confirmed,
                                         const QSet<QString> &gone, const QSet<QString> &unsure = {});
