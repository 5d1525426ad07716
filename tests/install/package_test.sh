#!/usr/bin/env bash
# Installs the build into a clean folder, checks the desktop files, makes the .deb, unpacks it
# into another clean folder and starts the programs it holds.
#   package_test.sh BUILD_DIR
set -euo pipefail
build=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

fail() { echo "FAIL: $*" >&2; exit 1; }

# cmake --install: exactly the two programs and the three desktop files.
DESTDIR="$work/dest" cmake --install "$build" --prefix /usr >/dev/null
expected="usr/bin/nvq-can-setup
usr/bin/nvq-can-sim
usr/share/applications/org.nvqcan.Setup.desktop
usr/share/icons/hicolor/scalable/apps/org.nvqcan.Setup.svg
usr/share/metainfo/org.nvqcan.Setup.metainfo.xml"
installed=$(cd "$work/dest" && find . -type f | sed 's|^\./||' | sort)
[ "$installed" = "$expected" ] || fail "installed files:"$'\n'"$installed"
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
"$work/root/usr/bin/nvq-can-sim" --help | grep -q '^Usage: nvq-can-sim' || fail "nvq-can-sim --help"
mkdir -p "$work/run"
(cd "$work/run" && XDG_CONFIG_HOME="$work/run/config" QT_QPA_PLATFORM=offscreen \
    exec "$work/root/usr/bin/nvq-can-setup") &
setup=$!
sleep 2
kill -0 "$setup" 2>/dev/null || fail "nvq-can-setup did not keep running"
kill "$setup"
wait "$setup" 2>/dev/null || true
echo "installed, packaged ($(basename "$deb")) and started"
