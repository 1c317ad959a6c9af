#!/usr/bin/python3
"""Writes resources/version.bin: the module's version record.

The record is the Windows VS_VERSIONINFO tree, byte for byte as the resource
compiler lays it out, so both builds carry the same resource (type 16, id 1):
file and product version 3.0 (3.0.0.0 in the fixed part), product SkyTune,
strings for US English in Unicode. Run by hand after changing a value; the
file it writes is committed.
"""
import os
import struct

VERSION = (3, 0, 0, 0)
STRINGS = [("FileVersion", "3.0"), ("ProductVersion", "3.0"), ("ProductName", "SkyTune")]
LANGUAGE, CODE_PAGE = 0x0409, 0x04B0
OUT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "resources", "version.bin")

VS_FFI_SIGNATURE = 0xFEEF04BD
VS_FFI_STRUCVERSION = 0x00010000
VS_FFI_FILEFLAGSMASK = 0x3F
VOS_NT_WINDOWS32 = 0x00040004
VFT_DLL = 2


def pad4(data):
    return data + b"\0" * (-len(data) % 4)


def block(key, value=b"", value_length=0, text=False, children=()):
    """One node: length, value length, type, UTF-16 key, value, children."""
    head = struct.pack("<HHH", 0, value_length, 1 if text else 0)
    data = pad4(head + (key + "\0").encode("utf-16-le")) + value
    for child in children:
        data = pad4(data) + child
    return struct.pack("<H", len(data)) + data[2:]


def text_block(key, text):
    value = (text + "\0").encode("utf-16-le")
    return block(key, value, len(text) + 1, text=True)


def version_record():
    ms = VERSION[0] << 16 | VERSION[1]
    ls = VERSION[2] << 16 | VERSION[3]
    fixed = struct.pack("<13I", VS_FFI_SIGNATURE, VS_FFI_STRUCVERSION, ms, ls, ms, ls,
                        VS_FFI_FILEFLAGSMASK, 0, VOS_NT_WINDOWS32, VFT_DLL, 0, 0, 0)
    table = block("%04X%04X" % (LANGUAGE, CODE_PAGE), text=True,
                  children=[text_block(k, v) for k, v in STRINGS])
    strings = block("StringFileInfo", text=True, children=[table])
    translation = block("Translation", struct.pack("<HH", LANGUAGE, CODE_PAGE), 4)
    variables = block("VarFileInfo", text=True, children=[translation])
    return block("VS_VERSION_INFO", fixed, len(fixed), children=[strings, variables])


def main():
    with open(OUT, "wb") as out:
        out.write(version_record())


if __name__ == "__main__":
    main()
