# Timing helpers of the whole-run benchmark scripts, sourced by them.

# run_us COMMAND...: wall-clock microseconds of one run of the command, its output discarded.
run_us() { local start end; start=$(date +%s%N); "$@" >/dev/null; end=$(date +%s%N); echo $(((end - start) / 1000)); }

# median: the median of the numbers on standard input (one a line, or several on a line); the mean
# of the middle two for an even count.
median() {
  tr -s ' \t' '\n\n' | grep . | sort -g |
    awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}
