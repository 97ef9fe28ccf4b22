#!/usr/bin/env python3
"""The favorites benchmark's web sites, outside Wine: one listener on each of
127.0.0.2 .. 127.0.0.<sites + 1> (all on one port), the routes of the tests'
local server, one thread per connection, connections kept open between
requests as web servers keep them. It records the most requests any one
address worked on at once and writes that to the file named by --peak-file
when it ends.

  favorites/bench/sites.py --port PORT --sites 50 --peak-file FILE --seconds 900
"""
import argparse
import socket
import threading
import time
from urllib.parse import parse_qs, urlsplit

ROUTES = {"/ok": (200, None), "/gone": (404, None), "/removed": (410, None),
          "/moved": (301, "/ok"), "/moved-gone": (301, "/gone"), "/login": (401, None),
          "/forbidden": (403, None), "/error": (500, None), "/busy": (429, None)}
REASONS = {200: "OK", 301: "Moved Permanently", 401: "Unauthorized", 403: "Forbidden",
           404: "Not Found", 410: "Gone", 429: "Too Many Requests", 500: "Internal Server Error"}

lock = threading.Lock()
active = {}
peak = {}


def serve(conn, site):
    """Answers the requests of one connection, one after another, until the
    client closes it or asks for "Connection: close" (as web servers do)."""
    try:
        conn.settimeout(15)
        data = b""
        while True:
            while b"\r\n\r\n" not in data and len(data) < 16384:
                chunk = conn.recv(4096)
                if not chunk:
                    return
                data += chunk
            if b"\r\n\r\n" not in data:
                return
            request, data = data.split(b"\r\n\r\n", 1)
            parts = request.split(b" ", 2)
            if len(parts) < 3:
                return
            keep = b"connection: close" not in request.lower()
            target = parts[1].decode("latin-1")
            with lock:
                active[site] = active.get(site, 0) + 1
                peak[site] = max(peak.get(site, 0), active[site])
            url = urlsplit(target)
            status, location = ROUTES.get(url.path, (404, None))
            if url.path == "/slow":
                query = parse_qs(url.query)
                status = int(query.get("status", ["200"])[0])
                time.sleep(int(query.get("ms", ["0"])[0]) / 1000.0)
            body = ("%d %s\n" % (status, REASONS.get(status, "Status"))).encode()
            head = "HTTP/1.1 %d %s\r\n" % (status, REASONS.get(status, "Status"))
            if location:
                head += "Location: %s\r\n" % location
            head += "Content-Type: text/plain\r\nContent-Length: %d\r\n" % len(body)
            head += "Connection: %s\r\n\r\n" % ("keep-alive" if keep else "close")
            with lock:
                active[site] -= 1
            conn.sendall(head.encode() + body)
            if not keep:
                return
    except OSError:
        pass
    finally:
        conn.close()


def accept_loop(listener, site):
    while True:
        try:
            conn, _ = listener.accept()
        except OSError:
            return
        threading.Thread(target=serve, args=(conn, site), daemon=True).start()


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--port", type=int, required=True)
    parser.add_argument("--sites", type=int, default=50)
    parser.add_argument("--peak-file", required=True)
    parser.add_argument("--seconds", type=float, default=900)
    args = parser.parse_args()
    for i in range(args.sites):
        site = "127.0.0.%d" % (i + 2)
        listener = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
        listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
        listener.bind((site, args.port))
        listener.listen(128)
        threading.Thread(target=accept_loop, args=(listener, site), daemon=True).start()
    print("ready", flush=True)
    end = time.time() + args.seconds
    while time.time() < end:
        time.sleep(0.5)
        with lock:
            snapshot = dict(peak)
        with open(args.peak_file, "w") as out:
            out.write("%d\n" % max(snapshot.values(), default=0))


if __name__ == "__main__":
    main()
