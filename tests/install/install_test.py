#!/usr/bin/env python3
"""Installs the build into a temporary prefix and runs the installed copy the
way the desktop menu would: on an X server of its own (Xvfb), from an
unrelated working folder, with HOME and the XDG folders pointed at temporary
ones and an xdg-open of the test's first on PATH. The page is driven through
the DevTools port with tests/support/devtools.py.

    install_test.py BUILD_DIR SOURCE_DIR
"""
import configparser
import json
import os
import shutil
import socket
import struct
import subprocess
import sys
import tempfile
import time
import urllib.parse
import xml.etree.ElementTree as ET

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
import devtools  # noqa: E402

SEED_ID = "instCheck01"
SEED_TITLE = "Installed Copy Check"

failures = []


def check(ok, what):
    print(("ok    " if ok else "FAIL  ") + what, flush=True)
    if not ok:
        failures.append(what)
    return ok


def wait_for(pred, seconds, step=0.2):
    deadline = time.time() + seconds
    while time.time() < deadline:
        value = pred()
        if value:
            return value
        time.sleep(step)
    return pred()


def png_size(path):
    with open(path, "rb") as f:
        head = f.read(24)
    if head[:8] != b"\x89PNG\r\n\x1a\n" or head[12:16] != b"IHDR":
        return None
    return struct.unpack(">II", head[16:24])


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def click(page, element_id):
    box = page.evaluate("(() => { const e = document.getElementById(%s); if (!e) return null;"
                        " const r = e.getBoundingClientRect(); return [r.left + r.width / 2,"
                        " r.top + r.height / 2]; })()" % json.dumps(element_id))
    if not box:
        return False
    x, y = box
    page.call("Input.dispatchMouseEvent", {"type": "mouseMoved", "x": x, "y": y})
    for kind in ("mousePressed", "mouseReleased"):
        page.call("Input.dispatchMouseEvent", {"type": kind, "x": x, "y": y, "button": "left", "clickCount": 1})
    return True


def check_installed_files(prefix, source, installed_prefix):
    binary = os.path.join(prefix, "bin", "ferrowick")
    check(os.path.isfile(binary) and os.access(binary, os.X_OK), "bin/ferrowick is installed and executable")

    help_page = os.path.join(prefix, "share", "ferrowick", "help", "ferrowick-help.html")
    with open(os.path.join(source, "ui", "res", "help", "ferrowick-help.html"), "rb") as f:
        expected = f.read()
    check(os.path.isfile(help_page) and open(help_page, "rb").read() == expected,
          "share/ferrowick/help/ferrowick-help.html is the source help page")

    desktop = os.path.join(prefix, "share", "applications", "example.ferrowick.ferrowick.desktop")
    entry = {}
    if check(os.path.isfile(desktop), "share/applications/example.ferrowick.ferrowick.desktop is installed"):
        parser = configparser.ConfigParser(interpolation=None)
        parser.optionxform = str
        parser.read(desktop, encoding="utf-8")
        entry = parser["Desktop Entry"] if parser.has_section("Desktop Entry") else {}
    check(entry.get("Type") == "Application" and entry.get("Name") == "Ferrowick"
          and entry.get("Terminal") == "false" and bool(entry.get("Comment")),
          "the desktop entry is an application named Ferrowick, not run in a terminal")
    exec_words = entry.get("Exec", "").split()
    # The menu finds the program on PATH, so the command must be the installed file's name.
    check(bool(exec_words) and exec_words[0] == os.path.basename(binary),
          "the desktop entry starts the installed binary (Exec=%s)" % entry.get("Exec"))
    # The session bus starts the program for the entry by its full path, where it is installed.
    service = configparser.ConfigParser(interpolation=None)
    service.optionxform = str
    service.read(os.path.join(prefix, "share", "dbus-1", "services", "example.ferrowick.ferrowick.service"))
    check(entry.get("DBusActivatable") == "true" and service.has_section("D-BUS Service")
          and dict(service["D-BUS Service"]) == {"Name": "example.ferrowick.ferrowick",
                                                  "Exec": os.path.join(installed_prefix, "bin", "ferrowick")},
          "the desktop entry is D-Bus activatable and its service starts the installed binary")
    categories = entry.get("Categories", "").split(";")
    # One main category, so that the menu lists the program once.
    check(categories == ["Network", "FileTransfer", ""],
          "the desktop entry's categories are Network;FileTransfer; (%s)" % entry.get("Categories"))

    icon_name = entry.get("Icon", "")
    hicolor = os.path.join(prefix, "share", "icons", "hicolor")
    icons = []
    if os.path.isdir(hicolor):
        for size_dir in sorted(os.listdir(hicolor)):
            path = os.path.join(hicolor, size_dir, "apps", icon_name + ".png")
            if icon_name and os.path.isfile(path):
                icons.append((size_dir, path))
    # 48x48 is the size every icon theme lookup falls back on.
    check(any(d == "48x48" for d, _ in icons),
          "the icon named by the desktop entry (%s) is installed at 48x48" % icon_name)
    for size_dir, path in icons:
        size = png_size(path)
        check(size is not None and "%dx%d" % size == size_dir,
              "hicolor/%s/apps/%s.png is a PNG of that size (%s)" % (size_dir, icon_name, size))
    return binary, help_page


def main():
    build, source = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])
    tmp = tempfile.mkdtemp(prefix="ferrowick-install-")
    try:
        run(build, source, tmp)
    finally:
        shutil.rmtree(tmp, ignore_errors=True)
    if failures:
        print("%d check(s) failed" % len(failures))
        return 1
    return 0


def run(build, source, tmp):
    prefix = os.path.join(tmp, "prefix")
    r = subprocess.run(["cmake", "--install", build, "--prefix", prefix], capture_output=True, text=True)
    if not check(r.returncode == 0, "cmake --install into a temporary prefix"):
        print(r.stdout + r.stderr)
        return
    check_installed_copy(prefix, source, tmp)


def check_installed_copy(prefix, source, tmp, installed_prefix=None):
    """The files under PREFIX, then the program started from there; TMP holds its HOME. INSTALLED_PREFIX is
    where the files say they are, when they were unpacked elsewhere."""
    binary, help_page = check_installed_files(prefix, source, installed_prefix or prefix)

    home, data, config, cache = (os.path.join(tmp, n) for n in ("home", "data", "config", "cache"))
    for d in (home, data, config, cache):
        os.makedirs(d)
    program_folder = os.path.join(data, "Ferrowick")
    # A list from an earlier session, without folders, so the defaults apply.
    os.makedirs(program_folder)
    with open(os.path.join(program_folder, "app.xml"), "w", encoding="utf-8") as f:
        f.write('<?xml version="1.0" encoding="UTF-8"?>\n<application><content><item id="%s">'
                '<title>%s</title><videopath>%s</videopath><thumbpath></thumbpath><imagepath></imagepath>'
                '<length>1000</length><completed>1000</completed><error>0</error></item></content>'
                '</application>\n' % (SEED_ID, SEED_TITLE, os.path.join(home, "Videos", "seed.flv")))

    # What the desktop would open (Qt runs xdg-open on a desktop it does not
    # know) lands here, one argument a line; nothing is opened.
    open_log = os.path.join(tmp, "open.log")
    fake_bin = os.path.join(tmp, "fakebin")
    os.makedirs(fake_bin)
    with open(os.path.join(fake_bin, "xdg-open"), "w") as f:
        f.write('#!/bin/sh\nfor a; do printf "%%s\\n" "$a"; done >> "%s"\n' % open_log)
    os.chmod(os.path.join(fake_bin, "xdg-open"), 0o755)

    # Xvfb takes the first free display and writes its number to the descriptor -displayfd names.
    xvfb = subprocess.Popen(["Xvfb", "-displayfd", "1", "-screen", "0", "1920x1440x24", "-nolisten", "tcp"],
                            stdout=subprocess.PIPE, text=True)
    display = xvfb.stdout.readline().strip()
    port = free_port()
    env = {k: v for k, v in os.environ.items() if not k.startswith(("XDG_", "QT_", "QTWEBENGINE_"))}
    env.update({
        "PATH": fake_bin + os.pathsep + env.get("PATH", "/usr/bin:/bin"),
        "HOME": home, "XDG_DATA_HOME": data, "XDG_CONFIG_HOME": config, "XDG_CACHE_HOME": cache,
        "DISPLAY": ":" + display, "QT_QPA_PLATFORM": "xcb", "QTWEBENGINE_DISABLE_SANDBOX": "1",
        "QTWEBENGINE_CHROMIUM_FLAGS": "--disable-gpu",
        "QTWEBENGINE_REMOTE_DEBUGGING": "127.0.0.1:%d" % port,
    })
    proc = subprocess.Popen([binary], env=env, cwd=tmp) if display else None
    page = None
    try:
        if not check(proc is not None, "Xvfb started on a free display"):
            return
        try:
            page = devtools.Page(port, 60)
        except SystemExit:
            pass
        if not check(page is not None and proc.poll() is None, "the installed copy starts and its page answers"):
            return
        rows = wait_for(lambda: page.evaluate(
            "document.getElementById('close') ? Array.from(document.querySelectorAll('#content option'),"
            " o => o.textContent) : null"), 60)
        check(rows is not None, "the page shows its close button")
        check(bool(rows) and any(SEED_TITLE in t for t in rows),
              "the list saved in XDG_DATA_HOME/Ferrowick is shown (%s)" % rows)

        # The help button opens the page installed under the prefix.
        check(click(page, "help"), "the page has a help button")
        opened = wait_for(lambda: os.path.isfile(open_log) and open(open_log).read().split(), 20) or []
        url = urllib.parse.urlparse(opened[0]) if opened else None
        opened_path = urllib.parse.unquote(url.path) if url else ""
        check(url is not None and url.scheme == "file" and os.path.isfile(opened_path)
              and os.path.samefile(opened_path, help_page),
              "help opens %s (opened: %s)" % (help_page, opened))

        check(click(page, "close"), "the page has a close button")
        try:
            code = proc.wait(60)
        except subprocess.TimeoutExpired:
            code = None
        check(code == 0, "closing from the page ends the program with code 0 (got %s)" % code)
    finally:
        if page:
            page.ws.close()
        if proc and proc.poll() is None:
            proc.kill()
            proc.wait()
        xvfb.terminate()
        xvfb.wait()

    app_xml = os.path.join(program_folder, "app.xml")
    try:
        root = ET.parse(app_xml).getroot()
    except (OSError, ET.ParseError) as e:
        check(False, "app.xml in XDG_DATA_HOME/Ferrowick is written and parses (%s)" % e)
        return
    dirs = {d.get("type"): os.path.normpath(d.text or "") for d in root.iter("dir")}
    check(dirs.get("temp") == os.path.join(program_folder, "Temp"),
          "the Temp folder is in XDG_DATA_HOME/Ferrowick (%s)" % dirs.get("temp"))
    check(dirs.get("video") == os.path.join(home, "Videos", "Ferrowick"),
          "videos go to the desktop's video folder (%s)" % dirs.get("video"))
    ids = [i.get("id") for i in root.iter("item")]
    check(ids == [SEED_ID], "the saved list still holds the earlier item (%s)" % ids)
    check(not os.path.exists(os.path.join(home, ".local", "share", "Ferrowick"))
          and not os.path.exists(os.path.join(os.path.dirname(binary), "app.xml")),
          "nothing is kept beside the binary or under HOME's default data folder")


if __name__ == "__main__":
    sys.exit(main())
