#!/usr/bin/env python3
"""Every program the tests, the build and scripts/ run, and every Python module they import beyond the standard
library, comes from a Debian package that scripts/install-deps lists: so a clean Debian 12 machine that ran it
has them all, and no test there is skipped for want of a tool.

Usage: tools_installed.py [--deps <install-deps script>]

A program or module that is missing, or that no Debian package owns, or whose package install-deps does not
list, fails the test with the package to add. A package counts as listed when install-deps names it, when it is
essential (on every Debian system), or when a listed package depends on it directly (apt installs it with that
one). Programs are looked for in the system directories only: what /usr/local or a Python version manager adds
to this machine's PATH is not on a clean machine.
"""

import argparse
import ast
import glob
import json
import os
import re
import subprocess
import sys

SOURCE = os.path.abspath(os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", ".."))
sys.path.insert(0, os.path.join(SOURCE, "tests", "e2e"))
import desktop  # noqa: E402

SYSTEM_DIRS = ("/usr/sbin", "/usr/bin", "/sbin", "/bin")
DEBIAN_PYTHON = "/usr/bin/python3"

# Program: (the package expected to bring it, who runs it). The package only names what to add when the program
# is missing; where a present program comes from is asked of dpkg. install-deps' own apt-get and sudo are left
# out: without them nothing could be installed at all.
PROGRAMS = {
    DEBIAN_PYTHON: ("python3", "the end-to-end tests, tests/common/private_session_bus.h"),
    "dbus-daemon": ("dbus-daemon", "tests/e2e/dravik_e2e.py, tests/common/private_session_bus.h"),
    "import": ("imagemagick", "tests/e2e/desktop.py, scripts/screenshots.py"),
    "convert": ("imagemagick", "scripts/screenshots.py"),
    "xsetroot": ("x11-xserver-utils", "scripts/screenshots.py"),
    "mount": ("mount", "tests/e2e/archive_e2e.py"),
    "weston": ("weston", "tests/e2e/window_reach_e2e.py"),
    "weston-debug": ("weston", "tests/e2e/window_reach_e2e.py"),
    "dbus-send": ("dbus", "tests/e2e/a11y.py"),
    "/usr/libexec/at-spi-bus-launcher": ("at-spi2-core", "tests/e2e/a11y.py, through the session bus"),
    "umount": ("mount", "tests/e2e/archive_e2e.py"),
    "xvfb-run": ("xvfb", "tests/tray_xvfb.cmake"),
    "xauth": ("xauth", "xvfb-run"),
    "timeout": ("coreutils", "tests/tray_xvfb.cmake"),
    "sh": ("dash", "tests/tray_xvfb.cmake"),
    "sha256sum": ("coreutils", "tests/fixtures.cmake"),
    "cpack": ("cmake", "tests/package.cmake"),
    "dpkg-deb": ("dpkg", "tests/package/check_package.py"),
    "dpkg-shlibdeps": ("dpkg-dev", "cpack, for tests/package.cmake"),
    "dpkg": ("dpkg", "tests/package/check_package.py, this test"),
    "readelf": ("binutils", "tests/package/check_package.py"),
    "lintian": ("lintian", "tests/package/check_package.py"),
    "appstreamcli": ("appstream", "tests/package/check_package.py"),
    "desktop-file-validate": ("desktop-file-utils", "tests/package/check_package.py"),
    "gzip": ("gzip", "packaging/CMakeLists.txt"),
    "sqlite3": ("sqlite3", "bench/bench_store.cpp"),
    "/usr/lib/qt6/bin/lrelease": ("qt6-l10n-tools", "resources/CMakeLists.txt, the translations"),
    "/usr/lib/qt6/bin/lupdate": ("qt6-l10n-tools", "tests/app/translations_test.cpp"),
    "cmake": ("cmake", "Makefile"),
    "ctest": ("cmake", "Makefile"),
    "ninja": ("ninja-build", "Makefile"),
    "git": ("git", "make format"),
    "clang-format": ("clang-format", "make format"),
    "clang": ("clang", "make fuzz"),
    "clang++": ("clang", "make fuzz"),
}
# The desktop the end-to-end tests run on: taken from the module itself, so a tool added there is checked too.
DESKTOP_PACKAGES = {"Xvfb": "xvfb", "openbox": "openbox", "wmsystemtray": "wmsystemtray", "tint2": "tint2",
                    "xdotool": "xdotool", "xprop": "x11-utils", "xwininfo": "x11-utils"}
for _tool in desktop.TOOLS:
    PROGRAMS.setdefault(_tool, (DESKTOP_PACKAGES.get(_tool, "?"), "tests/e2e/desktop.py"))

# The package to add for a module that does not import.
MODULE_PACKAGES = {"websockets": "python3-websockets", "dbus": "python3-dbus", "gi": "python3-gi",
                   "pyatspi": "python3-pyatspi", "Xlib": "python3-xlib",
                   "gi.repository.GLib": "gir1.2-glib-2.0"}

# Where the imports are read from: everything the tests and scripts/ run with Python.
PYTHON_SOURCES = ("tests/**/*.py", "scripts/*.py")


def listed_packages(path):
    """The names in the packages=( ... ) array of the install-deps script."""
    with open(path, encoding="utf-8") as f:
        text = f.read()
    match = re.search(r"^packages=\((.*?)^\)", text, re.S | re.M)
    if not match:
        raise SystemExit(f"FAIL: no packages=( ... ) array in {path}")
    body = "\n".join(line.split("#", 1)[0] for line in match.group(1).splitlines())
    return set(body.split())


def dpkg_query(args):
    result = subprocess.run(["dpkg-query", *args], stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
    return result.stdout


def first_alternatives(field):
    """The packages a Depends field makes apt install: the first of each set of alternatives."""
    names = []
    for clause in field.split(","):
        first = clause.split("|")[0].strip()
        if first:
            names.append(re.split(r"[\s(]", first, 1)[0].split(":")[0])
    return names


class Packages:
    """What install-deps lists and what counts as listed with it."""

    def __init__(self, listed):
        self.listed = listed
        self.essential = {name for name, _, flag in (line.partition("\t") for line in
                          dpkg_query(["-W", "-f", "${Package}\t${Essential}\n"]).splitlines()) if flag == "yes"}
        self.through = {}  # package -> the listed package that depends on it
        for line in dpkg_query(["-W", "-f", "${Package}\t${Pre-Depends}, ${Depends}\n", *sorted(listed)]).splitlines():
            name, _, deps = line.partition("\t")
            for dep in first_alternatives(deps):
                self.through.setdefault(dep, name)

    def why_listed(self, package):
        """How a package counts as listed, or None if it does not."""
        if package in self.listed:
            return "listed"
        if package in self.essential:
            return "essential"
        if package in self.through:
            return f"through {self.through[package]}"
        return None


def candidates(path):
    """The names dpkg may know a file by: the link's own name first, then its target, each also under /bin for
    /usr/bin (Debian 12 merged /usr but dpkg may still know the old name)."""
    names = []
    for p in (path, os.path.realpath(path)):
        names.append(p)
        if p.startswith("/usr/"):
            names.append(p[len("/usr"):])
    return names


OWNERS = {}  # file -> the packages that own it, from `dpkg -S`


def ask_owners(paths):
    """One `dpkg -S` for many files: each call reads dpkg's whole database."""
    wanted = sorted({c for path in paths for c in candidates(path)} - OWNERS.keys())
    if not wanted:
        return
    result = subprocess.run(["dpkg", "-S", *wanted], stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
    for line in result.stdout.splitlines():
        if line.startswith("diversion by"):
            continue
        names, sep, owned = line.rpartition(": ")
        if sep and owned in wanted:
            OWNERS[owned] = [n.strip().split(":")[0] for n in names.split(",")]
    for c in wanted:
        OWNERS.setdefault(c, [])


def owners(path):
    """(the packages that own a file, the name dpkg knows it by)."""
    ask_owners([path])
    for candidate in candidates(path):
        if OWNERS[candidate]:
            return OWNERS[candidate], candidate
    return [], None


def system_which(program):
    if os.path.isabs(program):
        return program if os.access(program, os.X_OK) else None
    for d in SYSTEM_DIRS:
        p = os.path.join(d, program)
        if os.path.isfile(p) and os.access(p, os.X_OK):
            return p
    return None


def path_which(program):
    for d in os.environ.get("PATH", "").split(os.pathsep):
        p = os.path.join(d or ".", program)
        if os.path.isfile(p) and os.access(p, os.X_OK):
            return p
    return None


def check_file(what, path, hint, packages, problems):
    """One line for a file something needs; a problem when no listed package owns it."""
    found, as_known = owners(path)
    if not found:
        problems.append(f"{what}: {path} belongs to no Debian package; install it from {hint} and add {hint} "
                        f"to scripts/install-deps")
        print(f"  {what:24} {path:48} no package")
        return
    reasons = {p: packages.why_listed(p) for p in found}
    good = [f"{p} ({r})" for p, r in reasons.items() if r]
    print(f"  {what:24} {path:48} {', '.join(good) if good else ', '.join(found) + ' (not listed)'}")
    if not good:
        problems.append(f"{what}: {as_known} comes from package {' or '.join(found)}, which scripts/install-deps "
                        f"does not list; add {found[0]} to its packages")


def check_programs(packages, problems):
    print(f"programs ({len(PROGRAMS)}):")
    ask_owners([p for p in map(system_which, PROGRAMS) if p])
    for program, (hint, users) in sorted(PROGRAMS.items(), key=lambda item: item[0].lower()):
        path = system_which(program)
        if path is None:
            problems.append(f"{program} (run by {users}) is not installed; add {hint} to scripts/install-deps")
            print(f"  {program:24} {'missing':48} add {hint}")
            continue
        check_file(program, path, hint, packages, problems)
        first = path_which(program) if not os.path.isabs(program) else path
        if first and os.path.realpath(first) != os.path.realpath(path):
            print(f"  {'':24} (this machine's PATH finds {first} first)")


def imported_modules():
    """{module: files importing it} for the imports beyond the standard library and the project's own files."""
    files = sorted({f for pattern in PYTHON_SOURCES for f in glob.glob(os.path.join(SOURCE, pattern), recursive=True)})
    local = {os.path.splitext(os.path.basename(f))[0] for f in files}
    found = {}
    for path in files:
        with open(path, encoding="utf-8") as f:
            tree = ast.parse(f.read(), path)
        for node in ast.walk(tree):
            if isinstance(node, ast.Import):
                names = [alias.name for alias in node.names]
            elif isinstance(node, ast.ImportFrom) and node.level == 0 and node.module:
                # gi.repository's names are libraries of their own (typelibs), each from its own package.
                names = [node.module]
                if node.module == "gi.repository":
                    names += [f"{node.module}.{alias.name}" for alias in node.names]
            else:
                continue
            for name in names:
                top = name.split(".")[0]
                if top not in sys.stdlib_module_names and top not in local:
                    found.setdefault(name, set()).add(os.path.relpath(path, SOURCE))
    return found


# Run in Debian's python3 with -I: no PYTHONPATH and no user site, as on a clean machine.
RESOLVE = """
import importlib, json, sys
out = {}
for name in sys.argv[1:]:
    try:
        module = importlib.import_module(name)
        if name.startswith("gi.repository."):
            import gi
            out[name] = gi.Repository.get_default().get_typelib_path(name.rsplit(".", 1)[1])
        else:
            out[name] = getattr(module, "__file__", None) or "?built in"
    except Exception as e:
        out[name] = "!" + type(e).__name__ + ": " + str(e)
print(json.dumps(out))
"""


def check_modules(packages, problems):
    modules = imported_modules()
    print(f"Python modules in {DEBIAN_PYTHON} ({len(modules)}):")
    if not os.access(DEBIAN_PYTHON, os.X_OK):
        problems.append(f"{DEBIAN_PYTHON} is missing; add python3 to scripts/install-deps")
        return
    result = subprocess.run([DEBIAN_PYTHON, "-I", "-c", RESOLVE, *sorted(modules)], stdout=subprocess.PIPE,
                            text=True)
    try:
        where = json.loads(result.stdout)
    except ValueError:
        problems.append(f"{DEBIAN_PYTHON} could not say where the modules come from")
        return
    ask_owners([p for p in where.values() if p.startswith("/")])
    for name in sorted(modules):
        hint = MODULE_PACKAGES.get(name) or MODULE_PACKAGES.get(name.split(".")[0], f"the package of {name}")
        users = ", ".join(sorted(modules[name]))
        path = where.get(name, "!not asked")
        if path.startswith("!"):
            problems.append(f"module {name} (imported by {users}) does not import ({path[1:]}); add {hint} to "
                            f"scripts/install-deps")
            print(f"  {name:24} {'missing':48} add {hint}")
        elif path.startswith("?"):
            print(f"  {name:24} {path[1:]}")
        else:
            check_file(name, path, hint, packages, problems)


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--deps", default=os.path.join(SOURCE, "scripts", "install-deps"),
                        help="the install-deps script whose packages count as installed (default: the project's)")
    args = parser.parse_args()
    for tool in ("dpkg", "dpkg-query"):
        if system_which(tool) is None:
            raise SystemExit(f"FAIL: {tool} is missing: this check needs a Debian system")
    packages = Packages(listed_packages(args.deps))
    print(f"{len(packages.listed)} packages listed in {args.deps}")
    problems = []
    check_programs(packages, problems)
    check_modules(packages, problems)
    if problems:
        print(f"\n{len(problems)} problem(s):")
        for problem in problems:
            print("FAIL:", problem)
        sys.exit(1)
    print("every program and module comes from a listed package")


if __name__ == "__main__":
    main()
