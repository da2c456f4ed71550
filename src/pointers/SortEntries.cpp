#include "pointers/PointerTable.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <deque>
#include <numeric>

// Which of several pointers to one string comes first decides how scripts
// read, and existing scripts were made with a plain exchange sort:
//
//   for i < j: if entry j's address < entry i's address, swap them.
//
// This file computes that sort's exact permutation without its quadratic cost.
//
// Pass i of the exchange sort carries a "hand" from slot i to the end: at every
// slot holding a smaller address than the hand, hand and slot are swapped, and
// the hand's final content lands in slot i. Seen with a threshold v, where
// "small" means address < v, one pass moves the first small slot's content to
// slot i and puts a non-small entry in its place; every other slot stays small
// or non-small. So during passes k = 0 .. c-1 (c = entries smaller than v) the
// first small slot of pass k is s_k, the k-th smallest original position of a
// smaller entry, whatever else happens.
//
// Among entries of address exactly v only the leftmost can move in a pass (any
// other is not below the hand), and it moves exactly when it lies before s_k:
// it then goes to slot s_k. Once every smaller entry is out, the v entries no
// longer move and leave in slot order. Hence, for one address v with original
// slots p_0 < ... < p_{m-1}:
//
// * Moves start at pass k* = (smaller entries before p_0) and happen in every
//   pass from then on, T = c - k* in all.
// * Let Q be the slots p_i together with s_k* .. s_{c-1}, in rising order. The
//   popped slots are exactly Q's T smallest: the t-th of them sends its entry
//   to s_{k*+t}, which joins a FIFO of moved entries. A popped p_i appends its
//   entry to the FIFO; a popped s-slot rotates the FIFO by one.
// * The remaining slots (Q's m largest) hold the final order: a p_i keeps its
//   own entry, each s-slot takes the next FIFO entry.
//
// The runs of s-slots between the p_i are counted, not walked, with a Fenwick
// tree over positions, and a run of r rotations of a FIFO of f entries costs
// min(r mod f, f - r mod f). The total is O(n log n) plus, per address, at most
// min(T, m^2) deque steps: at worst n^1.5, and close to n log n for random lists.

namespace quorvex {

namespace {

class Fenwick {
public:
    explicit Fenwick(std::size_t size) : m_tree(size + 1, 0) {}
    void Add(std::size_t position) {
        for (std::size_t i = position + 1; i < m_tree.size(); i += i & (~i + 1)) ++m_tree[i];
    }
    // Entries recorded at positions below `position`.
    [[nodiscard]] std::int64_t CountBelow(std::size_t position) const {
        std::int64_t sum = 0;
        for (std::size_t i = position; i > 0; i -= i & (~i + 1)) sum += m_tree[i];
        return sum;
    }

private:
    std::vector<std::int32_t> m_tree;
};

// Rotates the FIFO by `steps` pops-and-pushes, going whichever way is shorter.
void Rotate(std::deque<std::size_t>& fifo, std::int64_t steps) {
    const auto size = static_cast<std::int64_t>(fifo.size());
    if (size <= 1) return;
    const std::int64_t forward = steps % size;
    if (forward <= size - forward) {
        for (std::int64_t s = 0; s < forward; ++s) {
            fifo.push_back(fifo.front());
            fifo.pop_front();
        }
    } else {
        for (std::int64_t s = 0; s < size - forward; ++s) {
            fifo.push_front(fifo.back());
            fifo.pop_back();
        }
    }
}

// The slots in ascending order of address, equal addresses in slot order: a
// radix sort, a byte of the address at a time from the lowest (each pass
// keeps the order of the one before), skipping bytes all entries share.
std::vector<std::size_t> SlotsByAddress(std::span<const PointerEntry> entries) {
    const std::size_t n = entries.size();
    // Signed order as unsigned: the sign bit flipped.
    const auto key = [&](std::size_t slot) { return static_cast<std::uint32_t>(entries[slot].address) ^ 0x80000000u; };
    std::vector<std::size_t> order(n);
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::vector<std::size_t> next(n);
    for (int shift = 0; shift < 32; shift += 8) {
        std::array<std::size_t, 0x101> starts{};
        for (std::size_t i = 0; i < n; ++i) ++starts[((key(i) >> shift) & 0xFF) + 1];
        if (std::find(starts.begin(), starts.end(), n) != starts.end()) continue;
        std::partial_sum(starts.begin(), starts.end(), starts.begin());
        for (const std::size_t slot : order) next[starts[(key(slot) >> shift) & 0xFF]++] = slot;
        order.swap(next);
    }
    return order;
}

}  // namespace

void SortEntries(std::span<PointerEntry> entries) {
    const auto lessAddress = [](const PointerEntry& a, const PointerEntry& b) { return a.address < b.address; };
    // The exchange sort never swaps anything in a list already in order.
    if (std::is_sorted(entries.begin(), entries.end(), lessAddress)) return;

    const std::size_t n = entries.size();
    const std::vector<std::size_t> byAddress = SlotsByAddress(entries);
    // Past the last address held more than once, every entry simply goes in address order.
    std::size_t lastShared = 0;
    for (std::size_t k = 1; k < n; ++k)
        if (entries[byAddress[k]].address == entries[byAddress[k - 1]].address) lastShared = k;

    std::vector<std::size_t> order;  // original slots, in the exchange sort's final order
    order.reserve(n);
    Fenwick smaller(n);  // slots of entries with a lower address than the group at hand
    std::int64_t smallerCount = 0;
    std::deque<std::size_t> fifo;

    for (std::size_t groupBegin = 0; groupBegin < n;) {
        std::size_t groupEnd = groupBegin + 1;
        while (groupEnd < n && entries[byAddress[groupEnd]].address == entries[byAddress[groupBegin]].address)
            ++groupEnd;
        const std::span<const std::size_t> slots(byAddress.data() + groupBegin, groupEnd - groupBegin);
        const std::size_t m = slots.size();

        if (m == 1) {
            order.push_back(slots[0]);
        } else if (smallerCount == 0) {
            order.insert(order.end(), slots.begin(), slots.end());
        } else {
            // runAfter[i]: smaller entries lying after p_i and before p_{i+1} (or the end).
            std::vector<std::int64_t> runAfter(m);
            const std::int64_t beforeFirst = smaller.CountBelow(slots[0]);
            for (std::size_t i = 0; i < m; ++i) {
                const std::int64_t upTo = smaller.CountBelow(slots[i]);
                const std::int64_t next = i + 1 < m ? smaller.CountBelow(slots[i + 1]) : smallerCount;
                runAfter[i] = next - upTo;
            }
            const std::int64_t popped = smallerCount - beforeFirst;

            // Walk Q's popped ranks: p_i appends, s-slots rotate.
            fifo.clear();
            std::int64_t rank = 0;
            std::size_t i = 0;
            for (; i < m && rank < popped; ++i) {
                fifo.push_back(slots[i]);
                ++rank;
                const std::int64_t rotations = std::min(runAfter[i], popped - rank);
                Rotate(fifo, rotations);
                rank += rotations;
                if (rank >= popped) {
                    // The rest of this run is unpopped s-slots: they take FIFO entries.
                    for (std::int64_t s = rotations; s < runAfter[i] && !fifo.empty(); ++s) {
                        order.push_back(fifo.front());
                        fifo.pop_front();
                    }
                    ++i;
                    break;
                }
            }
            // Q's remaining slots: each p_i keeps its entry, each s-slot takes the next moved one.
            for (; i < m; ++i) {
                order.push_back(slots[i]);
                for (std::int64_t s = 0; s < runAfter[i] && !fifo.empty(); ++s) {
                    order.push_back(fifo.front());
                    fifo.pop_front();
                }
            }
        }

        if (groupBegin < lastShared)
            for (const std::size_t slot : slots) smaller.Add(slot);
        smallerCount += static_cast<std::int64_t>(m);
        groupBegin = groupEnd;
    }

    std::vector<PointerEntry> sorted(n);
    for (std::size_t k = 0; k < n; ++k) sorted[k] = entries[order[k]];
    std::copy(sorted.begin(), sorted.end(), entries.begin());
}

}  // namespace quorvex
