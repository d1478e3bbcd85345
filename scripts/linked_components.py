#!/usr/bin/env python3
"""linked_components.py MAP COMPONENTS_JSON NOTICES: reads the linker's map
of a program (ld -Map) and writes what was linked into it from outside the
project: COMPONENTS_JSON, the components (each with its Debian package and
exact version, its license and its package URL) for the bill of materials,
and NOTICES, the third-party notices that go beside the program in its
archive. Which components there are comes from the link alone: every
archive member and object file the linker took, mapped to the Debian
package that installed it (dpkg -S) and that package's version and source.
A file of a package the table below does not know stops it, so nothing is
linked in without its license being named."""

import json
import os
import re
import subprocess
import sys

GCC_EXCEPTION_NOTE = """\
The GCC runtime libraries (libgcc and, for C++, libstdc++) are under the
GNU General Public License, version 3 or later, with the GCC Runtime
Library Exception, version 3.1. The exception lets a program compiled with
GCC and linked with these libraries be distributed under terms of its own
choosing: it asks for no notice and no source of the libraries. This note
only says that they are inside. The license and the exception:
/usr/share/common-licenses/GPL-3 on a Debian system, and the file
copyright of Debian's gcc-12 package."""

# Components, by the Debian source package a linked file comes from. Each:
# its name, its license (SPDX), how its notices are made, and whether its
# complete source must come with the program (LGPL).
COMPONENTS = {
    "glibc": {"name": "glibc", "license": "LGPL-2.1-or-later", "notice": "copyright+LGPL-2.1",
              "source_required": True},
    "gcc": {"name": "GCC runtime libraries", "license": "GPL-3.0-or-later WITH GCC-exception-3.1",
            "notice": "gcc-note", "source_required": False},
    "mingw-w64-runtime": {"name": "mingw-w64 runtime", "license": "ZPL-2.1 AND LicenseRef-mingw-w64-runtime",
                          "notice": "dep5:*,mingw-w64-crt/", "source_required": False},
    "winpthreads": {"name": "winpthreads", "license": "MIT AND BSD-3-Clause",
                    "notice": "dep5:mingw-w64-libraries/winpthreads/", "source_required": False},
}


def component_of(package, source, path):
    """The key in COMPONENTS of a file from `package` (built from `source`)."""
    if source in ("glibc", "cross-toolchain-base", "cross-toolchain-base-ports") and package.startswith("libc6"):
        return "glibc"
    if re.match(r"gcc-\d+(-cross(-[a-z]+)?)?$", source) or source == "gcc-mingw-w64":
        return "gcc"
    if source == "mingw-w64":
        name = os.path.basename(path)
        return "winpthreads" if name in ("libpthread.a", "libwinpthread.a") else "mingw-w64-runtime"
    return None


def linked_files(map_text):
    """The archives (with a member taken) and object files the map names."""
    files = set()
    # The archive members, listed from "Archive member included ..." to
    # "Discarded input sections", each line "/path/libx.a(member.o)".
    members = re.search(r"^Archive member included.*?^Discarded input sections", map_text, re.M | re.S)
    if members:
        for match in re.finditer(r"^(/[^\s()]+\.a)\(", members.group(0), re.M):
            files.add(os.path.normpath(match.group(1)))
    for match in re.finditer(r"^LOAD (/\S+\.o)$", map_text, re.M):
        files.add(os.path.normpath(match.group(1)))
    return sorted(files)


def owners(paths):
    """{path: (package, architecture)} for each of `paths` that a Debian
    package installed (the project's own files have none), by its path or
    else by the path with every link resolved. One dpkg -S for all: each
    call reads the whole package database."""
    found = {}
    for resolve in (lambda path: path, os.path.realpath):
        wanted = {resolve(path): path for path in paths if path not in found}
        if not wanted:
            break
        listed = subprocess.run(["dpkg", "-S", *wanted], capture_output=True, text=True).stdout
        for line in listed.splitlines():
            # "package[:architecture][, package...]: path"
            packages, _, path = line.partition(": ")
            if path in wanted:
                fields = packages.split(", ")[0].split(":")
                found[wanted[path]] = (fields[0], fields[1] if len(fields) > 1 else None)
    return found


def package_facts(package, architecture):
    name = package if architecture is None else f"{package}:{architecture}"
    out = subprocess.run(
        ["dpkg-query", "-W", "-f=${Package}\t${Architecture}\t${Version}\t${source:Package}\t${source:Version}",
         name], capture_output=True, text=True, check=True).stdout
    keys = ("package", "architecture", "version", "source", "source_version")
    return dict(zip(keys, out.split("\t")))


def copyright_file(package):
    return os.path.realpath(f"/usr/share/doc/{package}/copyright")


def dep5_paragraphs(path, prefixes):
    """From a machine-readable copyright file, the Files paragraphs whose
    first pattern is one of `prefixes` or starts with one ending in "/"
    (but for test programs), and the stand-alone License paragraphs they
    name."""
    with open(path, encoding="utf-8") as text:
        paragraphs = re.split(r"\n\s*\n", text.read().strip())
    chosen, licenses = [], []
    for paragraph in paragraphs:
        match = re.match(r"Files:\s*(\S+)", paragraph)
        if not match:
            continue
        first = match.group(1)
        if "/tests" in first:  # test programs are not linked into anything
            continue
        if any(first == p or (p.endswith("/") and first.startswith(p)) for p in prefixes):
            chosen.append(paragraph)
            for name in re.findall(r"^License:\s*(.+)$", paragraph, re.M):
                for part in re.split(r"\s+(?:and|or)\s+", name.strip()):
                    if part not in licenses:
                        licenses.append(part)
    for paragraph in paragraphs:
        match = re.match(r"License:\s*(.+)$", paragraph, re.M)
        if match and match.group(1).strip() in licenses and not paragraph.startswith("Files:"):
            chosen.append(paragraph)
    return "\n\n".join(chosen)


def glibc_source_file(version):
    return f"glibc-source_{version}_all.deb"


def notice(component, facts):
    kind = COMPONENTS[component]["notice"]
    if kind == "gcc-note":
        return GCC_EXCEPTION_NOTE
    if kind == "copyright+LGPL-2.1":
        with open(copyright_file(facts["package"]), encoding="utf-8") as text:
            body = text.read().rstrip()
        with open("/usr/share/common-licenses/LGPL-2.1", encoding="utf-8") as text:
            license_text = text.read().rstrip()
        return f"{source_sentence(facts)}\n\n{body}\n\n{license_text}"
    prefixes = kind.split(":", 1)[1].split(",")
    return dep5_paragraphs(copyright_file(facts["package"]), prefixes)


def upstream_version(facts):
    """The version of the component's own source: a cross toolchain's
    package carries the version of the source package it was built from
    (2.36-8cross1 was built from glibc 2.36-8)."""
    if facts["source"].startswith("cross-toolchain-base"):
        return re.sub(r"cross\d+$", "", facts["version"])
    return facts["source_version"]


def source_sentence(facts):
    version = upstream_version(facts)
    if facts["source"] == "glibc":
        return (f"Its complete corresponding source is Debian's glibc-source package of version {version}, "
                f"{glibc_source_file(version)}, published beside this program's archive in the same "
                "release (and listed in its SHA256SUMS): the GNU C Library's source with Debian's patches.")
    return (f"This program carries Debian's glibc {version}, as Debian's cross toolchain for this "
            "processor built it (Debian 12 has no package of its own for this processor). Its complete "
            f"corresponding source is Debian's glibc source package of version {version}, which Debian "
            "keeps in its archive of past package versions; it is not published beside this release.")


def main():
    map_path, components_path, notices_path = sys.argv[1:4]
    with open(map_path, encoding="utf-8", errors="replace") as text:
        map_text = text.read()
    found = {}
    files = linked_files(map_text)
    owned_by = owners(files)
    for path in files:
        if path not in owned_by:
            continue
        facts = package_facts(*owned_by[path])
        component = component_of(facts["package"], facts["source"], path)
        if component is None:
            sys.exit(f"{path} comes from {facts['package']} ({facts['source']}), whose license this "
                     "table does not know: add it to COMPONENTS in scripts/linked_components.py")
        found.setdefault(component, facts)
    components = []
    for key in sorted(found):
        facts, info = found[key], COMPONENTS[key]
        arch = facts["architecture"]
        components.append({
            "component": key,
            "name": info["name"],
            "version": upstream_version(facts) if key == "glibc" else facts["version"],
            "license": info["license"],
            "debian_package": facts["package"],
            "debian_version": facts["version"],
            "debian_architecture": arch,
            "source_package": "glibc" if key == "glibc" else facts["source"],
            "purl": f"pkg:deb/debian/{facts['package']}@{facts['version']}?arch={arch}&distro=debian-12",
            "source_file": glibc_source_file(facts["source_version"]) if facts["source"] == "glibc" else None,
        })
    with open(components_path, "w", encoding="utf-8") as out:
        json.dump(components, out, indent=2, sort_keys=True)
        out.write("\n")
    sections = ["Third-party software inside this program\n"
                "========================================\n\n"
                "velodrive's own code is under the MIT license (see LICENSE). The program is linked\n"
                "with the components below, each under its own terms, which follow."]
    for entry in components:
        sections.append(f"== Component: {entry['name']} {entry['version']} "
                        f"(Debian package {entry['debian_package']} {entry['debian_version']}, "
                        f"source {found[entry['component']]['source']}) ==\n"
                        f"License: {entry['license']}\n\n{notice(entry['component'], found[entry['component']])}")
    with open(notices_path, "w", encoding="utf-8") as out:
        out.write("\n\n\n".join(sections) + "\n")


if __name__ == "__main__":
    main()
