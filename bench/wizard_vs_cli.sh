#!/bin/sh
# The wizard's install of a full-scale payload, timed against the
# command-line install of the same payload into the same kind of folder, in
# the same run. The wizard runs on a private Xvfb and is driven with xdotool.
#   bench/wizard_vs_cli.sh INSTALLER_BUILD_DIR WORK_DIR [RUNS]
# It runs as root in a mount and network namespace of its own, with an empty
# home mounted over the real one, so that the wizard's preferences update
# and the udev copy in /tmp never touch the machine.
set -eu
top=$(cd "$(dirname "$0")/.." && pwd)
if [ -z "${KESTROKIT_BENCH_PRIVATE:-}" ]; then
  [ "$(id -u)" -eq 0 ] || { echo "bench/wizard_vs_cli.sh: run as root (it needs namespaces)" >&2; exit 1; }
  export KESTROKIT_BENCH_PRIVATE=1
  exec unshare -mn sh -c 'mount --make-rprivate / && ip link set lo up && exec "$0" "$@"' "$0" "$@"
fi
kestrokit="$(cd "$1" && pwd)/bin/kestrokit"
work=$(mkdir -p "$2" && cd "$2" && pwd)
runs=${3:-5}
home=$(getent passwd "$(id -u)" | cut -d: -f6)
mkdir -p "$work/home"
mount --bind "$work/home" "$home"
mount -t tmpfs tmp /tmp
sample="$work/sample-1.8.19"
rm -rf "$sample" "$work/runs"
"$top/scripts/make-sample-arduino" 1.8.19 "$sample"
# The wizard's run ends by removing obsolete library folders; the last one
# going is the moment the run is over.
obsolete=hardware/kestro/avr/libraries/SD/utility
mkdir -p "$sample/$obsolete"
echo old >"$sample/$obsolete/old.h"

exec 3>"$work/display"
Xvfb -displayfd 3 -screen 0 800x600x24 -nolisten tcp -noreset >/dev/null 2>&1 &
xvfb=$!
trap 'kill $xvfb 2>/dev/null' EXIT
while [ ! -s "$work/display" ]; do sleep 0.05; done
export DISPLAY=":$(cat "$work/display")"

. "$top/bench/timing.sh"
pause() { sleep "$1"; }
wizard_times=""
cli_times=""
mkdir -p "$work/runs"
time_wizard() {
  dest="$work/runs/wizard.$i"; mkdir -p "$dest"; cp -a "$sample" "$dest/arduino-1.8.19"; sync
  HOME="$dest" "$kestrokit" >/dev/null 2>&1 &
  pid=$!
  w=$(xdotool search --sync --name '^Kestrokit 1.57 Installer$' | head -1)
  at() { xdotool mousemove --window "$w" "$1" "$2" click 1; pause "$3"; }
  at 285 336 0.5   # Next: the udev page, whose check fails here
  at 130 273 0.5   # Skip UDEV Rules Check
  at 120 141 0.5   # arduino-1.8.19/, validated
  at 285 336 0.3   # Next: libraries
  at 285 336 0.3   # Next: install page
  t0=$(now)
  xdotool mousemove --window "$w" 285 336 click 1
  while [ -e "$dest/arduino-1.8.19/$obsolete" ]; do pause 0.01; done
  t1=$(now)
  pause 0.3
  xdotool mousemove --window "$w" 435 336 click 1   # Done
  wait $pid
  [ -e "$dest/arduino-1.8.19/lib/kestrokit.txt" ] || { echo "the wizard did not install" >&2; exit 1; }
  [ $i -gt 0 ] && wizard_times="$wizard_times $(echo "$t1 - $t0" | bc)"
  return 0
}
time_cli() {
  dest="$work/runs/cli.$i"; mkdir -p "$dest"; cp -a "$sample" "$dest/arduino-1.8.19"; sync
  t0=$(now); "$kestrokit" "--dir=$dest/arduino-1.8.19"; t1=$(now)
  [ $i -gt 0 ] && cli_times="$cli_times $(echo "$t1 - $t0" | bc)"
  return 0
}
take_turns "$runs" time_wizard time_cli
rm -rf "$work/runs"
a=$(median "$wizard_times")
b=$(median "$cli_times")
echo "wizard install, Install to the end of the run (median of $runs): $a s"
echo "kestrokit --dir= of the same payload (median of $runs):        $b s"
echo "ratio wizard / command line: $(echo "scale=3; $a / $b" | bc)   (target: at most 1.3)"
