#!/usr/bin/env python3
"""A real SMTP server (aiosmtpd) on 127.0.0.1 for the mail tests.

Usage: smtp_sink.py FOLDER [OPTION...]. Prints "PORT <n>" once it accepts connections, stores
message n as FOLDER/<n>.eml (the content exactly as received, after the receiver's own dot
handling) and FOLDER/<n>.env (sender, then one recipient a line), and stops when its standard
input closes. Prints "MISSING aiosmtpd" and exits with 3 when the package is not installed.

Options:
  --starttls CERT KEY   offer STARTTLS with this certificate and key, and take no mail without it
  --tls CERT KEY        speak TLS from the first byte
  --login USER PASSWORD take no mail without a login as USER with PASSWORD
  --mechanism NAME      offer only this login mechanism (PLAIN or LOGIN)
"""
import argparse
import logging
import os
import socket
import ssl
import sys
import threading
import warnings

try:
    from aiosmtpd.controller import Controller
    from aiosmtpd.smtp import AuthResult, LoginPassword
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


def server_context(cert, key):
    context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    context.load_cert_chain(cert, key)
    return context


def main():
    # aiosmtpd warns about settings the tests choose on purpose.
    logging.disable(logging.WARNING)
    warnings.simplefilter("ignore")
    parser = argparse.ArgumentParser()
    parser.add_argument("folder")
    parser.add_argument("--starttls", nargs=2)
    parser.add_argument("--tls", nargs=2)
    parser.add_argument("--login", nargs=2)
    parser.add_argument("--mechanism")
    options = parser.parse_args()

    settings = {}
    if options.starttls:
        settings["tls_context"] = server_context(*options.starttls)
        settings["require_starttls"] = True
    if options.tls:
        settings["ssl_context"] = server_context(*options.tls)
        # The whole connection is secured, though the server only counts STARTTLS as such.
        settings["auth_require_tls"] = False
    if options.login:
        user, password = (value.encode() for value in options.login)

        def authenticator(server, session, envelope, mechanism, data):
            ok = isinstance(data, LoginPassword) and data.login == user and data.password == password
            return AuthResult(success=ok, handled=False)

        settings["authenticator"] = authenticator
        settings["auth_required"] = True
        if options.mechanism:
            settings["auth_exclude_mechanism"] = {"PLAIN", "LOGIN"} - {options.mechanism}
    controller = Controller(Store(options.folder), hostname="127.0.0.1", port=free_port(), **settings)
    controller.start()
    print("PORT", controller.port, flush=True)
    try:
        sys.stdin.read()
    finally:
        controller.stop()


if __name__ == "__main__":
    main()
