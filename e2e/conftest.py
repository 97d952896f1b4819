"""Fixtures of the tests under Wine: the build that holds the Windows programs, the booted template
prefix (once per session and flavour), and a fresh machine for each test, whose artifacts are kept
when the test fails."""

import os
import re
import shutil
import signal
import threading
import warnings
from pathlib import Path

import pytest

from machine import Flavour, Machine, Template, pe_flavour, probe

SOURCE = Path(__file__).resolve().parent.parent
TOOLS = {"Xvfb": "xvfb", "xdotool": "xdotool", "import": "imagemagick"}


def pytest_addoption(parser):
    parser.addoption("--build-dir", default=os.environ.get("SARVELLO_E2E_BUILD"),
                     help="the win32 or win64 build folder (default: build/<the flavour this host runs>)")
    parser.addoption("--artifacts", help="where failed tests leave what they collected (default: BUILD/e2e-artifacts)")
    parser.addoption("--keep-artifacts", action="store_true", help="keep what passed tests collected too")


def _interrupted(number, frame):
    raise KeyboardInterrupt(f"signal {signal.Signals(number).name}")


def pytest_configure(config):
    # SIGTERM and SIGHUP end a run as Ctrl-C does: every fixture's clean-up runs. Only the main
    # thread can take signals, and pytest-xdist's workers may run pytest in another (a worker ended
    # by a signal then leaves its clean-up to each machine's reaper).
    if threading.current_thread() is threading.main_thread():
        signal.signal(signal.SIGTERM, _interrupted)
        signal.signal(signal.SIGHUP, _interrupted)


@pytest.hookimpl(hookwrapper=True)
def pytest_runtest_makereport(item, call):
    report = (yield).get_result()
    if report.failed:
        item.sarvello_failed = True


class Build:
    """The Windows build whose programs the tests run."""

    def __init__(self, folder):
        self.folder = folder
        self.saver = folder / "Sarvello.scr"
        self.conformance_test = folder / "tests" / "conformance" / "conformance_test.exe"
        self.flavour = Flavour(pe_flavour(self.saver))

    def program(self, name):
        """A helper program or test library of e2e/programs, as built."""
        path = self.folder / "e2e" / name
        if not path.exists():
            pytest.fail(f"no {path}: build it (cmake --build --preset {self.flavour.name})", pytrace=False)
        return path


@pytest.fixture(scope="session")
def build(pytestconfig):
    folder = pytestconfig.getoption("build_dir")
    if folder is None:
        flavour = probe()
        if flavour is None:
            pytest.fail("no working Wine here: neither /usr/lib/wine/wine nor wine64 runs", pytrace=False)
        folder = SOURCE / "build" / flavour
    folder = Path(folder).resolve()
    if not (folder / "Sarvello.scr").exists():
        pytest.fail(f"no {folder}/Sarvello.scr: build the win32 (or win64) preset first", pytrace=False)
    missing = [f"{tool} (Debian package {package})" for tool, package in TOOLS.items() if not shutil.which(tool)]
    if missing:
        pytest.fail(f"missing tools: {', '.join(missing)} (scripts/setup.sh installs them)", pytrace=False)
    found = Build(folder)
    if not found.flavour.works():
        pytest.fail(f"{found.saver} is a {found.flavour.name} program, but {found.flavour.loader} does not start "
                    "here (a kernel that runs no 32-bit code?): run the win64 build's tests "
                    "(e2e/machine.py --probe tells which this host runs)", pytrace=False)
    return found


@pytest.fixture(scope="session")
def template(build):
    made = Template(build.flavour)
    made.ensure()
    return made


@pytest.hookimpl(trylast=True)
def pytest_runtest_call(item):
    """A test that passed fails still when Wine reported a fault for one of its machine's programs:
    Wine may unwind past a fault and report exit code 0. Its machine is closed here, once the test
    is done, to read the programs' standard error to its end."""
    made = item.funcargs.get("machine")
    if isinstance(made, Machine):
        made.close()
        _told(made)


def _told(made):
    if made.faults and not made.faults_told:
        made.faults_told = True
        pytest.fail("Wine reported a fault:\n" + "\n".join(made.faults), pytrace=False)


@pytest.fixture
def machine(request, build, template):
    root = Path(request.config.getoption("artifacts") or build.folder / "e2e-artifacts")
    artifacts = root / re.sub(r"[^A-Za-z0-9._-]+", "_", request.node.name).strip("_")
    shutil.rmtree(artifacts, ignore_errors=True)
    with Machine(build.flavour, artifacts, template=template) as made:
        yield made
        if getattr(request.node, "sarvello_failed", False):
            made.collect()
    if made.leftovers:
        warnings.warn(f"processes outlived the run's wineserver and were ended by pid: {', '.join(made.leftovers)}")
    if made.faults or getattr(request.node, "sarvello_failed", False) or request.config.getoption("keep_artifacts"):
        print(f"artifacts kept in {artifacts}")
    else:
        shutil.rmtree(artifacts, ignore_errors=True)
    _told(made)
