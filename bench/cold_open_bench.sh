#!/usr/bin/env bash
# Cold open of a 100 MiB ASCII log by the whole editor, as a user starts it: a fresh process
# under Xvfb + openbox, the file in the page cache, a fresh home per start. Timed from just
# before the process starts to its window mapped (xdotool, by the window's process id) and to
# the process idle (its CPU ticks in /proc/PID/stat unchanged for a second; the time is that of
# the last change), with the peak resident memory (VmHWM). Kate is started the same way in the
# same run when it is installed (`apt-get install -y kate`), each start alternating with ours.
# Prints the median of each and the ratios, with the machine's load. With a second build folder
# (an earlier build of the editor) that one is started in turn as well, for a before-and-after
# in the same run.
#   bench/cold_open_bench.sh [build folder] [starts] [display] [earlier build folder]
#   (default: build, 5, :75, none)
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build}"
runs="${2:-5}"
display="${3:-:75}"
app="$(realpath "$build/app/shell/orlune-viewer")"
[ -x "$app" ] || { echo "cold open: $app is not built" >&2; exit 1; }
before=""
if [ -n "${4:-}" ]; then
    before="$(realpath "$4/app/shell/orlune-viewer")"
    [ -x "$before" ] || { echo "cold open: $before is not built" >&2; exit 1; }
fi
command -v xdotool >/dev/null || { echo "cold open: xdotool is missing" >&2; exit 1; }

out="$(mktemp -d)"
pids=()
cleanup() { for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done; rm -rf "$out"; }
trap cleanup EXIT
export QT_QPA_PLATFORM=xcb DISPLAY="$display"
unset WAYLAND_DISPLAY

Xvfb "$display" -screen 0 1280x800x24 -nolisten tcp 2>"$out/xvfb.log" &
pids+=($!)
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
openbox >/dev/null 2>&1 &
pids+=($!)
sleep 0.5

# 100 MiB of log lines, plain ASCII, exactly 104857600 bytes (the editor's default threshold
# for a large file is above this: the file is read whole).
file="$out/app.log"
python3 - "$file" <<'EOF'
import random, sys
random.seed(5)
levels = ["INFO", "DEBUG", "WARN", "ERROR"]
words = ["request", "served", "cache", "miss", "user", "session", "opened", "closed",
         "timeout", "retry", "queue", "flushed", "bytes", "worker"]
lines = []
n = 0
size = 0
while size < 1 << 20:
    line = "2026-12-11 03:%02d:%02d.%03d %-5s [worker-%d] %s\n" % (
        (n // 60000) % 60, (n // 1000) % 60, n % 1000, random.choice(levels),
        random.randrange(16), " ".join(random.choice(words) for _ in range(random.randint(3, 12))))
    lines.append(line)
    size += len(line)
    n += 1
block = "".join(lines).encode()
total = 100 << 20
with open(sys.argv[1], "wb") as f:
    written = 0
    while written < total:
        piece = block[: total - written]
        if written + len(piece) == total:
            piece = piece[:-1] + b"\n"
        f.write(piece)
        written += len(piece)
EOF
cat "$file" >/dev/null

python3 - "$out" "$file" "$runs" "$app" "$before" <<'EOF'
import os, shutil, statistics, subprocess, sys, time
out, file, runs, app, before = sys.argv[1], sys.argv[2], int(sys.argv[3]), sys.argv[4], sys.argv[5]
settle = 1.0

def fresh_home(name):
    home = os.path.join(out, name)
    shutil.rmtree(home, ignore_errors=True)
    for sub in [".config", ".local/share", ".local/state", ".cache", "run"]:
        os.makedirs(os.path.join(home, sub), exist_ok=True)
    os.chmod(os.path.join(home, "run"), 0o700)
    env = dict(os.environ, HOME=home, XDG_CONFIG_HOME=home + "/.config",
               XDG_DATA_HOME=home + "/.local/share", XDG_STATE_HOME=home + "/.local/state",
               XDG_CACHE_HOME=home + "/.cache", XDG_RUNTIME_DIR=home + "/run")
    return env

def ticks(pid):
    with open("/proc/%d/stat" % pid) as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return int(fields[11]) + int(fields[12])

def peak_mib(pid):
    with open("/proc/%d/status" % pid) as f:
        for line in f:
            if line.startswith("VmHWM:"):
                return int(line.split()[1]) / 1024
    return -1

def mapped(pid):
    result = subprocess.run(["xdotool", "search", "--onlyvisible", "--pid", str(pid)],
                            stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
    return result.returncode == 0 and result.stdout.strip() != b""

def start(name, command):
    env = fresh_home(name)
    log = open(os.path.join(out, name + ".log"), "w")
    t0 = time.monotonic()
    process = subprocess.Popen(command, env=env, stdout=log, stderr=log)
    window = None
    last_ticks, last_change = -1, t0
    deadline = t0 + 120
    while time.monotonic() < deadline and process.poll() is None:
        now = time.monotonic()
        if window is None and mapped(process.pid):
            window = now - t0
        value = ticks(process.pid)
        if value != last_ticks:
            last_ticks, last_change = value, now
        elif window is not None and now - last_change >= settle:
            break
        time.sleep(0.005)
    idle = last_change - t0
    peak = peak_mib(process.pid) if process.poll() is None else -1
    process.terminate()
    try:
        process.wait(5)
    except subprocess.TimeoutExpired:
        process.kill()
        process.wait()
    if window is None:
        raise SystemExit("cold open: %s never mapped a window (see %s.log)" % (name, name))
    return window, idle, peak, last_ticks

editors = [("ours", [app, file])]
if before:
    editors.append(("before", [before, file]))
kate = shutil.which("kate")
if kate:
    editors.append(("kate", [kate, "-n", file]))
results = {name: [] for name, _ in editors}
for run in range(runs):
    for name, command in editors:
        results[name].append(start(name, command))

print("cold open of a 100 MiB ASCII log (%d bytes), %d starts each, medians:" %
      (os.path.getsize(file), runs))
med = {}
for name, values in results.items():
    window = statistics.median(v[0] for v in values)
    idle = statistics.median(v[1] for v in values)
    peak = statistics.median(v[2] for v in values)
    cpu = statistics.median(v[3] for v in values) / os.sysconf("SC_CLK_TCK")
    med[name] = (window, idle)
    print("  %-6s window mapped %.3f s, idle %.3f s, CPU %.2f s, peak %.0f MiB   (idle: %s)" %
          (name, window, idle, cpu, peak, " ".join("%.3f" % v[1] for v in values)))
if "before" in med:
    print("  ours / before: window %.2fx, idle %.2fx" %
          (med["ours"][0] / med["before"][0], med["ours"][1] / med["before"][1]))
if "kate" in med:
    print("  ours / kate: window %.2fx, idle %.2fx (target: idle under 0.5x and under 0.4 s)" %
          (med["ours"][0] / med["kate"][0], med["ours"][1] / med["kate"][1]))
else:
    print("  kate is not installed: no comparison")
with open("/proc/loadavg") as f:
    print("  load average at the end: %s (%d processors)" %
          (" ".join(f.read().split()[:3]), os.cpu_count()))
EOF
