#include "JobGenerator.h"

#include "chartable/CharTable.h"
#include "platform/CodePage.h"
#include "platform/Files.h"

#include <algorithm>
#include <cstdio>
#include <numeric>
#include <set>
#include <stdexcept>

namespace quorvex::bench {
namespace {

// The standard library's distributions differ between implementations; this
// one does not, so a seed means the same job everywhere.
class Random {
public:
    explicit Random(std::uint64_t seed) : m_state(seed * 0x9E3779B97F4A7C15ULL + 0x632BE59BD9B4E019ULL) {}
    std::uint64_t Next() {
        std::uint64_t z = (m_state += 0x9E3779B97F4A7C15ULL);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
        return z ^ (z >> 31);
    }
    // Uniform in [0, bound).
    std::size_t Below(std::size_t bound) { return bound == 0 ? 0 : static_cast<std::size_t>(Next() % bound); }
    std::size_t Between(std::size_t low, std::size_t high) { return low + Below(high - low + 1); }
    bool Chance(double p) { return static_cast<double>(Next() >> 11) * 0x1.0p-53 < p; }

private:
    std::uint64_t m_state;
};

constexpr std::uint8_t kEndByte = 0xFF;       // "[END]"
constexpr std::uint8_t kHuffmanEnd = 0x0A;    // the value of Huffman index 10; no table entry
constexpr std::int32_t kScatteredCommand = 0xFF00;  // typed FF00: the bytes 00 FF
constexpr int kLongestWord = 24;

std::string Hex(std::uint32_t value, int digits = 0) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%0*X", digits, value);
    return buffer;
}

std::u16string Wide(std::string_view ascii) {
    return std::u16string(ascii.begin(), ascii.end());
}

struct Entry {
    std::string key;      // hex digits as written in the file
    std::u16string text;
};

// What the text generator draws from.
struct Pools {
    std::vector<std::u16string> lower;   // a-z
    std::vector<std::u16string> other;   // the other single characters
    std::vector<std::u16string> kanji;
    std::vector<std::u16string> words;
    std::vector<std::uint8_t> huffmanValues;  // 47 bytes whose texts are lower case, digits, space, punctuation
};

struct Table {
    std::u16string text;
    Pools pools;
};

std::vector<char16_t> SingleCharacters() {
    std::vector<char16_t> chars;
    for (char16_t c = 0x20; c <= 0x7E; ++c)
        if (c != u'<' && c != u'>' && c != u'=') chars.push_back(c);
    for (char16_t c = 0xC0; c <= 0xFF; ++c) chars.push_back(c);
    for (char16_t c = 0x391; c <= 0x3A9; ++c)
        if (c != 0x3A2) chars.push_back(c);
    for (char16_t c = 0x3B1; c <= 0x3C9; ++c) chars.push_back(c);
    for (char16_t c = 0x30A1; c <= 0x30F6; ++c) chars.push_back(c);
    return chars;
}

// The text of kanji number k: one CJK, Hangul or CJK extension A character,
// then pairs of hiragana (no hiragana stands alone in the table).
std::u16string KanjiText(std::size_t k) {
    const std::size_t ranges[][2] = {{0x4E00, 0x9FFF}, {0xAC00, 0xD7A3}, {0x3400, 0x4DBF}};
    for (const auto& range : ranges) {
        const std::size_t size = range[1] - range[0] + 1;
        if (k < size) return std::u16string(1, static_cast<char16_t>(range[0] + k));
        k -= size;
    }
    constexpr std::size_t kHiragana = 0x3096 - 0x3041 + 1;
    if (k >= kHiragana * kHiragana) throw std::invalid_argument("too many table entries for the generator");
    return {static_cast<char16_t>(0x3041 + k / kHiragana), static_cast<char16_t>(0x3041 + k % kHiragana)};
}

std::u16string MakeWord(Random& random, std::size_t length) {
    static const char* const kSyllables[] = {"ka", "ri", "to", "mu", "sel", "an", "dor", "vi", "el", "qua",
                                             "ne", "os", "thu", "ra", "in", "gor", "li", "ze", "bur", "ya"};
    std::string word;
    while (word.size() < length) word += kSyllables[random.Below(std::size(kSyllables))];
    word.resize(length);
    word[0] = static_cast<char>(word[0] - 'a' + 'A');
    return Wide(word);
}

// A short lower-case word of pieces that are words and pairs themselves, so
// that the words begin, end and lie inside one another.
std::u16string MakeOverlappingWord(Random& random) {
    static const char* const kPieces[] = {"th", "he", "the", "then", "hen", "en", "in", "ing", "an", "and",
                                          "er", "her", "re", "on", "ent", "es", "st", "nd", "ou", "ha"};
    std::string word;
    const std::size_t pieces = random.Between(1, 3);
    for (std::size_t p = 0; p < pieces; ++p) word += kPieces[random.Below(std::size(kPieces))];
    return Wide(word);
}

std::string KeyHex(std::initializer_list<std::uint8_t> bytes, bool lowerCase) {
    std::string key;
    for (const std::uint8_t b : bytes) key += Hex(b, 2);
    if (lowerCase) std::transform(key.begin(), key.end(), key.begin(), [](char c) { return c >= 'A' && c <= 'F' ? c - 'A' + 'a' : c; });
    return key;
}

struct Counts {
    std::size_t duplicates, words, kanji;
};

Counts CountsFor(std::size_t entryCount, std::size_t fixed) {
    const std::size_t duplicates = std::max<std::size_t>(entryCount / 250, 2);
    if (entryCount < fixed + duplicates + 20) throw std::invalid_argument("the generator needs more table entries");
    const std::size_t words = std::max<std::size_t>((entryCount - fixed) / 9, 10);
    return {duplicates, words, entryCount - fixed - duplicates - words};
}

Table MakeTable(Random& random, std::size_t entryCount, std::size_t textEntries, bool overlapping) {
    const std::vector<char16_t> singles = SingleCharacters();
    // 0x00-0x0F have no entry (they come out as escapes), 0xE0-0xEF and
    // 0xF1-0xF3 lead 2-byte keys, 0xF0 leads 3-byte keys, 0xFF is [END].
    std::vector<std::uint8_t> singleCodes;
    for (int b = 0x10; b <= 0xDF; ++b) singleCodes.push_back(static_cast<std::uint8_t>(b));
    for (int b = 0xF4; b <= 0xFE; ++b) singleCodes.push_back(static_cast<std::uint8_t>(b));
    const std::size_t singleCount = std::min(singles.size(), singleCodes.size());

    const std::size_t fixed = singleCount + 1;
    const auto [duplicates, words, kanji] = CountsFor(entryCount, fixed);
    const Counts used = CountsFor(textEntries == 0 ? entryCount : std::min(textEntries, entryCount), fixed);

    Table table;
    std::vector<Entry> singleEntries;
    for (std::size_t i = 0; i < singleCount; ++i) {
        const char16_t c = singles[i];
        singleEntries.push_back({KeyHex({singleCodes[i]}, false), std::u16string(1, c)});
        if (c >= u'a' && c <= u'z') table.pools.lower.push_back(std::u16string(1, c));
        else table.pools.other.push_back(std::u16string(1, c));
    }

    // Huffman v2 codes 48 indices: index 10 ends a string; the others are the
    // characters of plain running text, the commonest first.
    const std::u16string huffmanOrder = u" etaoinsrhldcumfpgwybvkxjqz0123456789.,!?'-:;()";
    for (const char16_t c : huffmanOrder) {
        const auto at = std::find(singles.begin(), singles.begin() + singleCount, c);
        table.pools.huffmanValues.push_back(singleCodes[static_cast<std::size_t>(at - singles.begin())]);
    }

    std::vector<Entry> wordEntries;
    std::set<std::u16string> seen;
    for (std::size_t w = 0; w < words; ++w) {
        std::u16string word;
        do {
            // Mostly short words, some long names, and one of the greatest length.
            const std::size_t length = w == 0 ? kLongestWord
                                               : (random.Chance(0.8) ? random.Between(2, 10) : random.Between(11, kLongestWord));
            word = overlapping && w > 0 ? MakeOverlappingWord(random) : MakeWord(random, length);
        } while (!seen.insert(word).second);
        wordEntries.push_back({KeyHex({0xF0, static_cast<std::uint8_t>(1 + w / 254), static_cast<std::uint8_t>(1 + w % 254)}, false), word});
        if (w < used.words) table.pools.words.push_back(word);
    }

    static const std::uint8_t kLeads[] = {0xE0, 0xE1, 0xE2, 0xE3, 0xE4, 0xE5, 0xE6, 0xE7, 0xE8, 0xE9,
                                          0xEA, 0xEB, 0xEC, 0xED, 0xEE, 0xEF, 0xF1, 0xF2, 0xF3};
    std::vector<Entry> kanjiEntries;
    for (std::size_t k = 0; k < kanji; ++k) {
        std::string key;
        if (k < std::size(kLeads) * 254) {
            // Some tables are written with lower-case digits.
            key = KeyHex({kLeads[k / 254], static_cast<std::uint8_t>(1 + k % 254)}, k % 7 == 3);
        } else {
            const std::size_t code = words + (k - std::size(kLeads) * 254);
            if (code >= 254 * 254) throw std::invalid_argument("too many table entries for the generator");
            key = KeyHex({0xF0, static_cast<std::uint8_t>(1 + code / 254), static_cast<std::uint8_t>(1 + code % 254)}, false);
        }
        kanjiEntries.push_back({key, KanjiText(k)});
        if (k < used.kanji) table.pools.kanji.push_back(kanjiEntries.back().text);
    }

    std::u16string& text = table.text;
    auto line = [&](std::u16string_view content) {
        text += content;
        text += u"\r\n";
    };
    auto entry = [&](const Entry& e) { line(Wide(e.key) + u"=" + e.text); };

    line(u"; Character table of the benchmark job");
    line(u"; letters and punctuation");
    for (const Entry& e : singleEntries) entry(e);
    line(u"FF=[END]");
    line(u"");
    line(u"; dictionary words");
    for (std::size_t w = 0; w < wordEntries.size(); ++w) {
        entry(wordEntries[w]);
        if (w % 100 == 99) line(u"; more words");
    }
    line(u"");
    // Now and then a key that already stood on an earlier line, with a text of
    // its own: lookups find the first line, so that text is never used.
    const std::size_t repeatEvery = kanjiEntries.size() / duplicates;
    std::size_t repeats = 0;
    for (std::size_t k = 0; k < kanjiEntries.size(); ++k) {
        if (k % 254 == 0) line(u"; kanji block " + Wide(std::to_string(k / 254)));
        entry(kanjiEntries[k]);
        if (repeats < duplicates && k % repeatEvery == repeatEvery - 1) {
            const Entry& original =
                repeats % 2 == 0 ? singleEntries[random.Below(singleEntries.size())] : kanjiEntries[random.Below(k + 1)];
            entry({original.key, u"\u00A7" + Wide(std::to_string(repeats))});
            ++repeats;
        }
    }
    line(u"; end of table");
    return table;
}

// The text of one string, drawn from the table's entries and escapes.
std::u16string MakeString(Random& random, const Pools& pools, std::size_t targetBytes) {
    std::u16string text;
    std::size_t bytes = 0;
    while (bytes < targetBytes) {
        const std::size_t roll = random.Below(100);
        if (roll < 13) {
            text += u' ';
            bytes += 1;
        } else if (roll < 45) {
            text += pools.lower[random.Below(pools.lower.size())];
            bytes += 1;
        } else if (roll < 55) {
            text += pools.other[random.Below(pools.other.size())];
            bytes += 1;
        } else if (roll < 85) {
            text += pools.kanji[random.Below(pools.kanji.size())];
            bytes += 2;
        } else if (roll < 97) {
            text += pools.words[random.Below(pools.words.size())];
            text += u' ';
            bytes += 4;
        } else {
            text += u"<0" + Wide(Hex(static_cast<std::uint32_t>(random.Between(1, 15)))) + u">";
            bytes += 1;
        }
    }
    return text;
}

// Encodes a line as Insert does (escapes first, then the longest entry), so
// that the bytes decode back to exactly this text and encode again to themselves.
std::vector<std::uint8_t> Encode(const CharTable& table, std::u16string_view line) {
    std::vector<std::uint8_t> bytes;
    std::size_t cursor = 0;
    while (cursor < line.size()) {
        if (line[cursor] == u'<' && cursor + 3 < line.size() && line[cursor + 3] == u'>') {
            const std::string digits(line.begin() + static_cast<std::ptrdiff_t>(cursor) + 1,
                                     line.begin() + static_cast<std::ptrdiff_t>(cursor) + 3);
            bytes.push_back(static_cast<std::uint8_t>(std::stoul(digits, nullptr, 16)));
            cursor += 4;
            continue;
        }
        const CharTable::TextMatch match = table.LookupText(line, cursor, table.longestTextLength());
        if (match.length <= 0) throw std::logic_error("generated text the table cannot encode");
        bytes.insert(bytes.end(), match.bytes, match.bytes + match.byteCount);
        cursor += static_cast<std::size_t>(match.length);
    }
    return bytes;
}

// Huffman v2 bits of one string: each value's index code, then index 10,
// padded with zero bits to a whole byte.
std::vector<std::uint8_t> HuffmanString(Random& random, std::size_t targetBytes) {
    std::vector<std::uint8_t> out;
    std::uint32_t accumulator = 0;
    int bits = 0;
    auto put = [&](std::uint32_t value, int count) {
        accumulator = (accumulator << count) | value;
        bits += count;
        while (bits >= 8) {
            out.push_back(static_cast<std::uint8_t>(accumulator >> (bits - 8)));
            bits -= 8;
        }
        accumulator &= (1u << bits) - 1u;
    };
    auto code = [&](std::uint32_t index) {
        if (index < 8) put(index, 4);
        else if (index < 16) put(0b10000 | (index - 8), 5);
        else put(0b1100000 | (index - 16), 7);
    };
    while (out.size() < targetBytes) {
        // Common characters far more often than rare ones.
        std::uint32_t index = static_cast<std::uint32_t>(random.Chance(0.7) ? random.Below(16) : random.Below(48));
        if (index == 10) index = 0;
        code(index);
    }
    code(10);
    if (bits > 0) put(0, 8 - bits);
    return out;
}

std::size_t RoundUp(std::size_t value, std::size_t unit) {
    return (value + unit - 1) / unit * unit;
}

}  // namespace

Job MakeJob(const JobOptions& options) {
    Random random(options.seed);
    Random tableRandom(options.tableSeed);
    Job job;
    job.options = options;
    Table table = MakeTable(options.tableSeed == 0 ? random : tableRandom, options.tableEntries, options.textEntries,
                              options.overlapping);
    job.tableText = std::move(table.text);
    job.tableFile = ToUtf8(job.tableText);
    const CharTable charTable = CharTable::FromText(job.tableText);

    const bool scattered = options.kind == JobKind::Scattered2;
    const bool huffman = options.kind == JobKind::HuffmanV2;
    job.tableType = scattered ? TableType::Scattered2 : TableType::Regular3;
    job.textType = huffman ? TextType::HuffmanV2 : TextType::Regular;

    // Strings of varied length, averaging what fills the text area.
    const std::size_t shared = scattered ? 0 : static_cast<std::size_t>(static_cast<double>(options.pointers) * options.sharedFraction);
    const std::size_t distinct = scattered ? std::max<std::size_t>(options.textBytes / 56, 1) : options.pointers - shared;
    const std::size_t mean = std::max<std::size_t>(options.textBytes / distinct, 6);

    std::vector<std::uint8_t> huffmanTable(48);
    for (std::size_t index = 0, next = 0; index < 48; ++index)
        huffmanTable[index] = index == 10 ? kHuffmanEnd : table.pools.huffmanValues[next++];

    std::vector<std::vector<std::uint8_t>> strings(distinct);
    std::size_t textTotal = 0;
    for (auto& bytes : strings) {
        const std::size_t target = random.Between(mean / 5 + 1, 2 * mean - mean / 5 - 1);
        if (huffman) {
            bytes = HuffmanString(random, target);
        } else {
            std::u16string line = MakeString(random, table.pools, target > 2 ? target - 2 : 1);
            line += scattered ? u"<00>[END]" : u"[END]";
            bytes = Encode(charTable, line);
        }
        textTotal += bytes.size();
    }

    JobSettings& s = job.settings;
    s.textStart = scattered ? 0x200000 : options.textStart;
    s.textEnd = static_cast<std::int32_t>(s.textStart + textTotal - 1);
    const std::size_t romSize = std::max(options.romBytes, RoundUp(static_cast<std::size_t>(s.textEnd) + 1 + 0x10000, 1u << 20));
    job.rom.resize(romSize);
    for (std::size_t i = 0; i < romSize; i += 8) {
        const std::uint64_t value = random.Next();
        for (std::size_t b = 0; b < 8 && i + b < romSize; ++b) job.rom[i + b] = static_cast<std::uint8_t>(value >> (8 * b));
    }

    std::vector<std::size_t> starts(distinct);
    for (std::size_t i = 0, at = static_cast<std::size_t>(s.textStart); i < distinct; ++i) {
        starts[i] = at;
        std::copy(strings[i].begin(), strings[i].end(), job.rom.begin() + static_cast<std::ptrdiff_t>(at));
        at += strings[i].size();
    }

    if (scattered) {
        s.xOffset = 0x1F8000;
        s.huffTable = kScatteredCommand;
        s.commandLength = 2;
        // Each string's 2-byte pointer somewhere in the code before the text.
        const std::size_t stride = std::max<std::size_t>((0x1F0000 - 0x10000) / distinct, 4);
        for (std::size_t i = 0; i < distinct; ++i) {
            const std::size_t at = 0x10000 + i * stride + random.Below(stride - 2);
            const std::uint32_t value = static_cast<std::uint32_t>(starts[i] - static_cast<std::size_t>(s.xOffset));
            job.rom[at] = static_cast<std::uint8_t>(value);
            job.rom[at + 1] = static_cast<std::uint8_t>(value >> 8);
        }
    } else {
        // Table order follows the text, with every shared pointer standing just
        // after some string and naming any other one.
        struct Slot {
            std::size_t order;
            std::size_t string;
        };
        std::vector<Slot> slots;
        for (std::size_t i = 0; i < distinct; ++i) slots.push_back({2 * i, i});
        for (std::size_t k = 0; k < shared; ++k) slots.push_back({2 * random.Below(distinct) + 1, random.Below(distinct)});
        std::stable_sort(slots.begin(), slots.end(), [](const Slot& a, const Slot& b) { return a.order < b.order; });

        s.tableStart = options.tableStart;
        s.tableEnd = static_cast<std::int32_t>(s.tableStart + 3 * slots.size() - 1);
        if (static_cast<std::size_t>(s.tableEnd) >= static_cast<std::size_t>(s.textStart))
            throw std::invalid_argument("too many pointers for the generator's layout");
        s.xOffset = -0x400000;
        for (std::size_t k = 0; k < slots.size(); ++k) {
            const std::uint32_t value = static_cast<std::uint32_t>(starts[slots[k].string] + 0x400000);
            const std::size_t at = static_cast<std::size_t>(s.tableStart) + 3 * k;
            job.rom[at] = static_cast<std::uint8_t>(value);
            job.rom[at + 1] = static_cast<std::uint8_t>(value >> 8);
            job.rom[at + 2] = static_cast<std::uint8_t>(value >> 16);
        }
        if (huffman) {
            s.huffTable = 0x0F0000;
            std::copy(huffmanTable.begin(), huffmanTable.end(), job.rom.begin() + s.huffTable);
        }
    }
    job.strings = distinct;
    job.textAreaBytes = textTotal;
    return job;
}

BuildJobs MakeBuildJobs(std::size_t jobs, std::size_t strings, std::size_t romBytes, std::size_t tableEntries) {
    BuildJobs build;
    // Each job's table and text area in a slice of its own; the text takes
    // about 52 bytes a string, as in the large job.
    const std::size_t pointers = strings / jobs;
    const std::size_t textBytes = pointers * 52;
    const std::size_t slice = RoundUp(textBytes * 5 / 4, 0x10000);
    for (std::size_t k = 0; k < jobs; ++k) {
        JobOptions options;
        // A seed's numbers are the next seed's, one step on: seeds far apart share none.
        options.seed = static_cast<std::uint32_t>(1 + (k << 24));
        options.tableSeed = 1;
        options.pointers = pointers;
        options.textBytes = textBytes;
        options.romBytes = romBytes;
        options.tableEntries = tableEntries;
        options.tableStart = static_cast<std::int32_t>(0x080000 + k * RoundUp(pointers * 3 + 0x100, 0x1000));
        options.textStart = static_cast<std::int32_t>(0x100000 + k * slice);
        build.originals.push_back(MakeJob(options));
        // The translation: the same layout and table, text from another seed.
        options.seed += 1u << 23;
        build.translations.push_back(MakeJob(options));
    }
    build.rom = build.originals.front().rom;
    build.tableFile = build.originals.front().tableFile;
    // A job's own bytes are its pointer table and its text area: copy each
    // into the shared image, the originals into one and the translations into the other.
    const auto place = [](std::vector<std::uint8_t>& image, const Job& job) {
        const JobSettings& s = job.settings;
        if (image.size() < job.rom.size()) throw std::invalid_argument("the jobs do not fit the ROM");
        for (const auto& [from, to] : {std::pair{s.tableStart, s.tableEnd}, std::pair{s.textStart, s.textEnd}})
            std::copy(job.rom.begin() + from, job.rom.begin() + to + 1, image.begin() + from);
    };
    for (const Job& job : build.originals) place(build.rom, job);
    build.translated = build.rom;
    for (const Job& job : build.translations) place(build.translated, job);
    return build;
}

std::vector<std::string> ExtractArguments(const Job& job) {
    const JobSettings& s = job.settings;
    auto hex = [](std::int32_t value) { return Hex(static_cast<std::uint32_t>(value)); };
    std::vector<std::string> arguments = {"--table-type", std::to_string(static_cast<int>(job.tableType)),
                                          "--text-type",  std::to_string(static_cast<int>(job.textType)),
                                          "--table-start", hex(s.tableStart), "--table-end", hex(s.tableEnd),
                                          "--text-start", hex(s.textStart),   "--text-end",  hex(s.textEnd),
                                          "--x-offset",   hex(s.xOffset)};
    if (job.textType == TextType::HuffmanV2 || IsScattered(job.tableType)) {
        arguments.push_back("--huff-table");
        arguments.push_back(hex(s.huffTable));
    }
    return arguments;
}

void WriteJobFiles(const Job& job, const std::filesystem::path& folder) {
    std::filesystem::create_directories(folder);
    SaveFileAtomically(folder / "rom.bin", job.rom);
    SaveFileAtomically(folder / "table.tbl",
                       std::span(reinterpret_cast<const std::uint8_t*>(job.tableFile.data()), job.tableFile.size()));
    std::string arguments;
    for (const std::string& argument : ExtractArguments(job)) arguments += argument + " ";
    arguments += "--rom rom.bin --table table.tbl\n";
    SaveFileAtomically(folder / "job.txt",
                       std::span(reinterpret_cast<const std::uint8_t*>(arguments.data()), arguments.size()));
}

}  // namespace quorvex::bench
