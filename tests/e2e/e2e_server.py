#!/usr/bin/env python3
"""A download server for the end-to-end tests and the benchmark, on Python's http.server.

    e2e_server.py PORT ROOT LOG [--truncate NAME] [--rate BYTES_PER_SECOND NAME]

Serves ROOT under /download/lite/ on 127.0.0.1:PORT, HTTP/1.0 (one request per connection),
appends one line per request ("GET /download/lite/x") to LOG. --truncate NAME announces NAME's
full length but sends only its first half, then closes. --rate slows NAME down.
"""
import argparse
import http.server
import os
import shutil
import sys
import time

PREFIX = "/download/lite/"


def make_handler(args):
    class Handler(http.server.BaseHTTPRequestHandler):
        protocol_version = "HTTP/1.0"

        def log_message(self, *unused):
            pass

        def do_GET(self):
            with open(args.log, "a") as log:
                log.write(f"GET {self.path}\n")
            name = self.path[len(PREFIX):] if self.path.startswith(PREFIX) else ""
            path = os.path.join(args.root, name)
            if not name or "/" in name or not os.path.isfile(path):
                self.send_error(404)
                return
            size = os.path.getsize(path)
            self.send_response(200)
            self.send_header("Content-Type", "application/octet-stream")
            self.send_header("Content-Length", str(size))
            self.end_headers()
            with open(path, "rb") as body:
                if name == args.truncate:
                    self.wfile.write(body.read(size // 2))
                elif args.rate and name == args.rate[1]:
                    self.send_slowly(body, int(args.rate[0]))
                else:
                    shutil.copyfileobj(body, self.wfile, 1 << 20)

        def send_slowly(self, body, rate):
            block = max(1, rate // 10)
            while chunk := body.read(block):
                self.wfile.write(chunk)
                time.sleep(0.1)

    return Handler


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("port", type=int)
    parser.add_argument("root")
    parser.add_argument("log")
    parser.add_argument("--truncate", default="")
    parser.add_argument("--rate", nargs=2, metavar=("BYTES_PER_SECOND", "NAME"))
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
