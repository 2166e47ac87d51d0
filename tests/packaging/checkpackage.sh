#!/usr/bin/env bash
# Builds the Debian package into a temporary folder and checks it: files, control data and
# scripts, the extracted programs starting with the libraries they depend on, and the units.
#   checkpackage.sh CPACK BUILD_DIR VERSION
set -euo pipefail
cpack=$1 build=$2 version=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

"$cpack" -G DEB --config "$build/CPackConfig.cmake" -B "$work/out" >"$work/cpack.log" 2>&1 \
    || { cat "$work/cpack.log" >&2; fail "cpack"; }
deb=$(echo "$work"/out/ptx-panel_*.deb)
field() { dpkg-deb --field "$deb" "$1"; }
[ "$(field Package) $(field Version)" = "ptx-panel $version" ] || fail "$(field Package) $(field Version)"
for dep in libqt6widgets6 libqt6network6 libqt6xml6 libqrencode4 libc6 libstdc++6 fonts-dejavu-core libmosquitto1; do
    field Depends | grep -q "\b$dep\b" || fail "Depends lacks $dep: $(field Depends)"
done

field Recommends | grep -q "\bmosquitto-clients\b" || fail "Recommends lacks mosquitto-clients"

dpkg-deb --contents "$deb" | awk '{print $6}' >"$work/files"
for f in usr/bin/ptx-{panel,sim,recipe} usr/share/man/man1/ptx-{panel,sim,recipe}.1.gz \
         usr/lib/systemd/system/ptx-{panel,sim}.service usr/share/applications/ptx-panel.desktop \
         usr/share/doc/ptx-panel/{deploy,telemetry}.md etc/default/ptx-{panel,sim} \
         usr/share/ptx-panel/examples/grid-points.rcp; do
    grep -qx "./$f" "$work/files" || fail "package lacks /$f"
done
dpkg-deb --control "$deb" "$work/control"
for script in postinst prerm postrm; do
    [ -x "$work/control/$script" ] && sh -n "$work/control/$script" || fail "$script"
done
grep -qx /etc/default/ptx-panel "$work/control/conffiles" || fail "settings not a conffile"

# Removing keeps the panel's folder, purging deletes it (systemd's helper stubbed).
mkdir -p "$work/stubs" "$work/target/var/lib/ptx-panel"
printf '#!/bin/sh\n' >"$work/stubs/deb-systemd-helper" && chmod +x "$work/stubs/deb-systemd-helper"
postrm() { DPKG_ROOT="$work/target" PATH="$work/stubs:$PATH" "$work/control/postrm" "$1"; }
postrm remove && [ -d "$work/target/var/lib/ptx-panel" ] || fail "remove deleted the folder"
postrm purge && [ ! -e "$work/target/var/lib/ptx-panel" ] || fail "purge kept the folder"

# The extracted programs start from the package's own copy, with no screen for --version.
dpkg-deb --extract "$deb" "$work/root"
for program in ptx-panel ptx-sim ptx-recipe; do
    binary="$work/root/usr/bin/$program"
    ! ldd "$binary" | grep 'not found' || fail "$program misses libraries"
    out=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$binary" --version) || fail "$program"
    [ "$out" = "$program $version" ] || fail "$program --version said: $out"
    zcat "$work/root/usr/share/man/man1/$program.1.gz" | grep -q "^\.SH NAME" || fail "man $program"
done
# A working folder that cannot be made stops the panel before any window, with status 3.
status=0
(cd "$work" && "$work/root/usr/bin/ptx-panel" -platform offscreen --workdir /proc/self/p 2>err) \
    || status=$?
[ $status = 3 ] && grep -q "cannot create the folder /proc/self/p" "$work/err" || fail "bad folder: $status"
[ ! -e "$work/config.xml" ] || fail "config.xml written despite the bad folder"

if command -v systemd-analyze >/dev/null; then
    # The check looks for the programs the units start: here they are in the extracted tree.
    mkdir "$work/units"
    for unit in ptx-panel.service ptx-sim.service; do
        sed "s#/usr/bin/#$work/root/usr/bin/#" "$work/root/usr/lib/systemd/system/$unit" \
            >"$work/units/$unit"
    done
    complaints=$(systemd-analyze verify --man=no "$work"/units/*.service 2>&1) \
        && [ -z "$complaints" ] || fail "systemd-analyze verify: $complaints"
else
    echo "systemd-analyze not installed: units not verified"
fi
echo "package $(basename "$deb") checked"
