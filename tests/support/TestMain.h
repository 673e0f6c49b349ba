#pragma once

namespace wystrand::test {

// TestMain.cpp runs the tests in an application on the platform their environment names. A binary
// that needs a server or environment first defines this hook, run before the application is made
// (not when the tests are only listed).
void beforeApplication();

}  // namespace wystrand::test
