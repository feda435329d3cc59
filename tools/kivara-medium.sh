#!/usr/bin/env bash
# Lays out a sample distribution medium in FOLDER (default .run/medium):
# our own placeholder pictures and documents, and placeholder installers
# (no installer of anyone's). Copies the install menu into it and starts it
# there, since the menu finds the medium beside itself.
#
# The four driver "installers" are marked as Windows programs, so the
# driver buttons say that this system cannot start them; "\Install\setup.exe"
# is a small script that prints where it was started.
set -euo pipefail
cd "$(dirname "$0")/.."

. tools/install-deps.sh
dorvi_install_deps qt6-qpa-plugins

build=${DORVI_RUN_BUILD:-build-run}
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DDORVI_BENCH=OFF >/dev/null
cmake --build "$build" -j"$(nproc)" --target kivara kivara-sample

medium=${1:-.run/medium}
mkdir -p "$medium/driver" "$medium/Install"
QT_QPA_PLATFORM=offscreen "$build/bin/kivara-sample" "$medium"
for version in winxp win7 win8 win10; do
    printf 'MZ placeholder of the sample medium, not an installer\n' \
        >"$medium/driver/USBDriver_$version.exe"
done
cat >"$medium/Install/setup.exe" <<'SCRIPT'
#!/bin/sh
echo "Sample medium: setup.exe started in $(pwd)"
SCRIPT
chmod +x "$medium/Install/setup.exe"
cp "$build/bin/kivara" "$medium/kivara"

exec "$medium/kivara"
