#!/usr/bin/env python3
# Reads /download/lite/quorvane.exe from 127.0.0.1:PORT natively, as fast as it comes, and prints
#   line <body bytes> <seconds> <MiB/s over the first half second>
# the last showing whether a paced server lets the start of the body through at once.
#   bench/download/read-line.py PORT
import socket
import sys
import time

with socket.create_connection(("127.0.0.1", int(sys.argv[1]))) as s:
    s.sendall(b"GET /download/lite/quorvane.exe HTTP/1.0\r\nHost: 127.0.0.1\r\n\r\n")
    start, head, early = time.monotonic(), b"", None
    while b"\r\n\r\n" not in head:
        head += s.recv(65536)
    total = len(head.split(b"\r\n\r\n", 1)[1])
    while chunk := s.recv(1 << 20):
        total += len(chunk)
        if early is None and time.monotonic() - start >= 0.5:
            early = total / (time.monotonic() - start)
    print("line %d %.3f %.1f" % (total, time.monotonic() - start, (early or 0) / 1048576))
