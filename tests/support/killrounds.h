#pragma once

#include <QList>
#include <QString>

#include <functional>

class TestShop;

// One stock row of a kill test: its key and code, what came in and its purchase price.
struct LedgerRow {
    long long key;
    QString code;
    double bought;
    double purchasePrice;
};

// The stock row holds exactly what the sale lines of its code say: sold quantity and amount,
// stock and its value.
void expectRowAgreesWithLines(TestShop &shop, const LedgerRow &row);

// Called by a kill round's child once its database is open: the round's random delay before the
// kill counts from here, so a slow start (a loaded machine, a sanitized build) still leaves the
// child time to write.
void markChildReady();

// Round after round: forks a child that runs `work(round)` on the shop's database, its file or
// its database on a server (it must never return: it ends with _exit), kills it a random
// 20–140 ms after it marked itself ready (or after 30 s without it), reopens the database —
// whatever the child left half done is rolled back, by the file's journal or by the server when
// the child's connection broke — and checks that every row of `ledger` agrees with the sale
// lines of its code. Stops at the first round that fails. Returns how many kills landed inside a
// write to a file (a journal was left behind); 0 on a server.
int killRounds(TestShop &shop, int rounds, const QList<LedgerRow> &ledger, const std::function<void(unsigned)> &work);
