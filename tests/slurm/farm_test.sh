#!/usr/bin/env bash
# A one-node Slurm cluster on this machine (munged, slurmctld and slurmd as
# root, ports on 127.0.0.1, everything under one temporary folder) renders a
# 24-frame keyed animation to a video through scripts/slurm-render.sh in
# chunks of 5. Every frame must equal, byte for byte, the same frame of a
# single-machine run, and the video must hold 24 frames. A trimmed float
# shot of an EXR must give the video a single-machine run writes. Every daemon it
# started is stopped by its pid and the folder removed, also on failure.
# Reported as skipped (77) where it cannot run: not root, or no Slurm.
#
#   farm_test.sh RINGSTRIDE SUBMIT_SCRIPT
set -euo pipefail
tool="$(realpath "$1")"
submit="$(realpath "$2")"

skip() { echo "skipped: $*"; exit 77; }
[ "$(id -u)" = 0 ] || skip "a one-node Slurm cluster needs root"
for p in munged mungekey slurmctld slurmd sbatch squeue sinfo ffmpeg ffprobe; do
  command -v "$p" >/dev/null || skip "$p is not installed (scripts/setup.sh installs slurm-wlm, munge and ffmpeg)"
done

work="$(mktemp -d /tmp/ringstride-slurm.XXXXXX)"
chmod 755 "$work"
pids=()
stop() {
  status=$?
  if [ -n "${SLURM_CONF:-}" ]; then scancel --quiet --full --signal=KILL --user=root 2>/dev/null || true; fi
  for f in "$work/slurmd.pid" "$work/slurmctld.pid" "$work/munge/munged.pid"; do
    [ -s "$f" ] && pids+=("$(cat "$f")")
  done
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  for _ in $(seq 50); do
    alive=0
    for pid in "${pids[@]}"; do kill -0 "$pid" 2>/dev/null && alive=1; done
    [ $alive = 0 ] && break
    sleep 0.1
  done
  for pid in "${pids[@]}"; do kill -9 "$pid" 2>/dev/null || true; done
  if [ $status -ne 0 ] && [ $status -ne 77 ]; then
    for log in "$work"/log/*.log "$work"/out.mp4.frames/logs/*.log "$work"/float.mp4.frames/logs/*.log; do
      [ -f "$log" ] && { echo "--- $log"; tail -n 15 "$log"; }
    done
  fi
  rm -rf "$work"
  exit $status
}
trap stop EXIT
trap 'exit 1' INT TERM

mkdir -p "$work/munge" "$work/state" "$work/spool" "$work/log" "$work/in"
chmod 700 "$work/munge"
mungekey -c -k "$work/munge/munge.key"
munged --force --socket="$work/munge/munge.socket" --key-file="$work/munge/munge.key" \
  --log-file="$work/log/munged.log" --pid-file="$work/munge/munged.pid" --seed-file="$work/munge/munged.seed"

# Two free-looking ports from the dynamic range, away from Slurm's defaults.
base=$(( 30000 + (RANDOM % 1000) * 20 ))
cat > "$work/slurm.conf" <<CONF
ClusterName=ringstride-test
SlurmctldHost=localhost
SlurmctldPort=$base
SlurmdPort=$((base + 1))
SlurmUser=root
SlurmdUser=root
AuthType=auth/munge
CredType=cred/munge
AuthInfo=socket=$work/munge/munge.socket
StateSaveLocation=$work/state
SlurmdSpoolDir=$work/spool
SlurmctldPidFile=$work/slurmctld.pid
SlurmdPidFile=$work/slurmd.pid
SlurmctldLogFile=$work/log/slurmctld.log
SlurmdLogFile=$work/log/slurmd.log
PlugStackConfig=$work/plugstack.conf
ProctrackType=proctrack/linuxproc
TaskPlugin=task/none
SchedulerType=sched/builtin
SelectType=select/cons_tres
SelectTypeParameters=CR_CPU
ReturnToService=2
MpiDefault=none
JobCompType=jobcomp/none
AccountingStorageType=accounting_storage/none
NodeName=localhost NodeAddr=127.0.0.1 CPUs=2 State=UNKNOWN
PartitionName=test Nodes=localhost Default=YES MaxTime=INFINITE State=UP
CONF
touch "$work/plugstack.conf"
export SLURM_CONF="$work/slurm.conf"
slurmctld -f "$SLURM_CONF"
slurmd -f "$SLURM_CONF" -N localhost
for _ in $(seq 100); do
  sinfo -h -o %t 2>/dev/null | grep -q idle && break
  sleep 0.2
done
sinfo -h -o %t | grep -q idle || { echo "the node never became idle"; exit 1; }

# The shot: a picture, keys with a moving mask, 24 frames.
ffmpeg -v error -f lavfi -i testsrc2=size=96x64 -frames:v 1 "$work/in/in.png"
cat > "$work/in/keys.json" <<'KEYS'
{"params": {"Time": [{"time": 0, "value": 5}, {"time": 0.5, "value": 60, "interpolation": "ease"}, {"time": 1, "value": 95}],
            "Max Radius": [{"time": 0, "value": 6}, {"time": 0.9, "value": 14}], "On Original": true},
 "mask": [{"time": 0, "vertices": [[2.5, 10.5], [93.5, 30.5]]}, {"time": 1, "vertices": [[2.5, 50.5], [93.5, 20.5]]}]}
KEYS
look=(--keys "$work/in/keys.json" --frames 24 --fps 24)

cd "$work"
"$submit" in/in.png out.mp4 "${look[@]}" --chunk 5 --ringstride "$tool" | tee "$work/submitted.txt"
grep -q "5 tasks of up to 5 frames" "$work/submitted.txt"
"$tool" animate in/in.png "$work/ref_%06d.png" "${look[@]}" > /dev/null 2>&1

# A float shot of scene-linear light (an EXR), trimmed: its float TIFF
# frames must encode to the video animate writes straight.
"$tool" render in/in.png in/lin.exr --depth 32 > /dev/null
float_look=(--keys "$work/in/keys.json" --frames 12 --fps 24 --in 2f --out 0.5)
"$submit" in/lin.exr float.mp4 "${float_look[@]}" --chunk 4 --ringstride "$tool" > "$work/submitted-float.txt"
grep -q "3 tasks of up to 4 frames (10 frames at 24/1 fps)" "$work/submitted-float.txt"
"$tool" animate in/lin.exr "$work/float-ref.mp4" "${float_look[@]}" > /dev/null 2>&1

# Wait until the array and the encode job have left the queue.
for _ in $(seq 600); do
  [ -z "$(squeue -h -o %i)" ] && break
  sleep 0.2
done
[ -z "$(squeue -h -o %i)" ] || { echo "jobs still queued after two minutes"; squeue; exit 1; }

for i in $(seq 0 23); do
  n="$(printf %06d "$i")"
  cmp "$work/out.mp4.frames/f_$n.png" "$work/ref_$n.png" || { echo "frame $i differs from the single-machine run"; exit 1; }
done
frames="$(ffprobe -v error -count_frames -select_streams v:0 -show_entries stream=nb_read_frames -of csv=p=0 out.mp4)"
[ "$frames" = 24 ] || { echo "the encoded video has $frames frames, not 24"; exit 1; }
pixels() { ffmpeg -v error -i "$1" -f rawvideo -pix_fmt rgb24 - | md5sum; }
[ "$(pixels float.mp4)" = "$(pixels float-ref.mp4)" ] || { echo "the float shot's video differs from animate's own"; exit 1; }
echo "24 frames rendered in 5 Slurm array tasks equal the single-machine run; out.mp4 holds 24 frames;" \
     "a trimmed float shot of an EXR encodes to animate's own video"
