#!/usr/bin/env bash
# Time from starting the program to the first frame with the board on screen, under Xvfb.
# Starts its own X server, runs the program RUNS times and polls one board pixel (through Xlib,
# about every millisecond) until it shows the board colour; prints each time and the median.
#
#   bench/ui/startup_measure.sh [program] [runs] [display]
set -euo pipefail

program=${1:-build/src/ui/nagishogi}
runs=${2:-10}
display=${3:-:98}

command -v Xvfb >/dev/null || { echo "needs Xvfb (see scripts/setup.sh)" >&2; exit 1; }
command -v python3 >/dev/null || { echo "needs python3" >&2; exit 1; }
[ -x "$program" ] || { echo "no program at $program" >&2; exit 1; }

Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
trap 'kill "$xvfb" 2>/dev/null || true' EXIT

DISPLAY=$display python3 - "$program" "$runs" <<'PY'
import ctypes, ctypes.util, statistics, subprocess, sys, time

program, runs = sys.argv[1], int(sys.argv[2])
x11 = ctypes.CDLL(ctypes.util.find_library("X11") or "libX11.so.6")
x11.XOpenDisplay.restype = ctypes.c_void_p
x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
x11.XDefaultRootWindow.restype = ctypes.c_ulong
x11.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
x11.XGetImage.restype = ctypes.c_void_p
x11.XGetImage.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_int,
                          ctypes.c_uint, ctypes.c_uint, ctypes.c_ulong, ctypes.c_int]
x11.XFree.argtypes = [ctypes.c_void_p]

display = None
for _ in range(100):
    display = x11.XOpenDisplay(None)
    if display:
        break
    time.sleep(0.05)
if not display:
    sys.exit("cannot open the X display")
root = x11.XDefaultRootWindow(display)

class XImage(ctypes.Structure):
    _fields_ = [("width", ctypes.c_int), ("height", ctypes.c_int), ("xoffset", ctypes.c_int),
                ("format", ctypes.c_int), ("data", ctypes.POINTER(ctypes.c_ubyte))]

# With no window manager the window sits at the top-left corner; this pixel lies on the board
# rectangle left of the grid (x 4..19 of the board box, below the 18-20 pixel menu bar).
PROBE = (42, 220)
BOARD = (228, 175, 14)

def pixel():
    image = x11.XGetImage(display, root, PROBE[0], PROBE[1], 1, 1, 0xFFFFFFFF, 2)  # ZPixmap
    data = ctypes.cast(image, ctypes.POINTER(XImage)).contents.data
    blue, green, red = data[0], data[1], data[2]
    x11.XFree(ctypes.cast(data, ctypes.c_void_p))
    x11.XFree(image)
    return (red, green, blue)

times = []
for run in range(1, runs + 1):
    if pixel() == BOARD:
        sys.exit("the probe already shows the board")
    start = time.perf_counter()
    app = subprocess.Popen([program], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    while pixel() != BOARD:
        if time.perf_counter() - start > 20:
            app.kill()
            sys.exit("no board after 20 s")
        time.sleep(0.001)
    elapsed = (time.perf_counter() - start) * 1000
    times.append(elapsed)
    print(f"run {run}: {elapsed:.0f} ms", flush=True)
    app.terminate()
    app.wait()
    time.sleep(0.3)

print(f"first board frame: median {statistics.median(times):.0f} ms, "
      f"min {min(times):.0f} ms, max {max(times):.0f} ms over {runs} runs")
PY
