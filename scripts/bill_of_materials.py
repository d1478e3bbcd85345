#!/usr/bin/env python3
"""bill_of_materials.py OUT VERSION EPOCH FILE[=COMPONENTS_JSON]...: writes
OUT, the release's bill of materials as a CycloneDX 1.5 JSON document:
every FILE of the release with its SHA-256, and for each FILE that holds a
program (a COMPONENTS_JSON given, as linked_components.py wrote it for that
program's link) the program and the components linked into it, each with
its exact Debian version, license and package URL. The same files give the
same bytes: the time is EPOCH (seconds since 1970), the serial number is
derived from the files' checksums, and everything is sorted."""

import datetime
import hashlib
import json
import os
import sys
import uuid


def sha256(path):
    digest = hashlib.sha256()
    with open(path, "rb") as data:
        for chunk in iter(lambda: data.read(1 << 20), b""):
            digest.update(chunk)
    return digest.hexdigest()


def main():
    out, version, epoch = sys.argv[1:4]
    files, dependencies = [], []
    for argument in sorted(sys.argv[4:]):
        path, _, linked = argument.partition("=")
        name = os.path.basename(path)
        entry = {"type": "file", "bom-ref": f"file:{name}", "name": name,
                 "hashes": [{"alg": "SHA-256", "content": sha256(path)}]}
        if linked:
            with open(linked, encoding="utf-8") as text:
                components = json.load(text)
            program_ref = f"program:{name}"
            libraries = []
            for component in components:
                library = {"type": "library", "bom-ref": f"{program_ref}:{component['component']}",
                           "name": component["name"], "version": component["version"],
                           "purl": component["purl"],
                           "licenses": [{"expression": component["license"]}],
                           "properties": [
                               {"name": "debian:package", "value": component["debian_package"]},
                               {"name": "debian:version", "value": component["debian_version"]},
                               {"name": "debian:source", "value": component["source_package"]}]}
                if component["component"] == "glibc":
                    if component.get("source_file"):
                        library["properties"].append(
                            {"name": "velodrive:complete-source", "value": component["source_file"]})
                    else:
                        library["description"] = (
                            "Debian 12 has no C library of its own for this processor: the cross "
                            "toolchain's copy, built from Debian's glibc " + component["version"] +
                            ", whose source is not published beside this release.")
                libraries.append(library)
            entry["components"] = [{"type": "application", "bom-ref": program_ref, "name": "velodrive",
                                    "version": version, "licenses": [{"license": {"id": "MIT"}}],
                                    "components": libraries}]
            dependencies.append({"ref": program_ref, "dependsOn": [lib["bom-ref"] for lib in libraries]})
        files.append(entry)
    serial = uuid.uuid5(uuid.NAMESPACE_URL, "velodrive release " + version + " " + " ".join(
        f["hashes"][0]["content"] for f in files))
    timestamp = datetime.datetime.fromtimestamp(int(epoch), datetime.timezone.utc)
    bom = {
        "bomFormat": "CycloneDX",
        "specVersion": "1.5",
        "serialNumber": f"urn:uuid:{serial}",
        "version": 1,
        "metadata": {
            "timestamp": timestamp.strftime("%Y-%m-%dT%H:%M:%SZ"),
            "component": {"type": "application", "bom-ref": "velodrive", "name": "velodrive",
                          "version": version, "licenses": [{"license": {"id": "MIT"}}]},
        },
        "components": files,
        "dependencies": dependencies,
    }
    with open(out, "w", encoding="utf-8") as text:
        json.dump(bom, text, indent=2, sort_keys=True)
        text.write("\n")


if __name__ == "__main__":
    main()
