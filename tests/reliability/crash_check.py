#!/usr/bin/env python3
"""Judges the log on disk after a kill: it must be, byte for byte, either the log before
the interrupted save or that log with the cycle's batch added, written in normal form.
  crash_check.py BEFORE CURRENT CYCLE BATCH   prints "before" or "after"; exit 1 otherwise
"""
import sys


def fold(text):
    return text.lower()  # bytes: only A-Z change, as the log's comparison rule


def parse(data):
    sections, current = {}, None
    for line in data.split(b"\r\n"):
        if line.startswith(b"[") and line.endswith(b"]") and len(line) >= 3:
            current = sections.setdefault(fold(line[1:-1]), (line[1:-1], {}))[1]
        elif line and current is not None:
            key, _, value = line.partition(b"=")
            current[fold(key)] = (key, value)
    return sections


def text(sections):
    out = []
    for _, (name, items) in sorted(sections.items()):
        out.append(b"[" + name + b"]\r\n")
        for _, (key, value) in sorted(items.items()):
            out.append(key + b"=" + value + b"\r\n")
        out.append(b"\r\n")
    return b"".join(out)


def main():
    before = open(sys.argv[1], "rb").read()
    try:
        current = open(sys.argv[2], "rb").read()
    except OSError:
        print("FAIL: no log file")
        return 1
    cycle, batch = int(sys.argv[3]), int(sys.argv[4])
    if current == before:
        print("before")
        return 0
    sections = parse(before)
    if text(sections) != before:
        print("FAIL: the earlier log is not in normal form")
        return 1
    items = sections.setdefault(b"crash_files", (b"Crash_FILES", {}))[1]
    for j in range(batch):
        key = b"cycle%05d-item%05d" % (cycle, j)
        items[key] = (key, b"1")
    if current == text(sections):
        print("after")
        return 0
    print("FAIL: %d bytes, neither before (%d) nor after (%d)" %
          (len(current), len(before), len(text(sections))))
    return 1


if __name__ == "__main__":
    sys.exit(main())
