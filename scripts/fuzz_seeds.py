#!/usr/bin/env python3
"""Writes seed corpora for the fuzz targets from a generated pack and a few hand-made damaged
inputs. Usage: fuzz_seeds.py PACK OUTDIR"""

import os
import struct
import sys


def decode(encoded):
    out = bytearray()
    i = 0
    while i < len(encoded):
        c = encoded[i]
        i += 1
        if c & 0x80:
            if i >= len(encoded):
                break
            out += bytes([encoded[i]]) * (c & 0x7F)
            i += 1
        else:
            out += encoded[i:i + c]
            i += c
    return bytes(out)


def records(plain):
    i = 0
    while i + 516 <= len(plain):
        size = struct.unpack_from("<I", plain, i)[0]
        name = plain[i + 4:i + 516].split(b"\0")[0].decode("latin-1")
        yield name, plain[i + 516:i + 516 + size]
        i += 516 + size


def write(folder, name, data):
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, name), "wb") as f:
        f.write(data)


def main():
    pack, out = sys.argv[1], sys.argv[2]
    if os.path.exists(pack):
        with open(pack, "rb") as f:
            encoded = f.read()
        # The pack itself is too large a seed; its first records are plenty.
        write(os.path.join(out, "fuzz_pack"), "head", encoded[:20000])
        for name, data in records(decode(encoded)):
            if name.startswith("texture_"):
                small = data if len(data) < 70000 else data[:54] + data[54:54 + 3 * 64 * 64]
                write(os.path.join(out, "fuzz_texture"), name, bytes([2]) + small)
            elif name.startswith("object_"):
                write(os.path.join(out, "fuzz_obj"), name, data[:60000])
            elif name.startswith("material_"):
                write(os.path.join(out, "fuzz_material"), name, data)
            elif name.startswith("audio_"):
                write(os.path.join(out, "fuzz_sound"), name, data[:30000])
    # Hand-made damaged inputs.
    write(os.path.join(out, "fuzz_obj"), "bad_index", b"v 0 0 0\nvt 0 0\nvn 0 1 0\nf 1/1/1 2/1/1 0/1/1\n")
    write(os.path.join(out, "fuzz_obj"), "negative", b"v 0 0 0\nvt 0 0\nvn 0 1 0\nf -1/1/1 1/1/1 1/1/1\n")
    write(os.path.join(out, "fuzz_material"), "nokeys", b"nothing to see\0")
    header = b"BM" + b"\0" * 12 + struct.pack("<Iii", 40, 4096, 4096) + b"\0" * 28
    write(os.path.join(out, "fuzz_texture"), "huge_claim", bytes([3]) + header + b"\x10" * 48)
    settings = struct.pack("<iiiiiffii5i", 1, 1, 1000, 700, 32, 1.5, 0.8, -1, 0, 276, 275, 273, 274, 32)
    settings += b"\0" * 512 + struct.pack("<10i", *range(10000, 0, -1000)) + b"quenby".ljust(20, b"\0") * 10
    write(os.path.join(out, "fuzz_settings"), "valid", settings)
    write(os.path.join(out, "fuzz_settings"), "short", settings[:807])
    write(os.path.join(out, "fuzz_pack"), "empties", b"\x00\x80\x00\x03abc")


main()
