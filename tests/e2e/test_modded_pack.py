# SPDX-FileCopyrightText: 2026 The Hollowmere developers
# SPDX-License-Identifier: GPL-3.0-or-later

"""A pack made from files that ordinary tools wrote: the generated pack is extracted, some of its
art is rewritten by ImageMagick (PNG with alpha, a 250-wide padded BMP3, an OS/2 BMP, the
version-5 BMP, a grey+alpha PNG of the font), sox (24-bit 48 kHz stereo, float, FLAC), assimp
(its own OBJ export, rewritten in the v/t, v//n, v and negative index forms) and a hand-written MTL.
hollowmere-pack build must convert each of them (one line each), verify must pass, the game must
load all 30 resources without an error line, and its title must look like that of the unmodded
pack."""

import os
import shutil
import subprocess
import tempfile
import time

import harness
from harness import Game, check

TOOL = os.path.join(harness.BUILD, "tools", "hollowmere-pack")


def run(command, **kw):
    r = subprocess.run(command, capture_output=True, text=True, **kw)
    if r.returncode != 0:
        harness.fail("%s failed: %s" % (" ".join(command), (r.stdout + r.stderr).strip()[:400]))
    return r


def make_modded_sources(src, out):
    """Copies src to out with files replaced by what other programs write; returns the new names."""
    shutil.copytree(src, out)

    def replace(old, new, command):
        os.remove(os.path.join(out, old))
        run([c.replace("IN", os.path.join(src, old)).replace("OUT", os.path.join(out, new)) for c in command])
        return new

    made = [
        replace("texture_ground.bmp", "texture_ground.png", ["convert", "IN", "-resize", "250x250!", "PNG32:OUT"]),
        replace("texture_barrel.bmp", "texture_barrel.bmp", ["convert", "IN", "-resize", "250x250!", "BMP3:OUT"]),
        replace("texture_sky_1.bmp", "texture_sky_1.bmp", ["convert", "IN", "BMP2:OUT"]),
        replace("texture_tank_1.bmp", "texture_tank_1.bmp", ["convert", "IN", "BMP:OUT"]),
        replace("audio_shot.wav", "audio_shot.wav", ["sox", "IN", "-b", "24", "-r", "48000", "-c", "2", "OUT"]),
        replace("audio_grab.wav", "audio_grab.wav", ["sox", "IN", "-e", "floating-point", "-b", "32", "OUT"]),
        replace("audio_explosion.wav", "audio_explosion.flac", ["sox", "IN", "-r", "44100", "OUT"]),
    ]
    # The font as a painting program keeps it, a grey+alpha PNG with straight alpha: coverage from
    # the bitmap's green, and its blue (luminance laid over black) divided by that coverage.
    font = os.path.join(src, "texture_font.bmp")
    straight = os.path.join(out, "font_straight.png")
    os.remove(os.path.join(out, "texture_font.bmp"))
    run(["convert", font, "-fx", "u.g > 0 ? min(1, u.b / u.g) : 0", "-colorspace", "Gray", straight])
    run(["convert", straight, "(", font, "-channel", "G", "-separate", ")", "-alpha", "off", "-compose",
         "CopyOpacity", "-composite", "-define", "png:color-type=4", os.path.join(out, "texture_font.png")])
    os.remove(straight)
    made.append("texture_font.png")

    # Meshes written by assimp, then rewritten in the other index forms: the tank keeps its texture
    # coordinates but loses its normals (v/t), the barrel refers back by negative indices, and the
    # missile, hardly in view, loses its texture coordinates with faces alternately v and v//n.
    scratch = tempfile.mkdtemp(prefix="hollowmere-assimp-")
    try:
        for name in ("object_tank_1", "object_barrel", "object_missile_1"):
            exported = os.path.join(scratch, name + ".obj")
            run(["assimp", "export", os.path.join(src, name + ".obj"), exported])
            with open(exported) as f:
                lines = f.read().splitlines()
            counts = {"v": 0, "vt": 0, "vn": 0}
            rewritten = []
            for l in lines:
                words = l.split()
                if words and words[0] in counts:
                    counts[words[0]] += 1
                    if (name, words[0]) in (("object_tank_1", "vn"), ("object_missile_1", "vt")):
                        continue
                if words and words[0] == "f":
                    corners = [[int(i) for i in c.split("/")] for c in words[1:]]
                    if name == "object_tank_1":
                        words = ["f"] + ["%d/%d" % (v, t) for v, t, n in corners]
                    elif name == "object_barrel":
                        words = ["f"] + ["%d/%d/%d" % (v - counts["v"] - 1, t - counts["vt"] - 1, n - counts["vn"] - 1)
                                         for v, t, n in corners]
                    else:
                        words = ["f"] + ["%d//%d" % (v, n) if len(rewritten) % 2 else str(v) for v, t, n in corners]
                    l = " ".join(words)
                rewritten.append(l)
            with open(os.path.join(out, name + ".obj"), "w") as f:
                f.write("\n".join(rewritten) + "\n")
            made.append(name + ".obj")
    finally:
        shutil.rmtree(scratch, ignore_errors=True)

    # The tank's material as a Wavefront MTL with the same colours.
    colours = {}
    with open(os.path.join(src, "material_tank.txt")) as f:
        for line in f:
            words = line.split()
            if len(words) == 4 and words[0] in ("emit", "ambient", "diffuse", "specular"):
                colours[words[0]] = " ".join(words[1:])
    os.remove(os.path.join(out, "material_tank.txt"))
    with open(os.path.join(out, "material_tank.mtl"), "w") as f:
        f.write("# exported\nnewmtl painted_steel\nNs 10\nKa %s\nKd %s\nKs %s\nKe %s\nillum 2\n"
                % (colours["ambient"], colours["diffuse"], colours["specular"], colours["emit"]))
    made.append("material_tank.mtl")
    return made


def shots_of(xvfb, pack_path, prefix):
    with open(pack_path, "rb") as f:
        game = Game(xvfb, pack=f.read()).start()
    try:
        time.sleep(2.0)
        shots = [game.screenshot(prefix + "_title")]
        game.key("space")
        time.sleep(1.0)
        shots.append(game.screenshot(prefix + "_play"))
        status = game.close()
        return game.stdout(), game.stderr(), status, shots
    finally:
        game.cleanup()


def mean_difference(a, b):
    """Mean absolute difference of two screenshots, 0..255 (ImageMagick's mean absolute error)."""
    r = subprocess.run(["compare", "-metric", "MAE", a, b, "null:"], capture_output=True, text=True)
    # "1234.5 (0.0188)": the normalised figure in brackets.
    return float(r.stderr.split("(")[1].split(")")[0]) * 255


def main(xvfb):
    pack = harness.game_pack_path()
    if pack is None:
        harness.fail("the build tree has no generated hollowmere.data")
    for program in ("convert", "compare", "sox", "assimp"):
        if not shutil.which(program):
            harness.fail(program + " is missing: scripts/install-deps.sh installs it")
    work = tempfile.mkdtemp(prefix="hollowmere-modded-")
    try:
        extracted, modded = os.path.join(work, "extracted"), os.path.join(work, "modded")
        run([TOOL, "extract", pack, extracted])
        made = make_modded_sources(extracted, modded)
        out_pack = os.path.join(work, "modded.data")
        r = run([TOOL, "build", out_pack, modded])
        lines = r.stdout.splitlines()
        print(r.stdout, end="")
        for name in made:
            check(any(l.startswith(name + ": ") and " -> " in l for l in lines), "build converts " + name)
        check(len(lines) == len(made), "and reports nothing else (%d lines)" % len(lines))
        check(r.stderr == "", "build writes nothing on stderr")
        check("PNG 250x250 RGBA -> 24-bit BMP 252x250" in r.stdout, "the 250-wide PNG becomes 252 wide")
        check("BMP 250x250 24-bit -> 24-bit BMP 252x250" in r.stdout, "so does the padded 250-wide BMP3")
        v = run([TOOL, "verify", out_pack])
        check(v.returncode == 0, "verify passes: " + v.stdout.strip().splitlines()[-1])

        out, err, status, modded_shots = shots_of(xvfb, out_pack, "modded")
        loaded = [l for l in out.splitlines() if l.startswith("loaded ")]
        check(len(loaded) == 30, "30 'loaded' lines (got %d)" % len(loaded))
        check(err.strip() == "", "no error line: " + err.strip()[:300])
        check(status == 0, "the game closes cleanly")
        _, err, _, own_shots = shots_of(xvfb, pack, "modded_reference")
        check(err.strip() == "", "the unmodded pack runs clean too")
        diff = mean_difference(modded_shots[0], own_shots[0])
        check(diff < 2.0, "the title looks like the unmodded pack's: mean difference %.2f of 255" % diff)
        # The lettering is too small a share of the screen for the mean: its pixels are counted.
        ours, theirs = harness.title_heading_pixels(modded_shots[0]), harness.title_heading_pixels(own_shots[0])
        check(theirs > 400 and abs(ours - theirs) < 0.1 * theirs,
              "the font PNG draws the title's heading: %d cyan pixels against %d" % (ours, theirs))
        # Where the first frame looks from depends on how long the title ran, so it is not compared;
        # both are kept in build/screenshots (modded_play.png, modded_reference_play.png) to look at.
        check(all(os.path.getsize(p) > 0 for p in modded_shots + own_shots), "first frames kept")
    finally:
        shutil.rmtree(work, ignore_errors=True)


harness.run(main)
