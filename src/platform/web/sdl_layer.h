// SPDX-FileCopyrightText: 2026 The Hollowmere developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The SDL 1.2 pieces the browser's SDL lacks or numbers its own way, kept apart from the browser
// so that they run and are tested natively: key symbols between the browser SDL's numbers and
// SDL 1.2's (which the settings file stores, so that it is the same file everywhere), SDL 1.2's
// key names, and the WAV reader, converter and mixer behind the audio calls.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// SDL 1.2's number for a key symbol of the browser's SDL; 0 (SDLK_UNKNOWN) for one it lacks.
int sdl12_key_from_web(int web_sym);
// The browser SDL's number for an SDL 1.2 key symbol; 0 for one the browser never reports.
int web_key_from_sdl12(int sym);
// SDL 1.2's name for its key symbol ("up", "left shift", "a", "[+]"); "unknown key" otherwise.
const char *sdl12_key_name(int sym);

// The desktop pad layout's number for a button of the browser's standard gamepad mapping: A, B,
// back, start and the d-pad become the layout's; the other buttons get numbers past any the
// layout uses, so the game leaves them alone as it does on the desktop.
int sdl12_pad_button_from_standard(int button);

// Sample formats, with SDL's numbers.
constexpr uint16_t WAV_U8 = 0x0008, WAV_S8 = 0x8008, WAV_S16LSB = 0x8010, WAV_S16MSB = 0x9010,
                   WAV_U16LSB = 0x0010;

// A WAV image's samples as stored, with the format, channel count and rate that describe them.
struct wav_sound {
    int freq = 0;
    uint16_t format = 0;
    int channels = 0;
    std::vector<uint8_t> data;
};

// Reads a RIFF WAVE image of uncompressed 8- or 16-bit PCM with one or two channels; false with
// the reason in *error for anything else or a damaged image. Never reads outside `bytes`.
bool read_wav(const uint8_t *bytes, size_t size, wav_sound *out, std::string *error);

// Converts samples between formats (any of the above), one or two channels and rates. A rate
// change takes, for each output frame, the input frame at its position rounded down, as SDL 1.2's
// doubling and halving do. `from`'s length is cut to whole frames. The output is whole frames.
bool convert_samples(const uint8_t *from, size_t length, uint16_t from_format, int from_channels,
                     int from_freq, uint16_t to_format, int to_channels, int to_freq,
                     std::vector<uint8_t> *out, std::string *error);

// The frames a conversion makes of `frames` input frames.
size_t converted_frames(size_t frames, int from_freq, int to_freq);

// SDL's SDL_MixAudio for the formats above: each sample scaled by level / 128 (truncating toward
// zero), added and clipped to the format's range. Levels are 0 to 128.
void mix_samples(uint8_t *dst, const uint8_t *src, uint32_t length, uint16_t format, int level);
