#!/usr/bin/env python3
"""Peak memory and time of aaxhost rendering long files.

Makes a 24-bit stereo 48 kHz WAV of each length asked for (1 and 60 minutes by default, about
1.05 GB together with their outputs' 1.4 GB) in a temporary folder, renders each through the
bundle with the master bypass on, and prints the peak resident memory (sampled every few
milliseconds) and the wall time of each run, with `sox IN.wav OUT.wav` on the same files as the reference where sox is installed.
The files are deleted afterwards, however the run ends. Not run by the tests.

    bench/render_long_files.py [--minutes 1,60] [--aaxhost PATH] [--bundle PATH] [--dir FOLDER]
"""

import argparse
import os
import shutil
import struct
import subprocess
import sys
import tempfile
import time

RATE = 48000
CHANNELS = 2
BYTES = 3  # 24-bit


def make_wav(path, minutes):
    """Full-scale noise: the bypassed render must carry every byte through."""
    frames = RATE * 60 * minutes
    data = frames * CHANNELS * BYTES
    block = CHANNELS * BYTES
    header = (b"RIFF" + struct.pack("<I", 36 + data) + b"WAVE" + b"fmt " +
              struct.pack("<IHHIIHH", 16, 1, CHANNELS, RATE, RATE * block, block, 8 * BYTES) +
              b"data" + struct.pack("<I", data))
    chunk = os.urandom(4 << 20)
    with open(path, "wb") as out:
        out.write(header)
        left = data
        while left > 0:
            n = min(left, len(chunk))
            out.write(chunk[:n])
            left -= n


def peak_of(pid):
    """The process's peak resident memory so far in KiB (VmHWM: of its own program, not of the
    process it was forked from, as the rusage of a child of this script would count), or 0."""
    try:
        with open(f"/proc/{pid}/status") as status:
            for line in status:
                if line.startswith("VmHWM:"):
                    return int(line.split()[1])
    except OSError:
        pass
    return 0


def measure(command):
    """Runs the command; its exit status, peak resident memory in MiB and wall time in s."""
    start = time.monotonic()
    with tempfile.TemporaryFile() as printed:
        process = subprocess.Popen(command, stdout=printed, stderr=subprocess.STDOUT)
        peak = 0
        while process.poll() is None:
            peak = max(peak, peak_of(process.pid))
            time.sleep(0.002)
        seconds = time.monotonic() - start
        printed.seek(0)
        text = printed.read().decode(errors="replace")
    error = "\n".join(line for line in text.splitlines() if line.startswith(("error", "sox FAIL")))
    return process.returncode, peak / 1024.0, seconds, error


def main():
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--minutes", default="1,60", help="lengths of the files, in minutes (default 1,60)")
    parser.add_argument("--aaxhost", default=os.path.join(root, "build/release/standin/aaxhost/tool/aaxhost"))
    parser.add_argument("--bundle", default=os.path.join(root, "build/release/bundles/Vellicor.aaxplugin"))
    parser.add_argument("--dir", default=None, help="where the temporary folder goes (default: the system's)")
    args = parser.parse_args()
    lengths = [int(m) for m in args.minutes.split(",") if m]
    for path in (args.aaxhost, args.bundle):
        if not os.path.exists(path):
            sys.exit(f"{path} is missing: build the release tree first")
    sox = shutil.which("sox")
    if not sox:
        print("sox is not installed: no reference runs")

    folder = tempfile.mkdtemp(prefix="aaxhost-long-", dir=args.dir)
    rows = []
    try:
        for minutes in lengths:
            source = os.path.join(folder, f"in-{minutes}min.wav")
            make_wav(source, minutes)
            size = os.path.getsize(source) / 1e6
            target = os.path.join(folder, "out.wav")
            runs = [("aaxhost render", [args.aaxhost, "render", args.bundle, source, target,
                                        "--set", "Master Bypass=on"])]
            if sox:
                runs.append(("sox (reference)", [sox, source, target]))
            for name, command in runs:
                code, peak, seconds, error = measure(command)
                rows.append((minutes, size, name, code, peak, seconds, error))
                if os.path.exists(target):
                    os.remove(target)
            os.remove(source)
    finally:
        shutil.rmtree(folder, ignore_errors=True)

    print(f"{'file':>14}  {'run':<16} {'exit':>4}  {'peak MiB':>9}  {'time s':>7}")
    for minutes, size, name, code, peak, seconds, error in rows:
        print(f"{minutes:>4} min {size:>5.0f} MB  {name:<16} {code:>4}  {peak:>9.1f}  {seconds:>7.2f}")
        if code != 0 and error:
            print(f"{'':>16}{error.splitlines()[-1]}")
    renders = [row for row in rows if row[2] == "aaxhost render" and row[3] == 0]
    if len(renders) >= 2:
        growth = renders[-1][4] - renders[0][4]
        print(f"peak memory of the {renders[-1][0]}-minute render less the {renders[0][0]}-minute one: "
              f"{growth:.1f} MiB")


if __name__ == "__main__":
    main()
