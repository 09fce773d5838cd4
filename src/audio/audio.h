// SPDX-FileCopyrightText: 2026 The Hollowmere developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Audio: a software mixer running in SDL's audio callback. Sounds are decoded once from WAV
// resources and converted to the device format; they play as fire-and-forget instances at a
// point on the field or as voices that an object keeps. The main thread changes instances
// only under the audio lock.
#pragma once

#include <SDL/SDL.h>
#include <cstdint>
#include <string>

struct game_record;

enum : int {
    SOUND_LOOP = 1,
    SOUND_AMBIENT = 2,
    SOUND_ATTACHED = 16,
};

struct sound {
    std::string name;
    uint8_t *samples; // device format; null when the load failed
    uint32_t length;  // bytes
    float volume;
    int mode;
    sound *next;
};

struct sound_instance {
    struct sound *sound;
    uint32_t position;
    float x, y;
    int mode;
    int active;
    float volume;
    sound_instance *next;
};
using voice = sound_instance;

extern SDL_AudioSpec device_spec;
extern bool audio_open; // the device was opened and device_spec is valid
extern float listener_x, listener_y;
extern int audio_lock_depth;
extern sound_instance *sound_instances;
extern struct sound *sound_list;

void start_audio();
sound *load_sound(game_record *game, const char *name, float volume, int mode);
void play_sound(game_record *game, sound *s, float volume, float x, float y);
sound_instance *make_voice(game_record *game, const char *name, float volume, int mode);
void start_voice(sound_instance *v, int mode);
void stop_voice(sound_instance *v);
void place_voice(sound_instance *v, float x, float y);
void release_voice(sound_instance *v);
void stop_all_sounds(game_record *game);
// While on, each sound starts at most once between two calls of next_sound_frame: a replay shown
// faster than it was played runs several frames' ticks in one, and their sounds would pile up.
void sounds_once_a_frame(bool on);
void next_sound_frame();
// Silences every voice and looping sound; one-shot sounds play to their end.
void stop_all_voices(game_record *game);
void set_listener(game_record *game, float x, float y);
void audio_lock();
void audio_unlock();
void mix_audio(void *userdata, Uint8 *stream, int len);
float distance_gain(float d);
// Changes the master volume under the audio lock, so that the callback never reads it torn.
void set_audio_level(game_record *game, float level);
// Frees every instance and sound (tools and tests; handles kept in statics become stale).
void free_all_sounds();
