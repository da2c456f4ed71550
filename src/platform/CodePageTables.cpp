// The code pages of the browser build, which has no ICU: byte code pages run
// the tables written from ICU (platform/CodePageFormat.h); the Unicode forms
// are computed here the way ICU computes them, invalid input included.
#include "platform/CodePage.h"
#include "platform/CodePageFormat.h"
#include "platform/UnicodeForms.h"
#include "platform/Utf8.h"

#include <cctype>
#include <stdexcept>
#include <unordered_map>

namespace quorvex::codepages {
extern const std::uint8_t kData[];
extern const std::size_t kDataSize;
}  // namespace quorvex::codepages

namespace quorvex {
namespace {

using codepages::Kind;
using namespace unicodeforms;

class Reader {
public:
    explicit Reader(std::span<const std::uint8_t> data) : m_data(data) {}
    unsigned u8() {
        if (m_at >= m_data.size()) throw std::logic_error("code-page tables end early");
        return m_data[m_at++];
    }
    unsigned u16() { return u8() | (u8() << 8); }
    std::uint32_t u32() { return u16() | (static_cast<std::uint32_t>(u16()) << 16); }
    std::string bytes(unsigned length) {
        std::string bytes(length, '\0');
        for (char& byte : bytes) byte = static_cast<char>(u8());
        return bytes;
    }
    std::u16string units() {
        std::u16string units(u8(), u'\0');
        for (char16_t& unit : units) unit = static_cast<char16_t>(u16());
        return units;
    }

private:
    std::span<const std::uint8_t> m_data;
    std::size_t m_at = 0;
};

struct Machine {
    std::vector<std::u16string> atEnd;
    codepages::Moves moves;
    std::unordered_map<char32_t, std::string> encode;
};

struct Page {
    Kind kind = Kind::Machine;
    Machine machine;
};

struct CodePages {
    std::vector<std::pair<char32_t, char32_t>> ignorable;
    std::vector<Page> pages;
    std::unordered_map<std::string, std::size_t> byName;  // by NameKey
};

Machine ReadMachine(Reader& in) {
    Machine machine;
    std::vector<std::string> held(in.u16());
    for (std::string& bytes : held) {
        bytes = in.bytes(in.u8());
        machine.atEnd.push_back(in.units());
    }
    machine.moves.resize(held.size());
    for (auto& moves : machine.moves) {
        moves.resize(256);
        for (codepages::Move& move : moves) {
            move.next = in.u16();
            move.output = in.units();
        }
    }
    for (auto& [codePoint, bytes] : codepages::ReverseOfMachine(held, machine.moves))
        machine.encode.emplace(codePoint, std::move(bytes));
    for (std::uint32_t count = in.u32(); count > 0; --count) {
        const char32_t codePoint = in.u32();
        const unsigned length = in.u8();
        if (length == codepages::kRefused) machine.encode.erase(codePoint);
        else machine.encode[codePoint] = in.bytes(length);
    }
    return machine;
}

// Names compare as ICU compares them: letters and digits only, in any case,
// and a zero that starts a number does not count.
std::string NameKey(std::string_view name) {
    std::string key;
    bool afterDigit = false;
    for (std::size_t i = 0; i < name.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(name[i]);
        if (!std::isalnum(c)) {
            afterDigit = false;
            continue;
        }
        const bool digitFollows = i + 1 < name.size() && std::isdigit(static_cast<unsigned char>(name[i + 1]));
        if (c == '0' && !afterDigit && digitFollows) continue;
        afterDigit = std::isdigit(c) != 0;
        key.push_back(static_cast<char>(std::tolower(c)));
    }
    return key;
}

const CodePages& Tables() {
    static const CodePages tables = [] {
        CodePages read;
        Reader in({codepages::kData, codepages::kDataSize});
        read.ignorable.resize(in.u16());
        for (auto& [first, last] : read.ignorable) first = in.u32(), last = in.u32();
        read.pages.resize(in.u16());
        for (std::size_t index = 0; index < read.pages.size(); ++index) {
            Page& page = read.pages[index];
            page.kind = static_cast<Kind>(in.u8());
            for (unsigned names = in.u8(); names > 0; --names) read.byName.emplace(NameKey(in.bytes(in.u8())), index);
            if (page.kind == Kind::Machine) page.machine = ReadMachine(in);
        }
        return read;
    }();
    return tables;
}

const Page* FindPage(const std::string& name) {
    const CodePages& tables = Tables();
    const auto found = tables.byName.find(NameKey(name));
    return found == tables.byName.end() ? nullptr : &tables.pages[found->second];
}

bool IsIgnorable(char32_t codePoint) {
    for (const auto& [first, last] : Tables().ignorable)
        if (codePoint >= first && codePoint <= last) return true;
    return false;
}

const Page& PageFor(const TextDecoding& decoding) {
    std::string name = decoding.systemCodePage;
    if (decoding.mode == ReadMode::UTF7) name = "UTF-7";
    if (decoding.mode == ReadMode::UTF8) name = "UTF-8";
    const Page* page = FindPage(name);
    if (!page) throw std::invalid_argument("The code page \"" + name + "\" is not known.");
    return *page;
}

std::u16string RunMachine(const Machine& machine, std::span<const std::uint8_t> bytes) {
    std::u16string text;
    text.reserve(bytes.size());
    unsigned state = 0;
    for (std::uint8_t byte : bytes) {
        const codepages::Move& move = machine.moves[state][byte];
        text += move.output;
        state = move.next;
    }
    return text + machine.atEnd[state];
}

std::optional<std::string> EncodeMachine(const Machine& machine, std::u16string_view text) {
    std::string bytes;
    bool failed = false;
    ForEachCodePoint(text, [&](char32_t c) {
        const auto found = machine.encode.find(c);
        if (found != machine.encode.end()) bytes += found->second;
        else failed = failed || !IsIgnorable(c);
    });
    if (failed) return std::nullopt;
    return bytes;
}

}  // namespace

bool IsKnownCodePage(const std::string& name) {
    return FindPage(name) != nullptr;
}

std::u16string DecodeBytes(std::span<const std::uint8_t> bytes, const TextDecoding& decoding) {
    std::size_t length = 0;
    while (length < bytes.size() && bytes[length] != 0) ++length;
    const Page& page = PageFor(decoding);
    bytes = bytes.first(length);
    switch (page.kind) {
    case Kind::Machine: return RunMachine(page.machine, bytes);
    case Kind::Utf8: return DecodeUtf8(bytes);
    case Kind::Utf7: return DecodeUtf7(bytes);
    case Kind::Utf16: return DecodeUtf16(bytes, true, true);
    case Kind::Utf16BE: return DecodeUtf16(bytes, false, true);
    case Kind::Utf16LE: break;
    }
    return DecodeUtf16(bytes, false, false);
}

std::optional<std::vector<std::uint8_t>> EncodeBytes(std::u16string_view text, const TextDecoding& decoding) {
    const Page& page = PageFor(decoding);
    if (text.empty()) return std::vector<std::uint8_t>{};
    std::optional<std::string> bytes;
    switch (page.kind) {
    case Kind::Machine: bytes = EncodeMachine(page.machine, text); break;
    case Kind::Utf8: bytes = EncodeUtf8Strict(text); break;
    case Kind::Utf7: bytes = EncodeUtf7(text); break;
    case Kind::Utf16: bytes = EncodeUtf16(text, true, false); break;
    case Kind::Utf16BE: bytes = EncodeUtf16(text, false, true); break;
    case Kind::Utf16LE: bytes = EncodeUtf16(text, false, false); break;
    }
    if (!bytes) return std::nullopt;
    return std::vector<std::uint8_t>(bytes->begin(), bytes->end());
}

std::string ToUtf8(std::u16string_view text) {
    return EncodeUtf8(text);
}

std::u16string FromUtf8(std::string_view text) {
    return DecodeUtf8({reinterpret_cast<const std::uint8_t*>(text.data()), text.size()});
}

}  // namespace quorvex
