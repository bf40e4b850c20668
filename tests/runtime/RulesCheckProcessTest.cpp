// The check behind the rules editor: the loader's own messages for a text,
// computed in a child process that cannot disturb the live world, and that is
// stopped, with a message, when it crashes or hangs.
#include <sys/wait.h>

#include <chrono>
#include <cstdlib>
#include <thread>

#include "batch/BatchRunner.h"
#include "runtime/RulesCheckProcess.h"
#include "runtime/Startup.h"
#include "runtime/WorldTick.h"
#include "world/Random.h"
#include "world/WorldDigest.h"
#include "world/WorldStore.h"

namespace {

void liveWorld() {
    setRandState(1);
    world.nextId = world.stepCount = world.stepBudget = 0;
    FILE *quiet = std::fopen("/dev/null", "w");
    startWorld(std::string(DROVAN_SOURCE_DIR) + "/Rules & Scenarios/logic.txt", std::string(), StartupHooks(), quiet);
    std::fclose(quiet);
    for (int i = 0; i < 50; i++) stepWorldNow();
}

RulesCheck waitFor(RulesCheckProcess &check) {
    while (check.poll() == RulesCheckProcess::State::Running) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return check.result();
}

}  // namespace

TEST(RulesCheckProcess, GivesTheLoadersMessagesWithTheirLinesAndLeavesTheWorldAlone) {
    liveWorld();
    uint64_t before = worldDigest();
    const std::string text = "# c\nred eat blue\r\nblue is 2 0 0\ngreen eats red\nred size 7 ; x\n";
    // The window's own worker, a program that links only what a check needs.
    RulesCheckProcess check(DROVAN_CHECK);
    ASSERT_TRUE(check.start(text, "/some/folder/logic.txt"));
    RulesCheck r = waitFor(check);
    ASSERT_FALSE(check.failed()) << check.why();
    EXPECT_TRUE(r.readable);
    EXPECT_EQ(r.summary, "5 colors parsed");  // red, eat, blue, green, x
    ASSERT_EQ(r.colours.size(), 5u);
    EXPECT_EQ(r.colours[2].name, "blue");
    EXPECT_EQ(r.colours[2].rgb[0], 1.0f);  // "blue is 2 0 0", clamped
    std::string got;
    for (const RulesDiagnostic &d : r.diagnostics)
        got += std::to_string(d.line) + " " + d.message + " | " + d.text + "\n";
    EXPECT_EQ(got, "2 parse error | red eat blue\n"
                   "3 rgb values must be between 0 and 1 | blue is 2 0 0\n"
                   "4 parse error | green eats red\n"
                   "4 expected a semicolon or line break here | green eats red\n"
                   "5 color sizes must be between 0 and 1 | red size 7 ; x\n"
                   "6 parse error | \n");
    EXPECT_EQ(worldDigest(), before);

    // Run any other way it only says what it is for.
    EXPECT_EQ(WEXITSTATUS(std::system((std::string(DROVAN_CHECK) + " x 2>/dev/null").c_str())), 2);

    // A thousand checks by drovan-batch's worker, most stopped by the next as
    // fast typing stops them, and the world is still the one it was.
    RulesCheckProcess again(DROVAN_BATCH);
    for (int i = 0; i <= 1000; i++) {
        again.start(i % 2 ? text : "Sun node at 1.0 2.0\nBug eats Sun\n", "logic.txt");
        if (i % 50 == 0) waitFor(again);
    }
    waitFor(again);
    EXPECT_EQ(again.result().diagnostics.size(), 0u);

    // Bad input is checked too, and says what it can.
    std::string binary;
    for (int i = 0; i < 200000; i++) binary += static_cast<char>((i * 7919) & 0xff);
    std::string manyLines = "# one mistake every other line\n";
    for (int i = 0; i < 100000; i++) manyLines += i % 2 ? "Bug eats Sun\n" : "Bug eats\n";
    std::string paste;
    while (paste.size() < (10u << 20))
        paste += readFile(std::string(DROVAN_SOURCE_DIR) + "/Rules & Scenarios/logic.txt");
    const std::vector<std::string> texts = {binary, manyLines, "Sun is 1 0 0\n/* never closed\nSun eats Sun\n",
                                            "Sun is 1 0 0\n" + std::string(1 << 20, 'x') + " eats Sun !\n", paste};
    RulesCheckProcess slow(DROVAN_BATCH, 60.0);
    for (const std::string &text : texts) {
        ASSERT_TRUE(slow.start(text, "logic.txt"));
        RulesCheck r = waitFor(slow);
        ASSERT_FALSE(slow.failed()) << slow.why();
        EXPECT_TRUE(r.readable ? !r.summary.empty() : r.refusal.find("is not a text file") != std::string::npos)
            << r.refusal;
        EXPECT_EQ(r.readable, &text != &texts[0]) << "bytes that are not text are refused unread";
        EXPECT_LE(r.diagnostics.size(), kMaxDiagnostics + 1);
        for (const RulesDiagnostic &d : r.diagnostics) EXPECT_LE(d.text.size(), kDiagnosticTextLength);
        if (&text == &texts[1]) {  // a mistake on every other line: the first ten thousand, then a count
            ASSERT_EQ(r.diagnostics.size(), kMaxDiagnostics + 1);
            EXPECT_EQ(r.diagnostics.back().message, "140000 more diagnostics not shown");
        }
    }
    EXPECT_EQ(worldDigest(), before);
}

TEST(RulesCheckProcess, ACrashOrAHangInTheCheckIsStoppedWithAMessage) {
    RulesCheckProcess crashing("/bin/sh", 5.0, {"-c", "kill -ABRT $$"});
    crashing.start("red is 1 0 0\n", "logic.txt");
    waitFor(crashing);
    EXPECT_TRUE(crashing.failed());
    EXPECT_NE(crashing.why().find("the check stopped unexpectedly"), std::string::npos) << crashing.why();

    RulesCheckProcess hanging("/bin/sleep", 0.2, {"100"});
    auto t0 = std::chrono::steady_clock::now();
    hanging.start("red is 1 0 0\n", "logic.txt");
    waitFor(hanging);
    EXPECT_LT(std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count(), 5.0);
    EXPECT_EQ(hanging.why(), "the check took longer than 0.2 s and was stopped");
    EXPECT_EQ(waitpid(-1, nullptr, WNOHANG), -1) << "a check process was left behind";

    // A check stopped by a newer one leaves nothing behind either.
    RulesCheckProcess replaced("/bin/sleep", 5.0, {"100"});
    replaced.start("a", "logic.txt");
    replaced.stop();
    EXPECT_EQ(replaced.state(), RulesCheckProcess::State::Idle);
    EXPECT_EQ(waitpid(-1, nullptr, WNOHANG), -1);
}

TEST(RulesCheckProcess, TheResultTravelsWholeOrNotAtAll) {
    RulesCheck c;
    c.readable = true;
    c.summary = "2 colors parsed";
    c.diagnostics = {{3, "parse error", "red eat: blue\t;"}, {0, "", std::string("a\0b\n", 4)}};
    c.colours = {{"Sun", {0.1f, 1.0f, 0.0f}}, {"x", {}}};
    std::string data = encodeRulesCheck(c);
    RulesCheck back;
    ASSERT_TRUE(decodeRulesCheck(data, back));
    EXPECT_EQ(encodeRulesCheck(back), data);
    EXPECT_EQ(back.diagnostics[1].text, c.diagnostics[1].text);
    EXPECT_EQ(back.colours[0].rgb[0], 0.1f);
    for (size_t cut = 0; cut < data.size(); cut++) EXPECT_FALSE(decodeRulesCheck(data.substr(0, cut), back)) << cut;
    EXPECT_FALSE(decodeRulesCheck(data + "x", back));
}

TEST(RulesCheckProcess, NumbersOutOfTheirRangeAreRefusedNotWrapped) {
    // A reply: one diagnostic on LINE, then COLOURS colour records with component BITS.
    auto reply = [](const std::string &line, int colours, const std::string &bits) {
        std::string r = "R0:0:1;" + line + ";0:0:" + std::to_string(colours) + ";";
        for (int i = 0; i < colours; i++) r += "1:x" + bits + ";0;0;";
        return r + "E";
    };
    RulesCheck back;
    EXPECT_TRUE(decodeRulesCheck(reply("2147483647", 1000, "4294967295"), back));
    EXPECT_EQ(back.diagnostics.at(0).line, 2147483647);
    EXPECT_EQ(back.colours.size(), 1000u);
    for (const std::string &bad : {reply("-1", 1, "0"), reply("2147483648", 1, "0"), reply("0", 1001, "0"),
                                   reply("0", 1, "-1"), reply("0", 1, "4294967296")})
        EXPECT_FALSE(decodeRulesCheck(bad, back)) << bad.substr(0, 40);

    auto request = [](const std::string &id, const std::string &wrapped) {
        return "drovan-rules-check 1\n4:name" + id + ";" + wrapped + ";4:text";
    };
    std::string text, name;
    int nextId = 0;
    bool wrapped = false;
    ASSERT_TRUE(decodeRulesCheckRequest(encodeRulesCheckRequest("Sun is 1 0 0\n", "a.txt", 2147483647, true), text,
                                        name, nextId, wrapped));
    EXPECT_EQ(text + name, "Sun is 1 0 0\na.txt");
    EXPECT_EQ(nextId, 2147483647);
    EXPECT_TRUE(wrapped);
    ASSERT_TRUE(decodeRulesCheckRequest(request("0", "0"), text, name, nextId, wrapped));
    EXPECT_FALSE(wrapped);
    for (const std::string &bad : {request("-1", "0"), request("2147483648", "0"), request("0", "2"),
                                   request("0", "-1"), request("0", "0") + "x", std::string("drovan-rules-check 2\n")})
        EXPECT_FALSE(decodeRulesCheckRequest(bad, text, name, nextId, wrapped)) << bad;
}
