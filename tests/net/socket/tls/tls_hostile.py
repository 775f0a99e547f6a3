#!/usr/bin/env python3
"""A TLS server that misbehaves on purpose, for the engine's hostile cases over TLS. The case
server of the other hostile tests speaks plain TCP only; this one plays the faults that only
TLS has, chosen by the request path:
  /whole           a body without Content-Length, then the close notice (the control case)
  /split           the same, its header lines cut across several records
  /close-in-record a body, then half of a record, then the connection closes
  /reset           part of a body without Content-Length, then a TCP reset
  /stall           part of the body, then nothing (the connection stays open)
  /cut-body        half of the announced Content-Length, then the close notice
  /no-close-notice a body without Content-Length, then a close without the close notice
  /length-no-close-notice  a whole body with its Content-Length, then a close without the notice
A request in plain HTTP (not TLS) gets the body without Content-Length, then the close.
The body is BODY_SIZE bytes of "q". Serves connections one at a time until killed.
  tls_hostile.py PORT CERT.pem KEY.pem
With --renegotiate, every request gets part of a body over TLS 1.2 and then a request for a new
handshake (Python's ssl cannot send one: openssl s_server does, on its "r" command).
  tls_hostile.py --renegotiate PORT CERT.pem KEY.pem"""
import socket
import ssl
import struct
import subprocess
import sys
import signal
import time

BODY_SIZE = 100000


class Connection:
    def __init__(self, sock, context):
        self.sock = sock
        self.incoming = ssl.MemoryBIO()
        self.outgoing = ssl.MemoryBIO()
        self.tls = context.wrap_bio(self.incoming, self.outgoing, server_side=True)

    def flush(self, cut=0):
        data = self.outgoing.read()
        self.sock.sendall(data[: len(data) - cut] if cut else data)

    def pull(self):
        self.flush()
        data = self.sock.recv(65536)
        if not data:
            raise ConnectionError("client closed")
        self.incoming.write(data)

    def handshake(self):
        while True:
            try:
                self.tls.do_handshake()
                self.flush()
                return
            except ssl.SSLWantReadError:
                self.pull()

    def request(self):
        text = b""
        while b"\r\n\r\n" not in text:
            try:
                text += self.tls.read(65536)
            except ssl.SSLWantReadError:
                self.pull()
        return text.split(b" ")[1].decode()

    def send(self, data, cut=0):
        self.tls.write(data)
        self.flush(cut)

    def close_notice(self):
        try:
            self.tls.unwrap()
        except ssl.SSLWantReadError:
            pass
        self.flush()


def serve(conn, path):
    header = b"HTTP/1.0 200 OK\r\n"
    body = b"q" * BODY_SIZE
    if path == "/whole":
        conn.send(header + b"\r\n" + body)
        conn.close_notice()
    elif path == "/split":
        for piece in (b"HTTP/1.0 2", b"00 OK\r", b"\nContent-Le", b"ngth: %d\r\n" % BODY_SIZE, b"\r", b"\n" + body):
            conn.send(piece)
        conn.close_notice()
    elif path == "/close-in-record":
        conn.send(header + b"\r\n" + body[:50000])
        conn.send(body[50000:51000], cut=500)
    elif path == "/reset":
        conn.send(header + b"\r\n" + body[:50000])
        time.sleep(0.2)
        conn.sock.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack("ii", 1, 0))
    elif path == "/stall":
        conn.send(header + b"Content-Length: %d\r\n\r\n" % BODY_SIZE + body[:50000])
        time.sleep(30)
    elif path == "/cut-body":
        conn.send(header + b"Content-Length: %d\r\n\r\n" % BODY_SIZE + body[: BODY_SIZE // 2])
        conn.close_notice()
    elif path == "/no-close-notice":
        conn.send(header + b"\r\n" + body)
    elif path == "/length-no-close-notice":
        conn.send(header + b"Content-Length: %d\r\n\r\n" % BODY_SIZE + body)


def serve_plain(sock):
    request = b""
    while b"\r\n\r\n" not in request:
        data = sock.recv(65536)
        if not data:
            return
        request += data
    sock.sendall(b"HTTP/1.0 200 OK\r\n\r\n" + b"q" * BODY_SIZE)


def renegotiating(port, cert, key):
    server = subprocess.Popen(["openssl", "s_server", "-accept", str(port), "-cert", cert, "-key", key, "-tls1_2"],
                              stdin=subprocess.PIPE, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
    # Stopped with the test's servers: s_server goes too.
    signal.signal(signal.SIGTERM, lambda *_: (server.kill(), sys.exit(0)))
    request = False
    # s_server prints what the client sends; a blank line ends its request.
    for line in server.stdout:
        request = request or line.startswith(b"GET ")
        if request and line in (b"\r\n", b"\n"):
            request = False
            server.stdin.write(b"HTTP/1.0 200 OK\r\n\r\n" + b"q" * 1000)
            server.stdin.flush()
            # A command is a line of its own, read apart from the reply.
            time.sleep(0.5)
            server.stdin.write(b"r\n")
            server.stdin.flush()


def main():
    if sys.argv[1] == "--renegotiate":
        renegotiating(int(sys.argv[2]), sys.argv[3], sys.argv[4])
        return
    port, cert, key = int(sys.argv[1]), sys.argv[2], sys.argv[3]
    context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    context.load_cert_chain(cert, key)
    listener = socket.socket()
    listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    listener.bind(("127.0.0.1", port))
    listener.listen(8)
    while True:
        sock, _ = listener.accept()
        sock.settimeout(40)
        try:
            if sock.recv(1, socket.MSG_PEEK) != b"\x16":
                serve_plain(sock)
                continue
            conn = Connection(sock, context)
            conn.handshake()
            serve(conn, conn.request())
        except (OSError, ssl.SSLError, ConnectionError):
            pass
        finally:
            sock.close()


if __name__ == "__main__":
    main()
