#!/usr/bin/python3
"""Holds what the release archive promises a Windows user.

- It is a sound ZIP archive holding exactly Sarvello.scr and README.TXT, at its top level.
- Its Sarvello.scr is byte for byte the checked program (build/win32/Sarvello.scr).
- Its README.TXT is the one in the repository, in the form Notepad of Windows 95 shows well: plain
  ASCII without tabs or other control characters, CR LF after every line (the last one too), no
  line longer than 78 columns, and it names the places a user must find: the system folders, the
  registry key and the log files.

Usage: check_release.py ARCHIVE PROGRAM README-SOURCE
Every broken promise is one line "check_release: ..."; exit 1 if any, else 0.
"""

import os
import sys
import zipfile

MEMBERS = ("Sarvello.scr", "README.TXT")
MAX_COLUMNS = 78
# Texts the readme must hold whole, each on one line, exactly as the program and Windows spell them.
PLACES = (
    "C:\\WINDOWS\\SYSTEM",
    "C:\\WINNT\\SYSTEM32",
    "HKEY_CURRENT_USER\\Software\\Brenmoor\\Sarvello",
    "torvanecode_fs.log",
    "torvanecode.log",
)


def text_problems(text):
    """The ways in which README.TXT's bytes break its form, each with the line it is on."""
    problems = []
    if not text:
        return ["README.TXT is empty"]
    if not text.endswith(b"\r\n"):
        problems.append("README.TXT does not end with CR LF")
    lines = text.split(b"\n")
    if lines[-1] == b"":
        lines.pop()
    for number, line in enumerate(lines, 1):
        ended = number < len(lines) or text.endswith(b"\n")
        if ended and not line.endswith(b"\r"):
            problems.append(f"README.TXT line {number} ends with LF alone, not CR LF")
        body = line[:-1] if line.endswith(b"\r") else line
        for column, byte in enumerate(body, 1):
            if byte == 0x0D:
                problems.append(f"README.TXT line {number} holds a CR that ends no line (column {column})")
                break
            if byte < 0x20 or byte > 0x7E:
                problems.append(
                    f"README.TXT line {number} column {column}: byte 0x{byte:02X} is not printable ASCII")
                break
        if len(body) > MAX_COLUMNS:
            problems.append(f"README.TXT line {number} is {len(body)} columns long, more than {MAX_COLUMNS}")
    lines_text = [line.rstrip(b"\r").decode("ascii", "replace") for line in lines]
    for place in PLACES:
        if not any(place in line for line in lines_text):
            problems.append(f"README.TXT never names {place} (whole, on one line)")
    return problems


def archive_problems(archive, program, readme_source):
    """Every broken promise of the archive against the checked program and the readme's source."""
    try:
        with open(program, "rb") as f:
            program_bytes = f.read()
        with open(readme_source, "rb") as f:
            readme_bytes = f.read()
    except OSError as error:
        return [f"cannot read {error.filename}: {error.strerror}"]
    try:
        with zipfile.ZipFile(archive) as zip_file:
            names = zip_file.namelist()
            broken = zip_file.testzip()
            if broken is not None:
                return [f"{archive}: member {broken} is damaged (its CRC does not match)"]
            contents = {name: zip_file.read(name) for name in names if name in MEMBERS}
    except FileNotFoundError:
        return [f"no archive {archive} (it is made by: cmake --build --preset release)"]
    except (zipfile.BadZipFile, OSError) as error:
        return [f"{archive} is not a readable ZIP archive: {error}"]

    problems = []
    for name in dict.fromkeys(names):
        if name not in MEMBERS:
            problems.append(f"the archive holds {name}, which is not one of {', '.join(MEMBERS)}")
        elif names.count(name) > 1:
            problems.append(f"the archive holds {name} {names.count(name)} times")
    for name in MEMBERS:
        if name not in names:
            problems.append(f"the archive does not hold {name}")

    if "Sarvello.scr" in contents and contents["Sarvello.scr"] != program_bytes:
        problems.append(f"its Sarvello.scr ({len(contents['Sarvello.scr'])} bytes) is not {program} "
                        f"({len(program_bytes)} bytes) byte for byte")
    if "README.TXT" in contents:
        text = contents["README.TXT"]
        if text != readme_bytes:
            problems.append(f"its README.TXT is not {readme_source} byte for byte")
        problems += text_problems(text)
    return problems


def main(argv):
    if len(argv) != 4:
        print("usage: check_release.py ARCHIVE PROGRAM README-SOURCE", file=sys.stderr)
        return 2
    archive, program, readme_source = argv[1:]
    problems = archive_problems(archive, program, readme_source)
    for problem in problems:
        print(f"check_release: {problem}")
    if problems:
        return 1
    print(f"check_release: {archive}: {', '.join(MEMBERS)}, the program's {os.path.getsize(program)} bytes")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
