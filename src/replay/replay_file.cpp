// SPDX-FileCopyrightText: 2026 The Hollowmere developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The replay file. Its layout, all little-endian:
//   "HMR" 0x1a, format (u16), header length (u16), then the header: simulation version (u32),
//   the game's version (u8 length + bytes), date (i64, UTC seconds), player (u8 length +
//   bytes), score (i32), duration in ms (u32), ticks (u32), complete (u8); then five sections,
//   each a u32 length and its bytes: the field's generator state, the starting state, the
//   frames, the setting changes (frame, display flags, smoke detail: 12 bytes each), the
//   checkpoints (u64 each); then the final fingerprint (u64) and an FNV-1a hash of everything
//   before it (u64), which a bit flip anywhere breaks.
// The frames section is a frame count (u32), then a bit stream of the frame times, each as its
// difference d from a base time, bits taken from the low end of each byte: '0' for d = 0, '10s'
// for 1 ms more or less (s the sign: 1 for less), '110s' for 2, '1110sm' for 3 or 4 (m: 4),
// and '1111' with the time itself in 16 bits, which then becomes the base; then the changes
// of kind and controls as pairs of a frame gap (a varint) and the frame's kind and actions (a
// byte). A game at a frame rate that wavers by a millisecond or two costs 2 to 3 bits a frame.

#include "replay/replay.h"

#include "platform/platform.h"

#include <cstdlib>
#include <cstring>

namespace {

constexpr uint8_t MAGIC[4] = {'H', 'M', 'R', 0x1a};
constexpr size_t NAME_LIMIT = 64;
constexpr uint64_t FNV_START = 14695981039346656037ull;
constexpr uint64_t LONGEST_GAME_MS = 24ull * 3600 * 1000;

struct writer {
    std::vector<uint8_t> out;
    void u8(uint8_t v) { out.push_back(v); }
    void u16(uint16_t v) {
        u8(static_cast<uint8_t>(v));
        u8(static_cast<uint8_t>(v >> 8));
    }
    void u32(uint32_t v) {
        for (int i = 0; i < 4; ++i)
            u8(static_cast<uint8_t>(v >> (8 * i)));
    }
    void u64(uint64_t v) {
        for (int i = 0; i < 8; ++i)
            u8(static_cast<uint8_t>(v >> (8 * i)));
    }
    void text(const std::string &s) {
        size_t n = s.size() < NAME_LIMIT ? s.size() : NAME_LIMIT;
        u8(static_cast<uint8_t>(n));
        out.insert(out.end(), s.begin(), s.begin() + static_cast<long>(n));
    }
    void varint(uint32_t v) {
        while (v >= 0x80) {
            u8(static_cast<uint8_t>(v | 0x80));
            v >>= 7;
        }
        u8(static_cast<uint8_t>(v));
    }
    void section(const std::vector<uint8_t> &bytes) {
        u32(static_cast<uint32_t>(bytes.size()));
        out.insert(out.end(), bytes.begin(), bytes.end());
    }
};

struct bit_writer {
    std::vector<uint8_t> out;
    int used = 8;
    void bit(int b) {
        if (used == 8) {
            out.push_back(0);
            used = 0;
        }
        if (b) out.back() |= static_cast<uint8_t>(1 << used);
        ++used;
    }
    void bits(uint32_t v, int n) {
        for (int i = 0; i < n; ++i)
            bit((v >> i) & 1);
    }
};

std::vector<uint8_t> encode_frames(const std::vector<replay_frame> &frames) {
    bit_writer times;
    writer changes;
    int32_t base = 0;
    int last_mark = 0; // kind and actions of the frame before: play, nothing held
    uint32_t since = 0;
    for (const replay_frame &f : frames) {
        int32_t d = f.dt_ms - base;
        int32_t size = d < 0 ? -d : d;
        if (size == 0) {
            times.bit(0);
        } else if (size <= 2) {
            times.bits(size == 1 ? 0b01 : 0b011, size + 1);
            times.bit(d < 0);
        } else if (size <= 4) {
            times.bits(0b0111, 4);
            times.bit(d < 0);
            times.bit(size == 4);
        } else {
            times.bits(0b1111, 4);
            times.bits(static_cast<uint32_t>(f.dt_ms), 16);
            base = f.dt_ms;
        }
        int mark = f.kind << 5 | (f.actions & 0x1f);
        if (mark != last_mark) {
            changes.varint(since);
            changes.u8(static_cast<uint8_t>(mark));
            last_mark = mark;
            since = 0;
        }
        ++since;
    }
    writer w;
    w.u32(static_cast<uint32_t>(frames.size()));
    w.section(times.out);
    w.out.insert(w.out.end(), changes.out.begin(), changes.out.end());
    return w.out;
}

struct reader {
    const uint8_t *at, *end;
    std::string fault;
    bool ok() const { return fault.empty(); }
    void fail(const std::string &what) {
        if (fault.empty()) fault = what;
        at = end;
    }
    bool need(size_t n, const char *what) {
        if (static_cast<size_t>(end - at) < n) {
            fail(std::string("truncated in ") + what);
            return false;
        }
        return true;
    }
    uint8_t u8(const char *what) {
        if (!need(1, what)) return 0;
        return *at++;
    }
    uint16_t u16(const char *what) {
        if (!need(2, what)) return 0;
        uint16_t v = static_cast<uint16_t>(at[0] | at[1] << 8);
        at += 2;
        return v;
    }
    uint32_t u32(const char *what) {
        if (!need(4, what)) return 0;
        uint32_t v = at[0] | at[1] << 8 | at[2] << 16 | static_cast<uint32_t>(at[3]) << 24;
        at += 4;
        return v;
    }
    uint64_t u64(const char *what) {
        uint64_t lo = u32(what);
        return lo | static_cast<uint64_t>(u32(what)) << 32;
    }
    std::string text(const char *what) {
        uint8_t n = u8(what);
        if (n > NAME_LIMIT) {
            fail(std::string(what) + " longer than " + std::to_string(NAME_LIMIT) + " bytes");
            return {};
        }
        if (!need(n, what)) return {};
        std::string s(reinterpret_cast<const char *>(at), n);
        at += n;
        return s;
    }
    uint32_t varint(const char *what) {
        uint32_t v = 0;
        for (int shift = 0; shift < 35; shift += 7) {
            uint8_t b = u8(what);
            if (!ok()) return 0;
            v |= static_cast<uint32_t>(b & 0x7f) << shift;
            if (!(b & 0x80)) return v;
        }
        fail(std::string("an overlong number in ") + what);
        return 0;
    }
    std::vector<uint8_t> section(const char *what) {
        uint32_t n = u32(what);
        if (!need(n, what)) return {};
        std::vector<uint8_t> bytes(at, at + n);
        at += n;
        return bytes;
    }
};

struct bit_reader {
    const std::vector<uint8_t> &in;
    size_t next = 0;
    bool bit(bool *ok) {
        if (next >= 8 * in.size()) {
            *ok = false;
            return false;
        }
        bool b = (in[next / 8] >> (next % 8)) & 1;
        ++next;
        return b;
    }
};

bool decode_frames(const std::vector<uint8_t> &bytes, std::vector<replay_frame> *frames, std::string *fault) {
    reader r{bytes.data(), bytes.data() + bytes.size(), {}};
    uint32_t count = r.u32("the frames");
    std::vector<uint8_t> times = r.section("the frame times");
    if (!r.ok()) return *fault = r.fault, false;
    // Every frame takes at least one bit: a count beyond that is a lie, and allocates nothing.
    if (count > 8 * times.size()) return *fault = "more frames than the frame times hold", false;
    frames->assign(count, replay_frame{});
    bit_reader bits{times};
    bool ok = true;
    int32_t base = 0;
    for (replay_frame &f : *frames) {
        int ones = 0;
        while (ones < 4 && bits.bit(&ok))
            ++ones;
        int32_t dt = base;
        if (ones == 4) {
            uint32_t v = 0;
            for (int i = 0; i < 16; ++i)
                v |= static_cast<uint32_t>(bits.bit(&ok)) << i;
            dt = base = static_cast<int32_t>(v);
        } else if (ones > 0) {
            bool less = bits.bit(&ok);
            int32_t size = ones < 3 ? ones : (bits.bit(&ok) ? 4 : 3);
            dt = base + (less ? -size : size);
        }
        if (!ok) return *fault = "the frame times end early", false;
        if (dt < 0 || dt > 65535) return *fault = "a frame time out of range", false;
        f.dt_ms = dt;
    }
    uint32_t at = 0;
    int mark = 0;
    while (r.at < r.end) {
        uint32_t gap = r.varint("the frames' controls");
        uint8_t next = r.u8("the frames' controls");
        if (!r.ok()) return *fault = r.fault, false;
        if (gap > count - at) return *fault = "a change of controls past the last frame", false;
        if ((next >> 5) > FRAME_MENU) return *fault = "a frame of no known kind", false;
        for (uint32_t i = 0; i < gap; ++i, ++at) {
            (*frames)[at].kind = static_cast<uint8_t>(mark >> 5);
            (*frames)[at].actions = static_cast<uint8_t>(mark & 0x1f);
        }
        mark = next;
    }
    for (; at < count; ++at) {
        (*frames)[at].kind = static_cast<uint8_t>(mark >> 5);
        (*frames)[at].actions = static_cast<uint8_t>(mark & 0x1f);
    }
    return true;
}

} // namespace

uint64_t replay_checksum(const uint8_t *p, size_t n) {
    uint64_t h = FNV_START;
    for (size_t i = 0; i < n; ++i)
        h = (h ^ p[i]) * 1099511628211ull;
    return h;
}

std::vector<uint8_t> encode_replay(const replay &r) {
    writer head;
    head.u32(r.simulation);
    head.text(r.game_version);
    head.u64(static_cast<uint64_t>(r.date));
    head.text(r.player);
    head.u32(static_cast<uint32_t>(r.score));
    head.u32(r.duration_ms);
    head.u32(r.ticks);
    head.u8(r.complete ? 1 : 0);

    writer w;
    w.out.assign(MAGIC, MAGIC + 4);
    w.u16(r.format);
    w.u16(static_cast<uint16_t>(head.out.size()));
    w.out.insert(w.out.end(), head.out.begin(), head.out.end());
    w.section(r.field_state);
    w.section(r.start_state);
    w.section(encode_frames(r.frames));
    writer settings;
    for (const replay_setting &s : r.settings) {
        settings.u32(s.frame);
        settings.u32(static_cast<uint32_t>(s.display_flags));
        uint32_t bits;
        std::memcpy(&bits, &s.smoke_detail, 4);
        settings.u32(bits);
    }
    w.section(settings.out);
    writer checks;
    for (uint64_t c : r.checkpoints)
        checks.u64(c);
    w.section(checks.out);
    w.u64(r.final_fingerprint);
    w.u64(replay_checksum(w.out.data(), w.out.size()));
    return w.out;
}

bool decode_replay(const uint8_t *data, size_t size, replay *out, std::string *error) {
    auto refuse = [error](const std::string &why) {
        if (error) *error = why;
        return false;
    };
    if (size < 4 || std::memcmp(data, MAGIC, 4) != 0) return refuse("not a replay");
    if (size < 4 + 2 + 2 + 16) return refuse("damaged: truncated in the header");
    if (replay_checksum(data, size - 8) != (reader{data + size - 8, data + size, {}}).u64("the checksum"))
        return refuse("damaged: the checksum does not match (truncated or changed)");
    reader r{data + 4, data + size - 8, {}};
    replay rp;
    rp.format = r.u16("the header");
    if (rp.format != REPLAY_FORMAT)
        return refuse("a replay of format " + std::to_string(rp.format) +
                      ", which this game does not read (it reads " + std::to_string(REPLAY_FORMAT) + ")");
    uint16_t head_size = r.u16("the header");
    if (!r.need(head_size, "the header")) return refuse("damaged: " + r.fault);
    reader h{r.at, r.at + head_size, {}};
    r.at += head_size;
    rp.simulation = h.u32("the header");
    rp.game_version = h.text("the game's version");
    rp.date = static_cast<int64_t>(h.u64("the header"));
    rp.player = h.text("the player's name");
    rp.score = static_cast<int32_t>(h.u32("the header"));
    rp.duration_ms = h.u32("the header");
    rp.ticks = h.u32("the header");
    uint8_t complete = h.u8("the header");
    if (!h.ok()) return refuse("damaged: " + h.fault);
    if (complete > 1) return refuse("damaged: a complete flag that is neither 0 nor 1");
    rp.complete = complete == 1;

    rp.field_state = r.section("the field's state");
    rp.start_state = r.section("the starting state");
    std::vector<uint8_t> frames = r.section("the frames");
    std::vector<uint8_t> settings = r.section("the setting changes");
    std::vector<uint8_t> checks = r.section("the checkpoints");
    rp.final_fingerprint = r.u64("the final fingerprint");
    if (!r.ok()) return refuse("damaged: " + r.fault);
    if (r.at != r.end) return refuse("damaged: bytes after the final fingerprint");
    if (checks.size() % 8) return refuse("damaged: the checkpoints are not whole fingerprints");
    if (settings.size() % 12) return refuse("damaged: the setting changes are not whole");
    std::string fault;
    if (!decode_frames(frames, &rp.frames, &fault)) return refuse("damaged: " + fault);
    // The frames' times make the duration; a day at the most, so a playback always ends soon.
    uint64_t total = 0;
    for (const replay_frame &f : rp.frames)
        total += static_cast<uint64_t>(f.dt_ms);
    if (total != rp.duration_ms) return refuse("damaged: the frames' times do not add up to the duration");
    if (total > LONGEST_GAME_MS) return refuse("damaged: a game longer than a day");
    reader st{settings.data(), settings.data() + settings.size(), {}};
    rp.settings.resize(settings.size() / 12);
    uint32_t after = 0;
    for (replay_setting &s : rp.settings) {
        s.frame = st.u32("the setting changes");
        s.display_flags = static_cast<int32_t>(st.u32("the setting changes"));
        uint32_t bits = st.u32("the setting changes");
        std::memcpy(&s.smoke_detail, &bits, 4);
        if (s.frame < after || s.frame >= rp.frames.size())
            return refuse("damaged: a setting change out of the frames' order");
        if (!(s.smoke_detail > 0 && s.smoke_detail <= 10))
            return refuse("damaged: a smoke detail out of range");
        after = s.frame;
    }
    reader c{checks.data(), checks.data() + checks.size(), {}};
    rp.checkpoints.resize(checks.size() / 8);
    for (uint64_t &v : rp.checkpoints)
        v = c.u64("the checkpoints");
    *out = std::move(rp);
    return true;
}

bool read_replay_file(const char *path, replay *r, std::string *error) {
    constexpr size_t LARGEST_REPLAY = 64u << 20; // hours of play are a few hundred kilobytes
    size_t size = 0;
    int open_error = 0;
    uint8_t *bytes = read_file_bytes(path, &size, &open_error);
    if (!bytes) {
        *error = open_error ? std::string("cannot open: ") + strerror(open_error) : "out of memory";
        return false;
    }
    bool ok = size <= LARGEST_REPLAY;
    if (!ok) *error = "not a replay (larger than any replay)";
    ok = ok && decode_replay(bytes, size, r, error);
    free(bytes);
    return ok;
}
