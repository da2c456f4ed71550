#include "TypeLists.h"

#include <array>

namespace quorvex::app {

namespace {

const std::array<TypeEntry, 9> kTableTypes = {{
    {u"Regular (2 bytes)", u"Low High Low High Low High Low High"},
    {u"Variation 1", u"Low Low Low Low High High High High"},
    {u"Scattered (2 bytes)",
     u"The table is a normal 2 byte pointer but all the values of the table are spread about. "
     u"This is also good for when you don't know where the table is :)."
     u"\r\n\r\nNote: You need the X000 Offset and the End Dialog Command!"},
    {u"Pascal Line", u"Each value in the table tells how long the string is."},
    {u"Regular (3 bytes)", u"Low1 Mid2 High3 Low1 Mid2 High3"},
    {u"Regular (4 bytes)", u"Low1 Mid2 Mid3 High4 Low1 Mid2 Mid3 High4"},
    {u"Scattered (4 bytes)",
     u"The table is a normal 4 byte pointer but all the values of the table are spread about. "
     u"This is also good for when you don't know where the table is :)."
     u"\r\n\r\nNote: You need the X000 Offset and the End Dialog Command!"},
    {u"4 byte Variation", u"High4 Mid3 Mid2 Low1 High4 Mid3 Mid2 Low1"},
    {u"Custom 1",
     u"This is a custom for the game Great Battle Cyber. You only need to put in the X000 Offset "
     u"(everything else is ignored)."},
}};

const std::array<TypeEntry, 3> kTextTypes = {{
    {u"Regular", u"Normal Text"},
    {u"Huffman v1", u"Compressed, Huffman Text Variation 1\r\n\r\nUsed in Battletoads."},
    {u"Huffman v2", u"Compressed, Huffman Text Variation 2\r\n\r\nUsed in DickTracy."},
}};

}  // namespace

std::span<const TypeEntry> TableTypeEntries() { return kTableTypes; }
std::span<const TypeEntry> TextTypeEntries() { return kTextTypes; }

QString DisplayText(const QString& text) {
    QString shown = text;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return shown;
}

}  // namespace quorvex::app
