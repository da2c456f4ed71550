#include "chartable/TextTrie.h"

#include <algorithm>

namespace quorvex::tableindex {

void TextTrie::PlaceEdge(const Edge& edge) {
    std::size_t i = FirstSlot(edge.key);
    while (m_edges[i].key != 0) i = (i + 1) & m_edgeMask;
    m_edges[i] = edge;
}

std::uint32_t TextTrie::AddChild(std::uint32_t node, char16_t c) {
    if (const std::uint32_t child = Child(node, c)) return child;
    const auto child = static_cast<std::uint32_t>(m_nodes.size());
    m_nodes.emplace_back();
    if (node == 0) {
        m_rootChildren.At(c) = child;
        return child;
    }
    Node& parent = m_nodes[node];
    if (parent.firstChild == 0) {
        parent.firstChild = child;
        parent.firstCharacter = c;
        return child;
    }
    parent.moreChildren = true;
    if (2 * (m_edgeCount + 1) > m_edges.size()) {
        std::vector<Edge> old(2 * m_edges.size());
        old.swap(m_edges);
        m_edgeMask = m_edges.size() - 1;
        --m_shift;
        for (const Edge& edge : old)
            if (edge.key != 0) PlaceEdge(edge);
    }
    PlaceEdge({EdgeKey(node, c), child});
    ++m_edgeCount;
    return child;
}

void TextTrie::Add(std::u16string_view text, Value value) {
    std::uint32_t node = 0;
    const std::size_t depth = std::min(text.size(), kDepth);
    for (std::size_t i = 0; i < depth; ++i) node = AddChild(node, text[i]);
    if (text.size() <= kDepth) {
        if (m_nodes[node].value == 0) m_nodes[node].value = value;
        return;
    }
    AddLong(node, text, value);
}

void TextTrie::AddLong(std::uint32_t node, std::u16string_view text, Value value) {
    if (m_nodes[node].longTexts == 0) {
        m_longLists.emplace_back();
        m_nodes[node].longTexts = static_cast<std::uint32_t>(m_longLists.size());
    }
    m_longLists[m_nodes[node].longTexts - 1].push_back({text, value});
}

void TextTrie::Finish() {
    const auto longerFirst = [](const LongText& a, const LongText& b) { return a.text.size() > b.text.size(); };
    // The texts of one line come longest first, as they are met: nothing to sort then.
    for (auto& list : m_longLists)
        if (!std::is_sorted(list.begin(), list.end(), longerFirst)) std::stable_sort(list.begin(), list.end(), longerFirst);
}

TextTrie::Match TextTrie::Longest(std::u16string_view candidate) const {
    // Walk's steps by hand, the best so far in locals: this runs for every
    // character of a script that begins a longer text.
    Match best;
    const std::size_t most = std::min(candidate.size(), kDepth);
    if (most == 0) return best;
    std::uint32_t node = m_rootChildren.Get(candidate[0]);
    std::size_t depth = 0;
    while (node != 0) {
        ++depth;
        const Node& reached = m_nodes[node];
        if (reached.value != 0) best = Match{depth, reached.value};
        if (depth == most) break;
        node = Child(reached, node, candidate[depth]);
    }
    if (depth == kDepth && m_nodes[node].longTexts != 0) {
        LongMatches(node, candidate, [&](const Match& match) {
            best = match;
            return true;
        });
    }
    return best;
}

}  // namespace quorvex::tableindex
