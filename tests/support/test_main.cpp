#include <QApplication>
#include <gtest/gtest.h>

// One main for every test executable: a QApplication on the offscreen platform,
// so that socket notifiers, posted events and widgets all work without a display.
// The machine's proxy variables are dropped: the tests talk to loopback peers
// only, and those that test proxies set their own.
int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    for (const char* name : {"http_proxy", "https_proxy", "HTTPS_PROXY", "all_proxy", "ALL_PROXY",
                             "no_proxy", "NO_PROXY"})
        qunsetenv(name);
    ::testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
