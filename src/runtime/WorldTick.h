#pragma once

// The simulation half of the live tick, shared by the desktop program and the
// headless tool: copies the edge limit, runs one world step when one is due at
// the chosen speed (advancing the simulated time and maybe making a
// spontaneous node every third step), refills the step budget and deletes the
// dead. Returns true when a step ran.
// A step is due on the first pass at or after the last step plus the period.
bool tickWorld(float now);
// One tick that steps whatever the speed, exactly as a due tick would (the
// panel's "Step" and "Run ahead"). The step clock is left ahead of the wall
// clock; the program sets it back afterwards.
bool stepWorldNow();
