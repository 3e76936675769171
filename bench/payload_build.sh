#!/bin/sh
# Builds an installer from a synthetic tree at the add-on's full scale and
# reports the build times and the installer's size.
#   bench/payload_build.sh [WORK_DIR]      (default: build/bench)
set -eu
top=$(cd "$(dirname "$0")/.." && pwd)
work=${1:-$top/build/bench}
rm -rf "$work/tree" "$work/installer"
mkdir -p "$work"
python3 "$top/bench/make_tree.py" "$work/tree"

seconds() { date +%s.%N; }
t0=$(seconds)
"$top/scripts/build-installer" "$work/tree" "$work/installer" >"$work/build.log" 2>&1
t1=$(seconds)
touch "$work/tree/kestrokit.txt"
t2=$(seconds)
"$top/scripts/build-installer" "$work/tree" "$work/installer" >>"$work/build.log" 2>&1
t3=$(seconds)
cmake --build "$work/installer" --target kestrokit >>"$work/build.log" 2>&1
t4=$(seconds)

exe="$work/installer/bin/kestrokit"
entries=$(wc -l <"$work/installer/installer/kestrokit_payload/manifest.txt")
links=$(grep -c ' --> ' "$work/installer/installer/kestrokit_payload/manifest.txt")
echo "payload: $entries entries, $links links"
echo "installer size: $(wc -c <"$exe") bytes"
echo "full build (configure, compile, payload, link): $(echo "$t1 - $t0" | bc) s"
echo "rebuild after one entry changed (rescan, reassemble, relink): $(echo "$t3 - $t2" | bc) s"
echo "no-op rebuild (rescan only): $(echo "$t4 - $t3" | bc) s"
"$exe" --dir=/nonexistent 2>&1 | sed 's/^/installer runs: /'
