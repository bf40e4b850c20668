#pragma once

// The simulation half of the live tick, shared by the desktop program and the
// headless tool: copies the edge limit, runs one world step when one is due at
// the chosen speed (advancing the simulated time and maybe making a
// spontaneous node every third step), refills the step budget and deletes the
// dead. Returns true when a step ran.
bool tickWorld(float now);
void spontaneousNode();
