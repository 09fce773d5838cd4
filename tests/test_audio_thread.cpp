// The mixer against a real audio thread (SDL's dummy driver): the main thread plays, starts,
// stops, moves and releases voices while the callback mixes. Meant to run under
// ThreadSanitizer as well; it then reports any access that bypasses the audio lock.

#include "audio/audio.h"
#include "core/core.h"
#include "pack/pack.h"
#include "support/test_support.h"

#include <SDL/SDL.h>
#include <cstdlib>
#include <gtest/gtest.h>

namespace {

std::vector<int16_t> tone(size_t n, int16_t amplitude) {
    std::vector<int16_t> v;
    for (size_t i = 0; i < n; ++i)
        v.push_back(static_cast<int16_t>((i % 40 < 20) ? amplitude : -amplitude));
    return v;
}

// Reads an instance's flag the way the main thread must: under the lock.
int is_active(sound_instance *i) {
    audio_lock();
    int a = i->active;
    audio_unlock();
    return a;
}

TEST(AudioThread, MainThreadChangesVoicesWhileTheCallbackMixes) {
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    game_record *g = make_test_game();
    g->pack = decode_pack(make_pack({{"audio_shot", make_wav(16000, tone(400, 8000))},
                                     {"audio_engine_fast", make_wav(11025, tone(3000, 3000))},
                                     {"audio_engine_slow", make_wav(22050, tone(700, 2000))}}));
    start_audio();
    ASSERT_TRUE(audio_open) << SDL_GetError();

    sound *shot = load_sound(g, "audio_shot", 1.0f, 0);
    ASSERT_NE(shot, nullptr);
    ASSERT_NE(shot->samples, nullptr);

    // The callback really runs: a short one-shot ends by itself.
    play_sound(g, shot, 1.0f, 0, 0);
    sound_instance *first = sound_instances;
    Uint32 deadline = SDL_GetTicks() + 3000;
    while (is_active(first) && static_cast<Sint32>(SDL_GetTicks() - deadline) < 0)
        SDL_Delay(5);
    EXPECT_EQ(is_active(first), 0);

    std::vector<sound_instance *> voices;
    Uint32 end = SDL_GetTicks() + 1500;
    for (int round = 0; static_cast<Sint32>(SDL_GetTicks() - end) < 0; ++round) {
        if (round % 7 == 0) {
            voices.push_back(make_voice(g, "audio_engine_fast", 0.7f, SOUND_LOOP));
            voices.push_back(make_voice(g, "audio_engine_slow", 0.3f, SOUND_LOOP));
        }
        for (size_t k = 0; k < voices.size(); ++k) {
            place_voice(voices[k], static_cast<float>(round % 90), static_cast<float>(k));
            if ((round + k) % 2) {
                stop_voice(voices[k]);
            } else {
                start_voice(voices[k], SOUND_LOOP);
            }
        }
        play_sound(g, shot, 0.9f, static_cast<float>(round % 120), 3.0f);
        set_listener(g, static_cast<float>(round % 50), 1.0f);
        if (round % 11 == 0) set_audio_level(g, (round % 10) / 10.0f);
        if (round % 13 == 0) stop_all_sounds(g);
        if (voices.size() > 12) { // the owners go away and hand their voices back
            for (sound_instance *v : voices)
                release_voice(v);
            voices.clear();
        }
        SDL_Delay(1);
    }
    EXPECT_EQ(audio_lock_depth, 0);

    SDL_CloseAudio();
    audio_open = false;
    free_all_sounds();
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    free_pack(g->pack);
    free_test_game(g);
}

} // namespace
