#include "app/RulesWindow.h"

#include <GL/freeglut.h>
#include <unistd.h>
#include <TextEditor.h>
#include <backends/imgui_impl_glut.h>
#include <imgui.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <map>
#include <memory>

#include "app/DesktopClipboard.h"
#include "app/PanelEvents.h"
#include "render/UiRenderer.h"
#include "rules/RulesListing.h"
#include "rules/RulesSyntax.h"
#include "runtime/ChildProcess.h"
#include "runtime/Clock.h"
#include "runtime/RulesDocument.h"

namespace {

// Left of the world window's centre, so that the world stays in sight.
constexpr int kX = 0, kY = 120, kW = 620, kH = 700;
// The most text the editor holds: its widget keeps a record per character
// and takes about a second per ten megabytes to fill, so a larger paste or
// scenario is refused with a message instead of stalling the window.
constexpr size_t kMaxText = size_t(2) << 20;
// Past this much text the editor draws it uncoloured: its colouring looks
// through the whole text for block comments after every key, which would
// make typing in a long text slow.
constexpr size_t kMaxColoured = size_t(256) << 10;
constexpr float kListHeight = 150.0f;
constexpr int kNameSlots = 20;  // TextEditor's UserColour entries

// The checks' worker: drovan-check beside this program, which starts in a few
// milliseconds; without it, this very program started with the worker's
// argument (it first loads every library the window needs).
std::string checkWorker() {
    std::string self = ownProgramPath();
    std::string beside = self.substr(0, self.rfind('/') + 1) + "drovan-check";
    if (!self.empty() && access(beside.c_str(), X_OK) == 0) return beside;
    return "/proc/self/exe";
}

struct RulesWindow {
    int window = 0;
    ImGuiContext *context = nullptr;
    bool glReady = false;
    UiEventQueue input;
    std::unique_ptr<TextEditor> editor;
    RulesDocument document{checkWorker()};
    RulesRequests requests;
    std::string title, message;
    bool messageProblem = false;
    float lastDraw = -1.0f, longestFrame = 0.0f;
    int framesDrawn = 0;
    bool tooLarge = false;
    // A scenario that came while the editor held unsaved text.
    bool scenarioWaiting = false;
    std::string waitingText, waitingPath;
    // Apply asked for, waiting for the check of the text as it stands; then
    // confirmed when the text has diagnostics.
    int applyWhenChecked = 0;  // 0 none, 1 apply, 2 keep the world
    int confirmApply = 0;
    // Find.
    bool findOpen = false, focusFind = false, notFound = false, focusEditor = false;
    char findText[256] = {};
    // A paste into the Find field is fetched from the desktop as the editor's
    // is, then made by a Ctrl+V of the window's own once the text is here.
    bool findActive = false, findPasteWaiting = false, findPasteDue = false;
    std::string findPaste;
    // Colour names: a palette entry each, so that a check's colours recolour
    // the text without colouring it again.
    std::map<std::string, int> nameSlots;
    const RulesCheck *coloured = nullptr;  // null: the palette and markers are due
    size_t slotsColoured = 0;
    std::vector<PanelItem> items;  // what the last frame drew, for tests and scripts
};

RulesWindow &state() {
    static RulesWindow w;
    return w;
}

bool button(const char *label, bool small = false) {
    bool pressed = small ? ImGui::SmallButton(label) : ImGui::Button(label);
    trackItemIn(state().items, label);
    return pressed;
}

void colouredText(const ImVec4 &colour, const std::string &text) {
    ImGui::TextColored(colour, "%s", text.c_str());
    trackItemIn(state().items, text.c_str());
}

ImU32 readable(const float rgb[3]) {
    // Names in very light colours would vanish on the white page: darkened to stay readable.
    float r = rgb[0], g = rgb[1], b = rgb[2];
    float luma = 0.299f * r + 0.587f * g + 0.114f * b;
    if (luma > 0.7f) {
        float k = 0.7f / luma;
        r *= k, g *= k, b *= k;
    }
    return IM_COL32(static_cast<int>(r * 255.0f), static_cast<int>(g * 255.0f), static_cast<int>(b * 255.0f), 255);
}

// The scanner's own classes, one run at a time; colour names take their slot.
bool tokenize(const char *begin, const char *end, const char *&tokenBegin, const char *&tokenEnd,
              TextEditor::PaletteIndex &colour) {
    RulesWindow &s = state();
    // The editor asks for a line's tokens one at a time, from its start on,
    // each call with the rest of the line: the line is classified once, at
    // its first call (a call at or before the last one begins another line).
    static std::vector<RulesSyntax> kinds;
    static const char *lineBegin = nullptr, *lineEnd = nullptr, *last = nullptr;
    if (end != lineEnd || begin <= last || begin < lineBegin) {
        size_t n = static_cast<size_t>(end - begin);
        kinds.assign(n, RulesSyntax::Space);
        bool inBlock = false;
        classifyRulesLine(begin, n, inBlock, kinds.data());
        lineBegin = begin;
        lineEnd = end;
    }
    last = begin;
    const RulesSyntax *kind = kinds.data() + (begin - lineBegin);
    size_t n = static_cast<size_t>(end - begin), k = 1;
    while (k < n && kind[k] == kind[0]) k++;
    tokenBegin = begin;
    tokenEnd = begin + k;
    using P = TextEditor::PaletteIndex;
    switch (kind[0]) {
    case RulesSyntax::Space: return false;
    case RulesSyntax::Comment: colour = P::Comment; break;
    case RulesSyntax::Keyword: colour = P::Keyword; break;
    case RulesSyntax::Number: colour = P::Number; break;
    case RulesSyntax::Operator: colour = P::Punctuation; break;
    case RulesSyntax::Other: colour = P::CharLiteral; break;
    case RulesSyntax::Colour: {
        std::string name(begin, k);
        auto it = s.nameSlots.find(name);
        if (it == s.nameSlots.end() && static_cast<int>(s.nameSlots.size()) < kNameSlots)
            it = s.nameSlots.emplace(name, static_cast<int>(s.nameSlots.size())).first;
        colour =
            it == s.nameSlots.end() ? P::Identifier : static_cast<P>(static_cast<int>(P::UserColour0) + it->second);
        break;
    }
    }
    return true;
}

TextEditor::LanguageDefinition rulesLanguage() {
    TextEditor::LanguageDefinition lang;
    lang.mName = "Drovan rules";
    lang.mCommentStart = "/*";
    lang.mCommentEnd = "*/";
    lang.mSingleLineComment = "//";  // "#" comments come from the tokenizer
    lang.mPreprocChar = '\x01';
    lang.mAutoIndentation = false;
    lang.mStrings = false;
    lang.mTokenize = tokenize;
    return lang;
}

// The palette with each declared colour's name in its own colour.
void recolourNames() {
    RulesWindow &s = state();
    const RulesCheck &check = s.document.diagnostics();
    TextEditor::Palette p = TextEditor::GetLightPalette();
    p[static_cast<int>(TextEditor::PaletteIndex::CharLiteral)] = IM_COL32(220, 0, 0, 255);
    // A pale mark behind a line with a diagnostic, so that every colour stays readable on it.
    p[static_cast<int>(TextEditor::PaletteIndex::ErrorMarker)] = IM_COL32(255, 200, 200, 255);
    ImU32 plain = p[static_cast<int>(TextEditor::PaletteIndex::Identifier)];
    for (int k = 0; k < kNameSlots; k++) p[static_cast<int>(TextEditor::PaletteIndex::UserColour0) + k] = plain;
    for (const RulesColour &c : check.colours) {
        auto it = s.nameSlots.find(c.name);
        if (it != s.nameSlots.end())
            p[static_cast<int>(TextEditor::PaletteIndex::UserColour0) + it->second] = readable(c.rgb);
    }
    s.editor->SetPalette(p);
    TextEditor::ErrorMarkers markers;
    for (const auto &[line, text] : s.document.lineMarkers()) markers[line] = text;
    s.editor->SetErrorMarkers(markers);
}

void ensureEditor() {
    RulesWindow &s = state();
    if (s.editor) return;
    s.editor = std::make_unique<TextEditor>();
    s.editor->SetLanguageDefinition(rulesLanguage());
    s.editor->SetShowWhitespaces(false);
    s.editor->SetPalette(TextEditor::GetLightPalette());
}

// Puts a scenario in the editor, replacing what it held.
void showNow(const std::string &text, const std::string &path) {
    RulesWindow &s = state();
    ensureEditor();
    s.scenarioWaiting = false;
    s.confirmApply = s.applyWhenChecked = 0;
    s.nameSlots.clear();
    s.tooLarge = text.size() > kMaxText;
    if (path.empty())
        s.document.showListing(text);
    else
        s.document.showFile(text, path);
    s.editor->SetReadOnly(false);
    s.editor->SetText(s.tooLarge ? std::string() : text);
    s.editor->SetReadOnly(s.tooLarge);
    if (s.tooLarge) {
        char why[200];
        std::snprintf(why, sizeof why,
                      "This scenario is %.1f MB, more than the editor holds (%.0f MB): edit it in another editor. Its "
                      "diagnostics are below.",
                      static_cast<double>(text.size()) / (1 << 20), static_cast<double>(kMaxText) / (1 << 20));
        setRulesMessage(why, true);
    }
    s.coloured = nullptr;
    if (s.window) glutPostWindowRedisplay(s.window);
}

// The bytes of the character at text[i] as the editor steps through a line:
// a UTF-8 sequence by its first byte, never past the line's end; any other
// byte is a character of its own.
size_t charBytes(const std::string &text, size_t i) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    size_t n = c >= 0xFE ? 1 : c >= 0xFC ? 6 : c >= 0xF8 ? 5 : c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
    size_t k = 1;
    while (k < n && i + k < text.size() && text[i + k] != '\n') k++;
    return k;
}

// The character offset of the editor's cursor in text.
size_t offsetOf(const std::string &text, TextEditor::Coordinates at, int tabSize) {
    size_t i = 0;
    for (int line = 0; line < at.mLine && i < text.size(); i++)
        if (text[i] == '\n') line++;
    for (int column = 0; i < text.size() && text[i] != '\n' && column < at.mColumn; i += charBytes(text, i))
        column = text[i] == '\t' ? (column / tabSize + 1) * tabSize : column + 1;
    return i;
}

TextEditor::Coordinates coordinatesOf(const std::string &text, size_t offset, int tabSize) {
    int line = 0, column = 0;
    for (size_t i = 0; i < offset && i < text.size();) {
        if (text[i] == '\n')
            line++, column = 0, i++;
        else
            column = text[i] == '\t' ? (column / tabSize + 1) * tabSize : column + 1, i += charBytes(text, i);
    }
    return TextEditor::Coordinates(line, column);
}

void find(bool forward) {
    RulesWindow &s = state();
    std::string needle = s.findText;
    s.notFound = false;
    if (needle.empty()) return;
    const std::string &text = s.document.text();
    int tab = s.editor->GetTabSize();
    size_t cursor = offsetOf(text, s.editor->GetCursorPosition(), tab);
    size_t at;
    if (forward) {
        at = text.find(needle, cursor);
        if (at == std::string::npos) at = text.find(needle);  // round from the top
    } else {
        size_t from = cursor >= needle.size() + 1 ? cursor - needle.size() - 1 : std::string::npos;
        at = from == std::string::npos ? std::string::npos : text.rfind(needle, from);
        if (at == std::string::npos) at = text.rfind(needle);
    }
    if (at == std::string::npos) {
        s.notFound = true;
        return;
    }
    TextEditor::Coordinates a = coordinatesOf(text, at, tab), b = coordinatesOf(text, at + needle.size(), tab);
    s.editor->SetSelection(a, b);
    s.editor->SetCursorPosition(b);
}

void jumpTo(int line) {
    RulesWindow &s = state();
    if (line < 1 || line > s.editor->GetTotalLines()) return;
    TextEditor::Coordinates start(line - 1, 0), end(line - 1, 1 << 20);
    s.editor->SetCursorPosition(start);
    s.editor->SetSelection(start, end);
    s.focusEditor = true;
}

void askApply(int kind) {
    RulesWindow &s = state();
    if (s.tooLarge) {
        setRulesMessage("The text is more than the editor holds; load the file from the panel.", true);
        return;
    }
    s.confirmApply = 0;
    s.applyWhenChecked = kind;  // decided once the text as it stands is checked
}

void shortcuts() {
    RulesWindow &s = state();
    ImGuiIO &io = ImGui::GetIO();
    bool ctrl = io.KeyCtrl, shift = io.KeyShift;
    if (ctrl && keyPressed(ImGuiKey_Enter)) askApply(shift ? 2 : 1);
    if (ctrl && ImGui::IsKeyPressed('F', false)) s.findOpen = s.focusFind = true;
    if (ctrl && !shift && ImGui::IsKeyPressed('S', false)) s.requests.save = true;
    if (ctrl && shift && ImGui::IsKeyPressed('S', false)) s.requests.saveAs = true;
    if (ctrl && ImGui::IsKeyPressed('E', false)) s.requests = RulesRequests(), closeRulesWindow();
    if (s.findOpen && keyPressed(ImGuiKey_Escape)) s.findOpen = false, s.focusEditor = true;
}

void toolbar() {
    RulesWindow &s = state();
    const ImVec4 red(0.8f, 0.1f, 0.1f, 1.0f), green(0.1f, 0.4f, 0.1f, 1.0f);
    if (button("Save")) s.requests.save = true;
    ImGui::SameLine();
    if (button("Save As")) s.requests.saveAs = true;
    ImGui::SameLine();
    if (button("Apply")) askApply(1);
    ImGui::SameLine();
    if (button("Apply and keep the world")) askApply(2);
    ImGui::SameLine();
    if (button("Find")) s.findOpen = s.focusFind = true;
    ImGui::TextDisabled("Ctrl+Enter applies, Ctrl+Shift+Enter keeps the world, Ctrl+F finds, Ctrl+S saves");
    const std::string &clip = desktopClipboardProblem();
    if (!s.message.empty()) colouredText(s.messageProblem ? red : green, s.message);
    if (!clip.empty()) colouredText(red, clip);
    if (s.scenarioWaiting) {
        colouredText(ImVec4(0.6f, 0.3f, 0.0f, 1.0f), "The scenario in force changed; this text is kept.");
        if (button("Show the scenario in force (drops this text)", true)) showNow(s.waitingText, s.waitingPath);
    }
    if (s.confirmApply) {
        size_t n = s.document.diagnostics().diagnostics.size();
        colouredText(red, "The text has " + std::to_string(n) + " diagnostic" + (n == 1 ? "" : "s") + ".");
        ImGui::SameLine();
        if (button(s.confirmApply == 2 ? "Apply and keep the world anyway" : "Apply anyway", true)) {
            (s.confirmApply == 2 ? s.requests.applyKeepWorld : s.requests.apply) = true;
            s.confirmApply = 0;
        }
        ImGui::SameLine();
        if (button("Cancel", true)) s.confirmApply = 0;
    }
}

// Ctrl+V or Shift+Insert pressed in this frame.
bool pasteKey() {
    ImGuiIO &io = ImGui::GetIO();
    return (io.KeyCtrl && !io.KeyShift && ImGui::IsKeyPressed('V', false)) ||
           (io.KeyShift && !io.KeyCtrl && keyPressed(ImGuiKey_Insert));
}

// holdPaste: the field must not paste this frame (its text is being fetched).
void findBar(bool holdPaste) {
    RulesWindow &s = state();
    s.findActive = false;
    if (!s.findOpen) return;
    ImGui::AlignTextToFramePadding();
    ImGui::TextUnformatted("Find:");
    ImGui::SameLine();
    ImGui::SetNextItemWidth(260.0f);
    if (s.focusFind) ImGui::SetKeyboardFocusHere(), s.focusFind = false;
    bool enter =
        ImGui::InputText("##find", s.findText, sizeof s.findText,
                         ImGuiInputTextFlags_EnterReturnsTrue | (holdPaste ? ImGuiInputTextFlags_ReadOnly : 0));
    s.findActive = ImGui::IsItemActive();
    if (enter) s.focusFind = true;  // Enter finds the next and stays in the field
    ImGui::SameLine();
    if (ImGui::Button("Next") || (enter && !ImGui::GetIO().KeyShift)) find(true);
    ImGui::SameLine();
    if (ImGui::Button("Previous") || (enter && ImGui::GetIO().KeyShift)) find(false);
    ImGui::SameLine();
    if (ImGui::Button("Close")) s.findOpen = false;
    if (s.notFound) {
        ImGui::SameLine();
        ImGui::TextColored(ImVec4(0.8f, 0.1f, 0.1f, 1.0f), "not found");
    }
}

// A paste is fetched from the desktop while frames go on, and made when it
// arrives; one that would make the text more than the editor holds is
// refused then. True when the editor must not see this frame's keys.
bool pasteAsked() {
    RulesWindow &s = state();
    if (!pasteKey() || s.editor->IsReadOnly()) return false;
    requestDesktopPaste(kMaxText - std::min(kMaxText, s.document.text().size()));
    return true;
}

// After the editor's frame: the paste that arrived, if any.
void pasteArrived() {
    RulesWindow &s = state();
    DesktopPaste paste;
    if (!desktopPasteArrived(paste)) return;
    if (s.findPasteWaiting) {
        s.findPasteWaiting = false;
        if (paste.tooLarge) {
            setRulesMessage("Nothing pasted into Find: more than 64 KB.", true);
        } else if (!paste.text.empty()) {
            s.findPaste = paste.text;
            s.findPasteDue = true;
            windowKeyTap(s.input, 22, GLUT_ACTIVE_CTRL);  // Ctrl+V, made at the next frame
        }
        return;
    }
    if (s.editor->IsReadOnly()) return;
    if (paste.tooLarge) {
        char why[200];
        std::snprintf(why, sizeof why, "Nothing pasted: more than %.1f MB, and the editor holds %.0f MB in all.",
                      static_cast<double>(paste.size) / (1 << 20), static_cast<double>(kMaxText) / (1 << 20));
        setRulesMessage(why, true);
        return;
    }
    offerClipboardText(paste.text);
    s.editor->Paste();
}

void diagnosticsList() {
    RulesWindow &s = state();
    const RulesCheck &check = s.document.diagnostics();
    ImGui::BeginChild("diagnostics", ImVec2(0, 0), true);
    bool stale = s.document.stale();
    const ImVec4 red(0.8f, 0.1f, 0.1f, 1.0f);
    size_t n = check.diagnostics.size();
    if (!s.document.checkFailure().empty()) {
        colouredText(red, s.document.checkFailure());
    } else if (!check.refusal.empty()) {
        colouredText(red, check.refusal);
    } else if (stale) {
        colouredText(ImGui::GetStyleColorVec4(ImGuiCol_TextDisabled), "Checking...");
    } else if (n == 0) {
        colouredText(ImVec4(0.1f, 0.4f, 0.1f, 1.0f), "No diagnostics (" + check.summary + ")");
    } else {
        colouredText(ImGui::GetStyleColorVec4(ImGuiCol_Text), std::to_string(n) + " diagnostic" + (n == 1 ? "" : "s") +
                                                                  " (" + check.summary +
                                                                  "); click one to go to its line");
    }
    if (stale) ImGui::PushStyleColor(ImGuiCol_Text, ImGui::GetStyleColorVec4(ImGuiCol_TextDisabled));
    ImGuiListClipper clipper;
    clipper.Begin(static_cast<int>(n));
    while (clipper.Step()) {
        for (int i = clipper.DisplayStart; i < clipper.DisplayEnd; i++) {
            const RulesDiagnostic &d = check.diagnostics[static_cast<size_t>(i)];
            std::string shown = d.line > 0 ? "line " + std::to_string(d.line) + ": " + d.message : d.message;
            if (ImGui::Selectable((shown + "##" + std::to_string(i)).c_str())) jumpTo(d.line);
            trackItemIn(s.items, shown.c_str());
            if (ImGui::IsItemHovered() && !d.text.empty()) ImGui::SetTooltip("%s", d.text.c_str());
        }
    }
    if (stale) ImGui::PopStyleColor();
    ImGui::EndChild();
}

void contents() {
    RulesWindow &s = state();
    ImGuiIO &io = ImGui::GetIO();
    ImGui::SetNextWindowPos(ImVec2(0, 0));
    ImGui::SetNextWindowSize(io.DisplaySize);
    ImGui::Begin("Rules", nullptr,
                 ImGuiWindowFlags_NoTitleBar | ImGuiWindowFlags_NoResize | ImGuiWindowFlags_NoMove |
                     ImGuiWindowFlags_NoCollapse | ImGuiWindowFlags_NoSavedSettings | ImGuiWindowFlags_NoScrollbar);
    shortcuts();
    toolbar();
    // Ctrl+V in the Find field: its text comes from the desktop while frames go on.
    bool findPaste = false, holdPaste = false;
    if (pasteKey() && s.findPasteDue) {
        offerClipboardText(s.findPaste);  // the window's own Ctrl+V, with the text that came
        s.findPasteDue = false;
        findPaste = true;
    } else if (pasteKey() && s.findActive && !desktopPasteWaiting()) {
        requestDesktopPaste(size_t(64) << 10);
        s.findPasteWaiting = true;
        findPaste = holdPaste = true;
    }
    findBar(holdPaste);
    if (!s.coloured || s.nameSlots.size() != s.slotsColoured) {
        recolourNames();
        s.coloured = &s.document.diagnostics();
        s.slotsColoured = s.nameSlots.size();
    }
    float height = ImGui::GetContentRegionAvail().y - kListHeight - ImGui::GetStyle().ItemSpacing.y;
    bool colour = s.document.text().size() <= kMaxColoured;
    if (colour != s.editor->IsColorizerEnabled()) s.editor->SetColorizerEnable(colour);
    if (!colour)
        ImGui::TextDisabled("Colouring is off for a text over %zu KB, so that typing stays quick.", kMaxColoured >> 10);
    if (!findPaste && pasteAsked()) s.editor->SetHandleKeyboardInputs(false);
    if (s.focusEditor) ImGui::SetNextWindowFocus(), s.focusEditor = false;
    s.editor->Render("text", ImVec2(0, height > 100.0f ? height : 100.0f), true);
    s.editor->SetHandleKeyboardInputs(true);
    pasteArrived();
    if (s.editor->IsTextChanged()) s.document.edited(s.editor->GetText(), clockNow());
    diagnosticsList();
    ImGui::End();
}

void rulesClose() {
    RulesWindow &s = state();
    // The toolkit may call this late, for a window closed before the one open now.
    if (!s.window || glutGetWindow() != s.window) return;
    ImGuiContext *previous = ImGui::GetCurrentContext();
    ImGui::SetCurrentContext(s.context);
    if (s.glReady) uiRendererShutdown();
    ImGui::SetCurrentContext(previous);
    s.glReady = false;
    forgetWindowInput(s.input);
    s.window = 0;
}

}  // namespace

RulesRequests takeRulesRequests() {
    RulesRequests taken = state().requests;
    state().requests = RulesRequests();
    return taken;
}

void openRulesWindow() {
    RulesWindow &s = state();
    ensureEditor();
    if (s.window) {
        glutSetWindow(s.window);
        glutPopWindow();
        return;
    }
    int previousWindow = glutGetWindow();
    ImGuiContext *previousContext = ImGui::GetCurrentContext();
    glutInitWindowPosition(kX, kY);
    glutInitWindowSize(kW, kH);
    s.window = glutCreateWindow(s.document.title().c_str());
    s.title = s.document.title();
    if (!s.context) {
        s.context = ImGui::CreateContext();
        ImGui::SetCurrentContext(s.context);
        ImGuiIO &io = ImGui::GetIO();
        io.IniFilename = nullptr;
        ImGui::StyleColorsLight();
        ImGui::GetStyle().FrameBorderSize = 1.0f;
        ImGui_ImplGLUT_Init();
        installDesktopClipboard();
    }
    ImGui::SetCurrentContext(s.context);
    installWindowInput(s.input);
    glutDisplayFunc(rulesWindowDisplay);
    glutCloseFunc(rulesClose);
    uiRendererInit();
    s.glReady = true;
    s.framesDrawn = 0;
    s.focusEditor = true;
    ImGui::SetCurrentContext(previousContext);
    if (previousWindow) glutSetWindow(previousWindow);
}

void closeRulesWindow() {
    RulesWindow &s = state();
    if (!s.window) return;
    int window = s.window;
    int previous = glutGetWindow();
    glutSetWindow(window);
    rulesClose();
    glutDestroyWindow(window);
    if (previous && previous != window) glutSetWindow(previous);
}

void toggleRulesWindow() {
    if (state().window)
        closeRulesWindow();
    else
        openRulesWindow();
}

bool rulesWindowOpen() { return state().window != 0; }

void rulesShowScenario(const std::string &text, const std::string &path, bool dropUnsaved) {
    RulesWindow &s = state();
    s.message.clear();  // what it said was about the scenario before
    if (s.document.unsaved() && !dropUnsaved) {
        s.scenarioWaiting = true;
        s.waitingText = text;
        s.waitingPath = path;
        if (s.window) glutPostWindowRedisplay(s.window);
        return;
    }
    showNow(text, path);
}

void rulesShowListing() {
    char *data = nullptr;
    size_t size = 0;
    FILE *f = open_memstream(&data, &size);
    if (!f) return;
    writeRules(f);
    std::fclose(f);
    std::string listing(data, size);
    std::free(data);
    rulesShowScenario(listing, std::string());
}

void rulesWindowIdle() {
    RulesWindow &s = state();
    if (!s.editor) return;
    bool wasChecking = s.document.checking();
    if (s.applyWhenChecked) s.document.hurry();
    s.document.tick(clockNow());
    bool checked = wasChecking && !s.document.checking();
    if (s.applyWhenChecked && !s.document.checking() && !s.document.stale()) {
        const RulesCheck &c = s.document.diagnostics();
        if (c.diagnostics.empty() && c.refusal.empty() && s.document.checkFailure().empty())
            (s.applyWhenChecked == 2 ? s.requests.applyKeepWorld : s.requests.apply) = true;
        else
            s.confirmApply = s.applyWhenChecked;
        s.applyWhenChecked = 0;
        checked = true;
    }
    if (checked) s.coloured = nullptr;  // the new colours and markers at the next frame
    if (!s.window) return;
    if (s.document.title() != s.title) {
        s.title = s.document.title();
        int previous = glutGetWindow();
        glutSetWindow(s.window);
        glutSetWindowTitle(s.title.c_str());
        if (previous) glutSetWindow(previous);
    }
    // Promptly while input or a check's answer is there; the text cursor
    // blinks at a few frames a second otherwise.
    float now = clockNow();
    if (checked || inputPending(s.input) || desktopPasteWaiting() || now - s.input.lastInput < 0.5f ||
        now - s.lastDraw > 0.25f || now < s.lastDraw)
        glutPostWindowRedisplay(s.window);
}

bool rulesWindowBusy() {
    RulesWindow &s = state();
    return s.applyWhenChecked ||
           (s.window && (s.document.checking() || inputPending(s.input) || desktopPasteWaiting()));
}

bool rulesEditorUnsaved() { return state().editor && state().document.unsaved(); }

void setRulesMessage(const std::string &text, bool problem) {
    state().message = text;
    state().messageProblem = problem;
    if (state().window) glutPostWindowRedisplay(state().window);
}

void setRulesCheckWorker(const std::string &program) { state().document.setWorkerProgram(program); }

RulesDocument &rulesDocument() { return state().document; }
TextEditor &rulesEditor() {
    ensureEditor();
    return *state().editor;
}
UiEventQueue &rulesWindowInput() { return state().input; }
int rulesWindowId() { return state().window; }
const std::vector<PanelItem> &rulesWindowItems() { return state().items; }

float rulesLongestFrame() { return state().longestFrame; }

void rulesWindowDisplay() {
    RulesWindow &s = state();
    if (!s.window || !s.glReady) return;
    auto started = std::chrono::steady_clock::now();
    int previousWindow = glutGetWindow();
    ImGuiContext *previousContext = ImGui::GetCurrentContext();
    if (previousWindow != s.window) glutSetWindow(s.window);
    ImGui::SetCurrentContext(s.context);
    ImGuiIO &io = ImGui::GetIO();
    int w = glutGet(GLUT_WINDOW_WIDTH), h = glutGet(GLUT_WINDOW_HEIGHT);
    io.DisplaySize = ImVec2(static_cast<float>(w), static_cast<float>(h));
    float now = clockNow();
    io.DeltaTime = s.lastDraw >= 0.0f && now - s.lastDraw > 0.001f ? now - s.lastDraw : 0.001f;
    uiRendererNewFrame();
    feedFrameEvents(s.input);
    ImGui::NewFrame();
    s.items.clear();
    contents();
    ImGui::Render();
    uiRendererDraw(w, h);
    glutSwapBuffers();
    if (inputPending(s.input)) glutPostWindowRedisplay(s.window);
    s.lastDraw = now;
    ImGui::SetCurrentContext(previousContext);
    if (previousWindow && previousWindow != s.window) glutSetWindow(previousWindow);
    // The first frames build the font and the window: not what typing costs.
    std::chrono::duration<float, std::milli> cost = std::chrono::steady_clock::now() - started;
    if (++s.framesDrawn > 3) s.longestFrame = std::max(s.longestFrame, cost.count());
}
