"""The registry as `wine reg` imports and exports it: .reg files (UTF-16 with a byte order mark)
written from {key: {name: value}} and read back into keys and values."""

import re


def reg_file(values):
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


def reg_text(data):
    """An exported .reg file's text, with LF line ends."""
    return (data.decode("utf-16") if data[:2] == b"\xff\xfe" else data.decode("latin-1")).replace("\r\n", "\n")


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
