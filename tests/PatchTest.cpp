#include "patch/Bps.h"
#include "patch/Ips.h"
#include "patch/PatchFormat.h"
#include "commands/Outputs.h"
#include "job/Messages.h"
#include "TranslationPair.h"

#include <gtest/gtest.h>
#include <cstdio>
#include <cstring>
#include <functional>
#include <random>
#include <string>
#include <zlib.h>

using namespace quorvex;
using Bytes = std::vector<std::uint8_t>;

namespace {

Bytes Random(std::size_t size, std::mt19937& rng) {
    Bytes bytes(size);
    for (auto& byte : bytes) byte = static_cast<std::uint8_t>(rng());
    return bytes;
}

Bytes Text(std::string_view text) {
    return Bytes(text.begin(), text.end());
}

Bytes Cat(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const auto& part : parts) all.insert(all.end(), part.begin(), part.end());
    return all;
}

std::size_t DifferingBytes(const Bytes& source, const Bytes& target) {
    std::size_t count = 0;
    for (std::size_t i = 0; i < target.size(); ++i) count += i >= source.size() || source[i] != target[i];
    return count;
}

void ExpectRoundTrip(const Bytes& source, const Bytes& target, const std::string& name) {
    for (const auto format : {PatchFormat::Ips, PatchFormat::Bps}) {
        SCOPED_TRACE(name + (format == PatchFormat::Ips ? " (IPS)" : " (BPS)"));
        const auto patch = CreatePatchBytes(format, source, target);
        ASSERT_TRUE(patch.ok());
        EXPECT_EQ(DetectPatchFormat(patch.bytes), format);
        const auto applied = ApplyPatchBytes(patch.bytes, source);
        ASSERT_TRUE(applied.ok());
        EXPECT_TRUE(applied.bytes == target);
        if (format == PatchFormat::Bps) {
            EXPECT_LE(patch.bytes.size(), DifferingBytes(source, target) * 11 / 10 + 1024);
        }
    }
}

// Edits a copy of the source the way a translation does: stretches rewritten
// with new bytes or filled with one byte.
Bytes Edited(const Bytes& source, std::mt19937& rng, int stretches) {
    Bytes target = source;
    for (int i = 0; i < stretches && !target.empty(); ++i) {
        const std::size_t at = rng() % target.size();
        const std::size_t length = std::min<std::size_t>(1 + rng() % 3000, target.size() - at);
        const bool fill = rng() % 4 == 0;
        for (std::size_t k = 0; k < length; ++k) target[at + k] = static_cast<std::uint8_t>(fill ? 0xFF : rng());
    }
    return target;
}

// BPS numbers, spelled out here apart from the writer's.
Bytes Num(std::uint64_t value) {
    Bytes bytes;
    while (value >= 0x80) {
        bytes.push_back(value & 0x7F);
        value = (value >> 7) - 1;
    }
    bytes.push_back(static_cast<std::uint8_t>(0x80 | value));
    return bytes;
}

Bytes Le32(uLong value) {
    return {static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
            static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 24)};
}

uLong ZlibCrc(const Bytes& bytes) {
    return crc32(0, bytes.data(), static_cast<uInt>(bytes.size()));
}

// A BPS patch with the given actions and right CRC32s of the patch and of source.
Bytes BpsWith(const Bytes& body, const Bytes& source, const Bytes& target) {
    Bytes patch = Cat({Text("BPS1"), body, Le32(ZlibCrc(source)), Le32(ZlibCrc(target))});
    return Cat({patch, Le32(ZlibCrc(patch))});
}

}  // namespace

TEST(PatchTest, RoundTripsEveryKindOfChange) {
    std::mt19937 rng(7);
    const Bytes base = Random(70000, rng);
    const Bytes big = Random(0x470000, rng);
    const std::function<Bytes()> cases[] = {
        [&] { return base; },
        [&] { return Edited(base, rng, 5); },
        [&] {
            return Cat({Edited(base, rng, 2), Random(5000, rng)});
        },
        [&] { return Bytes(base.begin(), base.begin() + 40000); },
        [&] { return Bytes(); },
        [&] {
            return Cat(
                {Bytes(base.begin(), base.begin() + 20000), Bytes(70000, 0), Bytes(base.begin() + 20000, base.end())});
        },
        [&] {
            return Cat({Text("x"), base});
        },
        [&] {  // changed and unchanged stretches in turn
            Bytes target = base;
            for (std::size_t at = 0; at < target.size(); ++at) target[at] ^= at % 96 < 48 ? 0x0F : 0;
            return target;
        },
        [&] {
            Bytes target = base;
            const Bytes fresh = Random(4096, rng);
            std::copy(fresh.begin(), fresh.end(), target.begin() + 100);
            std::copy(fresh.begin(), fresh.end(), target.begin() + 50000);
            return target;
        },
        [&] {  // words repeated from near and far up to the last byte
            Bytes target = base;
            const std::string_view words[] = {"translated ", "text ", "of a ", "game. ", "Play "};
            for (std::size_t at = target.size() - 30000; at < target.size();)
                for (const char letter : words[rng() % std::size(words)])
                    if (at < target.size()) target[at++] = static_cast<std::uint8_t>(letter);
            return target;
        },
    };
    for (std::size_t i = 0; i < std::size(cases); ++i) ExpectRoundTrip(base, cases[i](), "case " + std::to_string(i));
    ExpectRoundTrip(Bytes(), base, "from nothing");
    // Around the offset that reads as "EOF": a byte, a run, and record splits of long stretches there.
    for (const std::size_t at : {0x454F45, 0x454F46, 0x454F47}) {
        const auto edited = [&](std::size_t from, std::size_t length, int fill) {
            Bytes target = big;
            for (std::size_t k = from; k < from + length; ++k)
                target[k] = static_cast<std::uint8_t>(fill < 0 ? rng() : fill);
            return target;
        };
        ExpectRoundTrip(big, edited(at, 1, -1), "a byte at " + std::to_string(at));
        ExpectRoundTrip(big, edited(at, 300, 0xAA), "a run at " + std::to_string(at));
        ExpectRoundTrip(big, edited(at - 0xFFFF, 0x20000, -1), "new bytes across " + std::to_string(at));
        ExpectRoundTrip(big, edited(at - 0xFFFF, 0x20000, 0x55), "a long run across " + std::to_string(at));
    }
    for (int seed = 0; seed < 40; ++seed) {
        const Bytes source = Random(1000 + rng() % 200000, rng);
        Bytes target = Edited(source, rng, 1 + seed % 12);
        target.resize(target.size() + (seed % 3 == 0 ? rng() % 20000 : 0) - (seed % 3 == 1 ? rng() % 900 : 0));
        ExpectRoundTrip(source, target, "random " + std::to_string(seed));
    }
}

TEST(PatchTest, CopiesMakeBpsPatchesSmall) {
    std::mt19937 rng(11);
    const Bytes source = Random(65536, rng);
    const Bytes fresh = Random(4096, rng);
    Bytes repeated = source;
    std::copy(fresh.begin(), fresh.end(), repeated.begin() + 1000);
    std::copy(fresh.begin(), fresh.end(), repeated.begin() + 30000);
    Bytes filled = source;
    std::fill_n(filled.begin() + 5000, 10000, 0xFF);
    const struct {
        Bytes target;
        std::size_t atMost;
    } cases[] = {
        {Bytes(source.begin() + 1, source.end()), 64},  // a byte taken out: all shifts
        {Cat({Text("new"), source}), 64},               // bytes put in front
        {Cat({source, source}), 64},                    // a second copy of the whole
        {repeated, fresh.size() + 64},                  // new bytes written twice
        {filled, 64},                                   // one byte over and over
    };
    for (const auto& c : cases) {
        const auto patch = CreateBps(source, c.target);
        EXPECT_LE(patch.bytes.size(), c.atMost);
        EXPECT_TRUE(ApplyBps(patch.bytes, source).bytes == c.target);
    }
    EXPECT_LE(CreateIps(source, filled).bytes.size(), 32u);  // run records
}

TEST(PatchTest, BpsPatchesOfATranslationCopyTheNewTextsRepeats) {
    // 256 KiB: 64 KiB of words rewritten with other words, 512 pointers with them.
    const test::TranslationPair pair = test::MakeTranslationPair({256u << 10, 64u << 10, 512, 7});
    const PatchResult patch = CreateBps(pair.original, pair.translated);
    // Storing what differs takes 66 KB; copying only repeats of eight bytes or more, 44 KB.
    EXPECT_LE(patch.bytes.size(), 38500u);
    EXPECT_TRUE(ApplyBps(patch.bytes, pair.original).bytes == pair.translated);
    EXPECT_TRUE(CreateBps(pair.original, pair.translated).bytes == patch.bytes);
}

TEST(PatchTest, WritesIpsRecordsAsTheFormatDefines) {
    const Bytes source = Text("ABCDEFGHIJKLMNOP");
    const Bytes eof = Text("EOF");
    const struct {
        Bytes target;
        Bytes patch;  // after "PATCH"
    } cases[] = {
        {source, eof},
        {Text("ABxDEFGHIJKLMNOP"), Cat({{0, 0, 2, 0, 1, 'x'}, eof})},
        {Text("xBCDExGHIJKLMNOP"),
         Cat({{0, 0, 0, 0, 6}, Text("xBCDEx"), eof})},  // four equal bytes between: one record
        {Text("xBCDEFxHIJKLMNOP"), Cat({{0, 0, 0, 0, 1, 'x', 0, 0, 6, 0, 1, 'x'}, eof})},
        {Text("ABCD"), Cat({eof, {0, 0, 4}})},
        {Text("ABCDEFGHIJKLMNOPQ"), Cat({{0, 0, 16, 0, 1, 'Q'}, eof})},
        {Text("ZZZZZZZZZZZZZZZZ"), Cat({{0, 0, 0, 0, 0, 0, 16, 'Z'}, eof})},
        {Text("ZZZZZZZZZZZZZZZ"), Cat({{0, 0, 0, 0, 0, 0, 15, 'Z'}, eof, {0, 0, 15}})},
    };
    for (const auto& c : cases) {
        const auto patch = CreateIps(source, c.target);
        EXPECT_TRUE(patch.bytes == Cat({Text("PATCH"), c.patch})) << std::string(c.target.begin(), c.target.end());
        EXPECT_TRUE(ApplyIps(patch.bytes, source).bytes == c.target);
    }
    Bytes big(0x454F50, 0), changed = big;
    changed[0x454F46] = 1;
    EXPECT_TRUE(CreateIps(big, changed).bytes == Cat({Text("PATCH"), {0x45, 0x4F, 0x45, 0, 2, 0, 1}, eof}));
}

TEST(PatchTest, IpsCannotReachPast16MiB) {
    Bytes source(0x1000010, 0), target = source;
    target[0xFFFFFF] = 1;
    EXPECT_TRUE(CreateIps(source, target).ok());
    target[0x1000000] = 1;
    const auto past = CreateIps(source, target);
    EXPECT_EQ(past.status, PatchStatus::PastSixteenMiB);
    EXPECT_EQ(commands::PatchFailureMessage(past, "x.ips"), u"IPS patches cannot reach past 16 MiB; use .bps.");
    EXPECT_FALSE(CreateIps(source, Bytes(0x1000000, 0)).ok());   // a shorter size it cannot write
    EXPECT_FALSE(CreateIps(Bytes(), Bytes(0x1000001, 0)).ok());  // growth past it
    EXPECT_TRUE(CreateBps(source, target).ok());
}

TEST(PatchTest, RefusesAPatchMadeForAnotherRom) {
    std::mt19937 rng(3);
    const Bytes source = Random(5000, rng), other = Edited(source, rng, 1), target = Edited(source, rng, 3);
    const auto applied = ApplyPatchBytes(CreateBps(source, target).bytes, other);
    char expected[100];
    std::snprintf(expected, sizeof expected, "The patch was made for another ROM (CRC32 %08lX, this one is %08lX).",
                  ZlibCrc(source), ZlibCrc(other));
    EXPECT_EQ(applied.status, PatchStatus::WrongSource);
    EXPECT_EQ(commands::PatchFailureMessage(applied, "p.bps"), std::u16string(expected, expected + std::strlen(expected)));
    EXPECT_TRUE(applied.bytes.empty());
}

TEST(PatchTest, DamagedPatchesNeverCrashAndAreRefused) {
    std::mt19937 rng(5);
    const Bytes source = Random(3000, rng);
    Bytes target = Edited(source, rng, 4);
    target.resize(2500);
    for (const auto format : {PatchFormat::Ips, PatchFormat::Bps}) {
        const Bytes patch = CreatePatchBytes(format, source, target).bytes;
        for (std::size_t size = 0; size < patch.size(); ++size) {
            // An IPS patch cut right after "EOF" is whole again, only without its size.
            if (format == PatchFormat::Ips && size == patch.size() - 3) continue;
            const auto applied = ApplyPatchBytes(Bytes(patch.begin(), patch.begin() + size), source);
            EXPECT_FALSE(applied.ok()) << size;
            EXPECT_TRUE(applied.bytes.empty());
        }
        for (int flip = 0; flip < 2000; ++flip) {
            Bytes damaged = patch;
            damaged[rng() % damaged.size()] ^= static_cast<std::uint8_t>(1 << rng() % 8);
            const auto applied = ApplyPatchBytes(damaged, source);
            if (format == PatchFormat::Bps) {
                EXPECT_FALSE(applied.ok());
            }
            EXPECT_EQ(applied.ok(), !applied.bytes.empty());
        }
    }
    const Bytes abcd = Text("ABCD");
    const struct {
        Bytes patch;
        Bytes result;  // empty: refused as damaged
    } cases[] = {
        {BpsWith(Cat({Num(4), Num(4), Num(0), Num(3 << 2 | 0)}), abcd, abcd), abcd},
        {BpsWith(Cat({Num(4), Num(6), Num(0), Num(0 << 2 | 1), Text("Q"), Num(4 << 2 | 3), Num(0)}), abcd,
                 Text("QQQQQQ")),
         Text("QQQQQQ")},
        {BpsWith(Cat({Num(4), Num(3), Num(0), Num(0 << 2 | 2), Num(2 << 1), Num(1 << 2 | 2), Num(2 << 1 | 1)}), abcd,
                 Text("CBC")),
         Text("CBC")},
        {BpsWith(Cat({Num(4), Num(std::uint64_t{1} << 31), Num(0), Num(3 << 2 | 0)}), abcd, abcd), {}},
        {BpsWith(Cat({Num(4), Num(std::uint64_t{1} << 30), Num(0), Num(3 << 2 | 0)}), abcd, abcd),
         {}},  // 1 GiB declared, 4 bytes made: refused before the result takes memory
        {BpsWith(Cat({Num(4), Bytes(12, 0), Num(0)}), abcd, abcd), {}},
        {BpsWith(Cat({Num(4), Num(4), Num(100), Num(3 << 2 | 0)}), abcd, abcd), {}},
        {BpsWith(Cat({Num(4), Num(8), Num(0), Num(7 << 2 | 0)}), abcd, Cat({abcd, abcd})), {}},
        {BpsWith(Cat({Num(4), Num(4), Num(0), Num(3 << 2 | 1), Text("xy")}), abcd, Text("xy")), {}},
        {BpsWith(Cat({Num(4), Num(1), Num(0), Num(0 << 2 | 2), Num(1 << 1 | 1)}), abcd, Text("A")), {}},
        {BpsWith(Cat({Num(4), Num(1), Num(0), Num(0 << 2 | 2), Num(4 << 1)}), abcd, Text("A")), {}},
        {BpsWith(Cat({Num(4), Num(4), Num(0), Num(3 << 2 | 3), Num(0)}), abcd, Bytes(4, 0)),
         {}},  // reads unwritten bytes
        {BpsWith(Cat({Num(4), Num(4), Num(0), Num(1 << 2 | 0)}), abcd, abcd), {}},
        {BpsWith(Cat({Num(4), Num(2), Num(0), Num(3 << 2 | 0)}), abcd, Text("AB")), {}},
        {BpsWith(Cat({Num(4), Num(4), Num(0), Num(3 << 2 | 0)}), abcd, Text("ABCE")), {}},
        {Cat({Text("PATCH"), {0, 0, 1, 0, 0, 0, 0, 'x'}, Text("EOF")}), {}},  // a run of no bytes
        {Cat({Text("PATCH"), {0, 0, 1, 0, 1, 'x'}}), {}},                     // no "EOF"
        {Cat({Text("PATCH"), Text("EOF"), {0, 0, 5}}), {}},                   // "cut" to a larger size
        {Cat({Text("PATCH"), Text("EOF"), {0, 0, 2, 0}}), {}},
        {Cat({Text("PATCH"), {0, 0, 6, 0, 0, 0, 2, 'z'}, Text("EOF")}), Cat({abcd, {0, 0, 'z', 'z'}})},
    };
    for (const auto& c : cases) {
        const auto applied = ApplyPatchBytes(c.patch, abcd);
        EXPECT_EQ(applied.status, c.result.empty() ? PatchStatus::Damaged : PatchStatus::Ok);
        EXPECT_TRUE(applied.bytes == c.result);
    }
    EXPECT_EQ(commands::PatchFailureMessage(PatchResult::Failure(PatchStatus::Damaged), "p.bps"), u"The patch is damaged.");
}

TEST(PatchTest, FormatsByExtensionAndByMagic) {
    EXPECT_EQ(PatchFormatForPath("out/Game.IPS"), PatchFormat::Ips);
    EXPECT_EQ(PatchFormatForPath("game.Bps"), PatchFormat::Bps);
    EXPECT_FALSE(PatchFormatForPath("game.ips.txt"));
    EXPECT_FALSE(PatchFormatForPath("bps"));
    EXPECT_FALSE(DetectPatchFormat(Text("BPS")));
    const auto applied = ApplyPatchBytes(Text("PK\3\4 not a patch"), Text("ROM"));
    EXPECT_EQ(applied.status, PatchStatus::NotAPatch);
    EXPECT_EQ(commands::PatchFailureMessage(applied, "notes.zip"), u"notes.zip is not an IPS or BPS patch.");
}
