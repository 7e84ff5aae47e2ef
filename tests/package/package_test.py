#!/usr/bin/env python3
"""Builds the Debian package with CPack into a temporary folder, checks it
with lintian, desktop-file-validate and appstreamcli, unpacks it with
dpkg-deb -x and runs the unpacked program with the checks of
tests/install/install_test.py.

    package_test.py BUILD_DIR SOURCE_DIR VERSION
"""
import configparser
import os
import shutil
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ET

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "install"))
import install_test  # noqa: E402
from install_test import check  # noqa: E402

APP_ID = "example.ferrowick.ferrowick"


def tool(args, **kw):
    r = subprocess.run(args, capture_output=True, text=True, **kw)
    return r.returncode, (r.stdout + r.stderr).strip()


def check_package(deb, version):
    field = lambda name: tool(["dpkg-deb", "-f", deb, name])[1]  # noqa: E731
    print("Size: %d bytes, installed %s KiB\nDepends: %s" % (os.path.getsize(deb), field("Installed-Size"),
                                                              field("Depends")))
    check(field("Version") == version and field("Section") == "video", "version %s, section video" % version)
    depends = [d.split()[0] for d in field("Depends").split(",")]
    # From dpkg-shlibdeps, and what runs beside the program.
    for name in ("libc6", "libqt6core6", "libcurl4", "libgumbo1", "libqt6webenginecore6",
                 "libqt6webenginecore6-bin", "libqt6webengine6-data"):
        check(name in depends, "Depends names %s" % name)
    listing = tool(["dpkg-deb", "-c", deb])[1]
    for path in ("/usr/bin/ferrowick", "/usr/share/man/man1/ferrowick.1.gz", "/usr/share/doc/ferrowick/copyright",
                 "/usr/share/doc/ferrowick/changelog.gz", "/usr/share/metainfo/%s.metainfo.xml" % APP_ID):
        check(" ." + path + "\n" in listing + "\n", "the package holds %s" % path)

    code, out = tool(["lintian", "--fail-on", "error,warning", "--display-info", deb])
    # Said once when run as root: about this machine, not the package.
    tags = [t for t in out.splitlines() if not t.startswith("running with root privileges")]
    print("lintian:" + "".join("\n  " + t for t in tags) if tags else "lintian: (nothing)")
    check(code == 0 and not any(t.startswith(("E:", "W:")) for t in tags), "lintian: no error, no warning")


def check_unpacked(root, version):
    share = os.path.join(root, "usr", "share")
    desktop = os.path.join(share, "applications", APP_ID + ".desktop")
    code, out = tool(["desktop-file-validate", desktop])
    check(code == 0 and out == "", "desktop-file-validate: nothing to say (%s)" % out)
    entry = configparser.ConfigParser(interpolation=None)
    entry.optionxform = str
    entry.read(desktop, encoding="utf-8")
    check(entry.get("Desktop Entry", "StartupWMClass", fallback="") == APP_ID
          and entry.get("Desktop Entry", "X-GNOME-UsesNotifications", fallback="") == "true",
          "the desktop entry's window class is the app id, and it uses notifications")

    metainfo = os.path.join(share, "metainfo", APP_ID + ".metainfo.xml")
    code, out = tool(["appstreamcli", "validate", "--no-net", metainfo])
    print("appstreamcli validate: " + out)
    check(code == 0, "appstreamcli validate --no-net passes")
    code, out = tool(["appstreamcli", "validate-tree", "--no-net", root])
    check(code == 0, "appstreamcli validate-tree passes (%s)" % out)
    component = ET.parse(metainfo).getroot()
    check(component.findtext("id") == APP_ID and component.findtext("launchable") == APP_ID + ".desktop"
          and component.find("releases/release").get("version") == version,
          "the metadata's id, launchable and newest release")
    changelog = os.path.join(share, "doc", "ferrowick", "changelog.gz")
    check(tool(["dpkg-parsechangelog", "-l", changelog, "-S", "Version"])[1] == version,
          "the changelog's newest entry is %s" % version)

    binary = os.path.join(root, "usr", "bin", "ferrowick")
    check(tool([binary, "--version"], env={})[1] == "Ferrowick " + version, "the binary is Ferrowick " + version)
    code, page = tool(["man", "-l", os.path.join(share, "man", "man1", "ferrowick.1.gz")],
                      env={"PATH": os.environ["PATH"], "MANWIDTH": "80", "LC_ALL": "C.UTF-8"})
    sections = ("NAME", "SYNOPSIS", "DESCRIPTION", "OPTIONS", "EXIT STATUS", "ENVIRONMENT", "FILES")
    check(code == 0 and all("\n%s\n" % s in page for s in sections), "the manual page has " + ", ".join(sections))


def run(build, source, version, tmp):
    out = os.path.join(tmp, "out")
    code, log = tool(["cpack", "-G", "DEB", "--config", os.path.join(build, "CPackConfig.cmake"), "-B", out])
    deb = os.path.join(out, "ferrowick_%s_%s.deb" % (version, tool(["dpkg", "--print-architecture"])[1]))
    if not check(code == 0 and os.path.isfile(deb), "cpack builds " + os.path.basename(deb)):
        print(log)
        return
    check_package(deb, version)
    root = os.path.join(tmp, "root")
    if not check(tool(["dpkg-deb", "-x", deb, root])[0] == 0, "dpkg-deb -x into a temporary root"):
        return
    check_unpacked(root, version)
    home = os.path.join(tmp, "run")
    os.makedirs(home)
    install_test.check_installed_copy(os.path.join(root, "usr"), source, home, "/usr")


def main():
    build, source, version = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2]), sys.argv[3]
    tmp = tempfile.mkdtemp(prefix="ferrowick-package-")
    try:
        run(build, source, version, tmp)
    finally:
        shutil.rmtree(tmp, ignore_errors=True)
    if install_test.failures:
        print("%d check(s) failed" % len(install_test.failures))
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
