#pragma once

#include <QByteArray>
#include <QString>

class QTextDocument;

// Reads RTF as the Windows rich-text control and common word processors write it into a
// QTextDocument: the text, the paragraphs and the character formats (font, size, bold, italic,
// underline, strike-out, colours, super- and subscript). Everything else is skipped.
//
// The input may come from a server, so the reader is built for hostile data: it never recurses,
// keeps a bounded number of saved group states, fonts and colours, saturates numbers, and builds
// the document through a text cursor only, so nothing in the input can load a resource, an
// image or an object, or run anything. Its time and memory are linear in the input's size.
class RtfReader
{
public:
    // True when the data is an RTF document (it starts with "{\rtf").
    static bool isRtf(const QByteArray &data);

    // Replaces the document's content with the data: RTF when isRtf(), else plain text.
    static void read(const QByteArray &data, QTextDocument *document);

    // True for RTF and for text; false for data with control bytes that text never holds (a
    // picture or an archive saved under the notes file's name), which must not be read as text
    // and then written over.
    static bool isRtfOrText(const QByteArray &data);

    // Plain text as a notes file holds it: UTF-16 with a byte-order mark, UTF-8 when the bytes
    // are valid UTF-8, else Windows code page 1252. Line ends of any platform become '\n'; other
    // control characters are dropped.
    static QString decodePlainText(const QByteArray &data);

    // Bounds that keep hostile input cheap. Real documents stay far below each of them.
    static constexpr int MaxSavedGroups = 512;
    static constexpr int MaxFonts = 1024;
    static constexpr int MaxFontNameLength = 256;
    static constexpr int MaxColors = 1024;
    static constexpr int MaxControlWordLength = 32;
};
