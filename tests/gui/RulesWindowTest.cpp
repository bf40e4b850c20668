// The Rules window, typed into through its own input queue as the toolkit
// would feed it.
#include <TextEditor.h>

#include <chrono>
#include <functional>
#include <thread>

#include "GuiFixture.h"
#include "app/DesktopClipboard.h"
#include "app/Question.h"
#include "app/Quit.h"
#include "app/RulesLoad.h"
#include "app/RulesWindow.h"
#include "app/Undo.h"
#include "render/GLContext.h"
#include "render/Scene.h"
#include "runtime/RulesDocument.h"

namespace {

class RulesWindowTest : public GuiTest {
protected:
    std::string folder = scratchFolder(), file = folder + "/rules.txt";

    void SetUp() override {
        GuiTest::SetUp();
        setRulesCheckWorker(DROVAN_BATCH);
        std::ofstream(file) << "Sun is 1 0 0\nSun static\nSun node at 1600.0 1600.0\n";
        std::string why;
        ASSERT_TRUE(applyRulesText(readAll(file), file, why)) << why;
        rulesShowScenario(readAll(file), file, true);  // what an earlier test typed goes
        if (!rulesWindowOpen()) toggleRulesWindow();
        ASSERT_TRUE(rulesWindowOpen());
        ASSERT_TRUE(until([] { return !rulesDocument().checking(); }));
        // Escape closes a Find bar an earlier test left open: keys go to the text.
        windowKeyTap(rulesWindowInput(), 27, 0);
        ASSERT_TRUE(until([] { return !inputPending(rulesWindowInput()); }));
    }
    void TearDown() override {
        rulesShowScenario(readAll(file), file, true);  // nothing unsaved is left for the next test
        if (rulesWindowOpen()) toggleRulesWindow();
        GuiTest::TearDown();
    }

    // Frames of the window and idle passes until done (or ten seconds of waiting for the worker).
    static bool until(const std::function<bool()> &done) {
        for (int i = 0; i < 2000; i++) {
            advanceClock(0.05f);
            carryOutPanelRequests();
            rulesWindowDisplay();
            if (done()) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return false;
    }
    static void advanceClock(float seconds) {
        static float t = 1000.0f;
        clockOverride(t += seconds);
    }
    static void type(const std::string &text, int mods = 0) {
        for (char c : text) windowKeyTap(rulesWindowInput(), c == '\n' ? 13 : static_cast<unsigned char>(c), mods);
    }
    static std::string diagnostics() {
        std::string all;
        for (const RulesDiagnostic &d : rulesDocument().diagnostics().diagnostics)
            all += std::to_string(d.line) + " " + d.message + "\n";
        return all;
    }
    static bool checked() { return !rulesDocument().checking() && !rulesDocument().stale(); }
    static const PanelItem *item(const std::string &label) {
        for (const PanelItem &i : rulesWindowItems())
            if (i.label == label) return &i;
        return nullptr;
    }
    static std::string items() {
        std::string all;
        for (const PanelItem &i : rulesWindowItems()) all += i.label + "\n";
        return all;
    }
    // A left click in the middle of the item (found in the frame drawn last).
    static void click(const std::string &label) {
        const PanelItem *i = item(label);
        ASSERT_NE(i, nullptr) << label << " not among\n" << items();
        int x = static_cast<int>((i->x0 + i->x1) / 2), y = static_cast<int>((i->y0 + i->y1) / 2);
        windowMouse(rulesWindowInput(), GLUT_LEFT_BUTTON, GLUT_DOWN, x, y);
        windowMouse(rulesWindowInput(), GLUT_LEFT_BUTTON, GLUT_UP, x, y);
    }
    // The colour drawn at the world point, from a fresh frame of the world window.
    static std::vector<int> drawnAt(Vec2 point) {
        glutSetWindow(shell.mainWindow);
        drawLiveFrame(pointerMarks(), false);
        std::vector<unsigned char> pixels;
        readBackBuffer(800, 800, pixels);
        Vec2 p = worldToScreen(point);
        const unsigned char *c =
            &pixels[(static_cast<size_t>(799 - static_cast<int>(p.y)) * 800 + static_cast<int>(p.x)) * 3];
        return {c[0], c[1], c[2]};
    }
};

}  // namespace

TEST_F(RulesWindowTest, AMistakeIsListedTheFixClearsItAndCtrlEnterApplies) {
    EXPECT_EQ(rulesDocument().title(), "Rules: rules.txt");
    rulesEditor().SetCursorPosition(TextEditor::Coordinates(3, 0));
    type("Sun eat Sun\n");
    EXPECT_TRUE(rulesWindowBusy()) << "keys waiting keep the tick from resting";
    rulesWindowDisplay();
    EXPECT_NE(item("Checking..."), nullptr) << items();
    ASSERT_TRUE(until([] { return checked() && !diagnostics().empty(); }));
    EXPECT_FALSE(rulesWindowBusy());
    EXPECT_EQ(diagnostics(), "4 parse error\n");
    EXPECT_EQ(rulesDocument().title(), "Rules: rules.txt *");
    EXPECT_EQ(rulesDocument().lineMarkers().count(4), 1u);
    // The list as drawn; a click on a diagnostic selects its line.
    ASSERT_TRUE(until([] { return item("line 4: parse error") != nullptr; })) << items();
    EXPECT_NE(item("1 diagnostic (2 colors parsed); click one to go to its line"), nullptr) << items();
    TextEditor::Coordinates end = rulesEditor().GetCursorPosition();
    rulesEditor().SetCursorPosition(TextEditor::Coordinates(0, 0));
    click("line 4: parse error");
    ASSERT_TRUE(until([] { return rulesEditor().HasSelection(); }));
    EXPECT_EQ(rulesEditor().GetSelectedText(), "Sun eat Sun");
    rulesEditor().SetSelection(end, end);
    rulesEditor().SetCursorPosition(end);

    for (int i = 0; i < 8; i++) windowKeyTap(rulesWindowInput(), 8, 0);  // back to "Sun "
    type("is 0 0 1");
    ASSERT_TRUE(until([] { return checked() && diagnostics().empty(); }));
    EXPECT_NE(rulesDocument().text().find("\nSun is 0 0 1"), std::string::npos) << rulesDocument().text();
    ASSERT_TRUE(until([] { return item("No diagnostics (1 colors parsed)") != nullptr; })) << items();

    std::vector<int> red = drawnAt(Vec2(1600.0f, 1600.0f));
    EXPECT_TRUE(red[0] > 150 && red[2] < 100) << red[0] << "," << red[1] << "," << red[2];
    windowKeyTap(rulesWindowInput(), 13, GLUT_ACTIVE_CTRL);
    ASSERT_TRUE(until([] { return colorTable[0].rgb[2] == 1.0f; }));
    EXPECT_EQ(liveNodes(), 1);
    std::vector<int> blue = drawnAt(Vec2(1600.0f, 1600.0f));
    EXPECT_TRUE(blue[2] > 150 && blue[0] < 100) << blue[0] << "," << blue[1] << "," << blue[2];
    EXPECT_LT(rulesLongestFrame(), 1000.0f);  // the figure itself is the frame benchmark's

    // Undone like Load; the editor keeps its text.
    ASSERT_EQ(undoLabel(), "Apply");
    undoLastAction();
    EXPECT_EQ(colorTable[0].rgb[2], 0.0f);
    EXPECT_NE(rulesDocument().text().find("\nSun is 0 0 1"), std::string::npos);

    // The unsaved text joins the quit question; "Save rules" writes it to its file and quits.
    askToQuit();
    const Question *q = shownQuestion();
    ASSERT_NE(q, nullptr);
    EXPECT_NE(q->text.find("Rules window"), std::string::npos) << q->text;
    ASSERT_EQ(q->answers[0], "Save rules");
    answerQuestion(0);
    carryOutAnswer();
    EXPECT_EQ(left, 1);
    EXPECT_EQ(readAll(file), rulesDocument().text());
    EXPECT_EQ(rulesDocument().title(), "Rules: rules.txt");
}

TEST_F(RulesWindowTest, KeepingTheWorldFindingAndConfirmingAnApplyWithMistakes) {
    Node *sun = node(1000.0f, 1000.0f, 0);
    int id = sun->id, before = liveNodes();
    rulesEditor().SetCursorPosition(TextEditor::Coordinates(3, 0));
    type("Moon is 0 1 0\nMoon node at 10.0 10.0\n");
    windowKeyTap(rulesWindowInput(), 13, GLUT_ACTIVE_CTRL | GLUT_ACTIVE_SHIFT);
    ASSERT_TRUE(until([] { return colorCount == 2; }));
    EXPECT_EQ(liveNodes(), before) << "the world stays; node statements are not run";
    EXPECT_TRUE(findNode(id));

    // Ctrl+F, let go, then the word pasted from the desktop (fetched while
    // frames go on, and into the field only) and Enter.
    ASSERT_EQ(std::system("printf 'Moon node' | xclip -i -selection clipboard"), 0);
    const std::string text = rulesDocument().text();
    windowKeyTap(rulesWindowInput(), 6, GLUT_ACTIVE_CTRL);
    for (int i = 0; i < 2; i++) ASSERT_TRUE(until([] { return true; }));
    windowKeyTap(rulesWindowInput(), 22, GLUT_ACTIVE_CTRL);
    ASSERT_TRUE(until([] { return !desktopPasteWaiting() && !inputPending(rulesWindowInput()); }));
    type("\n");
    ASSERT_TRUE(until([] { return rulesEditor().HasSelection(); }));
    EXPECT_EQ(rulesEditor().GetSelectedText(), "Moon node") << rulesDocument().text();
    EXPECT_EQ(rulesDocument().text(), text);

    rulesEditor().SetCursorPosition(TextEditor::Coordinates(0, 0));
    windowKeyTap(rulesWindowInput(), 27, 0);  // Escape: back to the text
    type("x y\n");
    windowKeyTap(rulesWindowInput(), 13, GLUT_ACTIVE_CTRL);
    ASSERT_TRUE(until([] { return checked() && !diagnostics().empty(); }));
    for (int i = 0; i < 5; i++) ASSERT_TRUE(until([] { return true; }));
    EXPECT_EQ(colorCount, 2) << "a text with mistakes waits for Apply anyway";
    EXPECT_NE(item("The text has 1 diagnostic."), nullptr) << items();
    click("Apply anyway");
    ASSERT_TRUE(until([id] { return !findNode(id); })) << "Apply anyway replaces the world";
    EXPECT_EQ(item("Apply anyway"), nullptr);
}

TEST_F(RulesWindowTest, CopyAndPasteWithOtherProgramsAndAPasteTooLarge) {
    rulesEditor().SelectAll();
    windowKeyTap(rulesWindowInput(), 3, GLUT_ACTIVE_CTRL);  // Ctrl+C
    ASSERT_TRUE(until([] { return true; }));
    std::string copied;
    for (int i = 0; i < 100 && copied.empty(); i++) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        std::system(("xclip -o -selection clipboard > '" + folder + "/copied.txt' 2>/dev/null").c_str());
        copied = readAll(folder + "/copied.txt");
    }
    EXPECT_EQ(copied, rulesDocument().text());

    ASSERT_EQ(std::system("printf 'Moon is 0 1 0\\n' | xclip -i -selection clipboard"), 0);
    rulesEditor().SetCursorPosition(TextEditor::Coordinates(3, 0));
    windowKeyTap(rulesWindowInput(), 22, GLUT_ACTIVE_CTRL);  // Ctrl+V
    ASSERT_TRUE(until([] { return rulesDocument().text().find("Moon is 0 1 0\n") != std::string::npos; }))
        << desktopClipboardProblem() << "|" << rulesDocument().text();

    std::ofstream(folder + "/big.txt") << std::string(3 << 20, 'x');
    ASSERT_EQ(std::system(("xclip -i -selection clipboard < " + folder + "/big.txt").c_str()), 0);
    size_t size = rulesDocument().text().size();
    windowKeyTap(rulesWindowInput(), 22, GLUT_ACTIVE_CTRL);
    for (int i = 0; i < 10; i++) ASSERT_TRUE(until([] { return true; }));
    EXPECT_EQ(rulesDocument().text().size(), size) << "nothing pasted";
}

TEST_F(RulesWindowTest, EditsAtBothEndsAndInsideALongLineKeepTheTextExact) {
    // A line past the editor's long-line marks, with tabs, two-byte
    // characters and bytes no UTF-8 text holds (leads of five and six bytes,
    // 0xFE and 0xFF alone) so that its bytes, columns and widths all differ,
    // and a word in its middle that Find places the cursor on.
    std::string half;
    for (int i = 0; i < 3000; i++)
        half += i % 7 == 0    ? "\t"
                : i % 5 == 0  ? "\xc3\xa9"
                : i % 11 == 0 ? "\xfe"
                : i % 13 == 0 ? "\xfc\x80\x80\x80\x80\x80"
                : i % 17 == 0 ? "\xf8\x80\x80\x80\x80"
                : i % 19 == 0 ? "\xff\x80"
                              : "ab";
    const std::string text = "Sun is 1 0 0\n" + half + "MARK" + half + "\nSun static\n";
    rulesShowScenario(text, std::string(), true);
    auto settle = [] {
        ASSERT_TRUE(until([] { return !inputPending(rulesWindowInput()); }));
        ASSERT_TRUE(until([] { return true; }));
    };
    settle();
    rulesEditor().SetCursorPosition(TextEditor::Coordinates(1, 1 << 30));  // its end
    type("yz");
    windowKeyTap(rulesWindowInput(), 8, 0);
    settle();
    rulesEditor().SetCursorPosition(TextEditor::Coordinates(1, 0));
    type("x\n");
    settle();
    EXPECT_EQ(rulesEditor().GetCursorPosition().mLine, 2);
    windowKeyTap(rulesWindowInput(), 8, 0);  // joined again
    settle();
    windowKeyTap(rulesWindowInput(), 6, GLUT_ACTIVE_CTRL);  // Ctrl+F: MARK is selected
    settle();
    windowKeyTap(rulesWindowInput(), 1, GLUT_ACTIVE_CTRL);  // Ctrl+A: the field's earlier text goes
    type("MARK\n");
    settle();
    ASSERT_EQ(rulesEditor().GetSelectedText(), "MARK");
    windowKeyTap(rulesWindowInput(), 27, 0);  // back to the text, the word still selected
    type("\n");                               // splits the line there
    settle();
    type("MM");
    windowKeyTap(rulesWindowInput(), 8, 0);
    settle();
    // Compared whole, without printing a line of 20,000 bytes.
    const std::string edited = "Sun is 1 0 0\nx" + half + "\nM" + half + "y\nSun static\n";
    EXPECT_TRUE(rulesEditor().GetText() == edited);
    EXPECT_TRUE(rulesDocument().text() == edited);
    rulesEditor().Undo(100);
    EXPECT_TRUE(rulesEditor().GetText() == text);
    rulesEditor().Redo(100);
    EXPECT_TRUE(rulesEditor().GetText() == edited);

    // Find goes on from the cursor, counted across the odd bytes before it.
    rulesEditor().SetCursorPosition(TextEditor::Coordinates(1, 3000));
    settle();
    windowKeyTap(rulesWindowInput(), 6, GLUT_ACTIVE_CTRL);
    settle();
    settle();
    windowKeyTap(rulesWindowInput(), 1, GLUT_ACTIVE_CTRL);
    type("ab\n");
    settle();
    EXPECT_EQ(rulesEditor().GetSelectedText(), "ab");
    EXPECT_EQ(rulesEditor().GetCursorPosition().mLine, 1);
    EXPECT_GE(rulesEditor().GetCursorPosition().mColumn, 3002);
    EXPECT_LE(rulesEditor().GetCursorPosition().mColumn, 3020);
}

// Save writes the window's file; Save As the chosen one, which the window then
// names; a save that fails says why and leaves the text unsaved.
TEST_F(RulesWindowTest, SaveAndSaveAsWriteTheTextAndSayWhere) {
    rulesEditor().SetCursorPosition(TextEditor::Coordinates(3, 0));
    type("Sun size 0.5\n");
    ASSERT_TRUE(until([] { return !inputPending(rulesWindowInput()); }));
    EXPECT_EQ(rulesDocument().title(), "Rules: rules.txt *");
    windowKeyTap(rulesWindowInput(), 19, GLUT_ACTIVE_CTRL);
    ASSERT_TRUE(until([this] { return item("Saved to " + file) != nullptr; })) << items();
    EXPECT_EQ(readAll(file), rulesDocument().text());
    EXPECT_EQ(rulesDocument().title(), "Rules: rules.txt");

    fileChooserOverride = answerChosen;
    chosen = folder + "/other.txt";
    type("Sun static\n");
    windowKeyTap(rulesWindowInput(), 19, GLUT_ACTIVE_CTRL | GLUT_ACTIVE_SHIFT);
    ASSERT_TRUE(until([] { return item("Saved to " + chosen) != nullptr; })) << items();
    EXPECT_EQ(readAll(chosen), rulesDocument().text());
    EXPECT_EQ(rulesDocument().title(), "Rules: other.txt");

    const std::string other = chosen;
    chosen = file + "/inside.txt";
    type("Sun static\n");
    ASSERT_TRUE(until([] { return !inputPending(rulesWindowInput()); }));
    EXPECT_EQ(rulesDocument().title(), "Rules: other.txt *");
    click("Save As");
    ASSERT_TRUE(until([] { return items().find("Not a directory") != std::string::npos; })) << items();
    EXPECT_EQ(rulesDocument().title(), "Rules: other.txt *") << "still unsaved";
    click("Save");
    ASSERT_TRUE(until([&] { return item("Saved to " + other) != nullptr; })) << items();
    EXPECT_EQ(readAll(other), rulesDocument().text());
    EXPECT_NE(readAll(other).find("Sun static\nSun static\n"), std::string::npos);
    fileChooserOverride = nullptr;
}
