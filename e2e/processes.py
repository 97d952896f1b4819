"""A machine's processes: each carries the machine's mark (SARVELLO_E2E_RUN=<id>) in its
environment, which Wine hands on to the wineserver and every Windows process of the prefix; that is
how a machine finds its own, and it ends them by process id (psutil, which also tells a reused id),
never by name, so that runs in parallel do not disturb each other."""

import contextlib
import logging
import os
import re
import signal
import subprocess
import time

import psutil

import checks

LOG = logging.getLogger("sarvello.e2e")
RUN_MARK = "SARVELLO_E2E_RUN"
# Wine's traces and warnings (the modules each process loads, the exceptions dispatched): the
# output files keep them, logs and failure messages leave them out.
TRACE = re.compile(r"(?:\d+\.\d+:)?[0-9a-f]{4,8}:[0-9a-f]{4,8}:(?:trace|warn):")


def without_traces(lines):
    return [line for line in lines if not TRACE.match(line)]


class WaitTimeout(AssertionError):
    """What a test waited for did not come."""


def new_mark():
    return f"{os.getpid()}-{time.time_ns()}"


def marked(mark):
    """The processes whose environment carries the mark. That of a zombie leader cannot be read:
    find a prefix's processes before its wineserver ends (a winedevice.exe can then live on as such a
    leader, kept by a native libusb thread)."""
    found = []
    for process in psutil.process_iter():
        with contextlib.suppress(psutil.Error):
            if process.environ().get(RUN_MARK) == mark:
                found.append(process)
    return found


def alive(process):
    """Running, or a zombie leader whose other threads still run."""
    try:
        return process.is_running() and (process.status() != psutil.STATUS_ZOMBIE or process.num_threads() > 1)
    except psutil.Error:
        return False


def end(processes, timeout=5):
    """Ends the processes by id (SIGKILL) and waits until they are gone."""
    for process in processes:
        with contextlib.suppress(psutil.Error):
            process.kill()
    deadline = time.monotonic() + timeout
    while any(alive(process) for process in processes) and time.monotonic() < deadline:
        time.sleep(0.1)


def describe(process):
    with contextlib.suppress(psutil.Error):
        return f"{process.pid} ({process.name()})"
    return str(process.pid)


def processor_time(pid):
    """The processor time a process has used so far, all its threads."""
    process = psutil.Process(pid)
    times = process.cpu_times()
    return checks.CpuSample(pid, process.name(), time.monotonic(), times.user + times.system)


@contextlib.contextmanager
def signals_held():
    """Holds back SIGINT, SIGTERM, SIGHUP and SIGALRM (a test's timeout) while a clean-up runs, so
    that it is not cut short."""
    held = {signal.SIGINT, signal.SIGTERM, signal.SIGHUP, signal.SIGALRM}
    before = signal.pthread_sigmask(signal.SIG_BLOCK, held)
    try:
        yield
    finally:
        signal.pthread_sigmask(signal.SIG_SETMASK, before)


class WindowsProcess:
    """A Windows program started in a machine (the Unix process of `wine PROGRAM` is the program's
    own); `wait` gives its exit code (the low 8 bits: -1 comes back as 255). Its standard output and
    error go to files, which also take those of the programs it starts."""

    def __init__(self, label, popen, output):
        self.label = label
        self.popen = popen
        self.output_files = output
        self.started = time.monotonic()
        self.code = None

    @property
    def pid(self):
        return self.popen.pid

    def running(self):
        if self.code is None and self.popen.poll() is not None:
            self.code = self.popen.returncode
            LOG.info(f"{self.label} exited {self.code} after {time.monotonic() - self.started:.1f} s")
        return self.code is None

    def wait(self, timeout=60):
        try:
            self.popen.wait(timeout)
        except subprocess.TimeoutExpired:
            raise WaitTimeout(f"{self.label} still runs after {timeout} s\n{self.output()}") from None
        self.running()
        return self.code

    def stderr(self):
        return self.output_files[1].read_text(errors="replace")

    def output(self):
        """What the program wrote on its standard output and error (as the program wrote it: text-mode
        output has CR LF line ends), the last 80 lines of each but Wine's traces and warnings."""
        parts = []
        for path in self.output_files:
            lines = without_traces(path.read_text(errors="replace").splitlines())
            parts.append(f"--- {path.name} ({len(lines)} lines) ---\n" + "\n".join(lines[-80:]))
        return "\n".join(parts)
