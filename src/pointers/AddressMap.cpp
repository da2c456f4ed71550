#include "pointers/AddressMap.h"

#include "platform/CopierHeader.h"

#include <algorithm>

namespace quorvex {
namespace {

constexpr std::int64_t kSnesBlock = 0x8000;
constexpr std::int64_t kInesHeader = 0x10;
constexpr std::int64_t kSixteenKiB = 0x4000;
constexpr std::uint32_t kFourMiB = 0x400000;

bool IsSnes(AddressMapKind kind) {
    return kind == AddressMapKind::LoRom || kind == AddressMapKind::HiRom || kind == AddressMapKind::ExHiRom;
}

std::int64_t BankSizeOf(AddressMapKind kind) {
    switch (kind) {
    case AddressMapKind::LoRom: return 0x8000;
    case AddressMapKind::HiRom:
    case AddressMapKind::ExHiRom: return 0x10000;
    case AddressMapKind::GameBoy:
    case AddressMapKind::Nes: return kSixteenKiB;
    case AddressMapKind::None: break;
    }
    return 1;
}

std::int64_t BaseOf(AddressMapKind kind, std::size_t imageSize) {
    if (kind == AddressMapKind::Nes) return kInesHeader;
    if (IsSnes(kind)) return static_cast<std::int64_t>(SnesCopierHeaderSize(imageSize));
    return 0;
}

}  // namespace

AddressMap::AddressMap(const JobSettings& job, std::size_t imageSize, int pointerWidth)
    : m_kind(job.map),
      m_xOffset(job.xOffset),
      m_base(BaseOf(job.map, imageSize)),
      m_bankSize(BankSizeOf(job.map)),
      m_carriesBank(IsSnes(job.map) && pointerWidth >= 3),
      m_textBank(BankAt(job.textStart)) {}

Bank AddressMap::BankAt(std::int64_t offset) const {
    // Text Start inside a header belongs to the first bank.
    const std::int64_t index = std::max<std::int64_t>(offset - m_base, 0) / m_bankSize;
    const std::int64_t first = m_base + index * m_bankSize;
    return {first, first + m_bankSize - 1};
}

std::int64_t AddressMap::ToOffset(std::uint32_t value) const {
    const std::int64_t bankFirst = m_textBank.first;
    switch (m_kind) {
    case AddressMapKind::None:
        // Wraps as the 32-bit numbers of a script do.
        return static_cast<std::int32_t>(value + static_cast<std::uint32_t>(m_xOffset));
    case AddressMapKind::LoRom:
        if (!m_carriesBank) return bankFirst + (value & 0x7FFF);
        return m_base + ((value >> 16) & 0x7F) * kSnesBlock + (value & 0x7FFF);
    case AddressMapKind::HiRom:
        if (!m_carriesBank) return bankFirst + (value & 0xFFFF);
        return m_base + (value & 0x3FFFFF);
    case AddressMapKind::ExHiRom:
        if (!m_carriesBank) return bankFirst + (value & 0xFFFF);
        return m_base + (value & 0x3FFFFF) + ((value & 0x800000) ? 0 : kFourMiB);
    case AddressMapKind::GameBoy: {
        // Addresses below 4000 are the fixed bank 0 whichever bank is switched in.
        const std::uint32_t address = value & 0xFFFF;
        return address < kSixteenKiB ? address : bankFirst + (address - kSixteenKiB);
    }
    case AddressMapKind::Nes: return bankFirst + (value & 0x3FFF);
    }
    return value;
}

std::optional<std::uint32_t> AddressMap::WidePointer(std::int64_t romOffset, std::uint32_t old) const {
    const auto rom = static_cast<std::uint32_t>(romOffset);
    switch (m_kind) {
    case AddressMapKind::LoRom:
        if (romOffset >= 0x80 * kSnesBlock) return std::nullopt;
        // FastROM games read through banks 80-FF and from 8000 up: both bits stay.
        return (old & ~0x7F7FFFu) | ((rom / 0x8000) << 16) | (rom & 0x7FFF);
    case AddressMapKind::HiRom:
        if (rom >= kFourMiB) return std::nullopt;
        return (old & ~0x3FFFFFu) | rom;
    case AddressMapKind::ExHiRom:
        if (rom >= 2 * kFourMiB) return std::nullopt;
        // The first 4 MiB are seen through the banks with bit 23 set, the rest through those without.
        return rom < kFourMiB ? (old & ~0xBFFFFFu) | 0x800000 | rom : (old & ~0xBFFFFFu) | (rom - kFourMiB);
    case AddressMapKind::None:
    case AddressMapKind::GameBoy:
    case AddressMapKind::Nes: break;
    }
    return std::nullopt;
}

std::optional<std::uint32_t> AddressMap::ToPointer(std::int64_t offset, std::uint32_t old) const {
    if (m_kind == AddressMapKind::None) return static_cast<std::uint32_t>(offset - m_xOffset);
    if (offset < m_base) return std::nullopt;
    if (m_carriesBank) return WidePointer(offset - m_base, old);
    if (m_kind == AddressMapKind::GameBoy && offset < kSixteenKiB) return (old & ~0xFFFFu) | static_cast<std::uint32_t>(offset);
    if (offset < m_textBank.first || offset > m_textBank.last) return std::nullopt;
    const auto low = static_cast<std::uint32_t>(offset - m_textBank.first);
    if (m_kind == AddressMapKind::GameBoy) return (old & ~0xFFFFu) | (0x4000u + low);
    return (old & ~static_cast<std::uint32_t>(m_bankSize - 1)) | low;
}

AddressMap::Placement AddressMap::Place(std::int64_t position, std::int64_t length) const {
    if (m_kind == AddressMapKind::None) return {position, std::nullopt};
    const std::int64_t last = position + std::max<std::int64_t>(length, 1) - 1;
    if (!m_carriesBank) {
        if (position < m_textBank.first || last > m_textBank.last) return {position, m_textBank};
        return {position, std::nullopt};
    }
    if (position < m_base || !WidePointer(position - m_base, 0)) return {position, BankAt(position)};
    const Bank bank = BankAt(position);
    if (last <= bank.last) return {position, std::nullopt};
    const Bank next = BankAt(bank.last + 1);
    if (length > m_bankSize) return {next.first, next};
    return {next.first, std::nullopt};
}

}  // namespace quorvex
