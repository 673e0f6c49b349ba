// gtest main for tests against a real X server: a private Xvfb without a window manager, and
// one QApplication on the xcb platform connected to it.
#include <gtest/gtest.h>

#include <QApplication>
#include <cstdio>

#include "support/XvfbServer.h"

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    // Test discovery needs no display.
    if (GTEST_FLAG_GET(list_tests)) {
        return RUN_ALL_TESTS();
    }
    wystrand::test::XvfbServer xvfb;
    const std::string display = xvfb.start();
    if (display.empty()) {
        std::fputs("Xvfb did not start (scripts/deps test installs it)\n", stderr);
        return 1;
    }
    qputenv("DISPLAY", display.c_str());
    qputenv("QT_QPA_PLATFORM", "xcb");
    int rc = 0;
    {
        QApplication app(argc, argv);
        QApplication::setQuitOnLastWindowClosed(false);
        rc = RUN_ALL_TESTS();
    }
    return rc;
}
