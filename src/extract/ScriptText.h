#pragma once
// The text of a script as Extract writes it, in UTF-8: appended to a piece at
// a time, nearly always a character or a short word. Counts the script's
// length in UTF-16 units as well, the measure its limit is given in.
#include "chartable/ByteKeys.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace quorvex {

class ScriptText {
public:
    explicit ScriptText(std::u16string_view start);

    class Writer;

    // Raw writing, for the loop that decodes strings: pieces of up to
    // kPiece bytes are written from place() on, each while the place is
    // before blockEnd(). Written records the bytes up to `at` and the UTF-16
    // units they hold, and gives the place to go on from, which has room for
    // a piece at least.
    static constexpr std::size_t kPiece = tableindex::ByteKeys::kPadding;
    [[nodiscard]] char* place() noexcept { return m_block + m_used; }
    [[nodiscard]] const char* blockEnd() const noexcept { return m_block + kBlock; }
    [[nodiscard]] char* Written(char* at, std::size_t units) {
        m_used = static_cast<std::size_t>(at - m_block);
        m_units += units;
        // Room for one piece at least is left.
        if (m_used + kPiece > kBlock) {
            m_text.append(m_block, m_used);
            m_used = 0;
        }
        return place();
    }

    // A table entry's text, given in UTF-16 and UTF-8: a low surrogate at
    // its start right after a high one at the end of the text before makes
    // one character with it, as it would in the text of the whole script.
    void AppendEntryText(std::u16string_view text, std::string_view utf8);

    // The script's length in UTF-16 units.
    [[nodiscard]] std::size_t size() const noexcept { return m_units; }
    // Room for about this many bytes in all, so the result is not copied as it grows.
    void Reserve(std::size_t bytes) { m_text.reserve(bytes); }
    [[nodiscard]] std::string Take() {
        m_text.append(m_block, m_used);
        m_used = 0;
        return std::move(m_text);
    }

private:
    // Small enough for the library's copy of short blocks, which is much
    // cheaper per byte than its copy of long ones.
    static constexpr std::size_t kBlock = 2048;

    std::string m_text;
    std::size_t m_units = 0;
    // Pieces are gathered here and moved to m_text a block at a time: a
    // string's append costs several times the copy for pieces that short.
    char m_block[kBlock + kPiece];
    std::size_t m_used = 0;  // bytes of m_block in use
    // Where the last text that ended in a high surrogate ended in m_text, and that surrogate.
    std::size_t m_highEnd = std::string::npos;
    char16_t m_high = 0;
};

// Appends the pieces around the strings (pointer lines, line ends) to a
// script, holding the place it writes at in members of its own, which a
// function that keeps it on its stack can keep in registers. One writer at a
// time per script; the script is up to date once the writer is gone.
class ScriptText::Writer {
public:
    explicit Writer(ScriptText& script)
        : m_script(script),
          m_at(script.m_block + script.m_used),
          m_end(script.m_block + kBlock),
          m_units(script.m_units) {}
    Writer(const Writer&) = delete;
    Writer& operator=(const Writer&) = delete;
    ~Writer() { static_cast<void>(m_script.Written(m_at, m_units - m_script.m_units)); }

    // Characters below U+0080.
    void Append(std::string_view ascii) {
        if (ascii.size() > kPiece) {
            Write(ascii.data(), ascii.size());
        } else {
            // Short pieces, such as a line end, are not worth a call.
            if (m_at >= m_end) Flush();
            for (const char c : ascii) *m_at++ = c;
        }
        m_units += ascii.size();
    }
    // A value as upper-case hexadecimal digits, as few as it takes.
    void AppendHex(std::uint32_t value) {
        if (m_at >= m_end) Flush();
        char* const end = WriteHex(m_at, value, 1);
        m_units += static_cast<std::size_t>(end - m_at);
        m_at = end;
    }
    // Writes value as upper-case hexadecimal digits, at least minDigits (1 to
    // 8) of them, at `at`; the place after them.
    static char* WriteHex(char* at, std::uint32_t value, int minDigits) {
        int count = minDigits;
        while (count < 8 && (value >> (4 * count)) != 0) ++count;
        for (int d = count - 1; d >= 0; --d, value >>= 4) at[d] = "0123456789ABCDEF"[value & 0xF];
        return at + count;
    }
private:

    void Flush() {
        m_script.m_text.append(m_script.m_block, static_cast<std::size_t>(m_at - m_script.m_block));
        m_at = m_script.m_block;
    }
    void Write(const char* bytes, std::size_t count) {
        if (m_at >= m_end || count > static_cast<std::size_t>(m_end - m_at)) {
            Flush();
            if (count > kBlock) {
                m_script.m_text.append(bytes, count);
                return;
            }
        }
        std::memcpy(m_at, bytes, count);
        m_at += count;
    }

    ScriptText& m_script;
    char* m_at;
    char* const m_end;
    std::size_t m_units;
};

}  // namespace quorvex
