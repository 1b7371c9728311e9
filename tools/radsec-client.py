#!/usr/bin/env python3
"""A RADIUS/TLS client for the sample captures: it connects to a RadSec server with a client
certificate, writes the TLS secrets to a key log (as SSLKEYLOGFILE would), and sends a fixed
conversation: accepted, rejected and accounting requests and a Status-Server, one message per
TLS record (FreeRADIUS 3.2 drops a connection whose record holds two messages or part of
one, so the unit tests build those records themselves).

    radsec-client.py HOST PORT CA CERT KEY KEYLOG --tls 1.2|1.3 [--cipher NAME]

The shared secret is "radsec", as RADIUS over TLS fixes it. Prints each answer's code.
"""
import argparse
import hashlib
import hmac
import os
import socket
import ssl
import struct

SECRET = b"radsec"
ACCESS_REQUEST, ACCESS_ACCEPT, ACCESS_REJECT = 1, 2, 3
ACCOUNTING_REQUEST, STATUS_SERVER = 4, 12


def attribute(kind, value):
    return struct.pack("!BB", kind, len(value) + 2) + value


def hidden_password(password, authenticator):
    padded = password + b"\0" * (-len(password) % 16)
    out, previous = b"", authenticator
    for start in range(0, len(padded), 16):
        mask = hashlib.md5(SECRET + previous).digest()
        block = bytes(a ^ b for a, b in zip(padded[start:start + 16], mask))
        out += block
        previous = block
    return out


def signed(code, identifier, authenticator, attributes):
    """Adds a Message-Authenticator (HMAC-MD5 over the message with it zeroed)."""
    attributes += attribute(80, b"\0" * 16)
    header = struct.pack("!BBH", code, identifier, 20 + len(attributes))
    digest = hmac.new(SECRET, header + authenticator + attributes, hashlib.md5).digest()
    return header + authenticator + attributes[:-16] + digest


def access_request(identifier, user, password):
    authenticator = os.urandom(16)
    attributes = (attribute(1, user) + attribute(2, hidden_password(password, authenticator)) +
                  attribute(4, bytes([127, 0, 0, 1])) + attribute(32, b"radsec-sample"))
    return signed(ACCESS_REQUEST, identifier, authenticator, attributes)


def accounting_start(identifier, user, session):
    attributes = (attribute(40, struct.pack("!I", 1)) + attribute(1, user) +
                  attribute(44, session) + attribute(4, bytes([127, 0, 0, 1])))
    header = struct.pack("!BBH", ACCOUNTING_REQUEST, identifier, 20 + len(attributes))
    authenticator = hashlib.md5(header + b"\0" * 16 + attributes + SECRET).digest()
    return header + authenticator + attributes


def status_server(identifier):
    return signed(STATUS_SERVER, identifier, os.urandom(16), b"")


def read_message(connection):
    header = b""
    while len(header) < 4:
        chunk = connection.recv(4 - len(header))
        if not chunk:
            raise EOFError("the server closed the connection")
        header += chunk
    length = struct.unpack("!H", header[2:4])[0]
    body = b""
    while len(body) < length - 4:
        chunk = connection.recv(length - 4 - len(body))
        if not chunk:
            raise EOFError("the server closed the connection")
        body += chunk
    return header + body


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("host")
    parser.add_argument("port", type=int)
    parser.add_argument("ca")
    parser.add_argument("cert")
    parser.add_argument("key")
    parser.add_argument("keylog")
    parser.add_argument("--tls", choices=["1.2", "1.3"], required=True)
    parser.add_argument("--cipher", help="a TLS 1.2 cipher (OpenSSL's name)")
    options = parser.parse_args()

    context = ssl.SSLContext(ssl.PROTOCOL_TLS_CLIENT)
    context.load_verify_locations(options.ca)
    context.load_cert_chain(options.cert, options.key)
    context.check_hostname = False
    version = ssl.TLSVersion.TLSv1_2 if options.tls == "1.2" else ssl.TLSVersion.TLSv1_3
    context.minimum_version = context.maximum_version = version
    if options.cipher:
        context.set_ciphers(options.cipher)
    context.keylog_filename = options.keylog

    with socket.create_connection((options.host, options.port), timeout=10) as raw:
        raw.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
        with context.wrap_socket(raw, server_hostname="radius.example.test") as connection:
            print(f"  {connection.version()} {connection.cipher()[0]}")
            sent = 0
            # One message in its own record.
            connection.sendall(access_request(1, b"alice", b"password"))
            sent += 1
            connection.sendall(access_request(2, b"alice", b"wrong"))
            sent += 1
            connection.sendall(accounting_start(3, b"alice", b"radsec-0001"))
            connection.sendall(access_request(4, b"bob", b"password"))
            sent += 2
            connection.sendall(access_request(5, b"alice", b"password"))
            sent += 1
            connection.sendall(status_server(6))
            sent += 1
            for _ in range(sent):
                answer = read_message(connection)
                print(f"  answer: code {answer[0]} identifier {answer[1]}")


if __name__ == "__main__":
    main()
