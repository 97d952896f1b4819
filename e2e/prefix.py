"""Wine prefixes for the e2e tests: the flavour of Wine that runs a build, the environment its
commands get, booting a prefix, and the template prefix that each run's prefix is copied from."""

import contextlib
import logging
import os
import re
import shutil
import subprocess
import tempfile
import time
from pathlib import Path

import filelock

import processes
import registry

LOG = logging.getLogger("sarvello.e2e")
WINE_DIR = Path(os.environ.get("SARVELLO_E2E_WINE_DIR", "/usr/lib/wine"))
SCREEN = "1024x768"
# Bumped when the template's content changes, so that older templates are rebuilt.
TEMPLATE_FORMAT = 3
# What every run's standard error carries for the fault check (checks.faults), whatever else
# SARVELLO_E2E_WINEDEBUG asks for: every exception dispatched and every one that ended badly (seh),
# each line with its Windows process and thread (pid), and the modules each process loads
# (loaddll), the first of which names the process's program.
FAULT_CHANNELS = "err+seh,warn+seh,+pid,+loaddll"
# Windows binaries that a run never writes: a run's prefix hard-links them to the template instead
# of copying ~600 MB. Everything else is copied: the wineserver rewrites the .reg files in place.
SHARED_SUFFIXES = frozenset(".dll .exe .drv .sys .ocx .cpl .acm .ax .tlb .ds .nls .com .msstyles".split())
TEMPLATE_FILES = (".sarvello-template-ok", "wineserver")
TEMPLATE_REGISTRY = {
    # The prefix's default desktop: a virtual desktop of the screen's size. Full-screen DirectDraw
    # works there, and unlike "wine explorer /desktop=..." the program's exit code still comes back.
    r"HKEY_CURRENT_USER\Software\Wine\Explorer": {"Desktop": "Default"},
    r"HKEY_CURRENT_USER\Software\Wine\Explorer\Desktops": {"Default": SCREEN},
    # A fault leaves its lines on standard error and ends the program; no crash dialog waits for a
    # user who is not there.
    r"HKEY_CURRENT_USER\Software\Wine\WineDbg": {"ShowCrashDialog": 0},
    # DirectDraw through Wine's GDI renderer: where Wine finds Mesa (the 64-bit Wine of a host that
    # runs no 32-bit code) its default is OpenGL drawn by the processor, under which the preview
    # measured 62-72 % of a processor against under 15 % with the GDI renderer: the time was Mesa's.
    r"HKEY_CURRENT_USER\Software\Wine\Direct3D": {"renderer": "gdi"},
}


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
        debug = os.environ.get("SARVELLO_E2E_WINEDEBUG", "-all")
        env.update(WINEPREFIX=str(prefix), WINEARCH=self.name, WINELOADER=str(self.loader),
                   WINESERVER=str(self.server), WINEDEBUG=f"{debug},{FAULT_CHANNELS}",
                   WINEDLLOVERRIDES="mscoree,mshtml=")
        env[processes.RUN_MARK] = mark
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


def run_wine(command, env, timeout=120):
    """Runs a Wine command (or a tool on the machine's display) to its end; what it printed goes to
    the log; failure or a timeout raises. Returns the finished process."""
    start = time.monotonic()
    done = subprocess.run([str(part) for part in command], env=env, stdin=subprocess.DEVNULL, capture_output=True,
                          text=True, errors="replace", timeout=timeout)
    output = "\n".join(processes.without_traces((done.stdout + done.stderr).strip().splitlines()))
    LOG.info(f"{' '.join(str(part) for part in command[:4])}: exit {done.returncode} after "
             f"{time.monotonic() - start:.1f} s" + (f"\n{output}" if output else ""))
    if done.returncode != 0:
        raise RuntimeError(f"{' '.join(map(str, command))} failed with exit {done.returncode}: {output}")
    return done


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


def boot_prefix(flavour, prefix):
    """Boots a fresh prefix (10-30 s) with the template's settings (TEMPLATE_REGISTRY)."""
    mark = processes.new_mark()
    env = flavour.environment(prefix, mark)
    try:
        run_wine([flavour.loader, "wineboot", "-i"], env, timeout=300)
        run_wine([flavour.server, "-w"], env, timeout=300)
        regfile = Path(prefix) / "drive_c" / "windows" / "temp" / "sarvello-template.reg"
        regfile.write_bytes(registry.reg_file(TEMPLATE_REGISTRY))
        run_wine([flavour.loader, "reg", "import", "C:\\windows\\temp\\sarvello-template.reg"], env)
        regfile.unlink()
        run_wine([flavour.server, "-w"], env, timeout=300)
    finally:
        stop_wineserver(flavour, prefix)
        processes.end(processes.marked(mark))
        remove_server_dir(prefix)
    user = (Path(prefix) / "user.reg").read_text(errors="replace")
    if ('"Desktop"="Default"' not in user or '"renderer"="gdi"' not in user
            or not (Path(prefix) / "drive_c" / "windows" / "system32").is_dir()):
        raise RuntimeError(f"the booted prefix {prefix} lacks its settings or drive_c")


def copy_prefix(source, dest):
    """Copies a prefix: a hard link for each Windows binary, a copy of everything else."""
    for root, folders, files in os.walk(source):
        into = Path(dest) / os.path.relpath(root, source)
        into.mkdir(parents=True, exist_ok=True)
        for name in folders + files:
            origin = Path(root) / name
            if origin.is_symlink():
                os.symlink(os.readlink(origin), into / name)
            elif name in files and root == str(source) and name in TEMPLATE_FILES:
                continue
            elif name in files:
                if origin.suffix.lower() in SHARED_SUFFIXES:
                    os.link(origin, into / name)
                else:
                    shutil.copy2(origin, into / name)


class Template:
    """The booted prefix that each run's prefix is copied from, one per flavour and user. It is
    booted under an exclusive lock (Debian 12's filelock has no shared one) and copied without it: a
    marker written last, with the Wine version and the boot's own time, tells a complete template
    from one cut short (rebuilt), and a copy whose template's marker changed while it was made (the
    template was rebuilt meanwhile) is made again."""

    def __init__(self, flavour):
        self.flavour = flavour
        # One per format: branches of different formats on one host do not rebuild each other's.
        self.path = Path(tempfile.gettempdir()) / f"sarvello-e2e-pytest-template-{flavour.name}-{os.getuid()}-" \
                                                  f"{TEMPLATE_FORMAT}"
        self.marker = self.path / TEMPLATE_FILES[0]
        self.lock = filelock.FileLock(f"{self.path}.lock", timeout=900)

    def _wanted(self):
        return f"sarvello e2e template {TEMPLATE_FORMAT} {self.flavour.name} {self.flavour.version()} {SCREEN}"

    def _ready(self):
        """The marker of a complete template of this format and Wine, or None."""
        try:
            text = self.marker.read_text()
        except OSError:
            return None
        return text if text.split("\n")[0] == self._wanted() else None

    def ensure(self):
        """Boots the template unless it is complete; returns its marker."""
        ready = self._ready()
        if ready:
            return ready
        with self.lock:
            ready = self._ready()
            if not ready:
                LOG.info(f"booting the {self.flavour.name} template prefix {self.path} (once per host and Wine version)")
                shutil.rmtree(self.path, ignore_errors=True)
                boot_prefix(self.flavour, self.path)
                ready = f"{self._wanted()}\nbooted {time.time_ns()}\n"
                self.marker.write_text(ready)
            return ready

    def copy_to(self, dest):
        """Copies the template to dest, booting it first unless it is complete."""
        for _ in range(3):
            ready = self.ensure()
            try:
                copy_prefix(self.path, dest)
                error = None if self._ready() == ready else "it was rebuilt meanwhile"
            except OSError as failed:
                error = failed
            if error is None:
                return
            LOG.warning(f"copying the template {self.path} again: {error}")
            shutil.rmtree(dest, ignore_errors=True)
        raise RuntimeError(f"the template {self.path} could not be copied: {error}")

    def invalidate(self):
        self.marker.unlink(missing_ok=True)
