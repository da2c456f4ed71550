#pragma once
#include <cstdint>
#include <string>
#include <string_view>

// Every text the engine shows the user, in one place, so the dialog, the
// command line and the tests use the same words.
namespace quorvex::messages {

inline constexpr std::u16string_view kNoRom = u"You can't run this without the ROM!";
inline constexpr std::u16string_view kNoInsertFile = u"You can't run this without the Insert File!";
inline constexpr std::u16string_view kNoTestText = u"You can't run this without some input text!";
inline constexpr std::u16string_view kDone = u"Done";
inline constexpr std::u16string_view kBadFileInsert = u"THIS IS A BAD FILE!";
inline constexpr std::u16string_view kBadFileCheck = u"Bad File!";
inline constexpr std::u16string_view kBadFileRedo = u"BAD FILE!";
inline constexpr std::u16string_view kRomNotChanged = u"The ROM was not changed.";
inline constexpr std::u16string_view kTooManyEntries = u"The pointer table has more than 65535 entries.";
inline constexpr std::u16string_view kCommandTooLong = u"The End Dialog Command can be at most 4 bytes (8 digits).";
inline constexpr std::u16string_view kScriptTooLarge =
    u"The script would be longer than 268435456 characters: check Text End, the text type and HuffTable.";
inline constexpr std::u16string_view kMapNeedsTable =
    u"A map reads pointers from a table: Scattered and PascalLine jobs can't use one.";
inline constexpr std::u16string_view kMapNeedsRom = u"A script with a map can't be measured without the ROM.";
inline constexpr std::u16string_view kHuffmanNeedsRom = u"Huffman v2 text can't be measured without the ROM.";
inline constexpr std::u16string_view kUnexpectedLetter = u"Unexpected letter/word found\r\n\r\n";
inline constexpr std::u16string_view kCheckDone = u"Done.\r\n\r\n";
inline constexpr std::u16string_view kTextFits = u"The text fits perfectly!";
// A table that holds lines no lookup reads ("@NAME", "!XX=NAME,N", keys of more than 3 bytes).
inline constexpr std::u16string_view kTableLinesNotRead = u"Table switches (!XX) are not read; the line is ignored.";
inline constexpr std::u16string_view kOutOfMemory = u"Out of memory: the command was stopped and nothing was written.";
// "Something went wrong (%s): the command was stopped and nothing was written."
[[nodiscard]] std::u16string Unexpected(std::u16string_view what);

// "You have come to a character(s) that isn't in the table!!\r\n%c%c%c\r\nExiting!"
[[nodiscard]] std::u16string NotInTable(std::u16string_view threeCharacters);
// "Line %i, column %i.": where an unknown character stands in the script.
[[nodiscard]] std::u16string PositionInScript(std::int64_t line, std::int64_t column);
// "\r\nShortest encoding: %i bytes fewer than longest match."
[[nodiscard]] std::u16string ShortestSaves(std::int64_t bytes);
// "The whole script is %i bytes over the original text limit."
[[nodiscard]] std::u16string WholeScriptOver(std::int64_t bytes);
// "You are %i bytes over the end text limit!\r\nContinue?"
[[nodiscard]] std::u16string OverLimitQuestion(std::int64_t bytes);
// "You ended with going %i bytes over the original text limit!"
[[nodiscard]] std::u16string EndedOver(std::int64_t bytes);
// "You ended with %i bytes left over from the original text limit!"
[[nodiscard]] std::u16string EndedLeftOver(std::int64_t bytes);
// "%i strings had no pointer to rewrite."
[[nodiscard]] std::u16string StringsWithoutPointer(std::int64_t count);
// "Line %i: the text leaves its bank (%X–%X)."
[[nodiscard]] std::u16string LeavesBank(std::int64_t line, std::int64_t bankFirst, std::int64_t bankLast);
// "The text runs past the end of the ROM file (offset %X)."
[[nodiscard]] std::u16string PastEndOfRom(std::int64_t offset);
// "Text Starts at %X and ends at %X (%i bytes)\r\n"
[[nodiscard]] std::u16string CheckFirstLine(std::int32_t textStart, std::int32_t textEnd, std::int64_t size);
// "Total length: %i (x%X) bytes\r\n"
[[nodiscard]] std::u16string TotalLength(std::int64_t total);
// "You are %i bytes over the original text limit!"
[[nodiscard]] std::u16string CheckOver(std::int64_t bytes);
// "You are %i bytes under the original text limit!"
[[nodiscard]] std::u16string CheckUnder(std::int64_t bytes);
// "Line %i: %i bytes, %i before (+%i)." for a string that grew past its entry's string in the ROM.
[[nodiscard]] std::u16string StringGrew(std::int64_t line, std::int64_t bytes, std::int64_t before);
// "Line %i: %i characters wide, the box holds %i: PIECE"
[[nodiscard]] std::u16string TooWide(std::int64_t line, std::int64_t width, std::int64_t maxWidth,
                                     std::u16string_view piece);
inline constexpr std::u16string_view kLinesNeedRom = u"Listing the strings that grew needs the ROM: their sizes before come from it.";
// "Line %i: " followed by what is wrong and the line itself.
[[nodiscard]] std::u16string BadLine(std::int64_t lineNumber, std::u16string_view problem, std::u16string_view line);
inline constexpr std::u16string_view kNeedsOffset = u"a pointer line needs an offset: ";
inline constexpr std::u16string_view kNeedsSecondOffset = u"a repeat or move line needs a second offset: ";
inline constexpr std::u16string_view kNeedsEscapes = u"without a table, a text line must be made of <XX> escapes: ";

// The file error: names the file and the system's reason.
[[nodiscard]] std::u16string FileErrorMessage(std::string_view path, std::string_view reason);


// Patches and header checksums.
inline constexpr std::u16string_view kIpsPastSixteenMiB = u"IPS patches cannot reach past 16 MiB; use .bps.";
inline constexpr std::u16string_view kIpsSizePastSixteenMiB =
    u"An IPS patch cannot make a file of 16 MiB or more; use .bps.";
inline constexpr std::u16string_view kPatchDamaged = u"The patch is damaged.";
inline constexpr std::u16string_view kImageTooLargeToPatch = u"Images larger than 1 GiB cannot be patched.";
inline constexpr std::u16string_view kNoKnownHeader = u"No known header was found.";
inline constexpr std::u16string_view kNoSnesHeader = u"No SNES header was found.";
inline constexpr std::u16string_view kNoGbHeader = u"No Game Boy header was found.";
inline constexpr std::u16string_view kNoGbaHeader = u"No Game Boy Advance header was found.";
inline constexpr std::u16string_view kNoMdHeader = u"No Mega Drive header was found.";
inline constexpr std::u16string_view kNoHeaderLeftAlone = u"No header checksum found: the image is left as it is.";
// "The patch was made for another ROM (CRC32 %08X, this one is %08X)."
[[nodiscard]] std::u16string PatchForAnotherRom(std::uint32_t patchCrc, std::uint32_t romCrc);
// "PATH is not an IPS or BPS patch."
[[nodiscard]] std::u16string NotAPatch(std::string_view path);
// "PATH: a patch must end in .ips or .bps."
[[nodiscard]] std::u16string UnknownPatchExtension(std::string_view path);

// Finding the job: relative search and the pointer finder.
inline constexpr std::u16string_view kSearchTextTooShort =
    u"Type at least three letters or digits, two of them different.";
inline constexpr std::u16string_view kPointerSearchNeedsOffsets =
    u"Give at least two different text offsets, or one text offset and the X000 Offset.";
inline constexpr std::u16string_view kTextOffsetOutsideRom = u"Every text offset must lie inside the ROM.";
// "%i hits"
[[nodiscard]] std::u16string HitCount(std::int64_t count);

// Writing results beside the ROM, and translation builds.
// "PATH is a file this command reads: write the result to another file."
[[nodiscard]] std::u16string OutputIsAnInput(std::string_view path);
// "Wrote PATH (N bytes)."
[[nodiscard]] std::u16string Wrote(std::string_view path, std::int64_t bytes);
// "SCRIPT: MESSAGE" for the build job whose insert stopped.
[[nodiscard]] std::u16string JobStopped(std::string_view script, std::u16string_view message);
// "A and B both claim FIRST–LAST." for two jobs of a build whose areas overlap.
[[nodiscard]] std::u16string AreaClaimedTwice(std::u16string_view a, std::u16string_view b, std::int64_t first,
                                              std::int64_t last);
// "Line %i: the text runs into the text area of OWNER (FIRST–LAST)." ("the pointer table of" for a table)
[[nodiscard]] std::u16string RunsIntoArea(std::int64_t line, bool table, std::u16string_view owner,
                                          std::int64_t first, std::int64_t last);
inline constexpr std::u16string_view kBuildWroteNothing = u"The build stopped: nothing was written.";
// "FILE:LINE: PROBLEM" for a project file the build cannot use.
[[nodiscard]] std::u16string ProjectProblem(std::string_view file, std::int64_t line, std::u16string_view problem);
// "unknown key \"KEY\""
[[nodiscard]] std::u16string UnknownProjectKey(std::string_view key);
// "\"KEY\" must be WHAT"
[[nodiscard]] std::u16string ProjectKeyMustBe(std::string_view key, std::u16string_view what);
// "\"KEY\" is required"
[[nodiscard]] std::u16string ProjectKeyRequired(std::string_view key);
inline constexpr std::u16string_view kProjectNeedsOutput = u"give \"output\", \"patch\" or both";
inline constexpr std::u16string_view kMustBeString = u"a string";
inline constexpr std::u16string_view kMustBeBoolean = u"true or false";
inline constexpr std::u16string_view kMustBePositive = u"a whole number above 0";
inline constexpr std::u16string_view kMustBeStrings = u"a list of strings";
inline constexpr std::u16string_view kMustBeYesNo = u"\"yes\" or \"no\"";
inline constexpr std::u16string_view kMustBeChecksum = u"none, auto, snes, gb, gba or md";
inline constexpr std::u16string_view kMustBeReadMode = u"utf8, utf7 or ascii";
inline constexpr std::u16string_view kMustBeCodePage = u"a known code page";
inline constexpr std::u16string_view kMustBeJobs = u"[[job]] tables";
inline constexpr std::u16string_view kMustBeMap = u"lorom, hirom, exhirom, gb, nes or none";
// "The script names the map %s; the project says %s."
[[nodiscard]] std::u16string ProjectMapDiffers(std::string_view scriptMap, std::string_view projectMap);
inline constexpr std::u16string_view kMustBePatchPath = u"a path ending in .ips or .bps";
inline constexpr std::u16string_view kReplaceUnsavedQuestion =
    u"The extracted script has not been saved. Replace it with the build's report?";
// "LINE\r\n\r\nWrite the computed checksum into the ROM?"
[[nodiscard]] std::u16string FixChecksumQuestion(std::u16string_view line);

// The dialog's questions before it replaces or drops the user's work.
// "ReDo Script will replace \"PATH\" with a fresh extraction of its header. Continue?"
[[nodiscard]] std::u16string RedoReplaceQuestion(std::u16string_view path);
inline constexpr std::u16string_view kCloseUnsavedQuestion =
    u"The extracted script has not been saved. Close Quorvex anyway?";

// Dictionary suggestions.
// "The text takes %i bytes instead of %i (%i fewer)."
[[nodiscard]] std::u16string SuggestTotals(std::int64_t after, std::int64_t before);
inline constexpr std::u16string_view kSuggestCount = u"--count must be 0 or more.";
// "--min-length and --max-length must be 2 to N, the first not above the second."
[[nodiscard]] std::u16string SuggestLengths(int longest);
inline constexpr std::u16string_view kSuggestCodes =
    u"--codes must be two hexadecimal bytes XX-YY, the first not above the second.";
inline constexpr std::u16string_view kSuggestHuffman =
    u"Huffman v2 text can take no new entries: its codes are fixed in the ROM.";
inline constexpr std::u16string_view kSuggestTableEncoding =
    u"The new entries cannot be written in the table file's encoding: nothing was written.";

// Relative search and the pointer finder, as commands.
inline constexpr std::u16string_view kSearchWidth = u"The width must be 1 or 2.";
inline constexpr std::u16string_view kHitNumber = u"The hit number must be 1 or more.";
inline constexpr std::u16string_view kNoPointerTable = u"No pointer table points at all of these strings.";
inline constexpr std::u16string_view kEndByteHint =
    u"If an offset lies inside its string, give the byte that ends strings: --end-byte XX.";
// "No hit for the whole text; \"START\" hits at OFFSET (N hits): the next letters may be one code (a ligature or a dictionary entry)."
[[nodiscard]] std::u16string StartHits(std::u16string_view start, std::int64_t offset, std::int64_t count);
// "\"TEXT\" is not a number."
[[nodiscard]] std::u16string NotANumber(std::u16string_view text);
// "There is no hit K: the search found N."
[[nodiscard]] std::u16string NoSuchHit(std::int64_t hit, std::int64_t count);

// A Huffman text type with a Scattered layout, which reads no Huffman code:
// as the table type is picked, and as the text type is (and on Extract).
inline constexpr std::u16string_view kHuffmanWithScattered2 = u"TextSel can't be 1 or 2 while TableSel is 2!";
inline constexpr std::u16string_view kHuffmanWithScattered = u"TextSel can't be 1 or 2 while TableSel is 2 or 6!";

// The command line's usage errors; names and values as the user typed them.
[[nodiscard]] std::u16string NotANumber(std::string_view option, std::string_view text);
[[nodiscard]] std::u16string BadReadMode(std::string_view text);
[[nodiscard]] std::u16string UnknownCodePage(std::string_view name);
[[nodiscard]] std::u16string BadEndByte(std::string_view text);
[[nodiscard]] std::u16string BadChecksumSystem(std::string_view name);
[[nodiscard]] std::u16string UnknownTableType(std::string_view text);
[[nodiscard]] std::u16string UnknownTextType(std::string_view text);
[[nodiscard]] std::u16string UnknownMap(std::string_view name);
[[nodiscard]] std::u16string BadSuggestCodes(std::string_view text);
inline constexpr std::u16string_view kBreakNeedsMaxWidth = u"--break needs --max-width.";
inline constexpr std::u16string_view kOffsetOrMap = u"Give --x-offset or --map, not both.";

}  // namespace quorvex::messages
