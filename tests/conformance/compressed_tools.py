#!/usr/bin/env python3
"""The system's compression tools for the compressed-file table of a build
whose test programs cannot run them (the Windows build, under Wine).

  compressed_tools.py make DIR
      writes DIR/text-LINES-SEED.SUFFIX for each sample text the table
      compresses, as each tool compresses it (run on the build host while
      the test program is built)
  compressed_tools.py check DIR PROGRAM [ARG...]
      runs PROGRAM (the table's write rows) with VRB_COMPRESSED_WRITTEN=DIR,
      where each row leaves what the library wrote (NAME) beside the text it
      was given (NAME.expected); then each tool decompresses those files and
      its output is compared with the text

The commands are the ones the table runs itself where it can.
"""
import os
import shutil
import subprocess
import sys

TOOLS = {
    "gz": (["gzip", "-6", "-c"], ["gzip", "-dc"]),
    "bz2": (["bzip2", "-9", "-c"], ["bzip2", "-dc"]),
    "xz": (["xz", "-6", "-c"], ["xz", "-dc"]),
    "zst": (["zstd", "-3", "-q", "-c"], ["zstd", "-dcq"]),
}

# (lines, seed) of every text the table has a tool compress.
TEXTS = [(0, 0), (3000, 1), (10, 2), (40000, 5)]


def sample_text(lines, seed):
    """The table's sampleText(lines, seed), byte for byte."""
    out = []
    state = (seed * 2654435761 + 1) & 0xFFFFFFFF
    for i in range(lines):
        state = (state * 1103515245 + 12345) & 0xFFFFFFFF
        out.append(f"record {i} value {state % 100000} \u00e9t\u00e9\n")
    return "".join(out).encode("utf-8")


def run(command, data):
    return subprocess.run(command, input=data, stdout=subprocess.PIPE, check=True).stdout


def make(directory):
    os.makedirs(directory, exist_ok=True)
    for lines, seed in TEXTS:
        text = sample_text(lines, seed)
        for suffix, (compress, _) in TOOLS.items():
            path = os.path.join(directory, f"text-{lines}-{seed}.{suffix}")
            with open(path + ".part", "wb") as out:
                out.write(run(compress, text))
            os.replace(path + ".part", path)
    return 0


def check(directory, program):
    shutil.rmtree(directory, ignore_errors=True)
    os.makedirs(directory)
    environment = dict(os.environ, VRB_COMPRESSED_WRITTEN=directory)
    if subprocess.run(program, env=environment).returncode != 0:
        print("compressed_tools.py: the write rows failed", file=sys.stderr)
        return 1
    failures = []
    seen = set()
    for name in sorted(os.listdir(directory)):
        if not name.endswith(".expected"):
            continue
        written = name[: -len(".expected")]
        backend, suffix = written.split("-", 1)[0], written.rsplit(".", 1)[1]
        seen.add((backend, suffix))
        with open(os.path.join(directory, written), "rb") as f:
            data = f.read()
        with open(os.path.join(directory, name), "rb") as f:
            expected = f.read()
        result = subprocess.run(TOOLS[suffix][1], input=data, stdout=subprocess.PIPE, stderr=subprocess.PIPE)
        if result.returncode != 0:
            failures.append(f"{written}: {' '.join(TOOLS[suffix][1])} failed: {result.stderr.decode(errors='replace')}")
        elif result.stdout != expected:
            failures.append(f"{written}: decompresses to other text ({len(result.stdout)} bytes) than was written ({len(expected)} bytes)")
        else:
            print(f"{written}: {len(expected)} bytes read back by {TOOLS[suffix][1][0]}")
    # Rows that left nothing would pass unchecked; the local rows always
    # run, the cluster's whenever the test command started one.
    backends = ["local"] + (["hdfs"] if os.environ.get("VRB_HDFS_HTTP") else [])
    for backend in backends:
        for suffix in TOOLS:
            if (backend, suffix) not in seen:
                failures.append(f"no file written by the {backend} {suffix} row")
    for failure in failures:
        print(failure, file=sys.stderr)
    return 1 if failures else 0


def main(argv):
    if len(argv) == 3 and argv[1] == "make":
        return make(argv[2])
    if len(argv) > 3 and argv[1] == "check":
        return check(argv[2], argv[3:])
    print(__doc__, file=sys.stderr)
    return 2


if __name__ == "__main__":
    sys.exit(main(sys.argv))
