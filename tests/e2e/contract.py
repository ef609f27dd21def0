"""The platform contract suite (pocketry-contract.exe, GoogleTest) on the real Windows layer
under Wine: run in a fresh copy of the prefix with a time limit, judged by its exit code and
GoogleTest's own summary, which the runner prints."""

from __future__ import annotations

import re
import shutil
import subprocess
import time
from dataclasses import dataclass, field
from pathlib import Path
from typing import Callable, Optional

from e2elib import INSTALL_DIR_REL, INSTALL_DIR_WIN, WINESERVER

EXE = "pocketry-contract.exe"
DEFAULT_TIMEOUT_S = 300

_RAN = re.compile(r"^\[=+\] \d+ tests? from \d+ test (suites?|cases?) ran\.")
_PASSED = re.compile(r"^\[  PASSED  \] (\d+) tests?\.")
_FAILED = re.compile(r"^\[  FAILED  \] (\d+) tests?, listed below:")
_TEST_OK = re.compile(r"^\[       OK \] (\S+)")
_TEST_FAILED = re.compile(r"^\[  FAILED  \] (\S+) \(\d+ ms\)")
_TEST_RUN = re.compile(r"^\[ RUN      \] (\S+)")


@dataclass
class Outcome:
    passed: int = 0
    failed: int = 0
    summary: list[str] = field(default_factory=list)  # GoogleTest's closing lines
    problem: Optional[str] = None  # why the suite counts as failed; None when it passed

    def count_line(self) -> str:
        return f"contract: {self.passed} passed, {self.failed} failed"


def judge(rc: Optional[int], output: str, timeout_s: float) -> Outcome:
    """What a run of the suite came to: rc is its exit code, None when it was stopped at the
    time limit. GoogleTest ends with a summary from the "[==========] N tests from M test
    suites ran." line on; without one (a crash, a hang) the per-test lines are counted."""
    lines = [line.rstrip("\r") for line in output.splitlines()]
    start = max((i for i, line in enumerate(lines) if _RAN.match(line)), default=None)
    out = Outcome()
    if start is not None:
        out.summary = [line for line in lines[start:] if line.strip()]
        for line in out.summary:
            if m := _PASSED.match(line):
                out.passed = int(m[1])
            elif m := _FAILED.match(line):
                out.failed = int(m[1])
    else:
        out.passed = sum(1 for line in lines if _TEST_OK.match(line))
        out.failed = sum(1 for line in lines if _TEST_FAILED.match(line))
    if rc is None:
        finished = {m[1] for line in lines if (m := _TEST_OK.match(line) or
                                               _TEST_FAILED.match(line))}
        running = [m[1] for line in lines if (m := _TEST_RUN.match(line))
                   and m[1] not in finished]
        out.problem = (f"did not finish within {timeout_s:.0f} s" +
                       (f" (still in {running[-1]})" if running else ""))
    elif start is None:
        out.problem = f"ended with exit code {rc} without GoogleTest's summary"
    elif rc != 0 or out.failed:
        out.problem = f"exit code {rc}, {out.failed} test(s) failed"
    elif out.passed == 0:
        out.problem = "ran no tests"
    return out


def run(bin_dir: Path, template: Path, workdir: Path, make_prefix: Callable, make_env: Callable,
        timeout_s: float, keep: bool) -> Outcome:
    """Runs the suite once in its own copy of the template prefix (make_prefix(template,
    workdir) -> prefix, home, tmp; make_env(prefix, home, tmp) -> env); its whole output is
    left in workdir/output.txt."""
    if not (bin_dir / EXE).is_file():
        return Outcome(problem=f"{EXE} is missing from {bin_dir}")
    if workdir.exists():
        shutil.rmtree(workdir)
    workdir.mkdir(parents=True)
    prefix, home, tmp = make_prefix(template, workdir)
    env = make_env(prefix, home, tmp)
    output = workdir / "output.txt"
    # Output to a file, not a pipe: Wine's helper processes inherit it and outlive the suite.
    with open(output, "wb") as sink:
        proc = subprocess.Popen([env["WINELOADER"], f"{INSTALL_DIR_WIN}\\{EXE}",
                                 "--gtest_color=no"], env=env, cwd=prefix / INSTALL_DIR_REL,
                                stdout=sink, stderr=subprocess.STDOUT, stdin=subprocess.DEVNULL)
        started = time.monotonic()
        try:
            rc: Optional[int] = proc.wait(timeout=timeout_s)
        except subprocess.TimeoutExpired:
            rc = None
        finally:
            subprocess.run([WINESERVER, "-k"], env=env, capture_output=True, timeout=30)
            if proc.poll() is None:
                proc.kill()
            proc.wait()
            subprocess.run([WINESERVER, "-w"], env=env, capture_output=True, timeout=30)
    outcome = judge(rc, output.read_bytes().decode("cp1252", "replace"), timeout_s)
    (workdir / "duration.txt").write_text(f"{time.monotonic() - started:.1f} s, exit code {rc}\n")
    if outcome.problem:
        outcome.problem += f"; output in {output}"
    if not keep:
        shutil.rmtree(prefix, ignore_errors=True)
    return outcome
