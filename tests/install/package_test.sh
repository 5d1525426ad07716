#!/usr/bin/env bash
# Installs the build into a clean folder, checks the desktop files, makes the .deb, unpacks it
# into another clean folder and starts the programs it holds.
#   package_test.sh BUILD_DIR
set -euo pipefail
build=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

fail() { echo "FAIL: $*" >&2; exit 1; }

# cmake --install: exactly the three programs, their man pages, nvq-can's bash completion and
# the three desktop files.
DESTDIR="$work/dest" cmake --install "$build" --prefix /usr >/dev/null
expected="usr/bin/nvq-can
usr/bin/nvq-can-setup
usr/bin/nvq-can-sim
usr/share/applications/org.nvqcan.Setup.desktop
usr/share/bash-completion/completions/nvq-can
usr/share/icons/hicolor/scalable/apps/org.nvqcan.Setup.svg
usr/share/man/man1/nvq-can-setup.1.gz
usr/share/man/man1/nvq-can-sim.1.gz
usr/share/man/man1/nvq-can.1.gz
usr/share/metainfo/org.nvqcan.Setup.metainfo.xml"
installed=$(cd "$work/dest" && find . -type f | sed 's|^\./||' | LC_ALL=C sort)
[ "$installed" = "$expected" ] || fail "installed files:"$'\n'"$installed"

# Each man page names its program and shows its options.
for program in nvq-can-setup nvq-can nvq-can-sim; do
    page=$(MANWIDTH=100 man -l "$work/dest/usr/share/man/man1/$program.1.gz" 2>/dev/null)
    grep -q "^NAME" <<<"$page" || fail "man page of $program has no NAME"
    grep -qE "^ +$program - " <<<"$page" || fail "man page of $program does not name it"
    grep -q -- "--help" <<<"$page" || fail "man page of $program lacks --help"
done
page=$(MANWIDTH=100 man -l "$work/dest/usr/share/man/man1/nvq-can.1.gz" 2>/dev/null)
grep -q "doctor --port N --baud B" <<<"$page" || fail "man page of nvq-can lacks its commands"

# Bash completes nvq-can's commands, a command's options, COM numbers and baud rates.
completes() {  # completes "WORDS..." EXPECTED: the completions of the last word, one line
    bash -c '. "$1"; shift; expected=$1; shift; COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1))
             _nvq_can; [ "${COMPREPLY[*]}" = "$expected" ] || { echo "${COMPREPLY[*]}"; exit 1; }' \
        _ "$work/dest/usr/share/bash-completion/completions/nvq-can" "$@"
}
completes "doctor" nvq-can do || fail "command"
completes "--all-ids" nvq-can scan --al || fail "scan's option"
completes "--baud" nvq-can doctor --port 3 --ba || fail "doctor's option"
completes "1 10 11 12 13 14 15" nvq-can info --port 1 || fail "COM numbers"
completes "all" nvq-can scan --port a || fail "every port for a scan"
completes "115200" nvq-can send --baud 11 || fail "baud rates"
desktop-file-validate "$work/dest/usr/share/applications/org.nvqcan.Setup.desktop"
appstreamcli validate --no-net --explain "$work/dest/usr/share/metainfo/org.nvqcan.Setup.metainfo.xml" >/dev/null \
    || fail "the metainfo does not validate"
grep -q '<svg' "$work/dest/usr/share/icons/hicolor/scalable/apps/org.nvqcan.Setup.svg" || fail "icon"

# The .deb: its dependencies come from the libraries the programs link.
(cd "$build" && cpack -G DEB -B "$work/pkg" >/dev/null)
deb=$(ls "$work"/pkg/*.deb)
depends=$(dpkg-deb -f "$deb" Depends)
for lib in libc6 libqt6core6 libqt6widgets6 libqt6serialport6 libqt6charts6; do
    [[ "$depends" == *"$lib "* || "$depends" == *"$lib," || "$depends" == *"$lib" ]] \
        || fail "Depends lacks $lib: $depends"
done
[ "$(dpkg-deb -f "$deb" Package)" = nvq-can-setup ] || fail "package name"

# Unpacked into a clean folder, the programs start.
dpkg -x "$deb" "$work/root"
for f in usr/bin/nvq-can usr/share/man/man1/nvq-can.1.gz usr/share/bash-completion/completions/nvq-can; do
    [ -f "$work/root/$f" ] || fail "the package lacks $f"
done
for program in nvq-can-setup nvq-can nvq-can-sim; do
    [ "$("$work/root/usr/bin/$program" --version)" = "$program 1.0" ] || fail "$program --version"
done
[ "$(XDG_CONFIG_HOME="$work/run/config" "$work/root/usr/bin/nvq-can" ports --json | head -c 1)" = "[" ] \
    || fail "nvq-can ports"
# Read whole before it is looked at: grep -q would leave at the first line, and the help, longer
# than a pipe's first write, would then fail on the closed pipe.
sim_help="$("$work/root/usr/bin/nvq-can-sim" --help)"
[[ "$sim_help" == "Usage: nvq-can-sim"* ]] || fail "nvq-can-sim --help"
mkdir -p "$work/run"
(cd "$work/run" && XDG_CONFIG_HOME="$work/run/config" QT_QPA_PLATFORM=offscreen \
    exec "$work/root/usr/bin/nvq-can-setup") &
setup=$!
sleep 2
kill -0 "$setup" 2>/dev/null || fail "nvq-can-setup did not keep running"
kill "$setup"
wait "$setup" 2>/dev/null || true
echo "installed, packaged ($(basename "$deb")) and started"
