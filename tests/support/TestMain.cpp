#include <gtest/gtest.h>

#ifdef WYSTRAND_TEST_CORE_APPLICATION
#include <QCoreApplication>
#else
#include <QApplication>
#endif

#include "support/TestMain.h"

namespace wystrand::test {

[[gnu::weak]] void beforeApplication() {}

}  // namespace wystrand::test

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    // Test discovery runs without the test's environment, and needs no display.
    if (GTEST_FLAG_GET(list_tests)) {
        return RUN_ALL_TESTS();
    }
    wystrand::test::beforeApplication();
#ifdef WYSTRAND_TEST_CORE_APPLICATION
    QCoreApplication app(argc, argv);
#else
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
#endif
    return RUN_ALL_TESTS();
}
