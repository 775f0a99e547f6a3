#!/usr/bin/env python3
"""A download server for the end-to-end tests and the benchmark, on Python's http.server.

    e2e_server.py PORT ROOT LOG [--truncate NAME] [--rate BYTES_PER_SECOND NAME]
                                [--cut FRACTION NAME] [--stall FRACTION NAME]

Serves ROOT under /download/lite/ on 127.0.0.1:PORT, HTTP/1.0 (one request per connection),
appends one line per request ("GET /download/lite/x") to LOG. --truncate NAME announces NAME's
full length but sends only its first half, then closes. --rate slows NAME down. --cut sends
only FRACTION of NAME to every request for the whole of it, then closes. --stall sends FRACTION
of NAME to every request for the whole of it, then sends nothing more until the client closes
(at most 60 s): a download that stops at a known point for as long as the test needs. A request with
"Range: bytes=N-" gets a 206 with the rest of the file from N; each request's log line then ends
with "range N", and every line with "sent BYTES" (the body bytes sent).
"""
import argparse
import http.server
import os
import re
import sys
import time

PREFIX = "/download/lite/"


def make_handler(args):
    class Handler(http.server.BaseHTTPRequestHandler):
        protocol_version = "HTTP/1.0"

        def log_message(self, *unused):
            pass

        def do_GET(self):
            name = self.path[len(PREFIX):] if self.path.startswith(PREFIX) else ""
            path = os.path.join(args.root, name)
            if not name or "/" in name or not os.path.isfile(path):
                self.log_request_line("")
                self.send_error(404)
                return
            size = os.path.getsize(path)
            wanted = re.fullmatch(r"bytes=(\d+)-", self.headers.get("Range", ""))
            first = int(wanted.group(1)) if wanted else 0
            if 0 < first < size:
                self.send_response(206)
                self.send_header("Content-Range", f"bytes {first}-{size - 1}/{size}")
            else:
                first = 0
                self.send_response(200)
            self.send_header("Content-Type", "application/octet-stream")
            self.send_header("Content-Length", str(size - first))
            self.end_headers()
            end = size
            if name == args.truncate:
                end = size // 2
            elif args.cut and name == args.cut[1] and not wanted:
                end = int(size * float(args.cut[0]))
            with open(path, "rb") as body:
                body.seek(first)
                if args.rate and name == args.rate[1]:
                    sent = self.send_slowly(body, int(args.rate[0]))
                elif args.stall and name == args.stall[1] and not wanted:
                    sent = self.send_part(body, int(size * float(args.stall[0])))
                    self.wfile.flush()
                    self.wait_for_close()
                else:
                    sent = self.send_part(body, end - first)
            self.log_request_line(f" range {first}" * bool(wanted) + f" sent {sent}")

        def log_request_line(self, detail):
            with open(args.log, "a") as log:
                log.write(f"GET {self.path}{detail}\n")

        def send_part(self, body, count):
            sent = 0
            while sent < count and (chunk := body.read(min(1 << 20, count - sent))):
                self.wfile.write(chunk)
                sent += len(chunk)
            return sent

        def wait_for_close(self):
            self.connection.settimeout(60)
            try:
                while self.connection.recv(4096):
                    pass
            except OSError:
                pass

        def send_slowly(self, body, rate):
            block = max(1, rate // 10)
            sent = 0
            while chunk := body.read(block):
                self.wfile.write(chunk)
                sent += len(chunk)
                time.sleep(0.1)
            return sent

    return Handler


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("port", type=int)
    parser.add_argument("root")
    parser.add_argument("log")
    parser.add_argument("--truncate", default="")
    parser.add_argument("--rate", nargs=2, metavar=("BYTES_PER_SECOND", "NAME"))
    parser.add_argument("--cut", nargs=2, metavar=("FRACTION", "NAME"))
    parser.add_argument("--stall", nargs=2, metavar=("FRACTION", "NAME"))
    args = parser.parse_args()
    server = http.server.ThreadingHTTPServer(("127.0.0.1", args.port), make_handler(args))
    print("ready", flush=True)
    try:
        server.serve_forever()
    except KeyboardInterrupt:
        pass
    return 0


if __name__ == "__main__":
    sys.exit(main())
