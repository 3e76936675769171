# Shared by the shell benchmarks: a clock reading, the median of a list, and
# the turn-taking between a measured command and its yardstick.
now() { date +%s.%N; }
median() { printf '%s\n' $1 | sort -n | awk '{v[NR]=$1} END {print v[int((NR+1)/2)]}'; }
# take_turns RUNS FIRST SECOND: runs the two functions RUNS + 1 times, each
# going first in every other round, with the round number in $i. Round 0
# warms the caches; the functions leave it out of their figures.
take_turns() {
  i=0
  while [ $i -le "$1" ]; do
    if [ $((i % 2)) -eq 0 ]; then "$2"; "$3"; else "$3"; "$2"; fi
    i=$((i + 1))
  done
}
