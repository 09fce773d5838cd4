// The mixer against a real audio thread (SDL's dummy driver): the main thread plays, starts,
// stops, moves and releases voices while the callback mixes. Meant to run under
// ThreadSanitizer as well; it then reports any access that bypasses the audio lock.

#include "audio/audio.h"
#include "core/core.h"
#include "pack/pack.h"
#include "support/test_support.h"

#include <SDL/SDL.h>
#include <cstdlib>
#include <functional>
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
    setenv("SDL_AUDIODRIVER", "dummy", 0);
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

    std::vector<sound_instance *> voices;
    Uint32 round = 0;
    const std::function<void()> changes[] = {
        [&] { voices.push_back(make_voice(g, "audio_shot", 0.7f, SOUND_LOOP)); },
        [&] {
            for (size_t k = 0; k < voices.size(); ++k)
                place_voice(voices[k], round % 90, k);
        },
        [&] {
            for (size_t k = 0; k < voices.size(); ++k)
                (round + k) % 2 ? stop_voice(voices[k]) : start_voice(voices[k], SOUND_LOOP);
        },
        [&] { play_sound(g, shot, 0.9f, round % 120, 3.0f); },
        [&] { set_listener(g, round % 50, 1.0f); },
        [&] { set_audio_level(g, (round % 10) / 10.0f); },
        [&] {
            if (round % 5 == 0) stop_all_sounds(g);
        },
        [&] { // the owners go away and hand their voices back
            if (voices.size() < 6) return;
            for (sound_instance *v : voices)
                release_voice(v);
            voices.clear();
        },
    };
    for (Uint32 start = SDL_GetTicks(); SDL_GetTicks() - start < 2000; ++round)
        for (const auto &change : changes) {
            change();
            // Without a pause the next lock would order an unlocked write before the callback's
            // read and hide the race from the sanitizer; with one, the callback often runs here.
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
