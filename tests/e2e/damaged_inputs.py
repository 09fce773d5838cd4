# SPDX-FileCopyrightText: 2026 The Hollowmere developers
# SPDX-License-Identifier: GPL-3.0-or-later

"""Makes the damaged inputs the game must survive: packs truncated, bit-flipped, random, with
a lying size field, missing each resource in turn, or with one malformed texture, mesh,
material or sound; and settings files of the wrong size or with out-of-range fields.

As a script: damaged_inputs.py PACK OUTDIR writes every case as OUTDIR/NAME.data or NAME.cfg.
"""

import math
import os
import random
import struct
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import harness  # noqa: E402


def replace(records, name, data):
    return [(n, data if n == name else d) for n, d in records]


def bmp_header(width, height, bits=24):
    return (b"BM" + struct.pack("<IHHI", 54 + width * height * 3, 0, 0, 54) +
            struct.pack("<IiiHHIIiiII", 40, width, height, 1, bits, 0, 0, 2835, 2835, 0, 0))


def pack_cases(pack_bytes):
    """(name, encoded pack) for every damaged pack."""
    records = harness.pack_records(pack_bytes)
    build = harness.build_pack_bytes
    cases = []
    for fraction in (0.001, 0.25, 0.5, 0.9, 0.999):
        cases.append(("truncated_%g" % fraction, pack_bytes[:int(len(pack_bytes) * fraction)]))
    rng = random.Random(11)
    for k in range(4):
        flipped = bytearray(pack_bytes)
        for _ in range(20):
            pos = rng.randrange(len(flipped))
            flipped[pos] ^= 1 << rng.randrange(8)
        cases.append(("bitflip_%d" % k, bytes(flipped)))
    cases.append(("random", bytes(rng.randrange(256) for _ in range(100000))))
    # The second record claims 0xFFFFFFFF bytes.
    liar = bytearray(build(records[:3]))
    plain = bytearray(harness.decode_pack_bytes(bytes(liar)))
    second = 516 + len(records[0][1])
    plain[second:second + 4] = b"\xff\xff\xff\xff"
    cases.append(("size_ffffffff", harness.encode_plain(bytes(plain))))
    for name, _ in records:
        cases.append(("missing_" + name, build([r for r in records if r[0] != name])))
    cases.append(("texture_claims_4096", build(replace(records, "texture_ground",
                                                         bmp_header(4096, 4096) + b"\x40" * 3000))))
    cases.append(("texture_32bit", build(replace(records, "texture_barrel", bmp_header(4, 4, 32) + b"\x40" * 64))))
    mesh = "v 0 0 0\nv 1 0 0\nv 0 1 0\nvt 0 0\nvn 0 0 1\n"
    for label, face in (("zero", "f 0/1/1 2/1/1 3/1/1"), ("negative", "f -1/1/1 2/1/1 3/1/1"),
                        ("past_end", "f 1/1/1 2/1/1 4/1/1")):
        cases.append(("obj_index_" + label, build(replace(records, "object_tank_1",
                                                           (mesh + face + "\n").encode() + b"\0"))))
    cases.append(("material_without_keywords", build(replace(records, "material_tank", b"just some words\0"))))
    cases.append(("wav_wrong_header", build(replace(records, "audio_shot", b"RIFX" + b"\x07" * 200))))
    return cases


def settings_cases():
    """(name, bytes) for every damaged settings file."""
    good = bytearray(harness.settings_defaults())

    def with_field(fmt, offset, *values):
        data = bytearray(good)
        struct.pack_into(fmt, data, offset, *values)
        return bytes(data)

    return [
        ("settings_0_bytes", b""),
        ("settings_807_bytes", bytes(good[:807])),
        ("settings_808_bytes", bytes(good)),
        ("settings_809_bytes", bytes(good) + b"\x01"),
        ("settings_version_2", with_field("<i", 0, 2)),
        ("settings_nan_smoke", with_field("<f", 20, math.nan)),
        ("settings_negative_smoke", with_field("<f", 20, -1.5)),
        ("settings_nan_audio", with_field("<f", 24, math.nan)),
        ("settings_negative_audio", with_field("<f", 24, -0.5)),
        ("settings_huge_size", with_field("<ii", 8, 100000, 100000)),
        ("settings_zero_size", with_field("<ii", 8, 0, 0)),
        ("settings_fullscreen_huge", with_field("<iii", 4, 1, 70000, 70000)),
        ("settings_huge_keys", with_field("<5i", 36, 99999, -5, 1024, 2 ** 31 - 1, 0)),
        ("settings_unterminated_names", bytes(good[:608]) + b"x" * 200),
    ]


def main():
    pack_path, out = sys.argv[1], sys.argv[2]
    os.makedirs(out, exist_ok=True)
    with open(pack_path, "rb") as f:
        pack_bytes = f.read()
    for name, data in pack_cases(pack_bytes):
        with open(os.path.join(out, name + ".data"), "wb") as f:
            f.write(data)
    for name, data in settings_cases():
        with open(os.path.join(out, name + ".cfg"), "wb") as f:
            f.write(data)


if __name__ == "__main__":
    main()
