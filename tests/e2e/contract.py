"""The platform contract suite (pocketry-contract.exe, GoogleTest) on the real Windows layer
under Wine: run in a fresh copy of the prefix with a time limit, judged by its exit code and
GoogleTest's own summary, which the runner prints. It runs from C:\\テスト, a folder whose name
the ANSI code page cannot hold, as a user's program folder may be (its cases read the program's
path back). Then, in the same prefix, the shell-link library's own checks (vb5stkit-check.exe
beside vb5stkit.dll in C:\\Pocketry); a failed check fails the suite."""

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
# Where the suite runs from; tests/contract/files_contract_test.cpp expects it there.
RUN_DIR_WIN, RUN_DIR_REL = "C:\\テスト", "drive_c/テスト"
CHECK_EXE = "vb5stkit-check.exe"
CHECK_TIMEOUT_S = 120
DEFAULT_TIMEOUT_S = 300
_CHECK_SUMMARY = re.compile(r"^vb5stkit-check: (\d+) checks held, (\d+) failed")

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


def _run_wine(cmd: list, env: dict, cwd: Path, output: Path,
              timeout_s: float) -> Optional[int]:
    """Runs one Wine program to its end, output to a file; None when stopped at the limit.
    Output to a file, not a pipe: Wine's helper processes inherit it and outlive the program."""
    with open(output, "wb") as sink:
        proc = subprocess.Popen(cmd, env=env, cwd=cwd, stdout=sink, stderr=subprocess.STDOUT,
                                stdin=subprocess.DEVNULL)
        try:
            return proc.wait(timeout=timeout_s)
        except subprocess.TimeoutExpired:
            return None
        finally:
            if proc.poll() is None:
                subprocess.run([WINESERVER, "-k"], env=env, capture_output=True, timeout=30)
                proc.kill()
            proc.wait()


def check_library(rc: Optional[int], output: str) -> Optional[str]:
    """What the shell-link library's checks came to: None when every one held."""
    lines = [line.rstrip("\r") for line in output.splitlines()]
    failed = [line for line in lines if line.startswith("FAIL")]
    summary = next((m for line in lines if (m := _CHECK_SUMMARY.match(line))), None)
    if rc is None:
        return f"{CHECK_EXE} did not finish within {CHECK_TIMEOUT_S} s"
    if rc != 0 or failed or not summary or int(summary[2]) or not int(summary[1]):
        return f"{CHECK_EXE}: exit code {rc}" + (f", {'; '.join(failed)}" if failed else "")
    return None


def run(bin_dir: Path, template: Path, workdir: Path, make_prefix: Callable, make_env: Callable,
        timeout_s: float, keep: bool) -> Outcome:
    """Runs the suite once in its own copy of the template prefix (make_prefix(template,
    workdir) -> prefix, home, tmp; make_env(prefix, home, tmp) -> env), then the library's
    checks; their whole output is left in workdir/output.txt and workdir/vb5stkit-check.txt."""
    if not (bin_dir / EXE).is_file():
        return Outcome(problem=f"{EXE} is missing from {bin_dir}")
    if workdir.exists():
        shutil.rmtree(workdir)
    workdir.mkdir(parents=True)
    prefix, home, tmp = make_prefix(template, workdir)
    env = make_env(prefix, home, tmp)
    run_dir = prefix / RUN_DIR_REL
    run_dir.mkdir()
    shutil.copy2(prefix / INSTALL_DIR_REL / EXE, run_dir)
    output = workdir / "output.txt"
    started = time.monotonic()
    rc = _run_wine([env["WINELOADER"], f"{RUN_DIR_WIN}\\{EXE}", "--gtest_color=no"], env,
                   run_dir, output, timeout_s)
    outcome = judge(rc, output.read_bytes().decode("utf-8", "replace"), timeout_s)
    (workdir / "duration.txt").write_text(f"{time.monotonic() - started:.1f} s, exit code {rc}\n")
    if outcome.problem:
        outcome.problem += f"; output in {output}"

    checks = workdir / "vb5stkit-check.txt"
    check_rc = _run_wine([env["WINELOADER"], f"{INSTALL_DIR_WIN}\\{CHECK_EXE}"], env,
                         prefix / INSTALL_DIR_REL, checks, CHECK_TIMEOUT_S)
    check_output = checks.read_bytes().decode("utf-8", "replace")
    outcome.summary += [line.rstrip("\r") for line in check_output.splitlines()
                        if _CHECK_SUMMARY.match(line)]
    if problem := check_library(check_rc, check_output):
        problem += f"; output in {checks}"
        outcome.problem = f"{outcome.problem}; {problem}" if outcome.problem else problem
    subprocess.run([WINESERVER, "-k"], env=env, capture_output=True, timeout=30)
    subprocess.run([WINESERVER, "-w"], env=env, capture_output=True, timeout=30)
    if not keep:
        shutil.rmtree(prefix, ignore_errors=True)
    return outcome
