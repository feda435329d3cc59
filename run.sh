#!/usr/bin/env bash
# Installs what is missing, builds, and starts Dorvi against the meter
# simulator, which plays a meter on a pseudo-terminal linked as COM1.
# Pick "COM1" in the port window and press "OK".
set -euo pipefail
cd "$(dirname "$0")"

. tools/install-deps.sh
dorvi_install_deps qt6-qpa-plugins

build=${DORVI_RUN_BUILD:-build-run}
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DDORVI_BENCH=OFF >/dev/null
cmake --build "$build" -j"$(nproc)" --target dorvi meter-sim

# A configuration folder of this run's own, so the simulator's COM1 link
# never hides a real meter's port.
config="$PWD/.run/config"
mkdir -p "$config"
export XDG_CONFIG_HOME="$config"

"$build/bin/meter-sim" --port 1 --ports-dir "$config/dorvi/ports" "$@" &
sim=$!
trap 'kill "$sim" 2>/dev/null; wait "$sim" 2>/dev/null || true' EXIT
for _ in $(seq 50); do
    [ -e "$config/dorvi/ports/COM1" ] && break
    sleep 0.1
done

# Dorvi writes its scratch file "Fake" and the live list's dumps into the
# folder it runs in: keep them out of the source tree.
bin="$(cd "$build/bin" && pwd)"
cd .run
"$bin/dorvi"
