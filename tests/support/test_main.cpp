#include <QApplication>
#include <QEvent>
#include <QFont>
#include <gtest/gtest.h>

#include "app/chineselocale.h"
#include "app/startup.h"

namespace {

// What a test's windows handed over for later deletion is deleted when the test ends, as the
// program's event loop would: the sanitized run reports nothing of it as leaked.
class DeferredDeletes : public ::testing::EmptyTestEventListener {
    void OnTestEnd(const ::testing::TestInfo &) override
    {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
};

} // namespace

int main(int argc, char **argv)
{
    // Windows are driven offscreen unless a display is asked for explicitly.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // As the program does, before the application is made.
    useChineseSystemLocale();
    QApplication app(argc, argv);
    installFontSubstitutions();
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::UnitTest::GetInstance()->listeners().Append(new DeferredDeletes);
    return RUN_ALL_TESTS();
}
