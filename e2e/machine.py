#!/usr/bin/env python3
"""A Windows machine under Wine for the e2e tests: a private Xvfb, a Wine prefix copied from a booted
template, and the Windows programs started in it, with their screen, input, files and registry.

Everything a machine starts carries its mark (SARVELLO_E2E_RUN=<id>) in its environment, which
Wine hands on to the wineserver and every Windows process of the prefix; that is how a machine
finds its own processes, and it ends them by process id, never by name, so that runs in parallel
do not disturb each other. A reaper process ends them too if the owner dies without closing.

As a program: `machine.py --probe` prints the Wine flavour this host runs (win32 or win64).
"""

import contextlib
import fcntl
import io
import os
import re
import select
import shutil
import signal
import subprocess
import sys
import tempfile
import time
from pathlib import Path

from PIL import Image

import checks

WINE_DIR = Path(os.environ.get("SARVELLO_E2E_WINE_DIR", "/usr/lib/wine"))
SCREEN = "1024x768"
RUN_MARK = "SARVELLO_E2E_RUN"
# Bumped when the template's content changes, so that older templates are rebuilt.
TEMPLATE_FORMAT = 2
# Windows binaries that a run never writes: a run's prefix hard-links them to the template instead
# of copying ~600 MB. Everything else is copied: the wineserver rewrites the .reg files in place.
SHARED_SUFFIXES = frozenset(".dll .exe .drv .sys .ocx .cpl .acm .ax .tlb .ds .nls .com .msstyles".split())
# Where a machine puts the programs it runs, and starts them from.
PROGRAM_FOLDER = "C:\\sarvello"
# The prefix's settings. Its default desktop: a virtual desktop of the screen's size. Full-screen
# DirectDraw works there, and unlike "wine explorer /desktop=..." the program's exit code still comes
# back. DirectDraw through Wine's GDI renderer: where Wine finds Mesa (the 64-bit Wine of a host
# that runs no 32-bit code) its default is OpenGL drawn by the processor, under which the preview
# measured 62-72 % of a processor against under 15 % with the GDI renderer: the time was Mesa's.
PREFIX_SETTINGS = {
    r"HKEY_CURRENT_USER\Software\Wine\Explorer": {"Desktop": "Default"},
    r"HKEY_CURRENT_USER\Software\Wine\Explorer\Desktops": {"Default": SCREEN},
    r"HKEY_CURRENT_USER\Software\Wine\Direct3D": {"renderer": "gdi"},
}


class WaitTimeout(AssertionError):
    """What a test waited for did not come."""


class Flavour:
    """The Wine that runs one kind of Windows program: win32 (PE32) or win64 (PE32+)."""

    def __init__(self, name):
        if name not in ("win32", "win64"):
            raise ValueError(f"no Wine flavour {name!r}")
        self.name = name
        # /usr/bin/wine always picks the 32-bit loader when wine32 is installed: the 64-bit one is
        # called directly, with WINELOADER and WINESERVER naming the 64-bit pieces.
        self.loader = WINE_DIR / ("wine" if name == "win32" else "wine64")
        server = WINE_DIR / "wineserver64"
        self.server = server if server.exists() else WINE_DIR / "wineserver32"
        self._version = None

    def version(self):
        if self._version is None:
            done = subprocess.run([self.loader, "--version"], capture_output=True, text=True, timeout=60)
            self._version = done.stdout.strip() if done.returncode == 0 else None
        return self._version

    def works(self):
        """True when this host runs the flavour's loader: the 32-bit one fails with "Exec format
        error" where the kernel runs no 32-bit code."""
        try:
            return self.version() is not None and os.access(self.server, os.X_OK)
        except OSError:
            return False

    def environment(self, prefix, mark, display=None):
        env = dict(os.environ)
        env.update(WINEPREFIX=str(prefix), WINEARCH=self.name, WINELOADER=str(self.loader),
                   WINESERVER=str(self.server), WINEDEBUG=os.environ.get("SARVELLO_E2E_WINEDEBUG", "-all"),
                   WINEDLLOVERRIDES="mscoree,mshtml=")
        env[RUN_MARK] = mark
        if display:
            env["DISPLAY"] = display
        return env


def probe():
    """The flavour of Wine this host runs ("win32" where 32-bit programs run), or None."""
    return next((name for name in ("win32", "win64") if Flavour(name).works()), None)


def pe_flavour(path):
    """win32 for a PE32 program, win64 for a PE32+ one; ValueError for anything else."""
    data = Path(path).read_bytes()[:4096]
    offset = int.from_bytes(data[60:64], "little") if data[:2] == b"MZ" else 0
    if offset and data[offset:offset + 4] == b"PE\0\0":
        magic = data[offset + 24:offset + 26]
        if magic in (b"\x0b\x01", b"\x0b\x02"):
            return "win32" if magic == b"\x0b\x01" else "win64"
    raise ValueError(f"{path} is not a Windows PE32 or PE32+ program")


# --- processes ------------------------------------------------------------------------------------

def new_mark():
    return f"{os.getpid()}-{time.time_ns()}"


def alive(pid):
    """Running, or a zombie leader whose other threads still run (seen: winedevice.exe kept by a
    native libusb thread after its main thread ended)."""
    try:
        state = Path(f"/proc/{pid}/stat").read_text().rsplit(") ", 1)[1].split()[0]
        if state != "Z":
            return True
        threads = re.search(r"^Threads:\s*(\d+)", Path(f"/proc/{pid}/status").read_text(), re.M)
        return threads is not None and int(threads[1]) > 1
    except (OSError, IndexError):
        return False


def process_name(pid):
    try:
        return Path(f"/proc/{pid}/comm").read_text().strip()
    except OSError:
        return "?"


def marked_pids(mark):
    """The live processes carrying the mark. Every thread's environment is read: that of a zombie
    leader whose native threads live on cannot be."""
    needle = f"{RUN_MARK}={mark}".encode()
    found = []
    for entry in os.scandir("/proc"):
        if not entry.name.isdigit():
            continue
        try:
            tasks = os.listdir(f"/proc/{entry.name}/task")
        except OSError:
            continue
        for task in tasks:
            try:
                with open(f"/proc/{entry.name}/task/{task}/environ", "rb") as environ:
                    if needle in environ.read().split(b"\0"):
                        found.append(int(entry.name))
                        break
            except OSError:
                continue
    return sorted(pid for pid in found if alive(pid))


def processor_time(pid):
    """The processor time a process has used so far, all its threads, as /proc/PID/stat has it."""
    fields = Path(f"/proc/{pid}/stat").read_text().rsplit(") ", 1)[1].split()
    # After the name: the state is field 3 of the line, utime 14 and stime 15.
    return checks.CpuSample(pid, process_name(pid), time.monotonic(), int(fields[11]) + int(fields[12]),
                            os.sysconf("SC_CLK_TCK"))


def kill(pid):
    with contextlib.suppress(ProcessLookupError):
        os.kill(pid, signal.SIGKILL)


@contextlib.contextmanager
def signals_held():
    """Holds back SIGINT, SIGTERM and SIGHUP while a clean-up runs, so that it is not cut short."""
    held = {signal.SIGINT, signal.SIGTERM, signal.SIGHUP}
    before = signal.pthread_sigmask(signal.SIG_BLOCK, held)
    try:
        yield
    finally:
        signal.pthread_sigmask(signal.SIG_SETMASK, before)


def stop_wineserver(flavour, prefix):
    """Ends the prefix's wineserver, and with it every process of the prefix, and waits for it."""
    env = dict(os.environ, WINEPREFIX=str(prefix))
    with contextlib.suppress(subprocess.TimeoutExpired):
        subprocess.run([flavour.server, "-k"], env=env, capture_output=True, timeout=30)
        subprocess.run([flavour.server, "-w"], env=env, capture_output=True, timeout=30)


def remove_server_dir(prefix):
    """Debian's Wine keeps a prefix's wineserver socket under $TMPDIR/<the name in PREFIX/wineserver>,
    where it outlives the wineserver."""
    named = Path(prefix) / "wineserver"
    try:
        name = named.read_text().strip()
    except OSError:
        return
    if re.fullmatch(r"wine-\w+", name):
        folder = Path(tempfile.gettempdir()) / name
        with contextlib.suppress(OSError):
            stat = os.stat(prefix)
            shutil.rmtree(folder / f"server-{stat.st_dev:x}-{stat.st_ino:x}", ignore_errors=True)
            folder.rmdir()
    named.unlink(missing_ok=True)


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
        pids = marked_pids(mark)
        if not pids:
            break
        for pid in pids:
            kill(pid)
        time.sleep(0.5)
    remove_server_dir(Path(run_dir) / "prefix")
    shutil.rmtree(run_dir, ignore_errors=True)


# --- prefixes -------------------------------------------------------------------------------------

class FileLock:
    """flock(2) on a file, shared or exclusive, with a timeout."""

    def __init__(self, path):
        self.path = path
        self.fd = os.open(path, os.O_RDWR | os.O_CREAT, 0o644)

    def acquire(self, shared, timeout=900):
        end = time.monotonic() + timeout
        while True:
            try:
                fcntl.flock(self.fd, (fcntl.LOCK_SH if shared else fcntl.LOCK_EX) | fcntl.LOCK_NB)
                return
            except BlockingIOError:
                if time.monotonic() >= end:
                    raise TimeoutError(f"waited {timeout} s for the lock {self.path}") from None
                time.sleep(0.1)

    def release(self):
        fcntl.flock(self.fd, fcntl.LOCK_UN)


def run_logged(command, env, log, timeout=120):
    """Runs a Wine command; its output goes to the log; failure or a timeout raises."""
    start = time.monotonic()
    done = subprocess.run([str(part) for part in command], env=env, stdin=subprocess.DEVNULL, capture_output=True,
                          text=True, errors="replace", timeout=timeout)
    output = (done.stdout + done.stderr).strip()
    log(f"{' '.join(str(part) for part in command[:4])}: exit {done.returncode} after "
        f"{time.monotonic() - start:.1f} s" + (f"\n{output}" if output else ""))
    if done.returncode != 0:
        raise RuntimeError(f"{' '.join(map(str, command))} failed with exit {done.returncode}: {output}")
    return done


def registry_file(values):
    """A .reg file (UTF-16 with its byte order mark, as `reg export` writes them) that sets the values
    {key: {name: value}}: an int as REG_DWORD, a str as REG_SZ; name "@" is the key's default value."""
    def quoted(text):
        return '"' + text.replace("\\", "\\\\").replace('"', '\\"') + '"'

    lines = ["Windows Registry Editor Version 5.00", ""]
    for key, named in values.items():
        if not key.startswith("HKEY_"):
            raise ValueError(f"a registry key starts with its root's whole name (HKEY_CURRENT_USER\\...): {key}")
        lines.append(f"[{key}]")
        for name, value in named.items():
            if isinstance(value, bool) or not isinstance(value, (int, str)):
                raise TypeError(f"{key} {name}: an int (REG_DWORD) or a str (REG_SZ), not {value!r}")
            data = f"dword:{value & 0xFFFFFFFF:08x}" if isinstance(value, int) else quoted(value)
            lines.append(f"{'@' if name == '@' else quoted(name)}={data}")
        lines.append("")
    return b"\xff\xfe" + "\r\n".join(lines + [""]).encode("utf-16-le")


def boot_prefix(flavour, prefix, log):
    """Boots a fresh prefix (10-30 s) whose default desktop is the virtual desktop."""
    mark = new_mark()
    env = flavour.environment(prefix, mark)
    try:
        run_logged([flavour.loader, "wineboot", "-i"], env, log, timeout=300)
        run_logged([flavour.server, "-w"], env, log, timeout=300)
        regfile = Path(prefix) / "drive_c" / "windows" / "temp" / "sarvello-desktop.reg"
        regfile.write_bytes(registry_file(PREFIX_SETTINGS))
        run_logged([flavour.loader, "reg", "import", "C:\\windows\\temp\\sarvello-desktop.reg"], env, log)
        regfile.unlink()
        run_logged([flavour.server, "-w"], env, log, timeout=300)
    finally:
        stop_wineserver(flavour, prefix)
        for pid in marked_pids(mark):
            kill(pid)
        remove_server_dir(prefix)
    user = (Path(prefix) / "user.reg").read_text(errors="replace")
    if '"Desktop"="Default"' not in user or not (Path(prefix) / "drive_c" / "windows" / "system32").is_dir():
        raise RuntimeError(f"the booted prefix {prefix} lacks its desktop settings or drive_c")


def copy_prefix(source, dest):
    """Copies a prefix: a hard link for each Windows binary, a copy of everything else."""
    for root, folders, files in os.walk(source):
        into = Path(dest) / os.path.relpath(root, source)
        into.mkdir(parents=True, exist_ok=True)
        for name in folders + files:
            origin = Path(root) / name
            if origin.is_symlink():
                os.symlink(os.readlink(origin), into / name)
            elif name in files and root == str(source) and name in (".sarvello-template-ok", "wineserver"):
                continue
            elif name in files:
                if origin.suffix.lower() in SHARED_SUFFIXES:
                    os.link(origin, into / name)
                else:
                    shutil.copy2(origin, into / name)


class Template:
    """The booted prefix that each run's prefix is copied from, one per flavour and user; booted once
    under an exclusive lock, copied under a shared one. A marker written last (with the Wine
    version) tells a complete template from one cut short, which is rebuilt."""

    def __init__(self, flavour):
        self.flavour = flavour
        self.path = Path(tempfile.gettempdir()) / f"sarvello-e2e-pytest-template-{flavour.name}-{os.getuid()}"
        self.marker = self.path / ".sarvello-template-ok"
        self.lock = FileLock(f"{self.path}.lock")

    def _marker_text(self):
        return f"sarvello e2e template {TEMPLATE_FORMAT} {self.flavour.name} {self.flavour.version()} {SCREEN}\n"

    def _ready(self):
        try:
            return self.marker.read_text() == self._marker_text()
        except OSError:
            return False

    @contextlib.contextmanager
    def _held(self, log):
        self.lock.acquire(shared=True)
        try:
            if not self._ready():
                self.lock.release()
                self.lock.acquire(shared=False)
                if not self._ready():
                    log(f"booting the {self.flavour.name} template prefix {self.path} (once per host and Wine version)")
                    shutil.rmtree(self.path, ignore_errors=True)
                    boot_prefix(self.flavour, self.path, log)
                    self.marker.write_text(self._marker_text())
            yield
        finally:
            self.lock.release()

    def ensure(self, log):
        with self._held(log):
            pass

    def copy_to(self, dest, log):
        with self._held(log):
            copy_prefix(self.path, dest)

    def invalidate(self):
        self.marker.unlink(missing_ok=True)


def start_xvfb(env, log_path):
    """Starts Xvfb at 16-bit depth (a 5x6x5 desktop, so the windowed preview works) on the first free
    display; -displayfd tells which once it accepts connections."""
    reader, writer = os.pipe()
    with open(log_path, "ab") as log:
        xvfb = subprocess.Popen(["Xvfb", "-displayfd", str(writer), "-screen", "0", f"{SCREEN}x16", "-nolisten", "tcp"],
                                pass_fds=(writer,), env=env, stdin=subprocess.DEVNULL, stdout=log,
                                stderr=subprocess.STDOUT, start_new_session=True)
    os.close(writer)
    # Xvfb writes the number and its newline apart, and stops if the pipe is gone before the newline.
    number = b""
    try:
        end = time.monotonic() + 30
        while not number.endswith(b"\n") and select.select([reader], [], [], max(0, end - time.monotonic()))[0]:
            more = os.read(reader, 32)
            if not more:
                break
            number += more
    finally:
        os.close(reader)
    number = number.decode().strip()
    if not number.isdigit():
        xvfb.kill()
        xvfb.wait()
        raise RuntimeError(f"Xvfb did not start (its log: {log_path})")
    return xvfb, f":{number}"


# --- the machine ----------------------------------------------------------------------------------

class RegistryExport:
    """A `reg export` of a key and its subkeys: `keys` maps each key, in the order written, to its
    values: a DWORD as int, a string as str, anything else as the text after "=" (name "@" is the
    key's default value). `text` is the export itself, UTF-8 with LF line ends."""

    VALUE = re.compile(r'(@|"((?:[^"\\]|\\.)*)")=(.*)')

    def __init__(self, text):
        self.text = text
        self.keys = {}
        values = None
        lines = iter(text.split("\n"))
        for line in lines:
            while line.endswith(",\\"):
                line = line[:-1] + next(lines, "").strip()
            if line.startswith("[") and line.endswith("]"):
                values = self.keys.setdefault(line[1:-1], {})
            elif values is not None and (value := self.VALUE.fullmatch(line)):
                data = value[3]
                if data.startswith("dword:"):
                    data = int(data[6:], 16)
                elif len(data) >= 2 and data[0] == data[-1] == '"':
                    data = re.sub(r"\\(.)", r"\1", data[1:-1])
                values["@" if value[1] == "@" else re.sub(r"\\(.)", r"\1", value[2])] = data

    def __getitem__(self, key):
        return self.keys[key]


class WindowsProcess:
    """A Windows program started in a machine; `wait` gives its exit code (the low 8 bits: -1
    comes back as 255)."""

    def __init__(self, machine, label, popen, output):
        self.machine = machine
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
            self.machine.log(f"{self.label} exited {self.code} after {time.monotonic() - self.started:.1f} s")
        return self.code is None

    def wait(self, timeout=60):
        try:
            self.popen.wait(timeout)
        except subprocess.TimeoutExpired:
            raise WaitTimeout(f"{self.label} still runs after {timeout} s\n{self.output()}") from None
        self.running()
        return self.code

    def output(self):
        """What the program wrote on its standard output and error (as the program wrote it: text-mode
        output has CR LF line ends), the last 80 lines of each."""
        parts = []
        for path in self.output_files:
            lines = path.read_text(errors="replace").splitlines()
            parts.append(f"--- {path.name} ({len(lines)} lines) ---\n" + "\n".join(lines[-80:]))
        return "\n".join(parts)


class Machine:
    """A Windows machine under Wine: an X display (a private Xvfb unless one is given), a Wine prefix
    (a copy of the template, or a prefix of the user's own that is kept) and the programs started
    in it. What it collects goes to `artifacts`: screenshots, program output, files read, registry
    exports and harness.log, a log of what was done when. Use it as a context manager."""

    def __init__(self, flavour, artifacts, template=None, prefix=None, display=None):
        if (template is None) == (prefix is None):
            raise ValueError("a machine needs a template to copy or a prefix of its own")
        self.flavour = flavour
        self.artifacts = Path(artifacts)
        self.template = template
        self.prefix = Path(prefix) if prefix else None
        self.display = display
        self.mark = new_mark()
        self.processes = []
        self.xvfb = None
        self.run_dir = None
        self.env = None
        self.leftovers = []
        self._reaper = None
        self._copied_at = None
        self._saved = set()
        self._started_at = time.monotonic()

    def __enter__(self):
        try:
            return self.start()
        except BaseException:
            self.close()
            raise

    def __exit__(self, *failure):
        self.close()

    def log(self, text):
        line = f"{time.monotonic() - self._started_at:8.3f}s {text}"
        with open(self.artifacts / "harness.log", "a") as log:
            log.write(line + "\n")
        print(line, flush=True)

    def start(self):
        self.artifacts.mkdir(parents=True, exist_ok=True)
        if self.template is not None:
            self.run_dir = Path(tempfile.mkdtemp(prefix="sarvello-e2e-pytest-run."))
            self._start_reaper()
            self.prefix = self.run_dir / "prefix"
            start = time.monotonic()
            self.template.copy_to(self.prefix, self.log)
            self._copied_at = time.time()
            self.log(f"prefix {self.prefix} copied from {self.template.path} in {time.monotonic() - start:.1f} s")
        elif not (self.prefix / "system.reg").exists():
            self.log(f"preparing the Wine prefix {self.prefix} (once)")
            boot_prefix(self.flavour, self.prefix, self.log)
        if self.display is None:
            mark_only = dict(os.environ, **{RUN_MARK: self.mark})
            self.xvfb, self.display = start_xvfb(mark_only, self.artifacts / "xvfb.log")
            self.log(f"Xvfb {self.xvfb.pid} on {self.display}")
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
        the run's prefix. A prefix of the user's own is left to its wineserver, which ends by itself
        once its programs have. Safe to call twice."""
        with signals_held():
            for process in self.processes:
                if process.popen.poll() is None:
                    kill(process.pid)
            if self.template is None:
                for process in self.processes:
                    process.popen.wait()
                    process.running()
                return
            if self.env is not None:
                start = time.monotonic()
                stop_wineserver(self.flavour, self.prefix)
                self.log(f"wineserver stopped in {time.monotonic() - start:.1f} s")
            for process in self.processes:
                try:
                    process.popen.wait(10)
                except subprocess.TimeoutExpired:
                    kill(process.pid)
                    process.popen.wait()
                process.running()
            for pid in marked_pids(self.mark):
                if self.xvfb is None or pid != self.xvfb.pid:
                    self.leftovers.append(f"{pid} ({process_name(pid)})")
                    self.log(f"warning: ending the leftover process {pid} ({process_name(pid)}) by pid")
                    kill(pid)
            if self.xvfb is not None:
                self.xvfb.terminate()
                try:
                    self.xvfb.wait(5)
                except subprocess.TimeoutExpired:
                    self.xvfb.kill()
                    self.xvfb.wait()
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

    def _check_template_untouched(self):
        """A hard-linked file written in place would have changed the template: rebuild it next time."""
        if self._copied_at is None:
            return
        for root, _, files in os.walk(self.prefix):
            for name in files:
                stat = os.lstat(Path(root) / name)
                if stat.st_nlink > 1 and stat.st_mtime > self._copied_at:
                    self.log(f"warning: the run wrote {Path(root) / name}, a file shared with the template; "
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
            self.log(f"put {file} into {PROGRAM_FOLDER}")

    def write_file(self, winpath, text):
        folder, _, name = winpath.replace("/", "\\").rpartition("\\")
        target = self.host_path(folder) / name
        target.with_name(name + ".partial").write_text(text)
        target.with_name(name + ".partial").rename(target)
        self.log(f"wrote {winpath}")

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

    def set_registry(self, values):
        """Sets registry values with one `wine reg import`: {key: {name: value}}, each key by its
        root's whole name (HKEY_CURRENT_USER\\...), an int as REG_DWORD, a str as REG_SZ."""
        (self.host_path("C:\\windows\\temp") / "sarvello-import.reg").write_bytes(registry_file(values))
        for key, named in values.items():
            self.log(f"registry: [{key}] {named}")
        run_logged([self.flavour.loader, "reg", "import", "C:\\windows\\temp\\sarvello-import.reg"], self.env, self.log)

    def export_registry(self, key):
        """`wine reg export` of a key with its subkeys, also kept in the artifacts; AssertionError
        when the key is not there."""
        file = self.host_path("C:\\windows\\temp") / "sarvello-export.reg"
        file.unlink(missing_ok=True)
        try:
            run_logged([self.flavour.loader, "reg", "export", key, "C:\\windows\\temp\\sarvello-export.reg", "/y"],
                       self.env, self.log)
        except RuntimeError as failed:
            raise AssertionError(f"no registry key {key} to export: {failed}") from None
        data = file.read_bytes()
        text = (data.decode("utf-16") if data[:2] == b"\xff\xfe" else data.decode("latin-1")).replace("\r\n", "\n")
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
        process = WindowsProcess(self, label, popen, output)
        self.processes.append(process)
        self.log(f"started {PROGRAM_FOLDER}\\{program} {' '.join(args)} as {label} (pid {popen.pid})")
        return process

    def processor_time(self, name):
        """The processor time used so far by this machine's one process called `name` (Wine names a
        Windows process after its program, e.g. Sarvello.scr)."""
        pids = [pid for pid in marked_pids(self.mark) if process_name(pid).lower() == name.lower()]
        if len(pids) != 1:
            raise AssertionError(f"{len(pids)} processes called {name} run, not one")
        sample = processor_time(pids[0])
        self.log(f"processor time of {name} (pid {sample.pid}): {sample.ticks} ticks")
        return sample

    # --- screen and input -------------------------------------------------------------------------

    def screenshot(self, name=None):
        """The whole screen as an RGB picture; with a name also kept as NAME.png."""
        # 8 bits per channel: Pillow reads ImageMagick's 16-bit PPM forty times slower.
        done = subprocess.run(["import", "-window", "root", "-depth", "8", "ppm:-"], env=self.env, capture_output=True,
                              timeout=60)
        if done.returncode != 0:
            raise RuntimeError(f"import -window root failed: {done.stderr.decode(errors='replace')}")
        when = time.monotonic() - self._started_at
        shot = Image.open(io.BytesIO(done.stdout)).convert("RGB")
        checks.named(shot, name or f"the screenshot at {when:.1f} s")
        if name:
            self.keep(shot, name)
        return shot

    def keep(self, shot, name):
        if name in self._saved:
            raise ValueError(f"a screenshot is already called {name}")
        self._saved.add(name)
        shot.save(self.artifacts / f"{name}.png", compress_level=1)
        self.log(f"screenshot {name}.png")

    def _xdotool(self, *args):
        # Input through XTEST, as a user's; never --window, which sends synthetic events.
        run_logged(["xdotool", *args], self.env, self.log, timeout=20)

    def press(self, *keys):
        """Presses and releases X keysyms (space, Return, Escape, ctrl+c) one after the other."""
        self._xdotool("key", *keys)

    def move(self, x, y):
        """Moves the pointer to screen pixel (x, y); it starts at the centre, (512, 384)."""
        self._xdotool("mousemove", str(x), str(y))

    def click(self, button=1, times=1):
        """Presses and releases a button where the pointer is (1 left, 2 middle, 3 right), `times`
        times 100 ms apart: two are a double click."""
        self._xdotool("click", "--repeat", str(times), "--delay", "100", str(button))

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
                    self.log(f"{what}: after {time.monotonic() - start:.1f} s")
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
