#!/usr/bin/env python3
"""Load on `orvanta-cli serve`: REQUESTS requests from CLIENTS clients at once,
a mix of corpus decks and files that cannot be converted, each answer checked
against what it should be. Prints one JSON object: answers by status, lost
ones, p50/p95 latency, throughput, and the peak resident memory of the
service with its workers and LibreOffices (sampled from /proc).

  serve_load.py PORT SERVICE_PID REQUESTS CLIENTS FILE=STATUS...
"""
import http.client
import json
import os
import sys
import threading
import time
import uuid


def resident_bytes_of_tree(root):
    parents, pages = {}, {}
    for name in os.listdir("/proc"):
        if not name.isdigit():
            continue
        try:
            with open(f"/proc/{name}/stat") as stat:
                fields = stat.read().rsplit(")", 1)[1].split()
        except OSError:
            continue
        parents[int(name)] = int(fields[1])
        pages[int(name)] = int(fields[21])
    total = 0
    for pid in pages:
        walk, depth = pid, 0
        while walk > 1 and depth < 64:
            if walk == root:
                total += pages[pid]
                break
            walk, depth = parents.get(walk, 0), depth + 1
    return total * os.sysconf("SC_PAGE_SIZE")


def post(port, path, content):
    boundary = uuid.uuid4().hex
    name = os.path.basename(path)
    body = (f"--{boundary}\r\nContent-Disposition: form-data; name=\"file\"; filename=\"{name}\"\r\n"
            f"Content-Type: application/octet-stream\r\n\r\n").encode() + content + f"\r\n--{boundary}--\r\n".encode()
    connection = http.client.HTTPConnection("127.0.0.1", port, timeout=600)
    connection.request("POST", "/v1/convert", body, {"Content-Type": f"multipart/form-data; boundary={boundary}"})
    answer = connection.getresponse()
    answer.read()
    connection.close()
    return answer.status


def main():
    port, service, requests, clients = (int(x) for x in sys.argv[1:5])
    mix = [(path, int(status)) for path, status in (arg.rsplit("=", 1) for arg in sys.argv[5:])]
    contents = {path: open(path, "rb").read() for path, _ in mix}
    lock = threading.Lock()
    latencies, statuses, wrong = [], {}, []
    issued = iter(range(requests))
    peak = [0]
    done = threading.Event()

    def sample():
        while not done.is_set():
            peak[0] = max(peak[0], resident_bytes_of_tree(service))
            time.sleep(0.2)

    def client():
        while True:
            with lock:
                k = next(issued, None)
            if k is None:
                return
            path, expected = mix[k % len(mix)]
            started = time.monotonic()
            try:
                status = post(port, path, contents[path])
            except OSError as error:
                status = f"lost ({error})"
            with lock:
                latencies.append(time.monotonic() - started)
                statuses[str(status)] = statuses.get(str(status), 0) + 1
                if status != expected:
                    wrong.append(f"{os.path.basename(path)}: {status}, not {expected}")

    sampler = threading.Thread(target=sample)
    sampler.start()
    started = time.monotonic()
    threads = [threading.Thread(target=client) for _ in range(clients)]
    for thread in threads:
        thread.start()
    for thread in threads:
        thread.join()
    wall = time.monotonic() - started
    done.set()
    sampler.join()
    latencies.sort()
    print(json.dumps({
        "requests": requests, "answered": len(latencies), "statuses": statuses, "wrong": wrong[:10],
        "p50_s": round(latencies[len(latencies) // 2], 3),
        "p95_s": round(latencies[min(len(latencies) - 1, int(len(latencies) * 0.95))], 3),
        "wall_s": round(wall, 2), "per_s": round(len(latencies) / wall, 2),
        "peak_resident_mb": round(peak[0] / 2**20, 1),
    }))


if __name__ == "__main__":
    main()
