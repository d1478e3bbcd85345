#!/usr/bin/python3
"""faulty_fs.py BACKING MOUNT [LOG]: mounts at MOUNT a FUSE file system that
keeps its files in the folder BACKING and fails the way a device or a quota
does, through the kernel, by the name of the file: past its first MiB a
file whose name holds "write-eio" refuses every write with EIO (a failing
device), "quota" every write with EDQUOT (an exhausted quota), "full"
every write with ENOSPC (a full disk), and "read-eio" every read with EIO;
a file whose name holds "sync-eio" fails every sync with EIO.
Without LOG every read and write reaches the file system (direct_io). With
LOG the kernel caches the files as it does a disk's (kernel_cache), and
each read and sync that does reach the file system is logged there, as
"read NAME BYTES" and "sync NAME", before it is answered.
Runs in the foreground until unmounted. Needs Debian's python3-fusepy and
/dev/fuse."""

import errno
import os
import sys

import fusepy

HEALTHY_BYTES = 1 << 20


class FaultyFs(fusepy.Operations):
    def __init__(self, backing, log=None):
        self.backing = backing
        self.log = log

    def _note(self, *words):
        if self.log is not None:
            self.log.write(" ".join(str(word) for word in words) + "\n")
            self.log.flush()

    def _path(self, path):
        return os.path.join(self.backing, path.lstrip("/"))

    def _fault(self, path, name_part, offset, size, error):
        if name_part in os.path.basename(path) and offset + size > HEALTHY_BYTES:
            raise fusepy.FuseOSError(error)

    def getattr(self, path, fh=None):
        st = os.lstat(self._path(path))
        keys = ("st_mode", "st_nlink", "st_uid", "st_gid", "st_size", "st_atime", "st_mtime", "st_ctime")
        return {key: getattr(st, key) for key in keys}

    def readdir(self, path, fh):
        return [".", ".."] + os.listdir(self._path(path))

    def access(self, path, mode):
        if not os.access(self._path(path), mode):
            raise fusepy.FuseOSError(errno.EACCES)

    def mkdir(self, path, mode):
        os.mkdir(self._path(path), mode)

    def rmdir(self, path):
        os.rmdir(self._path(path))

    def create(self, path, mode, fi=None):
        return os.open(self._path(path), os.O_RDWR | os.O_CREAT | os.O_EXCL, mode)

    def open(self, path, flags):
        return os.open(self._path(path), flags)

    def write(self, path, data, offset, fh):
        self._fault(path, "write-eio", offset, len(data), errno.EIO)
        self._fault(path, "quota", offset, len(data), errno.EDQUOT)
        self._fault(path, "full", offset, len(data), errno.ENOSPC)
        return os.pwrite(fh, data, offset)

    def read(self, path, size, offset, fh):
        self._fault(path, "read-eio", offset, size, errno.EIO)
        data = os.pread(fh, size, offset)
        self._note("read", os.path.basename(path), len(data))
        return data

    def truncate(self, path, length, fh=None):
        os.truncate(self._path(path), length)

    def unlink(self, path):
        os.unlink(self._path(path))

    def rename(self, old, new):
        os.rename(self._path(old), self._path(new))

    def chmod(self, path, mode):
        os.chmod(self._path(path), mode)

    def utimens(self, path, times=None):
        os.utime(self._path(path), times)

    def statfs(self, path):
        st = os.statvfs(self._path(path))
        keys = ("f_bavail", "f_bfree", "f_blocks", "f_bsize", "f_favail", "f_ffree", "f_files",
                "f_flag", "f_frsize", "f_namemax")
        return {key: getattr(st, key) for key in keys}

    def flush(self, path, fh):
        return 0

    def fsync(self, path, datasync, fh):
        if "sync-eio" in os.path.basename(path):
            raise fusepy.FuseOSError(errno.EIO)
        os.fsync(fh)
        self._note("sync", os.path.basename(path))

    def release(self, path, fh):
        os.close(fh)


if __name__ == "__main__":
    if len(sys.argv) not in (3, 4):
        sys.exit(__doc__)
    # hard_remove: a name unlinked while its file is open goes at once, as on
    # a disk. Without it FUSE renames such a file to .fuse_hidden* and
    # removes that only when the file's release arrives, which the kernel
    # sends after the last close without waiting: a folder listed right
    # after the program exited could still hold it.
    if len(sys.argv) == 3:
        # direct_io: every read and write reaches this file system, none is
        # served from or held in the kernel's page cache.
        fusepy.FUSE(FaultyFs(sys.argv[1]), sys.argv[2], foreground=True, hard_remove=True,
                    direct_io=True)
    else:
        with open(sys.argv[3], "a", encoding="utf-8") as log:
            fusepy.FUSE(FaultyFs(sys.argv[1], log), sys.argv[2], foreground=True, hard_remove=True,
                        kernel_cache=True)
