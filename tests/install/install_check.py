#!/usr/bin/env python3
"""Installs the build into a temporary DESTDIR under a prefix with a space and
non-ASCII letters, and checks what landed: exactly the expected files (a lost
or stray install rule shows), a desktop entry and AppStream data the desktop's
own validators accept under one application ID, a clean manual page, icons of
their folder's size, and help pages whose every link resolves.

Usage: install_check.py CMAKE BUILD_DIR SOURCE_DIR"""

import gzip
import html.parser
import os
import shutil
import struct
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ElementTree
from pathlib import Path
from urllib.parse import urlsplit, unquote

APP_ID = "org.lumora.Lumora"
ICON_SIZES = (16, 24, 32, 48, 64, 128, 256)
PREFIX = "/opt/Lumora Bühne"

failures = []


def fail(message):
    failures.append(message)


def expected_files(source_dir):
    files = {
        "bin/lumora",
        "lib/lumora/liblumora-media.so",
        f"share/applications/{APP_ID}.desktop",
        f"share/metainfo/{APP_ID}.metainfo.xml",
        "share/man/man1/lumora.1.gz",
        "share/lumora/lang/english.lml",
        "share/lumora/lang/deutsch.nlp",
        f"share/icons/hicolor/scalable/apps/{APP_ID}.svg",
    }
    files |= {f"share/icons/hicolor/{n}x{n}/apps/{APP_ID}.png" for n in ICON_SIZES}
    files |= {f"share/lumora/help/{page.name}"
              for page in (Path(source_dir) / "resources/help").iterdir()}
    return files


def check_packs(root, source_dir):
    """The English pack is the table's 152 lines; the German one is shipped as written."""
    folder = root / "share/lumora/lang"
    english = (folder / "english.lml").read_bytes()
    if english.count(b"\r\n") != 152 or not english.startswith(b"Show\r\nPreferences\r\n"):
        fail("english.lml is not the 152 built-in lines")
    if (folder / "deutsch.nlp").read_bytes() != (Path(source_dir) / "resources/lang/deutsch.nlp").read_bytes():
        fail("deutsch.nlp differs from resources/lang/deutsch.nlp")


def check_file_list(root, source_dir):
    installed = {str(path.relative_to(root)) for path in root.rglob("*")
                 if path.is_file() or path.is_symlink()}
    expected = expected_files(source_dir)
    for name in sorted(expected - installed):
        fail(f"not installed: {name}")
    for name in sorted(installed - expected):
        fail(f"installed but not expected: {name}")


def run(command, **kwargs):
    return subprocess.run(command, capture_output=True, text=True, **kwargs)


def check_desktop_entry(root):
    entry = root / f"share/applications/{APP_ID}.desktop"
    result = run(["desktop-file-validate", str(entry)])
    # Hints are advice; errors and warnings are not.
    complaints = [line for line in result.stdout.splitlines() if ": hint: " not in line]
    if result.returncode != 0 or complaints:
        fail("desktop-file-validate: " + "\n".join(complaints or [result.stdout]))
    keys = dict(line.split("=", 1) for line in entry.read_text().splitlines() if "=" in line)
    if keys.get("Icon") != APP_ID:
        fail(f"desktop entry Icon={keys.get('Icon')}, not {APP_ID}")
    if keys.get("Exec") != "lumora %f":
        fail(f"desktop entry Exec={keys.get('Exec')}")
    if "MimeType" in keys:
        fail("desktop entry claims MIME types")


def check_metainfo(root):
    metainfo = root / f"share/metainfo/{APP_ID}.metainfo.xml"
    result = run(["appstreamcli", "validate", "--no-net", str(metainfo)])
    if result.returncode != 0:
        fail("appstreamcli validate: " + result.stdout + result.stderr)
    component = ElementTree.parse(metainfo).getroot()
    if component.findtext("id") != APP_ID:
        fail(f"metainfo id {component.findtext('id')}, not {APP_ID}")
    if component.findtext("launchable") != f"{APP_ID}.desktop":
        fail(f"metainfo launchable {component.findtext('launchable')}")


def check_manual(root):
    with gzip.open(root / "share/man/man1/lumora.1.gz", "rt") as page:
        text = page.read()
    result = run(["groff", "-man", "-ww", "-z"], input=text)
    if result.returncode != 0 or result.stderr:
        fail("groff: " + result.stderr)
    for section in ("NAME", "SYNOPSIS", "DESCRIPTION", "FILES", "ENVIRONMENT", "SEE ALSO"):
        if f".SH {section}\n" not in text:
            fail(f"manual page without {section}")
    with tempfile.NamedTemporaryFile("w", suffix=".1") as plain:
        plain.write(text)
        plain.flush()
        if run(["lexgrog", plain.name]).returncode != 0:
            fail("lexgrog finds no NAME line in the manual page")


def png_size(path):
    data = path.read_bytes()[:24]
    if data[:8] != b"\x89PNG\r\n\x1a\n" or data[12:16] != b"IHDR":
        return None
    return struct.unpack(">II", data[16:24])


def check_icons(root):
    for n in ICON_SIZES:
        path = root / f"share/icons/hicolor/{n}x{n}/apps/{APP_ID}.png"
        if path.exists() and png_size(path) != (n, n):
            fail(f"{path.relative_to(root)} is {png_size(path)}, not {n} x {n}")


class PageLinks(html.parser.HTMLParser):
    def __init__(self):
        super().__init__()
        self.links, self.ids = [], set()

    def handle_starttag(self, tag, attrs):
        for name, value in attrs:
            if name == "id":
                self.ids.add(value)
            if name in ("href", "src") and value is not None:
                self.links.append(value)


def check_help(root):
    folder = root / "share/lumora/help"
    pages = {}
    for page in folder.glob("*.html"):
        parser = PageLinks()
        parser.feed(page.read_text(encoding="utf-8"))
        pages[page.name] = parser
    if "index.html" not in pages:
        fail("no help contents page")
        return
    for name, parser in sorted(pages.items()):
        for link in parser.links:
            parts = urlsplit(link)
            if parts.scheme or parts.netloc:
                fail(f"{name}: outside resource {link}")
                continue
            target = unquote(parts.path) or name
            if not (folder / target).is_file():
                fail(f"{name}: link to a missing file {link}")
            elif parts.fragment and parts.fragment not in pages[target].ids:
                fail(f"{name}: link to a missing place {link}")
    # Every page can be reached from the contents.
    reached, waiting = set(), ["index.html"]
    while waiting:
        name = waiting.pop()
        if name in reached or name not in pages:
            continue
        reached.add(name)
        waiting += [unquote(urlsplit(link).path) for link in pages[name].links
                    if urlsplit(link).path]
    for name in sorted(set(pages) - reached):
        fail(f"help page {name} cannot be reached from index.html")


def main():
    cmake, build_dir, source_dir = sys.argv[1:4]
    destdir = Path(tempfile.mkdtemp(prefix="lumora-install "))
    try:
        result = run([cmake, "--install", build_dir, "--prefix", PREFIX],
                     env={**os.environ, "DESTDIR": str(destdir)})
        if result.returncode != 0:
            print(result.stdout + result.stderr)
            return 1
        root = Path(str(destdir) + PREFIX)
        check_file_list(root, source_dir)
        check_desktop_entry(root)
        check_metainfo(root)
        check_manual(root)
        check_icons(root)
        check_help(root)
        check_packs(root, source_dir)
    finally:
        shutil.rmtree(destdir)
    for message in failures:
        print("FAILED:", message)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
