#!/usr/bin/env python3
"""Which Wine this machine can run the Windows programs in: the 32-bit exes in a 32-bit prefix
where Wine's 32-bit loader runs, else the 64-bit exes in a 64-bit prefix.

Some kernels cannot run 32-bit Linux programs at all (no IA-32 emulation): there the 32-bit
loader fails with "Exec format error" however Wine is installed, and Debian's `wine` command
picks that loader whenever it is installed. So the loader is really run (`--version`), not
looked for, and the chosen loader is run directly (with WINELOADER naming it, so that every
process Wine starts uses it too).

    python3 tests/e2e/winemode.py          # prints the first line of a run and the build arch
    python3 tests/e2e/winemode.py --arch   # prints i686 or x86_64 (for scripts/run.sh)

POCKETRY_WINE_BITS=64 takes the 64-bit way on a machine that can do both; =32 insists on the
32-bit one (an error where it cannot run); unset, empty or "auto" decides by trying.
"""

from __future__ import annotations

import os
import re
import shutil
import subprocess
import sys
from dataclasses import dataclass
from pathlib import Path
from typing import Mapping, Optional, Sequence

ENV_BITS = "POCKETRY_WINE_BITS"

# Where Debian's wine32:i386 and wine64 packages put the loaders; elsewhere the commands of
# those names (a `wine` on PATH may be a wrapper that picks a loader itself).
_LOADERS = {32: ["/usr/lib/wine/wine", "wine"], 64: ["/usr/lib/wine/wine64", "wine64"]}
_ARCH = {32: ("win32", "i686"), 64: ("win64", "x86_64")}


class WineUnavailable(RuntimeError):
    """No Wine loader this machine can run for the wanted bits."""


@dataclass(frozen=True)
class WineMode:
    bits: int
    loader: str  # the program that runs a Windows exe: `loader C:\\path\\prog.exe args`

    @property
    def winearch(self) -> str:
        return _ARCH[self.bits][0]

    @property
    def build_arch(self) -> str:
        """The MinGW target of the exes this Wine runs: build/win-<build_arch>/bin."""
        return _ARCH[self.bits][1]

    def bin_dir(self, build: Path) -> Path:
        return build / f"win-{self.build_arch}" / "bin"

    def banner(self, build: Path) -> str:
        """The first line of every run: `wine: 64-bit prefix, build/win-x86_64/bin`."""
        return f"wine: {self.bits}-bit prefix, {self.bin_dir(build)}"

    def env(self, prefix: Path, home: Path, tmp: Path, display: str) -> dict:
        env = dict(os.environ)
        env.update(WINEPREFIX=str(prefix), WINEARCH=self.winearch, WINELOADER=self.loader,
                   WINEDEBUG="-all", WINEDLLOVERRIDES="winemenubuilder.exe=d", HOME=str(home),
                   TMPDIR=str(tmp), DISPLAY=display)
        # Wine reads command lines and file names from Linux in the locale's character set:
        # under the plain C locale a path such as C:\\テスト\\Pocketry.exe cannot reach it.
        # C.UTF-8 leaves Wine's ANSI code page as it is (1252).
        ctype = env.get("LC_ALL") or env.get("LC_CTYPE") or env.get("LANG") or ""
        if not re.search(r"utf-?8", ctype, re.IGNORECASE):
            env["LC_ALL"] = "C.UTF-8"
        return env


def _runs(loader: str) -> tuple[bool, str]:
    """Whether the loader starts at all here; what it said when it did not."""
    try:
        r = subprocess.run([loader, "--version"], capture_output=True, timeout=60,
                           stdin=subprocess.DEVNULL, env={**os.environ, "WINEDEBUG": "-all"})
    except OSError as e:  # ENOEXEC ("Exec format error") lands here when run directly
        return False, e.strerror or str(e)
    except subprocess.TimeoutExpired:
        return False, "no answer to --version within 60 s"
    out = r.stdout.decode(errors="replace").strip()
    if r.returncode == 0 and out.startswith("wine-"):
        return True, out
    said = (r.stderr or r.stdout).decode(errors="replace").strip().splitlines()
    return False, f"exit code {r.returncode}" + (f": {said[-1]}" if said else "")


def find_loader(bits: int) -> tuple[Optional[str], str]:
    """The first loader of these bits that runs here (its path), or None and why not."""
    tried = []
    for candidate in _LOADERS[bits]:
        path = candidate if os.path.isabs(candidate) else shutil.which(candidate)
        if not path or not os.access(path, os.X_OK):
            continue
        ok, said = _runs(path)
        if ok:
            return path, said
        tried.append(f"{path}: {said}")
    return None, "; ".join(tried) or f"no {bits}-bit Wine loader installed"


def detect(environ: Mapping[str, str] = os.environ) -> WineMode:
    """The Wine to use here: 32-bit where its loader runs, unless POCKETRY_WINE_BITS says."""
    wanted = environ.get(ENV_BITS, "").strip().lower()
    if wanted not in ("", "auto", "32", "64"):
        raise WineUnavailable(f"{ENV_BITS}={wanted!r}: expected 32, 64 or auto")
    why = {}
    for bits in ([int(wanted)] if wanted in ("32", "64") else [32, 64]):
        loader, said = find_loader(bits)
        if loader:
            return WineMode(bits, loader)
        why[bits] = said
    reasons = "; ".join(f"{bits}-bit: {said}" for bits, said in why.items())
    raise WineUnavailable(f"no Wine loader runs here ({reasons})")


def mode_for_tool(build: Path, exes: Sequence[str], tool: str) -> Optional[tuple[WineMode, Path]]:
    """For a tool that runs the build's exes: the Wine mode and its resolved bin folder, after
    printing the banner; None, after saying why, when no Wine runs here or an exe is missing."""
    try:
        mode = detect()
    except WineUnavailable as e:
        print(f"wine: {e}", flush=True)
        return None
    print(mode.banner(build), flush=True)
    bin_dir = mode.bin_dir(build).resolve()
    missing = [exe for exe in exes if not (bin_dir / exe).is_file()]
    if missing:
        print(f"{tool}: no {', '.join(missing)} in {bin_dir}; build win-{mode.build_arch} first",
              flush=True)
        return None
    return mode, bin_dir


def main() -> int:
    try:
        mode = detect()
    except WineUnavailable as e:
        print(f"wine: {e}", file=sys.stderr)
        return 1
    if sys.argv[1:] == ["--arch"]:
        print(mode.build_arch)
    else:
        print(mode.banner(Path("build")))
        print(f"loader {mode.loader}, WINEARCH={mode.winearch}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
