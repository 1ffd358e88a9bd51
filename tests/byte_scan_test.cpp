// The vector searches give what a byte-by-byte look gives, wherever the
// stops fall within or across sixteen-byte blocks.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <string>
#include <string_view>

#include "codes/byte_scan.h"
#include "engine/byte_scan.h"
#include "engine/tag_table.h"

namespace {

bool Special(char c) {
    return c == '\t' || c == '\n' || c == '\r' || c == '\x1A' || c == ' ' || c == '&' || c == '<';
}

TEST(ByteScan, SameAsByteByByte) {
    const char alphabet[] = {'a', 'a', 'a', 'a', ' ', ' ', '\t', '\n', '\r', '&', '<', '>', '\x1A',
                             '\x80', '\xFF', '\0', '!', '\x1F', '\xA0', '\xA6', '\xBC', '%', '='};
    std::mt19937 random(20261208);
    for (int round = 0; round < 20000; ++round) {
        std::string s(random() % 70, 'a');
        for (char& c : s) c = alphabet[random() % sizeof alphabet];
        // Every other round: any byte, so that long stretches hold no stop.
        if (round % 2)
            for (char& c : s) c = static_cast<char>(random() % 256);

        // The text run, looked at one byte after another.
        std::size_t end = 0, space_end = 0;
        for (; end < s.size(); ++end) {
            if (!Special(s[end])) continue;
            if (s[end] != ' ' || end + 1 >= s.size() || Special(s[end + 1])) break;
            space_end = end + 1;
        }
        std::size_t got_space_end = 99;
        ASSERT_EQ(vorlax::TextRun(s.data(), s.size(), &got_space_end), end) << round;
        ASSERT_EQ(got_space_end, space_end) << round;
        // The way without vectors, which the i686 build takes.
        got_space_end = 0;
        ASSERT_EQ(vorlax::TextRunByWords(s.data(), s.size(), 0, &got_space_end), end) << round;
        ASSERT_EQ(got_space_end, space_end) << round;

        std::size_t ascii = 0;
        while (ascii < s.size() && static_cast<unsigned char>(s[ascii]) < 0x80) ++ascii;
        ASSERT_EQ(vorlax::SpanAscii(s.data(), s.size()), ascii) << round;

        // The word tests, on the string's first word.
        if (s.size() >= sizeof(vorlax::ScanWord)) {
            vorlax::ScanWord w;
            std::memcpy(&w, s.data(), sizeof w);
            const std::string_view word(s.data(), sizeof w);
            for (const char c : {'\n', '<', '\0', '\xFF'})
                ASSERT_EQ(vorlax::HasByte(w, static_cast<unsigned char>(c)),
                          word.find(c) != std::string_view::npos)
                    << round;
        }

        const std::size_t gt = s.find_first_of(std::string(">\r\n\xFF", 4));
        ASSERT_EQ((vorlax::SpanWithout<'>', '\r', '\n', '\xFF'>(s.data(), s.size())),
                  gt == std::string::npos ? s.size() : gt)
            << round;
    }
}

// The look at a tag a byte at a time (the way without vectors) finds what
// the other looks find: the same end, the same table entry.
TEST(ByteScan, TagLooksAgree) {
    const char alphabet[] = {'t', 'T', 'd', 'r', 'p', 'P', 'a', 'h', 'f', '/', 'b', 'l', 'o', 'c',
                             'k', 'q', 'u', 'e', ' ', ' ', '\0', '>', '>', '\r', '\n', '\xFF', '='};
    std::mt19937 random(20261209);
    int matches = 0;
    for (int round = 0; round < 50000; ++round) {
        std::string s(random() % 40, 'a');
        for (char& c : s) c = alphabet[random() % sizeof alphabet];
        const std::size_t reach = std::min<std::size_t>(s.size(), random() % 2 ? s.size() : 12);
        const vorlax::TagAtHand bytes = vorlax::LookAtTagByBytes(s, reach);
        const vorlax::TagAtHand any = vorlax::LookAtTag(s, reach);
        if (any.length != vorlax::TagAtHand::kSlow && any.match) ++matches;
        ASSERT_EQ(bytes.length, any.length) << round;
        if (bytes.length != vorlax::TagAtHand::kSlow) {
            ASSERT_EQ(bytes.match, any.match) << round;
        }
        if (reach == s.size()) {
            const vorlax::TagAtHand at_hand = vorlax::LookAtShortTag(s);
            if (at_hand.length != vorlax::TagAtHand::kLong) {
                ASSERT_EQ(at_hand.length, any.length) << round;
                if (any.length != vorlax::TagAtHand::kSlow) {
                    ASSERT_EQ(at_hand.match, any.match) << round;
                }
            }
        }
    }
    EXPECT_GT(matches, 100);  // names were found, not only missed
}

}  // namespace
