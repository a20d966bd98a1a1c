#!/bin/sh
# Usage: bench/jobs/run.sh BUILD_DIR PRINTERS IDLE HOSTS JOB_BYTES JOBS_PER_HOST
#   (BUILD_DIR configured with -DTYPESTONE_BENCH=ON)
# Starts the real program (service mode, headless) on a private settings store and a folder
# spooler with PRINTERS printer folders P0, P1, ..., on ports the system picks, then runs
# bench_jobs against it: the receiver-with-fsync baseline, HOSTS hosts on their own printers and
# all on one, three rounds each (medians), and with IDLE > 0 that many idle connections for 30 s
# each way. The program is stopped at the end. PROGRAM=path runs another build of the program
# (an earlier one, to compare) with the same driver.
set -eu
build=$1
printers=$2
idle=$3
shift 3
tmp=$(mktemp -d)
pid=
cleanup() {
    if [ -n "$pid" ]; then kill -TERM "$pid" 2>/dev/null || true; wait "$pid" 2>/dev/null || true; fi
    rm -rf "$tmp"
}
trap cleanup EXIT INT TERM
mkdir -p "$tmp/spool" "$tmp/config" "$tmp/state" "$tmp/cache" "$tmp/run"
i=0
while [ "$i" -lt "$printers" ]; do mkdir "$tmp/spool/P$i"; i=$((i + 1)); done
env -u DISPLAY -u WAYLAND_DISPLAY TYPESTONE_REGISTRY="$tmp/registry.sqlite" \
    TYPESTONE_SPOOLER="folder:$tmp/spool" TYPESTONE_ANY_PORTS=1 XDG_CONFIG_HOME="$tmp/config" \
    XDG_STATE_HOME="$tmp/state" XDG_CACHE_HOME="$tmp/cache" XDG_RUNTIME_DIR="$tmp/run" TMPDIR="$tmp" \
    "${PROGRAM:-$build/typestone/typestone}" > "$tmp/server.out" 2>&1 &
pid=$!
port=
for _ in $(seq 1 300); do
    port=$(sed -n 's/.*listening on UDP port [0-9]* and job port \([0-9]*\).*/\1/p' "$tmp/server.out")
    [ -n "$port" ] && break
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
done
if [ -z "$port" ]; then
    echo "the server did not start:" >&2
    cat "$tmp/server.out" >&2
    exit 1
fi
echo "machine: $(nproc) cores, $(sed -n 's/^model name\t: //p' /proc/cpuinfo | head -1); load $(cut -d' ' -f1-3 /proc/loadavg); $(date -u '+%Y-%m-%d %H:%M UTC')"
echo "printer folders: $printers"
"$build/bench/jobs/bench_jobs" --port "$port" --pid "$pid" --spool "$tmp/spool" --idle "$idle" "$@"
echo "load at the end: $(cut -d' ' -f1-3 /proc/loadavg)"
