#include "job/Messages.h"

#include "platform/CodePage.h"
#include "platform/Numbers.h"

namespace quorvex::messages {

std::u16string NotInTable(std::u16string_view threeCharacters) {
    return u"You have come to a character(s) that isn't in the table!!\r\n" + std::u16string(threeCharacters) +
           u"\r\nExiting!";
}

std::u16string OverLimitQuestion(std::int64_t bytes) {
    return u"You are " + FormatDec(bytes) + u" bytes over the end text limit!\r\nContinue?";
}

std::u16string EndedOver(std::int64_t bytes) {
    return u"You ended with going " + FormatDec(bytes) + u" bytes over the original text limit!";
}

std::u16string EndedLeftOver(std::int64_t bytes) {
    return u"You ended with " + FormatDec(bytes) + u" bytes left over from the original text limit!";
}

std::u16string StringsWithoutPointer(std::int64_t count) {
    return FormatDec(count) + u" strings had no pointer to rewrite.";
}

namespace {
std::u16string Range(std::int64_t first, std::int64_t last) {
    return FormatHex(static_cast<std::int32_t>(first)) + u"\u2013" + FormatHex(static_cast<std::int32_t>(last));
}
}  // namespace

std::u16string LeavesBank(std::int64_t line, std::int64_t bankFirst, std::int64_t bankLast) {
    return u"Line " + FormatDec(line) + u": the text leaves its bank (" + Range(bankFirst, bankLast) + u").";
}

std::u16string PastEndOfRom(std::int64_t offset) {
    return u"The text runs past the end of the ROM file (offset " + FormatHex(static_cast<std::int32_t>(offset)) + u").";
}

std::u16string PositionInScript(std::int64_t line, std::int64_t column) {
    return u"Line " + FormatDec(line) + u", column " + FormatDec(column) + u".";
}

std::u16string ShortestSaves(std::int64_t bytes) {
    return u"\r\nShortest encoding: " + FormatDec(bytes) + u" bytes fewer than longest match.";
}

std::u16string WholeScriptOver(std::int64_t bytes) {
    return u"The whole script is " + FormatDec(bytes) + u" bytes over the original text limit.";
}

std::u16string CheckFirstLine(std::int32_t textStart, std::int32_t textEnd, std::int64_t size) {
    return u"Text Starts at " + FormatHex(textStart) + u" and ends at " + FormatHex(textEnd) + u" (" + FormatDec(size) +
           u" bytes)\r\n";
}

std::u16string TotalLength(std::int64_t total) {
    return u"Total length: " + FormatDec(total) + u" (x" + FormatHex(static_cast<std::int32_t>(total)) + u") bytes\r\n";
}

std::u16string CheckOver(std::int64_t bytes) {
    return u"You are " + FormatDec(bytes) + u" bytes over the original text limit!";
}

std::u16string CheckUnder(std::int64_t bytes) {
    return u"You are " + FormatDec(bytes) + u" bytes under the original text limit!";
}

std::u16string BadLine(std::int64_t lineNumber, std::u16string_view problem, std::u16string_view line) {
    return u"Line " + FormatDec(lineNumber) + u": " + std::u16string(problem) + std::u16string(line);
}

std::u16string FileErrorMessage(std::string_view path, std::string_view reason) {
    return u"File error: \"" + FromUtf8(path) + u"\" could not be used: " + FromUtf8(reason) + u".";
}

std::u16string Unexpected(std::u16string_view what) {
    return u"Something went wrong (" + std::u16string(what) + u"): the command was stopped and nothing was written.";
}

std::u16string PatchForAnotherRom(std::uint32_t patchCrc, std::uint32_t romCrc) {
    const auto hex8 = [](std::uint32_t value) {
        return FormatHex2(value >> 24) + FormatHex2((value >> 16) & 0xFF) + FormatHex2((value >> 8) & 0xFF) +
               FormatHex2(value & 0xFF);
    };
    return u"The patch was made for another ROM (CRC32 " + hex8(patchCrc) + u", this one is " + hex8(romCrc) + u").";
}

std::u16string NotAPatch(std::string_view path) {
    return FromUtf8(path) + u" is not an IPS or BPS patch.";
}

std::u16string UnknownPatchExtension(std::string_view path) {
    return FromUtf8(path) + u": a patch must end in .ips or .bps.";
}

std::u16string HitCount(std::int64_t count) {
    return FormatDec(count) + u" hits";
}

std::u16string OutputIsAnInput(std::string_view path) {
    return FromUtf8(path) + u" is a file this command reads: write the result to another file.";
}

std::u16string Wrote(std::string_view path, std::int64_t bytes) {
    return u"Wrote " + FromUtf8(path) + u" (" + FormatDec(bytes) + u" bytes).";
}

std::u16string JobStopped(std::string_view script, std::u16string_view message) {
    return FromUtf8(script) + u": " + std::u16string(message);
}

std::u16string StringGrew(std::int64_t line, std::int64_t bytes, std::int64_t before) {
    return u"Line " + FormatDec(line) + u": " + FormatDec(bytes) + u" bytes, " + FormatDec(before) + u" before (+" +
           FormatDec(bytes - before) + u").";
}

std::u16string TooWide(std::int64_t line, std::int64_t width, std::int64_t maxWidth, std::u16string_view piece) {
    return u"Line " + FormatDec(line) + u": " + FormatDec(width) + u" characters wide, the box holds " +
           FormatDec(maxWidth) + u": " + std::u16string(piece);
}


std::u16string AreaClaimedTwice(std::u16string_view a, std::u16string_view b, std::int64_t first, std::int64_t last) {
    return std::u16string(a) + u" and " + std::u16string(b) + u" both claim " + Range(first, last) + u".";
}

std::u16string RunsIntoArea(std::int64_t line, bool table, std::u16string_view owner, std::int64_t first,
                            std::int64_t last) {
    return u"Line " + FormatDec(line) + (table ? u": the text runs into the pointer table of " : u": the text runs into the text area of ") +
           std::u16string(owner) + u" (" + Range(first, last) + u").";
}

std::u16string ProjectProblem(std::string_view file, std::int64_t line, std::u16string_view problem) {
    return FromUtf8(file) + u":" + FormatDec(line) + u": " + std::u16string(problem) + u".";
}

std::u16string UnknownProjectKey(std::string_view key) {
    return u"unknown key \"" + FromUtf8(key) + u"\"";
}

std::u16string ProjectMapDiffers(std::string_view scriptMap, std::string_view projectMap) {
    return u"The script names the map " + FromUtf8(scriptMap) + u"; the project says " + FromUtf8(projectMap) + u".";
}

std::u16string ProjectKeyMustBe(std::string_view key, std::u16string_view what) {
    return u"\"" + FromUtf8(key) + u"\" must be " + std::u16string(what);
}

std::u16string ProjectKeyRequired(std::string_view key) {
    return u"\"" + FromUtf8(key) + u"\" is required";
}

std::u16string FixChecksumQuestion(std::u16string_view line) {
    return std::u16string(line) + u"\r\n\r\nWrite the computed checksum into the ROM?";
}

std::u16string RedoReplaceQuestion(std::u16string_view path) {
    return u"ReDo Script will replace \"" + std::u16string(path) +
           u"\" with a fresh extraction of its header. Continue?";
}

std::u16string SuggestTotals(std::int64_t after, std::int64_t before) {
    return u"The text takes " + FormatDec(after) + u" bytes instead of " + FormatDec(before) + u" (" +
           FormatDec(before - after) + u" fewer).";
}

std::u16string SuggestLengths(int longest) {
    return u"--min-length and --max-length must be 2 to " + FormatDec(longest) + u", the first not above the second.";
}

std::u16string NotANumber(std::u16string_view text) {
    return u"\"" + std::u16string(text) + u"\" is not a number.";
}

std::u16string StartHits(std::u16string_view start, std::int64_t offset, std::int64_t count) {
    return u"No hit for the whole text; \"" + std::u16string(start) + u"\" hits at " +
           FormatHex(static_cast<std::int32_t>(offset)) + u" (" + FormatDec(count) + (count == 1 ? u" hit" : u" hits") +
           u"): the next letters may be one code (a ligature or a dictionary entry).";
}

std::u16string NoSuchHit(std::int64_t hit, std::int64_t count) {
    return u"There is no hit " + FormatDec(hit) + u": the search found " + FormatDec(count) + u".";
}

namespace {

std::u16string Quoted(std::string_view text) {
    return u"\"" + FromUtf8(text) + u"\"";
}

}  // namespace

std::u16string NotANumber(std::string_view option, std::string_view text) {
    return FromUtf8(option) + u" must be a number, not " + Quoted(text) + u".";
}

std::u16string BadReadMode(std::string_view text) {
    return u"--read-mode must be ascii, utf7 or utf8, not " + Quoted(text) + u".";
}

std::u16string UnknownCodePage(std::string_view name) {
    return u"The code page " + Quoted(name) + u" is not known.";
}

std::u16string BadEndByte(std::string_view text) {
    return u"--end-byte must be one byte XX, not " + Quoted(text) + u".";
}

std::u16string BadChecksumSystem(std::string_view name) {
    return u"The checksum system must be auto, snes, gb, gba or md, not " + Quoted(name) + u".";
}

std::u16string UnknownTableType(std::string_view text) {
    return u"Unknown table type " + Quoted(text) + u".";
}

std::u16string UnknownTextType(std::string_view text) {
    return u"Unknown text type " + Quoted(text) + u".";
}

std::u16string UnknownMap(std::string_view name) {
    return u"Unknown map " + Quoted(name) + u".";
}

std::u16string BadSuggestCodes(std::string_view text) {
    return std::u16string(kSuggestCodes) + u" Not " + Quoted(text) + u".";
}

}  // namespace quorvex::messages
