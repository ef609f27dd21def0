#!/usr/bin/env python3
"""Benchmark (not a test): what Pocketry costs under Wine while it sits in the tray, beside the
least a Windows GUI program costs (bench-bare.exe: a hidden window and a message loop), both
measured the same way over the same time in the same run. Three periods, one after another:

1. idle in the tray (--seconds, default 60);
2. idle in the tray with the stand-in Juno client running (--seconds): Pocketry's watcher
   looks for Juno's windows twice a second;
3. the grace wait: both stand-ins are closed at once and the period runs 31 s from the moment
   Juno's window went in Pocketry's prefix, long enough for Pocketry's 30-second wait for Juno
   to come back to end (Pocketry keeps running: "Exit No Juno" is off).

usage: python3 tests/e2e/bench.py [--build DIR] --out DIR [--seconds 60] [--display N]

The first line says which Wine runs the programs (winemode.py): the 32-bit ones of
DIR/win-i686/bin in a 32-bit prefix where Wine's 32-bit loader runs here, else the 64-bit ones
of DIR/win-x86_64/bin in a 64-bit prefix (POCKETRY_WINE_BITS=64 forces that). That folder
holds Pocketry.exe, bench-bare.exe, juno-standin.exe and e2e-driver.exe. Each
program runs in its own copy of a fresh prefix (so each has its own wineserver), both at once on
one Xvfb display; in periods 2 and 3 each prefix runs a stand-in as well, so that what the
stand-in costs its wineserver weighs on both sides alike. Pocketry starts with "First Run" =
"False", so it goes straight to the tray. CPU time (utime+stime from /proc/PID/stat) of the
program's process and of its prefix's wineserver is sampled at the start and end of each
period. The wineserver figure is everything that server did meanwhile; with nothing else
running in the prefix but Wine's own idle helpers (explorer, services) and the stand-in, it is
the program's share plus a constant that the bare program's prefix shows too. explorer.exe
(desktop, tray) and the stand-in's own process are not included. Peak memory is VmHWM of the
program's process at the end.
"""

from __future__ import annotations

import argparse
import os
import shutil
import subprocess
import sys
import tempfile
import time
from pathlib import Path

HERE = Path(__file__).resolve().parent
sys.path.insert(0, str(HERE))
sys.dont_write_bytecode = True  # keep the source tree clean

from e2elib import INSTALL_DIR_REL, WINESERVER, wine_env  # noqa: E402
from pocketry import SETTINGS_KEY  # noqa: E402
from run_e2e import Xvfb, install_build, make_template, scenario_prefix  # noqa: E402
from winemode import WineMode, WineUnavailable, detect  # noqa: E402

TICKS = os.sysconf("SC_CLK_TCK")
GRACE_PERIOD_S = 31  # Pocketry's 30-second wait for Juno, and the half second it takes to notice


def cpu_seconds(pid: int) -> float:
    # Fields after the ")" that ends the command name: utime and stime are the 12th and 13th.
    stat = Path(f"/proc/{pid}/stat").read_text()
    fields = stat[stat.rindex(")") + 2:].split()
    return (int(fields[11]) + int(fields[12])) / TICKS


def vm_hwm_kib(pid: int) -> int:
    for line in Path(f"/proc/{pid}/status").read_text().splitlines():
        if line.startswith("VmHWM:"):
            return int(line.split()[1])
    raise RuntimeError(f"no VmHWM for {pid}")


def wineserver_pid(prefix: Path) -> int:
    """The wineserver serving this prefix: the one whose environment names it."""
    for proc in Path("/proc").iterdir():
        if not proc.name.isdigit():
            continue
        try:
            if not (proc / "comm").read_text().strip().startswith("wineserver"):
                continue
            env = (proc / "environ").read_bytes().split(b"\0")
        except OSError:
            continue
        if f"WINEPREFIX={prefix}".encode() in env:
            return int(proc.name)
    raise RuntimeError(f"no wineserver for {prefix}")


class Subject:
    def __init__(self, name: str, exe: str, workdir: Path, template: Path, display: str,
                 mode: WineMode):
        self.name, self.exe = name, exe
        workdir.mkdir(parents=True)
        self.prefix, home, tmp = scenario_prefix(template, workdir)
        self.env = wine_env(mode, self.prefix, home, tmp, display)
        self.wine = mode.loader
        self.proc = None
        self.juno = None  # the stand-in of periods 2 and 3, and its main window
        self.juno_hwnd = ""
        self.log = open(workdir / "output.txt", "wb")

    def wine(self, *args, timeout=60) -> int:
        return subprocess.run([self.wine, *args], env=self.env, stdout=self.log, stderr=self.log,
                              stdin=subprocess.DEVNULL, timeout=timeout).returncode

    def start(self, exe: str = "") -> subprocess.Popen:
        proc = subprocess.Popen([self.wine, f"C:\\Pocketry\\{exe or self.exe}"], env=self.env,
                                cwd=self.prefix / INSTALL_DIR_REL, stdout=self.log,
                                stderr=self.log, stdin=subprocess.DEVNULL)
        if not exe:
            self.proc = proc
        return proc

    def driver(self, *args, timeout=60, check=True) -> list[str]:
        """Runs an e2e-driver command; its output lines. RuntimeError when it fails (check).
        (Output through a file: Wine helpers inherit handles and would hold a pipe open.)"""
        driver = str(self.prefix / INSTALL_DIR_REL / "e2e-driver.exe")
        with tempfile.TemporaryFile() as out:
            rc = subprocess.run([self.wine, driver, *map(str, args)], env=self.env, stdout=out,
                                stderr=subprocess.DEVNULL, stdin=subprocess.DEVNULL,
                                timeout=timeout).returncode
            out.seek(0)
            lines = out.read().decode("cp1252", "replace").splitlines()
        if rc != 0 and check:
            words = " ".join(map(str, args))
            raise RuntimeError(f"{self.name}: e2e-driver {words} failed ({rc})")
        return lines

    def first_hwnd(self, cls: str, title: str, wait_ms: int) -> str:
        return self.driver("wait", cls, title, wait_ms)[0].removeprefix("hwnd=")

    def sample(self) -> tuple[float, float]:
        if self.proc.poll() is not None:
            raise RuntimeError(f"{self.exe} exited early with {self.proc.returncode}")
        return cpu_seconds(self.proc.pid), cpu_seconds(wineserver_pid(self.prefix))

    def stop(self) -> None:
        subprocess.run([WINESERVER, "-k"], env=self.env, capture_output=True, timeout=30)
        if self.proc:
            try:
                self.proc.wait(timeout=10)
            except subprocess.TimeoutExpired:
                self.proc.kill()
                self.proc.wait()
        self.log.close()


def ratio(a: float, b: float) -> str:
    return f"{a / b:.2f}" if b > 0 else "n/a (baseline measured 0)"


def report(title: str, seconds: float, subjects: list, before: dict, after: dict) -> None:
    """Prints one period's CPU figures per program and the ratio Pocketry/bare."""
    print(f"\n{title}: {seconds:.1f} s")
    print(f"{'program':<16}{'process CPU s':>15}{'wineserver CPU s':>18}{'total CPU s':>13}")
    totals = {}
    for s in subjects:
        proc_cpu = after[s.name][0] - before[s.name][0]
        server_cpu = after[s.name][1] - before[s.name][1]
        totals[s.name] = proc_cpu + server_cpu
        print(f"{s.exe:<16}{proc_cpu:>15.2f}{server_cpu:>18.2f}{totals[s.name]:>13.2f}")
    print(f"ratio Pocketry/bare: CPU {ratio(totals['Pocketry'], totals['bare'])}; "
          f"Pocketry {totals['Pocketry'] / seconds:.4f} CPU s per s", flush=True)


def main() -> int:
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--build", type=Path, default=Path("build"),
                        help="build folder holding win-i686/ and win-x86_64/ (default: build)")
    parser.add_argument("--out", required=True, type=Path)
    parser.add_argument("--seconds", type=int, default=60, help="idle period (default 60)")
    parser.add_argument("--display", type=int, help="Xvfb display number (default: a free one)")
    args = parser.parse_args()
    try:
        mode = detect()
    except WineUnavailable as e:
        print(f"wine: {e}", flush=True)
        return 1
    print(mode.banner(args.build), flush=True)
    bin_dir, out = mode.bin_dir(args.build).resolve(), args.out.resolve()
    for exe in ("Pocketry.exe", "bench-bare.exe", "juno-standin.exe", "e2e-driver.exe"):
        if not (bin_dir / exe).is_file():
            print(f"missing {bin_dir / exe}", file=sys.stderr)
            return 1
    if out.exists():
        shutil.rmtree(out)
    out.mkdir(parents=True)

    pocketry_size = (bin_dir / "Pocketry.exe").stat().st_size
    bare_size = (bin_dir / "bench-bare.exe").stat().st_size
    print(f"Pocketry.exe size: {pocketry_size} bytes ({pocketry_size / 1024:.1f} KiB); "
          f"bench-bare.exe: {bare_size} bytes", flush=True)

    xvfb = Xvfb(args.display)
    subjects = []
    try:
        make_template(out / "template", xvfb.display, mode)
        install_build(out / "template", bin_dir)
        pocketry = Subject("Pocketry", "Pocketry.exe", out / "pocketry", out / "template",
                           xvfb.display, mode)
        bare = Subject("bare", "bench-bare.exe", out / "bare", out / "template", xvfb.display,
                       mode)
        subjects = [pocketry, bare]
        pocketry.wine("reg", "add", SETTINGS_KEY, "/v", "First Run", "/t", "REG_SZ",
                      "/d", "False", "/f")
        for s in subjects:
            s.start()
        # Settled: Pocketry's main window exists and its tray icon is in place.
        hwnd = pocketry.first_hwnd("*", "Pocketry 1.0", 30000)
        pocketry.driver("tray-icon", hwnd, "1", "15000")
        time.sleep(5)  # let start-up work (timers, first paint) finish in both
        print(f"CPU seconds = utime+stime from /proc/PID/stat of the program's process plus "
              f"its prefix's wineserver (explorer.exe and the stand-in's process excluded; "
              f"counted in {1 / TICKS:.2f} s ticks)")

        before = {s.name: s.sample() for s in subjects}
        time.sleep(args.seconds)
        after = {s.name: s.sample() for s in subjects}
        report("1. idle in the tray", args.seconds, subjects, before, after)

        # A stand-in in each prefix; Pocketry's watcher finds it within half a second.
        for s in subjects:
            s.juno = s.start("juno-standin.exe")
        for s in subjects:
            s.juno_hwnd = s.first_hwnd("JunoMainWndXQW21", "Juno", 30000)
        time.sleep(3)
        before = {s.name: s.sample() for s in subjects}
        time.sleep(args.seconds)
        after = {s.name: s.sample() for s in subjects}
        report("2. idle in the tray, stand-in Juno running", args.seconds, subjects, before,
               after)

        # Juno ends in both prefixes; the period starts when its window went in Pocketry's.
        for s in reversed(subjects):
            s.driver("close", s.juno_hwnd)
        pocketry.driver("wait-gone", "JunoMainWndXQW21", "Juno", "15000")
        gone = time.monotonic()
        before = {s.name: s.sample() for s in subjects}
        time.sleep(max(0.0, gone + GRACE_PERIOD_S - time.monotonic()))
        after = {s.name: s.sample() for s in subjects}
        seconds = time.monotonic() - gone
        # Pocketry's window procedure answers again once its wait is over.
        asked = time.monotonic()
        answer = pocketry.driver("send", hwnd, "0", "0", "0", check=False)
        late = time.monotonic() - asked
        report("3. grace wait (Juno closed, Pocketry waits 30 s for it)", seconds, subjects,
               before, after)
        if answer and late < 1:
            print(f"Pocketry answered a message {late:.2f} s after the period (its wait was "
                  f"over within the period)")
        else:
            print(f"Pocketry {'answered' if answer else 'did not answer'} a message sent after "
                  f"the period ({late:.2f} s): its wait may have outlasted the period")
        for s in subjects:
            rc = s.juno.wait(timeout=15)
            if rc != 0:
                print(f"note: the stand-in in {s.name}'s prefix exited with {rc}")

        peaks = {s.name: vm_hwm_kib(s.proc.pid) for s in subjects}
        print(f"\npeak memory (VmHWM KiB): Pocketry.exe {peaks['Pocketry']}, bench-bare.exe "
              f"{peaks['bare']}, ratio {ratio(peaks['Pocketry'], peaks['bare'])}")
        return 0
    except (RuntimeError, OSError, subprocess.SubprocessError) as e:
        print(f"benchmark failed: {e}", file=sys.stderr)
        return 1
    finally:
        for s in subjects:
            s.stop()
        xvfb.stop()


if __name__ == "__main__":
    sys.exit(main())
