#!/usr/bin/env python3
"""Benchmark (not a test): what Pocketry costs while it sits idle in the tray under Wine,
beside the least a Windows GUI program costs (bench-bare.exe: a hidden window and a message
loop), both measured the same way in the same run.

usage: python3 tests/e2e/bench.py --bin DIR --out DIR [--seconds 60]

DIR holds the 32-bit Pocketry.exe, bench-bare.exe and e2e-driver.exe. Each program runs in its
own copy of a fresh prefix (so each has its own wineserver), both at once on one Xvfb display.
Pocketry starts with "First Run"="False", so it goes straight to the tray. Once both have
settled, CPU time (utime+stime from /proc/PID/stat) of the program's process and of its
prefix's wineserver is sampled before and after the idle period. The wineserver figure is
everything that server did meanwhile; with nothing else running in the prefix but Wine's own
idle helpers (explorer, services), it is the program's share plus a small constant that the
bare program's prefix shows too. explorer.exe (desktop, tray) is not included. Peak memory is
VmHWM of the program's process.
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

from e2elib import INSTALL_DIR_REL, WINE, WINESERVER, wine_env  # noqa: E402
from pocketry import SETTINGS_KEY  # noqa: E402
from run_e2e import Xvfb, install_build, make_template, scenario_prefix  # noqa: E402

TICKS = os.sysconf("SC_CLK_TCK")


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
    def __init__(self, name: str, exe: str, workdir: Path, template: Path, display: str):
        self.name, self.exe = name, exe
        workdir.mkdir(parents=True)
        self.prefix, home, tmp = scenario_prefix(template, workdir)
        self.env = wine_env(self.prefix, home, tmp, display)
        self.proc = None
        self.log = open(workdir / "output.txt", "wb")

    def wine(self, *args, timeout=60) -> int:
        return subprocess.run([WINE, *args], env=self.env, stdout=self.log, stderr=self.log,
                              stdin=subprocess.DEVNULL, timeout=timeout).returncode

    def start(self) -> None:
        self.proc = subprocess.Popen([WINE, f"C:\\Pocketry\\{self.exe}"], env=self.env,
                                     cwd=self.prefix / INSTALL_DIR_REL, stdout=self.log,
                                     stderr=self.log, stdin=subprocess.DEVNULL)

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


def main() -> int:
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--bin", required=True, type=Path)
    parser.add_argument("--out", required=True, type=Path)
    parser.add_argument("--seconds", type=int, default=60, help="idle period (default 60)")
    args = parser.parse_args()
    bin_dir, out = args.bin.resolve(), args.out.resolve()
    for exe in ("Pocketry.exe", "bench-bare.exe", "e2e-driver.exe"):
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

    xvfb = Xvfb(None)
    subjects = []
    try:
        make_template(out / "template", xvfb.display)
        install_build(out / "template", bin_dir)
        pocketry = Subject("Pocketry", "Pocketry.exe", out / "pocketry", out / "template",
                           xvfb.display)
        bare = Subject("bare", "bench-bare.exe", out / "bare", out / "template", xvfb.display)
        subjects = [pocketry, bare]
        pocketry.wine("reg", "add", SETTINGS_KEY, "/v", "First Run", "/t", "REG_SZ",
                      "/d", "False", "/f")
        for s in subjects:
            s.start()
        # Settled: Pocketry's main window exists and its tray icon is in place.
        driver = str(pocketry.prefix / INSTALL_DIR_REL / "e2e-driver.exe")
        # (Output through a file: Wine helpers inherit handles and would hold a pipe open.)
        with tempfile.TemporaryFile() as found:
            rc = subprocess.run([WINE, driver, "wait", "*", "Pocketry 1.0", "30000"],
                                env=pocketry.env, stdout=found, stderr=subprocess.DEVNULL,
                                stdin=subprocess.DEVNULL, timeout=60).returncode
            found.seek(0)
            hwnd = found.read().decode().strip().split("\n")[0].removeprefix("hwnd=")
        if rc != 0 or pocketry.wine(driver, "tray-icon", hwnd, "1", "15000") != 0:
            raise RuntimeError("Pocketry did not reach the tray")
        time.sleep(5)  # let start-up work (timers, first paint) finish in both

        before = {s.name: s.sample() for s in subjects}
        time.sleep(args.seconds)
        after = {s.name: s.sample() for s in subjects}

        print(f"idle {args.seconds} s under Wine; CPU seconds = utime+stime from /proc/PID/stat "
              f"of the program's process plus its prefix's wineserver (explorer.exe excluded); "
              f"peak memory = VmHWM of the program's process")
        print(f"{'program':<16}{'process CPU s':>15}{'wineserver CPU s':>18}{'total CPU s':>13}"
              f"{'VmHWM KiB':>11}")
        totals, peaks = {}, {}
        for s in subjects:
            proc_cpu = after[s.name][0] - before[s.name][0]
            server_cpu = after[s.name][1] - before[s.name][1]
            totals[s.name] = proc_cpu + server_cpu
            peaks[s.name] = vm_hwm_kib(s.proc.pid)
            print(f"{s.exe:<16}{proc_cpu:>15.2f}{server_cpu:>18.2f}{totals[s.name]:>13.2f}"
                  f"{peaks[s.name]:>11}")
        print(f"ratio Pocketry/bare: CPU {ratio(totals['Pocketry'], totals['bare'])}, "
              f"peak memory {ratio(peaks['Pocketry'], peaks['bare'])} "
              f"(CPU is counted in {1 / TICKS:.2f} s ticks)")
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
