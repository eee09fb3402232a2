#!/usr/bin/python3
"""A one-file user-space file system whose file misbehaves while it is read.

Usage: FaultyFileSystem.py MOUNT_POINT MODE SIZE
The file is MOUNT_POINT/project.sgp, SIZE bytes of a project's text as first reported.
  shrink: once the first read has been answered, the file is a quarter of SIZE long, as if
          another machine had truncated it meanwhile;
  eio:    every read fails with EIO.
Runs in the foreground until it is unmounted or ended by a signal.
"""
import errno
import stat
import sys

from fusepy import FUSE, FuseOSError, Operations

NAME = '/project.sgp'


def content(size):
    head = b'object TSiteGenerator\r\n  SiteTitle = \''
    tail = b'\'\r\nend\r\n'
    return head + b'x' * max(0, size - len(head) - len(tail)) + tail


class Faulty(Operations):
    def __init__(self, mode, size):
        self.mode = mode
        self.data = content(size)
        self.size = size
        self.read_once = False

    def getattr(self, path, fh=None):
        if path == '/':
            return dict(st_mode=stat.S_IFDIR | 0o755, st_nlink=2)
        if path == NAME:
            return dict(st_mode=stat.S_IFREG | 0o644, st_nlink=1, st_size=self.size,
                        st_mtime=0, st_ctime=0, st_atime=0)
        raise FuseOSError(errno.ENOENT)

    def readdir(self, path, fh):
        return ['.', '..', NAME[1:]]

    def open(self, path, flags):
        if path != NAME:
            raise FuseOSError(errno.ENOENT)
        return 0

    def read(self, path, size, offset, fh):
        if self.mode == 'eio':
            raise FuseOSError(errno.EIO)
        if self.read_once:
            self.size = len(self.data) // 4
        self.read_once = True
        return self.data[offset:min(offset + size, self.size)]


def main():
    mount_point, mode, size = sys.argv[1], sys.argv[2], int(sys.argv[3])
    FUSE(Faulty(mode, size), mount_point, foreground=True, nothreads=True, attr_timeout=0,
         entry_timeout=0)


if __name__ == '__main__':
    main()
