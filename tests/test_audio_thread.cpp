// SPDX-FileCopyrightText: 2026 The Hollowmere developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The mixer against a real audio thread (SDL's dummy driver): the main thread plays, starts,
// stops, moves and releases voices while the callback mixes. Meant to run under
// ThreadSanitizer as well; it then reports any access that bypasses the audio lock.

#include "audio/audio.h"
#include "core/core.h"
#include "pack/pack.h"
#include "platform/platform.h"
#include "support/test_support.h"

#include <SDL/SDL.h>
#include <cstdlib>
#include <gtest/gtest.h>

namespace {

// Reads an instance's flag the way the main thread must: under the lock.
int is_active(sound_instance *i) {
    audio_lock();
    int a = i->active;
    audio_unlock();
    return a;
}

TEST(AudioThread, MainThreadChangesVoicesWhileTheCallbackMixes) {
    if (!getenv("SDL_AUDIODRIVER")) set_environment("SDL_AUDIODRIVER", "dummy");
    game_record *g = make_test_game();
    g->pack = decode_pack(make_pack({{"audio_shot", make_wav(11025, std::vector<int16_t>(400, 8000))}}));
    start_audio();
    ASSERT_TRUE(audio_open) << SDL_GetError();
    sound *shot = load_sound(g, "audio_shot", 1.0f, 0);

    // The callback really runs: a short one-shot ends by itself.
    play_sound(g, shot, 1.0f, 0, 0);
    for (Uint32 start = SDL_GetTicks(); is_active(sound_instances) && SDL_GetTicks() - start < 3000;)
        SDL_Delay(5);
    EXPECT_EQ(is_active(sound_instances), 0);

    // A pause follows every change: without one, the next lock would order an unlocked write
    // before the callback's read and hide the race from the sanitizer.
    std::vector<sound_instance *> voices;
    for (Uint32 round = 0, start = SDL_GetTicks(); SDL_GetTicks() - start < 2000; ++round) {
        voices.push_back(make_voice(g, "audio_shot", 0.7f, SOUND_LOOP));
        SDL_Delay(1);
        for (size_t k = 0; k < voices.size(); ++k)
            place_voice(voices[k], round % 90, k);
        SDL_Delay(1);
        for (size_t k = 0; k < voices.size(); ++k)
            (round + k) % 2 ? stop_voice(voices[k]) : start_voice(voices[k], SOUND_LOOP);
        SDL_Delay(1);
        play_sound(g, shot, 0.9f, round % 120, 3.0f);
        SDL_Delay(1);
        set_listener(g, round % 50, 1.0f);
        SDL_Delay(1);
        set_audio_level(g, (round % 10) / 10.0f);
        SDL_Delay(1);
        if (round % 5 == 0) stop_all_sounds(g);
        SDL_Delay(1);
        if (voices.size() >= 6) { // the owners go away and hand their voices back
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
