// Saving through a file beside the target, with the failures a full disk or a
// refused rename bring, and the start-up's search for the scenarios.
#include <dlfcn.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "batch/BatchRunner.h"
#include "runtime/SafeSave.h"
#include "runtime/Startup.h"
#include "world/ColorTable.h"
#include "world/Pattern.h"

// The next flush or rename the code makes fails when armed, as a full disk or
// a refused rename would; the calls go through unchanged otherwise.
namespace {
int failFlushes = 0, failRenames = 0;
}

extern "C" int fflush(FILE *f) {
    static auto real = reinterpret_cast<int (*)(FILE *)>(dlsym(RTLD_NEXT, "fflush"));
    if (f && failFlushes > 0) {
        failFlushes--;
        errno = ENOSPC;
        return EOF;
    }
    return real(f);
}

extern "C" int rename(const char *from, const char *to) noexcept {
    static auto real = reinterpret_cast<int (*)(const char *, const char *)>(dlsym(RTLD_NEXT, "rename"));
    if (failRenames > 0) {
        failRenames--;
        errno = EXDEV;
        return -1;
    }
    return real(from, to);
}

namespace {

class SafeSaveTest : public ::testing::Test {
protected:
    ScratchFolder scratch;
    std::string path = scratch.path("world.txt"), why;
    void TearDown() override { failFlushes = failRenames = 0; }
    bool save(const std::string &text) {
        return saveReplacing(path, why, [&](FILE *f) { std::fputs(text.c_str(), f); });
    }
    int entries() const {
        auto all = std::filesystem::directory_iterator(scratch.dir);
        return static_cast<int>(std::distance(all, std::filesystem::directory_iterator()));
    }
};

}  // namespace

TEST_F(SafeSaveTest, AFailedFlushOrRenameKeepsTheOldFileAndSaysWhy) {
    ASSERT_TRUE(save("old\n")) << why;
    EXPECT_TRUE(why.empty());
    failFlushes = 1;
    EXPECT_FALSE(save("new\n"));
    EXPECT_NE(why.find("writing '" + path + "' failed: " + std::strerror(ENOSPC)), std::string::npos) << why;
    EXPECT_EQ(readFile(path), "old\n");
    EXPECT_EQ(entries(), 1) << "the file beside it is removed";

    failRenames = 1;
    EXPECT_FALSE(save("new\n"));
    EXPECT_EQ(why, "cannot replace '" + path + "': " + std::strerror(EXDEV));
    EXPECT_EQ(readFile(path), "old\n");
    EXPECT_EQ(entries(), 1);

    // A writer that fails by itself, and a file that cannot be made beside the target.
    EXPECT_FALSE(saveReplacing(path, why, [](FILE *f) {
        std::fputs("new\n", f);
        std::fgetc(f);  // reading a write stream sets its error flag
    }));
    EXPECT_EQ(why.rfind("writing '" + path + "' failed: ", 0), 0u) << why;
    EXPECT_FALSE(saveReplacing(scratch.path("none/x.txt"), why, [](FILE *) {}));
    EXPECT_EQ(why.rfind("cannot create a file beside '" + scratch.path("none/x.txt") + "': ", 0), 0u) << why;
    EXPECT_FALSE(saveReplacing("", why, [](FILE *) {}));
    EXPECT_EQ(why, "no file name");
    EXPECT_EQ(readFile(path), "old\n");
    EXPECT_EQ(entries(), 1);
}

TEST_F(SafeSaveTest, AReplacedFileKeepsItsPermissionsAndANewOneGetsTheUsual) {
    mode_t mask = umask(022);
    struct stat st;
    ASSERT_TRUE(save("old\n") && stat(path.c_str(), &st) == 0);
    EXPECT_EQ(st.st_mode & 07777, 0644u);
    ASSERT_EQ(chmod(path.c_str(), 0600), 0);
    ASSERT_TRUE(save("new\n") && stat(path.c_str(), &st) == 0);
    EXPECT_EQ(st.st_mode & 07777, 0600u);
    EXPECT_EQ(readFile(path), "new\n");
    umask(mask);
}

// The desktop program looks for the scenarios in its folder, then in the one
// above (started from a build folder beside them).
TEST(Startup, ScenariosAreFoundHereOrInTheFolderAbove) {
    ScratchFolder scratch;
    std::string here = std::filesystem::current_path();
    std::filesystem::create_directories(scratch.path("build"));
    ASSERT_EQ(chdir(scratch.path("build").c_str()), 0);
    EXPECT_EQ(findScenarioFolder(), "");
    std::filesystem::create_directories(scratch.path("Rules & Scenarios"));
    scratch.write("Rules & Scenarios/logic.txt", "Above is 1 0 0\n");
    scratch.write("Rules & Scenarios/meta3a.txt", "1 0\n5.0 0.0 0.0 0\n");
    std::string folder = findScenarioFolder();
    EXPECT_EQ(folder, "../Rules & Scenarios");
    FILE *devnull = std::fopen("/dev/null", "w");
    StartupResult r = startWorld(folder + "/logic.txt", folder, StartupHooks(), devnull);
    EXPECT_TRUE(r.rulesOpened);
    EXPECT_EQ(r.patternsRead, 1);
    EXPECT_EQ(patternSlot(2)->nodeCount, 1);
    EXPECT_STREQ(colorTable[0].name, "Above");
    std::filesystem::create_directories(scratch.path("build/Rules & Scenarios"));
    scratch.write("build/Rules & Scenarios/logic.txt", "Here is 0 1 0\n");
    EXPECT_EQ(findScenarioFolder(), "./Rules & Scenarios");
    std::fclose(devnull);
    ASSERT_EQ(chdir(here.c_str()), 0);
    startWorld("", "", StartupHooks(), nullptr);
}
