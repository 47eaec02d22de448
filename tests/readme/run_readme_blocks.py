#!/usr/bin/env python3
"""Follows the README as a newcomer would: every shell block marked runnable
(an HTML comment "<!-- runnable -->" on the line before its ```sh fence) runs,
in order, in a fresh clone of the checkout, and any block that exits non-zero
fails the test.

The clone gets the build tree that was already made as its build/ (so that
build/apps/orvanta-cli is there without building again, and on PATH as the
installed program would be), the shared test data beside it as ../shared, and
a home folder of its own, so that the user's settings are never touched.
Blocks that install packages or need a cluster are left unmarked."""
import argparse
import os
import re
import subprocess
import sys
import tempfile

MARKER = "<!-- runnable -->"
FENCE = re.compile(r"^```(sh|bash)\s*$")


def runnable_blocks(readme):
    """(line number, text) of each marked block, in order."""
    lines = readme.splitlines()
    blocks = []
    for i, line in enumerate(lines):
        if line.strip() != MARKER:
            continue
        if i + 1 >= len(lines) or not FENCE.match(lines[i + 1]):
            raise SystemExit(f"README line {i + 1}: {MARKER} is not followed by a ```sh block")
        end = next((k for k in range(i + 2, len(lines)) if lines[k].startswith("```")), None)
        if end is None:
            raise SystemExit(f"README line {i + 2}: the block is never closed")
        blocks.append((i + 3, "\n".join(lines[i + 2:end]) + "\n"))
    return blocks


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--source", required=True, help="the checkout to clone")
    parser.add_argument("--build", required=True, help="its build tree, used as the clone's build/")
    parser.add_argument("--shared", help="the shared test data, put beside the clone as ../shared")
    parser.add_argument("--timeout", type=int, default=600, help="seconds one block may take (600)")
    args = parser.parse_args()

    with tempfile.TemporaryDirectory(prefix="orvanta-readme-") as scratch:
        clone = os.path.join(scratch, "orvanta")
        subprocess.run(["git", "clone", "--quiet", args.source, clone], check=True)
        commit = subprocess.run(["git", "-C", clone, "rev-parse", "--short", "HEAD"], check=True,
                                capture_output=True, text=True).stdout.strip()
        os.symlink(os.path.abspath(args.build), os.path.join(clone, "build"))
        if args.shared and os.path.isdir(args.shared):
            os.symlink(os.path.abspath(args.shared), os.path.join(scratch, "shared"))
        home = os.path.join(scratch, "home")
        os.makedirs(home)
        env = dict(os.environ)
        # LibreOffice's first-start set-up is kept where it was: the clone is
        # fresh, the machine need not be.
        env.setdefault("XDG_CACHE_HOME", os.path.join(os.path.expanduser("~"), ".cache"))
        env.update(HOME=home, XDG_CONFIG_HOME=os.path.join(home, ".config"),
                   PATH=os.path.join(clone, "build", "apps") + os.pathsep + env.get("PATH", ""))

        with open(os.path.join(clone, "README.md"), encoding="utf-8") as f:
            blocks = runnable_blocks(f.read())
        if not blocks:
            print(f"README at {commit} marks no block {MARKER}", file=sys.stderr)
            return 1
        failed = 0
        for line, text in blocks:
            print(f"== README line {line} (clone of {commit})\n{text}", flush=True)
            try:
                run = subprocess.run(["bash", "-euo", "pipefail", "-c", text], cwd=clone, env=env,
                                     timeout=args.timeout)
                status = run.returncode
            except subprocess.TimeoutExpired:
                status = f"timed out after {args.timeout} s"
            if status != 0:
                print(f"** README line {line}: the block ended with {status}", file=sys.stderr, flush=True)
                failed += 1
        print(f"{len(blocks) - failed} of {len(blocks)} README blocks ran")
        return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
