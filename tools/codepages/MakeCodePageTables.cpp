// Writes the code pages of the browser build as a C++ source holding one byte
// array, read by platform/CodePageTables.cpp. Every table comes from ICU
// itself, so the browser decodes and encodes as the native build does:
//
// A byte code page is ICU's converter seen as a machine whose state is the
// bytes ICU holds back (an unfinished sequence): for each state and byte the
// text ICU writes and the bytes it then holds. The machine is explored by
// asking ICU, not read from its data files, so fallbacks and the handling of
// illegal sequences come along as ICU does them. Encoding is the reverse of
// the complete sequences, corrected by the list of characters whose bytes
// ICU's encoder gives differently (or refuses).
//
// Usage: make_code_page_tables OUTPUT.cpp
#include "platform/CodePageFormat.h"

#include <unicode/ucnv.h>
#include <unicode/uset.h>

#include <cstdio>
#include <fstream>
#include <iostream>
#include <map>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

namespace codepages = quorvex::codepages;
using codepages::Kind;

struct Listed {
    const char* name;
    Kind kind;
};

// The code pages translators meet: the Windows and ISO Latin families, the
// Japanese, Chinese and Cyrillic ones, and the Unicode forms.
const Listed kListed[] = {
    {"windows-1250", Kind::Machine}, {"windows-1251", Kind::Machine}, {"windows-1252", Kind::Machine},
    {"windows-1253", Kind::Machine}, {"windows-1254", Kind::Machine}, {"windows-1255", Kind::Machine},
    {"windows-1256", Kind::Machine}, {"windows-1257", Kind::Machine}, {"windows-1258", Kind::Machine},
    {"windows-874", Kind::Machine},  {"ISO-8859-1", Kind::Machine},   {"ISO-8859-2", Kind::Machine},
    {"ISO-8859-3", Kind::Machine},   {"ISO-8859-4", Kind::Machine},   {"ISO-8859-5", Kind::Machine},
    {"ISO-8859-6", Kind::Machine},   {"ISO-8859-7", Kind::Machine},   {"ISO-8859-8", Kind::Machine},
    {"ISO-8859-9", Kind::Machine},   {"ISO-8859-10", Kind::Machine},  {"ISO-8859-11", Kind::Machine},
    {"ISO-8859-13", Kind::Machine},  {"ISO-8859-14", Kind::Machine},  {"ISO-8859-15", Kind::Machine},
    {"ISO-8859-16", Kind::Machine},  {"US-ASCII", Kind::Machine},     {"IBM437", Kind::Machine},
    {"KOI8-R", Kind::Machine},       {"KOI8-U", Kind::Machine},       {"Shift_JIS", Kind::Machine},
    {"EUC-JP", Kind::Machine},       {"Big5", Kind::Machine},         {"GBK", Kind::Machine},
    {"EUC-KR", Kind::Machine},       {"UTF-8", Kind::Utf8},           {"UTF-7", Kind::Utf7},
    {"UTF-16", Kind::Utf16},         {"UTF-16BE", Kind::Utf16BE},     {"UTF-16LE", Kind::Utf16LE},
};

struct ConverterCloser {
    void operator()(UConverter* converter) const { ucnv_close(converter); }
};
using Converter = std::unique_ptr<UConverter, ConverterCloser>;

Converter Open(const char* name) {
    UErrorCode status = U_ZERO_ERROR;
    Converter converter(ucnv_open(name, &status));
    if (U_FAILURE(status)) throw std::runtime_error(std::string("ICU does not know ") + name);
    return converter;
}

class Writer {
public:
    void u8(unsigned value) { m_bytes.push_back(static_cast<std::uint8_t>(value)); }
    void u16(unsigned value) { u8(value & 0xFF), u8(value >> 8); }
    void u32(std::uint32_t value) { u16(value & 0xFFFF), u16(value >> 16); }
    void units(const std::u16string& text) {
        u8(static_cast<unsigned>(text.size()));
        for (char16_t unit : text) u16(unit);
    }
    void bytes(const std::string& bytes) {
        u8(static_cast<unsigned>(bytes.size()));
        for (char byte : bytes) u8(static_cast<unsigned char>(byte));
    }
    [[nodiscard]] const std::vector<std::uint8_t>& data() const { return m_bytes; }

private:
    std::vector<std::uint8_t> m_bytes;
};

struct Step {
    std::u16string output;
    std::string held;
};

// What ICU writes for bytes from a fresh start, and what it holds back after
// them (or writes for them at the end of the input, when flush is set).
Step Probe(UConverter* converter, const std::string& bytes, bool flush) {
    ucnv_resetToUnicode(converter);
    char16_t buffer[64];
    char16_t* target = buffer;
    const char* source = bytes.data();
    UErrorCode status = U_ZERO_ERROR;
    ucnv_toUnicode(converter, &target, buffer + 64, &source, bytes.data() + bytes.size(), nullptr, flush, &status);
    if (U_FAILURE(status)) throw std::runtime_error("probe failed");
    const int held = flush ? 0 : ucnv_toUCountPending(converter, &status);
    if (U_FAILURE(status) || held < 0 || static_cast<std::size_t>(held) > bytes.size())
        throw std::runtime_error("probe of held bytes failed");
    return {std::u16string(buffer, target), bytes.substr(bytes.size() - static_cast<std::size_t>(held))};
}

// The bytes ICU writes for one character; no value when it refuses it.
std::optional<std::string> Encode(UConverter* converter, char32_t codePoint) {
    char16_t units[2];
    int32_t length = 0;
    if (codePoint > 0xFFFF) {
        units[0] = static_cast<char16_t>(0xD7C0 + (codePoint >> 10));
        units[1] = static_cast<char16_t>(0xDC00 | (codePoint & 0x3FF));
        length = 2;
    } else {
        units[0] = static_cast<char16_t>(codePoint);
        length = 1;
    }
    char bytes[16];
    UErrorCode status = U_ZERO_ERROR;
    ucnv_resetFromUnicode(converter);
    const int32_t written = ucnv_fromUChars(converter, bytes, sizeof bytes, units, length, &status);
    if (U_FAILURE(status)) return std::nullopt;
    return std::string(bytes, static_cast<std::size_t>(written));
}

void StopAtUnmappable(UConverter* converter) {
    UErrorCode status = U_ZERO_ERROR;
    ucnv_setFromUCallBack(converter, UCNV_FROM_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &status);
}

// ICU's encoders drop a default-ignorable character they cannot hold instead
// of refusing it; which those are, asked of an encoder that holds none.
void WriteIgnorable(Writer& out) {
    const Converter ascii = Open("US-ASCII");
    StopAtUnmappable(ascii.get());
    std::vector<std::pair<char32_t, char32_t>> ranges;
    for (char32_t c = 0x80; c <= 0x10FFFF; ++c) {
        if (c >= 0xD800 && c <= 0xDFFF) continue;
        const std::optional<std::string> bytes = Encode(ascii.get(), c);
        if (!bytes || !bytes->empty()) continue;
        if (!ranges.empty() && ranges.back().second + 1 == c) ranges.back().second = c;
        else ranges.emplace_back(c, c);
    }
    out.u16(static_cast<unsigned>(ranges.size()));
    for (const auto& [first, last] : ranges) out.u32(first), out.u32(last);
}

void WriteMachine(UConverter* converter, Writer& out) {
    StopAtUnmappable(converter);
    std::vector<std::string> prefixes{""};
    std::map<std::string, unsigned> stateOf{{"", 0}};
    codepages::Moves moves;
    for (std::size_t state = 0; state < prefixes.size(); ++state) {
        moves.emplace_back();
        for (unsigned byte = 0; byte < 256; ++byte) {
            const Step step = Probe(converter, prefixes[state] + static_cast<char>(byte), false);
            auto [found, added] = stateOf.try_emplace(step.held, static_cast<unsigned>(prefixes.size()));
            if (added) prefixes.push_back(step.held);
            moves.back().push_back({found->second, step.output});
        }
    }
    out.u16(static_cast<unsigned>(prefixes.size()));
    for (const std::string& prefix : prefixes) {
        out.bytes(prefix);
        out.units(Probe(converter, prefix, true).output);
    }
    for (const auto& state : moves)
        for (const auto& move : state) out.u16(move.next), out.units(move.output);

    std::map<char32_t, std::string> derived = codepages::ReverseOfMachine(prefixes, moves);
    USet* set = uset_openEmpty();
    UErrorCode status = U_ZERO_ERROR;
    ucnv_getUnicodeSet(converter, set, UCNV_ROUNDTRIP_AND_FALLBACK_SET, &status);
    std::map<char32_t, std::string> candidates = derived;
    for (int32_t i = 0; i < uset_getItemCount(set); ++i) {
        UChar32 first = 0, last = 0;
        uset_getItem(set, i, &first, &last, nullptr, 0, &status);
        for (UChar32 c = first; c <= last; ++c) candidates.try_emplace(static_cast<char32_t>(c));
    }
    uset_close(set);
    std::vector<std::pair<char32_t, std::optional<std::string>>> corrections;
    for (const auto& [codePoint, unused] : candidates) {
        if (codePoint >= 0xD800 && codePoint <= 0xDFFF) continue;
        const std::optional<std::string> bytes = Encode(converter, codePoint);
        const auto it = derived.find(codePoint);
        if (it == derived.end() ? bytes.has_value() : it->second != bytes) corrections.emplace_back(codePoint, bytes);
    }
    out.u32(static_cast<std::uint32_t>(corrections.size()));
    for (const auto& [codePoint, bytes] : corrections) {
        out.u32(codePoint);
        if (bytes) out.bytes(*bytes);
        else out.u8(codepages::kRefused);
    }
}

std::string CanonicalName(const char* name) {
    UErrorCode status = U_ZERO_ERROR;
    const Converter converter(ucnv_open(name, &status));
    return U_SUCCESS(status) ? ucnv_getName(converter.get(), &status) : "";
}

std::vector<std::string> Names(const char* name) {
    UErrorCode status = U_ZERO_ERROR;
    const uint16_t count = ucnv_countAliases(name, &status);
    const std::string canonical = CanonicalName(name);
    std::vector<std::string> names{name};
    for (uint16_t i = 0; i < count && U_SUCCESS(status); ++i) {
        // An alias some other converter answers to stays that converter's.
        const char* alias = ucnv_getAlias(name, i, &status);
        if (U_SUCCESS(status) && CanonicalName(alias) == canonical) names.emplace_back(alias);
    }
    if (U_FAILURE(status)) throw std::runtime_error(std::string("no aliases for ") + name);
    return names;
}

void WriteSource(const std::vector<std::uint8_t>& data, const char* path) {
    std::ofstream file(path, std::ios::binary);
    file << "// Written by make_code_page_tables from ICU " << U_ICU_VERSION << "; do not edit.\n"
         << "#include <cstddef>\n#include <cstdint>\n\nnamespace quorvex::codepages {\n\n"
         << "extern const std::uint8_t kData[] = {";
    for (std::size_t i = 0; i < data.size(); ++i) file << (i % 24 == 0 ? "\n" : "") << unsigned(data[i]) << ',';
    file << "\n};\nextern const std::size_t kDataSize = sizeof kData;\n\n}  // namespace quorvex::codepages\n";
    if (!file.flush()) throw std::runtime_error(std::string("cannot write ") + path);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: make_code_page_tables OUTPUT.cpp\n";
        return 2;
    }
    try {
        // A code page this ICU lacks stays unknown in the browser too.
        std::vector<Listed> known;
        for (const Listed& listed : kListed) {
            UErrorCode status = U_ZERO_ERROR;
            const Converter converter(ucnv_open(listed.name, &status));
            if (U_SUCCESS(status)) known.push_back(listed);
        }
        Writer out;
        WriteIgnorable(out);
        out.u16(static_cast<unsigned>(known.size()));
        for (const Listed& listed : known) {
            const std::vector<std::string> names = Names(listed.name);
            out.u8(static_cast<unsigned>(listed.kind));
            out.u8(static_cast<unsigned>(names.size()));
            for (const std::string& name : names) out.bytes(name);
            if (listed.kind == Kind::Machine) WriteMachine(Open(listed.name).get(), out);
        }
        WriteSource(out.data(), argv[1]);
    } catch (const std::exception& error) {
        std::cerr << "make_code_page_tables: " << error.what() << '\n';
        return 1;
    }
    return 0;
}
