#!/usr/bin/env bash
# Builds the benchmarks (Release) and runs them all, then prints the table of
# figures: figure | target | result | met?
#
#   bench/run-all.sh            # the full run (the idle figure takes 3 minutes)
#   bench/run-all.sh --quick    # idle over 20 s, fewer start-ups: for development
#
# Figures:
#   - the minute tick over a day list of 100,000 lines, none due (bench_scheduler)
#   - LoadSchedule of seven 100,000-line day files (bench_schedule)
#   - a 255-character step played on the recording backend (bench_keys)
#   - typing 2,000 characters into a window under Xvfb with the X11 backend,
#     against xdotool type --delay 0 (bench/x11_typing.sh)
#   - start-up of `orvanel` under Xvfb to its first painted window, its
#     resident memory, and its CPU time when idle with an empty week
#     (bench/startup.py)
# The raw outputs are kept in $BUILD/results (default build/bench/results).
set -euo pipefail
cd "$(dirname "$0")/.."

quick=0
for arg in "$@"; do
    case "$arg" in
    --quick) quick=1 ;;
    *)
        echo "usage: bench/run-all.sh [--quick]" >&2
        exit 2
        ;;
    esac
done
idle_seconds=180
startup_runs=7
if [ "$quick" -eq 1 ]; then
    idle_seconds=20
    startup_runs=3
fi

build=${BUILD:-build/bench}
jobs=${JOBS:-2}
# Tests stay configured because the typing benchmark types into the test
# target window (targetwin); only the targets below are built.
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DORVANEL_BUILD_BENCH=ON \
    -DORVANEL_BUILD_TESTS=ON -DORVANEL_BUILD_UI=ON -DORVANEL_BUILD_X11=ON >/dev/null
cmake --build "$build" -j "$jobs" --target bench_scheduler bench_schedule bench_keys \
    bench_x11_typing targetwin orvanel

results="$build/results"
rm -rf "$results"
mkdir -p "$results"

run_benchmark() { # name filter
    echo "== bench_$1"
    "$build/bench/bench_$1" --benchmark_filter="$2" --benchmark_repetitions=3 \
        --benchmark_report_aggregates_only=true \
        --benchmark_out="$results/$1.json" --benchmark_out_format=json
}
run_benchmark scheduler 'BM_TickOver100000LinesNoneDue'
run_benchmark schedule 'BM_LoadSchedule'
run_benchmark keys '_Recording'

echo "== X11 typing against xdotool"
bench/x11_typing.sh "$build" | tee "$results/x11_typing.txt" || true

echo "== start-up, memory and idle of orvanel (idle ${idle_seconds}s)"
python3 bench/startup.py "$build/src/ui/orvanel" --runs "$startup_runs" \
    --idle-seconds "$idle_seconds" | tee "$results/startup.json" || true

python3 - "$results" <<'EOF'
import json, os, re, sys

results = sys.argv[1]
rows = []

def load(name):
    try:
        with open(os.path.join(results, name)) as f:
            return json.load(f)
    except (OSError, ValueError):
        return None

def median(data, prefix):
    """The median aggregate of a benchmark (by its name prefix)."""
    for b in (data or {}).get("benchmarks", []):
        if b["name"].startswith(prefix) and b.get("aggregate_name") == "median":
            return b
    return None

def to_ms(b):
    scale = {"ns": 1e-6, "us": 1e-3, "ms": 1.0, "s": 1e3}[b.get("time_unit", "ns")]
    return b["real_time"] * scale

def met(ok):
    return "yes" if ok else "NO"

scheduler = load("scheduler.json")
b = median(scheduler, "BM_TickOver100000LinesNoneDue")
if b:
    ms = to_ms(b)
    rows.append(("Tick over 100,000 lines, none due", "<= 20 ms", f"{ms:.2f} ms", met(ms <= 20)))
else:
    rows.append(("Tick over 100,000 lines, none due", "<= 20 ms", "not measured", "NO"))

schedule = load("schedule.json")
for length in (40, 70, 255):
    b = median(schedule, f"BM_LoadSchedule/{length}_")
    figure = f"LoadSchedule, 7 files x 100,000 lines of {length} chars"
    if b:
        s = to_ms(b) / 1000
        rows.append((figure, "<= 0.5 s", f"{s:.3f} s", met(s <= 0.5)))
    else:
        rows.append((figure, "<= 0.5 s", "not measured", "NO"))

keys = load("keys.json")
for name, what in (("BM_MixedStep_Recording", "mixed"), ("BM_TextStep_Recording", "plain text")):
    b = median(keys, name)
    figure = f"255-char step ({what}) on the recording backend"
    if b and "items_per_second" in b:
        rate = b["items_per_second"] / 1e6
        rows.append((figure, ">= 5 M events/s", f"{rate:.1f} M events/s", met(rate >= 5)))
    else:
        rows.append((figure, ">= 5 M events/s", "not measured", "NO"))

figure = "Typing 2,000 chars under Xvfb: X11 backend vs xdotool"
try:
    text = open(os.path.join(results, "x11_typing.txt")).read()
except OSError:
    text = ""
ours = re.search(r"^backend.*?([\d.]+) chars/s, (\d+) lost", text, re.M)
xdo = re.search(r"^xdotool.*?([\d.]+) chars/s, (\d+) lost", text, re.M)
if ours and xdo:
    rate, lost = float(ours.group(1)), int(ours.group(2))
    rate_xdo, lost_xdo = float(xdo.group(1)), int(xdo.group(2))
    rows.append((figure, "none lost, faster than xdotool",
                 f"{rate:.0f} vs {rate_xdo:.0f} chars/s ({rate / rate_xdo:.2f}x), "
                 f"{lost} lost (xdotool {lost_xdo})", met(lost == 0 and rate > rate_xdo)))
else:
    rows.append((figure, "none lost, faster than xdotool", "not measured", "NO"))

startup = load("startup.json")
if startup and "startup_median_ms" in startup:
    ms = startup["startup_median_ms"]
    worst = max(startup["startup_ms"])
    rows.append(("Start-up of orvanel to its first painted window", "<= 250 ms",
                 f"{ms:.0f} ms median of {len(startup['startup_ms'])} (first {startup['startup_first_ms']:.0f}, "
                 f"worst {worst:.0f})", met(ms <= 250)))
    rows.append(("Resident memory 1 s after start-up", "(report)",
                 f"{startup['rss_kib'] / 1024:.1f} MiB", "-"))
    if "idle_cpu_ms" in startup:
        seconds = startup["idle_seconds"]
        cpu = startup["idle_cpu_ms"]
        # The larger of the two measures (the clock-tick one is coarse),
        # scaled to three minutes when a shorter span was measured (--quick).
        scaled = max(cpu, startup["idle_run_ms"]) * 180 / seconds
        note = "" if seconds == 180 else f", {scaled:.0f} ms per 3 min"
        rows.append((f"Idle CPU time over {seconds:.0f} s, empty week", "< 50 ms per 3 min",
                     f"{cpu:.0f} ms (run time {startup['idle_run_ms']:.1f} ms{note})",
                     met(scaled < 50)))
else:
    rows.append(("Start-up of orvanel to its first painted window", "<= 250 ms", "not measured", "NO"))

headers = ("Figure", "Target", "Result", "Met?")
widths = [max(len(str(r[i])) for r in rows + [headers]) for i in range(4)]
line = lambda r: "| " + " | ".join(str(c).ljust(w) for c, w in zip(r, widths)) + " |"
print()
print(line(headers))
print("|" + "|".join("-" * (w + 2) for w in widths) + "|")
for r in rows:
    print(line(r))
with open(os.path.join(results, "table.md"), "w") as f:
    f.write(line(headers) + "\n" + "|" + "|".join("-" * (w + 2) for w in widths) + "|\n")
    f.writelines(line(r) + "\n" for r in rows)
EOF
