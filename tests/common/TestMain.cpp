// Every test program runs inside one application object so events and image
// code behave as they do in the real programs (offscreen in CI): the window
// programs' tests in a QApplication, the core's in a QGuiApplication.
#ifdef PARCELO_TEST_WIDGETS
#include <QApplication>
using TestApplication = QApplication;
#else
#include <QGuiApplication>
using TestApplication = QGuiApplication;
#endif
#include <QTemporaryDir>
#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // Repaired copies of damaged test documents go into a folder of this
    // run, never into the user's cache.
    QTemporaryDir repairDir;
    if (qEnvironmentVariableIsEmpty("PARCELO_REPAIR_DIR") && repairDir.isValid())
        qputenv("PARCELO_REPAIR_DIR", repairDir.filePath(QStringLiteral("repaired")).toUtf8());
    TestApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
