#!/usr/bin/env python3
"""clang-tidy over the project's own sources, with a cache of clean results.

    tidy.py select ROOT BUILD_COMMANDS OUT_COMMANDS
        Keeps the compile commands of the project's own sources (library,
        host, drivers, tools) without the GCC-only options clang does not
        know; cppcheck and clang-tidy both read OUT_COMMANDS.

    tidy.py run ROOT COMMANDS CACHE_DIR LOG [CONFIG_FILE...]
        Runs clang-tidy on every file without a clean result under its key in
        CACHE_DIR, two at a time. A file counts as clean only when clang-tidy
        ran to its end (exit 0) and reported nothing; only then is its key
        written. Exits 1 on any finding and on any run that failed (a crash,
        a missing tool, a file that does not preprocess), naming the file.

A file's key is the hash of its preprocessed text (the file and every header
it includes), its compile command, the tool versions and CONFIG_FILEs (the
checks and the stage script), with the tree's own path left out so that a
clone elsewhere finds the same keys.
"""
import concurrent.futures
import hashlib
import json
import os
import re
import shlex
import subprocess
import sys

OWN_DIRS = ("module", "bus", "tv", "audio", "cardfacts", "host", "drivers", "tools")
HEADER_FILTER = "^{root}/(module|bus|tv|audio|cardfacts|host|drivers|tools|include)/"
FINDING = re.compile(r"\b(warning|error):")


def select(root, source, target):
    kept = []
    with open(source) as f:
        for entry in json.load(f):
            rel = os.path.relpath(entry["file"], root)
            if rel.split("/")[0] in OWN_DIRS:
                entry["command"] = entry["command"].replace(" -fno-gnu-unique", "")
                kept.append(entry)
    with open(target, "w") as f:
        json.dump(kept, f, indent=1)
    print(f"static analysis: {len(kept)} source files")
    return 0


def tool_versions():
    text = ""
    for tool in ("clang-tidy", "cppcheck"):
        try:
            text += subprocess.run([tool, "--version"], capture_output=True, text=True, check=True).stdout
        except (OSError, subprocess.CalledProcessError) as failure:
            raise SystemExit(f"static analysis: {tool} --version failed: {failure}")
    return text


def key(root, entry, fixed):
    """The file's key, or None when it does not preprocess."""
    args, skip = [], False
    for a in shlex.split(entry["command"]):
        if skip:
            skip = False
        elif a in ("-o", "-MT", "-MF"):
            skip = True
        elif a not in ("-c", "-MD"):
            args.append(a)
    pre = subprocess.run(args + ["-E"], cwd=entry["directory"], capture_output=True)
    if pre.returncode != 0:
        return None
    here = root.encode()
    h = hashlib.sha256(fixed)
    for part in (entry["command"].encode().replace(here, b"<root>"), pre.stdout.replace(here, b"<root>")):
        h.update(hashlib.sha256(part).digest())
    return h.hexdigest()


def tidy(root, commands_dir, entry):
    """(exit status, output) of clang-tidy on one file; status None when it could not start."""
    try:
        done = subprocess.run(["clang-tidy", "-p", commands_dir, "-quiet",
                               "-header-filter=" + HEADER_FILTER.format(root=re.escape(root)), entry["file"]],
                              capture_output=True, text=True, errors="replace")
    except OSError as failure:
        return None, str(failure)
    return done.returncode, done.stdout + done.stderr


def run(root, commands, cache, log_path, configs):
    with open(commands) as f:
        entries = json.load(f)
    fixed = hashlib.sha256(tool_versions().encode())
    for name in configs:
        with open(name, "rb") as f:
            fixed.update(hashlib.sha256(f.read()).digest())
    fixed = fixed.digest()
    os.makedirs(cache, exist_ok=True)
    with concurrent.futures.ThreadPoolExecutor(2) as pool:
        keys = list(pool.map(lambda e: key(root, e, fixed), entries))
    todo = [(e, k) for e, k in zip(entries, keys) if k is None or not os.path.exists(os.path.join(cache, k))]
    print(f"static analysis: clang-tidy on {len(todo)} of {len(entries)} files "
          "(the others are unchanged since a clean run)")

    commands_dir = os.path.dirname(os.path.abspath(commands))
    failed = []
    with open(log_path, "w") as log, concurrent.futures.ThreadPoolExecutor(2) as pool:
        for (entry, k), (status, output) in zip(todo, pool.map(lambda t: tidy(root, commands_dir, t[0]), todo)):
            rel = os.path.relpath(entry["file"], root)
            log.write(f"== {rel}: exit {status}\n{output}")
            findings = [line for line in output.splitlines() if FINDING.search(line)]
            if findings:
                print("\n".join(findings))
            if status != 0 or findings:
                why = "findings" if status == 0 else f"clang-tidy failed (exit {status})"
                failed.append(f"{rel}: {why}")
            elif k is None:
                failed.append(f"{rel}: the compiler could not preprocess it")
            else:
                open(os.path.join(cache, k), "w").close()  # clean: kept as such
    if failed:
        print("static analysis: clang-tidy did not pass:\n  " + "\n  ".join(failed) +
              f"\n(full log: {log_path})", file=sys.stderr)
        return 1
    return 0


def main(argv):
    if len(argv) == 4 and argv[0] == "select":
        return select(*argv[1:])
    if len(argv) >= 5 and argv[0] == "run":
        return run(argv[1], argv[2], argv[3], argv[4], argv[5:])
    print(__doc__, file=sys.stderr)
    return 2


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
