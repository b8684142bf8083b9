#!/usr/bin/env python3
"""Start-up, memory and idle figures of the program `orvanel` under Xvfb.

The program takes no options and reads no settings of its own, so it is
measured from outside:

- start-up: from just before the program is executed to its first painted
  window. A client of the X server of our own watches the root window for
  the mapping of a top-level window whose name holds "Orvanel", then reads
  that window's pixels until they are no longer all one colour (Xvfb runs
  with a black root and Qt leaves an unpainted window as it is, so the first
  differing pixels are the first paint). Each run starts in a fresh empty
  working directory, so it also creates "schedule.ini" there.
- resident memory: VmRSS of the process one second after its first paint.
- idle: the CPU time (utime + stime of /proc/PID/stat, all threads) that the
  program of the last run uses over a span with an empty week, from two
  seconds after its first paint; the scheduler's run time of its threads
  (/proc/PID/task/*/schedstat, nanoseconds) is given as well, being finer.

Prints one JSON object. Only the Python standard library and libX11 are used.
"""
import argparse
import ctypes
import json
import os
import shutil
import signal
import statistics
import subprocess
import sys
import tempfile
import time

SUBSTRUCTURE_NOTIFY_MASK = 1 << 19
MAP_NOTIFY = 19
Z_PIXMAP = 2
ALL_PLANES = 0xFFFFFFFFFFFFFFFF


def load_xlib():
    x = ctypes.CDLL("libX11.so.6")
    x.XOpenDisplay.restype = ctypes.c_void_p
    x.XOpenDisplay.argtypes = [ctypes.c_char_p]
    x.XDefaultRootWindow.restype = ctypes.c_ulong
    x.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
    x.XSelectInput.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_long]
    x.XPending.argtypes = [ctypes.c_void_p]
    x.XNextEvent.argtypes = [ctypes.c_void_p, ctypes.c_void_p]
    x.XFetchName.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.POINTER(ctypes.c_char_p)]
    x.XGetWindowAttributes.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_void_p]
    x.XGetImage.restype = ctypes.c_void_p
    x.XGetImage.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_int,
                            ctypes.c_uint, ctypes.c_uint, ctypes.c_ulong, ctypes.c_int]
    x.XDestroyImage.argtypes = [ctypes.c_void_p]
    x.XSync.argtypes = [ctypes.c_void_p, ctypes.c_int]
    x.XFree.argtypes = [ctypes.c_void_p]
    x.XCloseDisplay.argtypes = [ctypes.c_void_p]
    return x


# X errors (a window that went away between two requests) are ignored.
ERROR_HANDLER = ctypes.CFUNCTYPE(ctypes.c_int, ctypes.c_void_p, ctypes.c_void_p)(lambda d, e: 0)


class Watcher:
    def __init__(self, xlib, display_name):
        self.x = xlib
        self.d = xlib.XOpenDisplay(display_name.encode())
        if not self.d:
            raise RuntimeError("cannot open display " + display_name)
        xlib.XSetErrorHandler(ERROR_HANDLER)
        self.root = xlib.XDefaultRootWindow(self.d)
        xlib.XSelectInput(self.d, self.root, SUBSTRUCTURE_NOTIFY_MASK)
        xlib.XSync(self.d, 0)

    def name(self, window):
        text = ctypes.c_char_p()
        if self.x.XFetchName(self.d, window, ctypes.byref(text)) and text.value is not None:
            return text.value.decode("latin-1")
        return ""

    def mapped_windows(self):
        """The windows mapped since the last call."""
        found = []
        event = (ctypes.c_long * 24)()
        while self.x.XPending(self.d):
            self.x.XNextEvent(self.d, event)
            if event[0] & 0xFFFFFFFF == MAP_NOTIFY:
                found.append(ctypes.c_ulong(event[5]).value)  # XMapEvent.window
        return found

    def painted(self, window):
        attributes = (ctypes.c_int * 64)()
        if not self.x.XGetWindowAttributes(self.d, window, attributes):
            return False
        width, height = attributes[2], attributes[3]
        if width <= 1 or height <= 1:
            return False
        image = self.x.XGetImage(self.d, window, 0, 0, width, height, ALL_PLANES, Z_PIXMAP)
        if not image:
            return False
        try:
            data_pointer = ctypes.c_void_p.from_address(image + 16).value
            bytes_per_line = ctypes.c_int.from_address(image + 44).value
            bits_per_pixel = ctypes.c_int.from_address(image + 48).value
            data = ctypes.string_at(data_pointer, bytes_per_line * height)
            pixel = max(1, bits_per_pixel // 8)
            first = data[:pixel]
            # All one colour: every pixel of every line equals the first.
            line = first * width
            return any(data[y * bytes_per_line:y * bytes_per_line + pixel * width] != line
                       for y in range(height))
        finally:
            self.x.XDestroyImage(image)

    def close(self):
        self.x.XCloseDisplay(self.d)


def start_xvfb():
    read_end, write_end = os.pipe()
    xvfb = subprocess.Popen(
        ["Xvfb", "-displayfd", str(write_end), "-screen", "0", "1280x1024x24", "-br",
         "-nolisten", "tcp", "-noreset"],
        pass_fds=(write_end,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    os.close(write_end)
    number = b""
    with os.fdopen(read_end, "rb") as pipe:
        while not number.endswith(b"\n"):
            chunk = pipe.read(1)
            if not chunk:
                raise RuntimeError("Xvfb did not start")
            number += chunk
    return xvfb, ":" + number.decode().strip()


def cpu_ticks(pid):
    with open(f"/proc/{pid}/stat") as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return int(fields[11]) + int(fields[12])  # utime, stime (fields 14 and 15)


def run_nanoseconds(pid):
    total = 0
    for task in os.listdir(f"/proc/{pid}/task"):
        try:
            with open(f"/proc/{pid}/task/{task}/schedstat") as f:
                total += int(f.read().split()[0])
        except (FileNotFoundError, ProcessLookupError):
            pass
    return total


def rss_kib(pid):
    with open(f"/proc/{pid}/status") as f:
        for line in f:
            if line.startswith("VmRSS:"):
                return int(line.split()[1])
    return 0


def launch(program, display, watcher, timeout):
    """Starts the program in a fresh directory; returns (process, dir, ms to
    the first paint, ms to the mapping of the window)."""
    workdir = tempfile.mkdtemp(prefix="orvanel-startup-")
    environment = dict(os.environ, DISPLAY=display)
    environment.pop("QT_QPA_PLATFORM", None)
    watcher.mapped_windows()  # forget earlier events
    start = time.perf_counter()
    process = subprocess.Popen([program], cwd=workdir, env=environment,
                               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    candidates = []
    mapped_ms = None
    while True:
        now = time.perf_counter()
        if now - start > timeout:
            process.kill()
            raise RuntimeError("no painted Orvanel window within %.0f s" % timeout)
        if process.poll() is not None:
            raise RuntimeError("the program ended with exit code %d" % process.returncode)
        for window in watcher.mapped_windows():
            if "Orvanel" in watcher.name(window):
                candidates.append(window)
                if mapped_ms is None:
                    mapped_ms = (time.perf_counter() - start) * 1000.0
        if any(watcher.painted(window) for window in candidates):
            return process, workdir, (time.perf_counter() - start) * 1000.0, mapped_ms
        time.sleep(0.002)


def stop(process, workdir):
    process.send_signal(signal.SIGTERM)
    try:
        process.wait(timeout=5)
    except subprocess.TimeoutExpired:
        process.kill()
        process.wait()
    shutil.rmtree(workdir, ignore_errors=True)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("program")
    parser.add_argument("--runs", type=int, default=5)
    parser.add_argument("--idle-seconds", type=float, default=180.0)
    args = parser.parse_args()
    program = os.path.abspath(args.program)

    xvfb, display = start_xvfb()
    result = {"display": display}
    try:
        xlib = load_xlib()
        watcher = Watcher(xlib, display)
        times = []
        mapped = []
        for run in range(args.runs):
            process, workdir, ms, mapped_ms = launch(program, display, watcher, 30.0)
            times.append(ms)
            mapped.append(mapped_ms)
            time.sleep(1.0)
            rss = rss_kib(process.pid)
            if run + 1 < args.runs:
                stop(process, workdir)
        result["startup_ms"] = [round(t, 1) for t in times]
        result["mapped_ms"] = [round(t, 1) for t in mapped]
        result["startup_median_ms"] = round(statistics.median(times), 1)
        result["startup_first_ms"] = round(times[0], 1)
        result["rss_kib"] = rss
        if args.idle_seconds > 0:
            time.sleep(1.0)  # two seconds after the first paint
            ticks_per_second = os.sysconf("SC_CLK_TCK")
            ticks = cpu_ticks(process.pid)
            run_ns = run_nanoseconds(process.pid)
            time.sleep(args.idle_seconds)
            if process.poll() is not None:
                raise RuntimeError("the program ended while idle")
            result["idle_seconds"] = args.idle_seconds
            result["idle_cpu_ms"] = (cpu_ticks(process.pid) - ticks) * 1000.0 / ticks_per_second
            result["idle_run_ms"] = round((run_nanoseconds(process.pid) - run_ns) / 1e6, 2)
            result["clock_tick_ms"] = 1000.0 / ticks_per_second
        stop(process, workdir)
        watcher.close()
    finally:
        xvfb.terminate()
        xvfb.wait()
    json.dump(result, sys.stdout)
    print()


if __name__ == "__main__":
    main()
