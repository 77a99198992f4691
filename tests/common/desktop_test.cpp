#include "common/desktop.h"

#include <gtest/gtest.h>

TEST(SystemDesktop, StartsTheFirstOfTheProgramsThatIsInstalled)
{
    SystemDesktop desktop;
    EXPECT_TRUE(desktop.startProgram({QStringLiteral("tolvane-no-such-program"), QStringLiteral("true")}));
    EXPECT_FALSE(desktop.startProgram({QStringLiteral("tolvane-no-such-program")}));
    EXPECT_FALSE(desktop.startProgram({}));
}
