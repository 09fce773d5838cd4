# SPDX-FileCopyrightText: 2026 The Hollowmere developers
# SPDX-License-Identifier: GPL-3.0-or-later

"""Sound of the real game, read back from SDL's disk audio driver: silence on the title
screen, the heartbeat every 4.0 s once space starts a game, at the master volume, with the
player's engine running between beats; silence while the menu is open and the engine back
after it closes; and a game whose audio driver cannot open still starts, plays and exits 0."""

import array
import math
import os
import struct
import time

import harness
from harness import Game, check

DISK_RATE = 44100  # the disk driver writes 44100 Hz signed 16-bit stereo whatever was asked for
FRAME_BYTES = 4
WINDOW = DISK_RATE // 100  # 10 ms of frames
THUMP_AMPLITUDE = 30000
ENGINE_AMPLITUDE = 1500
AUDIO_LEVEL = 0.8  # the default setting


def wav(samples, rate=16000):
    data = struct.pack("<%dh" % len(samples), *samples)
    return (b"RIFF" + struct.pack("<I", 36 + len(data)) + b"WAVEfmt " +
            struct.pack("<IHHIIHH", 16, 1, 1, rate, rate * 2, 2, 16) + b"data" + struct.pack("<I", len(data)) + data)


def sine(seconds, hz, amplitude, rate=16000):
    return [int(amplitude * math.sin(2 * math.pi * hz * i / rate)) for i in range(int(seconds * rate))]




def audio_test_pack():
    """The game's pack (when built) with sounds that are easy to tell apart: a loud sine for
    the heartbeat, a quiet steady tone for the engines, and silence for everything else."""
    records = []
    source = harness.game_pack_path()
    if source:
        with open(source, "rb") as f:
            records = [(n, d) for n, d in harness.pack_records(f.read()) if not n.startswith("audio_")]
    records.append(("audio_thump", wav(sine(0.15, 200, THUMP_AMPLITUDE))))
    records.append(("audio_engine_fast", wav(sine(1.0, 100, ENGINE_AMPLITUDE))))
    records.append(("audio_engine_slow", wav(sine(1.0, 100, ENGINE_AMPLITUDE))))
    for name in ("audio_menu_sound", "audio_explosion", "audio_shot", "audio_grab", "audio_barrel_lift",
                 "audio_barrel_drop", "audio_power_up_create", "audio_power_up"):
        records.append((name, wav([0] * 800)))
    return harness.build_pack_bytes(records)


def envelope(raw):
    """Peak absolute sample of every 10 ms window."""
    samples = array.array("h")
    samples.frombytes(raw[:len(raw) - len(raw) % 2])
    step = WINDOW * 2
    return [max(map(abs, samples[i:i + step])) for i in range(0, len(samples) - step + 1, step)]


def wall_time(offset, marks):
    """The wall-clock moment at which the driver wrote byte `offset`, interpolated between
    (time, file size) readings; the driver's clock drifts from real time under load."""
    for (t0, s0), (t1, s1) in zip(marks, marks[1:]):
        if s0 <= offset <= s1 and s1 > s0:
            return t0 + (t1 - t0) * (offset - s0) / (s1 - s0)
    return None


def heartbeat_and_engine(xvfb):
    game = Game(xvfb, pack=audio_test_pack(), audio="disk")
    out = os.path.join(game.dir, "audio.raw")
    game.env["SDL_DISKAUDIOFILE"] = out
    game.start()
    try:
        marks = []

        def mark():
            marks.append((time.time(), os.path.getsize(out)))

        end = time.time() + 1.5
        while time.time() < end:
            mark()
            time.sleep(0.05)
        game.keydown("space")
        mark()
        space_time, space_offset = marks[-1]
        time.sleep(0.25)
        game.keyup("space")
        def play_for(seconds):
            end = time.time() + seconds
            while time.time() < end:
                mark()
                time.sleep(0.05)

        play_for(13.5)
        game.key("Escape")  # the menu opens and every sound stops
        menu_offset = os.path.getsize(out)
        play_for(1.5)
        menu_end = os.path.getsize(out)
        game.key("Escape")  # resume game
        resumed = os.path.getsize(out)
        play_for(1.5)
        status = game.close()
        check(status == 0, "the game exits 0 after playing with disk audio (got %s)" % status)
        check("Couldn't open audio" not in game.stderr(), "the disk driver opened")

        with open(out, "rb") as f:
            raw = f.read()
        env = envelope(raw)
        window_bytes = WINDOW * FRAME_BYTES
        space_window = space_offset // window_bytes
        check(max(env[:max(space_window - 5, 0)] or [0]) == 0, "the title screen is silent")

        onsets = []
        quiet = 100
        for k in range(space_window, len(env)):
            if env[k] > 12000:
                if quiet >= 100:
                    onsets.append(k)
                quiet = 0
            else:
                quiet += 1
        beats = [wall_time(k * window_bytes, marks) for k in onsets]
        beats = [b for b in beats if b is not None]
        print("heartbeat at (s after space): " + ", ".join("%.2f" % (b - space_time) for b in beats))
        check(len(beats) >= 3, "at least three heartbeats in 13 s of play (got %d)" % len(beats))
        check(3.7 <= beats[0] - space_time <= 4.6, "the first heartbeat comes about 4.0 s after space")
        gaps = [b - a for a, b in zip(beats, beats[1:])]
        check(all(3.6 <= g <= 4.3 for g in gaps), "heartbeats 4.0 s apart: %s" % ["%.2f" % g for g in gaps])

        # The beat sounds over the idle engine, both scaled by the master volume.
        peak = max(env[onsets[0]:onsets[0] + 10])
        level = int(128 * AUDIO_LEVEL) / 128
        low, high = 0.97 * THUMP_AMPLITUDE * level, 1.03 * (THUMP_AMPLITUDE + ENGINE_AMPLITUDE) * level
        check(low <= peak <= high,
              "the heartbeat plays at the master volume (peak %d, expected %d to %d)" % (peak, low, high))

        # The player's idle engine runs under the listener between the beats.
        between = []
        for a, b in zip(onsets, onsets[1:]):
            between += env[a + 30:b - 5]
        engine = sum(1 for e in between if 400 < e < 12000)
        check(between and engine >= 0.9 * len(between),
              "engine sound between heartbeats in %d of %d windows" % (engine, len(between)))

        menu = env[menu_offset // window_bytes + 30:menu_end // window_bytes]
        check(menu and max(menu) == 0, "silence while the menu is open (%d windows)" % len(menu))
        after = env[resumed // window_bytes + 50:]
        check(after and sum(1 for e in after if e > 400) >= 0.9 * len(after),
              "the engine sounds again after the menu closes")
    finally:
        game.cleanup()


def no_sound_card(xvfb):
    game = Game(xvfb, audio="no_such_audio_driver").start()
    try:
        time.sleep(0.5)
        game.key("space")
        game.key("Up", hold=1.0)
        game.key("Left", hold=0.5)
        time.sleep(1.0)
        game.key("Escape")
        time.sleep(0.5)
        status = game.close()
        err = game.stderr()
        check(status == 0, "without a usable audio driver the game still plays and exits 0 (got %s)" % status)
        check(err.count("Couldn't open audio: ") == 1, "the failure is reported once: " + err.strip())
        check(game.settings() is not None, "and the settings file is written")
    finally:
        game.cleanup()


def main(xvfb):
    no_sound_card(xvfb)
    heartbeat_and_engine(xvfb)


harness.run(main)
