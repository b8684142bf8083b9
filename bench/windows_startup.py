#!/usr/bin/env python3
"""Start-up, memory and idle figures of the Windows program under Wine.

The counterpart of startup.py, measured the same way from outside on a
virtual X display of its own, with a fresh Wine prefix:

- start-up: from just before `wine orvanel.exe` is executed to the first
  painted "Orvanel" window. The first run also starts the Wine server and
  its services ("cold"); the later runs find them running ("warm").
- resident memory: VmRSS of the orvanel.exe process one second after its
  first paint (Wine's own server and services are not counted; their sum is
  given apart).
- idle: the CPU time of the orvanel.exe process, and of the Wine server,
  over a span with an empty week, from two seconds after the first paint.

Prints one JSON object. Needs wine, Xvfb and libX11.
"""
import argparse
import json
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from startup import Watcher, cpu_ticks, load_xlib, rss_kib, run_nanoseconds, start_xvfb  # noqa: E402


def processes_named(name):
    found = []
    for pid in os.listdir("/proc"):
        if not pid.isdigit():
            continue
        try:
            with open(f"/proc/{pid}/cmdline", "rb") as f:
                command = f.read().split(b"\0")[0].decode("latin-1")
        except OSError:
            continue
        if command.lower().endswith(name):
            found.append(int(pid))
    return found


def launch(program, environment, watcher, timeout):
    workdir = tempfile.mkdtemp(prefix="orvanel-wine-startup-")
    watcher.mapped_windows()
    start = time.perf_counter()
    wine = subprocess.Popen(["wine", program], cwd=workdir, env=environment,
                            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    candidates = []
    while time.perf_counter() - start < timeout:
        for window in watcher.mapped_windows():
            if watcher.name(window) == "Orvanel":
                candidates.append(window)
        if any(watcher.painted(window) for window in candidates):
            ms = (time.perf_counter() - start) * 1000.0
            pids = processes_named("orvanel.exe")
            return wine, workdir, ms, pids[0] if pids else None
        time.sleep(0.002)
    wine.kill()
    raise RuntimeError("no painted Orvanel window within %.0f s" % timeout)


def stop(wine, pid, workdir):
    if pid is not None:
        try:
            os.kill(pid, 15)
        except ProcessLookupError:
            pass
    try:
        wine.wait(timeout=10)
    except subprocess.TimeoutExpired:
        wine.kill()
    shutil.rmtree(workdir, ignore_errors=True)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("program", help="orvanel.exe")
    parser.add_argument("--runs", type=int, default=5)
    parser.add_argument("--idle-seconds", type=float, default=180.0)
    args = parser.parse_args()
    program = os.path.abspath(args.program)

    xvfb, display = start_xvfb()
    prefix = tempfile.mkdtemp(prefix="orvanel-wine-prefix-")
    environment = dict(os.environ, DISPLAY=display, WINEPREFIX=prefix, WINEARCH="win64",
                       WINEDEBUG="-all", WINEDLLOVERRIDES="mscoree,mshtml=")
    result = {"display": display, "exe_bytes": os.path.getsize(program)}
    try:
        subprocess.run(["wineboot", "-i"], env=environment, timeout=300,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        subprocess.run(["wineserver", "-k"], env=environment, timeout=60)
        watcher = Watcher(load_xlib(), display)
        times = []
        for run in range(args.runs):
            wine, workdir, ms, pid = launch(program, environment, watcher, 60.0)
            times.append(ms)
            time.sleep(1.0)
            rss = rss_kib(pid) if pid else 0
            wine_rss = sum(rss_kib(p) for p in processes_named(".exe") if p != pid)
            if run + 1 < args.runs:
                stop(wine, pid, workdir)
        result["startup_ms"] = [round(t, 1) for t in times]
        result["startup_cold_ms"] = round(times[0], 1)
        result["startup_warm_median_ms"] = round(statistics.median(times[1:] or times), 1)
        result["rss_kib"] = rss
        result["wine_services_rss_kib"] = wine_rss
        if args.idle_seconds > 0 and pid:
            time.sleep(1.0)
            ticks_per_second = os.sysconf("SC_CLK_TCK")
            server = (processes_named("wineserver") + processes_named("wineserver64"))[:1]
            ticks = cpu_ticks(pid)
            run_ns = run_nanoseconds(pid)
            server_ticks = cpu_ticks(server[0]) if server else 0
            time.sleep(args.idle_seconds)
            result["idle_seconds"] = args.idle_seconds
            result["idle_cpu_ms"] = (cpu_ticks(pid) - ticks) * 1000.0 / ticks_per_second
            result["idle_run_ms"] = round((run_nanoseconds(pid) - run_ns) / 1e6, 2)
            if server:
                result["idle_wineserver_cpu_ms"] = \
                    (cpu_ticks(server[0]) - server_ticks) * 1000.0 / ticks_per_second
        stop(wine, pid, workdir)
        watcher.close()
    finally:
        subprocess.run(["wineserver", "-k"], env=environment, timeout=60)
        xvfb.terminate()
        xvfb.wait()
        shutil.rmtree(prefix, ignore_errors=True)
    json.dump(result, sys.stdout)
    print()


if __name__ == "__main__":
    main()
