#pragma once
// Every table text that occurs anywhere in a line, in one pass over it from
// its end. The texts are held reversed in a trie with failure links (where a
// walk that cannot go on resumes: the deepest node that is also a suffix of
// the text read) and output links (the deepest such node that ends a text),
// so each character costs about one trie step however many entries overlap
// there. Read backwards, the matches that start at a place come out together
// and longest first, which is the order a cover worked out from the line's
// end takes them in; a walk from every place would read each character many
// times over.
#include "chartable/TextTrie.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace quorvex::tableindex {

class TextMatcher {
public:
    struct Entry {
        std::u16string_view text;  // not empty, no CR
        TextTrie::Value value = 0;  // not 0; a text given twice keeps its first value
    };
    // The texts longer than TextTrie::kDepth must outlive the matcher.
    explicit TextMatcher(std::span<const Entry> entries);

    // What TextTrie::All gives at every place of line (which holds no CR),
    // place by place from the line's last to its first: for each place i,
    // calls match(length, value) for each text that starts there, longest
    // first, then done(i).
    template <typename Match, typename Done>
    void Scan(std::u16string_view line, Match&& match, Done&& done) const;

private:
    // A text longer than the trie's depth, found from where its end lies.
    struct Pending {
        std::size_t start = 0;
        TextTrie::Match match;
    };

    void Link();
    // The node reached from state by c: its child for c, or failing that the
    // child of its failure link's, and so on up to the root's.
    [[nodiscard]] std::uint32_t Step(std::uint32_t state, char16_t c) const {
        const std::uint64_t bit = std::uint64_t{1} << (c & 63);
        for (; state != 0; state = m_fail[state]) {
            // Most nodes on the way have no child for c: their bits say so without a lookup.
            if ((m_childBits[state] & bit) == 0) continue;
            if (const std::uint32_t next = m_trie.Child(m_trie.m_nodes[state], state, c)) return next;
        }
        return m_trie.m_rootChildren.Get(c);
    }
    [[nodiscard]] bool Reports(std::uint32_t node) const {
        return m_trie.m_nodes[node].value != 0 || m_trie.m_nodes[node].longTexts != 0;
    }
    // The texts past the trie's depth below node whose last kDepth characters
    // begin at place `at` of the line: each length's first, longest first.
    void FindLong(std::uint32_t node, std::u16string_view line, std::size_t at, std::vector<Pending>& pending) const;

    // The texts reversed, those longer than its depth below their last
    // characters' path, whole and as written.
    TextTrie m_trie;
    std::vector<std::uint32_t> m_fail;    // by node: the deepest proper suffix that is a node
    std::vector<std::uint32_t> m_output;  // by node: the deepest proper suffix that ends a text, 0 for none
    std::vector<std::uint32_t> m_firstOutput;  // by node: the node itself when it ends a text, else m_output
    std::vector<std::uint8_t> m_depth;
    std::vector<std::uint64_t> m_childBits;  // by node: bit c % 64 set for each child's character c
};

template <typename Match, typename Done>
void TextMatcher::Scan(std::u16string_view line, Match&& match, Done&& done) const {
    // Texts past the trie's depth, found where they end, wait for the place where they start.
    std::vector<Pending> pending;
    std::uint32_t state = 0;
    for (std::size_t i = line.size(); i-- > 0;) {
        state = Step(state, line[i]);
        if (!pending.empty()) {
            // Found longest first: the longer, the sooner its end is read.
            for (const Pending& p : pending)
                if (p.start == i) match(p.match.length, p.match.value);
            std::erase_if(pending, [&](const Pending& p) { return p.start == i; });
        }
        for (std::uint32_t node = m_firstOutput[state]; node != 0; node = m_output[node]) {
            const TextTrie::Node& n = m_trie.m_nodes[node];
            if (n.value != 0) match(std::size_t{m_depth[node]}, n.value);
            if (n.longTexts != 0) FindLong(node, line, i, pending);
        }
        done(i);
    }
}

}  // namespace quorvex::tableindex
