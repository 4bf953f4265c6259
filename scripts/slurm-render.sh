#!/usr/bin/env bash
# Renders a ringstride animation on a Slurm cluster.
#
#   scripts/slurm-render.sh INPUT OUTPUT [animate options] [--chunk K]
#       [--frames-dir DIR] [--ringstride PATH] [--sbatch "ARGS"]
#
# Submits one job array, one task per chunk of K frames (default 10), each
# running `ringstride animate ... --range A-B`; when OUTPUT is a video
# (.mp4 .mov .webm .gif) the frames go to a folder of numbered files and a
# second job, started once every chunk has succeeded, runs `ringstride
# encode` (with the input's sound, unless --no-audio). Prints the job ids,
# where the frames and the logs go, and exits; the cluster does the rest.
#
# Every node must see the same files at the same paths (shared storage):
# the tool, the effect library, the input, masks, keys and the output
# folder. Paths are made absolute before submission.
#
#   --chunk K          frames per array task (default 10)
#   --frames-dir DIR   where a video's frames go (default OUTPUT.frames/)
#   --ringstride PATH  the tool (default build/ringstride of this checkout,
#                      else ringstride on PATH)
#   --sbatch "ARGS"    more sbatch options for both jobs, e.g.
#                      "--partition=render --cpus-per-task=4"
#   --dry-run          print the two sbatch commands instead of submitting
set -euo pipefail

die() { echo "slurm-render: $*" >&2; exit 1; }

chunk=10
frames_dir=""
tool=""
sbatch_extra=""
dry_run=0
positional=()
options=()  # animate options, paths made absolute

absolute() {
  # A file or pattern: its folder made absolute, its name kept as written.
  local dir base
  dir="$(dirname -- "$1")"
  base="$(basename -- "$1")"
  [ -d "$dir" ] || die "$1: the folder $dir does not exist"
  printf '%s/%s' "$(cd -- "$dir" && pwd -P)" "$base"
}

# animate options that take no value
flag_option() { case "$1" in --no-audio|--raw-colour|--raw-color) return 0 ;; *) return 1 ;; esac; }

while [ $# -gt 0 ]; do
  arg="$1"
  case "$arg" in
    --chunk) [ $# -ge 2 ] || die "--chunk needs a number"; chunk="$2"; shift 2; continue ;;
    --chunk=*) chunk="${arg#*=}"; shift; continue ;;
    --frames-dir) [ $# -ge 2 ] || die "--frames-dir needs a folder"; frames_dir="$2"; shift 2; continue ;;
    --ringstride) [ $# -ge 2 ] || die "--ringstride needs a path"; tool="$2"; shift 2; continue ;;
    --sbatch) [ $# -ge 2 ] || die "--sbatch needs its options"; sbatch_extra="$2"; shift 2; continue ;;
    --dry-run) dry_run=1; shift; continue ;;
    --range|--range=*) die "--range is chosen per task; give --chunk instead" ;;
    -h|--help) sed -n '2,27p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
  esac
  if [[ "$arg" == --*=* ]]; then
    name="${arg%%=*}"; value="${arg#*=}"
    case "$name" in --mask|--keys|--plugin) value="$(absolute "${value%%#*}")${value#"${value%%#*}"}" ;; esac
    options+=("$name=$value"); shift; continue
  fi
  if [[ "$arg" == -* ]]; then
    if flag_option "$arg"; then options+=("$arg"); shift; continue; fi
    [ $# -ge 2 ] || die "$arg needs a value"
    value="$2"
    # --mask FILE.svg#ID keeps its element id.
    case "$arg" in --mask|--keys|--plugin) value="$(absolute "${value%%#*}")${value#"${value%%#*}"}" ;; esac
    options+=("$arg" "$value"); shift 2; continue
  fi
  positional+=("$arg"); shift
done

[ ${#positional[@]} -eq 2 ] || die "expected INPUT and OUTPUT (see --help)"
[[ "$chunk" =~ ^[1-9][0-9]*$ ]] || die "--chunk $chunk: a whole number of frames, 1 or more"
input="$(absolute "${positional[0]}")"
output="$(absolute "${positional[1]}")"

if [ -z "$tool" ]; then
  here="$(cd -- "$(dirname -- "$0")/.." && pwd -P)"
  if [ -x "$here/build/ringstride" ]; then tool="$here/build/ringstride"; else tool="$(command -v ringstride || true)"; fi
  [ -n "$tool" ] || die "no ringstride tool found; build it or give --ringstride PATH"
fi
tool="$(absolute "$tool")"
[ -x "$tool" ] || die "$tool is not an executable"
command -v sbatch >/dev/null || [ $dry_run = 1 ] || die "sbatch is not on PATH (is this a Slurm submit host?)"

video=0
case "${output,,}" in *.mp4|*.mov|*.webm|*.gif) video=1 ;; esac

# The whole command checked once, here, before anything is submitted.
probe_out="$output"
[ $video = 1 ] && probe_out="/tmp/ringstride-probe-%06d.png"
line="$("$tool" animate "$input" "$probe_out" "${options[@]}" --dry-run)" || exit 1
field() { sed -n "s/.* $1=\([^ ]*\).*/\1/p" <<<"$line"; }
frames="$(field frames)"; fps="$(field fps)"; depth="$(field depth)"; audio="$(field audio)"
first="$(field first)"; last="$(field last)"
[ -n "$frames" ] && [ -n "$fps" ] && [ -n "$first" ] && [ -n "$last" ] || die "cannot read the tool's dry run: $line"
# --in/--out keep frames first to last (numbered as in the whole shot).
count=$(( last - first + 1 ))

if [ $video = 1 ]; then
  [ -n "$frames_dir" ] || frames_dir="$output.frames"
  mkdir -p -- "$frames_dir"
  frames_dir="$(cd -- "$frames_dir" && pwd -P)"
  [ -z "$(ls -A -- "$frames_dir")" ] || die "$frames_dir is not empty; remove it or give another --frames-dir"
  ext=png; [ "$depth" = 32 ] && ext=tif
  pattern="$frames_dir/f_%06d.$ext"
  logs="$frames_dir/logs"
else
  pattern="$output"
  logs="$(dirname -- "$output")/ringstride-logs"
fi
mkdir -p -- "$logs"

tasks=$(( (count + chunk - 1) / chunk ))
render_job="$logs/render-task.sh"
{
  echo '#!/usr/bin/env bash'
  echo '# One chunk of frames per array task.'
  echo 'set -euo pipefail'
  echo "first=\$(( $first + SLURM_ARRAY_TASK_ID * $chunk ))"
  echo "last=\$(( first + $chunk - 1 )); if (( last > $last )); then last=$last; fi"
  printf 'exec %q animate %q %q' "$tool" "$input" "$pattern"
  printf ' %q' "${options[@]}"
  # As many workers as the task was given cores, unless --threads says.
  [[ " ${options[*]} " == *" --threads "* || " ${options[*]} " == *" --threads="* ]] ||
    printf ' --threads "${SLURM_CPUS_PER_TASK:-1}"'
  echo ' --range "$first-$last"'
} > "$render_job"
chmod +x "$render_job"

read -r -a extra <<<"$sbatch_extra"
render_cmd=(sbatch --parsable --job-name=ringstride-render --array="0-$((tasks - 1))"
            --output="$logs/render-%A_%a.log" "${extra[@]}" "$render_job")
if [ $dry_run = 1 ]; then
  printf '%q ' "${render_cmd[@]}"; echo
  array_id=ARRAY_ID
else
  array_id="$("${render_cmd[@]}")"
  array_id="${array_id%%;*}"
fi
echo "submitted job array $array_id: $tasks tasks of up to $chunk frames ($count frames at $fps fps)"
echo "frames: $pattern"

if [ $video = 1 ]; then
  encode_job="$logs/encode-job.sh"
  encode_args=(encode "$pattern" "$output" --fps "$fps")
  [ "$audio" != none ] && encode_args+=(--audio "$input")
  raw=0
  for ((i = 0; i < ${#options[@]}; i++)); do
    [ "${options[$i]}" = --crf ] && encode_args+=(--crf "${options[$((i + 1))]}")
    [[ "${options[$i]}" == --crf=* ]] && encode_args+=("${options[$i]}")
    case "${options[$i]}" in --raw-colour|--raw-color) raw=1 ;; esac
  done
  # The video as animate would write it straight: no colour conversion
  # with --raw-colour; a float render of an EXR holds linear light, which
  # its float TIFF frames do not record.
  if [ $raw = 1 ]; then
    encode_args+=(--raw-colour)
  elif [ "$depth" = 32 ] && [[ "${input,,}" == *.exr ]]; then
    encode_args+=(--linear)
  fi
  { echo '#!/usr/bin/env bash'; echo 'set -euo pipefail'; printf 'exec %q' "$tool"; printf ' %q' "${encode_args[@]}"; echo; } \
    > "$encode_job"
  chmod +x "$encode_job"
  encode_cmd=(sbatch --parsable --job-name=ringstride-encode --dependency="afterok:$array_id"
              --output="$logs/encode-%j.log" "${extra[@]}" "$encode_job")
  if [ $dry_run = 1 ]; then
    printf '%q ' "${encode_cmd[@]}"; echo
  else
    encode_id="$("${encode_cmd[@]}")"
    echo "submitted encode job ${encode_id%%;*} after $array_id: $output"
  fi
fi
echo "logs: $logs"
