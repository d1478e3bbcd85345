#!/usr/bin/env python3
"""Measures velodrive, a plain stdio loop, GNU dd and fio side by side on the same file system.

Each tool does the same work: a sequential buffered write of N MiB of zero
bytes in blocks of B bytes, with no sync and no direct I/O, then a
sequential read of the same file (from the file cache, as it comes right
after the write), then the file is deleted. stdio-loop (bench/stdio_loop.cpp)
is the least program that makes velodrive's stream calls, timed with a
nanosecond clock: velodrive's ratio to it is velodrive's own overhead. The
tools take turns for every block size (velodrive, stdio-loop, dd, fio, then
stdio-loop, dd, fio, velodrive, ...: the order turns every run), and the
machine's
dirty pages are written out with sync before every measurement so that one
tool's leftovers do not throttle the next one's writes.

Prints a table of median MiB/s per tool and block size with the
velodrive/stdio-loop, velodrive/dd and velodrive/fio ratios, and writes a CSV of every
measurement and a PNG chart (through gnuplot) into the output directory.

With --device, it measures the device rather than the file cache, each
tool in its own way of doing so: velodrive --sync (the write synced, the
file dropped from the cache before the read), dd with conv=fdatasync for
the write and iflag=direct for the read, and fio with end_fsync=1 and
invalidate=1; with the velodrive/dd and velodrive/fio ratios, into
device-throughput.csv and device-throughput.png.

With --wine, it measures the Windows programs under that Wine instead:
velodrive.exe, and stdio_loop.exe with text streams (the Windows default,
velodrive's) and with binary ones, with velodrive's ratio to the text loop
and the text loop's ratio to the binary one, into windows-throughput.csv and
windows-throughput.png.
"""

import argparse
import csv
import json
import os
import platform
import re
import statistics
import subprocess
import sys
import tempfile

MIB = 1048576
TOOLS = ("velodrive", "stdio-loop", "dd", "fio")
RATIOS = (("vd/stdio-loop", "velodrive", "stdio-loop"), ("vd/dd", "velodrive", "dd"),
          ("vd/fio", "velodrive", "fio"))
DEVICE_TOOLS = ("velodrive", "dd", "fio")
DEVICE_RATIOS = (("vd/dd", "velodrive", "dd"), ("vd/fio", "velodrive", "fio"))
WINE_TOOLS = ("velodrive", "stdio-loop", "stdio-loop-binary")
WINE_RATIOS = (("vd/stdio-loop", "velodrive", "stdio-loop"),
               ("text/binary", "stdio-loop", "stdio-loop-binary"))


def sync():
    subprocess.run(["sync"], check=True)


def run_velodrive(command, path, block_kib, size_mib, *flags):
    done = subprocess.run([*command, *flags, "-b", str(block_kib), path, str(size_mib)],
                          capture_output=True, text=True, check=True)
    speeds = re.findall(r"(Write|Read) Speed: ([0-9.]+|inf)Mb/sec", done.stderr)
    figures = {kind.lower(): float(value) for kind, value in speeds}
    if set(figures) != {"write", "read"}:
        sys.exit(f"unexpected velodrive output: {done.stderr!r}")
    return figures["write"], figures["read"]


def run_stdio_loop(command, path, block_kib, size_mib, *mode):
    done = subprocess.run([*command, path, str(size_mib), str(block_kib * 1024), *mode],
                          capture_output=True, text=True, check=True)
    write, read = (float(value) for value in done.stdout.split())
    return write, read


def dd_mib_per_second(arguments):
    """Runs dd and computes MiB/s from its exact byte count and seconds."""
    done = subprocess.run(["dd", *arguments], capture_output=True, text=True, check=True,
                          env={**os.environ, "LC_ALL": "C"})
    found = re.search(r"^(\d+) bytes .* copied, ([0-9.e+-]+) s", done.stderr, re.MULTILINE)
    if not found:
        sys.exit(f"unexpected dd output: {done.stderr!r}")
    return int(found.group(1)) / float(found.group(2)) / MIB


def run_dd(path, block_kib, size_mib, device=False):
    block = block_kib * 1024
    count = size_mib * MIB // block
    write = dd_mib_per_second(["if=/dev/zero", f"of={path}", f"bs={block}", f"count={count}",
                               *(["conv=fdatasync"] if device else [])])
    read = dd_mib_per_second([f"if={path}", "of=/dev/null", f"bs={block}",
                              *(["iflag=direct"] if device else [])])
    os.remove(path)
    return write, read


def run_fio(path, block_kib, size_mib, device=False):
    common = [f"--filename={path}", f"--bs={block_kib * 1024}", f"--size={size_mib}M",
              "--ioengine=sync", "--direct=0", "--fsync=0", f"--end_fsync={int(device)}",
              "--zero_buffers", "--fallocate=none", f"--invalidate={int(device)}"]
    done = subprocess.run(
        ["fio", "--output-format=json",
         "--name=write", "--rw=write", *common,
         "--name=read", "--rw=read", "--stonewall", "--unlink=1", *common],
        capture_output=True, text=True, check=True)
    jobs = {job["jobname"]: job for job in json.loads(done.stdout)["jobs"]}
    return jobs["write"]["write"]["bw_bytes"] / MIB, jobs["read"]["read"]["bw_bytes"] / MIB


def file_system_of(directory):
    done = subprocess.run(["findmnt", "-n", "-o", "FSTYPE,SOURCE", "-T", directory],
                          capture_output=True, text=True)
    # The first line: where mounts are stacked, findmnt lists each.
    lines = done.stdout.splitlines()
    return " on ".join(lines[0].split()) if lines else "unknown file system"


def draw_chart(png_path, tools, medians, blocks, title):
    """Plots median MiB/s against block size, one line per tool and pass."""
    with tempfile.NamedTemporaryFile("w", suffix=".dat", delete=False) as data:
        data.write("block_kib " + " ".join(f"{t}_{p}" for p in ("write", "read") for t in tools) + "\n")
        for block in blocks:
            row = [medians[(t, block)][p] for p in (0, 1) for t in tools]
            data.write(f"{block} " + " ".join(f"{v:.2f}" for v in row) + "\n")
    script = f"""
set terminal pngcairo size 1100,500 noenhanced
set output '{png_path}'
set multiplot layout 1,2 title '{title}'
set logscale x 2
set xrange [0.7:3000]
set yrange [0:*]
set xlabel 'block size (KiB)'
set ylabel 'MiB/s (median)'
set key bottom right
set grid
set xtics (1, 4, 64, 1024, 2048)
set title 'write'
plot for [i=2:{len(tools) + 1}] '{data.name}' using 1:i with linespoints lw 2 title columnhead(i)
set title 'read'
plot for [i={len(tools) + 2}:{2 * len(tools) + 1}] '{data.name}' using 1:i with linespoints lw 2 title columnhead(i)
unset multiplot
"""
    try:
        subprocess.run(["gnuplot"], input=script, text=True, check=True)
    finally:
        os.remove(data.name)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--velodrive", default="build/release/velodrive", help="the binary to measure")
    parser.add_argument("--stdio-loop", default="build/release/stdio_loop",
                        help="the plain stdio loop built beside it (bench/stdio_loop.cpp)")
    parser.add_argument("--dir", default=".", help="where the scratch files go (the file system measured)")
    parser.add_argument("--size", type=int, default=1024, help="MiB per measurement (default 1024)")
    parser.add_argument("--blocks", default="1,4,64,1024,2048", help="block sizes in KiB")
    parser.add_argument("--repeat", type=int, default=5, help="measurements per tool and block size")
    parser.add_argument("--out", default="bench/results", help="directory for the CSV and the chart")
    parser.add_argument("--device", action="store_true",
                        help="measure the device: velodrive --sync against dd and fio's own ways")
    parser.add_argument("--wine", help="measure the Windows programs (--velodrive velodrive.exe, "
                                       "--stdio-loop stdio_loop.exe) under this Wine instead")
    options = parser.parse_args()

    blocks = [int(b) for b in options.blocks.split(",")]
    os.makedirs(options.out, exist_ok=True)
    path = os.path.abspath(os.path.join(options.dir, f"velodrive-bench-{os.getpid()}.tmp"))
    if os.path.exists(path):
        sys.exit(f"{path} exists; remove it first")
    if options.wine:
        # Wine's drive Z: is the Linux root.
        windows_path = "Z:" + path.replace("/", "\\")
        tools, ratios, name = WINE_TOOLS, WINE_RATIOS, "windows-throughput"
        runners = {
            "velodrive": lambda b: run_velodrive([options.wine, options.velodrive], windows_path, b,
                                                 options.size),
            "stdio-loop": lambda b: run_stdio_loop([options.wine, options.stdio_loop], windows_path, b,
                                                   options.size),
            "stdio-loop-binary": lambda b: run_stdio_loop([options.wine, options.stdio_loop],
                                                          windows_path, b, options.size, "binary"),
        }
    elif options.device:
        tools, ratios, name = DEVICE_TOOLS, DEVICE_RATIOS, "device-throughput"
        runners = {
            "velodrive": lambda b: run_velodrive([options.velodrive], path, b, options.size,
                                                 "--sync"),
            "dd": lambda b: run_dd(path, b, options.size, device=True),
            "fio": lambda b: run_fio(path, b, options.size, device=True),
        }
    else:
        tools, ratios, name = TOOLS, RATIOS, "throughput"
        runners = {
            "velodrive": lambda b: run_velodrive([options.velodrive], path, b, options.size),
            "stdio-loop": lambda b: run_stdio_loop([options.stdio_loop], path, b, options.size),
            "dd": lambda b: run_dd(path, b, options.size),
            "fio": lambda b: run_fio(path, b, options.size),
        }

    under = f", under {os.path.basename(options.wine)}" if options.wine else ""
    under += ", synced, read past the cache" if options.device else ""
    setting = (f"{platform.system()} {platform.release()}{under}, {file_system_of(options.dir)}, "
               f"{options.size} MiB, {options.repeat} runs each")
    print(f"# {setting}", flush=True)

    rows = []
    for block in blocks:
        for repetition in range(1, options.repeat + 1):
            # The order turns by one every run, so that no tool always
            # comes first or always follows the same one.
            turn = (repetition - 1) % len(tools)
            for tool in tools[turn:] + tools[:turn]:
                sync()
                write, read = runners[tool](block)
                rows.append((tool, block, repetition, write, read))
                print(f"  {tool:17} {block:5} KiB  run {repetition}: write {write:10.2f}  read {read:10.2f} MiB/s",
                      flush=True)

    csv_path = os.path.join(options.out, f"{name}.csv")
    with open(csv_path, "w", newline="") as out:
        table = csv.writer(out)
        table.writerow(["tool", "block_kib", "run", "write_mib_s", "read_mib_s"])
        for tool, block, repetition, write, read in rows:
            table.writerow([tool, block, repetition, f"{write:.2f}", f"{read:.2f}"])

    medians = {}
    for tool in tools:
        for block in blocks:
            mine = [r for r in rows if r[0] == tool and r[1] == block]
            medians[(tool, block)] = (statistics.median(r[3] for r in mine),
                                      statistics.median(r[4] for r in mine))

    print(f"\nMedian MiB/s ({setting})")
    print(f"{'block':>8} | {'pass':5} | " + " ".join(f"{t:>17}" for t in tools) + " | "
          + " ".join(f"{label:>13}" for label, _, _ in ratios))
    for block in blocks:
        for index, kind in ((0, "write"), (1, "read")):
            figures = " ".join(f"{medians[(t, block)][index]:17.2f}" for t in tools)
            shares = " ".join(f"{medians[(top, block)][index] / medians[(bottom, block)][index]:13.2f}"
                              for _, top, bottom in ratios)
            print(f"{block:>5} KiB | {kind:5} | {figures} | {shares}")

    png_path = os.path.join(options.out, f"{name}.png")
    draw_chart(png_path, tools, medians, blocks, setting)
    print(f"\nwrote {csv_path} and {png_path}")


if __name__ == "__main__":
    main()
