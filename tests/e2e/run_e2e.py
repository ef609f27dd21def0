#!/usr/bin/env python3
"""Runs the end-to-end scenarios: the real Windows programs under Wine in a virtual X display.

usage: python3 tests/e2e/run_e2e.py --build DIR --out DIR [-k NAME]...

The first line says which Wine runs the programs (winemode.py): `wine: 32-bit prefix,
build/win-i686/bin` where Wine's 32-bit loader runs here, else `wine: 64-bit prefix,
build/win-x86_64/bin` (POCKETRY_WINE_BITS=64 forces the latter). That bin folder of the build
folder (--build) holds Pocketry.exe, juno-standin.exe, e2e-driver.exe and
pocketry-contract.exe (and any DLLs beside them); they are copied to C:\\Pocketry in every
prefix. --out receives the Wine prefix template, contract/ (the contract suite's output), one
folder per scenario (log.txt, program output) and screenshots/.
The contract suite runs first; then PASS/FAIL per scenario and last "N passed, N failed" (the
contract suite counts as one); exit code 0 only when nothing failed and something passed.
"""

from __future__ import annotations

import argparse
import importlib
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import traceback
from pathlib import Path

HERE = Path(__file__).resolve().parent
sys.path.insert(0, str(HERE))
sys.dont_write_bytecode = True  # keep the source tree clean

import contract  # noqa: E402  (needs the path above)
import e2elib  # noqa: E402
from e2elib import (INSTALL_DIR_REL, WINESERVER, Bed, ScenarioAbort,  # noqa: E402
                    ScenarioTimeout, wine_env)
from winemode import WineMode, WineUnavailable, detect  # noqa: E402

FONT_DIRS = [Path("/usr/share/wine/fonts"), Path("/usr/lib/wine/fonts")]
SCREEN = "1280x1024x24"


def log(msg: str) -> None:
    print(msg, flush=True)


class Xvfb:
    """An X server of our own, so windows never land on a user's screen. Without a number it
    takes the first free display from :100 on, clear of the numbers people pick by hand."""

    def __init__(self, number: int | None):
        self.proc = None
        for candidate in [number] if number is not None else range(100, 200):
            if (Path(f"/tmp/.X{candidate}-lock").exists()
                    or Path(f"/tmp/.X11-unix/X{candidate}").exists()):
                continue  # in use (or left over): never share another run's display
            if self._start(candidate):
                self.display = f":{candidate}"
                return
        raise RuntimeError("could not start Xvfb" + (f" on :{number}" if number else ""))

    def _start(self, number: int) -> bool:
        self.proc = subprocess.Popen(
            ["Xvfb", f":{number}", "-screen", "0", SCREEN, "-nolisten", "tcp", "-noreset"],
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, start_new_session=True)
        deadline = time.monotonic() + 10
        while not Path(f"/tmp/.X11-unix/X{number}").exists():
            if self.proc.poll() is not None or time.monotonic() > deadline:
                self.stop()
                return False
            time.sleep(0.05)
        return True

    def stop(self) -> None:
        if self.proc and self.proc.poll() is None:
            self.proc.terminate()
            try:
                self.proc.wait(timeout=10)
            except subprocess.TimeoutExpired:
                self.proc.kill()
                self.proc.wait()


def run_quiet(cmd, env, timeout, what):
    # Output to a file, not a pipe: Wine's helper processes inherit it and outlive the command.
    with tempfile.TemporaryFile() as err:
        try:
            rc = subprocess.run(cmd, env=env, stdout=subprocess.DEVNULL, stderr=err,
                                stdin=subprocess.DEVNULL, timeout=timeout).returncode
        except subprocess.TimeoutExpired:
            raise RuntimeError(f"{what} did not finish within {timeout} s")
        err.seek(0)
        if rc != 0:
            raise RuntimeError(f"{what} failed ({rc}): "
                               f"{err.read().decode(errors='replace').strip()[-500:]}")


def template_ready(root: Path, mode: WineMode) -> bool:
    """Whether root holds a finished template of this Wine (a 32-bit prefix does not serve
    64-bit programs, nor the other way round)."""
    ready = root / ".ready"
    return ready.exists() and ready.read_text().split() == ["ok", mode.winearch]


def make_template(root: Path, display: str, mode: WineMode) -> None:
    """A fresh prefix as the program meets it on a user's machine, plus the virtual desktop
    and the fonts dialogs need."""
    if root.exists():
        shutil.rmtree(root)
    prefix, home, tmp = root / "prefix", root / "home", root / "tmp"
    home.mkdir(parents=True)
    tmp.mkdir()
    env = wine_env(mode, prefix, home, tmp, display)
    wine = env["WINELOADER"]
    run_quiet([wine, "wineboot", "-i"], env, 300, "wineboot -i")
    for key, name, data in [(r"HKCU\Software\Wine\Explorer", "Desktop", "shell"),
                            (r"HKCU\Software\Wine\Explorer\Desktops", "shell", "1024x768")]:
        run_quiet([wine, "reg", "add", key, "/v", name, "/d", data, "/f"], env, 60,
                  f"setting {key}")
    # Wait for the server to write the registry to disk before the prefix is copied.
    subprocess.run([WINESERVER, "-w"], env=env, capture_output=True, timeout=60)
    fonts = prefix / "drive_c/windows/Fonts"
    fonts.mkdir(parents=True, exist_ok=True)
    copied = 0
    for folder in FONT_DIRS:
        for font in list(folder.glob("*.ttf")) + list(folder.glob("*.fon")):
            shutil.copy2(font, fonts)
            copied += 1
    if copied == 0:
        raise RuntimeError("no Wine fonts found (install fonts-wine)")
    (root / ".ready").write_text(f"ok {mode.winearch}\n")


def install_build(template: Path, bin_dir: Path) -> None:
    """Puts the build's programs in C:\\Pocketry of the template (afresh on every run)."""
    install = template / "prefix" / INSTALL_DIR_REL
    if install.exists():
        shutil.rmtree(install)
    install.mkdir(parents=True)
    for item in bin_dir.iterdir():
        if item.suffix.lower() in (".exe", ".dll") and item.is_file():
            shutil.copy2(item, install)


def scenario_prefix(template: Path, workdir: Path) -> tuple[Path, Path, Path]:
    prefix, home, tmp = workdir / "prefix", workdir / "home", workdir / "tmp"
    subprocess.run(["cp", "-a", str(template / "prefix"), str(prefix)], check=True)
    home.mkdir()
    tmp.mkdir()
    # Wine linked Desktop, Documents... to the template's $HOME; point them at this one.
    template_home = str(template / "home")
    for user in (prefix / "drive_c/users").iterdir():
        for link in user.iterdir():
            if link.is_symlink() and os.readlink(link).startswith(template_home):
                link.unlink()
                link.symlink_to(home)
    return prefix, home, tmp


def load_scenarios() -> None:
    # Imported by name, so that a file another one imports registers its scenarios once.
    for path in sorted(HERE.glob("scenarios_*.py")):
        importlib.import_module(path.stem)


def on_alarm(signum, frame):
    raise ScenarioTimeout()


def run_one(sc, template: Path, out: Path, display: str, mode: WineMode,
            keep: bool) -> str | None:
    """Runs one scenario; returns None on success, else the reason."""
    workdir = out / "scenarios" / sc.name
    if workdir.exists():
        shutil.rmtree(workdir)
    workdir.mkdir(parents=True)
    prefix, home, tmp = scenario_prefix(template, workdir)
    env = wine_env(mode, prefix, home, tmp, display)
    bed = Bed(sc.name, workdir, prefix, env, display, out / "screenshots",
              time.monotonic() + sc.timeout)
    reason = None
    signal.signal(signal.SIGALRM, on_alarm)
    signal.alarm(sc.timeout)
    try:
        try:
            sc.func(bed)
        finally:
            signal.alarm(0)
    except ScenarioAbort:
        pass
    except ScenarioTimeout:
        bed.fail(f"did not finish within {sc.timeout} s")
    except Exception as e:  # a broken scenario is a failure, not a crash of the run
        bed.log(traceback.format_exc())
        bed.fail(f"{type(e).__name__}: {e}")
    finally:
        signal.alarm(0)
        bed.close()
    if bed.failures:
        reason = "; ".join(bed.failures)
    if not keep:
        shutil.rmtree(prefix, ignore_errors=True)
    return reason


def run_contract(bin_dir: Path, template: Path, out: Path, display: str, mode: WineMode,
                 timeout_s: float, keep: bool) -> str | None:
    """Runs the contract suite and prints GoogleTest's summary and the count; None on success,
    else the reason."""
    outcome = contract.run(bin_dir, template, out / "contract", scenario_prefix,
                           lambda prefix, home, tmp: wine_env(mode, prefix, home, tmp, display),
                           timeout_s, keep)
    for line in outcome.summary:
        log(line)
    log(outcome.count_line())
    return outcome.problem


def main() -> int:
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--build", type=Path, default=Path("build"),
                        help="build folder holding win-i686/ and win-x86_64/ (default: build)")
    parser.add_argument("--out", required=True, type=Path, help="folder for prefixes, logs, "
                        "screenshots")
    parser.add_argument("-k", action="append", default=[], metavar="NAME",
                        help="run only scenarios whose name contains NAME (repeatable); the "
                        "contract suite runs when a NAME is in \"contract\"")
    parser.add_argument("--display", type=int, help="Xvfb display number (default: a free one)")
    parser.add_argument("--keep", action="store_true", help="keep each scenario's prefix")
    parser.add_argument("--reuse-template", action="store_true",
                        help="reuse --out/template from an earlier run of the same build")
    parser.add_argument("--contract-timeout", type=float, default=contract.DEFAULT_TIMEOUT_S,
                        metavar="S", help="time limit of the contract suite in seconds "
                        f"(default {contract.DEFAULT_TIMEOUT_S})")
    parser.add_argument("--list", action="store_true", help="list scenario names and exit")
    args = parser.parse_args()

    load_scenarios()
    selected = [sc for sc in e2elib.SCENARIOS
                if not args.k or any(k in sc.name for k in args.k)]
    with_contract = not args.k or any(k in "contract" for k in args.k)
    if args.list:
        if with_contract:
            print("contract")
        for sc in selected:
            print(sc.name)
        return 0
    total = len(selected) + with_contract
    try:
        mode = detect()
    except WineUnavailable as e:
        log(f"wine: {e}")
        log("FAIL setup: no Wine to run the Windows programs in")
        log(f"0 passed, {max(1, total)} failed")
        return 1
    log(mode.banner(args.build))
    out = args.out.resolve()
    out.mkdir(parents=True, exist_ok=True)
    bin_dir = mode.bin_dir(args.build).resolve()
    if not (bin_dir / "e2e-driver.exe").is_file():
        log(f"FAIL setup: no e2e-driver.exe in {bin_dir}")
        log(f"0 passed, {max(1, total)} failed")
        return 1

    passed = failed = 0

    def record(name: str, reason: str | None) -> None:
        nonlocal passed, failed
        if reason is None:
            passed += 1
            log(f"PASS {name}")
        else:
            failed += 1
            log(f"FAIL {name}: {reason}")

    xvfb = None
    try:
        xvfb = Xvfb(args.display)
        template = out / "template"
        if not (args.reuse_template and template_ready(template, mode)):
            started = time.monotonic()
            make_template(template, xvfb.display, mode)
            log(f"prefix template ready in {time.monotonic() - started:.0f} s")
        install_build(template, bin_dir)
        (out / "durations.txt").unlink(missing_ok=True)
        if with_contract:
            started = time.monotonic()
            reason = run_contract(bin_dir, template, out, xvfb.display, mode,
                                  args.contract_timeout, args.keep)
            with open(out / "durations.txt", "a") as durations:
                durations.write(f"contract {time.monotonic() - started:.1f} s\n")
            record("contract", reason)
        for sc in selected:
            started = time.monotonic()
            reason = run_one(sc, template, out, xvfb.display, mode, args.keep)
            with open(out / "durations.txt", "a") as durations:
                durations.write(f"{sc.name} {time.monotonic() - started:.1f} s\n")
            record(sc.name, reason)
    except (RuntimeError, OSError, subprocess.SubprocessError) as e:
        failed = max(1, total - passed)
        log(f"FAIL setup: {e}")
    finally:
        if xvfb:
            xvfb.stop()
    log(f"{passed} passed, {failed} failed")
    return 0 if failed == 0 and passed > 0 else 1


if __name__ == "__main__":
    sys.exit(main())
