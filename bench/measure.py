#!/usr/bin/env python3
"""Measures quintrel-cli against quintrel-sim on a pseudo-terminal and prints the table of
docs/performance.md. Called by bench/run, which builds the binaries first.

Times come from one clock: quintrel-cli --precise-trace and quintrel-sim --monotonic-log stamp
with CLOCK_MONOTONIC, the clock of Python's time.monotonic(). Process wall and CPU (user + system)
come from wait4(). Peak RSS comes from GNU time, which forks its child from a small process: a
child spawned from Python would carry Python's own peak into its ru_maxrss."""
import argparse
import json
import os
import re
import statistics
import subprocess
import sys
import tempfile
import time

BYTE_MS = 10 / 38400 * 1000  # 8N1: ten bits a byte
PAUSES_MS = 3 * 10  # three pieces per frame, a 10 ms pause before each

TRACE_LINE = re.compile(r"^\s*(\d+\.\d{3}) ms(?: \.\.\s+(\d+\.\d{3}) ms)?  (purge|->|<-)(.*)$")
LOG_LINE = re.compile(r"^\[\s*(\d+\.\d{3}) ms\] (rx|tx)((?: [0-9A-F]{2})*)$")


class Run:
    """One finished process: its output, times and peak memory."""

    def __init__(self, argv, spawned, ended, status, usage, out, err):
        self.argv = argv
        self.spawned_ms = spawned * 1000
        self.wall_ms = (ended - spawned) * 1000
        self.cpu_ms = (usage.ru_utime + usage.ru_stime) * 1000
        self.exit_code = os.waitstatus_to_exitcode(status)
        self.out = out
        self.err = err


def run_process(argv, work):
    out_path = os.path.join(work, "out")
    err_path = os.path.join(work, "err")
    actions = [
        (os.POSIX_SPAWN_OPEN, 0, "/dev/null", os.O_RDONLY, 0),
        (os.POSIX_SPAWN_OPEN, 1, out_path, os.O_WRONLY | os.O_CREAT | os.O_TRUNC, 0o644),
        (os.POSIX_SPAWN_OPEN, 2, err_path, os.O_WRONLY | os.O_CREAT | os.O_TRUNC, 0o644),
    ]
    spawned = time.monotonic()
    pid = os.posix_spawn(argv[0], argv, os.environ, file_actions=actions)
    _, status, usage = os.wait4(pid, 0)
    ended = time.monotonic()
    with open(out_path) as out, open(err_path) as err:
        return Run(argv, spawned, ended, status, usage, out.read(), err.read())


class Simulator:
    """quintrel-sim on its pty (with count, that many devices on links LINK-1..LINK-N), with its
    frame log on the shared clock."""

    def __init__(self, binary, work, extra, count=0):
        name = "port-" + "-".join(extra or ["plain"]) + ("-x%d" % count if count else "")
        self.link = os.path.join(work, name)
        self.links = ["%s-%d" % (self.link, k) for k in range(1, count + 1)] or [self.link]
        self.log = self.link + ".log"
        argv = [binary, "--link", self.link, "--log", self.log, "--monotonic-log"] + extra
        if count:
            argv += ["--count", str(count)]
        null = os.open(os.devnull, os.O_RDWR)
        self.pid = os.posix_spawn(binary, argv, os.environ,
                                  file_actions=[(os.POSIX_SPAWN_DUP2, null, 0),
                                                (os.POSIX_SPAWN_DUP2, null, 1)])
        os.close(null)
        for _ in range(200):
            if all(os.path.islink(link) for link in self.links):
                break
            time.sleep(0.01)
        else:
            raise SystemExit("quintrel-sim did not start")
        self.read_at = 0

    def new_lines(self, replies, timeout=1.0):
        """The log lines since the last call, once they hold the given number of replies."""
        deadline = time.monotonic() + timeout
        while True:
            with open(self.log) as log:
                log.seek(self.read_at)
                text = log.read()
            lines = [LOG_LINE.match(line) for line in text.splitlines()]
            lines = [line for line in lines if line]
            if sum(line[2] == "tx" for line in lines) >= replies or time.monotonic() > deadline:
                self.read_at += len(text)
                return lines
            time.sleep(0.005)

    def stop(self):
        os.kill(self.pid, 15)
        os.waitpid(self.pid, 0)


def hex_count(text):
    return len(text.split())


def exchanges_of(run, sim, expected):
    """Per exchange: purge, last byte sent, reply written (simulator), check byte read; plus the
    bytes the simulator sent."""
    trace = [TRACE_LINE.match(line) for line in run.err.splitlines()]
    trace = [line for line in trace if line]
    purges = [float(line[1]) for line in trace if line[3] == "purge"]
    sent = [float(line[2]) for line in trace if line[3] == "->"]
    received = [(float(line[2]), hex_count(line[4])) for line in trace if line[3] == "<-"]
    replies, heard, last_rx = [], [], None
    for line in sim.new_lines(expected):
        if line[2] == "rx":
            last_rx = float(line[1])
        else:
            replies.append(float(line[1]))
            heard.append(last_rx)
    if not (len(purges) == len(sent) == len(received) == len(replies) == expected):
        raise SystemExit("unexpected trace of %s:\n%s" % (" ".join(run.argv), run.err))
    return [dict(purge=p, sent=s, heard=h, reply=r, read=rd, reply_bytes=n)
            for p, s, h, r, (rd, n) in zip(purges, sent, heard, replies, received)]


def spread(values, unit="ms", digits=2):
    values = sorted(values)
    form = "%%.%df" % digits
    return "%s %s (%s–%s)" % (form % statistics.median(values), unit, form % values[0],
                              form % values[-1])


def measure_command(cli, sim, work, args, exchanges, paced, runs):
    rows = dict(wall=[], floor=[], above=[], latency=[], pacing=[], startup=[], to_device=[],
                turnaround=[], between=[])
    for _ in range(runs):
        run = run_process([cli] + args + ["-p", sim.link, "--precise-trace"], work)
        if run.exit_code != 0:
            raise SystemExit("quintrel-cli %s failed:\n%s" % (" ".join(args), run.err))
        steps = exchanges_of(run, sim, exchanges)
        wall = steps[-1]["read"] - steps[0]["purge"]
        floor = exchanges * PAUSES_MS
        if paced:
            floor += sum(step["reply_bytes"] for step in steps) * BYTE_MS
        rows["wall"].append(wall)
        rows["floor"].append(floor)
        rows["above"].append((wall - floor) / exchanges)
        rows["latency"] += [step["read"] - step["reply"] for step in steps]
        rows["pacing"] += [step["sent"] - step["purge"] - PAUSES_MS for step in steps]
        rows["to_device"] += [step["heard"] - step["sent"] for step in steps]
        # The simulator's own time to answer; with --pace without the reply's byte times.
        rows["turnaround"] += [step["reply"] - step["heard"] -
                               (step["reply_bytes"] * BYTE_MS if paced else 0) for step in steps]
        rows["between"] += [later["purge"] - earlier["read"]
                            for earlier, later in zip(steps, steps[1:])]
        rows["startup"].append(steps[0]["purge"] - run.spawned_ms)
    return rows


def peak_rss_mib(argv, work, runs):
    peaks = []
    report = os.path.join(work, "time")
    for _ in range(runs):
        run_process(["/usr/bin/time", "-o", report, "-f", "%M"] + argv, work)
        with open(report) as lines:
            peaks.append(int(lines.read().split()[-1]) / 1024)
    return peaks


def waiting_share(argv, runs):
    """CPU share of the wait alone: the process's run time (/proc/PID/schedstat) from 100 ms
    after its start to 900 ms, while it waits out the first 1000 ms reply stage."""
    shares = []
    for _ in range(runs):
        null = os.open(os.devnull, os.O_RDWR)
        pid = os.posix_spawn(argv[0], argv, os.environ,
                             file_actions=[(os.POSIX_SPAWN_DUP2, null, 1),
                                           (os.POSIX_SPAWN_DUP2, null, 2)])
        os.close(null)
        samples = []
        for moment in (0.1, 0.9):
            time.sleep(moment - (0.1 if samples else 0))
            with open("/proc/%d/schedstat" % pid) as stat:
                samples.append((time.monotonic(), int(stat.read().split()[0]) / 1e6))
        os.waitpid(pid, 0)
        (start, cpu_start), (end, cpu_end) = samples
        shares.append((cpu_end - cpu_start) / ((end - start) * 1000) * 100)
    return shares


def measure_plain(argv, work, runs, expect_exit):
    walls, cpus = [], []
    for _ in range(runs):
        run = run_process(argv, work)
        if run.exit_code != expect_exit:
            raise SystemExit("%s: exit %d\n%s" % (" ".join(argv), run.exit_code, run.err))
        walls.append(run.wall_ms)
        cpus.append(run.cpu_ms)
    return walls, cpus


SINGLE_READ_RUNS = 20


def single_read_line(cli, link, work, bench):
    """The CPU of one successful read (user + system from wait4, the median of 20 runs, as
    perf stat -r 20 -e task-clock counts it) and the cost of the walk that looks for other
    programs holding a port, which a successful read no longer makes."""
    _, cpus = measure_plain([cli, "read", "-p", link], work, SINGLE_READ_RUNS, 0)
    walk = json.loads(subprocess.run(
        [bench, "--benchmark_filter=^BM_FindPortHolders$", "--benchmark_format=json",
         "--benchmark_min_time=0.2"], check=True, capture_output=True, text=True).stdout)
    result = walk["benchmarks"][0]
    print("\nA single read: %s of CPU (quintrel-cli read, answering device, median of %d runs; "
          "target at most 6.5 ms). The walk for other holders of a port, which only a failed "
          "exchange or a busy port makes (%s, %s): %.2f ms of CPU." % (
              spread(cpus), SINGLE_READ_RUNS, result["name"], result.get("label", ""),
              result["cpu_time"]))


DEVICE_LINE = re.compile(r"^\[\s*(\d+\.\d{3}) ms\] #(\d+) (rx|tx) ")
SAVE_VERIFY_REPLIES = 5  # write bitrate, write identifier, commit, then both read back


def device_times(sim, devices, replies_each, timeout=1.0):
    """Per device of a --count simulator, from its log lines since the last call (once each
    device has written replies_each replies): when it read its first byte and when it wrote its
    last reply."""
    deadline = time.monotonic() + timeout
    while True:
        with open(sim.log) as log:
            log.seek(sim.read_at)
            text = log.read()
        text = text[:text.rfind("\n") + 1]  # whole lines only
        first, last, replies = {}, {}, {}
        for line in text.splitlines():
            match = DEVICE_LINE.match(line)
            if match:
                device, at = int(match[2]), float(match[1])
                first.setdefault(device, at)
                if match[3] == "tx":
                    last[device] = at
                    replies[device] = replies.get(device, 0) + 1
        if all(replies.get(d, 0) >= replies_each for d in devices) or time.monotonic() > deadline:
            sim.read_at += len(text)
            return first, last
        time.sleep(0.005)


def port_options(links):
    return [word for link in links for word in ("-p", link)]


def record_variants(work, postgres):
    """The saves measured side by side: without a record (as before there was one), and with
    --id-from and a record on SQLite and, when given, PostgreSQL."""
    variants = [("save --verify", ["--no-record"])]
    records = [("SQLite", "sqlite:" + os.path.join(work, "line.db"))]
    if postgres:
        records.append(("PostgreSQL", postgres))
    for name, where in records:
        variants.append(("save --verify --id-from, %s" % name,
                         ["--id-from", "100-7FF", "--record", where, "--station", "bench"]))
    return variants


def measure_many(cli, sim, silent, work, runs, probe_runs, postgres):
    """save --verify on one and on every device of a --count simulator (without a record, and
    with --id-from and a record), and ports --probe over those devices, the silent ones and two
    ports that do not exist."""
    counts = (1, len(sim.links))
    variants = record_variants(work, postgres)
    rows = {(name, count): dict(wall=[], cpu=[], first=[], last=[])
            for name, _ in variants for count in counts}
    for run_number in range(runs):
        for (name, options), count in ((v, c) for v in variants for c in counts):
            # Other values each run, so that every save changes what the devices hold.
            identifier = ["--id", "%X" % (0x100 + run_number)] if "--no-record" in options else []
            args = (["save", "--bitrate", str(1 + run_number % 4), "--verify", "--json"] +
                    identifier + options)
            run = run_process([cli] + args + port_options(sim.links[:count]), work)
            results = [line for line in run.out.splitlines() if '"ok":true' in line]
            if run.exit_code != 0 or len(results) != count:
                raise SystemExit("%s on %d ports: exit %d\n%s%s" % (
                    name, count, run.exit_code, run.out, run.err))
            # A save with a record reads both values first, for its row.
            replies = SAVE_VERIFY_REPLIES + (0 if identifier else 2)
            first, last = device_times(sim, range(1, count + 1), replies)
            row = rows[(name, count)]
            row["wall"].append(run.wall_ms)
            row["cpu"].append(run.cpu_ms)
            row["first"].append(max(first.values()) - run.spawned_ms)
            row["last"].append(max(last.values()) - run.spawned_ms)

    print("| command | ports | wall | CPU (user + system, its children included) | last port's "
          "first byte at its device | last reply written |")
    print("|---|---|---|---|---|---|")
    for (name, _), count in ((v, c) for v in variants for c in counts):
        row = rows[(name, count)]
        print("| %s | %d | %s | %s | %s | %s |" % (
            name, count, spread(row["wall"]), spread(row["cpu"]), spread(row["first"]),
            spread(row["last"])))
    alone = statistics.median(rows[(variants[0][0], 1)]["wall"])
    print()
    for name, _ in variants:
        many = statistics.median(rows[(name, counts[1])]["wall"])
        one = statistics.median(rows[(name, 1)]["wall"])
        print("- %s: %d ports ÷ 1 port without a record (medians of the wall): ×%.2f "
              "(target: at most ×1.3); ÷ 1 port of its own kind: ×%.2f." % (
                  name, counts[1], many / alone, many / one))

    missing = [os.path.join(work, "missing-%d" % k) for k in (1, 2)]
    candidates = sim.links + silent.links + missing
    walls, cpus, seen = [], [], {}
    for _ in range(probe_runs):
        run = run_process([cli, "ports", "--probe", "--json"] + port_options(candidates), work)
        outcomes = {}
        for line in run.out.splitlines():
            probe = json.loads(line)["probe"]
            outcomes[probe] = outcomes.get(probe, 0) + 1
        expected = {"device": len(sim.links), "silent": len(silent.links),
                    "unavailable": len(missing)}
        if run.exit_code != 0 or outcomes != expected:
            raise SystemExit("ports --probe: exit %d, %s\n%s%s" % (
                run.exit_code, outcomes, run.out, run.err))
        walls.append(run.wall_ms)
        cpus.append(run.cpu_ms)
        seen = outcomes
    print("\n| command | candidates | found | wall | CPU (user + system, its children "
          "included) |")
    print("|---|---|---|---|---|")
    print("| ports --probe -p … | %d: %d devices, %d silent, %d missing | %s | %s | %s |" % (
        len(candidates), len(sim.links), len(silent.links), len(missing),
        ", ".join("%d %s" % (n, name) for name, n in sorted(seen.items())),
        spread(walls), spread(cpus)))
    print("\nTarget for the probe: at most 1300 ms.")


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--bin", required=True, help="folder with quintrel-cli and quintrel-sim")
    parser.add_argument("--bench", required=True, help="the quintrel-bench program")
    parser.add_argument("--runs", type=int, default=30)
    parser.add_argument("--silent-runs", type=int, default=3)
    parser.add_argument("--many-runs", type=int, default=10,
                        help="runs of each command over many simulated devices")
    parser.add_argument("--postgres", default=os.environ.get("QUINTREL_TEST_POSTGRES", ""),
                        help="a PostgreSQL record for the saves over many devices too")
    options = parser.parse_args()
    cli = os.path.join(options.bin, "quintrel-cli")
    sim_binary = os.path.join(options.bin, "quintrel-sim")
    pyserial_read = [sys.executable, os.path.join(os.path.dirname(__file__), "read_pyserial.py")]

    with tempfile.TemporaryDirectory(prefix="quintrel-bench-") as work:
        sims = {"pty": Simulator(sim_binary, work, []),
                "pty --pace": Simulator(sim_binary, work, ["--pace"]),
                "silent": Simulator(sim_binary, work, ["--fault", "no-answer"]),
                "paced devices": Simulator(sim_binary, work, ["--pace"], count=8),
                "silent devices": Simulator(sim_binary, work, ["--fault", "no-answer"],
                                            count=2)}
        try:
            print("## Exchanges (quintrel-cli --precise-trace, %d runs each; median (min–max))\n"
                  % options.runs)
            print("| simulator | command | wall, start-up excluded | floor | above the floor "
                  "per exchange | check byte written → read |")
            print("|---|---|---|---|---|---|")
            startup, parts = [], []
            for mode in ("pty", "pty --pace"):
                for args, exchanges in ((["read"], 2),
                                        (["save", "--bitrate", "3", "--id", "7FF"], 3)):
                    rows = measure_command(cli, sims[mode], work, args, exchanges,
                                           mode.endswith("--pace"), options.runs)
                    startup += rows["startup"]
                    print("| %s | %s (%d exchanges) | %s | %.2f ms | %s | %s |" % (
                        mode, args[0], exchanges, spread(rows["wall"]),
                        statistics.median(rows["floor"]), spread(rows["above"]),
                        spread(rows["latency"], digits=3)))
                    parts.append("| %s | %s | %s | %s | %s | %s | %s |" % (
                        mode, args[0], spread(rows["pacing"], digits=3),
                        spread(rows["to_device"], digits=3), spread(rows["turnaround"], digits=3),
                        spread(rows["latency"], digits=3), spread(rows["between"], digits=3)))

            print("\nWhere the time above the floor goes, per exchange (medians of their own):\n")
            print("| simulator | command | three pauses beyond 30 ms | last piece → simulator "
                  "read it | simulator's answer | check byte written → read | from one reply "
                  "to the next purge |")
            print("|---|---|---|---|---|---|---|")
            print("\n".join(parts))

            print("\n## Process\n")
            print("| start-up to first exchange (all runs above) | peak RSS of quintrel-cli read "
                  "(%d runs) |" % options.silent_runs)
            print("|---|---|")
            rss = peak_rss_mib([cli, "read", "-p", sims["pty"].link], work, options.silent_runs)
            print("| %s | %s |" % (spread(startup), spread(rss, "MiB")))
            single_read_line(cli, sims["pty"].link, work, options.bench)

            spawn_walls, _ = measure_plain(["/bin/true"], work, options.runs, 0)
            print("\nStart-up counts from the moment the measuring script starts the process to "
                  "quintrel-cli's first purge. Starting and reaping /bin/true the same way takes "
                  "%s." % spread(spawn_walls))

            print("\n## Side by side with pyserial (whole process; median (min–max))\n")
            print("| device | program | wall | CPU (user + system) | CPU / wall |")
            print("|---|---|---|---|---|")
            for device, expect_exit, runs in (("pty", 0, options.runs),
                                              ("silent", 1, options.silent_runs)):
                link = sims[device].link
                results = {}
                for name, argv in (("quintrel-cli read", [cli, "read", "-p", link]),
                                   ("read_pyserial.py", pyserial_read + [link])):
                    walls, cpus = measure_plain(argv, work, runs, expect_exit)
                    results[name] = (walls, cpus)
                    shares = [cpu / wall * 100 for cpu, wall in zip(cpus, walls)]
                    print("| %s | %s | %s | %s | %s |" % (
                        device, name, spread(walls), spread(cpus),
                        spread(shares, "%", 2)))
                wall_ratio = (statistics.median(results["read_pyserial.py"][0]) /
                              statistics.median(results["quintrel-cli read"][0]))
                cpu_ratio = (statistics.median(results["read_pyserial.py"][1]) /
                             statistics.median(results["quintrel-cli read"][1]))
                print("| %s | pyserial ÷ quintrel-cli | ×%.2f | ×%.1f | |" % (
                    device, wall_ratio, cpu_ratio))
            waits = {}
            for name, argv in (("quintrel-cli", [cli, "read", "-p", sims["silent"].link]),
                               ("read_pyserial.py", pyserial_read + [sims["silent"].link])):
                waits[name] = spread(waiting_share(argv, options.silent_runs), "%", 2)
            print("\nThe wait alone (CPU from 100 ms to 900 ms after the start, against the silent "
                  "device): quintrel-cli %s, read_pyserial.py %s." % (
                      waits["quintrel-cli"], waits["read_pyserial.py"]))
            rss = peak_rss_mib(pyserial_read + [sims["pty"].link], work, options.silent_runs)
            print("\nPeak RSS of read_pyserial.py: %s." % spread(rss, "MiB"))

            print("\n## Many devices at once (quintrel-sim --count 8 --pace, one child process "
                  "per port; %d runs each, whole process; median (min–max))\n" % options.many_runs)
            measure_many(cli, sims["paced devices"], sims["silent devices"], work,
                         options.many_runs, options.many_runs, options.postgres)
        finally:
            for sim in sims.values():
                sim.stop()


if __name__ == "__main__":
    main()
