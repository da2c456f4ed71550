// Writes the demo ROM image and its character table: invented text behind a
// two-byte pointer table, with two pointers sharing one string and a few bytes
// that have no table entry.
#include "platform/Files.h"

#include <cstdint>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace {

constexpr std::size_t kRomSize = 0x400;
constexpr std::size_t kTableStart = 0x10;
constexpr std::size_t kTextStart = 0x100;
constexpr std::uint32_t kPointerBase = 0x8000;  // the game sees its text at 0x8000 + offset

const char* const kTable =
    "# Quorvex demo table: one code a line, then = and its text\r\n"
    "01=A\r\n02=B\r\n03=C\r\n04=D\r\n05=E\r\n06=F\r\n07=G\r\n08=H\r\n09=I\r\n0A=J\r\n0B=K\r\n0C=L\r\n0D=M\r\n"
    "0E=N\r\n0F=O\r\n10=P\r\n11=Q\r\n12=R\r\n13=S\r\n14=T\r\n15=U\r\n16=V\r\n17=W\r\n18=X\r\n19=Y\r\n1A=Z\r\n"
    "1B=a\r\n1C=b\r\n1D=c\r\n1E=d\r\n1F=e\r\n20=f\r\n21=g\r\n22=h\r\n23=i\r\n24=j\r\n25=k\r\n26=l\r\n27=m\r\n"
    "28=n\r\n29=o\r\n2A=p\r\n2B=q\r\n2C=r\r\n2D=s\r\n2E=t\r\n2F=u\r\n30=v\r\n31=w\r\n32=x\r\n33=y\r\n34=z\r\n"
    "40= \r\n41=!\r\n42=,\r\n43=.\r\n44=?\r\n45='\r\n"
    "F001=[Hero]\r\n"
    "FE=[LINE]\r\n"
    "FF=[END]\r\n";

// Strings in ROM order; "~" stands for the hero's two-byte name code, "|" for
// a line break, and "#" for a control byte that has no table entry.
const std::vector<std::string> kStrings = {
    "Welcome to Quillhaven!",
    "The lamps are lit at dusk.|Mind the canals.",
    "~, you look tired.",
    "Rest here?",
    "You slept soundly.",
    "Nothing happens.",
    "The gate is locked.",
    "A key? Try the mill.",
    "#The miller waves.",
    "Grain for the fair.",
    "The river is high today.",
    "~ found a brass key!",
    "Thank you, ~!",
    "Come back soon.",
    "Too heavy to carry.",
    "The fair opens at noon.|Bring coins.",
    "Shh. The owls sleep.",
    "#Quiet now.#",
    "The end of the road.",
};

// Pointer-table order: the string each pointer names. Two pointers name string 5.
const std::vector<int> kPointerTargets = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 5, 13, 14, 15, 16, 17, 18};

std::vector<std::uint8_t> Encode(const std::string& text) {
    std::map<char, std::uint8_t> codes;
    for (char c = 'A'; c <= 'Z'; ++c) codes[c] = static_cast<std::uint8_t>(0x01 + (c - 'A'));
    for (char c = 'a'; c <= 'z'; ++c) codes[c] = static_cast<std::uint8_t>(0x1B + (c - 'a'));
    codes[' '] = 0x40; codes['!'] = 0x41; codes[','] = 0x42; codes['.'] = 0x43; codes['?'] = 0x44; codes['\''] = 0x45;
    std::vector<std::uint8_t> bytes;
    for (char c : text) {
        if (c == '~') { bytes.push_back(0xF0); bytes.push_back(0x01); }
        else if (c == '|') bytes.push_back(0xFE);
        else if (c == '#') bytes.push_back(0x7E);
        else bytes.push_back(codes.at(c));
    }
    bytes.push_back(0xFF);
    return bytes;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string folder = argc > 1 ? argv[1] : ".";
    std::vector<std::uint8_t> rom(kRomSize, 0x00);
    const char title[] = "QUORVEX DEMO";
    std::copy(title, title + sizeof title - 1, rom.begin());

    std::vector<std::size_t> stringOffsets;
    std::size_t at = kTextStart;
    for (const std::string& text : kStrings) {
        stringOffsets.push_back(at);
        for (std::uint8_t byte : Encode(text)) rom.at(at++) = byte;
    }
    for (std::size_t i = 0; i < kPointerTargets.size(); ++i) {
        const std::uint32_t value = kPointerBase + static_cast<std::uint32_t>(stringOffsets[kPointerTargets[i]]);
        rom.at(kTableStart + 2 * i) = static_cast<std::uint8_t>(value);
        rom.at(kTableStart + 2 * i + 1) = static_cast<std::uint8_t>(value >> 8);
    }

    const std::string table = kTable;
    quorvex::SaveFileAtomically(folder + "/demo.bin", rom);
    quorvex::SaveFileAtomically(folder + "/demo.tbl",
                                std::span(reinterpret_cast<const std::uint8_t*>(table.data()), table.size()));
    std::printf("Table %zX-%zX, text %zX-%zX\n", kTableStart, kTableStart + 2 * kPointerTargets.size() - 1, kTextStart,
                at - 1);
    return 0;
}
