#!/bin/sh
# The yardstick for folder validation: the same checks as the installer makes,
# done by a shell with unzip and coreutils cksum.
#   validate_shell.sh STAGING_DIR ARDUINO_FOLDER   -> prints the matched version
set -u
staging=$1
folder=$2
have=$(head -n 1 "$folder/lib/version.txt" 2>/dev/null)
for v in $(ls "$staging" | grep '^[0-9]' | LC_ALL=C sort); do
  criteria="$staging/$v/LINUX64/directory_criteria.txt"
  [ -f "$criteria" ] || continue
  ok=1
  while IFS= read -r line; do
    case "$line" in
      version:*) [ "$have" = "$v" ] || { ok=0; break; } ;;
      file:*) [ -r "$folder/${line#file:}" ] || { ok=0; break; } ;;
      dir:*) [ -d "$folder/${line#dir:}" ] || { ok=0; break; } ;;
      zipcksum:*)
        set -- ${line#zipcksum:}
        jar=$1; shift
        eval "member=\${$#}"
        sum=$(unzip -p "$folder/$jar" "$member" | cksum)
        found=0
        while [ $# -ge 3 ]; do
          [ "$sum" = "$1 $2" ] && found=1
          shift 2
        done
        [ $found -eq 1 ] || { ok=0; break; }
        ;;
    esac
  done <"$criteria"
  [ $ok -eq 1 ] && { echo "$v"; exit 0; }
done
exit 1
