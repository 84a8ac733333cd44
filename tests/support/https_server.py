#!/usr/bin/env python3
"""A small web server for the update tests, on 127.0.0.1 and a free port.

Usage: https_server.py --root DIR [--cert PEM --key PEM] [--log FILE] [--mode serve|hang] [--rate BYTES]

Prints "port N" once it listens, then serves until killed; nothing else is
written to standard output or standard error after that line.
  serve  files below DIR (GET only); with --cert and --key over TLS, else plain http.
         Paths below /stall/ answer with headers and ten bytes of a longer body, then
         nothing; paths below /mute/ get no answer at all.
  hang   accepts connections and never reads or writes (not even a TLS handshake).
Every request's line and headers are appended to FILE. --rate sends files at
about BYTES per second (in tenths, so a download shows its progress).
"""

import argparse
import os
import http.server
import socket
import ssl
import sys
import threading
import time


def quiet():
    # The test reads the first line only: anything later would fill the pipe.
    devnull = os.open(os.devnull, os.O_WRONLY)
    os.dup2(devnull, 1)
    os.dup2(devnull, 2)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--root", required=True)
    parser.add_argument("--cert")
    parser.add_argument("--key")
    parser.add_argument("--log")
    parser.add_argument("--mode", default="serve", choices=("serve", "hang"))
    parser.add_argument("--rate", type=int, default=0)
    args = parser.parse_args()

    if args.mode == "hang":
        listener = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
        listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
        listener.bind(("127.0.0.1", 0))
        listener.listen(16)
        print("port %d" % listener.getsockname()[1], flush=True)
        quiet()
        held = []
        while True:
            connection, _ = listener.accept()
            held.append(connection)  # kept open, never answered

    log_lock = threading.Lock()

    class Handler(http.server.SimpleHTTPRequestHandler):
        def __init__(self, *a, **kw):
            super().__init__(*a, directory=args.root, **kw)

        def log_message(self, *a):
            pass

        def do_GET(self):
            if args.log:
                with log_lock, open(args.log, "a") as log:
                    log.write(self.requestline + "\n")
                    for name, value in self.headers.items():
                        log.write("%s: %s\n" % (name, value))
                    log.write("\n")
            if self.path.startswith("/stall/"):
                self.send_response(200)
                self.send_header("Content-Length", "1000")
                self.end_headers()
                self.wfile.write(b"0123456789")
                self.wfile.flush()
                time.sleep(3600)
                return
            if self.path.startswith("/mute/"):
                time.sleep(3600)
                return
            super().do_GET()

        def copyfile(self, source, destination):
            if args.rate <= 0:
                return super().copyfile(source, destination)
            step = max(1, args.rate // 10)
            while True:
                chunk = source.read(step)
                if not chunk:
                    return
                destination.write(chunk)
                destination.flush()
                time.sleep(0.1)

    class Server(http.server.ThreadingHTTPServer):
        daemon_threads = True

        def handle_error(self, request, client_address):
            pass  # a client that hangs up (a cancelled download) is no error here

        def finish_request(self, request, client_address):
            # The TLS handshake runs in the request's own thread, so one
            # client that never finishes it holds up nobody else.
            if context is not None:
                try:
                    request = context.wrap_socket(request, server_side=True)
                except (ssl.SSLError, OSError):
                    return
            super().finish_request(request, client_address)

    context = None
    if args.cert:
        context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        context.load_cert_chain(args.cert, args.key)
    server = Server(("127.0.0.1", 0), Handler)
    print("port %d" % server.server_address[1], flush=True)
    quiet()
    server.serve_forever()


if __name__ == "__main__":
    sys.exit(main())
