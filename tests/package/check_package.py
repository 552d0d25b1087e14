#!/usr/bin/env python3
"""Builds the Debian package once and checks it as a user's machine and Debian's tools would see it.

Usage: check_package.py <cpack> <build dir> <output dir>

1. cpack -G DEB into the output directory (not the build directory's own package).
2. dpkg-deb -I: name, version, section science, an extended description, the library dependencies.
3. dpkg-deb -c: the program, menu entry, icon, AppStream metadata, manual page, copyright and changelog, all
   owned by root, the program executable; the program is stripped.
4. lintian, appstreamcli validate and desktop-file-validate: no error and no warning (lintian's informational
   notes are allowed; each tag README explains is listed in ALLOWED_TAGS).

Without one of the Debian tools it runs it exits 77 (skipped).
"""

import glob
import os
import re
import shutil
import subprocess
import sys
import tempfile

INSTALLED = {
    "./usr/bin/dravik": "-rwxr-xr-x",
    "./usr/share/applications/dravik.desktop": "-rw-r--r--",
    "./usr/share/icons/hicolor/scalable/apps/dravik.svg": "-rw-r--r--",
    "./usr/share/metainfo/example.dravik.Dravik.metainfo.xml": "-rw-r--r--",
    "./usr/share/man/man1/dravik.1.gz": "-rw-r--r--",
    "./usr/share/doc/dravik/copyright": "-rw-r--r--",
    "./usr/share/doc/dravik/changelog.gz": "-rw-r--r--",
    "./usr/share/dravik/cities1000.tsv.gz": "-rw-r--r--",
    "./usr/share/dravik/admin1.tsv.gz": "-rw-r--r--",
}

# Lintian tags at warning level or above that are expected; each is explained in README ("Packaging").
ALLOWED_TAGS = set()

# The Debian tools the checks run and their packages; without one the checks are skipped, not passed.
TOOLS = {"dpkg": "dpkg", "dpkg-deb": "dpkg", "dpkg-shlibdeps": "dpkg-dev", "readelf": "binutils",
         "lintian": "lintian", "appstreamcli": "appstream", "desktop-file-validate": "desktop-file-utils"}
SKIPPED = 77  # CTest's SKIP_RETURN_CODE

failures = []


def check(condition, message):
    if not condition:
        failures.append(message)
        print("FAIL:", message)


def run(args, **kwargs):
    return subprocess.run(args, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True, **kwargs)


def build(cpack, build_dir, out_dir):
    shutil.rmtree(out_dir, ignore_errors=True)
    os.makedirs(out_dir)
    result = run([cpack, "-G", "DEB", "--config", os.path.join(build_dir, "CPackConfig.cmake"), "-B", out_dir])
    if result.returncode != 0:
        print(result.stdout)
        sys.exit("cpack failed")
    debs = glob.glob(os.path.join(out_dir, "*.deb"))
    if len(debs) != 1:
        sys.exit(f"expected one package in {out_dir}, found {debs}")
    return debs[0]


def check_control(deb):
    info = run(["dpkg-deb", "-I", deb]).stdout
    fields = dict(re.findall(r"^ ([A-Za-z-]+): (.*)$", info, re.M))
    check(fields.get("Package") == "dravik", f"Package: {fields.get('Package')}")
    check(fields.get("Version") == "1.15", f"Version: {fields.get('Version')}")
    check(fields.get("Section") == "science", f"Section: {fields.get('Section')}")
    check(fields.get("Priority") == "optional", f"Priority: {fields.get('Priority')}")
    check(fields.get("Architecture") == run(["dpkg", "--print-architecture"]).stdout.strip(), "Architecture")
    depends = fields.get("Depends", "")
    # The sound module's libraries too, though the program loads it only at the first sound.
    for library in ("libqt6network6", "libsqlite3-0", "libqt6multimedia6"):
        check(library in depends, f"Depends lacks {library}: {depends}")
    # One HTTP stack: every fetch goes through Qt Network.
    check("curl" not in depends, f"Depends names libcurl: {depends}")
    # The map is drawn by the program itself: no web engine comes with it.
    check("webengine" not in depends and "webchannel" not in depends, f"Depends names a web engine: {depends}")
    # The extended description: continuation lines after the synopsis, none longer than 80 columns.
    description = re.search(r"^ Description: (.*)\n((?:  .*\n)+)", info, re.M)
    check(description is not None, "no extended description")
    if description:
        lines = description.group(2).splitlines()
        check(len(lines) >= 3, f"extended description of {len(lines)} lines")
        check(all(len(line) - 1 <= 80 for line in lines), "a description line over 80 columns")


def check_contents(deb, unpacked):
    listing = run(["dpkg-deb", "-c", deb]).stdout
    entries = {}
    for line in listing.splitlines():
        parts = line.split()
        if len(parts) >= 6:
            entries[parts[-1]] = (parts[0], parts[1])
    for path, mode in INSTALLED.items():
        check(path in entries, f"{path} is not in the package")
        if path in entries:
            check(entries[path][0] == mode, f"{path} has mode {entries[path][0]}, not {mode}")
    # The sound module in the private library folder under the multiarch one, where ldconfig does not look.
    module = [p for p in entries if re.fullmatch(r"\./usr/lib/[^/]+-linux-gnu[^/]*/dravik/libdravik_sound\.so", p)]
    check(len(module) == 1, "the sound module is not in /usr/lib/<multiarch>/dravik")
    check(all(entries[p][0] == "-rw-r--r--" for p in module), "the sound module's mode")
    check(all(owner == "root/root" for _, owner in entries.values()), "files not owned by root/root")
    check(not any(p.startswith("./usr/local") for p in entries), "files under /usr/local")

    run(["dpkg-deb", "-x", deb, unpacked])
    binary = os.path.join(unpacked, "usr/bin/dravik")
    sections = run(["readelf", "-S", "-W", binary]).stdout
    check(".symtab" not in sections and ".debug_info" not in sections, "the program is not stripped")
    # Qt Multimedia is the sound module's alone, loaded at the first sound: linked to the program it would take
    # 1.5 MiB from the start.
    needed = run(["readelf", "-d", "-W", binary]).stdout
    check("libQt6Multimedia" not in needed and "libpulse" not in needed, "the program links Qt Multimedia")


def check_tools(deb, unpacked):
    desktop = os.path.join(unpacked, "usr/share/applications/dravik.desktop")
    metainfo = os.path.join(unpacked, "usr/share/metainfo/example.dravik.Dravik.metainfo.xml")

    if shutil.which("desktop-file-validate"):
        result = run(["desktop-file-validate", desktop])
        check(result.returncode == 0 and not result.stdout.strip(), "desktop-file-validate: " + result.stdout)
    else:
        print("desktop-file-validate not installed (package desktop-file-utils): not run")

    if shutil.which("appstreamcli"):
        result = run(["appstreamcli", "validate", "--no-net", "--explain", metainfo])
        problems = [line for line in result.stdout.splitlines() if re.match(r"^[EW]: ", line)]
        check(result.returncode == 0 and not problems, "appstreamcli validate: " + result.stdout)
    else:
        print("appstreamcli not installed (package appstream): not run")

    if shutil.which("lintian"):
        result = run(["lintian", "--no-cfg", "--display-level", ">=warning", deb])
        print(result.stdout, end="")
        tags = re.findall(r"^([EW]): \S+: (\S+)", result.stdout, re.M)
        unexpected = [f"{level}: {tag}" for level, tag in tags if tag not in ALLOWED_TAGS]
        check(not unexpected, "lintian: " + ", ".join(unexpected))
    else:
        print("lintian not installed: not run")


def main():
    if len(sys.argv) != 4:
        sys.exit(__doc__)
    cpack, build_dir, out_dir = sys.argv[1:]
    missing = [f"{tool} (package {package})" for tool, package in TOOLS.items() if not shutil.which(tool)]
    if missing:
        print("skipped: missing programs: " + ", ".join(missing))
        sys.exit(SKIPPED)
    deb = build(cpack, build_dir, out_dir)
    print("package:", deb)
    check_control(deb)
    with tempfile.TemporaryDirectory() as unpacked:
        check_contents(deb, unpacked)
        check_tools(deb, unpacked)
    if failures:
        sys.exit(f"{len(failures)} problem(s) with the package")
    print("package checks passed")


if __name__ == "__main__":
    main()
