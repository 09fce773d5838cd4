// SPDX-FileCopyrightText: 2026 The Hollowmere developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The resource pack: packets split anywhere decode the same, empty packets change nothing,
// a later record hides an earlier one of the same name, and damaged streams are survived.

#include "pack/pack.h"
#include "support/test_support.h"

#include <algorithm>
#include <gtest/gtest.h>

namespace {

using records = std::vector<std::pair<std::string, std::vector<uint8_t>>>;

std::vector<uint8_t> plain_of(const records &rs) {
    std::vector<uint8_t> plain;
    for (const auto &[name, bytes] : rs)
        append_pack_record(plain, name, bytes);
    return plain;
}

// Literal packets of the given sizes, cycling, over a plain stream.
std::vector<uint8_t> literal_packets(const std::vector<uint8_t> &plain, const std::vector<int> &sizes) {
    std::vector<uint8_t> out;
    for (size_t i = 0, k = 0, n = 0; i < plain.size(); i += n) {
        n = std::min<size_t>(static_cast<size_t>(sizes[k++ % sizes.size()]), plain.size() - i);
        out.push_back(static_cast<uint8_t>(n));
        out.insert(out.end(), plain.begin() + static_cast<long>(i), plain.begin() + static_cast<long>(i + n));
    }
    return out;
}

// The decoded list against the records (newest first); frees the list.
void expect_records(pack_entry *head, const records &rs) {
    records got;
    for (pack_entry *e = head; e; e = e->next)
        got.insert(got.begin(), {e->name, std::vector<uint8_t>(e->data, e->data + e->size)});
    EXPECT_EQ(got, rs);
    free_pack(head);
}

records sample() {
    std::vector<uint8_t> mixed(1000);
    for (int i = 0; i < 1000; ++i)
        mixed[i] = static_cast<uint8_t>((i * 37) ^ (i >> 3));
    return {
        {"texture_a", std::vector<uint8_t>(300)}, {"audio_b", mixed}, {"object_c", text_bytes("v 1 2 3\n")}};
}

// Literal packets of any sizes, the encoder's own runs (spanning record ends) and empty
// packets (0x00, and a run of none with its value byte) all decode to the same records.
TEST(PackDecoding, PacketsSplitAnywhereAndEmptyPacketsDecodeTheSame) {
    records rs = sample();
    std::vector<uint8_t> plain = plain_of(rs);
    std::vector<std::vector<uint8_t>> streams = {encode_pack_stream(plain), {}};
    for (auto sizes : std::vector<std::vector<int>>{{127}, {1}, {3, 127, 50}, {7, 1, 126}})
        streams.push_back(literal_packets(plain, sizes));
    std::vector<uint8_t> hundreds = literal_packets(plain, {100}); // a packet every 101 bytes
    for (size_t i = 0; i < hundreds.size(); ++i) {
        if (i % 101 == 0) streams[1].insert(streams[1].end(), {0x00, 0x80, 0x55});
        streams[1].push_back(hundreds[i]);
    }
    streams[1].push_back(0x00);
    for (const auto &stream : streams)
        expect_records(decode_pack(stream), rs);
}

TEST(PackDecoding, ARunPacketCrossingARecordBoundaryFeedsBothRecords) {
    // Record "a" ends in ten zeros and record "b" (256 bytes) starts its size field 00 01 00 00:
    // one run of eleven zeros covers both sides of the boundary.
    records rs = {{"a", std::vector<uint8_t>(10, 0)}, {"b", std::vector<uint8_t>(256, 7)}};
    std::vector<uint8_t> plain = plain_of(rs);
    ASSERT_EQ(plain[PACK_HEADER_SIZE + 10], 0);
    std::vector<uint8_t> enc = literal_packets({plain.begin(), plain.begin() + PACK_HEADER_SIZE}, {127});
    enc.insert(enc.end(), {0x80 | 11, 0});
    std::vector<uint8_t> tail = encode_pack_stream(std::span(plain).subspan(PACK_HEADER_SIZE + 11));
    enc.insert(enc.end(), tail.begin(), tail.end());
    expect_records(decode_pack(enc), rs);
}

TEST(PackLookup, TheLaterOfTwoNamesWinsAndSizeZeroLoads) {
    records rs = {{"texture_sky_1", {1, 2, 3}}, {"empty", {}}, {"texture_sky_1", {9, 9}}};
    pack_entry *head = decode_pack(encode_pack_stream(plain_of(rs)));
    pack_entry *sky = find_resource(head, "texture_sky_1"), *empty = find_resource(head, "empty");
    ASSERT_TRUE(sky && empty);
    EXPECT_EQ(std::vector<uint8_t>(sky->data, sky->data + sky->size), (std::vector<uint8_t>{9, 9}));
    EXPECT_EQ(empty->size, 0u);
    EXPECT_FALSE(find_resource(head, "texture_Sky_1") || find_resource(head, "texture_sky"));
    free_pack(head);
}

TEST(PackLoading, FilesEmptyMissingAndCutShortAndAHugeSizeField) {
    scratch_dir dir;
    int error = 0;
    EXPECT_EQ(load_pack(dir.file("absent.data").c_str(), &error), nullptr);
    EXPECT_NE(error, 0);

    write_file(dir.file("empty.data"), {});
    testing::internal::CaptureStdout();
    EXPECT_EQ(load_pack(dir.file("empty.data").c_str(), &error), nullptr);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(error, 0);

    records rs = sample();
    std::vector<uint8_t> plain = plain_of(rs);
    write_file(dir.file("ok.data"), encode_pack_stream(plain));
    testing::internal::CaptureStdout();
    expect_records(load_pack(dir.file("ok.data").c_str()), rs);
    std::string out = testing::internal::GetCapturedStdout();
    EXPECT_NE(out.find("loaded texture_a : 300 bytes\n"), std::string::npos);

    // A directory in the pack's place reads as an empty file.
    EXPECT_EQ(load_pack(dir.path.c_str(), &error), nullptr);

    // Cut inside the last record's data, then inside its header: the whole records survive.
    const std::pair<size_t, const char *> cuts[] = {{plain.size() - 3, "cut.data: record "},
                                                    {plain.size() - 8 - PACK_HEADER_SIZE, "header"}};
    for (auto [cut, message] : cuts) {
        write_file(dir.file("cut.data"), encode_pack_stream(std::span(plain).first(cut)));
        testing::internal::CaptureStderr();
        testing::internal::CaptureStdout();
        pack_entry *head = load_pack(dir.file("cut.data").c_str());
        std::string lines = testing::internal::GetCapturedStdout(),
                    err = testing::internal::GetCapturedStderr();
        EXPECT_EQ(count_pack_entries(head), 2);
        EXPECT_EQ(std::count(lines.begin(), lines.end(), '\n'), 2)
            << "only kept records are reported: " << lines;
        EXPECT_NE(err.find(message), std::string::npos) << err;
        free_pack(head);
    }

    // A huge size field allocates nothing beyond the stream and its name is not printed raw: the
    // second record claims 0xFFFFFFFF bytes; the escape byte in its name is not passed on.
    plain.clear();
    append_pack_record(plain, "ok", std::vector<uint8_t>{1, 2, 3});
    append_pack_record(plain, "li\033ar", std::vector<uint8_t>(100, 7));
    std::fill_n(plain.begin() + PACK_HEADER_SIZE + 3, 4, 0xff);
    testing::internal::CaptureStderr();
    testing::internal::CaptureStdout();
    pack_entry *head = decode_pack(encode_pack_stream(plain));
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "loaded ok : 3 bytes\n");
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "pack: record li\\x1bar cut short (4294967295 bytes stated), dropped\n");
    ASSERT_EQ(count_pack_entries(head), 1);
    EXPECT_STREQ(head->name, "ok");
    free_pack(head);
}

} // namespace
