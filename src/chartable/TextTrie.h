#pragma once
// The entry texts of a table in a trie, for the reverse lookup's longest
// match: a lookup walks the script's characters down from the root and
// touches only the texts that share what it has read so far.
#include "chartable/PagedMap.h"

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace quorvex::tableindex {

class TextTrie {
public:
    // What a text stands for: any 32-bit value other than 0, which stands for none.
    using Value = std::uint32_t;
    // Texts longer than this are kept whole below their first kDepth
    // characters, so a table of very long texts (a line of a million "=")
    // costs no more than kDepth nodes per text. Most entry texts are shorter.
    static constexpr std::size_t kDepth = 16;

    // Adds a text (not empty, no CR) unless it is already there: the first value
    // given for a text is the one it keeps. The text must stay where it is
    // while the trie is used.
    void Add(std::u16string_view text, Value value);
    // Orders what Add left unordered; call once after the last Add.
    void Finish();

    // The value of the longest text that the start of `candidate` spells
    // (0 if none) and its length; never past a CR.
    struct Match {
        std::size_t length = 0;
        Value value = 0;
    };
    [[nodiscard]] Match Longest(std::u16string_view candidate) const;
    // Calls found(match) for every text that the start of `candidate`
    // spells, shortest first; never past a CR.
    template <typename Found>
    void All(std::u16string_view candidate, Found&& found) const;

    // The value of the text that is c alone (0 if none), when no longer text
    // begins with c; no value's place is touched otherwise.
    [[nodiscard]] bool OnlySingle(char16_t c, Value& value) const {
        const std::uint32_t node = m_rootChildren.Get(c);
        if (node == 0) {
            value = 0;
            return true;
        }
        if (m_nodes[node].firstChild != 0) return false;
        value = m_nodes[node].value;
        return true;
    }

private:
    friend class TextMatcher;

    struct Node {
        Value value = 0;
        std::uint32_t longTexts = 0;  // 1 + index into m_longLists, 0 for none
        // The child added first, read without hashing: below the first few
        // characters most nodes have one child only, a word's next letter.
        std::uint32_t firstChild = 0;  // 0 for none
        char16_t firstCharacter = 0;
        bool moreChildren = false;  // others, in m_edges
    };
    // A text longer than kDepth: where it lies and what it stands for.
    struct LongText {
        std::u16string_view text;
        Value value = 0;
    };
    struct Edge {
        std::uint64_t key = 0;  // parent << 16 | character, 0 for an empty slot
        std::uint32_t child = 0;
    };

    // Keeps a text longer than kDepth, whole, below the node its first kDepth
    // characters (or, for the matcher, its last ones reversed) lead to.
    void AddLong(std::uint32_t node, std::u16string_view text, Value value);

    [[nodiscard]] static std::uint64_t EdgeKey(std::uint32_t parent, char16_t c) {
        return (static_cast<std::uint64_t>(parent) << 16) | c;
    }
    [[nodiscard]] std::size_t FirstSlot(std::uint64_t key) const {
        return static_cast<std::size_t>((key * 0x9E3779B97F4A7C15ULL) >> m_shift);
    }
    // The node below `node` for c; 0 for none (the root is nobody's child).
    [[nodiscard]] std::uint32_t Child(std::uint32_t node, char16_t c) const {
        if (node == 0) return m_rootChildren.Get(c);
        return Child(m_nodes[node], node, c);
    }
    // The same below `parent`, node number `node` (not the root).
    [[nodiscard]] std::uint32_t Child(const Node& parent, std::uint32_t node, char16_t c) const {
        // A node without children has first character 0 and first child 0:
        // a match on it gives 0, which is the answer.
        if (parent.firstCharacter == c) return parent.firstChild;
        if (!parent.moreChildren) return 0;
        const std::uint64_t key = EdgeKey(node, c);
        for (std::size_t i = FirstSlot(key);; i = (i + 1) & m_edgeMask) {
            if (m_edges[i].key == key) return m_edges[i].child;
            if (m_edges[i].key == 0) return 0;
        }
    }
    std::uint32_t AddChild(std::uint32_t node, char16_t c);
    void PlaceEdge(const Edge& edge);
    // The node that the first characters of candidate (at most kDepth, up to
    // a CR) lead to, calling reached(match) for each text on the way.
    template <typename Reached>
    std::uint32_t Walk(std::u16string_view candidate, std::size_t& depth, Reached&& reached) const;
    // The long texts below a node of depth kDepth that candidate spells,
    // longest first, until found(match) returns true.
    template <typename Found>
    void LongMatches(std::uint32_t node, std::u16string_view candidate, Found&& found) const;

    std::vector<Node> m_nodes = std::vector<Node>(1);  // the root is node 0
    PagedMap m_rootChildren;  // the root's children by character: a table has thousands
    // The other edges below the root, by open addressing; never more than half full.
    std::vector<Edge> m_edges = std::vector<Edge>(16);
    std::size_t m_edgeMask = 15;
    int m_shift = 60;
    std::size_t m_edgeCount = 0;
    std::vector<std::vector<LongText>> m_longLists;  // longest first after Finish, first added first among equals
};

template <typename Reached>
std::uint32_t TextTrie::Walk(std::u16string_view candidate, std::size_t& depth, Reached&& reached) const {
    std::uint32_t node = 0;
    const std::size_t most = candidate.size() < kDepth ? candidate.size() : kDepth;
    for (depth = 0; depth < most; ++depth) {
        const char16_t c = candidate[depth];
        if (c == u'\r') break;
        const std::uint32_t child = Child(node, c);
        if (child == 0) break;
        node = child;
        if (m_nodes[node].value != 0) reached(Match{depth + 1, m_nodes[node].value});
    }
    return node;
}

template <typename Found>
void TextTrie::LongMatches(std::uint32_t node, std::u16string_view candidate, Found&& found) const {
    const std::vector<LongText>& list = m_longLists[m_nodes[node].longTexts - 1];
    // Texts longer than the candidate cannot match; the list is longest first.
    std::size_t first = 0;
    for (std::size_t count = list.size(); count > 0;) {
        const std::size_t half = count / 2;
        if (list[first + half].text.size() > candidate.size()) {
            first += half + 1;
            count -= half + 1;
        } else {
            count = half;
        }
    }
    for (std::size_t i = first; i < list.size(); ++i) {
        const std::u16string_view text = list[i].text;
        // The first kDepth characters are the path to node. A table text
        // holds no CR, so a match never passes one.
        if (candidate.substr(kDepth, text.size() - kDepth) == text.substr(kDepth) &&
            found(Match{text.size(), list[i].value}))
            return;
    }
}

template <typename Found>
void TextTrie::All(std::u16string_view candidate, Found&& found) const {
    std::size_t depth = 0;
    const std::uint32_t node = Walk(candidate, depth, found);
    if (depth != kDepth || m_nodes[node].longTexts == 0) return;
    // Longest first, and the first text of each length only: gathered, then given shortest first.
    std::vector<Match> longer;
    LongMatches(node, candidate, [&](const Match& match) {
        if (longer.empty() || longer.back().length != match.length) longer.push_back(match);
        return false;
    });
    for (auto match = longer.rbegin(); match != longer.rend(); ++match) found(*match);
}

}  // namespace quorvex::tableindex
