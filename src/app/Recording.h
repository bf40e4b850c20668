#pragma once
#include <string>

// "Record": the live view written to an H.264 movie, one frame per step
// (paused, a frame per "Step"). Run ahead gives either the frames it draws
// (about ten a second) or a frame every K steps, as chosen.
struct RecordingChoices {
    bool runAheadEveryK = false;
    int every = 10;
};
extern RecordingChoices recordingChoices;

// Starts a movie of the world window in the working folder,
// drovan-YYYYMMDD-HHMMSS.mp4; false with why.
bool startRecording(std::string &why);
// Ends the movie; false with why (what was written still plays).
bool stopRecording(std::string &why);
bool recording();
// The movie's full path (the last one, once stopped), frames and seconds.
const std::string &recordingPath();
long recordedFrames();
double recordedSeconds();

// Whether the frame of an idle pass that stepped goes into the movie (drawn
// now when pacing would skip it): yes unless the pass ran Run ahead steps in
// every-K mode, which records from its steps instead (its last pass too).
bool recordsSteppedPass(bool runAheadPass);
// After each run-ahead step: in every-K mode, a frame when the step count is
// a multiple of K.
void recordRunAheadStep();
// Reads the frame just drawn into the world window's back buffer into the
// movie. A write that fails stops the recording and tells the panel why.
void recordDrawnFrame();
