// SPDX-FileCopyrightText: 2026 The Hollowmere developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The software mixer: sounds decoded once from the pack's WAV records and converted to the
// device format, fire-and-forget instances and voices, distance attenuation from the
// listener, and the SDL callback that sums the active instances. The instance list is shared
// with the audio thread; the main thread changes it only between audio_lock and audio_unlock.
// Without a device the game runs silent: sounds are registered without samples.

#include "audio/audio.h"

#include "core/core.h"
#include "pack/pack.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstring>
#include <new>
#include <vector>

SDL_AudioSpec device_spec;
bool audio_open = false;
float listener_x = 0, listener_y = 0;
int audio_lock_depth = 0;
sound_instance *sound_instances = nullptr;
sound *sound_list = nullptr;

// Converted sounds above this (over a quarter of an hour at the requested format) come only
// from a damaged header, such as a rate of 1 Hz that would be stretched without bound.
static constexpr size_t max_sound_bytes = size_t(64) << 20;

// Sixteen times full scale: anything louder is clipped solid anyway.
static constexpr int max_mix_level = SDL_MIX_MAXVOLUME * 16;

static bool has_samples(const sound *s) {
    return s && s->samples && s->length > 0;
}

static void close_audio() {
    SDL_CloseAudio();
    audio_open = false;
}

void start_audio() {
    if (audio_open) return;
    SDL_AudioSpec want;
    std::memset(&want, 0, sizeof want);
    want.freq = 16000;
    want.format = AUDIO_S16LSB;
    want.channels = 2;
    want.samples = 512;
    want.callback = mix_audio;
    want.userdata = nullptr;
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) < 0 || SDL_OpenAudio(&want, &device_spec) < 0) {
        fprintf(stderr, "Couldn't open audio: %s\n", SDL_GetError());
        std::memset(&device_spec, 0, sizeof device_spec);
        audio_open = false;
        return;
    }
    audio_open = true;
    SDL_PauseAudio(0);
}

// Checks that every RIFF chunk of a WAV image lies inside the resource, so that a damaged length
// field never makes the decoder allocate for data that is not there, and that the sample rate
// is one a converter can reach the device's from: SDL 1.2's own converter keeps a fixed chain
// of steps and writes past it when a rate (0 Hz, 1 Hz) needs dozens of doublings.
static const char *wav_damage(const uint8_t *data, uint32_t size) {
    if (size < 12 || std::memcmp(data, "RIFF", 4) != 0 || std::memcmp(data + 8, "WAVE", 4) != 0)
        return "not a RIFF WAVE image";
    uint64_t at = 12;
    while (at + 8 <= size) {
        uint32_t length = 0;
        std::memcpy(&length, data + at + 4, 4);
        if (length > size - (at + 8)) return "a chunk runs past the end of the resource";
        if (std::memcmp(data + at, "fmt ", 4) == 0 && length >= 8) {
            uint32_t rate = 0;
            std::memcpy(&rate, data + at + 12, 4);
            if (rate < 1000 || rate > 192000) return "a sample rate outside 1000 to 192000 Hz";
        }
        at += 8 + static_cast<uint64_t>(length) + (length & 1);
    }
    return nullptr;
}

// Decodes the WAV image and converts it to the device format. On failure the sound keeps no
// samples; a damaged WAV or a format the device cannot take closes the device for the run.
static void decode_sound(sound *s, pack_entry *entry) {
    SDL_AudioSpec wav;
    Uint8 *wav_buf = nullptr;
    Uint32 wav_len = 0;
    if (const char *damage = wav_damage(entry->data, entry->size)) {
        fprintf(stderr, "Could not open %s: %s\n", s->name.c_str(), damage);
        close_audio();
        return;
    }
    SDL_RWops *rw =
        entry->size <= INT_MAX ? SDL_RWFromMem(entry->data, static_cast<int>(entry->size)) : nullptr;
    if (!rw || !SDL_LoadWAV_RW(rw, 1, &wav, &wav_buf, &wav_len)) {
        fprintf(stderr, "Could not open %s: %s\n", s->name.c_str(),
                rw ? SDL_GetError() : "resource too large");
        close_audio();
        return;
    }
    if (!audio_open || wav_len == 0) { // silent run, or no samples: nothing to convert
        SDL_FreeWAV(wav_buf);
        return;
    }

    SDL_AudioCVT cvt;
    if (SDL_BuildAudioCVT(&cvt, wav.format, wav.channels, wav.freq, device_spec.format, device_spec.channels,
                          device_spec.freq) < 0) {
        fprintf(stderr, "Couldn't build converter!\n");
        close_audio();
        SDL_FreeWAV(wav_buf);
        return;
    }
    size_t capacity = static_cast<size_t>(wav_len) * static_cast<size_t>(std::max(cvt.len_mult, 1));
    uint8_t *buf = capacity <= max_sound_bytes ? new (std::nothrow) uint8_t[capacity] : nullptr;
    if (!buf) {
        fprintf(stderr, "Could not open %s: sound too large\n", s->name.c_str());
        SDL_FreeWAV(wav_buf);
        return;
    }
    std::memcpy(buf, wav_buf, wav_len);
    SDL_FreeWAV(wav_buf);
    cvt.buf = buf;
    cvt.len = static_cast<int>(wav_len);
    if (SDL_ConvertAudio(&cvt) < 0 || cvt.len_cvt < 0 || static_cast<size_t>(cvt.len_cvt) > capacity) {
        fprintf(stderr, "Could not convert %s: %s\n", s->name.c_str(), SDL_GetError());
        delete[] buf;
        return;
    }
    // Whole sample frames only, so that a loop never shifts the channels against each other.
    uint32_t frame = static_cast<uint32_t>(device_spec.channels) * ((device_spec.format & 0xff) / 8);
    uint32_t length = static_cast<uint32_t>(cvt.len_cvt);
    if (frame > 0) length -= length % frame;
    if (length == 0) {
        delete[] buf;
        return;
    }
    s->samples = buf;
    s->length = length;
}

sound *load_sound(game_record *g, const char *name, float volume, int mode) {
    if (!name) return nullptr;
    for (sound *s = sound_list; s; s = s->next)
        if (s->mode == mode && s->name == name) return s;
    pack_entry *entry = g ? find_resource(g->pack, name) : nullptr;
    if (!entry) return nullptr;

    sound *s = new sound{name, nullptr, 0, volume, mode, nullptr};
    decode_sound(s, entry);
    s->next = sound_list;
    sound_list = s;
    return s;
}

static void free_instances(sound_instance *chain) {
    while (chain) {
        sound_instance *next = chain->next;
        delete chain;
        chain = next;
    }
}

namespace {
bool once_a_frame = false;
std::vector<const sound *> started_this_frame;
} // namespace

void sounds_once_a_frame(bool on) {
    once_a_frame = on;
    started_this_frame.clear();
}

void next_sound_frame() {
    started_this_frame.clear();
}

void play_sound(game_record *, sound *s, float volume, float x, float y) {
    // A sound without samples, or one played after the device closed, would never end and so
    // never leave the list.
    if (!audio_open || !has_samples(s)) return;
    if (once_a_frame) {
        if (std::find(started_this_frame.begin(), started_this_frame.end(), s) != started_this_frame.end())
            return;
        started_this_frame.push_back(s);
    }
    auto *inst = new sound_instance{s, 0, x, y, s->mode, 1, volume, nullptr};

    sound_instance *finished = nullptr;
    audio_lock();
    inst->next = sound_instances;
    sound_instances = inst;
    sound_instance **link = &inst->next;
    while (*link) {
        sound_instance *i = *link;
        if (!i->active && !(i->mode & SOUND_ATTACHED)) {
            *link = i->next;
            i->next = finished;
            finished = i;
        } else {
            link = &i->next;
        }
    }
    audio_unlock();
    // Freed outside the lock so that the audio thread never waits on the allocator.
    free_instances(finished);
}

sound_instance *make_voice(game_record *g, const char *name, float volume, int mode) {
    sound *s = load_sound(g, name, volume, mode);
    auto *v = new sound_instance{s, 0, 0, 0, mode | SOUND_ATTACHED, 0, 1.0f, nullptr};
    audio_lock();
    v->next = sound_instances;
    sound_instances = v;
    audio_unlock();
    return v;
}

void start_voice(sound_instance *v, int mode) {
    if (!v) return;
    audio_lock();
    v->active = 1;
    v->mode = mode | SOUND_ATTACHED;
    audio_unlock();
}

void stop_voice(sound_instance *v) {
    if (!v) return;
    audio_lock();
    v->active = 0;
    audio_unlock();
}

void place_voice(sound_instance *v, float x, float y) {
    if (!v) return;
    audio_lock();
    v->x = x + 0.001f;
    v->y = y + 0.001f;
    audio_unlock();
}

void release_voice(sound_instance *v) {
    if (!v) return;
    audio_lock();
    v->active = 0;
    v->mode = 0;
    audio_unlock();
}

void stop_all_sounds(game_record *) {
    audio_lock();
    for (sound_instance *i = sound_instances; i; i = i->next)
        i->active = 0;
    audio_unlock();
}

void stop_all_voices(game_record *) {
    audio_lock();
    for (sound_instance *i = sound_instances; i; i = i->next)
        if (i->mode & (SOUND_ATTACHED | SOUND_LOOP)) i->active = 0;
    audio_unlock();
}

void set_listener(game_record *, float x, float y) {
    audio_lock();
    listener_x = x;
    listener_y = y;
    audio_unlock();
}

void set_audio_level(game_record *g, float level) {
    if (!g) return;
    audio_lock();
    g->settings.audio_level = level;
    audio_unlock();
}

void free_all_sounds() {
    audio_lock();
    sound_instance *instances = sound_instances;
    sound_instances = nullptr;
    audio_unlock();
    free_instances(instances);
    while (sound_list) {
        sound *next = sound_list->next;
        delete[] sound_list->samples;
        delete sound_list;
        sound_list = next;
    }
}

// The depth is changed only while SDL's lock is held, so the callback, which runs under the
// same lock, always reads a settled value.
void audio_lock() {
    SDL_LockAudio();
    ++audio_lock_depth;
}

void audio_unlock() {
    --audio_lock_depth;
    SDL_UnlockAudio();
}

static int mix_level(float gain) {
    if (!(gain > 0)) return 0; // also NaN
    float level = 128 * gain;
    return level >= max_mix_level ? max_mix_level : static_cast<int>(level);
}

// SDL scales a sample by the level within 16 bits, so above full level it would wrap round
// instead of clipping; a louder instance is added as several full-level passes.
static void sdl_mix(Uint8 *dst, const Uint8 *src, uint32_t n, int level) {
    for (; level > SDL_MIX_MAXVOLUME; level -= SDL_MIX_MAXVOLUME)
        SDL_MixAudio(dst, src, n, SDL_MIX_MAXVOLUME);
    SDL_MixAudio(dst, src, n, level);
}

// The same sum as SDL's for signed 16-bit samples (scale by level / 128 truncating toward zero,
// add, clip), written so that the compiler can vectorise it: SDL's own loop is several times
// slower, and the callback runs once per 32 ms buffer for every active instance.
static int16_t add_clipped(int16_t into, int16_t sample, int level) {
    int v = into + sample * level / SDL_MIX_MAXVOLUME;
    return static_cast<int16_t>(v > 32767 ? 32767 : v < -32768 ? -32768 : v);
}

static void add_s16(Uint8 *dst, const Uint8 *src, uint32_t n, int level) {
    constexpr size_t block = 16; // copied through locals: no aliasing, a fixed trip count
    const size_t count = n / 2;
    size_t k = 0;
    for (; k + block <= count; k += block) {
        int16_t a[block], b[block];
        std::memcpy(a, src + 2 * k, sizeof a);
        std::memcpy(b, dst + 2 * k, sizeof b);
        for (size_t j = 0; j < block; ++j)
            b[j] = add_clipped(b[j], a[j], level);
        std::memcpy(dst + 2 * k, b, sizeof b);
    }
    for (; k < count; ++k) {
        int16_t a, b;
        std::memcpy(&a, src + 2 * k, 2);
        std::memcpy(&b, dst + 2 * k, 2);
        b = add_clipped(b, a, level);
        std::memcpy(dst + 2 * k, &b, 2);
    }
}

static void mix_piece(Uint8 *dst, const Uint8 *src, uint32_t n, int level) {
    if (level <= 0) return;
    if (device_spec.format == AUDIO_S16LSB)
        add_s16(dst, src, n, level);
    else
        sdl_mix(dst, src, n, level);
}

// Runs on the audio thread: allocates nothing, opens nothing, and skips sounds without samples.
void mix_audio(void *, Uint8 *stream, int len) {
    if (audio_lock_depth > 0 || !stream || len <= 0) return;
    const uint32_t want = static_cast<uint32_t>(len);
    const float master = game ? game->settings.audio_level : 0.0f;

    for (sound_instance *i = sound_instances; i; i = i->next) {
        if (!i->active) continue;
        const sound *s = i->sound;
        if (!has_samples(s)) continue;

        float gain;
        if (i->mode & SOUND_AMBIENT)
            gain = i->volume * master;
        else
            gain = distance_gain(static_cast<float>(length2d(listener_x - i->x, listener_y - i->y))) *
                   i->volume * master;
        const int level = mix_level(gain);

        const uint32_t rest = s->length - i->position;
        if (rest > want) {
            mix_piece(stream, s->samples + i->position, want, level);
            i->position += want;
        } else if (i->mode & SOUND_LOOP) {
            uint32_t filled = 0;
            uint32_t piece = rest;
            while (filled < want) {
                mix_piece(stream + filled, s->samples + i->position, piece, level);
                i->position += piece;
                filled += piece;
                if (i->position >= s->length) i->position -= s->length;
                piece = std::min(s->length - i->position, want - filled);
            }
        } else {
            mix_piece(stream, s->samples + i->position, rest, level);
            i->position += rest;
            i->active = 0;
        }
    }
}

float distance_gain(float d) {
    float g = 1.0f - d / 100.0f;
    return g < 0 ? 0 : g;
}
