#pragma once

#include <QByteArray>
#include <QString>
#include <QStringDecoder>

#include <unordered_map>

// Code pages as RTF names them (\ansicpg, \cpg, \fcharset, \mac) and how their bytes become text.
namespace RtfCharsets {

// Fonts that draw their own pictures for byte values: Word writes their characters as those bytes
// under \fcharset2 or as \u in U+F020-U+F0FF. They read as the Unicode characters they show.
enum class Symbols : quint8
{
    None,
    Symbol,
    Wingdings
};

// The bytes of symbol fonts, as if they were code pages of their own.
constexpr int SymbolCodePage = -2;
constexpr int WingdingsCodePage = -3;

// The code page of a font's \fcharset: 0 for the document's own, negative for symbol fonts.
int codePageForCharset(int charset);

// Only code pages that real RTF uses are looked up, so that a document full of made-up numbers
// cannot make the reader open one converter after another.
bool isKnownCodePage(int cp);

Symbols symbolsOfFont(const QString &name);

// What a symbol font shows for a byte; 0 where it shows nothing known.
char16_t symbolFontChar(Symbols symbols, uchar b);

// Turns the bytes of a known code page into text, with one converter per code page.
class Decoder
{
public:
    QString decode(const QByteArray &bytes, int cp);

private:
    QStringDecoder &converter(int cp);
    static QString convert(QStringDecoder &converter, const QByteArray &bytes);
    static QString decodeMacDoubleByte(const QByteArray &bytes, int cp, QStringDecoder &converter);

    std::unordered_map<int, QStringDecoder> m_converters;
};

} // namespace RtfCharsets
