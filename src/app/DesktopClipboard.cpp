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
    // The frame (of which window's toolkit context) the last answer was for.
    const ImGuiContext *fetchedIn = nullptr;
    int fetchedFrame = -1;
    ChildProcess writer;
    ChildProcess reader;  // a paste under way
    size_t readerLimit = 0;
    bool pasteAsked = false, readerFailed = false;
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
    // Within one frame the same answer (the editor asks once to measure the
    // paste and once to make it); a later paste asks the desktop again.
    if (c.fetchedIn == ImGui::GetCurrentContext() && c.fetchedFrame == ImGui::GetFrameCount()) return c.pasted.c_str();
    c.fetchedIn = ImGui::GetCurrentContext();
    c.fetchedFrame = ImGui::GetFrameCount();
    c.pasted.clear();
    ChildProcess reader;
    if (!reader.start(kXclip, {"-selection", "clipboard", "-o"}, std::string(), kPasteWait)) {
        c.problem = "cannot run xclip: " + reader.why();
        c.pasted = c.copied;
        return c.pasted.c_str();
    }
    while (reader.poll() == ChildProcess::State::Running) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    if (reader.timedOut()) {
        // Half an answer, or another text than the one asked for, would be a surprise: nothing.
        c.problem = "the desktop clipboard did not answer in time; nothing pasted";
        return c.pasted.c_str();
    }
    if (!WIFEXITED(reader.status()) || WEXITSTATUS(reader.status()) != 0) {
        // No owner of the desktop's clipboard: what was copied here, if anything.
        c.pasted = c.copied;
        return c.pasted.c_str();
    }
    c.problem.clear();
    c.pasted = reader.output();
    return c.pasted.c_str();
}

void setText(void *, const char *text) {
    Clipboard &c = clipboard();
    c.copied = text ? text : "";
    c.fetchedIn = nullptr;
    if (::access(kXclip, X_OK) != 0) {
        c.problem = "copying to other programs needs xclip (apt-get install xclip)";
        return;
    }
    // xclip keeps serving the selection from a process of its own, whose
    // output must not hold our pipe open: the shell sends it elsewhere.
    if (!c.writer.start("/bin/sh", {"-c", "exec /usr/bin/xclip -selection clipboard -i >/dev/null 2>&1"}, c.copied,
                        5.0))
        c.problem = "cannot run xclip: " + c.writer.why();
    else
        c.writer.poll();  // handed over now, not at the next frame, which may be a while off
}

}  // namespace

void requestDesktopPaste(size_t limit) {
    Clipboard &c = clipboard();
    c.readerLimit = limit;
    c.pasteAsked = true;
    c.readerFailed = false;
    if (::access(kXclip, X_OK) != 0) {
        c.problem = "pasting from other programs needs xclip (apt-get install xclip)";
        c.readerFailed = true;
    } else if (!c.reader.start(kXclip, {"-selection", "clipboard", "-o"}, std::string(), 10.0)) {
        c.problem = "cannot run xclip: " + c.reader.why();
        c.readerFailed = true;
    }
}

bool desktopPasteWaiting() { return clipboard().pasteAsked; }

bool desktopPasteArrived(DesktopPaste &paste) {
    Clipboard &c = clipboard();
    if (!c.pasteAsked) return false;
    paste = DesktopPaste();
    if (c.readerFailed) {
        paste.text = c.copied;  // no desktop clipboard: what was copied here
    } else {
        ChildProcess::State state = c.reader.poll();
        bool over = c.reader.output().size() > c.readerLimit;
        if (state == ChildProcess::State::Running && !over) return false;
        if (over) {
            paste.tooLarge = true;
            paste.size = c.reader.output().size();
            c.reader.stop();
        } else if (c.reader.timedOut()) {
            c.problem = "the desktop clipboard did not answer in time; nothing pasted";
        } else if (!WIFEXITED(c.reader.status()) || WEXITSTATUS(c.reader.status()) != 0) {
            paste.text = c.copied;  // no owner of the desktop's clipboard: what was copied here, if anything
        } else {
            c.problem.clear();
            paste.text = c.reader.output();
        }
    }
    c.pasteAsked = false;
    return true;
}

void offerClipboardText(const std::string &text) {
    Clipboard &c = clipboard();
    c.pasted = text;
    c.fetchedIn = ImGui::GetCurrentContext();
    c.fetchedFrame = ImGui::GetFrameCount();
}

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
