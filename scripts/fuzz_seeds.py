#!/usr/bin/env python3
# SPDX-FileCopyrightText: 2026 The Hollowmere developers
# SPDX-License-Identifier: GPL-3.0-or-later

"""Writes seed corpora for the fuzz targets from a generated pack and a few hand-made damaged
inputs. Usage: fuzz_seeds.py PACK OUTDIR"""

import os
import struct
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "e2e"))
import harness  # noqa: E402




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
        for name, data in harness.pack_records(encoded):
            # The conversions take every kind; the first byte picks the file name (fuzz_convert.cpp).
            pick = {"texture_": 1, "audio_": 3, "object_": 4, "material_": 6}
            for prefix, index in pick.items():
                if name.startswith(prefix):
                    write(os.path.join(out, "fuzz_convert"), name, bytes([index]) + data[:30000])
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
    bmp = b"BM" + struct.pack("<IIIIiiHHIIIIII", 70, 0, 54, 40, 3, -2, 1, 32, 3, 16, 0, 0, 0, 0)
    write(os.path.join(out, "fuzz_convert"), "bitfields", bytes([0]) + bmp + struct.pack("<3I", 0xff0000, 0xff00, 0xff)
          + b"\x40" * 24)
    write(os.path.join(out, "fuzz_convert"), "obj_forms", b"\x04v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 -2//1 3/1\n")
    write(os.path.join(out, "fuzz_convert"), "mtl", b"\x05newmtl a\nKa 1\nKd 0.5 0.5 0.5\nKe x\n")
    write(os.path.join(out, "fuzz_pack"), "empties", b"\x00\x80\x00\x03abc")
    # Recorded games: as they are, and with the first byte asking for the checksum to be mended.
    replays = os.path.join(os.path.dirname(os.path.dirname(os.path.abspath(__file__))), "tests", "replays")
    for name in sorted(os.listdir(replays)) if os.path.isdir(replays) else []:
        if name.endswith(".hmr"):
            with open(os.path.join(replays, name), "rb") as f:
                data = f.read()
            write(os.path.join(out, "fuzz_replay"), name + "_0", b"\x00" + data)
            write(os.path.join(out, "fuzz_replay"), name + "_1", b"\x01" + data)


main()
