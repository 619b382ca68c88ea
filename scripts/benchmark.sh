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
#   BENCH_WORKLOADS workloads to run (default "version help auto display full drago
#                   folder")
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
#   folder   a folder of eight generated 3000 x 2000 mosaics without previews
#            (not the FILEs), converted by Auto with --no-metadata:
#            pictavo -i FOLDER -o OUT with automatic parallelism, against the
#            same with --parallel=1, against xargs -P<cores> over one pictavo
#            run per file, and (when installed) dcraw_emu -w -T over the files
#            one at a time and with xargs -P<cores>; its own table follows the
#            others, and the automatic run's PNGs must hold the pixels of the
#            --parallel=1 run's
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
# 6000 x 4000 DNG within 1.03 times bare's time and 1.2 times its memory; the
# folder with automatic parallelism within 0.80 times the --parallel=1 time,
# 1.05 times the time of xargs over single runs and no more memory than that
# xargs run (peak of the tree: each process of it holds its own picture).
# Other rows are for information.
set -euo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${PICTAVO_BUILD:-$here/build}"
work="${BENCH_WORK:-$build/benchmark}"
read -r -a workloads <<<"${BENCH_WORKLOADS:-version help auto display full drago folder}"
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
cores="$(nproc)"

# The folder workload's input: eight 6 MP mosaics, which Auto develops in full.
# Identical content is fine; what is measured is how the files share the cores.
folder=""
for workload in "${workloads[@]}"; do
  if [ "$workload" = folder ]; then
    folder="$work/folder_3000x2000"
    mkdir -p "$folder"
    for i in 1 2 3 4 5 6 7 8; do
      [ -s "$folder/m$i.dng" ] || "$helpers/pictavo_bench_dng" "$folder/m$i.dng" 3000 2000 --no-preview
    done
  fi
done

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
    # The folder workload: $file is the folder. xargs and the loop are timed
    # under the shell, as one tree, so their start-up costs count as well.
    folder_auto:folder) cmd=("$pictavo" -q -i "$file" -o "$out" --no-metadata) ;;
    folder_one:folder) cmd=("$pictavo" -q -i "$file" -o "$out" --no-metadata --parallel=1) ;;
    folder_xargs:folder)
      cmd=(sh -c 'ls "$1"/*.dng | xargs -P"$2" -I{} "$3" -q -i {} -o "$0" --no-metadata' \
           "$out" "$file" "$cores" "$pictavo") ;;
    folder_emu:folder)
      cmd=(sh -c 'for f in "$1"/*.dng; do n="${f##*/}"; dcraw_emu -w -T -Z "$0/${n%.*}.tiff" "$f" || exit; done' \
           "$out" "$file") ;;
    folder_emu_xargs:folder)
      # dcraw_emu names its TIFF only from -Z, so each file goes through a
      # shell that makes the name.
      cmd=(sh -c 'ls "$1"/*.dng | xargs -P"$2" -I{} sh -c '\''n="${1##*/}"; exec dcraw_emu -w -T -Z "$0/${n%.*}.tiff" "$1"'\'' "$0" {}' \
           "$out" "$file" "$cores") ;;
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

# Times every tool of "$@" on one file (or folder) and workload into
# $work/TOOL.results (timed runs) and $work/TOOL.memory (metered runs).
measure_rounds() {
  local file="$1" workload="$2" tool r order
  shift 2
  for tool in "$@"; do : >"$work/$tool.results"; : >"$work/$tool.memory"; done
  # One untimed round warms the file cache and the shared libraries.
  for tool in "$@"; do measure "$tool" /dev/null "$file" "$workload"; done
  for ((r = 0; r < runs; r++)); do
    # Alternate the order so neither side always runs on a warmer machine.
    order=("$@")
    ((r % 2)) && order=($(printf '%s\n' "$@" | tac))
    for tool in "${order[@]}"; do measure "$tool" "$work/$tool.results" "$file" "$workload" time; done
    # Memory barely moves between runs: three metered rounds are enough.
    if ((r < 3)); then
      for tool in "${order[@]}"; do measure "$tool" "$work/$tool.memory" "$file" "$workload"; done
    fi
  done
}

rows=()
phases=()
differs=0
jobs=()
for workload in "${workloads[@]}"; do
  case "$workload" in
    version | help) jobs+=("$workload|-") ;;
    folder) ;;  # its own tools and table, below
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
  measure_rounds "$file" "$workload" "${tools[@]}"

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

folder_rows=()
if [ -n "$folder" ]; then
  tools=(folder_auto folder_one folder_xargs)
  ((have_emu)) && tools+=(folder_emu folder_emu_xargs)
  measure_rounds "$folder" folder "${tools[@]}"

  # The last runs' outputs are still there: the automatic run must have
  # written the files of the one-at-a-time run, with the same pixels.
  auto_out="$work/out-folder_auto"; one_out="$work/out-folder_one"
  bad=0
  [ "$(ls "$auto_out")" = "$(ls "$one_out")" ] || bad=$((bad + 1))
  for f in "$folder"/*.dng; do
    n="$(basename "${f%.*}").png"
    if [ ! -s "$auto_out/$n" ] || [ ! -s "$one_out/$n" ] ||
       ! "$same_pixels" "$auto_out/$n" "$one_out/$n"; then
      bad=$((bad + 1))
    fi
  done
  differs=$((differs + bad))
  count="$(find "$folder" -maxdepth 1 -name '*.dng' | wc -l)"

  t1="$(median 1 "$work/folder_one.results")"
  tx="$(median 1 "$work/folder_xargs.results")"; mx="$(median 2 "$work/folder_xargs.memory")"
  for tool in "${tools[@]}"; do
    t="$(median 1 "$work/$tool.results")"; c="$(median 3 "$work/$tool.results")"
    m="$(median 2 "$work/$tool.memory")"
    written="$(find "$work/out-$tool" -maxdepth 1 -type f | wc -l)"
    case "$tool" in
      folder_auto) label="pictavo -i FOLDER (automatic)"; kind=PNG ;;
      folder_one) label="pictavo -i FOLDER --parallel=1"; kind=PNG ;;
      folder_xargs) label="xargs -P$cores pictavo -i FILE"; kind=PNG ;;
      folder_emu) label="dcraw_emu -w -T, one at a time"; kind=TIFF ;;
      folder_emu_xargs) label="xargs -P$cores dcraw_emu -w -T"; kind=TIFF ;;
    esac
    output="$written of $count $kind"
    verdict="-"
    if [ "$tool" = folder_auto ]; then
      if ((bad)); then output="$output, DIFFERS from --parallel=1 ($bad)"
      else output="$output, same pixels as --parallel=1"; fi
      r1="$(ratio "$t" "$t1")"; rx="$(ratio "$t" "$tx")"; rmx="$(ratio "$m" "$mx")"
      if [ "$r1" != - ] && [ "$rx" != - ] && [ "$rmx" != - ]; then
        verdict="$(awk -v a="$r1" -v b="$rx" -v m="$rmx" 'BEGIN { s = ""
          if (a > 0.80) s = "time vs --parallel=1"
          if (b > 1.05) s = s (s ? ", " : "") "time vs xargs"
          if (m > 1.00) s = s (s ? ", " : "") "memory vs xargs"
          print s ? "over: " s : "yes (0.80, 1.05, 1.00)" }')"
      fi
    fi
    folder_rows+=("| $label | $output | $(seconds "$t") | $(seconds "$c") | $(mib "$m") | $(ratio "$t" "$t1") | $(ratio "$t" "$tx") | $(ratio "$m" "$mx") | $verdict |")
  done
  echo "measured folder" >&2
fi
rm -rf "$work"/out-* "$work"/*.results "$work"/*.memory "$work"/*.log "$work/peak.txt"

if ((${#rows[@]})); then
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
fi

if ((${#folder_rows[@]})); then
  echo
  echo "Folder of $count 3000 x 2000 mosaics, $cores cores; median of $runs runs: wall and CPU seconds and MiB of the whole process tree; ratios are each line's against the program's --parallel=1 and xargs runs."
  echo
  echo "| command | output | s | CPU s | MiB | time / --parallel=1 | time / xargs | memory / xargs | within target |"
  echo "|---|---|---:|---:|---:|---:|---:|---:|---|"
  printf '%s\n' "${folder_rows[@]}"
fi

# A measurement of different work is no measurement: fail the run.
if ((differs)); then
  echo
  echo "$differs output(s) of the program differ from the work they are timed against" >&2
  exit 1
fi
