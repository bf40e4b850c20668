#!/usr/bin/env bash
# What the build cannot see of the layers (it enforces which layer includes
# and calls which; see docs/architecture.md): where the graphics and the
# window toolkit may appear.
set -uo pipefail
cd "$(dirname "$0")/.."
bad=0
check() {  # check WHY REGEX FILES...: no line of FILES may match REGEX
    local why=$1 pattern=$2; shift 2
    local hits
    hits=$(grep -n -E "$pattern" "$@" 2>/dev/null)
    if [ -n "$hits" ]; then echo "layout: $why"; echo "$hits"; bad=1; fi
}
headless=(src/world src/rules src/io src/runtime src/benchworlds src/batch)
notRender=(src/world src/rules src/io src/runtime src/benchworlds src/batch src/app)
check "the headless layers include no graphics, toolkit or window-system header" \
    '#include <(GL/|imgui|backends/|X11/)' -r "${headless[@]}"
check "GL, GLU and GLX calls live in src/render" \
    '(^|[^A-Za-z_])(gl[A-Z]|glu[A-Z]|glX)[A-Za-z0-9_]*[[:space:]]*\(' -r "${notRender[@]}"
check "GL headers and ImGui's GL backend live in src/render" \
    '#include <(GL/gl\.h|GL/glu\.h|GL/glx\.h|backends/imgui_impl_opengl)' -r "${notRender[@]}"
check "the window toolkit (windows, callbacks, ImGui's GLUT backend) lives in src/app" \
    '(glut[A-Za-z]*Func|glutCreateWindow|glutMainLoop|ImGui_ImplGLUT)[[:space:]]*\(' -r src/render "${headless[@]}"
check "includes name a folder under src, never a path that climbs" '#include "\.\./' -r src tests bench
[ "$bad" = 0 ] && echo "layout: graphics and toolkit where they belong"
exit $bad
