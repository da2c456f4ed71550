#pragma once
// The text of a script as Extract writes it: appended to a piece at a time,
// nearly always a character or a short word. A plain buffer, because a
// string's append costs several times the copy for pieces that short.
#include <algorithm>
#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

namespace quorvex {

class ScriptText {
public:
    explicit ScriptText(std::u16string_view start) { Append(start); }

    void Append(std::u16string_view piece) {
        char16_t* at = Room(piece.size());
        // Most pieces are one character: no loop set up for them.
        if (piece.size() == 1) *at = piece[0];
        else std::copy(piece.begin(), piece.end(), at);
        m_size += piece.size();
    }
    void Append(char16_t c) {
        *Room(1) = c;
        ++m_size;
    }
    [[nodiscard]] std::size_t size() const noexcept { return m_size; }
    [[nodiscard]] std::u16string Text() const { return std::u16string(m_data.get(), m_size); }

private:
    // Where n more characters go.
    char16_t* Room(std::size_t n) {
        if (m_capacity - m_size < n) {
            m_capacity = std::max(2 * m_capacity, m_size + n + 4096);
            auto grown = std::make_unique_for_overwrite<char16_t[]>(m_capacity);
            std::copy(m_data.get(), m_data.get() + m_size, grown.get());
            m_data = std::move(grown);
        }
        return m_data.get() + m_size;
    }

    std::unique_ptr<char16_t[]> m_data;
    std::size_t m_size = 0;
    std::size_t m_capacity = 0;
};

}  // namespace quorvex
