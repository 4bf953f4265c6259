#!/usr/bin/env bash
# Runs `ringstride animate` of a generated FFV1 clip to .mp4 many times over
# under a CPU (and optionally memory) load of its own, keeps the core dump,
# log and a backtrace of every run that dies, and ends with one summary line.
# A person's tool for chasing rare crashes of the shot paths; not a test.
set -uo pipefail

usage() {
    cat <<'EOF'
usage: scripts/stress-shot.sh [options]

Renders the same shot RUNS times (mask from examples/wave.svg fitted to the
frame, --param time=0..100 --param on-original=on) and reports how each run
ended. Exit status 0 when every run succeeded, 1 when any run failed or
crashed, 2 on a usage error.

  --runs N         runs to make (1..1000, default 20)
  --size WxH       clip size (default 640x360; the report's was 1920x1080)
  --frames N       clip length in frames at 24 fps (default 120)
  --threads T      animate --threads (default 2)
  --load K         CPU hogs started for the whole session (default 4; 0: none)
  --churn MB       also a process that maps, touches and frees MB MiB over and
                   over (page faults, compaction; needs python3; default 0)
  --tool PATH      the ringstride to run (default build/ringstride); an
                   AddressSanitizer or ThreadSanitizer build works the same
  --plugin PATH    the effect library (default: the one beside the tool)
  --dir DIR        where clips, logs and cores go (default: a new folder
                   under /tmp); a run that dies keeps DIR/crash-NNN/
  --keep-cores N   cores kept at most (default 5; later crashes keep their
                   log and backtrace only)
  --timeout S      seconds one run may take (default 600)
  --rewrite-after S
                   S seconds into every run, the effect library the run loads
                   (a copy in DIR) is rewritten in place with its own bytes,
                   as `cp` over it would (0: never, the default)
  --trace          runs under strace (slower) and checks that nothing but the
                   loader unmapped, remapped or advised the effect's pages
                   while it was loaded (scripts/stress-shot-trace.awk)
  -h, --help       this text

Core dumps: the script raises `ulimit -c` for its runs. If the system's
core_pattern hands cores to a program or an absolute path and we are root,
it is set to "core.%p" for the session and put back on exit; otherwise the
pattern is left alone (a relative pattern drops the core in the run's folder).
Sanitizer reports in a run's output count as failures.
EOF
}

fail_usage() { echo "stress-shot: $1 (see --help)" >&2; exit 2; }

root="$(cd "$(dirname "$0")/.." && pwd)"
runs=20 size=640x360 frames=120 threads=2 load=4 churn=0 keep_cores=5 run_timeout=600
tool="$root/build/ringstride" plugin="" dir="" trace=0 rewrite_after=0
while [ $# -gt 0 ]; do
    case "$1" in
        -h|--help) usage; exit 0 ;;
        --trace) trace=1; shift; continue ;;
        --runs|--size|--frames|--threads|--load|--churn|--tool|--plugin|--dir|--keep-cores|--timeout|--rewrite-after)
            [ $# -ge 2 ] || fail_usage "$1 needs a value"
            case "$1" in
                --runs) runs=$2 ;; --size) size=$2 ;; --frames) frames=$2 ;; --threads) threads=$2 ;;
                --load) load=$2 ;; --churn) churn=$2 ;; --tool) tool=$2 ;; --plugin) plugin=$2 ;;
                --dir) dir=$2 ;; --keep-cores) keep_cores=$2 ;; --timeout) run_timeout=$2 ;;
                --rewrite-after) rewrite_after=$2 ;;
            esac
            shift 2 ;;
        *) fail_usage "unknown argument $1" ;;
    esac
done

whole() { [[ "$2" =~ ^[0-9]+$ ]] && [ "$2" -ge "$3" ] && [ "$2" -le "$4" ] || fail_usage "$1 $2: must be $3 to $4"; }
whole --runs "$runs" 1 1000
whole --frames "$frames" 1 100000
whole --threads "$threads" 1 64
whole --load "$load" 0 64
whole --churn "$churn" 0 65536
whole --keep-cores "$keep_cores" 0 1000
whole --timeout "$run_timeout" 1 86400
[[ "$rewrite_after" =~ ^[0-9]+(\.[0-9]+)?$ ]] || fail_usage "--rewrite-after $rewrite_after: seconds, such as 2 or 0.5"
[[ "$size" =~ ^[0-9]+x[0-9]+$ ]] || fail_usage "--size $size: expected WxH such as 1920x1080"
[ -x "$tool" ] || fail_usage "--tool $tool: not an executable (build it: cmake --build build --target ringstride FolvekRingStride)"
tool="$(cd "$(dirname "$tool")" && pwd)/$(basename "$tool")"
[ -n "$plugin" ] || plugin="$(dirname "$tool")/FolvekRingStride.so"
[ -f "$plugin" ] || fail_usage "--plugin $plugin: no such file"
plugin="$(cd "$(dirname "$plugin")" && pwd)/$(basename "$plugin")"
command -v ffmpeg >/dev/null || fail_usage "ffmpeg is not on PATH"
[ "$churn" = 0 ] || command -v python3 >/dev/null || fail_usage "--churn needs python3"
[ "$trace" = 0 ] || command -v strace >/dev/null || fail_usage "--trace needs strace (apt-get install strace)"
[ -n "$dir" ] || dir="$(mktemp -d /tmp/ringstride-stress-XXXXXX)"
mkdir -p "$dir" || fail_usage "--dir $dir: cannot make it"
dir="$(cd "$dir" && pwd)"

# ---- the session's load and core settings, undone on every way out ----
load_pids=()
rewriter=""
pattern_file=/proc/sys/kernel/core_pattern
old_pattern="$(cat "$pattern_file" 2>/dev/null || true)"
pattern_changed=0
finish() {
    for pid in "${load_pids[@]}" $rewriter; do kill "$pid" 2>/dev/null; done
    for pid in "${load_pids[@]}" $rewriter; do wait "$pid" 2>/dev/null; done
    if [ "$pattern_changed" = 1 ]; then printf '%s\n' "$old_pattern" > "$pattern_file"; fi
}
trap finish EXIT
trap 'exit 130' INT TERM

ulimit -c unlimited 2>/dev/null || echo "stress-shot: note: cannot raise the core size limit; crashes leave no core" >&2
if [[ "$old_pattern" == /* || "$old_pattern" == \|* ]]; then
    if [ -w "$pattern_file" ] && printf 'core.%%p\n' > "$pattern_file" 2>/dev/null; then
        pattern_changed=1
    else
        echo "stress-shot: note: core_pattern is '$old_pattern' and cannot be changed; cores go there" >&2
    fi
fi

original_plugin="$plugin"
if [ "$rewrite_after" != 0 ]; then
    mkdir -p "$dir/effect" && cp "$original_plugin" "$dir/effect/$(basename "$plugin")" || exit 1
    plugin="$dir/effect/$(basename "$plugin")"
fi

clip="$dir/clip-${size}-${frames}.mkv"
if [ ! -s "$clip" ]; then
    echo "stress-shot: making $clip"
    seconds=$(awk -v f="$frames" 'BEGIN { printf "%.6f", f / 24 }')
    timeout 600 ffmpeg -hide_banner -nostdin -loglevel error -y -f lavfi \
        -i "testsrc2=size=$size:rate=24:duration=$seconds" -frames:v "$frames" -c:v ffv1 -pix_fmt bgr0 "$clip" \
        || { echo "stress-shot: cannot make the clip" >&2; exit 1; }
fi

for ((i = 0; i < load; i++)); do
    ( trap - INT TERM; while :; do :; done ) &
    load_pids+=($!)
done
if [ "$churn" != 0 ]; then
    python3 -c '
import mmap, sys
size = int(sys.argv[1]) << 20
while True:
    m = mmap.mmap(-1, size)
    for at in range(0, size, 4096):
        m[at] = 1
    m.close()
' "$churn" &
    load_pids+=($!)
fi

extra_text=""
[ "$churn" = 0 ] || extra_text=", churn $churn MiB"
[ "$rewrite_after" = 0 ] || extra_text="$extra_text, effect rewritten in place after ${rewrite_after}s"
echo "stress-shot: $runs runs of $size x $frames frames, $threads threads, load $load CPU hogs$extra_text" \
     "on $(nproc) cores; tool $tool; folder $dir"

# ---- the runs ----
passed=0 failed=0 crashed=0 reports=0 touches=0 cores_kept=0 traced=""
signals=""
for ((run = 1; run <= runs; run++)); do
    work="$dir/run"
    rm -rf "$work" && mkdir -p "$work"
    start=$(date +%s.%N)
    tracer=()
    if [ "$trace" = 1 ]; then
        mkdir -p "$work/strace"
        tracer=(strace -ff -ttt -qq -o "$work/strace/t"
                -e trace=execve,openat,clone,clone3,mmap,munmap,madvise,mprotect,mremap)
    fi
    rewriter=""
    if [ "$rewrite_after" != 0 ]; then
        cp "$original_plugin" "$plugin"
        ( trap - INT TERM; sleep "$rewrite_after"; cp "$original_plugin" "$plugin" ) &
        rewriter=$!
    fi
    # Two subshells, so that the shell's note of a run killed by a signal
    # goes to the run's log rather than here.
    ( (cd "$work" && exec timeout -k 10 "$run_timeout" "${tracer[@]}" "$tool" animate "$clip" "$work/out.mp4" \
        --plugin "$plugin" --mask "$root/examples/wave.svg" --mask-fit layer \
        --param time=0..100 --param on-original=on --threads "$threads"); exit $? ) > "$work/log.txt" 2>&1
    code=$?
    if [ -n "$rewriter" ]; then kill "$rewriter" 2>/dev/null; wait "$rewriter" 2>/dev/null; rewriter=""; fi
    took=$(awk -v s="$start" -v e="$(date +%s.%N)" 'BEGIN { printf "%.1f", e - s }')
    sanitizer=0
    grep -qE 'ERROR: (Address|Leak)Sanitizer|WARNING: ThreadSanitizer|runtime error:' "$work/log.txt" && sanitizer=1
    touched=0
    if [ "$trace" = 1 ]; then
        main="$(grep -l "execve(\"$tool\"" "$work"/strace/t.* | head -n 1)"
        for f in "$work"/strace/t.*; do sed "s/^/${f##*.} /" "$f"; done | sort -s -k2,2n > "$work/strace.txt"
        awk -v main="${main##*.}" -v plugin="$plugin" -f "$root/scripts/stress-shot-trace.awk" "$work/strace.txt" \
            > "$work/trace.txt" || touched=1
        traced="$(tail -n 1 "$work/trace.txt")"
        rm -rf "$work/strace"
    fi
    if [ "$code" = 0 ] && [ "$sanitizer" = 0 ] && [ "$touched" = 0 ]; then
        passed=$((passed + 1))
        echo "run $run/$runs: ok in ${took}s (load $(cut -d' ' -f1 /proc/loadavg))${traced:+; $traced}"
        continue
    fi
    keep="$dir/crash-$(printf %03d "$run")"
    mv "$work" "$keep"
    if [ "$code" = 0 ]; then
        failed=$((failed + 1)); what="finished"
    elif [ "$code" -gt 128 ] && [ "$code" != 137 ]; then
        crashed=$((crashed + 1))
        signals="$signals $(kill -l $((code - 128)) 2>/dev/null || echo $((code - 128)))"
        what="died of signal $((code - 128))"
    elif [ "$code" = 124 ] || [ "$code" = 137 ]; then
        failed=$((failed + 1)); what="timed out after ${run_timeout}s"
    else
        failed=$((failed + 1)); what="failed with exit $code"
    fi
    [ "$sanitizer" = 1 ] && { reports=$((reports + 1)); what="$what, sanitizer report"; }
    [ "$touched" = 1 ] && { touches=$((touches + 1)); what="$what, effect pages touched (see trace.txt)"; }
    core="$(ls -t "$keep"/core* 2>/dev/null | head -n 1)"
    if [ -n "$core" ] && command -v gdb >/dev/null; then
        # The command table as the core holds it: relocated entries are
        # addresses in the library, raw ones its link-time offsets.
        timeout 300 gdb -batch -nx -ex 'info registers rip' -ex 'thread apply all bt 20' \
            -ex 'info sharedlibrary' -ex "p/x '(anonymous namespace)::ROUTES'" \
            "$tool" "$core" > "$keep/backtrace.txt" 2>&1
    fi
    if [ -n "$core" ]; then
        if [ "$cores_kept" -lt "$keep_cores" ]; then cores_kept=$((cores_kept + 1)); else rm -f "$keep"/core*; fi
    fi
    dmesg 2>/dev/null | grep -E "$(basename "$tool")\[[0-9]+\]" | tail -n 1 > "$keep/kernel.txt"
    echo "run $run/$runs: $what after ${took}s; kept in $keep"
done
rm -rf "$dir/run"
trace_text=""
[ "$trace" = 0 ] || trace_text=" (traced: $touches with the effect's pages touched by others)"

echo "stress-shot: summary: $runs runs, $passed ok, $crashed crashed${signals:+ (signals:$signals)}," \
     "$failed failed, $reports with sanitizer reports$trace_text; size $size, $frames frames, $threads threads," \
     "load $load$extra_text; $cores_kept cores kept in $dir"
[ "$passed" = "$runs" ]
