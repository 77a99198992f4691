#pragma once

#include "app/mainwindow.h"
#include "maintenance/backupwindow.h"
#include "support/testapp.h"
#include "support/toplevel.h"

#include <QPointer>
#include <QPushButton>
#include <QToolButton>
#include <gtest/gtest.h>
#include <memory>

// "数据库备份" opened through the main window's button by the superadministrator, on a shop with one
// stock row — in a file or on a server, as the test's fixture makes it. Closed again after the test.
class BackupWindowFixture : public ::testing::Test {
protected:
    explicit BackupWindowFixture(std::unique_ptr<TestShop> made) : owned(std::move(made)), shop(*owned) {}

    void SetUp() override
    {
        shop.addStockRow({{"a", QStringLiteral("衬衫")}, {"2", 5.0}, {"7", 5.0}, {"day1", QStringLiteral("2014-07-01")}});
        main = &shop.windows();
        shop.ctx.session.userName = Session::superAdminName();
        main->show();
        open();
    }
    void TearDown() override
    {
        if (window && window->isVisible()) {
            shop.messages.clear();
            window->close();
        }
        deleteClosedWindows();
    }
    void open()
    {
        main->toolbar().backup->click();
        window = shownWindow<BackupWindow>();
        ASSERT_TRUE(window);
        shop.messages.clear();
    }
    void closeWindow()
    {
        window->close();
        deleteClosedWindows();
    }
    QPushButton *button(const char *name) { return window->findChild<QPushButton *>(QString::fromLatin1(name)); }

    std::unique_ptr<TestShop> owned;
    TestShop &shop;
    MainWindow *main = nullptr;
    QPointer<BackupWindow> window;
};
