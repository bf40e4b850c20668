#pragma once

// The panel's drawing: Dear ImGui's OpenGL2 backend, in the GL context of
// the panel window (current when these are called).
void uiRendererInit();
void uiRendererShutdown();
void uiRendererNewFrame();
// Clears the window's width by height and draws the frame ImGui rendered last.
void uiRendererDraw(int width, int height);
