# The two large frame sets of the whole-run benchmarks, sourced by run_vs_cat.sh and
# instructions.sh. Each output just fits the QFB buffer: 19 frames of 1024 x 512 at 32 bits,
# and 14 frames of 1024 x 682 at 24 bits; raw, stored bottom-up. The format is the one
# run_vs_cat.sh converts the set to; instructions.sh tries every format.
#   name      frames width height bits format
FRAME_SETS=(
  "bgra32     19     1024  512    32   4444"
  "bgr24      14     1024  682    24   565"
)

# make_frame_set_dir MAKER FOLDER NAME FRAMES WIDTH HEIGHT BITS: writes the set into
# FOLDER/NAME/ and prints the base filename to give makeqfb.
make_frame_set_dir() {
  local maker=$1 folder=$2 name=$3 frames=$4 width=$5 height=$6 bits=$7
  mkdir -p "$folder/$name"
  "$maker" "$folder/$name" walk "$frames" "$width" "$height" "$bits"
}
