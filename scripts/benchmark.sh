#!/usr/bin/env bash
# Times the program's console runs against the bare FreeImage work they must
# do and prints a markdown table.
#
#   scripts/benchmark.sh [RUNS] [FILE...]
#
# RUNS (default 5) timed runs of every command, alternating between them.
# FILEs default to the camera files in ../shared/corpus/raw/ (when present)
# plus two generated DNGs: 6000 x 4000 with a 1600 x 1066 JPEG preview, and
# 4000 x 3000 without one. Environment:
#   PICTAVO_BUILD   Release build tree to use (default build/, as scripts/setup.sh
#                   makes it); the program and the bench/ helpers are built there
#   BENCH_WORK      scratch folder for generated input and outputs
#                   (default $PICTAVO_BUILD/benchmark)
#   BENCH_WORKLOADS workloads to run (default "version help auto display full drago")
#   PICTAVO_PROGRAM the program to time (default the one in $PICTAVO_BUILD), so
#                   that another build of it (an older commit) can be measured
#                   against the same bare programs
#
# Workloads; the conversions each write a PNG without compression (the
# program's default):
#   version  pictavo -v, against bench/bare_version.cpp (start, initialise
#            FreeImage, print its version); once, not per file
#   help     pictavo -h, against the same
#   auto     the default conversion: pictavo -i FILE -o FOLDER, Auto's
#            photograph (a preview as large as the picture, else LibRaw's own
#            rendering), 24-bit PNG; against dcraw_emu -w -T, LibRaw's own
#            developer writing the same rendering as TIFF (needs libraw-bin)
#   display  RAW_DISPLAY load, 24-bit PNG:     pictavo --raw-load-as=24
#   full     RAW_DEFAULT load, 48-bit PNG:     pictavo --raw-load-as=48 --raw-tone-mapping=none
#   drago    RAW_DEFAULT load, Drago, 48-bit:  pictavo --raw-load-as=48 (default tone mapping;
#            the automatic depth follows the 48-bit load, so the tone-mapped
#            picture goes back to 48 bits)
# "bare" is bench/bare_convert.cpp: the same load, tone mapping and save flags
# and nothing else (for auto, dcraw_emu). The program is timed with
# --no-metadata, so that both do the same work and write the same pixels
# (bench/same_pixels.cpp checks them; the program's files add the colour
# chunks, and dcraw_emu's pixels are checked from a PPM it writes once more);
# "with metadata" times it again as it
# runs by default, keeping the camera's EXIF (an Exiv2 helper beside the
# decoding), which the bare program does not do. dcraw and dcraw_emu (when installed) decode with the
# settings FreeImage gives LibRaw and write PPM, so they show what the decoder
# alone costs; they have no preview or Drago step.
#
# Times are medians of wall time, with the CPU time (user + system, children
# included) beside them: on a shared machine wall time wanders by more than the
# few per cent looked for, CPU time much less. The timed runs go unmetered;
# memory is the median of three more runs' peaks of the whole process tree,
# polled every 2 ms (children included, see
# bench/tree_peak.cpp): every page the tree holds counts once, however many of
# its processes map it; "summed" counts each process's pages, so that pages
# the program's copy shares with it count twice.
# Targets: version and help within 1.3 times bare's time and memory; the
# default conversion of the 4000 x 3000 mosaic within 1.2 times dcraw_emu's
# time (run with BENCH_WORK on a tmpfs); display and full loads of the
# 6000 x 4000 DNG within 1.03 times bare's time and 1.2 times its memory.
# Other rows are for information.
set -euo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${PICTAVO_BUILD:-$here/build}"
work="${BENCH_WORK:-$build/benchmark}"
read -r -a workloads <<<"${BENCH_WORKLOADS:-version help auto display full drago}"
runs="${1:-5}"
if ! [[ "$runs" =~ ^[1-9][0-9]*$ ]]; then
  echo "usage: $0 [RUNS] [FILE...]" >&2
  exit 2
fi
shift $(($# > 0 ? 1 : 0))

if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DPICTAVO_TESTS=OFF >/dev/null
fi
build_type="$(sed -n 's/^CMAKE_BUILD_TYPE:[A-Z]*=//p' "$build/CMakeCache.txt")"
[ "$build_type" = Release ] || echo "warning: $build is a '$build_type' build, not Release" >&2
cmake --build "$build" --target pictavo pictavo_bare_convert pictavo_bare_version pictavo_bench_dng pictavo_tree_peak \
  pictavo_same_pixels >/dev/null

pictavo="${PICTAVO_PROGRAM:-$build/bin/pictavo}"
bare="$build/bench/pictavo_bare_convert"
[ -x "$bare" ] || bare="$(find "$build" -name pictavo_bare_convert -type f -perm -u+x | head -1)"
helpers="$(dirname "$bare")"
bare_version="$helpers/pictavo_bare_version"
peak="$helpers/pictavo_tree_peak"
same_pixels="$helpers/pictavo_same_pixels"

mkdir -p "$work"
large_name=generated_6000x4000.dng
mosaic_name=generated_4000x3000.dng
files=("$@")
if ((${#files[@]} == 0)); then
  corpus="$here/../shared/corpus/raw"
  if [ -d "$corpus" ]; then
    for f in "$corpus"/*; do [ -f "$f" ] && files+=("$(cd "$(dirname "$f")" && pwd)/$(basename "$f")"); done
  else
    echo "note: $corpus not found; only the generated file is measured" >&2
  fi
  large="$work/$large_name"
  [ -s "$large" ] || "$helpers/pictavo_bench_dng" "$large"
  mosaic="$work/$mosaic_name"
  [ -s "$mosaic" ] || "$helpers/pictavo_bench_dng" "$mosaic" 4000 3000 --no-preview
  files+=("$large" "$mosaic")
fi

have_dcraw=0; command -v dcraw >/dev/null && have_dcraw=1
have_emu=0; command -v dcraw_emu >/dev/null && have_emu=1

pictavo_options() {
  case "$1" in
    auto) echo "" ;;
    display) echo "--raw-load-as=24" ;;
    full) echo "--raw-load-as=48 --raw-tone-mapping=none" ;;
    drago) echo "--raw-load-as=48" ;;
  esac
}
# What FreeImage asks of LibRaw: camera (else automatic) white balance, no
# automatic brightening, AHD; BT.709 gamma at 8 bits, linear at 16 bits.
dcraw_options() {
  case "$1" in
    display) echo "-w -a -W -q 3" ;;
    full) echo "-w -a -W -q 3 -4" ;;
    *) echo "" ;;
  esac
}

# Runs one command under the tree meter; appends "ms tree-KiB cpu-ms summed-KiB"
# to $2. With a 5th argument "time" the meter does not poll the tree (times
# only: polling takes CPU from the command and ends the time at a poll).
measure() {
  local tool="$1" results="$2" file="$3" workload="$4" out="$work/out-$1"
  local meter=("$peak"); [ "${5:-}" = time ] && meter=("$peak" --time)
  local name; name="$(basename "${file%.*}")"
  rm -rf "$out"; mkdir -p "$out"
  # Each run starts with nothing of the file system's waiting to be written:
  # the program syncs its file, and the disk's journal would otherwise make
  # that sync commit the folder just made and what the run before wrote.
  sync -f "$out"
  local cmd
  case "$tool:$workload" in
    pictavo:version) cmd=("$pictavo" -v) ;;
    pictavo:help) cmd=("$pictavo" -h) ;;
    bare:version | bare:help) cmd=("$bare_version") ;;
    bare:auto) cmd=(dcraw_emu -w -T -Z "$out/$name.tiff" "$file") ;;
    pictavo:*) read -r -a extra <<<"$(pictavo_options "$workload")"
               cmd=("$pictavo" -q -i "$file" -o "$out" -c png --no-metadata "${extra[@]}") ;;
    metadata:*) read -r -a extra <<<"$(pictavo_options "$workload")"
                cmd=("$pictavo" -q -i "$file" -o "$out" -c png "${extra[@]}") ;;
    bare:*) cmd=("$bare" "$workload" "$file" "$out/$name.png") ;;
    dcraw:*) read -r -a extra <<<"$(dcraw_options "$workload")"
           cmd=(sh -c 'exec dcraw -c "$@" > "$0"' "$out/$name.ppm" "${extra[@]}" "$file") ;;
    dcraw_emu:*) read -r -a extra <<<"$(dcraw_options "$workload")"
               cmd=(dcraw_emu "${extra[@]}" -Z "$out/$name.ppm" "$file") ;;
  esac
  if "${meter[@]}" "$work/peak.txt" -- "${cmd[@]}" >"$work/$tool.log" 2>&1; then
    read -r ms _largest tree cpu summed <"$work/peak.txt"
    echo "$ms $tree $cpu $summed" >>"$results"
  else
    echo "fail fail fail fail" >>"$results"
    echo "$tool failed on $(basename "$file") ($workload):" >&2
    tail -3 "$work/$tool.log" | sed 's/^/    /' >&2
  fi
}

median() {  # column $1 of file $2
  awk -v c="$1" '$c != "fail" { print $c }' "$2" | sort -n |
    awk '{ v[NR] = $1 } END { if (NR == 0) print "-"; else if (NR % 2) print v[(NR + 1) / 2]; else print (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}

# Width, height, bit depth and colour type of a PNG, from its header.
png_kind() {
  [ -s "$1" ] || { echo missing; return; }
  local b
  read -r -a b <<<"$(od -An -tx1 -j16 -N10 "$1")"
  echo "$((16#${b[0]}${b[1]}${b[2]}${b[3]}))x$((16#${b[4]}${b[5]}${b[6]}${b[7]})) depth $((16#${b[8]})) type $((16#${b[9]}))"
}

seconds() { [ "$1" = - ] && echo - || awk -v v="$1" 'BEGIN { printf "%.3f", v / 1000 }'; }
mib() { [ "$1" = - ] && echo - || awk -v v="$1" 'BEGIN { printf "%.0f", v / 1024 }'; }
ratio() { { [ "$1" = - ] || [ "$2" = - ]; } && echo - || awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }

# The ratios a row must stay within ("time memory"), or nothing when the row
# is for information.
target() {  # workload file
  case "$1" in
    version | help) echo "1.30 1.30" ;;
    auto) if [ "$(basename "$2")" = "$mosaic_name" ]; then echo "1.20 -"; fi ;;
    display | full) if [ "$(basename "$2")" = "$large_name" ]; then echo "1.03 1.20"; fi ;;
  esac
}

rows=()
phases=()
differs=0
jobs=()
for workload in "${workloads[@]}"; do
  case "$workload" in
    version | help) jobs+=("$workload|-") ;;
    *) for file in "${files[@]}"; do jobs+=("$workload|$file"); done ;;
  esac
done
for job in "${jobs[@]}"; do
  workload="${job%%|*}"
  file="${job#*|}"
  tools=(pictavo)
  # Auto's reference is LibRaw's own developer.
  [ "$workload" != auto ] || ((have_emu)) && tools+=(bare)
  [ "$file" != - ] && tools+=(metadata)
  if [ -n "$(dcraw_options "$workload")" ]; then
    ((have_dcraw)) && tools+=(dcraw)
    ((have_emu)) && tools+=(dcraw_emu)
  fi
  for tool in "${tools[@]}"; do : >"$work/$tool.results"; : >"$work/$tool.memory"; done
  # One untimed round warms the file cache and the shared libraries.
  for tool in "${tools[@]}"; do measure "$tool" /dev/null "$file" "$workload"; done
  for ((r = 0; r < runs; r++)); do
    # Alternate the order so neither side always runs on a warmer machine.
    order=("${tools[@]}")
    ((r % 2)) && order=($(printf '%s\n' "${tools[@]}" | tac))
    for tool in "${order[@]}"; do measure "$tool" "$work/$tool.results" "$file" "$workload" time; done
    # Memory barely moves between runs: three metered rounds are enough.
    if ((r < 3)); then
      for tool in "${order[@]}"; do measure "$tool" "$work/$tool.memory" "$file" "$workload"; done
    fi
  done

  if [ "$file" = - ]; then
    name="pictavo -${workload:0:1}"
    same="-"
  else
    name="$(basename "${file%.*}")"
    measure pictavo /dev/null "$file" "$workload"
    kind_p="$(png_kind "$work/out-pictavo/$name.png")"
    # Both sides must have done the same work: the pixels should be identical.
    reference="$work/out-bare/$name.png"
    if [ "$workload" = auto ]; then
      reference="$work/out-bare/$name.ppm"
      mkdir -p "$work/out-bare"
      ((have_emu)) && dcraw_emu -w -Z "$reference" "$file" >/dev/null 2>&1
    else
      measure bare /dev/null "$file" "$workload"
    fi
    if [ ! -s "$reference" ]; then
      same="$kind_p, no reference"
    elif "$same_pixels" "$work/out-pictavo/$name.png" "$reference"; then
      same="$kind_p, same pixels"
    else
      same="DIFFERS: $kind_p vs $(basename "$reference")"
      differs=$((differs + 1))
    fi
  fi

  tp="$(median 1 "$work/pictavo.results")"; tb="$(median 1 "$work/bare.results")"
  mp="$(median 2 "$work/pictavo.memory")"; mb="$(median 2 "$work/bare.memory")"
  sp="$(median 4 "$work/pictavo.memory")"; sb="$(median 4 "$work/bare.memory")"
  td="-"; te="-"; tm="-"; mm="-"
  for tool in "${tools[@]}"; do
    case "$tool" in
      dcraw) td="$(seconds "$(median 1 "$work/dcraw.results")")" ;;
      dcraw_emu) te="$(seconds "$(median 1 "$work/dcraw_emu.results")")" ;;
      metadata) tm="$(median 1 "$work/metadata.results")"; mm="$(median 2 "$work/metadata.memory")" ;;
    esac
  done
  cp="$(median 3 "$work/pictavo.results")"; cb="$(median 3 "$work/bare.results")"
  tr="$(ratio "$tp" "$tb")"; mr="$(ratio "$mp" "$mb")"; cr="$(ratio "$cp" "$cb")"; sr="$(ratio "$sp" "$sb")"
  verdict="-"
  limits="$(target "$workload" "$file")"
  if [ -n "$limits" ] && [ "$tr" != - ]; then
    verdict="$(awk -v t="$tr" -v m="$mr" -v limits="$limits" 'BEGIN {
      split(limits, l, " "); s = ""
      if (t > l[1]) s = "time"
      if (l[2] != "-" && m > l[2]) s = s (s ? ", " : "") "memory"
      print s ? "over: " s : "yes (" l[1] (l[2] != "-" ? ", " l[2] : "") ")" }')"
  fi
  rows+=("| $name | $workload | $same | $(seconds "$tp") | $(seconds "$tb") | $tr | $(seconds "$cp") | $(seconds "$cb") | $cr | $(mib "$mp") | $(mib "$mb") | $mr | $sr | $verdict | $(seconds "$tm") | $(ratio "$tm" "$tp") | $(mib "$mm") | $td | $te |")

  if [ "$file" != - ] && [ "$workload" != auto ]; then
    # Where bare's time goes, from one more run with phase timing.
    phase="$(PICTAVO_BENCH_PHASES=1 "$bare" "$workload" "$file" "$work/out-bare/$name.png" 2>&1 >/dev/null |
             awk '$1 == "phase" { printf "%s%s %.0f ms", sep, $2, $3; sep = ", " }')"
    phases+=("| $name | $workload | $phase |")
  fi
  echo "measured $name / $workload" >&2
done
rm -rf "$work"/out-* "$work"/*.results "$work"/*.memory "$work"/*.log "$work/peak.txt"

echo
echo "Median of $runs runs; times in seconds (wall, and CPU of the process tree), memory in MiB (peak of the process tree, each page once; the summed ratio counts each process's pages)."
echo
echo "| file | workload | output | pictavo s | bare s | time ratio | pictavo CPU s | bare CPU s | CPU ratio | pictavo MiB | bare MiB | memory ratio | summed memory ratio | within target | with metadata s | metadata time ratio | with metadata MiB | dcraw s | dcraw_emu s |"
echo "|---|---|---|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|---|---:|---:|---:|---:|---:|"
printf '%s\n' "${rows[@]}"
echo
echo "Bare FreeImage work by phase (one run):"
echo
echo "| file | workload | phases |"
echo "|---|---|---|"
printf '%s\n' "${phases[@]}"

# A measurement of different work is no measurement: fail the run.
if ((differs)); then
  echo
  echo "$differs output(s) of the program differ from the bare FreeImage work" >&2
  exit 1
fi
