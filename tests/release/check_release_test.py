#!/usr/bin/python3
"""Proves that check_release.py fails where it must: on archives made from the real program and
readme with one thing wrong each (a member missing, added, doubled or in a folder, another
program, a stale or damaged readme, a line ended by LF alone, a stray CR, a long line, a byte
beyond ASCII, a tab, no CR LF at the end, a place split over two lines, no archive or not a ZIP)
it names what is wrong, and it passes the good archive and a line of exactly 78 columns.

Usage: check_release_test.py CHECK_RELEASE PROGRAM README-SOURCE. Last line: "N passed, M failed".
"""

import re
import subprocess
import sys
import tempfile
import warnings
import zipfile
from pathlib import Path


def make_zip(path, members, stored=False):
    """Writes `members` ((name, bytes) pairs, in order) as a ZIP archive at `path`."""
    method = zipfile.ZIP_STORED if stored else zipfile.ZIP_DEFLATED
    with warnings.catch_warnings():
        warnings.simplefilter("ignore")  # a doubled name is the point of one case
        with zipfile.ZipFile(path, "w", method) as zip_file:
            for name, data in members:
                zip_file.writestr(name, data)


def main(argv):
    if len(argv) != 4:
        print("usage: check_release_test.py CHECK_RELEASE PROGRAM README-SOURCE", file=sys.stderr)
        return 2
    check, program_path, readme_path = argv[1:]
    program = Path(program_path).read_bytes()
    readme = Path(readme_path).read_bytes()
    lines = readme.split(b"\r\n")
    first_blank = lines.index(b"")  # a line that can take any text
    key = b"HKEY_CURRENT_USER\\Software\\Brenmoor\\Sarvello"

    def with_line(number, text):
        """The readme with line `number` (0-based) replaced by `text`."""
        changed = list(lines)
        changed[number] = text
        return b"\r\n".join(changed)

    other_program = bytearray(program)
    other_program[len(program) // 2] ^= 0x01
    good = [("Sarvello.scr", program), ("README.TXT", readme)]

    # Each row: what is wrong, the archive's members, the readme source to compare with (None: the
    # real one), the exit status wanted, and the text a line of the output must hold.
    rows = [
        ("the good archive passes", good, None, 0, "Sarvello.scr, README.TXT"),
        ("a line of exactly 78 columns passes", [good[0], ("README.TXT", with_line(first_blank, b"x" * 78))],
         "same", 0, "README.TXT"),
        ("a missing readme", good[:1], None, 1, "does not hold README.TXT"),
        ("a member beyond the two", good + [("Sarvello.symbols.scr", program)], None, 1,
         "holds Sarvello.symbols.scr, which is not one of"),
        ("a member in a folder", [("Sarvello/Sarvello.scr", program), good[1]], None, 1,
         "holds Sarvello/Sarvello.scr, which is not one of"),
        ("a member held twice", good + [good[1]], None, 1, "holds README.TXT 2 times"),
        ("a program other than the checked one", [("Sarvello.scr", bytes(other_program)), good[1]], None, 1,
         "Sarvello.scr .* is not .* byte for byte"),
        ("a readme other than the repository's", [good[0], ("README.TXT", readme + b"\r\n")], None, 1,
         "README.TXT is not .* byte for byte"),
        ("a line ended by LF alone", [good[0], ("README.TXT", readme.replace(b"\r\n", b"\n", 1))], "same", 1,
         "README.TXT line 1 ends with LF alone"),
        ("a CR inside a line", [good[0], ("README.TXT", with_line(first_blank, b"a\rb"))], "same", 1,
         f"line {first_blank + 1} holds a CR that ends no line"),
        ("a line of 79 columns", [good[0], ("README.TXT", with_line(first_blank, b"x" * 79))], "same", 1,
         f"line {first_blank + 1} is 79 columns long, more than 78"),
        ("a byte beyond ASCII", [good[0], ("README.TXT", with_line(first_blank, b"caf\xe9"))], "same", 1,
         f"line {first_blank + 1} column 4: byte 0xE9 is not printable ASCII"),
        ("a tab", [good[0], ("README.TXT", with_line(first_blank, b"\tx"))], "same", 1,
         f"line {first_blank + 1} column 1: byte 0x09"),
        ("no CR LF at the end", [good[0], ("README.TXT", readme[:-2])], "same", 1,
         "README.TXT does not end with CR LF"),
        ("the registry key split over two lines wherever it is named",
         [good[0], ("README.TXT", readme.replace(key, key.replace(b"\\Brenmoor", b"\r\n\\Brenmoor")))],
         "same", 1, "never names HKEY_CURRENT_USER"),
    ]

    passed = failed = 0

    def expect(what, archive, source, status, pattern):
        nonlocal passed, failed
        run = subprocess.run([sys.executable, check, str(archive), program_path, str(source)],
                             capture_output=True, text=True)
        output = run.stdout + run.stderr
        if run.returncode == status and re.search(pattern, output):
            passed += 1
            print(f"ok   - {what}")
        else:
            failed += 1
            print(f"FAIL - {what}: exit {run.returncode}, wanted {status} and /{pattern}/ in:")
            print("".join(f"       {line}\n" for line in output.splitlines()), end="")

    with tempfile.TemporaryDirectory(prefix="check-release-test.") as work:
        work = Path(work)
        for number, (what, members, source, status, pattern) in enumerate(rows):
            archive = work / f"case{number}.zip"
            make_zip(archive, members)
            if source == "same":
                # The readme is its own source here, so only its form can fail the check.
                source = work / f"case{number}.txt"
                source.write_bytes(dict(members)["README.TXT"])
            expect(what, archive, source or readme_path, status, pattern)

        damaged = work / "damaged.zip"
        make_zip(damaged, good, stored=True)
        data = bytearray(damaged.read_bytes())
        data[data.index(program[:64]) + 32] ^= 0xFF
        damaged.write_bytes(bytes(data))
        expect("a damaged member", damaged, readme_path, 1, "member Sarvello.scr is damaged")
        not_zip = work / "not.zip"
        not_zip.write_bytes(readme)
        expect("a file that is no ZIP archive", not_zip, readme_path, 1, "is not a readable ZIP archive")
        expect("no archive", work / "none.zip", readme_path, 1, "no archive .* made by: cmake --build --preset release")

    print(f"{passed} passed, {failed} failed")
    return 0 if failed == 0 else 1


if __name__ == "__main__":
    sys.exit(main(sys.argv))
