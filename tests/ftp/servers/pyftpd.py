"""FTP server for the client tests: one user with full rights on one folder, on loopback, and
USER-sin-renombrar (same password and folder) without the right to rename, as servers that deny
RNFR/RNTO are often set up, and USER-sin-opciones, whose LIST refuses options ("LIST -a"), as
some servers do.

Usage: pyftpd.py PORT USER PASSWORD FOLDER [CERTIFICATE KEY]

With a certificate and its key, logins and data need explicit TLS.

Uploads whose name starts with "full" are refused once all their data has arrived, as a
server with a full disk or an exceeded quota does. Uploads whose name starts with "slow" stall
for about two seconds after every 8 MiB (pyftpdlib's throttling), for tests that stop one midway.
Either goes for the client's hidden temporary names of such files as well.
"""
import logging
import os
import re
import sys

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import (FTPHandler, ThrottledDTPHandler, TLS_DTPHandler,
                                TLS_FTPHandler)
from pyftpdlib.servers import FTPServer

log = logging.getLogger("pyftpdlib")


def visible_name(file_obj):
    """The file's name, or the name of the file a temporary upload stands for."""
    name = os.path.basename(file_obj.name) if file_obj else ""
    temporary = re.match(r"\.zv[na]-[0-9a-f]{8}-[0-9a-z]+-[0-9]+-(.*)$", name)
    return temporary.group(1) if temporary else name


class Quota:
    def handle_close(self):
        if self.receive and not self._closed and visible_name(self.file_obj).startswith("full"):
            self._resp = ("552 Requested file action aborted. Exceeded storage allocation.",
                          log.info)
            self.close()
        else:
            super().handle_close()


class TestDTPHandler(Quota, ThrottledDTPHandler):
    def enable_receiving(self, type, cmd):
        if visible_name(self.file_obj).startswith("slow"):
            self.read_limit = 8 * 1024 * 1024
        super().enable_receiving(type, cmd)


class TestTLSDTPHandler(Quota, TLS_DTPHandler):
    def readable(self):
        # A client may start TLS on a data connection as soon as it is connected, before its
        # STOR or RETR has been read on the control connection (curl does). pyftpdlib 1.5.7
        # reads a data connection that is readable before its command as closed by the client
        # and drops it; while the handshake runs it must be read instead (as later pyftpdlib
        # releases do).
        return self._ssl_accepting or super().readable()


class TestFTPHandler(FTPHandler):
    def pre_process_command(self, line, cmd, arg):
        if cmd == "LIST" and arg.startswith("-") and self.username.endswith("-sin-opciones"):
            self.respond("501 Invalid LIST option.")
        else:
            super().pre_process_command(line, cmd, arg)


def main():
    port, user, password, folder = sys.argv[1:5]
    authorizer = DummyAuthorizer()
    authorizer.add_user(user, password, folder, perm="elradfmwMT")
    authorizer.add_user(user + "-sin-renombrar", password, folder, perm="elradmwMT")
    authorizer.add_user(user + "-sin-opciones", password, folder, perm="elradfmwMT")
    handler = TestFTPHandler
    handler.dtp_handler = TestDTPHandler
    if len(sys.argv) > 6:
        handler = TLS_FTPHandler
        handler.certfile, handler.keyfile = sys.argv[5:7]
        handler.tls_control_required = handler.tls_data_required = True
        handler.dtp_handler = TestTLSDTPHandler
    handler.authorizer = authorizer
    handler.auth_failed_timeout = 0.2  # the tests need no brute-force delay
    server = FTPServer(("127.0.0.1", int(port)), handler)
    server.serve_forever()


if __name__ == "__main__":
    main()
