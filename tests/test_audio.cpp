// The software mixer driven buffer by buffer without a device: gain by distance and master
// volume, loops across and within buffers, one-shots ending in a buffer, the lock depth,
// loading and its failures, pruning of finished instances, voices, and the heartbeat.

#include "audio/audio.h"
#include "core/core.h"
#include "pack/pack.h"
#include "support/test_support.h"

#include <cstdlib>
#include <cstring>
#include <gtest/gtest.h>

namespace {

constexpr int BUFFER_BYTES = 2048; // 512 stereo frames of 16 bits

std::vector<int16_t> constant(size_t n, int16_t v) {
    return std::vector<int16_t>(n, v);
}

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
        std::memset(&device_spec, 0, sizeof device_spec);
        device_spec.freq = 16000;
        device_spec.format = AUDIO_S16LSB;
        device_spec.channels = 2;
        device_spec.samples = 512;
        audio_open = true;
        listener_x = listener_y = 0;
        audio_lock_depth = 0;
    }

    void TearDown() override {
        free_all_sounds();
        free_pack(g->pack);
        free_test_game(g);
        audio_open = false;
    }

    void use_pack(const std::vector<std::pair<std::string, std::vector<uint8_t>>> &records) {
        g->pack = decode_pack(make_pack(records));
    }

    // One callback buffer, starting from silence; returns the left channel's samples.
    std::vector<int16_t> mix(int bytes = BUFFER_BYTES) {
        std::vector<uint8_t> stream(static_cast<size_t>(bytes), 0);
        mix_audio(nullptr, stream.data(), bytes);
        std::vector<int16_t> left;
        for (int i = 0; i + 3 < bytes; i += 4) {
            int16_t s;
            std::memcpy(&s, &stream[static_cast<size_t>(i)], 2);
            left.push_back(s);
        }
        return left;
    }

    static int count_instances() {
        int n = 0;
        for (sound_instance *i = sound_instances; i; i = i->next)
            ++n;
        return n;
    }
};

TEST_F(Mixer, PositionalGainFallsLinearlyToSilenceAtHundred) {
    use_pack({{"audio_tone", make_wav(16000, constant(1024, 1000))}}); // 4096 bytes converted
    sound *s = load_sound(g, "audio_tone", 1.0f, 0);
    ASSERT_NE(s, nullptr);
    ASSERT_EQ(s->length, 4096u);

    play_sound(g, s, 1.0f, 0, 0);
    auto at_listener = mix();
    EXPECT_EQ(at_listener.front(), 1000);
    EXPECT_EQ(at_listener.back(), 1000);

    stop_all_sounds(g);
    play_sound(g, s, 1.0f, 30, 40); // distance 50
    EXPECT_EQ(mix().front(), 500);

    stop_all_sounds(g);
    listener_x = 100;
    listener_y = 100;
    play_sound(g, s, 1.0f, 100, 0); // distance 100: silent, yet it runs its course
    sound_instance *far = sound_instances;
    EXPECT_EQ(mix().front(), 0);
    EXPECT_EQ(far->position, 2048u);
    EXPECT_EQ(mix().front(), 0);
    EXPECT_EQ(far->active, 0);
}

TEST_F(Mixer, MasterVolumeScalesAmbientAndZeroStillEnds) {
    use_pack({{"audio_tone", make_wav(16000, constant(512, 10000))}});
    sound *s = load_sound(g, "audio_tone", 1.0f, SOUND_AMBIENT);
    g->settings.audio_level = 0.8f;
    play_sound(g, s, 1.0f, 500, 500); // far away, but ambient ignores distance
    EXPECT_EQ(mix().front(), 10000 * 102 / 128);

    g->settings.audio_level = 0;
    play_sound(g, s, 1.0f, 0, 0);
    sound_instance *quiet = sound_instances;
    stop_voice(quiet->next);
    auto out = mix();
    EXPECT_EQ(std::count(out.begin(), out.end(), 0), static_cast<long>(out.size()));
    EXPECT_EQ(quiet->active, 0);
    EXPECT_EQ(quiet->position, s->length);

    // A loud instance clips instead of wrapping; a broken volume is silence, not noise.
    g->settings.audio_level = 1.0f;
    play_sound(g, s, 2.5f, 0, 0);
    EXPECT_EQ(mix().front(), 25000);
    play_sound(g, s, 4.0f, 0, 0);
    EXPECT_EQ(mix().front(), 32767);
    play_sound(g, s, 1e30f, 0, 0);
    EXPECT_EQ(mix().front(), 32767);
    play_sound(g, s, -1.0f, 0, 0);
    EXPECT_EQ(mix().front(), 0);
}

TEST_F(Mixer, SumsExactlyAsSdlMixingDoesAtEveryLevel) {
    std::vector<int16_t> noise;
    uint32_t seed = 12345;
    for (int k = 0; k < 333; ++k) { // an odd count: the last samples fall outside whole blocks
        seed = seed * 1103515245u + 12345u;
        noise.push_back(static_cast<int16_t>(seed >> 16));
    }
    use_pack({{"audio_noise", make_wav(16000, noise)}});
    sound *s = load_sound(g, "audio_noise", 1.0f, SOUND_AMBIENT);
    ASSERT_NE(s->samples, nullptr);
    std::vector<uint8_t> bed(s->length);
    for (size_t k = 0; k < bed.size(); ++k)
        bed[k] = static_cast<uint8_t>(k * 77 + (k >> 5));

    for (int level : {1, 37, 64, 101, 127, 128}) {
        g->settings.audio_level = level / 128.0f;
        std::vector<uint8_t> ours = bed, theirs = bed;
        play_sound(g, s, 1.0f, 0, 0);
        mix_audio(nullptr, ours.data(), static_cast<int>(ours.size()));
        SDL_MixAudio(theirs.data(), s->samples, s->length, level);
        ASSERT_EQ(ours, theirs) << "level " << level;
    }
}

TEST_F(Mixer, ShortLoopRepeatsBackToBackWithinOneBuffer) {
    auto tone = ramp(100); // 400 bytes: five and a bit repetitions per buffer
    use_pack({{"audio_loop", make_wav(16000, tone)}});
    sound_instance *v = make_voice(g, "audio_loop", 1.0f, SOUND_LOOP | SOUND_AMBIENT);
    ASSERT_NE(v, nullptr);
    start_voice(v, SOUND_LOOP | SOUND_AMBIENT);

    auto out = mix();
    for (size_t k = 0; k < out.size(); ++k)
        ASSERT_EQ(out[k], tone[k % 100]) << "frame " << k;
    EXPECT_EQ(v->position, 2048u % 400u);

    // The next buffer continues the pattern exactly where the first left it.
    out = mix();
    for (size_t k = 0; k < out.size(); ++k)
        ASSERT_EQ(out[k], tone[(k + 512) % 100]) << "frame " << k;
    EXPECT_EQ(v->active, 1);
}

TEST_F(Mixer, LongLoopWrapsAcrossBufferEnd) {
    auto tone = ramp(700); // 2800 bytes
    use_pack({{"audio_loop", make_wav(16000, tone)}});
    sound_instance *v = make_voice(g, "audio_loop", 1.0f, SOUND_LOOP | SOUND_AMBIENT);
    start_voice(v, SOUND_LOOP | SOUND_AMBIENT);
    mix();
    auto out = mix();
    for (size_t k = 0; k < out.size(); ++k)
        ASSERT_EQ(out[k], tone[(k + 512) % 700]) << "frame " << k;
}

TEST_F(Mixer, OneShotEndsInsideTheBufferThatHoldsItsEnd) {
    use_pack(
        {{"audio_exact", make_wav(16000, constant(1024, 700))}, {"audio_odd", make_wav(16000, ramp(600))}});
    sound *exact = load_sound(g, "audio_exact", 1.0f, SOUND_AMBIENT);
    play_sound(g, exact, 1.0f, 0, 0);
    sound_instance *i = sound_instances;
    mix();
    EXPECT_EQ(i->active, 1);
    auto out = mix(); // remaining bytes == buffer length: all mixed, and it ends here
    EXPECT_EQ(out.back(), 700);
    EXPECT_EQ(i->active, 0);
    EXPECT_EQ(i->position, exact->length);

    sound *odd = load_sound(g, "audio_odd", 1.0f, SOUND_AMBIENT);
    play_sound(g, odd, 1.0f, 0, 0);
    mix();
    out = mix(); // 88 frames left, then silence
    auto tone = ramp(600);
    EXPECT_EQ(out[87], tone[599]);
    EXPECT_EQ(out[88], 0);
    EXPECT_EQ(sound_instances->active, 0);
}

TEST_F(Mixer, LockDepthMakesTheCallbackMixNothing) {
    use_pack({{"audio_tone", make_wav(16000, constant(2048, 1000))}});
    sound *s = load_sound(g, "audio_tone", 1.0f, SOUND_AMBIENT);
    play_sound(g, s, 1.0f, 0, 0);
    audio_lock(); // no device: only the depth guards the list
    EXPECT_EQ(audio_lock_depth, 1);
    EXPECT_EQ(mix().front(), 0);
    EXPECT_EQ(sound_instances->position, 0u);
    audio_unlock();
    EXPECT_EQ(audio_lock_depth, 0);
    EXPECT_EQ(mix().front(), 1000);
}

TEST_F(Mixer, LoadingReusesTheSoundOfTheSameNameAndMode) {
    use_pack({{"audio_tone", make_wav(16000, constant(64, 5))}});
    testing::internal::CaptureStderr();
    sound *a = load_sound(g, "audio_tone", 1.0f, 0);
    sound *b = load_sound(g, "audio_tone", 9.0f, 0);
    sound *c = load_sound(g, "audio_tone", 1.0f, SOUND_LOOP);
    sound *missing = load_sound(g, "audio_none", 1.0f, 0);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a, b);
    EXPECT_EQ(a->volume, 1.0f);
    ASSERT_NE(c, nullptr);
    EXPECT_NE(a, c);
    EXPECT_NE(c->samples, nullptr);
    EXPECT_EQ(c->length, a->length);
    EXPECT_EQ(missing, nullptr);

    // No sound: playing does nothing and a voice is kept but never mixed.
    play_sound(g, missing, 1.0f, 0, 0);
    EXPECT_EQ(count_instances(), 0);
    sound_instance *v = make_voice(g, "audio_none", 1.0f, SOUND_LOOP);
    ASSERT_NE(v, nullptr);
    start_voice(v, SOUND_LOOP);
    EXPECT_EQ(mix().front(), 0);
}

TEST_F(Mixer, ConvertsToTheDeviceFormat) {
    use_pack({{"audio_slow", make_wav(8000, constant(800, 3000))}});
    sound *s = load_sound(g, "audio_slow", 1.0f, SOUND_AMBIENT);
    ASSERT_NE(s->samples, nullptr);
    // Twice the rate and two channels: about four times the bytes, in whole frames.
    EXPECT_NEAR(static_cast<double>(s->length), 800 * 2 * 4, 64);
    EXPECT_EQ(s->length % 4, 0u);
    play_sound(g, s, 1.0f, 0, 0);
    auto out = mix();
    EXPECT_NEAR(out[200], 3000, 30);
}

TEST_F(Mixer, DamagedWavIsReportedOnceAndStaysSilent) {
    auto truncated = make_wav(16000, constant(400, 1));
    truncated.resize(30);
    use_pack({{"audio_text", text_bytes("not a sound at all")}, {"audio_cut", truncated}});

    testing::internal::CaptureStderr();
    sound *bad = load_sound(g, "audio_text", 1.0f, 0);
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(err.rfind("Could not open audio_text: ", 0), 0u) << err;
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1);
    ASSERT_NE(bad, nullptr); // registered, so it is not decoded again
    EXPECT_EQ(bad->samples, nullptr);
    EXPECT_FALSE(audio_open);
    testing::internal::CaptureStderr();
    EXPECT_EQ(load_sound(g, "audio_text", 1.0f, 0), bad);
    sound *cut = load_sound(g, "audio_cut", 1.0f, 0);
    err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(err.rfind("Could not open audio_cut: ", 0), 0u) << err;
    ASSERT_NE(cut, nullptr);
    EXPECT_EQ(cut->samples, nullptr);

    play_sound(g, bad, 1.0f, 0, 0);
    EXPECT_EQ(count_instances(), 0);
    sound_instance *v = make_voice(g, "audio_text", 1.0f, SOUND_LOOP);
    start_voice(v, SOUND_LOOP);
    EXPECT_EQ(mix().front(), 0); // returns: no spin on a sound without samples
}

// Header fields a damaged WAV may carry; each gives a playable sound or one line, never a crash.
TEST_F(Mixer, OddWavHeadersNeverCrashTheLoaderOrTheMixer) {
    struct patch {
        size_t at;
        uint32_t value;
        int bytes;
    };
    const std::vector<patch> patches = {
        {40, 0x7fffffff, 4}, // data longer than the file
        {24, 0, 4},          // rate 0
        {24, 1, 4},          // rate 1
        {24, 0xffffffff, 4}, // absurd rate
        {22, 0, 2},          // no channels
        {22, 9, 2},          // nine channels
        {34, 8, 2},          // 8-bit samples
        {34, 13, 2},         // 13-bit samples
        {20, 2, 2},          // ADPCM without its extra fields
        {16, 2, 4},          // fmt chunk too short
        {4, 0, 4},           // RIFF size 0
    };
    for (size_t k = 0; k < patches.size(); ++k) {
        auto bytes = make_wav(16000, ramp(300));
        for (int b = 0; b < patches[k].bytes; ++b)
            bytes[patches[k].at + static_cast<size_t>(b)] = static_cast<uint8_t>(patches[k].value >> (8 * b));
        std::string name = "audio_odd_" + std::to_string(k);
        use_pack({{name, bytes}});
        audio_open = true;
        testing::internal::CaptureStderr();
        sound *s = load_sound(g, name.c_str(), 1.0f, SOUND_LOOP | SOUND_AMBIENT);
        std::string err = testing::internal::GetCapturedStderr();
        free_pack(g->pack);
        g->pack = nullptr;
        ASSERT_NE(s, nullptr) << name;
        EXPECT_LE(std::count(err.begin(), err.end(), '\n'), 1) << name << ": " << err;
        if (s->samples) {
            EXPECT_EQ(err, "") << name;
            EXPECT_GT(s->length, 0u);
            EXPECT_EQ(s->length % 4, 0u);
        }
        sound_instance *v = make_voice(g, name.c_str(), 1.0f, SOUND_LOOP | SOUND_AMBIENT);
        start_voice(v, SOUND_LOOP | SOUND_AMBIENT);
        mix();
        mix();
        release_voice(v);
    }
}

TEST_F(Mixer, WithoutDeviceSoundsAreRegisteredWithoutSamples) {
    audio_open = false;
    use_pack({{"audio_tone", make_wav(16000, constant(64, 5))}});
    testing::internal::CaptureStderr();
    sound *s = load_sound(g, "audio_tone", 1.0f, 0);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->samples, nullptr);
    for (int k = 0; k < 100; ++k)
        play_sound(g, s, 1.0f, 0, 0);
    EXPECT_EQ(count_instances(), 0);
}

TEST_F(Mixer, PlayPrunesFinishedInstancesButKeepsVoicesUntilReleased) {
    use_pack({{"audio_tone", make_wav(16000, constant(256, 1))}});
    sound *s = load_sound(g, "audio_tone", 1.0f, 0);
    play_sound(g, s, 1.0f, 0, 0);
    sound_instance *v = make_voice(g, "audio_tone", 1.0f, SOUND_LOOP);
    mix(); // the one-shot ends; the voice was never started
    play_sound(g, s, 1.0f, 0, 0);
    EXPECT_EQ(count_instances(), 2); // the new one-shot and the idle voice
    EXPECT_EQ(sound_instances->next, v);

    release_voice(v);
    EXPECT_EQ(v->mode, 0);
    play_sound(g, s, 1.0f, 0, 0);
    EXPECT_EQ(count_instances(), 2); // both one-shots still playing; the voice is gone
    for (sound_instance *i = sound_instances; i; i = i->next)
        EXPECT_NE(i, v);
}

TEST_F(Mixer, VoicesResumeWhereTheyStoppedAndFollowTheirOwner) {
    use_pack({{"audio_engine", make_wav(16000, ramp(3000))}});
    sound_instance *v = make_voice(g, "audio_engine", 1.0f, SOUND_LOOP);
    EXPECT_EQ(v->active, 0);
    EXPECT_EQ(v->volume, 1.0f);
    EXPECT_EQ(v->mode, SOUND_LOOP | SOUND_ATTACHED);
    EXPECT_EQ(mix().front(), 0);

    start_voice(v, SOUND_LOOP);
    mix();
    EXPECT_EQ(v->position, 2048u);
    stop_voice(v);
    mix();
    EXPECT_EQ(v->position, 2048u);
    start_voice(v, SOUND_LOOP);
    EXPECT_EQ(mix().front(), ramp(3000)[512]);

    place_voice(v, 60, 80); // 100 away, nudged just inside
    EXPECT_FLOAT_EQ(v->x, 60.001f);
    EXPECT_FLOAT_EQ(v->y, 80.001f);
    set_listener(g, 60, 80); // the nudge costs one step of level
    EXPECT_EQ(mix().front(), ramp(3000)[1024] * 127 / 128);

    sound *one = load_sound(g, "audio_engine", 1.0f, 0);
    play_sound(g, one, 1.0f, 60, 80);
    stop_all_sounds(g);
    for (sound_instance *i = sound_instances; i; i = i->next)
        EXPECT_EQ(i->active, 0);
    EXPECT_EQ(v->position, 3 * 2048u);
    EXPECT_EQ(mix().front(), 0);
}

TEST_F(Mixer, HeartbeatSoundsOnTheFortyFirstTenthAndQuickens) {
    use_pack({{"audio_thump", make_wav(16000, constant(64, 1))}});
    g->barrels_left = 18;
    g->tick_seconds = 0.1f;
    int first = 0;
    for (int tick = 1; tick <= 41 && !first; ++tick) {
        game_tick();
        if (sound_instances && sound_instances->active) first = tick;
    }
    EXPECT_EQ(first, 41);
    ASSERT_NE(sound_instances, nullptr);
    EXPECT_EQ(sound_instances->sound->name, "audio_thump");
    EXPECT_EQ(sound_instances->mode, SOUND_AMBIENT);

    // With one barrel left the interval is 0.6 s, and it applies at once.
    g->barrels_left = 1;
    sound_instance *last = sound_instances;
    int gap = 0;
    for (int tick = 1; tick <= 10 && !gap; ++tick) {
        game_tick();
        if (sound_instances != last) gap = tick;
    }
    EXPECT_GE(gap, 5);
    EXPECT_LE(gap, 6);
    free(g->power_up); // the ticks may have made one; the record owns it
    g->power_up = nullptr;
}

} // namespace
