"""FTP server for the client tests: one user with full rights on one folder, on loopback.

Usage: pyftpd.py PORT USER PASSWORD FOLDER

Uploads whose name starts with "full" are refused once all their data has arrived, as a
server with a full disk or an exceeded quota does.
"""
import logging
import os
import sys

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import DTPHandler, FTPHandler
from pyftpdlib.servers import FTPServer

log = logging.getLogger("pyftpdlib")


class QuotaDTPHandler(DTPHandler):
    def handle_close(self):
        name = os.path.basename(self.file_obj.name) if self.file_obj else ""
        if self.receive and not self._closed and name.startswith("full"):
            self._resp = ("552 Requested file action aborted. Exceeded storage allocation.",
                          log.info)
            self.close()
        else:
            super().handle_close()


def main():
    port, user, password, folder = sys.argv[1:5]
    authorizer = DummyAuthorizer()
    authorizer.add_user(user, password, folder, perm="elradfmwMT")
    handler = FTPHandler
    handler.authorizer = authorizer
    handler.dtp_handler = QuotaDTPHandler
    handler.auth_failed_timeout = 0.2  # the tests need no brute-force delay
    server = FTPServer(("127.0.0.1", int(port)), handler)
    server.serve_forever()


if __name__ == "__main__":
    main()
