#!/usr/bin/env python3
"""A Windows machine under Wine for the e2e tests: a private Xvfb (display.py), a Wine prefix copied
from a booted template (prefix.py), and the Windows programs started in it (processes.py), with
their screen, input, files and registry (registry.py). Every program's standard error is read for
faults when the machine closes (checks.faults).

As a program: `machine.py --probe` prints the Wine flavour this host runs (win32 or win64).
"""

import contextlib
import logging
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time
from pathlib import Path

import checks
import display
import processes
from prefix import SHARED_SUFFIXES, WINE_DIR, Flavour, Template, boot_prefix, pe_flavour, probe, remove_server_dir, \
    run_wine, stop_wineserver
from processes import RUN_MARK, WaitTimeout, WindowsProcess, processor_time
from registry import RegistryExport, reg_file, reg_text

__all__ = ["Flavour", "Machine", "RegistryExport", "Template", "WaitTimeout", "pe_flavour", "probe", "processor_time"]
LOG = logging.getLogger("sarvello.e2e")
# Where a machine puts the programs it runs, and starts them from.
PROGRAM_FOLDER = "C:\\sarvello"


def reap(mark, run_dir):
    """The reaper: waits until its owner closes the pipe on its standard input; unless the owner
    said "done" first (having ended everything itself), ends every process carrying the mark and
    removes the run's folder. It leaves its parent at once, so that killing the owner's process
    tree does not reach it."""
    if os.fork() != 0:
        os._exit(0)
    if sys.stdin.buffer.read() == b"done":
        return
    for _ in range(5):
        found = processes.marked(mark)
        if not found:
            break
        processes.end(found)
    remove_server_dir(Path(run_dir) / "prefix")
    shutil.rmtree(run_dir, ignore_errors=True)


class Machine:
    """A Windows machine under Wine: an X display (a private Xvfb unless one is given), a Wine prefix
    (a copy of the template, or a prefix of the user's own that is kept) and the programs started
    in it. What it collects goes to `artifacts`: screenshots, program output, files read, registry
    exports and harness.log, the log of what was done when. Use it as a context manager; once
    closed, `faults` lists each fault that Wine reported for a program, and `leftovers` each
    process that outlived the prefix's wineserver."""

    def __init__(self, flavour, artifacts, template=None, prefix=None, display=None):
        if (template is None) == (prefix is None):
            raise ValueError("a machine needs a template to copy or a prefix of its own")
        self.flavour = flavour
        self.artifacts = Path(artifacts)
        self.template = template
        self.prefix = Path(prefix) if prefix else None
        self.display = display
        self.mark = processes.new_mark()
        self.processes = []
        self.xvfb = None
        self.run_dir = None
        self.env = None
        self.faults = []
        self.faults_told = False
        self.leftovers = []
        self._reaper = None
        self._copied_at = None
        self._saved = set()
        self._log_file = None
        self._read = []
        self._started_at = time.monotonic()

    def __enter__(self):
        try:
            return self.start()
        except BaseException:
            self.close()
            raise

    def __exit__(self, *failure):
        self.close()

    def start(self):
        self.artifacts.mkdir(parents=True, exist_ok=True)
        self._log_file = logging.FileHandler(self.artifacts / "harness.log")
        self._log_file.setFormatter(logging.Formatter("%(asctime)s.%(msecs)03d %(levelname)s %(message)s", "%H:%M:%S"))
        LOG.addHandler(self._log_file)
        if LOG.getEffectiveLevel() > logging.INFO:
            LOG.setLevel(logging.INFO)
        if self.template is not None:
            self.run_dir = Path(tempfile.mkdtemp(prefix="sarvello-e2e-pytest-run."))
            self._start_reaper()
            self.prefix = self.run_dir / "prefix"
            start = time.monotonic()
            self.template.copy_to(self.prefix)
            self._copied_at = time.time()
            LOG.info(f"prefix {self.prefix} copied from {self.template.path} in {time.monotonic() - start:.1f} s")
        elif not (self.prefix / "system.reg").exists():
            LOG.info(f"preparing the Wine prefix {self.prefix} (once)")
            boot_prefix(self.flavour, self.prefix)
        if self.display is None:
            mark_only = dict(os.environ, **{RUN_MARK: self.mark})
            self.xvfb, self.display = display.start_xvfb(mark_only, self.artifacts / "xvfb.log")
            LOG.info(f"Xvfb {self.xvfb.pid} on {self.display}")
        self.env = self.flavour.environment(self.prefix, self.mark, self.display)
        (self.prefix / "drive_c" / "sarvello").mkdir(exist_ok=True)
        return self

    def _start_reaper(self):
        reader, writer = os.pipe()
        env = {key: value for key, value in os.environ.items() if key != RUN_MARK}
        starter = subprocess.Popen([sys.executable, __file__, "--reap", self.mark, str(self.run_dir)], stdin=reader,
                                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, env=env,
                                   start_new_session=True)
        os.close(reader)
        starter.wait()
        self._reaper = writer

    def close(self):
        """Ends everything the machine started, by process id: its programs, the prefix's wineserver
        (and with it every process of the prefix), anything else carrying its mark, then Xvfb; removes
        the run's prefix; reads each program's standard error for faults. A prefix of the user's own
        is left to its wineserver, which ends by itself once its programs have. Safe to call twice."""
        with processes.signals_held():
            for process in self.processes:
                if process.popen.poll() is None:
                    process.popen.kill()
            if self.template is not None and self.env is not None:
                # Found before the wineserver ends, when every marked process's environment can be read.
                found = processes.marked(self.mark)
                start = time.monotonic()
                stop_wineserver(self.flavour, self.prefix)
                LOG.info(f"wineserver stopped in {time.monotonic() - start:.1f} s")
                left = [process for process in found + processes.marked(self.mark)
                        if processes.alive(process) and (self.xvfb is None or process.pid != self.xvfb.pid)]
                for process in {process.pid: process for process in left}.values():
                    self.leftovers.append(processes.describe(process))
                    LOG.warning(f"ending the leftover process {processes.describe(process)} by pid")
                processes.end(left)
            for process in self.processes:
                process.popen.wait()
                if not process.running() and process not in self._read:
                    self._read.append(process)
                    for fault in checks.faults(process.stderr(), process.label):
                        LOG.error(f"fault: {fault}")
                        self.faults.append(fault)
            if self.faults and self.run_dir is not None:
                self.collect()
            if self.xvfb is not None:
                display.stop_xvfb(self.xvfb)
                self.xvfb = None
            if self.run_dir is not None:
                remove_server_dir(self.prefix)
                self._check_template_untouched()
                shutil.rmtree(self.run_dir, ignore_errors=True)
                self.run_dir = None
            if self._reaper is not None:
                os.write(self._reaper, b"done")
                os.close(self._reaper)
                self._reaper = None
            self.env = None
            if self._log_file is not None:
                LOG.removeHandler(self._log_file)
                self._log_file.close()
                self._log_file = None

    def _check_template_untouched(self):
        """A hard-linked file written in place would have changed the template: rebuild it next time."""
        if self._copied_at is None:
            return
        for root, _, files in os.walk(self.prefix):
            for name in files:
                stat = os.lstat(Path(root) / name)
                if stat.st_nlink > 1 and stat.st_mtime > self._copied_at:
                    LOG.warning(f"the run wrote {Path(root) / name}, a file shared with the template; "
                                "the template will be rebuilt")
                    self.template.invalidate()
                    return

    # --- files ------------------------------------------------------------------------------------

    def host_path(self, winpath):
        """The host's path of a file or folder in the prefix, found without regard to case, as
        Windows finds it; FileNotFoundError when there is none."""
        parsed = re.fullmatch(r"([A-Za-z]):[\\/]*(.*)", winpath)
        if parsed is None:
            raise ValueError(f"not a Windows path: {winpath}")
        path = (self.prefix / "dosdevices" / f"{parsed[1].lower()}:").resolve()
        for part in filter(None, re.split(r"[\\/]+", parsed[2])):
            if (path / part).exists():
                path = path / part
                continue
            same = [entry for entry in path.iterdir() if entry.name.lower() == part.lower()] if path.is_dir() else []
            if not same:
                raise FileNotFoundError(f"no {winpath} in the prefix")
            path = same[0]
        return path

    def exists(self, winpath):
        try:
            self.host_path(winpath)
            return True
        except FileNotFoundError:
            return False

    def put(self, *files):
        """Copies files (the saver, helper programs, test libraries) into C:\\sarvello, beside the
        programs that are run from there."""
        folder = self.host_path(PROGRAM_FOLDER)
        for file in files:
            shutil.copy(file, folder / Path(file).name)
            LOG.info(f"put {file} into {PROGRAM_FOLDER}")

    def write_file(self, winpath, text):
        folder, _, name = winpath.replace("/", "\\").rpartition("\\")
        target = self.host_path(folder) / name
        target.with_name(name + ".partial").write_text(text)
        target.with_name(name + ".partial").rename(target)
        LOG.info(f"wrote {winpath}")

    def read_bytes(self, winpath):
        """A file of the prefix, also collected into the artifacts."""
        path = self.host_path(winpath)
        data = path.read_bytes()
        (self.artifacts / path.name).write_bytes(data)
        return data

    def read_text(self, winpath):
        """A text file of the prefix with LF line ends, also collected into the artifacts."""
        return self.read_bytes(winpath).decode("latin-1").replace("\r\n", "\n")

    def collect(self):
        """Copies into the artifacts what a failed test may need: the logs in the Windows folder and
        what the programs wrote beside them in C:\\sarvello (records and markers)."""
        for folder, keep in (("C:\\windows", lambda path: path.suffix.lower() == ".log"),
                             (PROGRAM_FOLDER, lambda path: path.suffix.lower() not in SHARED_SUFFIXES | {".scr"})):
            with contextlib.suppress(FileNotFoundError):
                for path in self.host_path(folder).iterdir():
                    if path.is_file() and keep(path) and not (self.artifacts / path.name).exists():
                        shutil.copy(path, self.artifacts / path.name)

    # --- registry ---------------------------------------------------------------------------------

    def _wine(self, *command):
        """Runs a Wine command of the machine to its end; its standard error is read for faults."""
        done = run_wine([self.flavour.loader, *command], self.env)
        for fault in checks.faults(done.stderr, command[0]):
            LOG.error(f"fault: {fault}")
            self.faults.append(fault)
        return done

    def set_registry(self, values):
        """Sets registry values with one `wine reg import`: {key: {name: value}}, each key by its
        root's whole name (HKEY_CURRENT_USER\\...), an int as REG_DWORD, a str as REG_SZ."""
        (self.host_path("C:\\windows\\temp") / "sarvello-import.reg").write_bytes(reg_file(values))
        for key, named in values.items():
            LOG.info(f"registry: [{key}] {named}")
        self._wine("reg", "import", "C:\\windows\\temp\\sarvello-import.reg")

    def export_registry(self, key):
        """`wine reg export` of a key with its subkeys, also kept in the artifacts; AssertionError
        when the key is not there."""
        file = self.host_path("C:\\windows\\temp") / "sarvello-export.reg"
        file.unlink(missing_ok=True)
        try:
            self._wine("reg", "export", key, "C:\\windows\\temp\\sarvello-export.reg", "/y")
        except RuntimeError as failed:
            raise AssertionError(f"no registry key {key} to export: {failed}") from None
        text = reg_text(file.read_bytes())
        (self.artifacts / (re.sub(r"[^A-Za-z0-9._-]", "_", key) + ".reg.txt")).write_text(text)
        return RegistryExport(text)

    # --- programs ---------------------------------------------------------------------------------

    def run(self, program, *args):
        """Starts a Windows program from C:\\sarvello (a host path is put there first; a bare name
        is one already there) with these arguments; its output goes to the artifacts."""
        if isinstance(program, Path):
            if not self.exists(f"{PROGRAM_FOLDER}\\{program.name}"):
                self.put(program)
            program = program.name
        label = Path(program).stem
        number = 2
        while any(process.label == label for process in self.processes):
            label = f"{Path(program).stem}-{number}"
            number += 1
        output = [self.artifacts / f"{label}.stdout", self.artifacts / f"{label}.stderr"]
        with open(output[0], "wb") as stdout, open(output[1], "wb") as stderr:
            popen = subprocess.Popen([str(self.flavour.loader), f"{PROGRAM_FOLDER}\\{program}", *args],
                                     cwd=self.host_path(PROGRAM_FOLDER), env=self.env, stdin=subprocess.DEVNULL,
                                     stdout=stdout, stderr=stderr, start_new_session=True)
        process = WindowsProcess(label, popen, output)
        self.processes.append(process)
        LOG.info(f"started {PROGRAM_FOLDER}\\{program} {' '.join(args)} as {label} (pid {popen.pid})")
        return process

    def processor_time(self, name):
        """The processor time used so far by this machine's one process called `name` (Wine names a
        Windows process after its program, e.g. Sarvello.scr)."""
        found = [process for process in processes.marked(self.mark)
                 if processes.alive(process) and process.name().lower() == name.lower()]
        if len(found) != 1:
            raise AssertionError(f"{len(found)} processes called {name} run, not one")
        sample = processor_time(found[0].pid)
        LOG.info(f"processor time of {name} (pid {sample.pid}): {sample.processor:.2f} s")
        return sample

    # --- screen and input -------------------------------------------------------------------------

    def screenshot(self, name=None):
        """The whole screen as an RGB picture; with a name also kept as NAME.png."""
        shot = display.screenshot(self.env)
        checks.named(shot, name or f"the screenshot at {time.monotonic() - self._started_at:.1f} s")
        if name:
            self.keep(shot, name)
        return shot

    def keep(self, shot, name):
        if name in self._saved:
            raise ValueError(f"a screenshot is already called {name}")
        self._saved.add(name)
        shot.save(self.artifacts / f"{name}.png", compress_level=1)
        LOG.info(f"screenshot {name}.png")

    def press(self, *keys):
        """Presses and releases X keysyms (space, Return, Escape, ctrl+c) one after the other."""
        display.xdotool(self.env, "key", *keys)

    def move(self, x, y):
        """Moves the pointer to screen pixel (x, y); it starts at the centre, (512, 384)."""
        display.xdotool(self.env, "mousemove", str(x), str(y))

    def click(self, button=1, times=1):
        """Presses and releases a button where the pointer is (1 left, 2 middle, 3 right), `times`
        times 100 ms apart: two are a double click."""
        display.xdotool(self.env, "click", "--repeat", str(times), "--delay", "100", str(button))

    # --- waiting ----------------------------------------------------------------------------------

    def wait_until(self, condition, what, timeout=60, interval=0.1):
        """Calls `condition` until it returns a true value, which is returned. An AssertionError from
        it counts as not yet; the last one is reported when `timeout` seconds have passed, or when
        every program started here has ended (nothing is left to bring the condition about)."""
        start = time.monotonic()
        last = None
        while True:
            ended = bool(self.processes) and not any(process.running() for process in self.processes)
            try:
                value = condition()
                if value:
                    LOG.info(f"{what}: after {time.monotonic() - start:.1f} s")
                    return value
            except AssertionError as failed:
                last = failed
            why = f": {last}" if last else ""
            if ended:
                codes = ", ".join(f"{process.label} {process.code}" for process in self.processes)
                raise WaitTimeout(f"{what}: every program had ended ({codes}) before it came{why}")
            if time.monotonic() - start >= timeout:
                raise WaitTimeout(f"{what}: not there after {timeout} s{why}")
            time.sleep(interval)

    def wait_for_file(self, winpath, timeout=60):
        """Waits until a file exists, e.g. a marker a helper program writes once its window shows."""
        self.wait_until(lambda: self.exists(winpath), f"{winpath} is there", timeout)

    def wait_for_line(self, winpath, text, count=1, timeout=60):
        """Waits until `count` lines of a text file (a log) contain `text`."""
        def counted():
            try:
                lines = self.host_path(winpath).read_bytes().decode("latin-1").splitlines()
            except FileNotFoundError:
                return False
            return sum(text in line for line in lines) >= count

        self.wait_until(counted, f"{count} line(s) with {text!r} in {winpath}", timeout)

    def wait_for_screen(self, check, what, name=None, timeout=60):
        """Takes screenshots until `check` passes on one (raises no AssertionError); returns it, kept
        as NAME.png when named. On a timeout the last one is kept as NAME-last.png."""
        last = []

        def look():
            last[:] = [self.screenshot()]
            check(last[0])
            return True

        try:
            self.wait_until(look, what, timeout, interval=0.3)
        except WaitTimeout:
            if last:
                self.keep(last[0], f"{name or re.sub(r'[^A-Za-z0-9]+', '_', what)}-last")
            raise
        if name:
            self.keep(checks.named(last[0], name), name)
        return last[0]



if __name__ == "__main__":
    if sys.argv[1:] == ["--probe"]:
        flavour = probe()
        if flavour is None:
            sys.exit(f"e2e: no working Wine here: neither {WINE_DIR}/wine nor {WINE_DIR}/wine64 runs")
        print(flavour)
    elif len(sys.argv) == 4 and sys.argv[1] == "--reap":
        reap(sys.argv[2], sys.argv[3])
    else:
        sys.exit("usage: machine.py --probe")
