#!/usr/bin/env python3
"""Benchmark: the program against /bin/true and `ls -f /`, by instructions,
time and memory; bench/README.md gives the method and the results.

usage: bench/run [--quick]   (--quick: fewer runs, no 1 000 000 entries)
"""
import os
import re
import shutil
import statistics
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
TOP = os.path.dirname(HERE)
QUICK = "--quick" in sys.argv[1:]
# The caller's environment, as a user's commands would see it: its locale
# sets what ls costs, and its size what every dynamically linked start-up
# costs. USER is set so that the program's line 2 is never empty.
ENV = {**os.environ, "USER": os.environ.get("USER", "bench")}
# The builds measured: name, build directory, ROOT_REPORT_STATIC, and the
# path of the executable inside the chroots of the scale runs.
BUILDS = [("test", "build-bench", "OFF", "/bin/test"),
          ("test (static)", "build-bench-static", "ON", "/bin/test-static")]


def sh(*cmd, **kw):
    return subprocess.run(cmd, check=True, text=True, **kw)


def build():
    """Builds the program dynamic and static, and the launcher."""
    programs = {}
    for name, directory, static, _ in BUILDS:
        out = os.path.join(TOP, directory)
        sh("cmake", "-S", TOP, "-B", out, "-DCMAKE_BUILD_TYPE=Release",
           "-DBUILD_TESTING=OFF", "-DROOT_REPORT_STATIC=" + static,
           stdout=subprocess.DEVNULL)
        sh("cmake", "--build", out, stdout=subprocess.DEVNULL)
        programs[name] = os.path.join(out, "bin", "test")
    spawn = os.path.join(TOP, "build-bench", "spawn")
    sh("g++", "-O2", "-static", "-o", spawn, os.path.join(HERE, "spawn.cpp"))
    return programs, spawn


def instructions(cmd):
    """Instructions one run executes, loader and C library included."""
    done = subprocess.run(
        ["valgrind", "--tool=callgrind", "--callgrind-out-file=/dev/null", *cmd],
        stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True, env=ENV,
        check=True)
    return int(re.search(r"Collected : (\d+)", done.stderr).group(1))


def measure(spawn, root, commands, rounds):
    """Median wall µs, CPU µs and peak KiB of each command, run in turn."""
    samples = {name: [] for name in commands}
    for _ in range(rounds):
        for name, cmd in commands.items():
            out = subprocess.run([spawn, root, *cmd], capture_output=True,
                                 text=True, env=ENV, check=True).stdout
            samples[name].append([int(v) for v in out.split()])
    return {name: [statistics.median(col) for col in zip(*runs)]
            for name, runs in samples.items()}


def table(title, header, rows):
    print(f"\n{title}\n")
    print("| " + " | ".join(header) + " |")
    print("|" + "---|" * len(header))
    for row in rows:
        print("| " + " | ".join(str(cell) for cell in row) + " |")


def startup(programs, spawn):
    commands = {name: [path] for name, path in programs.items()}
    commands["/bin/true"] = ["/bin/true"]
    commands["ls -f /"] = ["/bin/ls", "-f", "/"]
    counts = {name: instructions(cmd) for name, cmd in commands.items()}
    times = measure(spawn, "-", commands, 50 if QUICK else 300)
    true, ls = counts["/bin/true"], counts["ls -f /"]
    table("Start-up: one run on this machine's root",
          ["command", "instructions", "× /bin/true", "× ls -f /",
           "median wall µs", "median CPU µs"],
          [[name, f"{n:,}", f"{n / true:.2f}", f"{n / ls:.2f}",
            int(times[name][0]), int(times[name][1])]
           for name, n in counts.items()])


def make_base(base, programs):
    """The programs, ls and their shared libraries, laid out as in a root."""
    tools = {"/bin/ls": "/bin/ls"}
    for name, _, _, in_root in BUILDS:
        tools[programs[name]] = in_root
    for source, target in tools.items():
        os.makedirs(os.path.dirname(base + target), exist_ok=True)
        shutil.copy(source, base + target)
        ldd = subprocess.run(["ldd", source], capture_output=True, text=True).stdout
        for lib in re.findall(r"(/\S+) \(", ldd):
            os.makedirs(os.path.dirname(base + lib), exist_ok=True)
            shutil.copy(lib, base + lib)


def make_root(root, entries, base):
    """A root that holds the files of base, hard-linked so that every root
    shares one page cache and peak memory compares alike, then empty files
    up to `entries` entries in all."""
    for here, _, files in os.walk(base):
        there = root + here[len(base):]
        os.makedirs(there)
        for name in files:
            os.link(os.path.join(here, name), os.path.join(there, name))
    for i in range(entries - len(os.listdir(root))):
        os.close(os.open(os.path.join(root, f"entry{i:07d}"), os.O_CREAT | os.O_WRONLY))


def scale(programs, spawn):
    if os.geteuid() != 0:
        print("\nScale: left out, it needs root to chroot")
        return
    sizes = [300, 10_000, 100_000] + ([] if QUICK else [1_000_000])
    rounds = {300: 31, 10_000: 21, 100_000: 15, 1_000_000: 7}
    commands = {name: [in_root] for name, _, _, in_root in BUILDS}
    commands["ls -f /"] = ["/bin/ls", "-f", "/"]
    results = {}
    # The file system is named in the report: tmpfs reads large directories
    # differently from a disk's.
    with tempfile.TemporaryDirectory(prefix="bench-") as scratch:
        fs = sh("findmnt", "-n", "-o", "FSTYPE", "-T", scratch,
                stdout=subprocess.PIPE).stdout.strip()
        base = os.path.join(scratch, "base")
        make_base(base, programs)
        for size in sizes:
            root = os.path.join(scratch, str(size))
            make_root(root, size, base)
            results[size] = measure(spawn, root, commands,
                                    5 if QUICK else rounds[size])
            shutil.rmtree(root)
    table(f"Scale: roots of many entries, in a chroot, on {fs}",
          ["entries", "command", "median CPU µs", "× ls -f /", "peak KiB"],
          [[f"{size:,}", name, int(m[1]),
            f"{m[1] / results[size]['ls -f /'][1]:.2f}", int(m[2])]
           for size in sizes for name, m in results[size].items()])
    rows = []
    for name in commands:
        cpu = {size: results[size][name][1] for size in sizes}
        peak = {size: results[size][name][2] for size in sizes}
        rows.append([name,
                     f"{cpu[sizes[-1]] / cpu[sizes[-2]]:.1f}",
                     f"{peak[sizes[-1]] / peak[300]:.2f}"])
    table(f"Growth: {sizes[-1]:,} entries against {sizes[-2]:,}, and peak memory against 300",
          ["command", "CPU ×", "peak memory ×"], rows)


def main():
    programs, spawn = build()
    locale = ENV.get("LC_ALL") or ENV.get("LANG") or "C"
    # Every start-up copies and scans the environment, so its size is part
    # of what a run costs.
    size = sum(len(k) + len(v) + 2 for k, v in ENV.items())
    print(f"{os.cpu_count()} cores, {os.uname().release}, locale {locale}, "
          f"{len(ENV)} environment variables, {size:,} bytes")
    startup(programs, spawn)
    scale(programs, spawn)


if __name__ == "__main__":
    main()
