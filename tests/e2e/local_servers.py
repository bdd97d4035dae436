"""Small web servers on loopback addresses, port 80, for the end-to-end run.

Each argument is ADDRESS=KIND, with KIND one of:
  page     answers every request with a short page that never changes
  missing  answers with a page titled "404 Not Found"
  silent   accepts connections and never answers; each accepted connection is logged
Once every server listens, the file named by --ready is written.
"""

import argparse
import http.server
import socket
import socketserver
import sys
import threading


class PageHandler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    # Headers and body go out as one write, so no reply waits for a delayed acknowledgement.
    wbufsize = -1
    body = b"<html><head><title>A quiet page</title></head><body>Nothing new here.</body></html>"
    status = 200

    def do_GET(self):
        self.send_response(self.status)
        self.send_header("Content-Type", "text/html")
        self.send_header("Content-Length", str(len(self.body)))
        self.end_headers()
        self.wfile.write(self.body)

    def do_HEAD(self):
        self.send_response(self.status)
        self.send_header("Content-Type", "text/html")
        self.send_header("Content-Length", str(len(self.body)))
        self.end_headers()

    def log_message(self, format, *args):
        pass


class MissingHandler(PageHandler):
    body = b"<html><head><title>404 Not Found</title></head><body>No such page.</body></html>"
    status = 404


class ThreadingServer(socketserver.ThreadingMixIn, http.server.HTTPServer):
    daemon_threads = True
    allow_reuse_address = True

    def handle_error(self, request, client_address):
        pass  # a client that hangs up after the headers is normal here


def serve_silently(address, log_path):
    listener = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    listener.bind((address, 80))
    listener.listen(64)
    held = []

    def accept_forever():
        while True:
            connection, _ = listener.accept()
            held.append(connection)  # kept open and never answered
            with open(log_path, "a") as log:
                log.write("accepted\n")

    threading.Thread(target=accept_forever, daemon=True).start()


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--ready", required=True)
    parser.add_argument("--silent-log", required=True)
    parser.add_argument("servers", nargs="+")
    options = parser.parse_args()

    for entry in options.servers:
        address, kind = entry.split("=")
        if kind == "silent":
            serve_silently(address, options.silent_log)
            continue
        handler = {"page": PageHandler, "missing": MissingHandler}[kind]
        server = ThreadingServer((address, 80), handler)
        threading.Thread(target=server.serve_forever, daemon=True).start()

    with open(options.ready, "w") as ready:
        ready.write("ready\n")
    threading.Event().wait()


if __name__ == "__main__":
    sys.exit(main())
