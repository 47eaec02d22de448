#!/usr/bin/env python3
"""How `orvanta-cli serve` answers while slow clients hold connections open:
the time of a health request and of one real conversion, first alone, then
while CLIENTS connections each send one byte of a request head every
INTERVAL seconds. Prints one JSON object (seconds; "failed" when a request
got no answer within 60 s).

  serve_slow_clients.py PORT HEALTH_PATH DECK [CLIENTS] [INTERVAL] [SAMPLES]
"""
import http.client
import json
import os
import socket
import statistics
import sys
import threading
import time
import uuid

HEAD = b"POST /v1/convert HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Type: multipart/form-data; boundary=x\r\n"


def timed(port, method, path, body=None, headers=None):
    started = time.monotonic()
    try:
        connection = http.client.HTTPConnection("127.0.0.1", port, timeout=60)
        connection.request(method, path, body, headers or {})
        answer = connection.getresponse()
        answer.read()
        connection.close()
        return round(time.monotonic() - started, 3), answer.status
    except OSError:
        return "failed", None


def convert(port, deck):
    boundary = uuid.uuid4().hex
    body = (f"--{boundary}\r\nContent-Disposition: form-data; name=\"file\"; filename=\"{os.path.basename(deck)}\"\r\n"
            "\r\n").encode() + open(deck, "rb").read() + f"\r\n--{boundary}--\r\n".encode()
    return timed(port, "POST", "/v1/convert", body, {"Content-Type": f"multipart/form-data; boundary={boundary}"})


def measure(port, health, deck, samples):
    healths = [timed(port, "GET", health) for _ in range(samples)]
    times = [t for t, _ in healths if t != "failed"]
    return {
        "health_median_s": round(statistics.median(times), 3) if times else "failed",
        "health_max_s": max(times) if len(times) == len(healths) else "failed",
        "health_statuses": sorted({str(s) for _, s in healths}),
        "convert": convert(port, deck),
    }


def main():
    port, health, deck = int(sys.argv[1]), sys.argv[2], sys.argv[3]
    clients = int(sys.argv[4]) if len(sys.argv) > 4 else 200
    interval = float(sys.argv[5]) if len(sys.argv) > 5 else 5.0
    samples = int(sys.argv[6]) if len(sys.argv) > 6 else 5
    alone = measure(port, health, deck, samples)

    stop = threading.Event()
    sockets = []
    for _ in range(clients):
        try:
            sockets.append(socket.create_connection(("127.0.0.1", port), timeout=5))
        except OSError:
            break

    def trickle():
        at = 0
        while not stop.wait(0 if at == 0 else interval):
            for s in list(sockets):
                try:
                    s.send(HEAD[at % len(HEAD):at % len(HEAD) + 1])
                except OSError:
                    sockets.remove(s)
            at += 1

    sender = threading.Thread(target=trickle)
    sender.start()
    time.sleep(1)
    held = len(sockets)
    slow = measure(port, health, deck, samples)
    open_at_end = len(sockets)
    stop.set()
    sender.join()
    for s in sockets:
        s.close()
    print(json.dumps({"alone": alone, "slow_clients": clients, "connected": held, "still_open": open_at_end,
                      "under_slow_clients": slow}))


if __name__ == "__main__":
    main()
