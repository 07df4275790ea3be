"""pyftpdlib on loopback whose every reply waits 10 ms: a simulated 10 ms round trip.

Usage: slow_pyftpd.py PORT USER PASSWORD FOLDER
"""
import sys
import time

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler
from pyftpdlib.servers import FTPServer


class SlowHandler(FTPHandler):
    def respond(self, *args, **kwargs):
        time.sleep(0.01)
        super().respond(*args, **kwargs)


def main():
    port, user, password, folder = sys.argv[1:5]
    authorizer = DummyAuthorizer()
    authorizer.add_user(user, password, folder, perm="elradfmwMT")
    SlowHandler.authorizer = authorizer
    FTPServer(("127.0.0.1", int(port)), SlowHandler).serve_forever()


if __name__ == "__main__":
    main()
