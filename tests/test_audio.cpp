// SPDX-FileCopyrightText: 2026 The Hollowmere developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The software mixer driven buffer by buffer without a device: gain by distance and master
// volume, loops across and within buffers, one-shots ending in a buffer, the lock depth,
// loading and its failures, voices and pruning, and the heartbeat.

#include "audio/audio.h"
#include "core/core.h"
#include "pack/pack.h"
#include "support/test_support.h"

#include <algorithm>
#include <gtest/gtest.h>

namespace {

std::vector<int16_t> ramp(size_t n) {
    std::vector<int16_t> v;
    for (size_t i = 0; i < n; ++i)
        v.push_back(static_cast<int16_t>(100 + 10 * i));
    return v;
}

class Mixer : public ::testing::Test {
  protected:
    game_record *g = nullptr;

    void SetUp() override {
        g = make_test_game();
        g->settings.audio_level = 1.0f;
        device_spec = SDL_AudioSpec{16000, AUDIO_S16LSB, 2, 0, 512, 0, 0, nullptr, nullptr};
        audio_open = true;
        listener_x = listener_y = 0;
    }
    void TearDown() override {
        free_all_sounds();
        free_pack(g->pack);
        free_test_game(g);
    }
    // Makes the bytes the pack's only record and loads them.
    sound *load(const std::string &name, const std::vector<uint8_t> &bytes, int mode) {
        free_pack(g->pack);
        g->pack = decode_pack(make_pack({{name, bytes}}));
        return load_sound(g, name.c_str(), 1.0f, mode);
    }
    // One 512-frame callback buffer, starting from silence: left, right, left, ...
    static std::vector<int16_t> mix() {
        std::vector<int16_t> frames(1024, 0);
        mix_audio(nullptr, reinterpret_cast<Uint8 *>(frames.data()), 2048);
        return frames;
    }
};

TEST_F(Mixer, GainFollowsDistanceVolumeAndLevelAndSilentSoundsStillAdvance) {
    const auto tone = make_wav(16000, std::vector<int16_t>(1024, 10000)); // 4096 bytes: two buffers
    sound *positional = load("audio_tone", tone, 0);
    sound *ambient = load("audio_tone", tone, SOUND_AMBIENT);
    const std::tuple<sound *, float, float, float, float, int> rows[] = {
        // sound, x, y, audio level, volume: the sample heard
        {positional, 0, 0, 1, 1, 10000},    // at the listener
        {positional, 30, 40, 1, 1, 5000},   // 50 away: half
        {positional, 60, 80, 1, 1, 0},      // 100 away: silent
        {positional, 0, 0, 0, 1, 0},        // audio level 0
        {ambient, 500, 500, 0.8f, 1, 7968}, // distance ignored; level 102 of 128
        {ambient, 0, 0, 1, 2.5f, 25000},    // louder than full
        {ambient, 0, 0, 1, 4, 32767},       // clipped, not wrapped round
        {ambient, 0, 0, 1, 1e30f, 32767},   // absurd volume: clipped
        {ambient, 0, 0, 1, -1, 0},          // negative volume: silence, not noise
    };
    for (auto [s, x, y, level, volume, heard] : rows) {
        stop_all_sounds(g);
        g->settings.audio_level = level;
        play_sound(g, s, volume, x, y);
        sound_instance *i = sound_instances;
        EXPECT_EQ(mix().front(), heard) << x << "," << y << " volume " << volume;
        EXPECT_EQ(i->position, 2048u) << "a silent instance still advances";
    }
}

// The callback adds samples with its own loop; it must agree with SDL's sum to the bit.
TEST_F(Mixer, SumsExactlyAsSdlMixingDoesAtEveryLevel) {
    std::vector<int16_t> noise(333); // an odd count: the last samples fall outside whole blocks
    for (size_t k = 0; k < noise.size(); ++k)
        noise[k] = static_cast<int16_t>(k * 2654435761u >> 7);
    sound *s = load("audio_noise", make_wav(16000, noise), SOUND_AMBIENT);
    const std::vector<uint8_t> bed(s->samples, s->samples + s->length); // mixed onto itself: sums clip
    for (int level : {1, 37, 64, 101, 127, 128}) {
        g->settings.audio_level = level / 128.0f;
        std::vector<uint8_t> ours = bed, theirs = bed;
        play_sound(g, s, 1.0f, 0, 0);
        mix_audio(nullptr, ours.data(), static_cast<int>(ours.size()));
        SDL_MixAudio(theirs.data(), s->samples, s->length, level);
        ASSERT_EQ(ours, theirs) << "level " << level;
    }
}

// Loops shorter and longer than a buffer; one-shots whose second buffer holds exactly the rest,
// or only 88 frames of it.
TEST_F(Mixer, LoopsRepeatBackToBackAndOneShotsEndInTheBufferThatHoldsTheirEnd) {
    for (auto [frames, loop] : {std::pair{100u, true}, {700u, true}, {1024u, false}, {600u, false}}) {
        const auto tone = ramp(frames);
        const int mode = loop ? SOUND_LOOP | SOUND_AMBIENT : SOUND_AMBIENT;
        sound *s = load("audio_" + std::to_string(frames), make_wav(16000, tone), mode);
        stop_all_sounds(g);
        play_sound(g, s, 1.0f, 0, 0);
        sound_instance *i = sound_instances;
        for (size_t buffer = 0; buffer < 2; ++buffer) {
            auto out = mix();
            for (size_t k = 0, n = 512 * buffer; k < 512; ++k, ++n)
                ASSERT_EQ(out[2 * k], n < frames || loop ? tone[n % frames] : 0) << frames << ": frame " << n;
        }
        EXPECT_EQ(i->active, loop ? 1 : 0) << frames;
        EXPECT_TRUE(loop || i->position == s->length);
    }
}

TEST_F(Mixer, LoadingConvertsOncePerNameAndMode) {
    testing::internal::CaptureStderr();
    sound *a = load("audio_slow", make_wav(8000, std::vector<int16_t>(800, 3000)), 0);
    sound *looped = load_sound(g, "audio_slow", 1.0f, SOUND_LOOP);
    EXPECT_EQ(load_sound(g, "audio_slow", 9.0f, 0), a);
    EXPECT_EQ(load_sound(g, "audio_none", 1.0f, 0), nullptr);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    ASSERT_TRUE(a && looped && a != looped && looped->samples);
    // Twice the rate and two channels: about four times the bytes.
    EXPECT_NEAR(static_cast<double>(a->length), 800 * 2 * 4, 64);
    play_sound(g, a, 1.0f, 0, 0);
    EXPECT_NEAR(mix()[400], 3000, 30);

    // A replay shown fast: each sound starts once a frame, however many ticks play it.
    auto started = [&](bool once) {
        stop_all_sounds(g);
        sounds_once_a_frame(once);
        for (int frame = 0; frame < 2; ++frame, next_sound_frame())
            for (sound *s : {a, a, looped, a})
                play_sound(g, s, 1.0f, 0, 0);
        int n = 0;
        for (sound_instance *i = sound_instances; i; i = i->next)
            n += i->active != 0;
        sounds_once_a_frame(false);
        return n;
    };
    EXPECT_EQ(started(true), 4);
    EXPECT_EQ(started(false), 8);

    // No sound: a voice is kept but never mixed.
    stop_all_sounds(g);
    start_voice(make_voice(g, "audio_none", 1.0f, SOUND_LOOP), SOUND_LOOP);
    EXPECT_EQ(mix().front(), 0);
}

// Every damaged resource gives a playable sound, or one line and a sound registered without
// samples that is never decoded again, never played and never spun on.
TEST_F(Mixer, DamagedWavsGiveOneLineAndNeverCrashTheLoaderOrTheMixer) {
    const std::tuple<size_t, uint32_t, int> headers[] = {
        // offset, value, bytes
        {40, 0x7fffffff, 4},                                   // data longer than the file
        {24, 0, 4},          {24, 1, 4},  {24, 0xffffffff, 4}, // rates 0, 1 and absurd
        {22, 0, 2},          {22, 9, 2},                       // no channels, nine
        {34, 8, 2},          {34, 13, 2},                      // 8- and 13-bit samples
        {20, 2, 2},                                            // ADPCM without its extra fields
        {16, 2, 4},          {4, 0, 4}};                       // fmt chunk too short, RIFF size 0
    std::vector<std::vector<uint8_t>> resources = {text_bytes("not a sound at all")};
    for (auto [at, value, size] : headers) {
        auto &bytes = resources.emplace_back(make_wav(16000, ramp(300)));
        for (int b = 0; b < size; ++b)
            bytes[at + static_cast<size_t>(b)] = static_cast<uint8_t>(value >> (8 * b));
    }
    // A sound decoded before a later damaged one closed the device plays no more: nothing
    // would ever mix it to its end and take it off the list.
    sound *earlier = load("audio_earlier", make_wav(16000, ramp(64)), 0);
    ASSERT_NE(earlier->samples, nullptr);
    const int mode = SOUND_LOOP | SOUND_AMBIENT;
    for (size_t k = 0; k < resources.size(); ++k) {
        const std::string name = "audio_damaged_" + std::to_string(k);
        audio_open = true;
        testing::internal::CaptureStderr();
        sound *s = load(name, resources[k], mode);
        const std::string err = testing::internal::GetCapturedStderr();
        ASSERT_NE(s, nullptr) << name;
        EXPECT_LE(std::count(err.begin(), err.end(), '\n'), 1) << name << ": " << err;
        if (k == 0) { // not a WAV at all: refused, and the device closes
            EXPECT_EQ(err.rfind("Could not open " + name + ": ", 0), 0u) << err;
            EXPECT_FALSE(audio_open);
        }
        if (k > 0 && std::get<0>(headers[k - 1]) == 24) { // SDL 1.2's converter overruns on these
            EXPECT_EQ(err, "Could not open " + name + ": a sample rate outside 1000 to 192000 Hz\n");
        }
        sound_instance *head = sound_instances;
        play_sound(g, s, 1.0f, 0, 0);
        EXPECT_EQ(sound_instances == head, !s->samples) << name << ": playing needs samples";
        EXPECT_TRUE(!s->samples || (err.empty() && s->length % 4 == 0)) << name << ": " << err;
        start_voice(make_voice(g, name.c_str(), 1.0f, mode), mode);
        mix(); // returns: no spin on a sound without samples
        EXPECT_EQ(load_sound(g, name.c_str(), 1.0f, mode), s) << "never decoded again";
    }
    audio_open = false;
    sound_instance *head = sound_instances;
    play_sound(g, earlier, 1.0f, 0, 0);
    EXPECT_EQ(sound_instances, head);

    // No device: sounds are registered silently, without samples.
    testing::internal::CaptureStderr();
    EXPECT_EQ(load("audio_fine", make_wav(16000, ramp(64)), 0)->samples, nullptr);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}

TEST_F(Mixer, VoicesResumeFollowTheirOwnerAndStayListedUntilReleasedAndTheLockHoldsTheMix) {
    const auto engine = ramp(3000);
    sound *shot = load("audio_engine", make_wav(16000, engine), 0);
    sound_instance *v = make_voice(g, "audio_engine", 1.0f, SOUND_LOOP);
    start_voice(v, SOUND_LOOP);
    mix();
    stop_voice(v);
    mix(); // a stopped voice holds its place
    start_voice(v, SOUND_LOOP);
    place_voice(v, 60, 80);
    set_listener(g, 60, 80); // the nudge of a thousandth costs one step of level
    audio_lock();            // no device: only the depth guards the list
    EXPECT_EQ(mix().front(), 0) << "nothing mixed, and the voice stays where it was";
    audio_unlock();
    EXPECT_EQ(mix().front(), engine[512] * 127 / 128);

    play_sound(g, shot, 1.0f, 60, 80);
    stop_all_sounds(g);
    EXPECT_EQ(mix().front(), 0) << "everything stops, voices too";
    play_sound(g, shot, 1.0f, 0, 0);
    EXPECT_EQ(sound_instances->next, v) << "the stopped one-shot is pruned, the stopped voice kept";
    start_voice(v, SOUND_LOOP); // released while it plays, as a destroyed tank's engine is
    release_voice(v);
    play_sound(g, shot, 1.0f, 0, 0);
    EXPECT_EQ(sound_instances->next->sound, shot) << "the playing one-shot stays";
    EXPECT_EQ(sound_instances->next->next, nullptr) << "the released voice is pruned";
}

TEST_F(Mixer, HeartbeatSoundsOnTheFortyFirstTenthAndQuickens) {
    load("audio_thump", make_wav(16000, ramp(64)), SOUND_AMBIENT);
    g->barrels_left = 18; // 18 x 0.2 + 0.4 = 4.0 s, passed only at the 41st tick
    g->tick_seconds = 0.1f;
    std::vector<int> beats;
    for (int tick = 1; tick <= 52; ++tick) {
        sound_instance *before = sound_instances;
        game_tick();
        if (sound_instances != before) beats.push_back(tick);
        if (tick == 41) g->barrels_left = 1; // 0.6 s, at once
    }
    ASSERT_GE(beats.size(), 2u);
    EXPECT_EQ(beats[0], 41);
    EXPECT_NEAR(beats[1] - beats[0], 5.5, 0.5);
}

} // namespace
