#!/usr/bin/env python3
"""Judges the log on disk after a kill: it must be, byte for byte, either the log before
the interrupted save or that log with the cycle's batch added, written in normal form.
Where a whole copy of the text lies beside the log (KorFiles.log.new, left when a rewrite
in place was cut short), that copy is what the next start reads, so it is judged instead.
  crash_check.py BEFORE LOG CYCLE BATCH   prints "before" or "after" (with " copy" when the
                                          copy was judged); exit 1 otherwise
After the next start has recovered what the journal held, every item whose AddItem answered
1 must be in the log, and nothing else: at most the one call that was under way when the
server died may have been kept too. No journal may be left beside the log.
  crash_check.py BEFORE LOG CYCLE BATCH ACKED   prints "recovered N"; exit 1 otherwise
"""
import os
import sys

SECTION = b"[Crash_FILES]\r\n"


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


def batch_keys(cycle, batch):
    return [b"cycle%05d-item%05d" % (cycle, j) for j in range(batch)]


def after_by_splice(before, keys):
    """The expected log when the batch's keys sort after every key already in the
    section: the new lines go at the section's end. None when that does not hold."""
    start = before.find(SECTION)
    if start < 0 or not keys:
        return None
    body_start = start + len(SECTION)
    end = before.find(b"\r\n\r\n", start) + 2  # the section's closing empty line
    body = before[body_start:end]
    if body:
        last_key = body[:-2].rsplit(b"\r\n", 1)[-1].partition(b"=")[0]
        if fold(last_key) >= fold(keys[0]):
            return None
    return before[:end] + b"".join(k + b"=1\r\n" for k in keys) + before[end:]


def after_by_parse(before, keys):
    sections = parse(before)
    if text(sections) != before:
        return None  # the earlier log is not in normal form: nothing can match
    items = sections.setdefault(b"crash_files", (b"Crash_FILES", {}))[1]
    for key in keys:
        items[key] = (key, b"1")
    return text(sections)


def recovered(before, path, cycle, batch, acked):
    if os.path.exists(path + ".journal"):
        print("FAIL: the journal is left after a save")
        return 1
    current = open(path, "rb").read()
    keys = batch_keys(cycle, batch)
    for n in range(acked, min(acked + 1, batch) + 1):
        expected = [before] if n == 0 else [after_by_splice(before, keys[:n]),
                                            after_by_parse(before, keys[:n])]
        if current in expected:
            print("recovered %d" % n)
            return 0
    print("FAIL: %d bytes, not the log before (%d bytes) with the %d acknowledged items" %
          (len(current), len(before), acked))
    return 1


def main():
    before = open(sys.argv[1], "rb").read()
    if len(sys.argv) > 5:
        return recovered(before, sys.argv[2], int(sys.argv[3]), int(sys.argv[4]),
                         int(sys.argv[5]))
    path = sys.argv[2]
    copy = os.path.exists(path + ".new")
    if copy:
        path += ".new"
    try:
        current = open(path, "rb").read()
    except OSError:
        print("FAIL: no log file")
        return 1
    tag = " copy" if copy else ""
    if current == before:
        print("before" + tag)
        return 0
    keys = batch_keys(int(sys.argv[3]), int(sys.argv[4]))
    if current == after_by_splice(before, keys) or current == after_by_parse(before, keys):
        print("after" + tag)
        return 0
    print("FAIL: %s, %d bytes, neither before (%d bytes) nor after" %
          (os.path.basename(path), len(current), len(before)))
    return 1


if __name__ == "__main__":
    sys.exit(main())
