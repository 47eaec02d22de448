#!/usr/bin/env python3
"""LibreOffice's resident memory over one long batch.

    bench/office_memory.py [--count N] [--cli PATH] [--output FILE]

Converts the corpus (../shared/corpus/ppt beside the checkout), repeated until
N presentations (100) have been given, in one orvanta-cli call, and samples
the resident memory (VmRSS, summed over LibreOffice's processes) twice a
second. Prints, per presentation, the peak while it was converted, then the
growth per pass. The figures choose how often the batch restarts
LibreOffice; a run of the program as built shows the interval at work.
"""
import argparse
import os
import subprocess
import tempfile
import threading
import time

here = os.path.dirname(os.path.abspath(__file__))


def office_rss_kib(program_pid):
    marker = f"orvanta-office-{program_pid}-".encode()
    total = 0
    for entry in os.listdir("/proc"):
        if not entry.isdigit():
            continue
        try:
            with open(f"/proc/{entry}/cmdline", "rb") as f:
                if marker not in f.read():
                    continue
            with open(f"/proc/{entry}/status") as f:
                for line in f:
                    if line.startswith("VmRSS:"):
                        total += int(line.split()[1])
        except OSError:
            pass
    return total


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--count", type=int, default=100)
    parser.add_argument("--cli", default=os.path.join(here, "..", "build", "apps", "orvanta-cli"))
    parser.add_argument("--output")
    args = parser.parse_args()

    corpus = os.path.normpath(os.path.join(here, "..", "..", "shared", "corpus", "ppt"))
    files = sorted(os.path.join(corpus, n) for n in os.listdir(corpus) if n.lower().endswith((".ppt", ".pps")))
    batch = [files[i % len(files)] for i in range(args.count)]

    work = tempfile.mkdtemp(prefix="orvanta-memory-")
    env = dict(os.environ, XDG_CONFIG_HOME=os.path.join(work, "config"))
    command = [args.cli, "convert", "--no-html", "--time-limit", "300", "--output-dir", os.path.join(work, "out")]
    process = subprocess.Popen(command + ["--"] + batch, stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                               env=env, text=True)

    # Each entry ends with a line on stdout (converted) or stderr (failed):
    # the index of the entry in progress is the number of entries reported.
    done = [0]
    samples = []  # (entry index, kib)
    stop = threading.Event()

    def sampler():
        while not stop.is_set():
            samples.append((done[0], office_rss_kib(process.pid)))
            time.sleep(0.5)

    def count(stream, marker):
        for line in stream:
            if marker(line):
                done[0] += 1

    started = time.time()
    threads = [threading.Thread(target=sampler),
               threading.Thread(target=count, args=(process.stdout, lambda l: ": movie " in l or ": movies in " in l)),
               threading.Thread(target=count, args=(process.stderr, lambda l: l.startswith("Orvanta: ")))]
    for t in threads:
        t.start()
    process.wait()
    stop.set()
    for t in threads:
        t.join()
    seconds = time.time() - started

    peaks = {}
    for index, kib in samples:
        peaks[index] = max(peaks.get(index, 0), kib)
    lines = [f"{len(batch)} presentations in {seconds:.0f} s, exit status {process.returncode}",
             "entry  peak MiB  file"]
    for index in sorted(peaks):
        name = os.path.basename(batch[index]) if index < len(batch) else "(end)"
        lines.append(f"{index + 1:5d}  {peaks[index] / 1024:8.1f}  {name}")
    firsts = [peaks[i] for i in sorted(peaks) if i < len(files)]
    lasts = [peaks[i] for i in sorted(peaks) if i >= len(batch) - len(files) and i < len(batch)]
    if firsts and lasts:
        rounds = max(1, (len(batch) - len(files)) / len(files))
        lines.append(f"peak over the first pass {max(firsts) / 1024:.1f} MiB, over the last {max(lasts) / 1024:.1f} MiB, "
                     f"growth per pass of {len(files)} files {(max(lasts) - max(firsts)) / 1024 / rounds:.1f} MiB")
    lines.append(f"overall peak {max(k for _, k in samples) / 1024:.1f} MiB")
    text = "\n".join(lines)
    print(text)
    if args.output:
        with open(args.output, "w") as f:
            f.write(text + "\n")
    subprocess.run(["rm", "-rf", work])


if __name__ == "__main__":
    main()
