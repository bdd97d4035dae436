#!/usr/bin/env python3
"""A real SMTP server (aiosmtpd) on 127.0.0.1 for the mail tests.

Usage: smtp_sink.py FOLDER. Prints "PORT <n>" once it accepts connections, stores message n as
FOLDER/<n>.eml (the content exactly as received, after the receiver's own dot handling) and
FOLDER/<n>.env (sender, then one recipient a line), and stops when its standard input closes.
Prints "MISSING aiosmtpd" and exits with 3 when the package is not installed.
"""
import os
import socket
import sys
import threading

try:
    from aiosmtpd.controller import Controller
except ImportError:
    print("MISSING aiosmtpd", flush=True)
    sys.exit(3)


class Store:
    def __init__(self, folder):
        self.folder = folder
        self.count = 0
        self.lock = threading.Lock()

    async def handle_DATA(self, server, session, envelope):
        with self.lock:
            self.count += 1
            number = self.count
        base = os.path.join(self.folder, str(number))
        with open(base + ".env", "w", encoding="utf-8") as envelope_file:
            envelope_file.write(envelope.mail_from + "\n")
            for recipient in envelope.rcpt_tos:
                envelope_file.write(recipient + "\n")
        with open(base + ".tmp", "wb") as content_file:
            content_file.write(envelope.original_content)
        os.rename(base + ".tmp", base + ".eml")
        return "250 Message accepted for delivery"


def free_port():
    with socket.socket() as probe:
        probe.bind(("127.0.0.1", 0))
        return probe.getsockname()[1]


def main():
    controller = Controller(Store(sys.argv[1]), hostname="127.0.0.1", port=free_port())
    controller.start()
    print("PORT", controller.port, flush=True)
    try:
        sys.stdin.read()
    finally:
        controller.stop()


if __name__ == "__main__":
    main()
