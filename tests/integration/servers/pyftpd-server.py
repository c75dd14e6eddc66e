#!/usr/bin/python3
"""pyftpdlib on loopback for the integration tests: user and anonymous roots,
explicit TLS optional when a certificate is given (--tls13-only: TLS 1.3 or nothing)."""
import argparse
import logging

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler, TLS_FTPHandler
from pyftpdlib.servers import FTPServer

ap = argparse.ArgumentParser()
for name, default in (("--port", "2124"), ("--root", None), ("--anon-root", None), ("--user", "bob"),
                      ("--password", "bobpass"), ("--pasv", "30300-30349"), ("--cert", None),
                      ("--log", "WARNING")):
    ap.add_argument(name, default=default)
ap.add_argument("--tls13-only", action="store_true")
args = ap.parse_args()

authorizer = DummyAuthorizer()
authorizer.add_user(args.user, args.password, args.root, perm="elradfmwMT")  # M: SITE CHMOD, T: MFMT
if args.anon_root:
    authorizer.add_anonymous(args.anon_root)  # read-only
handler = TLS_FTPHandler if args.cert else FTPHandler
if args.cert:
    handler.certfile = args.cert
    handler.tls_control_required = False
    handler.tls_data_required = False
    if args.tls13_only:
        from OpenSSL import SSL
        context = SSL.Context(SSL.TLS_METHOD)
        context.set_min_proto_version(SSL.TLS1_3_VERSION)
        context.use_certificate_chain_file(args.cert)
        context.use_privatekey_file(args.cert)
        handler.ssl_context = context
handler.authorizer = authorizer
low, high = map(int, args.pasv.split("-"))
handler.passive_ports = range(low, high + 1)
logging.basicConfig(level=getattr(logging, args.log))
FTPServer(("127.0.0.1", int(args.port)), handler).serve_forever()
