#include "render/UiRenderer.h"

#include <GL/gl.h>
#include <imgui.h>
#include <backends/imgui_impl_opengl2.h>

void uiRendererInit() { ImGui_ImplOpenGL2_Init(); }
void uiRendererShutdown() { ImGui_ImplOpenGL2_Shutdown(); }
void uiRendererNewFrame() { ImGui_ImplOpenGL2_NewFrame(); }

void uiRendererDraw(int width, int height) {
    glViewport(0, 0, width, height);
    glClearColor(0.94f, 0.94f, 0.94f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    ImGui_ImplOpenGL2_RenderDrawData(ImGui::GetDrawData());
}
