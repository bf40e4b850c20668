#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, when missing.
# Slurm is optional: where it cannot be installed its test says so and skips.
set -euo pipefail
packages=(cmake g++ make pkg-config flex bison libgtest-dev libbenchmark-dev
          libglut-dev libgl-dev libglu1-mesa-dev libimgui-dev libstb-dev
          xvfb xauth xdotool imagemagick gnuplot-nox
          libonig-dev nlohmann-json3-dev vim xclip)
optional=(slurm-wlm munge)
missing() {
    local p
    for p in "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || echo "$p"
    done
}
sudo_cmd=()
[ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
install() {
    "${sudo_cmd[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "$@"
}
mapfile -t need < <(missing "${packages[@]}")
if [ ${#need[@]} -gt 0 ]; then
    echo "Installing: ${need[*]}"
    install "${need[@]}"
fi
mapfile -t want < <(missing "${optional[@]}")
if [ ${#want[@]} -gt 0 ]; then
    echo "Installing: ${want[*]}"
    install "${want[@]}" || echo "Could not install ${want[*]}: the Slurm test will be skipped"
fi
