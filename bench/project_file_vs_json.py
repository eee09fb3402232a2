#!/usr/bin/env python3
"""Helper of project-file-vs-json.sh: makes the content of a big project, turns a project file
into the same data written as JSON, and times zarvik-cli against Python's json module.

  content DIR PAGES         Russian-like Windows-1251 content files and a link list in DIR
  tojson PROJECT JSON       the project's values as JSON (non-ASCII characters escaped)
  compare CLI PROJECT JSON  load and save, both sides in turn, three rounds
"""
import json
import os
import random
import re
import subprocess
import sys
import time

ROUNDS = 3


def content(folder, pages):
    rng = random.Random(20240611)
    letters = [bytes([0xE0 + i]) for i in range(32)]
    os.makedirs(folder, exist_ok=True)
    # The 4,000/5,000 limits cut about 4,110 bytes per page; ten files.
    total = pages * 4110
    files = 10
    for n in range(files):
        out = bytearray()
        used = []
        sentence_start = True
        words = 0
        while len(out) < total // files:
            if used and rng.random() < 0.15:
                word = bytearray(rng.choice(used))
            else:
                word = bytearray(b"".join(rng.choice(letters) for _ in range(rng.randint(2, 14))))
                used.append(bytes(word))
                if len(used) > 4000:
                    used.pop(0)
            if sentence_start:
                word[0] -= 0x20
            sentence_start = False
            out += word
            words += 1
            if words >= rng.randint(8, 17):
                words = 0
                sentence_start = True
                out += b".\r\n" if rng.random() < 0.2 else b". "
            else:
                out += b", " if rng.random() < 0.08 else b" "
        with open(os.path.join(folder, "part%02d.txt" % n), "wb") as f:
            f.write(bytes(out))
    with open(os.path.join(folder, "links.txt"), "w") as f:
        for i in range(pages * 3):
            f.write("http://example.ru/catalog/item%d.html\n" % i)


TOKEN = re.compile(
    r"[\x01-\x20]*(?:(?P<s>(?:'(?:[^'\r\n]|'')*'|#\d+)+)|(?P<w>[A-Za-z_][A-Za-z0-9_]*)"
    r"|(?P<n>-?\d+)|(?P<p>.))",
    re.S,
)
PART = re.compile(r"'((?:[^']|'')*)'|#(\d+)")


def decode(token, codes={}):
    out = []
    for quoted, code in PART.findall(token):
        if code:
            c = codes.get(code)
            if c is None:
                c = codes[code] = chr(int(code))
            out.append(c)
        else:
            out.append(quoted.replace("''", "'"))
    return "".join(out)


def read_project(text):
    """The values of a project text the way the writer writes it, as nested Python values."""
    tokens = [(m.lastgroup, m.group(m.lastgroup)) for m in TOKEN.finditer(text)]
    pos = 0

    def value():
        nonlocal pos
        kind, t = tokens[pos]
        pos += 1
        if kind == "s":
            parts = [decode(t)]
            while tokens[pos] == ("p", "+"):
                parts.append(decode(tokens[pos + 1][1]))
                pos += 2
            return "".join(parts)
        if kind == "n":
            return int(t)
        if kind == "w":
            return t == "True"
        if t == "(":
            lines = []
            while tokens[pos] != ("p", ")"):
                lines.append(value())
            pos += 1
            return lines
        items = []
        while tokens[pos] != ("p", ">"):
            pos += 1  # item
            items.append(properties())
        pos += 1
        return items

    def properties():
        nonlocal pos
        props = {}
        while tokens[pos][1] != "end":
            name = tokens[pos][1]
            pos += 1
            while tokens[pos] == ("p", "."):
                name += "." + tokens[pos + 1][1]
                pos += 2
            pos += 1  # =
            props[name] = value()
        pos += 1
        return props

    pos = 2  # object TSiteGenerator
    return properties()


def tojson(project, target):
    with open(project, "r", encoding="ascii", newline="") as f:
        data = read_project(f.read())
    with open(target, "w", encoding="ascii") as f:
        json.dump(data, f, ensure_ascii=True)
    print("pages: %d" % len(data["Pages"]))


def run(args, memory_file):
    """Seconds, processor seconds and peak resident megabytes of one run of a program."""
    # Taken by time(1): a child's own peak would start from this process's size.
    start = time.perf_counter()
    status = subprocess.call(
        ["/usr/bin/time", "-o", memory_file, "-f", "%U %S %M"] + args, stdout=subprocess.DEVNULL
    )
    seconds = time.perf_counter() - start
    if status != 0:
        sys.exit("%s failed" % " ".join(args))
    with open(memory_file) as f:
        user, system, peak = f.read().split()[-3:]
    return seconds, float(user) + float(system), int(peak) / 1024


def json_load(path):
    start = time.perf_counter()
    cpu = time.process_time()
    with open(path, "r", encoding="ascii") as f:
        data = json.load(f)
    return time.perf_counter() - start, time.process_time() - cpu, data


def json_save(path, data):
    # The same safe save as the project's: a temporary file, flushed, synced and renamed.
    start = time.perf_counter()
    cpu = time.process_time()
    temporary = path + ".tmp"
    with open(temporary, "w", encoding="ascii") as f:
        json.dump(data, f, ensure_ascii=True)
        f.flush()
        os.fsync(f.fileno())
    os.rename(temporary, path)
    return time.perf_counter() - start, time.process_time() - cpu


def compare(cli, project, json_path):
    project_mb = os.path.getsize(project) / 1e6
    json_mb = os.path.getsize(json_path) / 1e6
    print("project file %.1f MB, JSON %.1f MB" % (project_mb, json_mb))
    memory_file = json_path + ".peak"
    # Per measure: the wall-clock and the processor seconds of every round.
    wall = {"show": [], "set": [], "json load": [], "json save": []}
    cpu = {k: [] for k in wall}
    peak = 0.0
    for n in range(ROUNDS):
        show, show_cpu, show_peak = run([cli, "show", project], memory_file)
        setting, set_cpu, set_peak = run([cli, "set", project], memory_file)
        load, load_cpu, data = json_load(json_path)
        dump, dump_cpu = json_save(json_path, data)
        del data
        peak = max(peak, show_peak, set_peak)
        for table, values in ((wall, (show, setting, load, dump)), (cpu, (show_cpu, set_cpu, load_cpu, dump_cpu))):
            for key, value in zip(table, values):
                table[key].append(value)
        print(
            "round %d: zarvik show %.3f s, set %.3f s; json load %.3f s, save %.3f s"
            % (n + 1, show, setting, load, dump)
        )
    for name, table in (("wall clock", wall), ("processor time", cpu)):
        # The fastest round of each measure; the save is the fastest "set" less the fastest "show".
        best = {k: min(v) for k, v in table.items()}
        zarvik = {"load": best["show"], "save": max(best["set"] - best["show"], 1e-9)}
        print("%s:" % name)
        for side in ("load", "save"):
            z = project_mb / zarvik[side]
            j = json_mb / best["json " + side]
            print("  %s: zarvik %.0f MB/s, json %.0f MB/s, ratio %.2f" % (side, z, j, z / j))
    print("zarvik-cli peak resident memory %.0f MB = %.2f x file" % (peak, peak / project_mb))


def main():
    command = sys.argv[1] if len(sys.argv) > 1 else ""
    if command == "content" and len(sys.argv) == 4:
        content(sys.argv[2], int(sys.argv[3]))
    elif command == "tojson" and len(sys.argv) == 4:
        tojson(sys.argv[2], sys.argv[3])
    elif command == "compare" and len(sys.argv) == 5:
        compare(sys.argv[2], sys.argv[3], sys.argv[4])
    else:
        sys.exit(__doc__)


if __name__ == "__main__":
    main()
