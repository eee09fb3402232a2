#!/usr/bin/python3
"""A plain FTP server on 127.0.0.1 for the publishing tests, with faults to inject.

Usage: ftp-server.py ROOT USER PASSWORD [FAULT=COUNT ...]
It listens on a free port, prints "PORT n" once it accepts connections, and ends when its
standard input closes. Each fault strikes
the first COUNT times its command is met, then the server behaves:
  drop=COUNT     an upload's connections are cut after 64 KiB of data
  stall=COUNT    an upload gets its 150 reply and then nothing more
  quota=COUNT    an upload is refused with 552
  rename=COUNT   a rename is refused with 550 at RNTO
"""
import os
import sys
import threading

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import DTPHandler, FTPHandler
from pyftpdlib.servers import FTPServer
import logging

logging.basicConfig(level=logging.ERROR)

root, user, password = sys.argv[1:4]
faults = {}
for fault in sys.argv[4:]:
    name, count = fault.split("=")
    faults[name] = int(count)

DROP_AFTER = 64 * 1024


def strike(name):
    if faults.get(name, 0) > 0:
        faults[name] -= 1
        return True
    return False


class FaultyDTPHandler(DTPHandler):
    def __init__(self, sock, cmd_channel):
        super().__init__(sock, cmd_channel)
        self.drop = False

    def handle_read(self):
        if getattr(self.cmd_channel, "_stalled", False):
            # Stop reading and keep the connection open: the client's sends fill the buffers
            # and then wait, as they do against a server that hangs.
            if not getattr(self, "_parked", False):
                self._parked = True
                self.ioloop.unregister(self._fileno)
            return
        if self.drop and self.tot_bytes_received >= DROP_AFTER:
            control = self.cmd_channel
            self.close()
            control.close()
            return
        DTPHandler.handle_read(self)

    handle_read_event = handle_read


class FaultyHandler(FTPHandler):
    dtp_handler = FaultyDTPHandler

    def ftp_STOR(self, file, mode="w"):
        if strike("quota"):
            self.respond("552 Requested file action aborted: exceeded storage allocation.")
            return
        if strike("stall"):
            self.respond("150 File status okay. About to open data connection.")
            self._stalled = True
            return
        drop = strike("drop")
        result = super().ftp_STOR(file, mode)
        if drop and self.data_channel is not None:
            self.data_channel.drop = True
        elif drop:
            self._drop_next = True
        return result

    def _on_dtp_connection(self):
        super()._on_dtp_connection()
        if getattr(self, "_drop_next", False) and self.data_channel is not None:
            self.data_channel.drop = True
            self._drop_next = False

    def ftp_RNTO(self, path):
        if strike("rename"):
            self._rnfr = None
            self.respond("550 Rename refused.")
            return
        return super().ftp_RNTO(path)


authorizer = DummyAuthorizer()
authorizer.add_user(user, password, root, perm="elradfmwMT")
FaultyHandler.authorizer = authorizer
FaultyHandler.passive_ports = None
FaultyHandler.timeout = 30
def stop_when_stdin_closes():
    sys.stdin.read()
    os._exit(0)


threading.Thread(target=stop_when_stdin_closes, daemon=True).start()
server = FTPServer(("127.0.0.1", 0), FaultyHandler)
print("PORT", server.socket.getsockname()[1], flush=True)
server.serve_forever()
