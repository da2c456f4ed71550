#pragma once
// The code-page tables of the browser build, shared by the native program
// that writes them from ICU and the platform code that reads them.
//
// Layout (little-endian): u16 count of ranges of ignorable characters (each
// u32 first, u32 last: an encoder drops them when it cannot hold them); u16 page count; per page: u8 Kind, u8 name count,
// names (u8 length + bytes, the first the name ICU lists, then its aliases);
// a Machine page then holds u16 state count; per state its held bytes (u8
// length + bytes) and what the end of the input writes there (u8 count +
// UTF-16 units); per state 256 moves (u16 next state, u8 count + units);
// u32 correction count, each a u32 code point and its bytes (u8 length +
// bytes, or the length kRefused when the code page cannot hold the character).
#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace quorvex::codepages {

constexpr unsigned kRefused = 0xFF;

enum class Kind : std::uint8_t { Machine, Utf8, Utf7, Utf16, Utf16BE, Utf16LE };

// What one byte does in one state: the text it completes and the state after it.
struct Move {
    unsigned next = 0;
    std::u16string output;
};
using Moves = std::vector<std::vector<Move>>;

// The bytes of every character that one complete sequence decodes to, the
// first sequence in state and byte order winning. The encoder starts from this
// and applies the corrections, so both sides must derive it alike.
inline std::map<char32_t, std::string> ReverseOfMachine(const std::vector<std::string>& held, const Moves& moves) {
    std::map<char32_t, std::string> reverse;
    for (std::size_t state = 0; state < moves.size(); ++state) {
        for (std::size_t byte = 0; byte < moves[state].size(); ++byte) {
            const Move& move = moves[state][byte];
            if (move.next != 0 || move.output.empty() || move.output.size() > 2) continue;
            char32_t codePoint = move.output[0];
            if (move.output.size() == 2) {
                if (codePoint < 0xD800 || codePoint > 0xDBFF || move.output[1] < 0xDC00 || move.output[1] > 0xDFFF)
                    continue;
                codePoint = 0x10000 + ((codePoint - 0xD800) << 10) + (move.output[1] - 0xDC00);
            } else if (codePoint >= 0xD800 && codePoint <= 0xDFFF) {
                continue;
            }
            reverse.try_emplace(codePoint, held[state] + static_cast<char>(byte));
        }
    }
    return reverse;
}

}  // namespace quorvex::codepages
