#include "LiteralAlgorithms.h"

#include "job/Script.h"
#include "platform/Numbers.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <vector>

namespace quorvex::bench::literal {
namespace {

using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

[[noreturn]] void Fail(const char* what) {
    throw std::runtime_error(std::string(what) + ": " + std::strerror(errno));
}

std::u16string Hex(std::int64_t value) {
    return FormatHex(static_cast<std::int32_t>(static_cast<std::uint32_t>(value)));
}

std::u16string Widen(const char* ascii) {
    return std::u16string(ascii, ascii + std::strlen(ascii));
}

// Reads one value of up to four bytes, each byte through its own seek and read.
std::uint32_t ReadValue(UnbufferedFile& rom, std::int64_t offset, int width, bool bigEndian) {
    std::uint8_t io[4] = {0, 0, 0, 0};
    rom.Seek(offset);
    rom.Read(io, static_cast<std::size_t>(width));
    std::uint32_t value = 0;
    for (int i = 0; i < width; ++i) {
        const int at = bigEndian ? i : width - 1 - i;
        value = (value << 8) | io[at];
    }
    return value;
}

class Extractor {
public:
    Extractor(const std::filesystem::path& romPath, std::u16string_view table, JobSettings settings,
              TableType tableType, TextType textType)
        : m_rom(romPath, false), m_table(table), m_s(settings), m_tableType(tableType), m_textType(textType) {}

    void ReadPointerTable() {
        if (IsScattered(m_tableType)) {
            CutScatteredText();
            return;
        }
        const int width = m_tableType == TableType::Regular2 ? 2 : (m_tableType == TableType::Regular3 ? 3 : 4);
        if (m_s.tableStart >= 0 && m_s.tableEnd > 0) {
            for (std::int64_t pos = m_s.tableStart; pos < m_s.tableEnd; pos += width)
                m_entries.push_back({static_cast<std::int32_t>(ReadValue(m_rom, pos, width, false)),
                                     static_cast<std::int32_t>(pos)});
        } else {
            m_entries.push_back({m_s.textStart, -1});
        }
        ExchangeSort(m_entries);
        if (m_s.tableStart >= 0 && m_s.tableEnd > 0 && !m_entries.empty()) {
            if (m_s.xOffset == 0 && m_s.tableStart != 0 && m_s.textStart != 0)
                m_s.xOffset = m_s.textStart - m_entries.front().address;
            for (PointerEntry& entry : m_entries)
                entry.address = static_cast<std::int32_t>(static_cast<std::uint32_t>(entry.address) +
                                                          static_cast<std::uint32_t>(m_s.xOffset));
        }
    }

    [[nodiscard]] std::size_t EntryCount() const { return m_entries.size(); }

    std::u16string Decode(std::size_t limit) {
        std::u16string out = WriteScriptHeader(m_s, m_tableType, m_textType);
        const int scatteredWidth = m_tableType == TableType::Scattered2 ? 2 : (m_tableType == TableType::Scattered4 ? 4 : 0);
        if (scatteredWidth != 0) {
            m_image.resize(static_cast<std::size_t>(m_rom.Size()) + 1, 0);
            m_rom.Seek(0);
            m_rom.Read(m_image.data(), m_image.size());
        }
        std::vector<std::uint16_t> decoded;
        for (std::size_t i = 0; i < m_entries.size() && i < limit; ++i) {
            const PointerEntry& entry = m_entries[i];
            const std::int64_t start = entry.address;
            const bool hasNext = i + 1 < m_entries.size();
            const std::int64_t end = hasNext ? m_entries[i + 1].address : static_cast<std::int64_t>(m_s.textEnd) + 1;
            if (start == end && hasNext) {
                out += Hex(entry.location) + u" r" + Hex(m_entries[i + 1].location) + u"\r\n";
                continue;
            }
            if (end < start && end != 0 && m_s.textEnd != 0) {
                out += u"Error: Start is greater than end (start==" + Hex(start) + u")";
                break;
            }
            if (entry.location != -1) out += scatteredWidth != 0 ? ScatteredHeader(entry, scatteredWidth) : Hex(entry.location) + u"\r\n";
            const std::int64_t length = end - start;
            decoded.clear();
            if (m_textType == TextType::HuffmanV2) {
                DecodeHuffmanV2(start, decoded);
            } else if (m_s.textEnd != 0 && length <= 0xFFFF) {
                std::vector<std::uint8_t> io(static_cast<std::size_t>(std::max<std::int64_t>(length, 0)));
                m_rom.Seek(start);
                io.resize(m_rom.Read(io.data(), io.size()));
                decoded.assign(io.begin(), io.end());
            } else {
                out += u"0x" + Hex(start) + u"\r\n";
                continue;
            }
            AppendDecodedText(out, decoded);
        }
        return out;
    }

private:
    void CutScatteredText() {
        const int length = m_s.commandLength;
        const std::uint32_t command = static_cast<std::uint32_t>(m_s.huffTable);
        std::int64_t pos = m_s.textStart;
        while (pos <= m_s.textEnd) {
            m_entries.push_back({static_cast<std::int32_t>(pos), 0});
            std::uint8_t window[6] = {0, 0, 0, 0, 0, 0};
            for (;;) {
                const std::int64_t p = pos;
                m_rom.Seek(p);
                m_rom.Read(window, static_cast<std::size_t>(length));
                std::uint32_t value = window[0] | window[1] << 8 | window[2] << 16 | static_cast<std::uint32_t>(window[3]) << 24;
                bool ends = false;
                if (value == command) {
                    m_rom.Seek(p + length);
                    m_rom.Read(window + length, 1);
                    std::uint8_t next[4] = {0, 0, 0, 0};
                    std::copy(window + 1, window + 1 + length, next);
                    value = next[0] | next[1] << 8 | next[2] << 16 | static_cast<std::uint32_t>(next[3]) << 24;
                    ends = value != command;
                }
                if (ends) {
                    pos = p + length;
                    break;
                }
                pos = p + 1;
                if (pos > m_s.textEnd) break;
            }
        }
    }

    std::u16string ScatteredHeader(const PointerEntry& entry, int width) {
        const std::int64_t value = static_cast<std::int64_t>(entry.address) - m_s.xOffset;
        std::u16string line;
        const std::int64_t size = m_rom.Size();
        const std::int64_t last = m_s.tableEnd == 0 ? size - 1 : m_s.tableEnd;
        int found = 0;
        for (std::int64_t q = std::max<std::int64_t>(m_s.tableStart, 0); q <= last && q + width <= size && found < 5; ++q) {
            if (q >= m_s.textStart && q < m_s.textEnd) continue;
            bool equal = true;
            for (int b = 0; b < width && equal; ++b)
                equal = m_image[static_cast<std::size_t>(q + b)] == static_cast<std::uint8_t>(value >> (8 * b));
            if (!equal) continue;
            line += Hex(q) + u" ";
            ++found;
        }
        return line + u"(" + Hex(value) + u")\r\n";
    }

    std::optional<int> ReadBit(std::uint32_t& current, int& bitsLeft, std::int64_t& next) {
        if (--bitsLeft < 0) {
            std::uint8_t io = 0;
            m_rom.Seek(next);
            if (m_rom.Read(&io, 1) == 0) return std::nullopt;
            current = io;
            ++next;
            bitsLeft = 7;
        }
        const int bit = static_cast<int>((current >> 7) & 1u);
        current = (current << 1) & 0xFFu;
        return bit;
    }

    void DecodeHuffmanV2(std::int64_t start, std::vector<std::uint16_t>& decoded) {
        std::uint32_t current = 0;
        int bitsLeft = 0;
        std::int64_t next = start;
        auto bits = [&](int count) -> std::optional<int> {
            int value = 0;
            for (int k = 0; k < count; ++k) {
                const auto bit = ReadBit(current, bitsLeft, next);
                if (!bit) return std::nullopt;
                value = (value << 1) | *bit;
            }
            return value;
        };
        for (;;) {
            const auto first = bits(1);
            if (!first) return;
            int base = 0;
            int valueBits = 3;
            if (*first == 1) {
                const auto second = bits(1);
                if (!second) return;
                base = *second == 0 ? 8 : 16;
                valueBits = *second == 0 ? 3 : 5;
            }
            const auto v = bits(valueBits);
            if (!v) return;
            const int index = base + *v;
            std::uint8_t io = 0;
            m_rom.Seek(static_cast<std::int64_t>(m_s.huffTable) + index);
            if (m_rom.Read(&io, 1) == 0) return;
            decoded.push_back(io);
            if (index == 10) return;
        }
    }

    void AppendDecodedText(std::u16string& out, std::span<const std::uint16_t> bytes) {
        std::size_t p = 0;
        char escape[8];
        while (p < bytes.size()) {
            if (const auto match = LookupBytes(m_table, bytes, p)) {
                out += match->text;
                p += static_cast<std::size_t>(match->byteCount);
                continue;
            }
            std::snprintf(escape, sizeof escape, "<%02X>", bytes[p]);
            out += Widen(escape);
            ++p;
        }
        out += u"\r\n";
    }

    UnbufferedFile m_rom;
    std::u16string_view m_table;
    JobSettings m_s;
    TableType m_tableType;
    TextType m_textType;
    std::vector<PointerEntry> m_entries;
    std::vector<std::uint8_t> m_image;
};

int HexDigit(char16_t c) {
    if (c >= u'0' && c <= u'9') return c - u'0';
    if (c >= u'a' && c <= u'f') return c - u'a' + 10;
    if (c >= u'A' && c <= u'F') return c - u'A' + 10;
    return -1;
}

class Inserter {
public:
    Inserter(const std::filesystem::path& romPath, std::u16string_view table, std::int32_t longest,
             std::u16string_view script, const ScriptHeader& header, bool write)
        : m_table(table), m_longest(longest), m_script(script), m_header(header), m_write(write) {
        if (write || header.textType == TextType::HuffmanV2) m_rom = std::make_unique<UnbufferedFile>(romPath, write);
        m_writePosition = header.job.textStart;
    }

    Insertion Run(std::size_t pos, std::size_t limit) {
        Insertion result;
        const BodyLayout layout = ReadBodyLayout(m_header);
        const int width = m_header.tableType == TableType::Regular2 || m_header.tableType == TableType::Scattered2
                              ? 2
                              : (m_header.tableType == TableType::Regular3 ? 3 : 4);
        while (pos < m_script.size() && result.blocksDone < limit) {
            ++result.blocksDone;
            if (layout == BodyLayout::PointerLines) {
                const PointerLine line = ParsePointerLine(m_script, pos);
                pos = line.next;
                if (line.offset && line.kind == PointerLineKind::Repeat && line.second) {
                    // The entry takes the bytes the named entry holds now.
                    if (m_write) {
                        std::uint8_t io[4];
                        Rom().Seek(*line.second);
                        Rom().Read(io, static_cast<std::size_t>(width));
                        Rom().Seek(*line.offset);
                        Rom().Write(io, static_cast<std::size_t>(width));
                    }
                    continue;
                }
                if (line.offset) {
                    if (line.kind == PointerLineKind::Move && line.second) m_writePosition = *line.second;
                    if (m_write) {
                        const std::uint32_t v = static_cast<std::uint32_t>(m_writePosition - m_header.job.xOffset);
                        std::uint8_t io[4] = {static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8),
                                              static_cast<std::uint8_t>(v >> 16), static_cast<std::uint8_t>(v >> 24)};
                        Rom().Seek(*line.offset);
                        Rom().Write(io, static_cast<std::size_t>(width));
                    }
                }
            }
            if (!WriteString(pos, result)) {
                result.stoppedAtUnknown = true;
                break;
            }
            pos = NextLineStart(m_script, pos);
        }
        result.writePosition = m_writePosition;
        return result;
    }

private:
    UnbufferedFile& Rom() { return *m_rom; }

    bool WriteString(std::size_t cursor, Insertion& result) {
        const bool huffman = m_header.textType == TextType::HuffmanV2;
        if (!huffman && m_write) Rom().Seek(m_writePosition);
        std::uint32_t byte = 0;
        int position = 8;
        std::int64_t offset = m_writePosition;
        auto writeBit = [&](int bit) {
            if (--position < 0) {
                if (m_write) {
                    const auto io = static_cast<std::uint8_t>(byte);
                    Rom().Seek(offset);
                    Rom().Write(&io, 1);
                }
                ++result.textBytes;
                byte = 0;
                ++offset;
                position = 7;
            }
            byte |= static_cast<std::uint32_t>(bit) << position;
        };
        auto emit = [&](int value, int count) {
            for (int b = count - 1; b >= 0; --b) writeBit((value >> b) & 1);
        };

        while (cursor < m_script.size() && m_script[cursor] != u'\r') {
            std::uint8_t bytes[3] = {0, 0, 0};
            int count = 0;
            if (m_script[cursor] == u'<' && cursor + 3 < m_script.size() && m_script[cursor + 3] == u'>') {
                int value = 0;
                for (std::size_t i = cursor + 1; i < cursor + 3 && HexDigit(m_script[i]) >= 0; ++i)
                    value = value * 16 + HexDigit(m_script[i]);
                bytes[0] = static_cast<std::uint8_t>(value);
                count = 1;
                cursor += 4;
            } else {
                const TextMatch match = LookupText(m_table, m_script, cursor, m_longest);
                if (match.length == 0) return false;
                std::copy(match.bytes, match.bytes + 3, bytes);
                count = match.byteCount;
                cursor += static_cast<std::size_t>(match.length);
            }
            if (!huffman) {
                if (m_write && count > 0) Rom().Write(bytes, static_cast<std::size_t>(count));
                m_writePosition += count;
                result.textBytes += count;
                continue;
            }
            if (count == 0) continue;
            // The index is the value's position in the code table, read a byte at a time.
            int index = -1;
            for (int i = 0; i < 48; ++i) {
                std::uint8_t io = 0;
                Rom().Seek(static_cast<std::int64_t>(m_header.job.huffTable) + i);
                if (Rom().Read(&io, 1) == 0) break;
                if (io == bytes[0]) {
                    index = i;
                    break;
                }
            }
            if (index < 0) return false;
            if (index < 8) {
                emit(0, 1);
                emit(index, 3);
            } else if (index < 16) {
                emit(0b10, 2);
                emit(index - 8, 3);
            } else {
                emit(0b11, 2);
                emit(index - 16, 5);
            }
        }
        if (huffman) {
            position = 0;
            writeBit(0);
            m_writePosition = offset;
        }
        return true;
    }

    std::unique_ptr<UnbufferedFile> m_rom;
    std::u16string_view m_table;
    std::int32_t m_longest;
    std::u16string_view m_script;
    const ScriptHeader& m_header;
    bool m_write;
    std::int64_t m_writePosition = 0;
};

std::size_t CountBlocks(std::u16string_view script, std::size_t pos, BodyLayout layout) {
    std::size_t blocks = 0;
    while (pos < script.size()) {
        ++blocks;
        if (layout == BodyLayout::PointerLines) {
            const PointerLine line = ParsePointerLine(script, pos);
            pos = line.next;
            if (line.offset && line.kind == PointerLineKind::Repeat) continue;
        }
        pos = NextLineStart(script, pos);
    }
    return blocks;
}

}  // namespace

UnbufferedFile::UnbufferedFile(const std::filesystem::path& path, bool writable) {
    m_fd = ::open(path.c_str(), writable ? O_RDWR : O_RDONLY);
    if (m_fd < 0) Fail("open");
}

UnbufferedFile::~UnbufferedFile() {
    if (m_fd >= 0) ::close(m_fd);
}

void UnbufferedFile::Seek(std::int64_t offset) {
    if (::lseek(m_fd, static_cast<off_t>(offset), SEEK_SET) < 0) Fail("seek");
}

std::size_t UnbufferedFile::Read(std::uint8_t* buffer, std::size_t count) {
    std::size_t done = 0;
    while (done < count) {
        const ssize_t got = ::read(m_fd, buffer + done, count - done);
        if (got < 0) Fail("read");
        if (got == 0) break;
        done += static_cast<std::size_t>(got);
    }
    return done;
}

void UnbufferedFile::Write(const std::uint8_t* bytes, std::size_t count) {
    if (::write(m_fd, bytes, count) != static_cast<ssize_t>(count)) Fail("write");
}

std::int64_t UnbufferedFile::Size() const {
    struct stat info {};
    if (::fstat(m_fd, &info) != 0) Fail("stat");
    return info.st_size;
}

void ExchangeSort(std::span<PointerEntry> entries) {
    const std::size_t count = entries.size();
    for (std::size_t i = 0; i + 1 < count; ++i)
        for (std::size_t j = i + 1; j < count; ++j)
            if (entries[j].address < entries[i].address) std::swap(entries[i], entries[j]);
}

Extraction Extract(const std::filesystem::path& romPath, std::u16string_view framedTable, JobSettings settings,
                   TableType tableType, TextType textType, std::size_t stringLimit) {
    Extraction result;
    auto started = Clock::now();
    Extractor extractor(romPath, framedTable, settings, tableType, textType);
    extractor.ReadPointerTable();
    result.tableSeconds = SecondsSince(started);
    result.stringsTotal = extractor.EntryCount();
    result.stringsDecoded = std::min(stringLimit, result.stringsTotal);
    started = Clock::now();
    result.script = extractor.Decode(stringLimit);
    result.decodeSeconds = SecondsSince(started);
    return result;
}

Insertion Insert(const std::filesystem::path& romPath, std::u16string_view framedTable, std::int32_t longestTextLength,
                 std::u16string_view script, bool write, std::size_t blockLimit) {
    const auto header = ReadScriptHeader(script);
    const auto body = header ? FindScriptBody(script) : std::nullopt;
    if (!header || !body) throw std::invalid_argument("not a script");
    const std::size_t blocks = CountBlocks(script, *body, ReadBodyLayout(*header));
    const auto started = Clock::now();
    Inserter inserter(romPath, framedTable, longestTextLength, script, *header, write);
    Insertion result = inserter.Run(*body, blockLimit);
    result.seconds = SecondsSince(started);
    result.blocksTotal = blocks;
    return result;
}

}  // namespace quorvex::bench::literal
