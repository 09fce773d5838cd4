// SPDX-FileCopyrightText: 2026 The Hollowmere developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The sound effects, synthesised at the game's output rate of 16000 Hz: the heartbeat, the
// menu click, explosion, shot, the metallic grab and drop, the lift hum, the power-up cues and
// the two engine loops. Loops are built on a circular buffer so their ends meet without a
// click. Every sound peaks well below full scale because several play at once, and the ones that
// sound over a whole game are saturated (dense, with a low crest) rather than loud at their
// peaks: the heartbeat beats over everything, the player's shot repeats while fire is held, and
// a burst of missiles explodes as several copies of one explosion in step, which add up exactly.

#include "tools/gen/gen_common.h"
#include "tools/gen/gen_resources.h"

#include <algorithm>

namespace gen {
namespace {

constexpr float RATE = 16000.0f;
using wave = std::vector<float>;

wave silence(float seconds) {
    return wave(static_cast<size_t>(seconds * RATE), 0.0f);
}
float time_of(size_t i) {
    return static_cast<float>(i) / RATE;
}

// Scales to the given peak and fades the last few milliseconds so nothing ends on a step.
void finish(wave &w, float peak) {
    float top = 0;
    for (float s : w)
        top = std::max(top, std::fabs(s));
    if (top > 0)
        for (float &s : w)
            s *= peak / top;
    size_t fade = std::min<size_t>(w.size(), 80);
    for (size_t i = 0; i < fade; ++i)
        w[w.size() - 1 - i] *= static_cast<float>(i) / static_cast<float>(fade);
}

// Two-pole resonant band-pass (constant peak gain), for noise colouring and ringing.
struct bandpass {
    float b0, b2, a1, a2, x1 = 0, x2 = 0, y1 = 0, y2 = 0;
    bandpass(float centre, float q) { set(centre, q); }
    void set(float centre, float q) {
        float w = 2 * PI * centre / RATE, alpha = std::sin(w) / (2 * q), a0 = 1 + alpha;
        b0 = alpha / a0;
        b2 = -alpha / a0;
        a1 = -2 * std::cos(w) / a0;
        a2 = (1 - alpha) / a0;
    }
    float operator()(float x) {
        float y = b0 * x + b2 * x2 - a1 * y1 - a2 * y2;
        x2 = x1, x1 = x, y2 = y1, y1 = y;
        return y;
    }
};

struct lowpass {
    float k, y = 0;
    explicit lowpass(float cutoff) { set(cutoff); }
    void set(float cutoff) { k = 1 - std::exp(-2 * PI * cutoff / RATE); }
    float operator()(float x) { return y += k * (x - y); }
};

float white(rng &r) {
    return r.uniform() * 2 - 1;
}

// A tone whose pitch glides exponentially from f0 to f1 over `glide` seconds.
float glide_phase(float t, float f0, float f1, float glide) {
    if (t >= glide) {
        float k = std::log(f1 / f0) / glide;
        float at_end = f0 * (std::exp(k * glide) - 1) / k;
        return at_end + f1 * (t - glide);
    }
    float k = std::log(f1 / f0) / glide;
    return f0 * (std::exp(k * t) - 1) / k;
}

wave thump() {
    wave w = silence(0.8f);
    rng r(701);
    lowpass click(400);
    for (auto [start, gain, f0] : {std::tuple{0.0f, 1.0f, 72.0f}, std::tuple{0.27f, 0.7f, 80.0f}}) {
        for (size_t i = 0; i < w.size(); ++i) {
            float t = time_of(i) - start;
            if (t < 0) continue;
            float env = std::min(1.0f, t / 0.006f) * std::exp(-t / 0.085f);
            float body = std::sin(2 * PI * glide_phase(t, f0, 36.0f, 0.14f));
            w[i] += gain * env * (body + 0.35f * click(white(r)) * std::exp(-t / 0.012f));
        }
    }
    for (float &s : w)
        s = std::tanh(3.6f * s);
    finish(w, 0.4f);
    return w;
}

wave menu_click() {
    wave w = silence(0.05f);
    rng r(702);
    for (size_t i = 0; i < w.size(); ++i) {
        float t = time_of(i);
        w[i] = std::sin(2 * PI * 1900 * t) * std::exp(-t / 0.007f) +
               0.5f * std::sin(2 * PI * 950 * t) * std::exp(-t / 0.014f) +
               0.4f * white(r) * std::exp(-t / 0.0015f);
    }
    finish(w, 0.45f);
    return w;
}

wave explosion() {
    wave w = silence(2.6f);
    rng r(703);
    lowpass body1(3000), body2(3000), rumble1(140), rumble2(140);
    bandpass crack(2500, 0.8f);
    for (size_t i = 0; i < w.size(); ++i) {
        float t = time_of(i);
        float cutoff = 180.0f + 2800.0f * std::exp(-t / 0.18f);
        body1.set(cutoff);
        body2.set(cutoff);
        float n = white(r);
        float body = body2(body1(n)) * std::min(1.0f, t / 0.004f) * std::exp(-t / 0.42f) * 2.2f;
        float boom = std::sin(2 * PI * glide_phase(t, 62.0f, 26.0f, 0.5f)) * std::exp(-t / 0.55f) *
                     std::min(1.0f, t / 0.01f);
        float tail = rumble2(rumble1(n)) * std::exp(-t / 0.8f) * 6.5f;
        float snap = crack(n) * std::exp(-t / 0.025f) * 1.5f;
        w[i] = body + 0.9f * boom + tail + snap;
    }
    // Crackle: sparse bursts of debris in the first second.
    for (int k = 0; k < 40; ++k) {
        float start = std::pow(r.uniform(), 1.6f) * 1.1f + 0.05f;
        float gain = 0.25f * (1.0f - start / 1.3f) * r.uniform();
        bandpass ring(r.range(700, 3200), 2.0f);
        size_t s0 = static_cast<size_t>(start * RATE);
        for (size_t j = 0; j < 400 && s0 + j < w.size(); ++j) {
            float t = static_cast<float>(j) / RATE;
            w[s0 + j] += gain * ring(white(r)) * std::exp(-t / 0.006f) * 4.0f;
        }
    }
    for (float &s : w)
        s = std::tanh(4.5f * s);
    finish(w, 0.24f);
    return w;
}

wave shot() {
    wave w = silence(0.5f);
    rng r(704);
    bandpass hiss(2400, 1.2f), pop(1100, 1.0f);
    for (size_t i = 0; i < w.size(); ++i) {
        float t = time_of(i);
        hiss.set(2600.0f * std::exp(-t / 0.25f) + 500.0f, 1.4f);
        float n = white(r);
        float kick = std::sin(2 * PI * glide_phase(t, 150.0f, 55.0f, 0.08f)) * std::exp(-t / 0.06f);
        float burst = pop(n) * std::exp(-t / 0.02f) * 2.5f;
        float whoosh = hiss(n) * std::min(1.0f, t / 0.015f) * std::exp(-t / 0.13f) * 2.0f;
        w[i] = kick + burst + whoosh;
    }
    for (float &s : w)
        s = std::tanh(4.5f * s);
    finish(w, 0.3f);
    return w;
}

// Inharmonic partials of struck steel, with a short noisy strike.
void clank(wave &w, float start, float gain, float pitch, float ring_time, rng &r) {
    static const float ratios[] = {1.0f, 2.55f, 3.93f, 5.84f, 7.83f};
    static const float amps[] = {1.0f, 0.7f, 0.5f, 0.35f, 0.25f};
    lowpass strike(3000);
    for (size_t i = static_cast<size_t>(start * RATE); i < w.size(); ++i) {
        float t = time_of(i) - start;
        float s = 0;
        for (int k = 0; k < 5; ++k)
            s += amps[k] * std::sin(2 * PI * pitch * ratios[k] * t) *
                 std::exp(-t * (1.0f + k * 0.8f) / ring_time);
        s += 0.8f * strike(white(r)) * std::exp(-t / 0.004f);
        w[i] += gain * s;
    }
}

wave grab() {
    wave w = silence(0.6f);
    rng r(705);
    clank(w, 0.0f, 1.0f, 430.0f, 0.22f, r);
    clank(w, 0.085f, 0.55f, 610.0f, 0.12f, r);
    finish(w, 0.45f);
    return w;
}

wave barrel_drop() {
    wave w = silence(0.7f);
    rng r(706);
    lowpass thud(700);
    for (size_t i = 0; i < w.size(); ++i) {
        float t = time_of(i);
        w[i] = std::sin(2 * PI * glide_phase(t, 110.0f, 68.0f, 0.1f)) * std::exp(-t / 0.12f) +
               0.8f * thud(white(r)) * std::exp(-t / 0.02f) * 3.0f;
    }
    clank(w, 0.0f, 0.35f, 185.0f, 0.25f, r); // the hollow drum rings on
    finish(w, 0.6f); // played at the height of the fall, about 0.5 to 0.7 for a carried barrel
    return w;
}

// A hum that climbs two octaves as the beam hoists the barrel away.
wave barrel_lift() {
    wave w = silence(1.9f);
    float phase = 0;
    for (size_t i = 0; i < w.size(); ++i) {
        float t = time_of(i);
        float f = 85.0f * std::pow(2.0f, t * 1.15f);
        phase += f / RATE;
        float s = 0;
        for (int k = 1; k <= 7; ++k)
            s += std::sin(2 * PI * phase * static_cast<float>(k)) / static_cast<float>(k);
        float shimmer =
            0.25f * std::sin(2 * PI * phase * 4.02f) * (0.5f + 0.5f * std::sin(2 * PI * 6.0f * t));
        float tremolo = 0.8f + 0.2f * std::sin(2 * PI * 9.0f * t);
        float env = std::min(1.0f, t / 0.15f) * std::min(1.0f, (1.9f - t) / 0.45f);
        w[i] = (s * 0.6f + shimmer) * tremolo * env;
    }
    finish(w, 0.4f);
    return w;
}

// A bell: a sine with a slightly sharp upper partial and a soft attack.
float bell(float t, float f, float decay) {
    if (t < 0) return 0;
    float env = std::min(1.0f, t / 0.004f) * std::exp(-t / decay);
    return env * (std::sin(2 * PI * f * t) +
                  0.35f * std::sin(2 * PI * f * 2.76f * t) * std::exp(-t / (decay * 0.4f)));
}

// A power-up appears: a shimmering upward sweep with sparkles.
wave power_up_create() {
    wave w = silence(1.0f);
    rng r(707);
    float phase = 0;
    std::vector<std::pair<float, float>> sparkles;
    for (int k = 0; k < 18; ++k)
        sparkles.push_back({r.uniform() * 0.7f, r.range(2000, 4200)});
    for (size_t i = 0; i < w.size(); ++i) {
        float t = time_of(i);
        float f = 320.0f * std::pow(2.0f, t * 2.2f);
        phase += f / RATE;
        float vibrato = std::sin(2 * PI * 14.0f * t);
        float sweep =
            std::sin(2 * PI * phase + 0.6f * vibrato) * std::min(1.0f, t / 0.05f) * std::exp(-t / 0.45f);
        float s = 0.6f * sweep;
        for (auto [at, freq] : sparkles)
            s += 0.18f * bell(t - at, freq, 0.08f);
        w[i] = s;
    }
    finish(w, 0.45f);
    return w;
}

// A power-up is collected: a quick rising major arpeggio on bells.
wave power_up_taken() {
    wave w = silence(0.9f);
    const float notes[] = {1046.5f, 1318.5f, 1568.0f, 2093.0f};
    for (size_t i = 0; i < w.size(); ++i) {
        float t = time_of(i);
        float s = 0;
        for (int k = 0; k < 4; ++k)
            s += bell(t - 0.065f * static_cast<float>(k), notes[k], k == 3 ? 0.3f : 0.12f);
        w[i] = s;
    }
    finish(w, 0.45f);
    return w;
}

// An engine loop of `fires` combustion pulses a second on a circular buffer: every pulse's
// ring-out wraps round to the start, so the loop repeats without a seam.
wave engine(uint64_t seed, int fires, float body_pitch, int clatter, float peak) {
    const size_t L = static_cast<size_t>(RATE); // one second
    wave w(L, 0.0f);
    rng r(seed);
    for (int k = 0; k < fires; ++k) {
        float start = static_cast<float>(k) * RATE / static_cast<float>(fires) + r.range(-6, 6);
        float gain = r.range(0.75f, 1.0f);
        bandpass chamber(body_pitch * r.range(0.95f, 1.05f), 3.0f), bark(body_pitch * 3.1f, 2.0f);
        for (size_t j = 0; j < 2400; ++j) {
            float t = static_cast<float>(j) / RATE;
            float n = white(r);
            float s = chamber(n) * 6.0f * std::exp(-t / 0.035f) + bark(n) * 2.0f * std::exp(-t / 0.01f);
            size_t at = (static_cast<size_t>(start) + j) % L;
            w[at] += gain * s;
        }
    }
    // The crankshaft's hum under the pulses, in whole cycles per loop.
    for (size_t i = 0; i < L; ++i) {
        float t = time_of(i);
        w[i] += 0.35f * std::sin(2 * PI * static_cast<float>(fires) * t) +
                0.2f * std::sin(2 * PI * static_cast<float>(fires * 2) * t + 1.0f);
    }
    // Track links clattering over the sprockets.
    for (int k = 0; k < clatter; ++k) {
        float start = static_cast<float>(k) * RATE / static_cast<float>(clatter) + r.range(-40, 40);
        bandpass link(r.range(1500, 2300), 4.0f);
        float gain = r.range(0.3f, 0.6f);
        for (size_t j = 0; j < 600; ++j) {
            float t = static_cast<float>(j) / RATE;
            size_t at = (static_cast<size_t>(start + 16000.0f) + j) % L;
            w[at] += gain * link(white(r)) * 5.0f * std::exp(-t / 0.006f);
        }
    }
    for (float &s : w)
        s = std::tanh(1.2f * s);
    float top = 0;
    for (float s : w)
        top = std::max(top, std::fabs(s));
    for (float &s : w)
        s *= peak / top;
    return w;
}

} // namespace

void add_sounds(resource_list &out) {
    out.push_back({"audio_thump.wav", wav_bytes(thump())});
    out.push_back({"audio_menu_sound.wav", wav_bytes(menu_click())});
    out.push_back({"audio_explosion.wav", wav_bytes(explosion())});
    out.push_back({"audio_shot.wav", wav_bytes(shot())});
    out.push_back({"audio_grab.wav", wav_bytes(grab())});
    out.push_back({"audio_barrel_lift.wav", wav_bytes(barrel_lift())});
    out.push_back({"audio_barrel_drop.wav", wav_bytes(barrel_drop())});
    out.push_back({"audio_power_up_create.wav", wav_bytes(power_up_create())});
    out.push_back({"audio_power_up.wav", wav_bytes(power_up_taken())});
    out.push_back({"audio_engine_fast.wav", wav_bytes(engine(708, 38, 110.0f, 14, 0.22f))});
    out.push_back({"audio_engine_slow.wav", wav_bytes(engine(709, 21, 80.0f, 0, 0.19f))});
}

} // namespace gen
