#!/usr/bin/env bash
# Installs what is missing, builds, starts a simulated NVQ-CAN device on COM1 and opens the
# program on it. Extra arguments go to nvq-can-sim (see build/nvq-can-sim --help), e.g.
#   ./run.sh --pace --port 1 --device 1 --device 2
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
# Only the two programs it starts: the tests and benches are test.sh's.
cmake --build build -j"$(nproc)" --target nvq-can-setup nvq-can-sim

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "No display: run this from a desktop session (or under xvfb-run)." >&2
    exit 1
fi

# A private working folder: nvq-can.ini lives here, and its ports folder holds the simulator's
# COM links, so a real adapter's links in ~/.config are left alone.
mkdir -p run
export XDG_CONFIG_HOME="$PWD/run/config"
simargs=("$@")
[ ${#simargs[@]} -gt 0 ] || simargs=(--port 1 --device 1)

build/nvq-can-sim "${simargs[@]}" --log run/traffic.log </dev/null >run/sim.out 2>&1 &
sim=$!
trap 'kill $sim 2>/dev/null || true' EXIT
for _ in $(seq 50); do
    grep -q "^COM" run/sim.out 2>/dev/null && break
    sleep 0.1
done
cat run/sim.out
echo "Traffic log: run/traffic.log"

cd run
../build/nvq-can-setup
