#include "chartable/TextMatcher.h"

#include <algorithm>

namespace quorvex::tableindex {

TextMatcher::TextMatcher(std::span<const Entry> entries) {
    for (const Entry& entry : entries) {
        // A text's last kDepth characters, reversed, are its path in the trie.
        char16_t path[TextTrie::kDepth];
        const std::size_t depth = std::min(entry.text.size(), TextTrie::kDepth);
        std::reverse_copy(entry.text.end() - static_cast<std::ptrdiff_t>(depth), entry.text.end(), path);
        if (entry.text.size() <= TextTrie::kDepth) {
            m_trie.Add(std::u16string_view(path, depth), entry.value);
            continue;
        }
        // A longer one waits below its path, whole and as written (the trie
        // would keep a view of the reversed copy), for FindLong to compare.
        std::uint32_t node = 0;
        for (const char16_t c : path) node = m_trie.AddChild(node, c);
        m_trie.AddLong(node, entry.text, entry.value);
    }
    m_trie.Finish();
    Link();
}

void TextMatcher::Link() {
    const std::size_t count = m_trie.m_nodes.size();
    m_states.assign(count, State());
    // Each node's parent and the character leading to it; the root's
    // children keep parent 0. A child is always added after its parent.
    std::vector<std::uint32_t> parent(count, 0);
    std::vector<char16_t> character(count, 0);
    for (std::uint32_t node = 1; node < count; ++node) {
        const TextTrie::Node& n = m_trie.m_nodes[node];
        State& state = m_states[node];
        state.firstChild = n.firstChild;
        state.firstCharacter = n.firstCharacter;
        state.moreChildren = n.moreChildren;
        state.longTexts = n.longTexts != 0;
        if (n.firstChild != 0) {
            parent[n.firstChild] = node;
            character[n.firstChild] = n.firstCharacter;
        }
    }
    for (const TextTrie::Edge& edge : m_trie.m_edges) {
        if (edge.key == 0) continue;
        parent[edge.child] = static_cast<std::uint32_t>(edge.key >> 16);
        character[edge.child] = static_cast<char16_t>(edge.key & 0xFFFF);
    }
    for (std::uint32_t node = 1; node < count; ++node)
        m_states[parent[node]].childBits |= std::uint64_t{1} << (character[node] & 63);
    // Shallower nodes first, as a node's links lead to shallower ones.
    std::vector<std::uint8_t> depth(count, 0);
    std::vector<std::vector<std::uint32_t>> byDepth(TextTrie::kDepth + 1);
    for (std::uint32_t node = 1; node < count; ++node) {
        depth[node] = static_cast<std::uint8_t>(depth[parent[node]] + 1);
        byDepth[depth[node]].push_back(node);
    }
    for (const auto& level : byDepth) {
        for (const std::uint32_t node : level) {
            State& state = m_states[node];
            // A single character's only proper suffix is the empty one.
            if (parent[node] != 0) state.fail = Step(m_states[parent[node]].fail, character[node]);
            const State& suffix = m_states[state.fail];
            state.value = suffix.value;
            state.length = suffix.length;
            state.outputs = suffix.outputs;
            state.outputCount = suffix.outputCount;
            const TextTrie::Value value = m_trie.m_nodes[node].value;
            if (value == 0) continue;
            // Its own text first, then its suffix's longest and that one's
            // row: copied, as the row ends where others begin.
            state.value = value;
            state.length = depth[node];
            state.outputs = static_cast<std::uint32_t>(m_outputs.size());
            state.outputCount = 0;
            if (suffix.value == 0) continue;
            m_outputs.push_back({suffix.value, suffix.length});
            for (std::uint32_t k = 0; k < suffix.outputCount; ++k) {
                const Output output = m_outputs[suffix.outputs + k];
                m_outputs.push_back(output);
            }
            state.outputCount = static_cast<std::uint8_t>(suffix.outputCount + 1);
        }
    }
}

void TextMatcher::FindLong(std::uint32_t node, std::u16string_view line, std::size_t at,
                           std::vector<Pending>& pending) const {
    const std::size_t end = at + TextTrie::kDepth;  // where the texts end
    const std::size_t before = pending.size();
    for (const TextTrie::LongText& longText : m_trie.m_longLists[m_trie.m_nodes[node].longTexts - 1]) {
        const std::u16string_view text = longText.text;
        if (text.size() > end) continue;
        if (pending.size() > before && pending.back().match.length == text.size()) continue;
        // Its last kDepth characters are the path to node.
        const std::size_t start = end - text.size();
        if (line.substr(start, text.size() - TextTrie::kDepth) == text.substr(0, text.size() - TextTrie::kDepth))
            pending.push_back({start, {text.size(), longText.value}});
    }
}

}  // namespace quorvex::tableindex
