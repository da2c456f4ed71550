#pragma once
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace quorvex {

// The cartridge headers whose checksums Quorvex reads and repairs.
enum class ChecksumSystem { SnesLoRom, SnesHiRom, Gb, Gba, Md };

// What the user asks for: one system, SNES with its map left to the header,
// or whichever known header the image holds.
enum class ChecksumChoice { Auto, Snes, Gb, Gba, Md };

// "auto", "snes", "gb", "gba" or "md"; no value for any other name.
[[nodiscard]] std::optional<ChecksumChoice> ChecksumChoiceFromName(std::string_view name);

// "snes-lorom", "snes-hirom", "gb", "gba" or "md".
[[nodiscard]] std::string_view ChecksumSystemName(ChecksumSystem system);

// A header's checksum as stored and as the image's bytes make it.
// Game Boy: stored/computed are the header checksum byte, the *Global
// members the 16-bit checksum of the whole image. SNES: stored is the
// checksum; right also needs the complement to match.
struct ChecksumReport {
    ChecksumSystem system = ChecksumSystem::Md;
    std::uint32_t stored = 0;
    std::uint32_t computed = 0;
    std::uint32_t storedGlobal = 0;
    std::uint32_t computedGlobal = 0;
    bool right = false;
};

// The system whose header the image is read with, found by bytes its header
// must hold, never by its checksum, so that a wrong one is still found: the
// SNES header by a map-mode byte and a complement pair that fit (LoROM or
// HiROM, the one whose checksum is right when both fit). Auto tries the Game
// Boy Advance, Game Boy, Mega Drive and SNES headers in that order. No value
// when the chosen header, or for Auto any known one, is not there: its bytes
// would be some other data, such as another console's program code.
[[nodiscard]] std::optional<ChecksumSystem> ChooseChecksumSystem(std::span<const std::uint8_t> image,
                                                                 ChecksumChoice choice);

// The stored and computed checksums of system's header. No value when the
// image is too small to hold that header (SNES: 32 KiB for LoROM, 64 KiB for
// HiROM, after a 512-byte copier header).
[[nodiscard]] std::optional<ChecksumReport> CheckChecksum(std::span<const std::uint8_t> image, ChecksumSystem system);

// Writes the computed checksum (and the SNES complement, the Game Boy global
// checksum) into the header; returns the report as it was before. No value,
// and nothing written, when the image is too small to hold the header.
[[nodiscard]] std::optional<ChecksumReport> FixChecksum(std::span<std::uint8_t> image, ChecksumSystem system);

// "SYSTEM: stored XXXX, computed YYYY, right|wrong|fixed", with two hex
// digits for byte checksums and four for 16-bit ones ("gb: stored XX/XXXX,
// computed YY/YYYY, …"). fixed: the computed values were written since.
[[nodiscard]] std::u16string ChecksumLine(const ChecksumReport& report, bool fixed);

}  // namespace quorvex
