// The code pages of the browser build, which has no ICU: byte code pages run
// the tables written from ICU (platform/CodePageFormat.h); the Unicode forms
// are computed here the way ICU computes them, invalid input included.
#include "platform/CodePage.h"
#include "platform/CodePageFormat.h"

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
constexpr char16_t kReplacement = 0xFFFD;

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

bool IsLead(char32_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool IsTrail(char32_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

void AppendCodePoint(std::u16string& text, char32_t codePoint) {
    if (codePoint < 0x10000) {
        text.push_back(static_cast<char16_t>(codePoint));
        return;
    }
    text.push_back(static_cast<char16_t>(0xD7C0 + (codePoint >> 10)));
    text.push_back(static_cast<char16_t>(0xDC00 | (codePoint & 0x3FF)));
}

// Calls visit(code point) for each character, or visit(unit | 0x80000000)
// for an unpaired surrogate.
template <typename Visit>
void ForEachCodePoint(std::u16string_view text, Visit visit) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (IsLead(text[i]) && i + 1 < text.size() && IsTrail(text[i + 1])) {
            visit(0x10000 + ((char32_t{text[i]} - 0xD800) << 10) + (text[i + 1] - 0xDC00));
            ++i;
        } else {
            visit(IsLead(text[i]) || IsTrail(text[i]) ? (text[i] | 0x80000000u) : char32_t{text[i]});
        }
    }
}
constexpr char32_t kUnpaired = 0x80000000u;

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

// Every ill-formed part of UTF-8 becomes one U+FFFD: a byte that cannot
// start a sequence, or the longest start of a sequence that breaks off.
std::u16string DecodeUtf8(std::span<const std::uint8_t> bytes) {
    std::u16string text;
    text.reserve(bytes.size());
    std::size_t i = 0;
    while (i < bytes.size()) {
        const unsigned lead = bytes[i++];
        if (lead < 0x80) {
            text.push_back(static_cast<char16_t>(lead));
            continue;
        }
        const int more = lead >= 0xC2 && lead <= 0xDF ? 1 : lead >= 0xE0 && lead <= 0xEF ? 2 : lead >= 0xF0 && lead <= 0xF4 ? 3 : 0;
        unsigned low = lead == 0xE0 ? 0xA0 : lead == 0xF0 ? 0x90 : 0x80;
        unsigned high = lead == 0xED ? 0x9F : lead == 0xF4 ? 0x8F : 0xBF;
        char32_t codePoint = lead & (0x3F >> more);
        int read = 0;
        while (read < more && i < bytes.size() && bytes[i] >= low && bytes[i] <= high) {
            codePoint = (codePoint << 6) | (bytes[i++] & 0x3F);
            low = 0x80, high = 0xBF;
            ++read;
        }
        if (more > 0 && read == more) AppendCodePoint(text, codePoint);
        else text.push_back(kReplacement);
    }
    return text;
}

std::string EncodeUtf8(std::u16string_view text, bool replaceUnpaired, bool& failed) {
    std::string bytes;
    bytes.reserve(text.size() * 3 / 2);
    ForEachCodePoint(text, [&](char32_t c) {
        if (c & kUnpaired) {
            failed = failed || !replaceUnpaired;
            c = kReplacement;
        }
        if (c < 0x80) {
            bytes.push_back(static_cast<char>(c));
        } else if (c < 0x800) {
            bytes.push_back(static_cast<char>(0xC0 | (c >> 6)));
            bytes.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        } else if (c < 0x10000) {
            bytes.push_back(static_cast<char>(0xE0 | (c >> 12)));
            bytes.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
            bytes.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        } else {
            bytes.push_back(static_cast<char>(0xF0 | (c >> 18)));
            bytes.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
            bytes.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
            bytes.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        }
    });
    return bytes;
}

std::u16string DecodeUtf16(std::span<const std::uint8_t> bytes, Kind kind) {
    bool bigEndian = kind != Kind::Utf16LE;
    if (kind == Kind::Utf16 && bytes.size() >= 2 && ((bytes[0] == 0xFE && bytes[1] == 0xFF) || (bytes[0] == 0xFF && bytes[1] == 0xFE))) {
        bigEndian = bytes[0] == 0xFE;
        bytes = bytes.subspan(2);
    }
    std::u16string text;
    text.reserve(bytes.size() / 2);
    bool leadWaiting = false;
    std::size_t i = 0;
    for (; i + 1 < bytes.size(); i += 2) {
        const char16_t unit = bigEndian ? static_cast<char16_t>((bytes[i] << 8) | bytes[i + 1])
                                        : static_cast<char16_t>(bytes[i] | (bytes[i + 1] << 8));
        if (leadWaiting && !IsTrail(unit)) text.back() = kReplacement;
        if (IsTrail(unit) && !leadWaiting) text.push_back(kReplacement);
        else text.push_back(unit);
        leadWaiting = IsLead(unit);
    }
    if (leadWaiting) text.back() = kReplacement;
    else if (i < bytes.size()) text.push_back(kReplacement);
    return text;
}

std::string EncodeUtf16(std::u16string_view text, Kind kind, bool& failed) {
    // ICU writes plain UTF-16 in little-endian order behind a byte-order mark.
    std::string bytes = kind == Kind::Utf16 ? "\xFF\xFE" : "";
    ForEachCodePoint(text, [&](char32_t c) { failed = failed || (c & kUnpaired); });
    for (char16_t unit : text) {
        const char high = static_cast<char>(unit >> 8), low = static_cast<char>(unit & 0xFF);
        bytes += kind == Kind::Utf16BE ? std::string{high, low} : std::string{low, high};
    }
    return bytes;
}

// UTF-7 (RFC 2152) as ICU reads and writes it: set O written directly, and
// every ill-formed part read as one U+FFFD.
int Base64Value(unsigned byte) {
    if (byte >= 'A' && byte <= 'Z') return static_cast<int>(byte - 'A');
    if (byte >= 'a' && byte <= 'z') return static_cast<int>(byte - 'a' + 26);
    if (byte >= '0' && byte <= '9') return static_cast<int>(byte - '0' + 52);
    if (byte == '+') return 62;
    if (byte == '/') return 63;
    return -1;
}
bool IsUtf7Byte(unsigned byte) {
    return (byte >= 0x20 && byte < 0x7E && byte != '\\') || byte == '\r' || byte == '\n' || byte == '\t';
}
bool WrittenDirectly(char16_t unit) { return IsUtf7Byte(unit) && unit != '+'; }
constexpr char kBase64[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

std::u16string DecodeUtf7(std::span<const std::uint8_t> bytes) {
    std::u16string text;
    bool direct = true;
    unsigned bits = 0;
    int sextets = -1;  // in base64: how many of the current three units' eight sextets were read, -1 right after '+'
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const unsigned byte = bytes[i];
        if (direct) {
            if (!IsUtf7Byte(byte)) text.push_back(kReplacement);
            else if (byte != '+') text.push_back(static_cast<char16_t>(byte));
            else direct = false, bits = 0, sextets = -1;
            continue;
        }
        const int value = Base64Value(byte);
        if (value >= 0) {
            bits = (bits << 6) | static_cast<unsigned>(value);
            sextets = sextets < 0 ? 1 : sextets + 1;
            const int spare = sextets == 3 ? 2 : sextets == 6 ? 4 : sextets == 8 ? 0 : -1;
            if (spare >= 0) {
                text.push_back(static_cast<char16_t>(bits >> spare));
                bits &= (1u << spare) - 1;
                if (sextets == 8) sextets = 0;
            }
            continue;
        }
        direct = true;
        if (byte == '-') {
            if (sextets == -1) text.push_back(u'+');
            else if (bits != 0) text.push_back(kReplacement);
        } else if (sextets == -1 || bits != 0) {
            text.push_back(kReplacement);
            --i;  // the byte that ended the base64 is read again
        } else if (!IsUtf7Byte(byte)) {
            text.push_back(kReplacement);
        } else {
            --i;
        }
    }
    if (!direct && bits != 0) text.push_back(kReplacement);
    return text;
}

std::string EncodeUtf7(std::u16string_view text) {
    std::string bytes;
    bool direct = true;
    unsigned bits = 0, spareBits = 0;
    const auto closeBase64 = [&](bool minus) {
        if (spareBits != 0) bytes.push_back(kBase64[bits << (6 - spareBits)]);
        if (minus) bytes.push_back('-');
        direct = true;
    };
    for (char16_t unit : text) {
        if (!direct && WrittenDirectly(unit)) closeBase64(Base64Value(unit) >= 0 || unit == '-');
        if (direct && WrittenDirectly(unit)) {
            bytes.push_back(static_cast<char>(unit));
        } else if (direct && unit == '+') {
            bytes += "+-";
        } else {
            if (direct) bytes.push_back('+'), direct = false, bits = 0, spareBits = 0;
            bits = (bits << 16) | unit;
            spareBits += 16;
            for (; spareBits >= 6; spareBits -= 6) bytes.push_back(kBase64[(bits >> (spareBits - 6)) & 0x3F]);
            bits &= (1u << spareBits) - 1;
        }
    }
    if (!direct) closeBase64(true);
    return bytes;
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
    case Kind::Utf16:
    case Kind::Utf16BE:
    case Kind::Utf16LE: break;
    }
    return DecodeUtf16(bytes, page.kind);
}

std::optional<std::vector<std::uint8_t>> EncodeBytes(std::u16string_view text, const TextDecoding& decoding) {
    const Page& page = PageFor(decoding);
    if (text.empty()) return std::vector<std::uint8_t>{};
    bool failed = false;
    std::optional<std::string> bytes;
    switch (page.kind) {
    case Kind::Machine: bytes = EncodeMachine(page.machine, text); break;
    case Kind::Utf8: bytes = EncodeUtf8(text, false, failed); break;
    case Kind::Utf7: bytes = EncodeUtf7(text); break;
    case Kind::Utf16:
    case Kind::Utf16BE:
    case Kind::Utf16LE: bytes = EncodeUtf16(text, page.kind, failed); break;
    }
    if (failed || !bytes) return std::nullopt;
    return std::vector<std::uint8_t>(bytes->begin(), bytes->end());
}

std::string ToUtf8(std::u16string_view text) {
    bool failed = false;
    return EncodeUtf8(text, true, failed);
}

std::u16string FromUtf8(std::string_view text) {
    return DecodeUtf8({reinterpret_cast<const std::uint8_t*>(text.data()), text.size()});
}

}  // namespace quorvex
