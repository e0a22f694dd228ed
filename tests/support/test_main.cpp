#include <QApplication>
#include <gtest/gtest.h>

// One main for every test executable: a QApplication on the offscreen platform,
// so that socket notifiers, posted events and widgets all work without a display.
int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    ::testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
