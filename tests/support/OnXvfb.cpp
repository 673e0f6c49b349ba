// The hook of a binary whose tests run on the xcb platform of a private Xvfb (1440x875, no window
// manager: the tests set the window manager's properties themselves).
#include <QtGlobal>
#include <cstdio>
#include <cstdlib>

#include "support/PrivateServers.h"
#include "support/TestMain.h"

void wystrand::test::beforeApplication() {
    static XvfbServer xvfb;
    const std::string display = xvfb.start();
    if (display.empty()) {
        std::fputs("Xvfb did not start (scripts/deps test installs it)\n", stderr);
        std::exit(1);
    }
    qputenv("DISPLAY", display.c_str());
    qputenv("QT_QPA_PLATFORM", "xcb");
}
