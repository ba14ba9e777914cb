#!/usr/bin/env python3
"""Writes the shortcut fixtures beside this script, laid out by hand from
[MS-SHLLINK] (ms_shllink_example.lnk is that document's worked example,
section 3.1, typed in). Check them with lnkinfo (liblnk-utils)."""
import os
import struct

CLSID = bytes.fromhex("0114020000000000c000000000000046")
HAS_ID_LIST, HAS_LINK_INFO, HAS_NAME, HAS_RELATIVE_PATH = 0x1, 0x2, 0x4, 0x8
HAS_WORKING_DIR, HAS_ARGUMENTS, HAS_ICON_LOCATION, IS_UNICODE = 0x10, 0x20, 0x40, 0x80
HAS_EXP_STRING, HAS_EXP_ICON = 0x200, 0x4000


def header(flags, show=1, hot_key=0, icon_index=0, file_size=0, attributes=0x20):
    times = struct.pack("<QQQ", 0x01C91515F2EEE9D0, 0x01C91515F2EEE9D0, 0x01C91515F2EEE9D0)
    return (struct.pack("<I", 0x4C) + CLSID + struct.pack("<II", flags, attributes) + times +
            struct.pack("<IiIH", file_size, icon_index, show, hot_key) + bytes(10))


def counted(text, unicode):
    if unicode:
        return struct.pack("<H", len(text)) + text.encode("utf-16-le")
    data = text.encode("cp1252")
    return struct.pack("<H", len(data)) + data


def link_info(ansi_path, unicode_path=None):
    """A local path; with unicode_path the header carries the Unicode offsets."""
    header_size = 0x24 if unicode_path is not None else 0x1C
    volume = struct.pack("<IIII", 0x11, 3, 0x1234ABCD, 0x10) + b"\0"
    body = bytearray()
    volume_offset = header_size
    body += volume
    base_offset = header_size + len(body)
    body += ansi_path.encode("cp1252") + b"\0"
    suffix_offset = header_size + len(body)
    body += b"\0"
    offsets = [volume_offset, base_offset, 0, suffix_offset]
    if unicode_path is not None:
        if len(body) % 2:
            body += b"\0"
        base_unicode = header_size + len(body)
        body += unicode_path.encode("utf-16-le") + b"\0\0"
        suffix_unicode = header_size + len(body)
        body += b"\0\0"
        offsets += [base_unicode, suffix_unicode]
    size = header_size + len(body)
    return struct.pack("<III", size, header_size, 1) + struct.pack(
        "<%dI" % len(offsets), *offsets) + bytes(body)


def env_block(signature, ansi, unicode):
    a = ansi.encode("cp1252").ljust(260, b"\0")
    u = unicode.encode("utf-16-le").ljust(520, b"\0")
    return struct.pack("<II", 0x314, signature) + a + u


def block(signature, data):
    return struct.pack("<II", 8 + len(data), signature) + data


def id_list(*items):
    raw = b"".join(struct.pack("<H", 2 + len(i)) + i for i in items) + b"\0\0"
    return struct.pack("<H", len(raw)) + raw


def write(name, data):
    with open(os.path.join(os.path.dirname(os.path.abspath(__file__)), name), "wb") as f:
        f.write(data)


# 8-bit strings in Windows-1252 (not the locale's code page): the euro sign,
# accented letters, the oe ligature; only an 8-bit local path; minimised
# without activation; Ctrl+Alt+A.
flags = HAS_LINK_INFO | HAS_NAME | HAS_WORKING_DIR | HAS_ARGUMENTS | HAS_ICON_LOCATION
write("windows_1252.lnk",
      header(flags, show=7, hot_key=0x0641, icon_index=2) +
      link_info("C:\\Données\\résumé €.txt") +
      counted("Café œuvre €5", False) + counted("C:\\Données", False) +
      counted("/f «x»", False) + counted("C:\\Windows\\système.dll", False) + bytes(4))

# The target only in the environment variable block, the icon in the icon
# block; a show command (2) and a hot key (0xFF) the window has no entry for.
flags = HAS_NAME | HAS_ICON_LOCATION | IS_UNICODE | HAS_EXP_STRING | HAS_EXP_ICON
write("environment.lnk",
      header(flags, show=2, hot_key=0x03FF) +
      counted("Notes in the profile", True) + counted("%SystemRoot%\\notepad.exe", True) +
      env_block(0xA0000001, "%USERPROFILE%\\notes.txt", "%USERPROFILE%\\notes ✓.txt") +
      env_block(0xA0000007, "%SystemRoot%\\notepad.exe", "%SystemRoot%\\notepad.exe") +
      bytes(4))

# An ID list, a Unicode link info, a relative path and extra blocks this
# program does not know, between known ones.
flags = (HAS_ID_LIST | HAS_LINK_INFO | HAS_NAME | HAS_RELATIVE_PATH | HAS_WORKING_DIR |
         IS_UNICODE)
root = bytes.fromhex("1f50e04fd020ea3a6910a2d808002b30309d")
write("unknown_blocks.lnk",
      header(flags, show=3, hot_key=0x0270) +
      id_list(root, b"\x2fC:\\" + bytes(19)) +
      link_info("C:\\Program Files\\?.exe", "C:\\Program Files\\Ω.exe") +
      counted("Omega ☺", True) + counted("..\\Program Files\\Ω.exe", True) +
      counted("C:\\Program Files", True) +
      block(0xA0000004, struct.pack("<I", 1252)) +
      block(0xA00000FF, b"kept as it is, whatever it means" + bytes(3)) +
      block(0x12345678, bytes(range(32))) +
      bytes(4))

# Nothing but a relative path: the target is found from the shortcut's folder.
write("relative_only.lnk",
      header(HAS_RELATIVE_PATH | IS_UNICODE) + counted("..\\docs\\a.txt", True) + bytes(4))
