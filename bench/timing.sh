# Timing helpers of the whole-run benchmark scripts, sourced by them (which set LC_ALL=C, for the
# "." in $EPOCHREALTIME).

# Microseconds since the epoch, without starting a process.
now_us() { local t=$EPOCHREALTIME; echo $((10#${t/./})); }

# run_us COMMAND...: wall-clock microseconds of one run of the command, its output discarded.
run_us() { local start end; start=$(date +%s%N); "$@" >/dev/null; end=$(date +%s%N); echo $(((end - start) / 1000)); }

# median: the median of the numbers on standard input (one a line, or several on a line); the mean
# of the middle two for an even count.
median() {
  tr -s ' \t' '\n\n' | grep . | sort -g |
    awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}

# paired_runs RUNS DIR CLEAN A B [C D ...]: RUNS rounds, each calling CLEAN and then run_A, run_B,
# run_C, run_D ..., the two of each pair swapped every other round; appends each one's wall-clock
# microseconds to DIR/<name>_us and each round's ratio A / B to DIR/ratios, all emptied first.
paired_runs() {
  local runs=$1 dir=$2 clean=$3 i k which start
  shift 3
  local names=("$@")
  : >"$dir/ratios"
  for which in "${names[@]}"; do : >"$dir/${which}_us"; done
  for ((i = 0; i < runs; i++)); do
    "$clean"
    for ((k = 0; k < ${#names[@]}; k++)); do
      which=${names[$((i % 2 == 0 ? k : k ^ 1))]}
      start=$(now_us)
      "run_$which"
      echo $(($(now_us) - start)) >>"$dir/${which}_us"
    done
    paste "$dir/${names[0]}_us" "$dir/${names[1]}_us" | tail -1 | awk '{ printf "%.4f\n", $1 / $2 }' >>"$dir/ratios"
  done
}
