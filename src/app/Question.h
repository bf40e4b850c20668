#pragma once
#include <functional>
#include <string>
#include <utility>
#include <vector>

// A modal question in the panel window: a title, a text, an optional list
// (diagnostics, each a line and an indented detail under it) and a row of
// answers. While it waits the world waits too, as behind the about box. The
// answer's action runs in the app's pass after the panel frame (not inside
// it), so it may replace the world, ask for a file or ask again.
struct Question {
    std::string title;
    std::string text;
    std::vector<std::pair<std::string, std::string>> list;
    std::vector<std::string> answers;  // buttons, left to right
    int enterAnswer = 0;               // what Enter picks; Escape picks the last
    bool wide = false;                 // the panel grows while it is open
    std::function<void(int answer)> answered;
};

// Shows the question (after the one open, if any).
void askQuestion(Question question);
bool questionOpen();
// The question shown (or waiting for the about box to close), or null.
const Question *shownQuestion();
// Draws the popup into the panel frame under way (after the about box closed).
void drawQuestion();
// Runs the action of an answer given in the last panel frame; the app calls
// it between frames.
void carryOutAnswer();
// Answers the open question as its button would (tests, and a window closed
// while the question waits).
void answerQuestion(int answer);
