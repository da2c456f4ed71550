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

    // What a walk reads of a node at each character, together in one place:
    // a character costs about one cache line however the nodes lie. The
    // longest text ending at the node is held here, as most places of a line
    // end one text only.
    struct alignas(32) State {
        std::uint64_t childBits = 0;  // bit c % 64 set for each child's character c
        std::uint32_t fail = 0;       // the deepest proper suffix that is a node
        std::uint32_t firstChild = 0;
        TextTrie::Value value = 0;    // the longest text ending here, its own or a suffix's; 0 for none
        std::uint32_t outputs = 0;    // where the shorter ones begin in m_outputs
        char16_t firstCharacter = 0;
        std::uint8_t length = 0;       // the longest text's
        std::uint8_t outputCount = 0;  // the shorter ones'
        bool moreChildren = false;
        bool longTexts = false;
    };
    // A text that ends at a node: the node's own and those of its suffixes.
    struct Output {
        TextTrie::Value value = 0;
        std::uint32_t length = 0;
    };

    void Link();
    // The node reached from state by c: its child for c, or failing that the
    // child of its failure link's, and so on up to the root's.
    [[nodiscard]] std::uint32_t Step(std::uint32_t state, char16_t c) const {
        const std::uint64_t bit = std::uint64_t{1} << (c & 63);
        for (; state != 0; state = m_states[state].fail) {
            const State& s = m_states[state];
            // Most nodes on the way have no child for c: their bits say so without a lookup.
            if ((s.childBits & bit) == 0) continue;
            if (s.firstCharacter == c) return s.firstChild;
            if (!s.moreChildren) continue;
            if (const std::uint32_t next = m_trie.Child(m_trie.m_nodes[state], state, c)) return next;
        }
        return m_trie.m_rootChildren.Get(c);
    }
    // The texts past the trie's depth below node whose last kDepth characters
    // begin at place `at` of the line: each length's first, longest first.
    void FindLong(std::uint32_t node, std::u16string_view line, std::size_t at, std::vector<Pending>& pending) const;

    // The texts reversed, those longer than its depth below their last
    // characters' path, whole and as written.
    TextTrie m_trie;
    std::vector<State> m_states;  // by node
    // Each node's texts after its longest in a row, longest first, so that
    // reporting them follows no links: a node that ends no text shares its
    // longest suffix's row. A node at depth d has fewer than d of them.
    std::vector<Output> m_outputs;
};

template <typename Match, typename Done>
void TextMatcher::Scan(std::u16string_view line, Match&& match, Done&& done) const {
    // Texts past the trie's depth, found where they end, wait for the place where they start.
    std::vector<Pending> pending;
    // The next place where some of them start, as all start before the
    // place being read: one comparison a place instead of a look at the list.
    std::size_t nextStart = line.size();
    const auto findNext = [&] {
        nextStart = line.size();
        for (const Pending& p : pending)
            if (nextStart == line.size() || p.start > nextStart) nextStart = p.start;
    };
    std::uint32_t state = 0;
    for (std::size_t i = line.size(); i-- > 0;) {
        state = Step(state, line[i]);
        if (i == nextStart) {
            // Found longest first: the longer, the sooner its end is read.
            for (const Pending& p : pending)
                if (p.start == i) match(p.match.length, p.match.value);
            std::erase_if(pending, [&](const Pending& p) { return p.start == i; });
            findNext();
        }
        const State& s = m_states[state];
        // Only a node at the trie's full depth holds longer texts: no suffix of one does.
        if (s.longTexts) {
            FindLong(state, line, i, pending);
            findNext();
        }
        if (s.value != 0) {
            match(std::size_t{s.length}, s.value);
            // Counted, not bounded by pointers: a place with no more texts reads nothing of the rows.
            for (std::uint32_t k = 0; k < s.outputCount; ++k)
                match(std::size_t{m_outputs[s.outputs + k].length}, m_outputs[s.outputs + k].value);
        }
        done(i);
    }
}

}  // namespace quorvex::tableindex
