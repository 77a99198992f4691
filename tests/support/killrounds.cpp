#include "support/killrounds.h"

#include "support/testapp.h"

#include <QFile>
#include <gtest/gtest.h>

#include <chrono>
#include <random>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

int g_readyPipe = -1; // in a child: where it tells the parent that it is ready

// Waits until the child has marked itself ready, or until `timeoutMs` have passed.
void waitForReady(int fd, int timeoutMs)
{
    pollfd wanted{fd, POLLIN, 0};
    if (poll(&wanted, 1, timeoutMs) > 0) {
        char byte = 0;
        [[maybe_unused]] const ssize_t n = read(fd, &byte, 1);
    }
}

} // namespace

void markChildReady()
{
    if (g_readyPipe < 0)
        return;
    const char byte = 1;
    [[maybe_unused]] const ssize_t n = write(g_readyPipe, &byte, 1);
    close(g_readyPipe);
    g_readyPipe = -1;
}

void expectRowAgreesWithLines(TestShop &shop, const LedgerRow &row)
{
    SCOPED_TRACE(row.code.toStdString());
    const double sold = shop.scalar("select coalesce(sum([3]), 0) from data1 where c=?", {row.code}).toDouble();
    const double amount = shop.scalar("select coalesce(sum([4]), 0) from data1 where c=?", {row.code}).toDouble();
    EXPECT_EQ(shop.scalar("select [5] from data where ID=?", {row.key}).toDouble(), sold);
    EXPECT_EQ(shop.scalar("select [6] from data where ID=?", {row.key}).toDouble(), amount);
    EXPECT_EQ(shop.scalar("select [7] from data where ID=?", {row.key}).toDouble(), row.bought - sold);
    EXPECT_EQ(shop.scalar("select [8] from data where ID=?", {row.key}).toDouble(),
              (row.bought - sold) * row.purchasePrice);
}

int killRounds(TestShop &shop, int rounds, const QList<LedgerRow> &ledger, const std::function<void(unsigned)> &work)
{
    const QString journal = shop.db.fileName() + QStringLiteral("-journal");
    std::mt19937 random(std::random_device{}());
    int killedMidWrite = 0;
    for (int round = 0; round < rounds; ++round) {
        SCOPED_TRACE(::testing::Message() << "round " << round);
        shop.db.close(); // the child must not inherit an open connection
        int ready[2];
        if (pipe(ready) != 0) {
            ADD_FAILURE() << "pipe failed";
            break;
        }
        const pid_t child = fork();
        if (child < 0) {
            ADD_FAILURE() << "fork failed";
            break;
        }
        if (child == 0) {
            close(ready[0]);
            g_readyPipe = ready[1];
            work(unsigned(round));
            _exit(5); // work never returns
        }
        close(ready[1]);
        waitForReady(ready[0], 30000);
        close(ready[0]);
        std::this_thread::sleep_for(std::chrono::milliseconds(20 + random() % 120));
        EXPECT_EQ(kill(child, SIGKILL), 0);
        int status = 0;
        EXPECT_EQ(waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFSIGNALED(status)) << "the child stopped by itself with status " << WEXITSTATUS(status);
        if (QFile::exists(journal))
            ++killedMidWrite;

        shop.db.open(); // rolls back whatever the killed child left half done
        for (const LedgerRow &row : ledger)
            expectRowAgreesWithLines(shop, row);
        if (::testing::Test::HasFailure())
            break;
    }
    return killedMidWrite;
}
