#include "app/DesktopClipboard.h"

#include <imgui.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "runtime/ChildProcess.h"

namespace {

// What was copied last, and pasting's answer, kept for ImGui.
struct Clipboard {
    std::string copied, pasted, problem;
    std::chrono::steady_clock::time_point fetched;
    ChildProcess writer;
};
Clipboard &clipboard() {
    static Clipboard c;
    return c;
}

// A paste waits at most this long for the desktop's answer, so that a
// clipboard owner that does not answer cannot stall a frame.
constexpr double kPasteWait = 0.09;

const char kXclip[] = "/usr/bin/xclip";

const char *getText(void *) {
    Clipboard &c = clipboard();
    if (::access(kXclip, X_OK) != 0) {
        c.problem = "pasting from other programs needs xclip (apt-get install xclip)";
        return c.copied.c_str();
    }
    // A paste within a moment of the last takes the same answer (the editor
    // asks once to measure the paste and once to make it).
    auto now = std::chrono::steady_clock::now();
    if (now - c.fetched < std::chrono::milliseconds(300)) return c.pasted.c_str();
    ChildProcess reader;
    if (!reader.start(kXclip, {"-selection", "clipboard", "-o"}, std::string(), kPasteWait)) {
        c.problem = "cannot run xclip: " + reader.why();
        return c.copied.c_str();
    }
    while (reader.poll() == ChildProcess::State::Running) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    if (reader.timedOut()) {
        c.problem = "the desktop clipboard did not answer in time; pasted what was copied here";
        return c.copied.c_str();
    }
    if (!WIFEXITED(reader.status()) || WEXITSTATUS(reader.status()) != 0) {
        // No owner of the desktop's clipboard: what was copied here, if anything.
        c.pasted = c.copied;
        return c.pasted.c_str();
    }
    c.problem.clear();
    c.pasted = reader.output();
    c.fetched = std::chrono::steady_clock::now();
    return c.pasted.c_str();
}

void setText(void *, const char *text) {
    Clipboard &c = clipboard();
    c.copied = text ? text : "";
    c.fetched = {};
    if (::access(kXclip, X_OK) != 0) {
        c.problem = "copying to other programs needs xclip (apt-get install xclip)";
        return;
    }
    // xclip keeps serving the selection from a process of its own, whose
    // output must not hold our pipe open: the shell sends it elsewhere.
    if (!c.writer.start("/bin/sh", {"-c", "exec /usr/bin/xclip -selection clipboard -i >/dev/null 2>&1"}, c.copied,
                        5.0))
        c.problem = "cannot run xclip: " + c.writer.why();
}

}  // namespace

void installDesktopClipboard() {
    ImGuiIO &io = ImGui::GetIO();
    io.GetClipboardTextFn = getText;
    io.SetClipboardTextFn = setText;
    io.ClipboardUserData = nullptr;
}

const std::string &desktopClipboardProblem() {
    Clipboard &c = clipboard();
    c.writer.poll();
    return c.problem;
}
