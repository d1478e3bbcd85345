#!/usr/bin/env python3
"""normalize-archive.py EPOCH ARCHIVE...: rewrites each .zip or .tar.gz in
place so that it depends on nothing but the files it holds: entries sorted by
name, every entry dated EPOCH (seconds since 1970, UTC), owned by root (0:0)
in a tarball and without the owner and time fields zip tools add, and the
gzip stream written without a file name or time."""

import gzip
import io
import sys
import tarfile
import time
import zipfile


def normalize_tarball(path, epoch):
    with tarfile.open(path, "r:gz") as source:
        members = sorted(source.getmembers(), key=lambda member: member.name)
        contents = {m.name: source.extractfile(m).read() for m in members if m.isfile()}
    out = io.BytesIO()
    with gzip.GzipFile(filename="", mode="wb", fileobj=out, compresslevel=9, mtime=0) as packed:
        with tarfile.open(fileobj=packed, mode="w", format=tarfile.GNU_FORMAT) as tarball:
            for member in members:
                member.mtime = epoch
                member.uid = member.gid = 0
                member.uname = member.gname = "root"
                data = contents.get(member.name)
                tarball.addfile(member, io.BytesIO(data) if data is not None else None)
    with open(path, "wb") as target:
        target.write(out.getvalue())


def normalize_zip(path, epoch):
    with zipfile.ZipFile(path) as source:
        entries = [(info, source.read(info)) for info in sorted(source.infolist(), key=lambda i: i.filename)]
    out = io.BytesIO()
    with zipfile.ZipFile(out, "w") as target:
        for info, data in entries:
            entry = zipfile.ZipInfo(info.filename, date_time=time.gmtime(epoch)[:6])
            entry.create_system = 3  # Unix, so the permission bits below count
            entry.external_attr = info.external_attr
            entry.compress_type = zipfile.ZIP_DEFLATED
            target.writestr(entry, data, compresslevel=9)
    with open(path, "wb") as written:
        written.write(out.getvalue())


def main():
    epoch = int(sys.argv[1])
    for path in sys.argv[2:]:
        (normalize_zip if path.endswith(".zip") else normalize_tarball)(path, epoch)


if __name__ == "__main__":
    main()
