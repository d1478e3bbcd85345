#!/usr/bin/env python3
"""normalize-archive.py EPOCH ARCHIVE...: rewrites each .tar.gz, .zip or .deb
in place so that it depends on nothing but the files it holds: entries sorted
by name, every entry dated EPOCH (seconds since 1970, UTC), owned by root
(0:0) in a tarball and without the owner and time fields zip tools add, with
fixed modes (0755 for folders and programs, 0644 for everything else)
whatever the builder's umask was, and gzip streams written without a file
name or time. A Debian package is an ar archive of debian-binary and two
tarballs: its members get the same treatment, the tarballs inside too."""

import gzip
import io
import stat
import sys
import tarfile
import time
import zipfile


def fixed_mode(mode, is_folder):
    """0755 for a folder or a file anyone may run, 0644 for any other file."""
    return 0o755 if is_folder or mode & 0o111 else 0o644


def normalized_tarball(packed_bytes, epoch):
    with tarfile.open(fileobj=io.BytesIO(packed_bytes), mode="r:gz") as source:
        members = sorted(source.getmembers(), key=lambda member: member.name)
        contents = {m.name: source.extractfile(m).read() for m in members if m.isfile()}
    out = io.BytesIO()
    with gzip.GzipFile(filename="", mode="wb", fileobj=out, compresslevel=9, mtime=0) as packed:
        with tarfile.open(fileobj=packed, mode="w", format=tarfile.GNU_FORMAT) as tarball:
            for member in members:
                member.mtime = epoch
                member.uid = member.gid = 0
                member.uname = member.gname = "root"
                member.mode = fixed_mode(member.mode, member.isdir())
                data = contents.get(member.name)
                tarball.addfile(member, io.BytesIO(data) if data is not None else None)
    return out.getvalue()


def normalize_tarball(path, epoch):
    with open(path, "rb") as source:
        packed = source.read()
    with open(path, "wb") as target:
        target.write(normalized_tarball(packed, epoch))


def normalize_zip(path, epoch):
    with zipfile.ZipFile(path) as source:
        entries = [(info, source.read(info)) for info in sorted(source.infolist(), key=lambda i: i.filename)]
    out = io.BytesIO()
    with zipfile.ZipFile(out, "w") as target:
        for info, data in entries:
            entry = zipfile.ZipInfo(info.filename, date_time=time.gmtime(epoch)[:6])
            entry.create_system = 3  # Unix, so the permission bits below count
            unix_mode = info.external_attr >> 16
            kind = stat.S_IFMT(unix_mode) or (stat.S_IFDIR if info.is_dir() else stat.S_IFREG)
            entry.external_attr = (kind | fixed_mode(unix_mode, info.is_dir())) << 16
            entry.compress_type = zipfile.ZIP_DEFLATED
            target.writestr(entry, data, compresslevel=9)
    with open(path, "wb") as written:
        written.write(out.getvalue())


def normalize_deb(path, epoch):
    """An ar archive: the global header, then for each member a 60-byte
    header (name 16, date 12, owner 6, group 6, mode 8, size 10, "`\\n") and
    its data, padded to an even length."""
    with open(path, "rb") as source:
        archive = source.read()
    if not archive.startswith(b"!<arch>\n"):
        sys.exit(f"{path}: not an ar archive")
    out = io.BytesIO()
    out.write(b"!<arch>\n")
    at = 8
    while at < len(archive):
        header = archive[at:at + 60]
        name = header[:16].decode("ascii").rstrip(" ").rstrip("/")
        size = int(header[48:58].decode("ascii"))
        data = archive[at + 60:at + 60 + size]
        at += 60 + size + (size % 2)
        if name.endswith(".tar.gz"):
            data = normalized_tarball(data, epoch)
        elif name != "debian-binary":
            sys.exit(f"{path}: cannot normalize member {name}")
        out.write(f"{name:<16}{epoch:<12}{0:<6}{0:<6}{0o100644:<8o}{len(data):<10}`\n".encode("ascii"))
        out.write(data)
        if len(data) % 2:
            out.write(b"\n")
    with open(path, "wb") as written:
        written.write(out.getvalue())


def main():
    epoch = int(sys.argv[1])
    for path in sys.argv[2:]:
        if path.endswith(".zip"):
            normalize_zip(path, epoch)
        elif path.endswith(".deb"):
            normalize_deb(path, epoch)
        else:
            normalize_tarball(path, epoch)


if __name__ == "__main__":
    main()
