# Shared by the shell benchmarks: a clock reading and the median of a list.
now() { date +%s.%N; }
median() { printf '%s\n' $1 | sort -n | awk '{v[NR]=$1} END {print v[int((NR+1)/2)]}'; }
