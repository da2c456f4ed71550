#pragma once
#include "job/JobSettings.h"

#include <cstddef>
#include <cstdint>
#include <optional>

namespace quorvex {

// The first and last file offsets of one bank.
struct Bank {
    std::int64_t first = 0;
    std::int64_t last = 0;
    friend bool operator==(const Bank&, const Bank&) = default;
};

// How a job's pointer values and file offsets correspond. Without a map a
// value is an offset less the X000 Offset. With one, offsets count from the
// image's header (an SNES image 200 bytes over a multiple of 8000 carries a
// copier header; NES images an iNES header), and 3- and 4-byte SNES pointers
// carry their bank; narrower pointers, and every Game Boy and NES pointer,
// reach only the bank holding Text Start.
class AddressMap {
public:
    AddressMap(const JobSettings& job, std::size_t imageSize, int pointerWidth);

    [[nodiscard]] AddressMapKind kind() const noexcept { return m_kind; }

    // The file offset a pointer value stands for.
    [[nodiscard]] std::int64_t ToOffset(std::uint32_t value) const;
    // The value that points at offset, with the bits the map does not use
    // kept as `old` has them. No value when no pointer of this job reaches it.
    [[nodiscard]] std::optional<std::uint32_t> ToPointer(std::int64_t offset, std::uint32_t old) const;

    // Where a string of `length` bytes that would start at position goes:
    // where it started, or (pointers that carry their bank) the start of the
    // next bank when it would cross a bank end. `leaves` names the bank a
    // string cannot stay in; it then has no place.
    struct Placement {
        std::int64_t at = 0;
        std::optional<Bank> leaves;
    };
    [[nodiscard]] Placement Place(std::int64_t position, std::int64_t length) const;
    // True at the first byte of a bank a string may move to: where a string
    // may start after filler instead of after the one before it.
    [[nodiscard]] bool StartsBank(std::int64_t offset) const {
        return m_carriesBank && offset >= m_base && (offset - m_base) % m_bankSize == 0;
    }

private:
    [[nodiscard]] Bank BankAt(std::int64_t offset) const;
    [[nodiscard]] std::optional<std::uint32_t> WidePointer(std::int64_t romOffset, std::uint32_t old) const;

    AddressMapKind m_kind;
    std::int32_t m_xOffset;
    std::int64_t m_base = 0;         // the file offset of the ROM's first byte
    std::int64_t m_bankSize = 1;
    bool m_carriesBank = false;
    Bank m_textBank;                 // the bank narrow pointers reach
};

}  // namespace quorvex
