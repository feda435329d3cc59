#!/usr/bin/env bash
# Lays out a sample distribution medium in FOLDER (default .run/medium of
# the source tree): our own placeholder pictures and documents, and
# placeholder installers (no installer of anyone's). Copies the install menu
# into it and starts it there, since the menu finds the medium beside itself.
#
# The four driver "installers" are marked as Windows programs, so the
# driver buttons say that this system cannot start them; "\Install\setup.exe"
# is a small script that prints where it was started.
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"

. "$top/tools/install-deps.sh"
dorvi_install_deps qt6-qpa-plugins

# run.sh's build folder at the top of the source tree, wherever this script
# is started from; a relative DORVI_RUN_BUILD is taken from there too.
build=${DORVI_RUN_BUILD:-build-run}
[[ $build == /* ]] || build="$top/$build"
cmake -S "$top" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DDORVI_BENCH=OFF >/dev/null
cmake --build "$build" -j"$(nproc)" --target kivara kivara-sample

# A relative FOLDER is taken from the folder the script was started in.
medium=${1:-$top/.run/medium}
mkdir -p "$medium/driver" "$medium/Install"
medium="$(cd "$medium" && pwd)"
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
