#!/bin/sh
# The command-line install of a full-scale payload, timed against tar
# writing the same files to the same places, in the same run.
#   bench/install_vs_tar.sh INSTALLER_BUILD_DIR WORK_DIR [RUNS]
# INSTALLER_BUILD_DIR holds bin/kestrokit built from bench/make_tree.py's tree
# (bench/payload_build.sh makes it).
set -eu
top=$(cd "$(dirname "$0")/.." && pwd)
kestrokit="$1/bin/kestrokit"
work=$(mkdir -p "$2" && cd "$2" && pwd)
runs=${3:-7}
sample="$work/sample-1.8.19"
rm -rf "$sample" "$work/ide" "$work/tar-dest" "$work/files.tar"
"$top/scripts/make-sample-arduino" 1.8.19 "$sample"

# One install tells which files the installer writes; tar gets exactly those
# files, as the installer left them, jars included.
cp -a "$sample" "$work/ide"
touch "$work/stamp"
sleep 0.01
"$kestrokit" "--dir=$work/ide"
(cd "$work/ide" && find . -type f -newer "$work/stamp" | sort >"$work/files.list")
(cd "$work/ide" && tar -cf "$work/files.tar" -T "$work/files.list")
echo "files written by one install: $(wc -l <"$work/files.list"), tar of them: $(wc -c <"$work/files.tar") bytes"

. "$top/bench/timing.sh"
install_times=""
tar_times=""
# Each command starts after a sync, so that neither pays for the other's
# write-back, and the two take turns at going first. Every run writes into a
# folder of its own and nothing is deleted until the end: ext4 makes file
# creation slow next to inodes that were freed moments ago.
rm -rf "$work/runs"
mkdir -p "$work/runs"
time_install() {
  dest="$work/runs/ide.$i"; cp -a "$sample" "$dest"; sync
  t0=$(now); "$kestrokit" "--dir=$dest"; t1=$(now)
  [ $i -gt 0 ] && install_times="$install_times $(echo "$t1 - $t0" | bc)"
  return 0
}
time_tar() {
  dest="$work/runs/tar.$i"; cp -a "$sample" "$dest"; sync
  t0=$(now); tar -xf "$work/files.tar" -C "$dest"; t1=$(now)
  [ $i -gt 0 ] && tar_times="$tar_times $(echo "$t1 - $t0" | bc)"
  return 0
}
take_turns "$runs" time_install time_tar
rm -rf "$work/runs"
a=$(median "$install_times")
b=$(median "$tar_times")
echo "kestrokit --dir= (median of $runs): $a s"
echo "tar -xf of the same files:          $b s"
echo "ratio install / tar: $(echo "scale=3; $a / $b" | bc)   (target: at most 1.0)"
