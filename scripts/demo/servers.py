#!/usr/bin/python3
"""The demo's servers, run as the user who starts them: FTP and explicit FTPS
on one port, implicit FTPS on a second, SFTP on a third, all on 127.0.0.1,
for one virtual user with a fresh password, serving DIR/root. pyftpdlib
serves FTP and both FTPS forms, asyncssh serves SFTP; neither needs root or
a system account. The certificate and the SSH host key are made fresh.

  servers.py DIR PARENT_PID

Writes DIR/servers.env (ports, user, password) once every server listens.
Ends on SIGTERM or SIGINT, and by itself when PARENT_PID has gone."""
import asyncio
import datetime
import ipaddress
import logging
import os
import secrets
import signal
import sys
import threading
import warnings

# asyncssh still offers ciphers that cryptography calls old; the demo uses none.
warnings.filterwarnings("ignore", message=".* has been deprecated")
import asyncssh
from cryptography import x509
from cryptography.hazmat.primitives import hashes, serialization
from cryptography.hazmat.primitives.asymmetric import ec
from cryptography.x509.oid import NameOID
from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import TLS_DTPHandler, TLS_FTPHandler
from pyftpdlib.ioloop import IOLoop
from pyftpdlib.servers import FTPServer

USER = "demo"
HOST = "127.0.0.1"


def write_certificate(path):
    """A self-signed certificate for 127.0.0.1 with its key, in one PEM file."""
    key = ec.generate_private_key(ec.SECP256R1())
    name = x509.Name([x509.NameAttribute(NameOID.COMMON_NAME, "Tarnholm Demo")])
    now = datetime.datetime.now(datetime.timezone.utc)
    certificate = (
        x509.CertificateBuilder()
        .subject_name(name)
        .issuer_name(name)
        .public_key(key.public_key())
        .serial_number(x509.random_serial_number())
        .not_valid_before(now - datetime.timedelta(minutes=5))
        .not_valid_after(now + datetime.timedelta(days=30))
        .add_extension(x509.SubjectAlternativeName([x509.IPAddress(ipaddress.ip_address(HOST))]), critical=False)
        .sign(key, hashes.SHA256())
    )
    with open(os.open(path, os.O_WRONLY | os.O_CREAT | os.O_TRUNC, 0o600), "wb") as out:
        out.write(key.private_bytes(serialization.Encoding.PEM, serialization.PrivateFormat.PKCS8,
                                    serialization.NoEncryption()))
        out.write(certificate.public_bytes(serialization.Encoding.PEM))


class DataConnection(TLS_DTPHandler):
    """A data connection that reads the TLS handshake the client starts before
    it sends its transfer command (as libcurl does); pyftpdlib 1.5.7 takes
    such an early read for a lost connection and closes it."""

    def readable(self):
        return self._ssl_accepting or super().readable()


class ExplicitTlsHandler(TLS_FTPHandler):
    """Plain FTP, and FTPS after AUTH TLS, on the same port."""
    banner = "Tarnholm-Demo"
    dtp_handler = DataConnection


class ImplicitTlsHandler(TLS_FTPHandler):
    """TLS from the first byte on: the greeting follows the handshake, and the
    data connections are protected without PBSZ and PROT."""
    banner = "Tarnholm-Demo"
    dtp_handler = DataConnection
    tls_control_required = True

    def __init__(self, conn, server, ioloop=None):
        super().__init__(conn, server, ioloop)
        self._pbsz = True
        self._prot = True

    def handle(self):
        self.secure_connection(self.ssl_context)

    def handle_ssl_established(self):
        TLS_FTPHandler.handle(self)


def start_ftp(root, password, certificate):
    authorizer = DummyAuthorizer()
    authorizer.add_user(USER, password, root, perm="elradfmwMT")
    ports = []
    ioloop = IOLoop()
    for handler in (ExplicitTlsHandler, ImplicitTlsHandler):
        handler.authorizer = authorizer
        handler.certfile = certificate
        server = FTPServer((HOST, 0), handler, ioloop=ioloop)
        ports.append(server.socket.getsockname()[1])
    threading.Thread(target=ioloop.loop, kwargs={"timeout": 0.5}, daemon=True).start()
    return ports


def sftp_server_for(root, password):
    class Login(asyncssh.SSHServer):
        def begin_auth(self, username):
            return True

        def password_auth_supported(self):
            return True

        def validate_password(self, username, given):
            return username == USER and secrets.compare_digest(given, password)

    class Files(asyncssh.SFTPServer):
        def __init__(self, chan):
            super().__init__(chan, chroot=os.fsencode(root))

    return Login, Files


async def serve(folder, parent):
    root = os.path.join(folder, "root")
    password = secrets.token_hex(12)
    certificate = os.path.join(folder, "ftps.pem")
    write_certificate(certificate)
    ftp_port, implicit_port = start_ftp(root, password, certificate)

    login, files = sftp_server_for(root, password)
    sftp = await asyncssh.listen(HOST, 0, server_host_keys=[asyncssh.generate_private_key("ssh-ed25519")],
                                 server_factory=login, sftp_factory=files, allow_scp=False)

    ready = os.path.join(folder, "servers.env")
    with open(ready + ".part", "w", encoding="utf-8") as out:
        out.write("DEMO_FTP_PORT=%d\nDEMO_FTPS_IMPLICIT_PORT=%d\nDEMO_SFTP_PORT=%d\n"
                  "DEMO_USER=%s\nDEMO_PASS=%s\n" % (ftp_port, implicit_port, sftp.sockets[0].getsockname()[1], USER, password))
    os.replace(ready + ".part", ready)

    stop = asyncio.Event()
    loop = asyncio.get_running_loop()
    for number in (signal.SIGTERM, signal.SIGINT):
        loop.add_signal_handler(number, stop.set)
    while not stop.is_set() and os.getppid() == parent:
        try:
            await asyncio.wait_for(stop.wait(), 1.0)
        except asyncio.TimeoutError:
            pass
    sftp.close()


def main():
    if len(sys.argv) != 3:
        sys.exit("usage: servers.py DIR PARENT_PID")
    logging.basicConfig(level=logging.WARNING)
    asyncio.run(serve(os.path.abspath(sys.argv[1]), int(sys.argv[2])))


if __name__ == "__main__":
    main()
