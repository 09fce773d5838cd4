// SPDX-FileCopyrightText: 2026 The Hollowmere developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The browser's SDL stand-ins, each named as the call it stands in for: key events in SDL 1.2's
// numbers, SDL 1.2's key names, WAV images from memory with their conversion and mixing, an
// audio callback that mixes into silence as SDL 1.2's does, a delay that waits by skipping
// browser frames (a page cannot sleep), and pads counted and opened as connected ones (not the
// browser's empty slots) with the standard gamepad's buttons in the desktop's numbers. The
// browser SDL's own calls that these wrap come in through library_hollowmere.js under other
// names.

#include "platform/web/sdl_layer.h"

#include <SDL/SDL.h>
#include <emscripten.h>

#include <cstdlib>
#include <cstring>

extern "C" {
int hollowmere_sdl_poll_event(SDL_Event *event); // the browser SDL's SDL_PollEvent
int hollowmere_connected_pads();
int hollowmere_pad_slot(int index);
int hollowmere_pad_is_standard(int slot);
SDL_Joystick *hollowmere_sdl_joystick_open(int slot); // the browser SDL's SDL_JoystickOpen
void hollowmere_sdl_init_subsystem(Uint32 flags);
int hollowmere_sdl_open_audio(SDL_AudioSpec *desired, SDL_AudioSpec *obtained); // the browser SDL's
int hollowmere_sdl_set_error(const char *message);
}

// The earliest time (emscripten_get_now) at which the next game frame may run.
double web_frame_not_before = 0;

// platform_web.cpp: whether the page is in full screen, and when it last left it.
bool web_full_screen();
extern double web_full_screen_left_at;

// The converter SDL_BuildAudioCVT described, for SDL_ConvertAudio: the browser SDL's record has
// no room for channel counts and rates.
namespace {
struct converter {
    uint16_t from_format, to_format;
    int from_channels, to_channels, from_freq, to_freq;
};
converter last_converter{};

// The program's audio callback and its silence, for the stand-in SDL_OpenAudio installs.
void (*program_callback)(void *, Uint8 *, int) = nullptr;
Uint8 silence = 0;

// SDL 1.2 hands the callback a buffer of silence to mix into; the browser SDL hands it back the
// last buffer, which mixing into would pile every sound on the one before.
void callback_on_silence(void *userdata, Uint8 *stream, int len) {
    if (len > 0) memset(stream, silence, static_cast<size_t>(len));
    if (program_callback) program_callback(userdata, stream, len);
}
} // namespace

extern "C" {

// In full screen the Escape key is the browser's, which leaves full screen on it; the page may
// hear of the key before or just after it has left. Such an Escape, pressed and let go, never
// reaches the game, so that it does not also open the game's menu.
static bool browsers_escape(const SDL_Event &e) {
    static bool held = false;
    if (e.key.keysym.sym != SDLK_ESCAPE) return false;
    if (e.type == SDL_KEYUP) {
        bool was = held;
        held = false;
        return was;
    }
    held = web_full_screen() || emscripten_get_now() - web_full_screen_left_at < 500;
    return held;
}

int SDL_PollEvent(SDL_Event *event) {
    SDL_Event own;
    SDL_Event *e = event ? event : &own;
    int got;
    do {
        got = hollowmere_sdl_poll_event(e);
        if (got && (e->type == SDL_KEYDOWN || e->type == SDL_KEYUP))
            e->key.keysym.sym = sdl12_key_from_web(e->key.keysym.sym);
    } while (got && (e->type == SDL_KEYDOWN || e->type == SDL_KEYUP) && browsers_escape(*e));
    if (got && (e->type == SDL_JOYBUTTONDOWN || e->type == SDL_JOYBUTTONUP) &&
        hollowmere_pad_is_standard(e->jbutton.which))
        e->jbutton.button = static_cast<Uint8>(sdl12_pad_button_from_standard(e->jbutton.button));
    return got;
}

const char *SDL_GetKeyName(SDL_Keycode key) {
    return sdl12_key_name(key);
}

// Pacing only: the caller's frame ends now and the next one waits the time out.
void SDL_Delay(Uint32 ms) {
    web_frame_not_before = emscripten_get_now() + ms;
}

int SDL_NumJoysticks() {
    return hollowmere_connected_pads();
}

// Pads are counted as connected ones; the browser's slots may have gaps.
SDL_Joystick *SDL_JoystickOpen(int index) {
    int slot = hollowmere_pad_slot(index);
    if (slot < 0) {
        hollowmere_sdl_set_error("no such pad");
        return nullptr;
    }
    return hollowmere_sdl_joystick_open(slot);
}

// The browser lists pads as they come and go, so a subsystem needs no restart: starting one
// only lets the browser SDL look at what it serves (pads are read only when the joystick's is
// among them), and stopping one is nothing to do.
int SDL_InitSubSystem(Uint32 flags) {
    hollowmere_sdl_init_subsystem(flags);
    return 0;
}

void SDL_QuitSubSystem(Uint32) {}

SDL_RWops *SDL_RWFromMem(void *mem, int size) {
    if (!mem || size < 0) return nullptr;
    auto *rw = static_cast<SDL_RWops *>(calloc(1, sizeof(SDL_RWops)));
    if (!rw) return nullptr;
    rw->hidden.mem.base = static_cast<Uint8 *>(mem);
    rw->hidden.mem.here = rw->hidden.mem.base;
    rw->hidden.mem.stop = rw->hidden.mem.base + size;
    return rw;
}

SDL_AudioSpec *SDL_LoadWAV_RW(SDL_RWops *src, int freesrc, SDL_AudioSpec *format, Uint8 **audio_buf,
                              Uint32 *audio_len) {
    if (!src || !format || !audio_buf || !audio_len) {
        hollowmere_sdl_set_error("no WAV image");
        return nullptr;
    }
    wav_sound wav;
    std::string error;
    bool ok = read_wav(src->hidden.mem.base, static_cast<size_t>(src->hidden.mem.stop - src->hidden.mem.base),
                       &wav, &error);
    if (freesrc) free(src);
    if (!ok) {
        hollowmere_sdl_set_error(error.c_str());
        return nullptr;
    }
    auto *buf = static_cast<Uint8 *>(malloc(wav.data.size() ? wav.data.size() : 1));
    if (!buf) {
        hollowmere_sdl_set_error("out of memory");
        return nullptr;
    }
    if (!wav.data.empty()) memcpy(buf, wav.data.data(), wav.data.size());
    memset(format, 0, sizeof *format);
    format->freq = wav.freq;
    format->format = wav.format;
    format->channels = static_cast<Uint8>(wav.channels);
    format->samples = 4096;
    *audio_buf = buf;
    *audio_len = static_cast<Uint32>(wav.data.size());
    return format;
}

void SDL_FreeWAV(Uint8 *audio_buf) {
    free(audio_buf);
}

int SDL_BuildAudioCVT(SDL_AudioCVT *cvt, SDL_AudioFormat src_format, Uint8 src_channels, int src_rate,
                      SDL_AudioFormat dst_format, Uint8 dst_channels, int dst_rate) {
    if (!cvt) return -1;
    memset(cvt, 0, sizeof *cvt);
    std::vector<uint8_t> probe;
    std::string error;
    // Converting nothing checks every parameter the real conversion will meet.
    if (!convert_samples(nullptr, 0, src_format, src_channels, src_rate, dst_format, dst_channels, dst_rate,
                         &probe, &error)) {
        hollowmere_sdl_set_error(error.c_str());
        return -1;
    }
    last_converter = {src_format, dst_format, src_channels, dst_channels, src_rate, dst_rate};
    cvt->src_format = src_format;
    cvt->dst_format = dst_format;
    cvt->rate_incr = static_cast<double>(dst_rate) / src_rate;
    size_t in_frame = static_cast<size_t>(src_channels) * ((src_format & 0xff) / 8);
    size_t out_frame = static_cast<size_t>(dst_channels) * ((dst_format & 0xff) / 8);
    cvt->len_ratio = cvt->rate_incr * static_cast<double>(out_frame) / static_cast<double>(in_frame);
    cvt->len_mult = static_cast<int>(cvt->len_ratio) + 1;
    cvt->needed = src_format != dst_format || src_channels != dst_channels || src_rate != dst_rate;
    return cvt->needed;
}

int SDL_ConvertAudio(SDL_AudioCVT *cvt) {
    if (!cvt || !cvt->buf || cvt->len < 0) {
        hollowmere_sdl_set_error("no samples to convert");
        return -1;
    }
    const converter &c = last_converter;
    std::vector<uint8_t> out;
    std::string error;
    if (!convert_samples(cvt->buf, static_cast<size_t>(cvt->len), c.from_format, c.from_channels, c.from_freq,
                         c.to_format, c.to_channels, c.to_freq, &out, &error)) {
        hollowmere_sdl_set_error(error.c_str());
        return -1;
    }
    if (out.size() > static_cast<size_t>(cvt->len) * static_cast<size_t>(cvt->len_mult)) {
        hollowmere_sdl_set_error("converted samples outgrow the buffer");
        return -1;
    }
    memcpy(cvt->buf, out.data(), out.size());
    cvt->len_cvt = static_cast<int>(out.size());
    return 0;
}

int SDL_OpenAudio(SDL_AudioSpec *desired, SDL_AudioSpec *obtained) {
    if (!desired || !desired->callback) return hollowmere_sdl_open_audio(desired, obtained);
    SDL_AudioSpec own = *desired;
    program_callback = desired->callback;
    own.callback = callback_on_silence;
    int result = hollowmere_sdl_open_audio(&own, obtained);
    const SDL_AudioSpec &got = obtained ? *obtained : own;
    silence = got.format == AUDIO_U8 ? 0x80 : 0;
    if (obtained) obtained->callback = program_callback;
    return result;
}

void SDL_MixAudio(Uint8 *dst, const Uint8 *src, Uint32 len, int volume) {
    mix_samples(dst, src, len, WAV_S16LSB, volume); // the device is always 16-bit signed
}

} // extern "C"
