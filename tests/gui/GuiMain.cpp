#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "GuiFixture.h"

int GuiTest::fakeModifiers = 0;

namespace {
// Opens the windows once, in a scratch folder so nothing lands in the tree.
class WindowsEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        char folder[] = "/tmp/drovan-gui-XXXXXX";
        ASSERT_NE(mkdtemp(folder), nullptr);
        ASSERT_EQ(chdir(folder), 0);
        // A recovery snapshot, if a test writes one, never lands in the user's state.
        setenv("XDG_STATE_HOME", folder, 1);
        appStartup(std::string());
        ASSERT_NE(shell.mainWindow, 0);
        ASSERT_NE(panelWindow(), 0);
    }
};
::testing::Environment *const windows = ::testing::AddGlobalTestEnvironment(new WindowsEnvironment);
}  // namespace
