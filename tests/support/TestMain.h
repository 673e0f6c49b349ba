#pragma once

namespace wystrand::test {

// The tests' one main (TestMain.cpp) runs them in an application on the platform that the test's
// environment names. A binary that needs something first (a display server, a compositor, the
// environment that names them) defines this hook: it runs once gtest has read its flags, before
// the application is made, and not when the tests are only listed.
void beforeApplication();

}  // namespace wystrand::test
