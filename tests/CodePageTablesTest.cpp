// The browser build's code pages (tables written from ICU, Unicode forms
// computed by hand) against ICU itself, on every byte pair and on random text.
#include "platform/CodePage.h"

#include <gtest/gtest.h>
#include <unicode/ucnv.h>
#include <unicode/ustring.h>

#include <algorithm>
#include <memory>
#include <random>

using namespace quorvex;

namespace {

struct ConverterCloser {
    void operator()(UConverter* converter) const { ucnv_close(converter); }
};
using Converter = std::unique_ptr<UConverter, ConverterCloser>;

Converter Open(const std::string& name) {
    UErrorCode status = U_ZERO_ERROR;
    Converter converter(ucnv_open(name.c_str(), &status));
    return U_SUCCESS(status) ? std::move(converter) : nullptr;
}

std::u16string IcuDecode(UConverter* converter, std::vector<std::uint8_t> bytes) {
    bytes.erase(std::find(bytes.begin(), bytes.end(), 0), bytes.end());
    std::u16string text(bytes.size() * 2 + 16, u'\0');
    UErrorCode status = U_ZERO_ERROR;
    const int32_t length = ucnv_toUChars(converter, text.data(), static_cast<int32_t>(text.size()),
                                         reinterpret_cast<const char*>(bytes.data()),
                                         static_cast<int32_t>(bytes.size()), &status);
    text.resize(static_cast<std::size_t>(length));
    return text;
}

std::optional<std::vector<std::uint8_t>> IcuEncode(UConverter* converter, const std::u16string& text) {
    if (text.empty()) return std::vector<std::uint8_t>{};
    UErrorCode status = U_ZERO_ERROR;
    ucnv_setFromUCallBack(converter, UCNV_FROM_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &status);
    ucnv_resetFromUnicode(converter);
    std::vector<std::uint8_t> bytes(text.size() * 8 + 16);
    const int32_t length = ucnv_fromUChars(converter, reinterpret_cast<char*>(bytes.data()),
                                           static_cast<int32_t>(bytes.size()), text.data(),
                                           static_cast<int32_t>(text.size()), &status);
    if (U_FAILURE(status)) return std::nullopt;
    bytes.resize(static_cast<std::size_t>(length));
    return bytes;
}

TextDecoding Named(const std::string& name) {
    return {ReadMode::Ascii, name};
}

const char* const kPages[] = {
    "windows-1250", "windows-1252", "windows-1253", "windows-1255", "windows-1258", "ISO-8859-1", "ISO-8859-3",
    "ISO-8859-8",   "ISO-8859-11",  "US-ASCII",     "KOI8-R",       "Shift_JIS",    "EUC-JP",     "Big5",
    "GBK",          "EUC-KR",       "UTF-8",        "UTF-7",        "UTF-16",       "UTF-16BE",   "UTF-16LE"};

TEST(CodePageTablesTest, NamesAreKnownAsIcuKnowsThem) {
    for (const char* name : {"windows-1252", "WINDOWS_1252", "cp1252", "ibm-5348", "iso-8859-01", "latin1",
                             "shift-jis", "sjis", "ibm-943_P15A-2003", "euc-jp", "Big5", "gbk", "cp936", "koi8r", "utf8",
                             "UTF-7", "utf16le", "ISO-8859-16", "ISO-8859-12", "no-such-page", ""})
        EXPECT_EQ(IsKnownCodePage(name), Open(name) != nullptr) << name;
}

TEST(CodePageTablesTest, DecodesEveryOneAndTwoBytesAndRandomBytesAsIcu) {
    std::mt19937 random(7);
    for (const char* name : kPages) {
        const Converter icu = Open(name);
        std::vector<std::vector<std::uint8_t>> inputs;
        for (unsigned first = 1; first < 256; ++first)
            for (unsigned second = 0; second < 256; second += (first < 0x80 ? 17 : 1))
                inputs.push_back({static_cast<std::uint8_t>(first), static_cast<std::uint8_t>(second)});
        for (int i = 0; i < 3000; ++i) {
            std::vector<std::uint8_t> bytes(random() % 12);
            for (auto& byte : bytes) byte = static_cast<std::uint8_t>(random() % 8 == 0 ? '+' : random() % 255 + 1);
            inputs.push_back(bytes);
        }
        int mismatches = 0;
        for (const auto& bytes : inputs) {
            const std::u16string expected = IcuDecode(icu.get(), bytes);
            if (DecodeBytes(bytes, Named(name)) != expected && ++mismatches < 4)
                ADD_FAILURE() << name << ": " << testing::PrintToString(bytes);
        }
    }
}

TEST(CodePageTablesTest, EncodesAsIcuAndRefusesWhatIcuRefuses) {
    std::mt19937 random(11);
    for (const char* name : kPages) {
        const Converter icu = Open(name);
        int mismatches = 0;
        for (int i = 0; i < 3000; ++i) {
            // Mostly characters the page holds (what its bytes decode to), some it may not.
            std::vector<std::uint8_t> bytes(random() % 10);
            for (auto& byte : bytes) byte = static_cast<std::uint8_t>(random() % 255 + 1);
            std::u16string text = IcuDecode(icu.get(), bytes);
            std::erase(text, u'\uFFFD');
            if (i % 3 == 0) text.insert(random() % (text.size() + 1), 1, static_cast<char16_t>(random() % 0x10000));
            if (i % 5 == 0) text += u"+-~\\\r\n\U0001F600";
            const auto expected = IcuEncode(icu.get(), text);
            if (EncodeBytes(text, Named(name)) != expected && ++mismatches < 4)
                ADD_FAILURE() << name << ": " << testing::PrintToString(text);
        }
    }
}

TEST(CodePageTablesTest, Utf8TextConvertsAsIcu) {
    std::mt19937 random(13);
    for (int i = 0; i < 20000; ++i) {
        std::string bytes(random() % 10, '\0');
        for (char& byte : bytes) byte = static_cast<char>(random() % 3 == 0 ? random() % 0x80 : random() % 256);
        std::u16string expected(bytes.size() + 1, u'\0');
        int32_t length = 0;
        UErrorCode status = U_ZERO_ERROR;
        u_strFromUTF8WithSub(expected.data(), static_cast<int32_t>(expected.size()), &length, bytes.data(),
                             static_cast<int32_t>(bytes.size()), 0xFFFD, nullptr, &status);
        expected.resize(static_cast<std::size_t>(length));
        ASSERT_EQ(FromUtf8(bytes), expected) << testing::PrintToString(bytes);

        std::u16string text(random() % 6, u'\0');
        for (char16_t& unit : text) unit = static_cast<char16_t>(random() % 2 ? random() % 0x10000 : 0xD800 + random() % 0x800);
        std::string utf8(text.size() * 3 + 1, '\0');
        u_strToUTF8WithSub(utf8.data(), static_cast<int32_t>(utf8.size()), &length, text.data(),
                           static_cast<int32_t>(text.size()), 0xFFFD, nullptr, &status);
        utf8.resize(static_cast<std::size_t>(length));
        ASSERT_EQ(ToUtf8(text), utf8);
    }
}

}  // namespace
