#!/usr/bin/env python3
"""The alarm on the real clock: the example host (demo/alarm_clock.exe) works the registered
control under Wine, whose clock, time-zone rules and timers are its own, while libfaketime moves
the system time through an offset file that this script rewrites during the run.

Each case starts the host ten minutes before its start, jumps the clock to the start as soon as
the host has added its entries (so that Wine's start-up time does not matter), moves the clock
or stops the process as its steps say, and then checks every RunTime the host printed: which
entries went off, in what order, at what system time (UTC) and wall time, after how much real
time since the start, and what each entry's next due moment was then. An entry that goes off
twice, one that is lost and one not expected all fail the case.

usage: real_clock_test.py LANE LOADER HOST PREFIX PRELOAD
"""
import datetime as dt
import os
import re
import selectors
import signal
import subprocess
import sys
import tempfile
import time
from zoneinfo import ZoneInfo

UTC = dt.timezone.utc
EVENT = re.compile(r"^(\S+ \S+)  RunTime  (\S+)  next (.+?)  utc (\S+ \S+)$")


def moment(zone, local, fold=0):
    """The UTC moment of a wall time; fold=1 picks the second pass of a repeated hour."""
    wall = dt.datetime.fromisoformat(local).replace(tzinfo=ZoneInfo(zone), fold=fold)
    return wall.astimezone(UTC)


class Expect:
    """An entry going off between `lo` and `hi` seconds after the wall time `at`, between
    real[0] and real[1] seconds after the start, with `next` as its next due moment."""

    def __init__(self, name, at, lo, hi, real, next, fold=0):
        self.name, self.at, self.fold, self.lo, self.hi = name, at, fold, lo, hi
        self.real, self.next = real, next


class Case:
    """`later` holds (seconds, entry) pairs that the host adds that long after the start. With
    `monotonic`, moving the clock on moves the time that really passed too, as waking from
    sleep does (its steps move the clock forward only). A case `held` back is reported as
    not run, with the reason, never as passed."""

    def __init__(self, name, lane, zone, start, interval, entries, expect, run, steps=(),
                 later=(), monotonic=False, held=""):
        self.name, self.lane, self.zone, self.start = name, lane, zone, start
        self.interval, self.entries, self.expect = interval, entries, expect
        self.run, self.steps, self.later, self.monotonic = run, steps, later, monotonic
        self.held = held


def falling_back(zone, day, hour):
    """The hour before `hour` + 1 happens twice: wall time goes from (hour):59:59 summer time
    back to (hour):00:00 standard time. Entries due in its last second go off at the first tick
    after the change, once; one whose time came before the start does not go off again in the
    repeated hour; one due after it goes off when its time comes, after the clock is set on."""
    h, h1, dd = f"{hour:02d}", f"{hour + 1:02d}", int(day[8:])
    tomorrow = (dt.date.fromisoformat(day) + dt.timedelta(days=1)).isoformat()
    week = (dt.date.fromisoformat(day) + dt.timedelta(days=7)).isoformat()
    month = next_month(dt.date.fromisoformat(day), dd)
    after_change = f"{day} {h}:00:00"
    return Case(
        f"{zone} falls back", "short", zone, f"{day} {h}:59:52", 100,
        [f"daily:before@{h}:59:55", f"daily:edge-daily@{h}:59:59",
         f"weekly:edge-weekly@0,{h}:59:59", f"monthly:edge-monthly@{dd},{h}:59:59",
         f"once:edge-once@{day},{h}:59:59", f"daily:repeated@{h}:00:03",
         f"daily:after@{h1}:00:00"],
        [Expect("before", f"{day} {h}:59:55", 1, 2.5, (3.5, 6), f"{tomorrow} {h}:59:55"),
         Expect("edge-daily", after_change, 0, 2, (7.5, 10), f"{tomorrow} {h}:59:59", fold=1),
         Expect("edge-weekly", after_change, 0, 2, (7.5, 10), f"{week} {h}:59:59", fold=1),
         Expect("edge-monthly", after_change, 0, 2, (7.5, 10), f"{month} {h}:59:59", fold=1),
         Expect("edge-once", after_change, 0, 2, (7.5, 10), "none", fold=1),
         Expect("after", f"{day} {h1}:00:00", 1, 2.5, (16.5, 19.5), f"{tomorrow} {h1}:00:00")],
        run=20, steps=[(14, "set", (f"{day} {h}:59:58", 1))])


def springing_forward(zone, day):
    """02:00-02:59 does not happen: what is due in it goes off at the first tick after the
    change, once, in due order, before what is due after it. (Monthly entries take days 1 to
    28, so a change on a later day has none.)"""
    dd = int(day[8:])
    d = dt.date.fromisoformat(day)
    tomorrow, week = (d + dt.timedelta(days=1)).isoformat(), (d + dt.timedelta(days=7)).isoformat()
    change = f"{day} 03:00:00"
    monthly = dd <= 28
    return Case(
        f"{zone} springs forward", "short", zone, f"{day} 01:59:55", 100,
        ["daily:before@01:59:57", "weekly:skipped-weekly@0,02:00:00",
         f"once:skipped-once@{day},02:15:00", "daily:skipped-daily@02:30:00"]
        + [f"monthly:skipped-monthly@{dd},02:59:59"] * monthly + ["daily:after@03:00:02"],
        [Expect("before", f"{day} 01:59:57", 1, 2.5, (2.5, 5), f"{tomorrow} 01:59:57"),
         Expect("skipped-weekly", change, 0, 2, (4.5, 7), f"{week} 02:00:00"),
         Expect("skipped-once", change, 0, 2, (4.5, 7), "none"),
         Expect("skipped-daily", change, 0, 2, (4.5, 7), f"{tomorrow} 02:30:00")]
        + ([Expect("skipped-monthly", change, 0, 2, (4.5, 7), f"{next_month(d, dd)} 02:59:59")]
           if monthly else [])
        + [Expect("after", f"{day} 03:00:02", 1, 2.5, (7.5, 10), f"{tomorrow} 03:00:02")],
        run=11)


def next_month(d, day):
    return dt.date(d.year + d.month // 12, d.month % 12 + 1, day).isoformat()


NY, BERLIN, DAY = "America/New_York", "Europe/Berlin", "2030-06-12"  # a Wednesday
CASES = [
    falling_back(NY, "2030-11-03", 1),
    falling_back(BERLIN, "2030-10-27", 2),
    springing_forward(NY, "2030-03-10"),
    springing_forward(BERLIN, "2030-03-31"),
    # Set back by hand an hour while the process is stopped, so that the entries are sure to
    # have fallen due since the last tick: they go off at the next tick, once; what is due
    # later waits for its time, which comes when the clock is set on.
    Case("the clock set back by hand", "short", NY, f"{DAY} 09:59:58", 100,
         [f"once:missed@{DAY},10:00:02", "daily:missed-daily@10:00:02", "daily:later@10:00:30"],
         [Expect("missed", f"{DAY} 09:00:03", -0.5, 2, (4.5, 7), "none"),
          Expect("missed-daily", f"{DAY} 09:00:03", -0.5, 2, (4.5, 7), "2030-06-13 10:00:02"),
          Expect("later", f"{DAY} 10:00:30", 1, 2.5, (10.5, 13.5), "2030-06-13 10:00:30")],
         run=14, steps=[(2, "stop", (3, -3600)), (8, "set", (f"{DAY} 10:00:27", 0))]),
    # Entries added after the clock went back, before the tick that sees it (the host is
    # stopped over the change): they wait for their wall time, while what real time passed
    # before the change goes off at once.
    Case(f"{NY} falls back, an entry added after", "short", NY, "2030-11-03 01:59:52", 100,
         ["daily:owed@01:59:57"],
         [Expect("owed", "2030-11-03 01:00:03", -0.5, 2, (10.5, 13), "2030-11-04 01:59:57",
                 fold=1),
          Expect("added", "2030-11-03 01:00:20", 1, 2.5, (27.5, 31), "none", fold=1)],
         run=32, steps=[(3, "stop", (8, 0))], later=[(6, "once:added@2030-11-03,01:00:20")]),
    Case("the clock set back by hand, an entry added after", "short", NY, f"{DAY} 09:59:58", 100,
         [f"once:owed@{DAY},10:00:02"],
         [Expect("owed", f"{DAY} 09:00:03", -0.5, 2, (4.5, 7), "none"),
          Expect("added", f"{DAY} 09:00:12", 1, 2.5, (13.5, 16.5), "none")],
         run=18, steps=[(2, "stop", (3, -3600))], later=[(3, f"once:added@{DAY},09:00:12")],
         held="run after the case before it, 'owed' is missed in most runs, either bitness; "
              "alone it passes (the cause is not found yet)"),
    # Asleep two hours across the end of daylight saving: what the wall clock showed before the
    # change (01:45 summer time) goes off on waking; 02:15 waits for 02:15 standard time, which
    # comes when the clock is set on.
    Case(f"{NY} falls back during a two-hour sleep", "short", NY, "2030-11-03 00:29:55", 100,
         ["daily:before@01:45:00", "daily:after@02:15:00"],
         [Expect("before", "2030-11-03 01:29:59", -0.5, 2, (3.5, 6), "2030-11-04 01:45:00",
                 fold=1),
          Expect("after", "2030-11-03 02:15:00", 1, 2.5, (11.5, 14), "2030-11-04 02:15:00")],
         run=16, steps=[(3, "stop", (1, 7200)), (9, "set", ("2030-11-03 02:14:58", 0))],
         monotonic=True),
    Case("the clock set forward by hand", "short", NY, f"{DAY} 09:59:58", 100,
         ["daily:d@10:30:00", "weekly:w@3,10:45:00", f"once:o@{DAY},11:00:00",
          f"once:not-yet@{DAY},12:00:00"],
         [Expect("d", f"{DAY} 11:29:59", 0, 2, (1, 3.5), "2030-06-13 10:30:00"),
          Expect("w", f"{DAY} 11:29:59", 0, 2, (1, 3.5), "2030-06-19 10:45:00"),
          Expect("o", f"{DAY} 11:29:59", 0, 2, (1, 3.5), "none")],
         run=5, steps=[(1, "shift", 5400)]),
    # A sleep: the process stopped for longer than the interval over two due moments; then a
    # hibernation of three days over three due moments of one daily entry.
    Case("sleep and hibernation", "short", NY, f"{DAY} 09:59:57", 100,
         [f"once:nap-once@{DAY},10:00:00", "daily:nap-daily@10:00:01", "weekly:thursday@4,10:00:05"],
         [Expect("nap-once", f"{DAY} 10:00:03", -0.5, 2, (5.5, 8), "none"),
          Expect("nap-daily", f"{DAY} 10:00:03", -0.5, 2, (5.5, 8), "2030-06-13 10:00:01"),
          Expect("nap-daily", "2030-06-15 10:00:07", -0.5, 2, (9.5, 12), "2030-06-16 10:00:01"),
          Expect("thursday", "2030-06-15 10:00:07", -0.5, 2, (9.5, 12), "2030-06-20 10:00:05")],
         run=14, steps=[(1, "stop", (5, 0)), (9, "stop", (1, 3 * 86400))]),
    # The control's own interval of a minute: its ticks come about 60 s and 120 s after the
    # start. The last second before the change goes off at the tick after it, not an hour late;
    # 02:00:00 is not reached in the hour that repeats.
    Case(f"{NY} falls back, default interval", "long", NY, "2030-11-03 01:58:58", None,
         [f"once:minute-before@2030-11-03,01:59:30", "daily:last-second@01:59:59",
          "daily:two@02:00:00"],
         [Expect("minute-before", "2030-11-03 01:59:58", -3, 3, (56, 64), "none"),
          Expect("last-second", "2030-11-03 01:00:58", -3, 3, (116, 124), "2030-11-04 01:59:59",
                 fold=1)],
         run=126),
    Case(f"{BERLIN} springs forward, default interval", "long", BERLIN, "2030-03-31 01:59:20",
         None,
         ["daily:before@01:59:30", "weekly:skipped@0,02:30:00", "once:after@2030-03-31,03:00:05",
          "daily:not-yet@03:00:50"],
         [Expect("before", "2030-03-31 03:00:20", -3, 3, (56, 64), "2030-04-01 01:59:30"),
          Expect("skipped", "2030-03-31 03:00:20", -3, 3, (56, 64), "2030-04-07 02:30:00"),
          Expect("after", "2030-03-31 03:00:20", -3, 3, (56, 64), "none")],
         run=66),
]


class Clock:
    """The offset file libfaketime reads at every clock reading: "+N" seconds from real time."""

    def __init__(self, path):
        self.path, self.offset = path, 0

    def write(self, offset):
        self.offset = round(offset)
        with open(self.path + ".new", "w") as f:
            f.write(f"{self.offset:+d}\n")
        os.replace(self.path + ".new", self.path)

    def set(self, utc):
        self.write(utc.timestamp() - time.time())

    def shift(self, seconds):
        self.write(self.offset + seconds)


def run_case(case, loader, host, prefix, preload, clock):
    env = dict(os.environ, WINEPREFIX=prefix, TZ=case.zone, LD_PRELOAD=preload,
               FAKETIME_TIMESTAMP_FILE=clock.path, FAKETIME_NO_CACHE="1",
               FAKETIME_DONT_FAKE_MONOTONIC="0" if case.monotonic else "1", NO_FAKE_STAT="1")
    # A process tree under libfaketime shares one semaphore, made by its first process; a
    # 32-bit process cannot use one that a 64-bit process made, so no shell comes first.
    env.pop("FAKETIME_SHARED", None)
    start = moment(case.zone, case.start)
    clock.set(start - dt.timedelta(minutes=10))
    interval = ["--interval", str(case.interval) if case.interval else "default"]
    # The host's own time limit counts time that really passed, which moving the clock adds
    # to when it is monotonic.
    seconds = case.run + 60 + (86400 if case.monotonic else 0)
    later = [arg for at, entry in case.later for arg in ("--later", str(at), entry)]
    args = [loader, host, "--dates", "--seconds", str(seconds), *interval, *later, *case.entries]
    # The prefix's services start first, kept up with the server: what Wine's own processes
    # print (winedevice.exe sometimes faults as it starts) is not the host's.
    with tempfile.TemporaryFile() as services:
        subprocess.run(["wineserver", "-p"], env=env, stderr=services, check=True)
        subprocess.run([loader, "wineboot"], env=env, stdout=services, stderr=services)
    stderr = tempfile.TemporaryFile()
    proc = subprocess.Popen(args, env=env, stdout=subprocess.PIPE, stderr=stderr)
    lines, events, began = [], [], None
    steps = sorted(case.steps)
    sel = selectors.DefaultSelector()
    sel.register(proc.stdout, selectors.EVENT_READ)
    buffer = b""
    deadline = time.monotonic() + 60  # for the host to start and add its entries
    while True:
        now = time.monotonic()
        if began is not None and steps and now - began >= steps[0][0]:
            _, kind, what = steps.pop(0)
            if kind == "set":
                clock.set(moment(case.zone, what[0], what[1]))
            elif kind == "shift":
                clock.shift(what)
            else:  # stop for what[0] seconds, the clock moved by what[1] meanwhile
                os.kill(proc.pid, signal.SIGSTOP)
                time.sleep(what[0])
                clock.shift(what[1])
                os.kill(proc.pid, signal.SIGCONT)
            continue
        end = deadline if began is None else began + case.run
        if now >= end:
            break
        wait = end - now
        if began is not None and steps:
            wait = min(wait, began + steps[0][0] - now)
        if not sel.select(max(wait, 0)):
            continue
        chunk = os.read(proc.stdout.fileno(), 65536)
        if not chunk:
            break
        buffer += chunk
        while b"\n" in buffer:
            raw, buffer = buffer.split(b"\n", 1)
            line = raw.decode("ascii", "replace").rstrip("\r")
            lines.append(line)
            if began is None and line.startswith("Schedule ("):
                clock.set(start)
                began = time.monotonic()
            m = EVENT.match(line)
            if m and began is not None:
                events.append((time.monotonic() - began, *m.groups()))
    proc.kill()
    proc.wait()
    subprocess.run(["wineserver", "-k"], env=dict(os.environ, WINEPREFIX=prefix),
                   stderr=subprocess.DEVNULL)
    stderr.seek(0)
    noise = stderr.read().decode("ascii", "replace").splitlines()
    errors = [l for l in noise if "wrong ELF class" not in l]
    return check(case, events, began), lines, errors


def check(case, events, began):
    if began is None:
        return ["the host never printed its schedule"]
    problems = []
    names = [e[2] for e in events]
    wanted = [x.name for x in case.expect]
    if names != wanted:
        problems.append(f"went off {names}, expected {wanted} in that order")
    zone = ZoneInfo(case.zone)
    for (real, wall, name, next, utc), x in zip(events, case.expect):
        if name != x.name:
            continue
        at = moment(case.zone, x.at, x.fold)
        seen = dt.datetime.fromisoformat(utc).replace(tzinfo=UTC)
        shown = seen.astimezone(zone).strftime("%Y-%m-%d %H:%M:%S")
        # The clock is set in whole seconds from the real one: a second either way.
        if not at + dt.timedelta(seconds=x.lo - 1) <= seen <= at + dt.timedelta(seconds=x.hi + 1):
            problems.append(f"{name} went off at {utc} UTC, expected {x.lo}..{x.hi} s after "
                            f"{at:%Y-%m-%d %H:%M:%S} UTC ({x.at} local)")
        if wall != shown:
            problems.append(f"{name}: wall time {wall}, but {utc} UTC is {shown} there")
        if not x.real[0] <= real <= x.real[1]:
            problems.append(f"{name} went off {real:.1f} s after the start, expected "
                            f"{x.real[0]}..{x.real[1]} s")
        if next != x.next:
            problems.append(f"{name}: next {next}, expected {x.next}")
    return problems


def main():
    lane, loader, host, prefix, preload = sys.argv[1:6]
    failed = 0
    with tempfile.TemporaryDirectory() as scratch:
        clock = Clock(os.path.join(scratch, "offset"))
        # REAL_CLOCK_CASES="a|b" runs only the cases whose name holds a or b.
        only = os.environ.get("REAL_CLOCK_CASES", "").split("|")
        for case in [c for c in CASES if c.lane == lane and any(o in c.name for o in only)]:
            # Under 32-bit Wine the host got no tick at all once the monotonic clock was moved
            # (the cause is not found yet), so the case runs in the 64-bit lanes alone.
            if case.monotonic and not loader.endswith("64"):
                print(f"skip {case.name} (64-bit only)", flush=True)
                continue
            if case.held:
                print(f"skip {case.name} (held back: {case.held})", flush=True)
                continue
            problems, lines, errors = run_case(case, loader, host, prefix, preload, clock)
            print(f"{'ok  ' if not problems else 'FAIL'} {case.name}", flush=True)
            if problems:
                failed += 1
                for p in problems + ["host output:"] + lines + errors:
                    print("     " + p)
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
