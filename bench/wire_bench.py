#!/usr/bin/env python3
"""Performance of the three tools on the line, against the simulated board.

Run through scripts/bench, which builds the programs and the helpers first
(run_measured, alloc_count.so, read_stamps.so). Measures, for glyphload2, glyphcheck2 and glyphcheck1:

  wire efficiency  paced at 115200 baud: the tool's wall time over the time
                   the line needs for every byte of every frame both ways
  CPU cost         paced: the tool's user + system time over its wall time
  turnaround       unpaced, over the pseudo-terminal: from the last byte of
                   the board's frame to the first byte of the tool's answer,
                   and the whole transfer set against sz/rz moving the same
                   69504 bytes over a pseudo-terminal pair
  memory           peak resident size, and heap allocations counted by a
                   preloaded allocator, during the transfer and for board
                   files of very different lengths
  codec            the codec benchmark's bytes/second against the line rate

Prints one table and writes it, with the machine and the date, to the
results file. Standard library only.
"""

import argparse
import datetime
import fcntl
import json
import os
import platform
import shutil
import statistics
import struct
import subprocess
import sys
import tempfile
import termios
import threading
import time
import tty

BAUD = 115200
BITS_PER_BYTE = 10  # start bit, 8 data bits, stop bit
LINE_BYTES_PER_SECOND = BAUD / BITS_PER_BYTE
PART2_BYTES = 69504
TOOLS = ("glyphload2", "glyphcheck2", "glyphcheck1")
# The port number the tools are given; its device comes from COM<n>.
PORT_NUMBER = "3"

GOAL_WIRE_RATIO = 1.02
GOAL_CPU_SHARE = 0.02
# A verifier that kept the board's file would grow by about the file's
# length, 1 MiB more for the longest file than for the shortest; the peak
# resident size of one tool varies by about 200 KiB from run to run.
RSS_GROWTH_LIMIT_KIB = 256
# Board files for the memory comparison: short, the part itself, long.
SERVED_LENGTHS = (8192, PART2_BYTES, 1048576)

PACED_TIMEOUT_S = 120
UNPACED_TIMEOUT_S = 30
BOARD_START_TIMEOUT_S = 10
# rz waits for the sender's closing "OO", which sz may flush away on a
# pseudo-terminal before rz reads it; rz would give up only after 10 s. The
# file is complete before sz ends, so rz is not waited for longer than this.
RZ_LINGER_S = 1


# --- processes ------------------------------------------------------------

class Finished:
    """A child's exit status, wall time and resource use (run_measured.c)."""

    def __init__(self, report_path):
        with open(report_path) as f:
            fields = dict(field.split("=") for field in f.read().split())
        self.status = int(fields["status"])
        self.wall_s = int(fields["wall_ns"]) / 1e9
        self.cpu_s = (int(fields["user_us"]) + int(fields["system_us"])) / 1e6
        self.maxrss_kib = int(fields["maxrss_kib"])
        self.timed_out = fields["timed_out"] == "1"


class Context:
    """Where the programs, the helpers and the working files are."""

    def __init__(self, bin_dir, helpers, work):
        self.bin_dir = bin_dir
        self.helpers = helpers
        self.work = work

    def program(self, name):
        return os.path.join(self.bin_dir, name)

    def helper(self, name):
        return os.path.join(self.helpers, name)

    def file(self, name):
        return os.path.join(self.work, name)


def run_child(ctx, argv, timeout_s, preload=None, **popen_args):
    """Runs argv to its end through run_measured (killed after timeout_s).
    preload: environment settings for the measured program alone, so that a
    preloaded helper does not also load into the launcher."""
    report = ctx.file("run_measured.txt")
    settings = ["%s=%s" % item for item in sorted((preload or {}).items())]
    subprocess.run([ctx.helper("run_measured"), str(timeout_s), report] + settings + argv,
                   check=True, timeout=timeout_s + 10, **popen_args)
    return Finished(report)


class Board:
    """cpusim serving one session on a fresh pseudo-terminal."""

    def __init__(self, ctx, store, transcript, paced, serve_bytes=None, env=None):
        argv = [ctx.program("cpusim"), "--store", store, "--sessions", "1"]
        if transcript:
            argv += ["--log", transcript]
        if paced:
            argv += ["--baud", str(BAUD)]
        if serve_bytes is not None:
            argv += ["--serve-bytes", str(serve_bytes)]
        self.log_path = ctx.file("board.log")
        with open(self.log_path, "wb") as log:
            self.process = subprocess.Popen(argv, stdout=subprocess.PIPE, stderr=log,
                                            env=env if env is not None else clean_env())
        timer = threading.Timer(BOARD_START_TIMEOUT_S, self.process.kill)
        timer.start()
        self.port = self.process.stdout.readline().decode().strip()
        timer.cancel()
        if not self.port:
            self.process.wait()
            raise RuntimeError("the simulated board did not start:\n" + self.log())
        # Let the board reach its first wait on the line, as a board that
        # was switched on before the tool.
        time.sleep(0.05)

    def log(self):
        with open(self.log_path, errors="replace") as f:
            return f.read()

    def close(self):
        try:
            self.process.wait(timeout=5)
        except subprocess.TimeoutExpired:
            self.process.terminate()
            self.process.wait()
        self.process.stdout.close()


def clean_env(**settings):
    env = dict(os.environ)
    env.pop("LD_PRELOAD", None)
    env.update(settings)
    return env


def run_tool(ctx, tool, port, timeout_s, preload=None):
    # LC_ALL: the converted console, as a user with a UTF-8 terminal sees it.
    env = clean_env(LC_ALL="C.UTF-8", **{"COM" + PORT_NUMBER: port})
    with open(ctx.file(tool + ".out"), "wb") as out:
        return run_child(ctx, [ctx.program(tool), PORT_NUMBER], timeout_s, preload,
                         stdin=subprocess.DEVNULL, stdout=out, stderr=subprocess.STDOUT, env=env)


# --- transcripts and stamps -----------------------------------------------

def read_transcript(path):
    """[(direction, first_s, last_s, raw_bytes)] of a cpusim --log file."""
    entries = []
    with open(path) as f:
        for line in f:
            fields = line.split()
            if len(fields) < 4:
                continue
            direction = fields[0]
            first = float(fields[1].split("=", 1)[1])
            last = float(fields[2].split("=", 1)[1])
            raw = int(fields[3].split("=", 1)[1])
            entries.append((direction, first, last, raw))
    return entries


def line_bytes(entries):
    return sum(raw for _, _, _, raw in entries)


def tool_turnarounds(entries):
    """Seconds from the last byte of each board frame (TX last) to the first
    byte of the tool's next frame (RX first)."""
    gaps = []
    pending_tx = None
    for direction, first, last, _ in entries:
        if direction == "TX":
            pending_tx = last
        elif direction == "RX" and pending_tx is not None:
            gaps.append(first - pending_tx)
            pending_tx = None
    return gaps


def read_stamps(path):
    """[ns] of every read() that returned terminal bytes (see read_stamps.c)."""
    try:
        with open(path, "rb") as f:
            data = f.read()
    except FileNotFoundError:
        return []
    if len(data) < 8:
        return []
    (count,) = struct.unpack_from("<Q", data, 0)
    stamps = []
    for i in range(count):
        ns, _, _ = struct.unpack_from("<qii", data, 8 + 16 * i)
        stamps.append(ns)
    return stamps


def exchange_span(sender, receiver):
    """Seconds from the receiving end's first read (the sender's first bytes
    arrived) to the sending end's last read (the last answer arrived): the
    exchange without either program's start-up and exit."""
    if not sender or not receiver:
        return None
    return (max(sender) - min(receiver)) / 1e9


def answer_gaps(answering, other):
    """Seconds from each last read of `answering` (it has what it needs and
    answers) to the next read of `other` (the answer arrived), taken at every
    point where reading passes from one side to the other."""
    events = sorted([(ns, 0) for ns in answering] + [(ns, 1) for ns in other])
    gaps = []
    for (ns_a, side_a), (ns_b, side_b) in zip(events, events[1:]):
        if side_a == 0 and side_b == 1:
            gaps.append((ns_b - ns_a) / 1e9)
    return gaps


# --- measurements ---------------------------------------------------------

def prepare_store(ctx, name):
    """A board as it comes from the factory: part 1, no part 2 (glyphload2,
    which always runs first, writes that)."""
    store = ctx.file(name)
    os.makedirs(store)
    subprocess.run([ctx.program("glyphview"), "--part", "1", os.path.join(store, "0&000000.DAT")],
                   check=True)
    return store


def paced_runs(ctx):
    """Each tool once against the board paced at the line rate."""
    store = prepare_store(ctx, "paced-store")
    results = {}
    for tool in TOOLS:
        transcript = ctx.file("paced-%s.transcript" % tool)
        board = Board(ctx, store, transcript, paced=True)
        done = run_tool(ctx, tool, board.port, PACED_TIMEOUT_S)
        board.close()
        entries = read_transcript(transcript)
        results[tool] = {
            "done": done,
            "line_bytes": line_bytes(entries),
            "frames": len(entries),
            "limit_s": line_bytes(entries) * BITS_PER_BYTE / BAUD,
            "turnarounds": tool_turnarounds(entries),
        }
    return results


def unpaced_run(ctx, store, tool, run, result):
    """One run of a tool against the unpaced board, both ends stamping their
    reads."""
    transcript = ctx.file("unpaced-%s-%d.transcript" % (tool, run))
    board_stamps = ctx.file("board-%s-%d.stamps" % (tool, run))
    tool_stamps = ctx.file("tool-%s-%d.stamps" % (tool, run))
    shim = ctx.helper("read_stamps.so")
    board = Board(ctx, store, transcript, paced=False,
                  env=clean_env(LD_PRELOAD=shim, READ_STAMPS_OUT=board_stamps))
    done = run_tool(ctx, tool, board.port, UNPACED_TIMEOUT_S,
                    {"LD_PRELOAD": shim, "READ_STAMPS_OUT": tool_stamps})
    board.close()
    if done.status != 0 or done.timed_out:
        result["failures"] += 1
        return
    result["walls"].append(done.wall_s)
    result["turnarounds"] += tool_turnarounds(read_transcript(transcript))
    tool_reads, board_reads = read_stamps(tool_stamps), read_stamps(board_stamps)
    result["answers"] += answer_gaps(tool_reads, board_reads)
    result["exchanges"].append(exchange_span(tool_reads, board_reads))


def pending_input(fd):
    return struct.unpack("i", fcntl.ioctl(fd, termios.FIONREAD, b"\0\0\0\0"))[0]


def zmodem_run(ctx, part2, run, result):
    """sz sends image part 2 to rz over one pseudo-terminal pair: sz on the
    slave, where the tools sit, rz on the master, where the board sits."""
    received = ctx.file("rz-%d" % run)
    os.makedirs(received)
    sz_stamps = ctx.file("sz-%d.stamps" % run)
    rz_stamps = ctx.file("rz-%d.stamps" % run)
    shim = ctx.helper("read_stamps.so")
    master, slave = os.openpty()
    try:
        tty.setraw(slave)
        rz = subprocess.Popen(["rz", "-q"], stdin=master, stdout=master, stderr=subprocess.DEVNULL,
                              cwd=received, env=clean_env(LD_PRELOAD=shim, READ_STAMPS_OUT=rz_stamps))
        # rz is ready once its first header waits on the line.
        deadline = time.monotonic() + BOARD_START_TIMEOUT_S
        while pending_input(slave) == 0 and time.monotonic() < deadline:
            time.sleep(0.001)
        sz = run_child(ctx, ["sz", "-q", part2], UNPACED_TIMEOUT_S,
                       {"LD_PRELOAD": shim, "READ_STAMPS_OUT": sz_stamps},
                       stdin=slave, stdout=slave, stderr=subprocess.DEVNULL, env=clean_env())
        try:
            rz.wait(timeout=RZ_LINGER_S)
        except subprocess.TimeoutExpired:
            rz.kill()
            rz.wait()
            result["rz_left_waiting"] += 1
    finally:
        os.close(master)
        os.close(slave)
    got = os.path.join(received, os.path.basename(part2))
    ok = sz.status == 0 and not sz.timed_out and os.path.exists(got)
    if ok:
        with open(got, "rb") as f, open(part2, "rb") as g:
            ok = f.read() == g.read()
    if not ok:
        result["failures"] += 1
        return
    result["walls"].append(sz.wall_s)
    sz_reads, rz_reads = read_stamps(sz_stamps), read_stamps(rz_stamps)
    result["answers"] += answer_gaps(sz_reads, rz_reads)
    result["exchanges"].append(exchange_span(sz_reads, rz_reads))


def unpaced_runs(ctx, runs):
    """`runs` rounds of the three tools and sz/rz, interleaved so that all
    of them meet the same load on a shared machine."""
    store = prepare_store(ctx, "unpaced-store")
    part2 = ctx.file("part2.bin")
    subprocess.run([ctx.program("glyphview"), "--part", "2", part2], check=True)
    ours = {tool: {"walls": [], "turnarounds": [], "answers": [], "exchanges": [], "failures": 0}
            for tool in TOOLS}
    theirs = {"walls": [], "answers": [], "exchanges": [], "failures": 0, "rz_left_waiting": 0}
    for run in range(runs):
        for tool in TOOLS:
            unpaced_run(ctx, store, tool, run, ours[tool])
        zmodem_run(ctx, part2, run, theirs)
    return ours, theirs


def parse_alloc_report(path):
    try:
        with open(path) as f:
            return dict((k, int(v)) for k, v in (field.split("=") for field in f.read().split()))
    except (FileNotFoundError, ValueError):
        return None


def memory_runs(ctx):
    """Allocation counts of each tool, and of glyphcheck2 reading board files
    from 8 KiB to 1 MiB (cpusim --serve-bytes)."""
    cases = [(tool, None) for tool in TOOLS] + [("glyphcheck2", n) for n in SERVED_LENGTHS]
    store = prepare_store(ctx, "memory-store")
    results = []
    for tool, serve_bytes in cases:
        report = ctx.file("alloc-%s-%s.txt" % (tool, serve_bytes))
        transcript = ctx.file("alloc-%s-%s.transcript" % (tool, serve_bytes))
        board = Board(ctx, store, transcript, paced=False, serve_bytes=serve_bytes)
        done = run_tool(ctx, tool, board.port, UNPACED_TIMEOUT_S,
                        {"LD_PRELOAD": ctx.helper("alloc_count.so"), "ALLOC_COUNT_OUT": report})
        board.close()
        results.append({
            "tool": tool,
            "serve_bytes": serve_bytes,
            "done": done,
            "frames_from_board": sum(1 for e in read_transcript(transcript) if e[0] == "TX"),
            "counts": parse_alloc_report(report),
        })
    return results


def codec_runs(codec_bench):
    """The codec benchmark's results, or None when it was not built."""
    if not codec_bench or not os.path.exists(codec_bench):
        return None
    with tempfile.NamedTemporaryFile(suffix=".json") as out:
        subprocess.run([codec_bench, "--benchmark_out=" + out.name, "--benchmark_out_format=json"],
                       check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        with open(out.name) as f:
            report = json.load(f)
    rows = []
    for b in report.get("benchmarks", []):
        if b.get("run_type", "iteration") != "iteration" or "bytes_per_second" not in b:
            continue
        rows.append((b["name"], b["bytes_per_second"], b.get("label", "")))
    return rows


# --- the table ------------------------------------------------------------

def median_us(gaps):
    return statistics.median(gaps) * 1e6 if gaps else float("nan")


def describe_transfers(result):
    """Transfer times of the unpaced runs: wall time and exchange alone."""
    walls = result["walls"]
    exchanges = [e for e in result["exchanges"] if e is not None]
    if not walls:
        return "no successful run (%d failed)" % result["failures"]
    return ("transfer median **%.2f ms** (min %.2f, max %.2f; exchange alone median %.2f ms; "
            "%d runs%s)" % (statistics.median(walls) * 1e3, min(walls) * 1e3, max(walls) * 1e3,
                            statistics.median(exchanges) * 1e3 if exchanges else float("nan"),
                            len(walls), ", %d failed" % result["failures"] if result["failures"] else ""))


def verdict(ok):
    return "met" if ok else "**missed**"


def build_rows(paced, unpaced, zmodem, memory, codec):
    rows = []

    for tool in TOOLS:
        p = paced[tool]
        d = p["done"]
        ok = d.status == 0 and not d.timed_out
        ratio = d.wall_s / p["limit_s"] if p["limit_s"] else float("nan")
        rows.append(("Wire efficiency (paced)", tool,
                     "%.3f s wall / %.3f s line (%d bytes in %d frames) = **%.4f**%s"
                     % (d.wall_s, p["limit_s"], p["line_bytes"], p["frames"], ratio,
                        "" if ok else "; exit %d%s" % (d.status, ", timed out" if d.timed_out else "")),
                     "≤ %.2f" % GOAL_WIRE_RATIO, verdict(ok and ratio <= GOAL_WIRE_RATIO)))
    for tool in TOOLS:
        p = paced[tool]
        d = p["done"]
        share = d.cpu_s / d.wall_s
        rows.append(("CPU cost (paced)", tool,
                     "%.3f s user+sys / %.3f s wall = **%.2f %%**; turnaround median %.0f µs"
                     % (d.cpu_s, d.wall_s, share * 100, median_us(p["turnarounds"])),
                     "≤ %.0f %%" % (GOAL_CPU_SHARE * 100), verdict(share <= GOAL_CPU_SHARE)))

    theirs = statistics.median(zmodem["walls"]) if zmodem["walls"] else float("nan")
    for tool in TOOLS:
        u = unpaced[tool]
        text = ("turnaround (TX last → RX first) median **%.0f µs** (%d); tool's answer seen by "
                "board median %.0f µs; %s" % (median_us(u["turnarounds"]), len(u["turnarounds"]),
                                              median_us(u["answers"]), describe_transfers(u)))
        if tool == "glyphcheck1":
            goal, met = "(120000 bytes: no sz/rz match)", "—"
        else:
            wall = statistics.median(u["walls"]) if u["walls"] else float("inf")
            goal, met = "transfer ≤ sz/rz's", verdict(wall <= theirs)
        rows.append(("Turnaround (unpaced)", tool, text, goal, met))
    rows.append(("Turnaround (unpaced)", "sz → rz (lrzsz)",
                 "sender's answer seen by receiver median %.0f µs (%d line turns); %s%s"
                 % (median_us(zmodem["answers"]), len(zmodem["answers"]), describe_transfers(zmodem),
                    "; rz left waiting for a lost closing \"OO\" %d times" % zmodem["rz_left_waiting"]
                    if zmodem["rz_left_waiting"] else ""),
                 "reference", "—"))

    for tool in TOOLS:
        rows.append(("Peak memory (paced)", tool, "ru_maxrss %d KiB" % paced[tool]["done"].maxrss_kib,
                     "constant: see below", "—"))
    for m in memory:
        c = m["counts"]
        who = m["tool"] if m["serve_bytes"] is None else "%s, board file %d bytes" % (m["tool"], m["serve_bytes"])
        if c is None:
            rows.append(("Heap allocations", who, "no report (exit %d)" % m["done"].status,
                         "0 during transfer", "**missed**"))
            continue
        text = ("%d during transfer (between the first and the last of %d port writes); %d before, "
                "%d after, %d in all; ru_maxrss %d KiB; %d board frames; exit %d"
                % (c["between_port_writes"], c["port_writes"], c["before_first_port_write"],
                   c["after_last_port_write"], c["total"], m["done"].maxrss_kib,
                   m["frames_from_board"], m["done"].status))
        rows.append(("Heap allocations", who, text, "0 during transfer",
                     verdict(c["between_port_writes"] == 0)))
    lengths = [m for m in memory if m["serve_bytes"] is not None and m["counts"] is not None]
    if lengths:
        totals = sorted(set(m["counts"]["total"] for m in lengths))
        rss = [m["done"].maxrss_kib for m in lengths]
        growth = rss[-1] - rss[0]
        rows.append(("Memory vs file length", "glyphcheck2, %s bytes" % " / ".join(
            str(m["serve_bytes"]) for m in lengths),
            "allocations in all: %s; ru_maxrss %s KiB (longest − shortest: %+d KiB)"
            % (" / ".join(str(m["counts"]["total"]) for m in lengths),
               " / ".join(str(r) for r in rss), growth),
            "same count; growth ≤ %d KiB" % RSS_GROWTH_LIMIT_KIB,
            verdict(len(totals) == 1 and growth <= RSS_GROWTH_LIMIT_KIB)))

    if codec is None:
        rows.append(("Codec alone", "codec_bench", "**not run: codec_bench was not built** "
                     "(needs libbenchmark-dev)", "≫ line rate", "—"))
    else:
        for name, bps, label in codec:
            rows.append(("Codec alone", name,
                         "%.1f MB/s = %.0f × line rate (%s)" % (bps / 1e6, bps / LINE_BYTES_PER_SECOND, label),
                         "≫ line rate", verdict(bps > LINE_BYTES_PER_SECOND)))
    return rows


def format_table(rows):
    lines = ["| Measure | Subject | Result | Goal | Goal met |", "|---|---|---|---|---|"]
    for row in rows:
        lines.append("| " + " | ".join(row) + " |")
    return "\n".join(lines)


def machine_lines(build_type, load_before, load_after):
    model = "unknown"
    try:
        with open("/proc/cpuinfo") as f:
            for line in f:
                if line.startswith("model name"):
                    model = line.split(":", 1)[1].strip()
                    break
    except OSError:
        pass
    lrzsz = subprocess.run(["sz", "--version"], capture_output=True, text=True)
    return [
        "- Date: %s" % datetime.datetime.now(datetime.timezone.utc).strftime("%Y-%m-%d %H:%M:%S UTC"),
        "- CPU: %s, %d cores" % (model, os.cpu_count() or 0),
        "- Kernel: %s %s (%s)" % (platform.system(), platform.release(), platform.machine()),
        "- Load average (1, 5, 15 min) at the start: %.2f %.2f %.2f; at the end: %.2f %.2f %.2f"
        % (load_before + load_after),
        "- Build: %s; %s" % (build_type, (lrzsz.stdout or lrzsz.stderr).strip().splitlines()[0]
                             if (lrzsz.stdout or lrzsz.stderr) else "lrzsz version unknown"),
    ]


METHOD = """\
How each figure is taken (`scripts/bench` builds, runs all of it, and rewrites this file):

- Wire efficiency: each tool runs once against `cpusim --baud 115200 --log FILE`,
  in the order of the demo (glyphload2 writes part 2, the verifiers read the
  board's files). The line-rate limit is the raw (stuffed) bytes of every frame
  in the transcript, both ways, × 10 bits ÷ 115200. Wall time runs from
  starting the tool to its exit, start-up and the closing key wait (standard
  input from /dev/null) included.
- Every tool and sz run under `bench/run_measured.c`, a small launcher that
  takes the wall time around fork and `wait4()`, and from `wait4()` the
  process's own user and system time and peak resident size.
- CPU cost: the tool's user + system time over its wall time.
- Turnaround: unpaced, each tool several times against a fresh `cpusim --log`.
  "TX last → RX first" is the board's transcript: the end of the board's write
  to the first byte it reads of the tool's answer. Both ends also preload
  `bench/read_stamps.c`, which stamps every read() that returns terminal bytes;
  "tool's answer seen by board" is from the tool's last read of a frame to the
  board's next read, which needs no help from the board's own logging and is
  taken the same way for sz/rz. "Exchange alone" runs from the board's (rz's)
  first read to the tool's (sz's) last read, without either program's
  start-up and exit; "transfer" is the wall time of the tool (sz), start-up
  included. Every wait of a stop-and-wait exchange needs the tool, the board
  and the terminal driver's worker scheduled in turn, so on a shared machine
  these figures move with its load (the load average is above).
- sz/rz: `os.openpty()` gives one pseudo-terminal pair, as cpusim makes one. rz
  (`rz -q`) has its standard input and output on the master, where the board
  sits; once its first header waits on the line, `sz -q part2.bin` starts with
  its standard input and output on the slave, where the tools sit. The file is
  image part 2 (`glyphview --part 2`), checked byte for byte after the run. The
  transfer time runs from starting sz to its exit, that is until rz has
  confirmed the end of the session. Both programs set the line's modes through
  their own end of the same pair; when sz flushes the line at its exit before
  rz has read the closing "OO", rz would wait 10 s for it: it is stopped after
  1 s, and the received file is complete by then. The rounds interleave the
  tools and sz/rz, so that all of them meet the same load on a shared machine.
- Working files, the board's store and rz's received file are on /dev/shm
  where it exists: the board syncs a file it has written to disk before its
  last ACK (15 to 18 ms on a disk here), which would be charged to glyphload2.
- Heap allocations: the tool preloads `bench/alloc_count.c`, which counts
  malloc, calloc, realloc and the aligned allocations, and notes the count at
  the first and the last write() to the port (the only descriptor above 2
  the tools write to). glyphcheck2 is also run against boards serving 8192,
  69504 and 1048576 bytes (`cpusim --serve-bytes`): only the part itself
  passes, but every run reads the whole file.
- Peak memory: ru_maxrss of the tool (the allocation runs include the small
  preloaded counter).
- Codec alone: `codec_bench` (Google Benchmark), bytes/second set against the
  line's 11520 bytes/s. Debian's Google Benchmark library is itself a debug
  build and says so; the codec under test is built as the tools are.
"""


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--bin", required=True, help="directory of the built programs")
    parser.add_argument("--helpers", required=True,
                        help="directory of run_measured, alloc_count.so and read_stamps.so")
    parser.add_argument("--results", required=True, help="markdown file to write")
    parser.add_argument("--runs", type=int, default=11, help="unpaced runs of each tool and of sz/rz")
    parser.add_argument("--build-type", default="unknown")
    parser.add_argument("--keep", action="store_true", help="keep the working directory")
    args = parser.parse_args()
    if shutil.which("sz") is None or shutil.which("rz") is None:
        sys.exit("wire_bench: sz/rz (Debian package lrzsz) are not installed")

    # In memory where there is a tmpfs: the board syncs a written file to
    # disk before its last ACK, which is the disk's time, not the tool's.
    shm = "/dev/shm" if os.access("/dev/shm", os.W_OK) else None
    ctx = Context(os.path.abspath(args.bin), os.path.abspath(args.helpers),
                  tempfile.mkdtemp(prefix="glyph-bench-", dir=shm))
    load_before = os.getloadavg()
    try:
        print("paced runs (about 25 s)...", file=sys.stderr)
        paced = paced_runs(ctx)
        print("unpaced runs, with sz/rz...", file=sys.stderr)
        unpaced, zmodem = unpaced_runs(ctx, args.runs)
        print("allocation counts...", file=sys.stderr)
        memory = memory_runs(ctx)
        print("codec benchmark...", file=sys.stderr)
        codec = codec_runs(ctx.program("codec_bench"))
    finally:
        if args.keep:
            print("working files kept in " + ctx.work, file=sys.stderr)
        else:
            shutil.rmtree(ctx.work, ignore_errors=True)

    table = format_table(build_rows(paced, unpaced, zmodem, memory, codec))
    print(table)
    with open(args.results, "w") as f:
        f.write("# Benchmark results\n\n")
        f.write("\n".join(machine_lines(args.build_type, load_before, os.getloadavg())) + "\n\n")
        f.write(table + "\n\n")
        f.write(METHOD)


if __name__ == "__main__":
    main()
