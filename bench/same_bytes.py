#!/usr/bin/env python3
"""Runs the same import, prepare, examine, code and merge with two builds of
the command-line tool and compares every file they leave, byte for byte.

    bench/same_bytes.py OLD_OPENCODER NEW_OPENCODER [--respondents N] [--keep DIR]

Two studies: the demo's CSV files, and a generated one of N respondents
(10,000 by default) with a loop, several texts per answer and an OTHER
question. Lock files are left out: they hold who last wrote and when.
Exit status 0 when everything matches.
"""
import argparse
import csv
import os
import random
import shutil
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
DEMO = os.path.join(HERE, "..", "examples", "demo")
WORDS = ["cheaper", "less plastic", "the taste", "strong", "nothing", "don't know", "fair trade",
         "bigger bags", "smells great", "habit", "price", "aroma", "résumé", "décaf", "70"]


def generate(folder, respondents):
    rng = random.Random(12)
    with open(os.path.join(folder, "labels.csv"), "w", newline="", encoding="utf-8") as f:
        w = csv.writer(f)
        w.writerow(["name", "type", "other", "text"])
        w.writerow(["Q1", 7, 0, "First open end"])
        w.writerow(["Q2", 7, 0, "Second open end"])
        w.writerow(["Q3", 7, 0, "Asked in a loop"])
        w.writerow(["Q4", 1, 1, "A single choice with OTHER"])
    with open(os.path.join(folder, "data.csv"), "w", newline="", encoding="utf-8") as f:
        w = csv.writer(f)
        w.writerow(["respondent", "sequence", "complete", "Q1", "Q2", "Q3[1]", "Q3[2]", "Q3[3]", "Q4"])
        for i in range(respondents):
            def text():
                if rng.random() < 0.15:
                    return ""
                return "|".join(" ".join(rng.sample(WORDS, rng.randint(1, 3)))
                                for _ in range(1 if rng.random() < 0.8 else 2))
            w.writerow([100000 + i, "", 1 if rng.random() < 0.9 else 0, text(), text(),
                        text(), text() if rng.random() < 0.5 else "", "", rng.randint(1, 4)])


def codes_csv(coder_file, out, names):
    """A code for every record of the coder file: the first word of its line's
    numbers, so that both runs get the same codes."""
    rows = []
    with open(coder_file, "rb") as f:
        for line in f.read().split(b"\r\n")[2:]:
            parts = line.split()
            if len(parts) < 5 or parts[2].decode("latin-1") not in names:
                continue
            seq, resp, q, roster, list_no = (p.decode("latin-1") for p in parts[:5])
            if not (seq.isdigit() and resp.isdigit() and roster.isdigit() and list_no.isdigit()):
                continue
            n = int(resp) + int(list_no)
            count = min(n % 3, names[q])
            codes = " ".join(str(1 + (n * k) % 9) for k in range(1, 1 + count)) if n % 4 else ""
            rows.append([q, resp, roster, list_no, codes, seq])
    with open(out, "w", newline="", encoding="utf-8") as f:
        w = csv.writer(f)
        w.writerow(["question", "respondent", "roster", "list_no", "codes", "sequence"])
        w.writerows(rows)


def run(tool, folder, log, *args):
    result = subprocess.run([tool, *args], cwd=folder, capture_output=True)
    log.append((args, result.returncode, result.stdout.replace(folder.encode(), b"DIR"),
                result.stderr.replace(folder.encode(), b"DIR")))


def session(tool, folder, source):
    """Everything one build does to one study; returns its command log."""
    log = []
    for name in ("labels.csv", "data.csv"):
        shutil.copy(os.path.join(source, name), folder)
    run(tool, folder, log, "study", "import", "--labels", "labels.csv", "--data", "data.csv", "--out", "S")
    # A coder file holds at most 8,188 respondents: a large study is prepared in ranges.
    run(tool, folder, log, "prepare", "--study", "S", "--question", "Q1:append:3:3", "--question", "Q3:append:2:2",
        "--respondents", "range:1-104999")
    run(tool, folder, log, "prepare", "--study", "S", "--question", "Q2:replace:1:4", "--interviews", "complete",
        "--respondents", "range:1-104999")
    run(tool, folder, log, "prepare", "--study", "S", "--question", "Q4:replace:1:2", "--respondents", "first:20")
    run(tool, folder, log, "prepare", "--study", "S", "--question", "Q1:append:2:2")  # already in a coder file
    run(tool, folder, log, "prepare", "--study", "S", "--question", "Q1:append:2:2", "--data", "all", "--yes",
        "--respondents", "range:1003-100040")
    run(tool, folder, log, "examine", "--study", "S", "--question", "Q1", "--question", "Q3", "--out", "S.P01")
    for ext, names in (("001", {"Q1": 3, "Q3": 2}), ("002", {"Q2": 1}), ("003", {"Q4": 1})):
        coder = os.path.join(folder, "S." + ext)
        if os.path.exists(coder):
            codes_csv(coder, os.path.join(folder, ext + ".csv"), names)
            run(tool, folder, log, "code", "--study", "S", "--file", "S." + ext, "--codes", ext + ".csv")
    for ext in ("001", "002", "003"):
        run(tool, folder, log, "merge", "--study", "S", "--file", "S." + ext)
    run(tool, folder, log, "merge", "--study", "S", "--file", "S.001")  # merged already
    run(tool, folder, log, "status", "--study", "S")
    run(tool, folder, log, "status", "--study", "S", "--file", "S.001", "--questions")
    run(tool, folder, log, "status", "--study", "S", "--file", "S.002", "--respondents")
    run(tool, folder, log, "examine", "--study", "S", "--question", "Q2", "--no-one-line", "--strip-numeric",
        "--interviews", "incomplete")
    run(tool, folder, log, "examine", "--study", "S", "--question", "Q1", "--data", "coded", "--out", "S.P02")
    run(tool, folder, log, "study", "dump", "--study", "S")
    return log


def files_of(folder):
    out = {}
    for name in sorted(os.listdir(folder)):
        path = os.path.join(folder, name)
        if os.path.isfile(path) and not name.endswith((".lck", ".lock")) and not name.startswith(".oc-lock"):
            with open(path, "rb") as f:
                out[name] = f.read()
    return out


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("old")
    parser.add_argument("new")
    parser.add_argument("--respondents", type=int, default=10000)
    parser.add_argument("--keep", help="leave the runs' folders here")
    args = parser.parse_args()
    top = args.keep or tempfile.mkdtemp(prefix="same-bytes-")
    generated = os.path.join(top, "generated-source")
    os.makedirs(generated, exist_ok=True)
    generate(generated, args.respondents)
    failures = 0
    for study, source in (("demo", DEMO), ("generated", generated)):
        results = {}
        for which, tool in (("old", args.old), ("new", args.new)):
            folder = os.path.join(top, study + "-" + which)
            shutil.rmtree(folder, ignore_errors=True)
            os.makedirs(folder)
            results[which] = (session(os.path.abspath(tool), folder, source), files_of(folder))
        (old_log, old_files), (new_log, new_files) = results["old"], results["new"]
        for a, b in zip(old_log, new_log):
            if a != b:
                failures += 1
                print(f"{study}: {' '.join(a[0])}: exit {a[1]} -> {b[1]}\n  old: {a[2]!r} {a[3]!r}\n  new: {b[2]!r} {b[3]!r}")
        for name in sorted(set(old_files) | set(new_files)):
            if old_files.get(name) != new_files.get(name):
                failures += 1
                print(f"{study}: {name} differs")
        print(f"{study}: {len(old_log)} commands (exit statuses {' '.join(str(e[1]) for e in old_log)}),"
              f" {len(old_files)} files compared")
    if not args.keep:
        shutil.rmtree(top)
    print("same bytes" if failures == 0 else f"{failures} differences")
    return 0 if failures == 0 else 1


if __name__ == "__main__":
    sys.exit(main())
