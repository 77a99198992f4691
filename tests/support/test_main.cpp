#include <QApplication>
#include <QFont>
#include <gtest/gtest.h>

#include "app/startup.h"

int main(int argc, char **argv)
{
    // Windows are driven offscreen unless a display is asked for explicitly.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    installFontSubstitutions();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
