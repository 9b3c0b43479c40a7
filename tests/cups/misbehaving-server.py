#!/usr/bin/env python3
"""A print service on 127.0.0.1 that misbehaves, for the tests of bounded waits.
   misbehaving-server.py MODE PORTFILE
MODE: drip (answers "200 OK", then one byte a second), redirect (every
request is sent back to the same address, HTTP 301), garbage (answers
with bytes that are no HTTP). It writes the port it listens on to
PORTFILE and serves until it is killed; each connection for at most 60 s."""
import socket
import sys
import threading
import time

mode, portfile = sys.argv[1], sys.argv[2]
server = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
server.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
server.bind(("127.0.0.1", 0))
server.listen(64)
port = server.getsockname()[1]


def request_head(conn):
    """Reads up to the end of a request's head; False when the peer left."""
    data = b""
    while b"\r\n\r\n" not in data:
        piece = conn.recv(4096)
        if not piece:
            return False
        data += piece
    return True


def serve(conn):
    conn.settimeout(1)
    end = time.monotonic() + 60
    try:
        while time.monotonic() < end:
            try:
                if not request_head(conn):
                    return
            except socket.timeout:
                continue
            if mode == "drip":
                conn.sendall(b"HTTP/1.1 200 OK\r\n")
                while time.monotonic() < end:
                    conn.sendall(b"X")
                    time.sleep(1)
            elif mode == "redirect":
                conn.sendall(b"HTTP/1.1 301 Moved Permanently\r\nLocation: http://127.0.0.1:%d/\r\n"
                             b"Content-Length: 0\r\n\r\n" % port)
            else:
                conn.sendall(b"\x00\x17garbage, not an answer\r\n\x01\x02\x03\r\n\r\n")
    except OSError:
        pass
    finally:
        conn.close()


with open(portfile + ".tmp", "w") as f:
    f.write(str(port))
import os
os.rename(portfile + ".tmp", portfile)
while True:
    conn, _ = server.accept()
    threading.Thread(target=serve, args=(conn,), daemon=True).start()
