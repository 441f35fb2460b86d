#!/usr/bin/env bash
# Installs the build into a temporary prefix, starts the installed app offscreen and checks that
# the core it runs is the installed one. The core's environment check runs `codex --version`;
# a stand-in codex records which program started it.
set -euo pipefail
build="$1"
work="$(mktemp -d)"
app_pid=""
cleanup() {
    if [ -n "$app_pid" ]; then kill "$app_pid" 2>/dev/null || true; wait "$app_pid" 2>/dev/null || true; fi
    rm -rf "$work"
}
trap cleanup EXIT

prefix="$work/prefix"
cmake --install "$build" --prefix "$prefix" >/dev/null

core="$prefix/share/marlvane/Core/tessaroll"
[ -x "$core" ] || { echo "installed core missing at $core"; exit 1; }
[ -f "$prefix/share/applications/marlvane.desktop" ] || { echo "desktop entry missing"; exit 1; }
[ -f "$prefix/share/icons/hicolor/scalable/apps/marlvane.svg" ] || { echo "icon missing"; exit 1; }
desktop-file-validate "$prefix/share/applications/marlvane.desktop"
metainfo="$prefix/share/metainfo/org.marlvane.app.metainfo.xml"
[ -f "$metainfo" ] || { echo "metainfo missing"; exit 1; }
appstreamcli validate --no-net "$metainfo"
grep -q '<launchable type="desktop-id">marlvane.desktop</launchable>' "$metainfo" ||
    { echo "the metainfo does not launch the installed desktop entry"; exit 1; }

mkdir -p "$work/bin" "$work/home" "$work/data" "$work/runtime"
chmod 700 "$work/runtime"
record="$work/started-by"
cat > "$work/bin/codex" <<SH
#!/bin/sh
readlink -f /proc/\$PPID/exe > "$record"
echo "codex-cli 0.0.0"
SH
chmod +x "$work/bin/codex"

env -i PATH="$work/bin:/usr/bin:/bin" HOME="$work/home" XDG_DATA_HOME="$work/data" \
    XDG_RUNTIME_DIR="$work/runtime" TESSAROLL_HOME="$work/profiles" QT_QPA_PLATFORM=offscreen \
    LC_ALL=C.UTF-8 "$prefix/bin/marlvane" >/dev/null 2>&1 &
app_pid=$!

for _ in $(seq 1 200); do
    [ -s "$record" ] && break
    sleep 0.1
done
[ -s "$record" ] || { echo "the installed app never ran its core's environment check"; exit 1; }
started_by="$(cat "$record")"
expected="$(readlink -f "$core")"
if [ "$started_by" != "$expected" ]; then
    echo "the installed app ran $started_by instead of $expected"
    exit 1
fi
echo "installed app runs its installed core: $started_by"
