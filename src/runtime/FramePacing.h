#pragma once

// When the idle pass draws and how long it rests: a frame when something
// changed, at most 60 a second while something moves, a few a second when
// nothing does; the rest ends when the next step is due or input arrives.
constexpr float kFramePeriod = 1.0f / 60.0f;
constexpr float kQuietPeriod = 0.25f;

struct PacingState {
    float now = 0.0f;
    float lastFrame = -1.0f;  // when the last frame was drawn (-1: never)
    bool changed = false;     // input, a step or an action since that frame
    bool animated = false;    // a pulse, a zoom or a drag is under way
    float nextStep = -1.0f;   // when the next step falls due (-1: none runs)
};

bool frameWanted(const PacingState &s);
// Seconds to rest after a pass, 0 when the next pass has work at once.
float restSeconds(const PacingState &s);
