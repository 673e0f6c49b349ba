// gtest main for widget tests: one QApplication on the platform that the test's environment
// names, or with WYSTRAND_XVFB defined, on a private Xvfb.
#include <gtest/gtest.h>

#include <QApplication>
#include <cstdio>

#include "support/XvfbServer.h"

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    // Test discovery runs without the test's environment, and needs no display.
    if (GTEST_FLAG_GET(list_tests)) {
        return RUN_ALL_TESTS();
    }
#ifdef WYSTRAND_XVFB
    wystrand::test::XvfbServer xvfb;
    const std::string display = xvfb.start();
    if (display.empty()) {
        std::fputs("Xvfb did not start (scripts/deps test installs it)\n", stderr);
        return 1;
    }
    qputenv("DISPLAY", display.c_str());
    qputenv("QT_QPA_PLATFORM", "xcb");
#endif
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    return RUN_ALL_TESTS();
}
