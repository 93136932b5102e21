#include "rtf/rtfparser.h"

#include "rtf/rtfreader.h"

namespace RtfParsing {

void Parser::fontTableWord(Kw kw, int param)
{
    switch (kw) {
    case Kw::Font:
        commitFontEntry();
        m_entryFont = param;
        m_entryCharset = -1;
        m_entryCodePage = 0;
        m_entryBytes.clear();
        m_entryName.clear();
        break;
    case Kw::FontCharset:
        m_entryCharset = param;
        break;
    case Kw::FontCodePage:
        m_entryCodePage = isKnownCodePage(param) ? param : 0;
        break;
    case Kw::Unicode:
        fontNameUnicode(param < 0 ? param + 65536 : param);
        m_skipUnits = m_st.uc;
        break;
    default:
        break;
    }
}

void Parser::fontNameUnicode(int unit)
{
    if (m_entryFont < 0 || m_entryName.size() >= RtfReader::MaxFontNameLength || unit < 0x20 ||
        unit > 0xFFFF)
        return;
    m_entryName += decode(m_entryBytes, entryNameCodePage());
    m_entryBytes.clear();
    m_entryName += QChar(char16_t(unit));
}

void Parser::colorTableWord(Kw kw, int param)
{
    int *component = nullptr;
    switch (kw) {
    case Kw::Red:
        component = &m_red;
        break;
    case Kw::Green:
        component = &m_green;
        break;
    case Kw::Blue:
        component = &m_blue;
        break;
    default:
        return;
    }
    *component = qBound(0, param, 255);
    m_colorSet = true;
}

void Parser::commitFontEntry()
{
    if (m_entryFont < 0)
        return;
    QString name = m_entryName + decode(m_entryBytes, entryNameCodePage());
    name = name.trimmed().left(RtfReader::MaxFontNameLength);
    int cp = m_entryCodePage ? m_entryCodePage : codePageForCharset(m_entryCharset);
    // Any \fcharset2 font draws pictures for bytes; Symbol and Wingdings are known by name also
    // where no charset is given, and their \u forms map whatever the charset says.
    Symbols symbols = symbolsOfFont(name);
    if (symbols == Symbols::None && cp == SymbolCodePage)
        symbols = Symbols::Symbol;
    if (cp == SymbolCodePage ||
        (m_entryCharset < 0 && !m_entryCodePage && symbols != Symbols::None))
        cp = symbols == Symbols::Wingdings ? WingdingsCodePage : SymbolCodePage;
    const int number = m_entryFont;
    m_entryFont = -1;
    m_entryBytes.clear();
    m_entryName.clear();
    if (m_fonts.size() >= size_t(RtfReader::MaxFonts) && m_fonts.find(number) == m_fonts.end())
        return;
    m_fonts[number] = FontInfo{name, cp, symbols};
    ++m_fontGeneration;
    m_formats.clear();
}

void Parser::commitColor()
{
    // An entry without components is "automatic" (usually the first one).
    if (m_colors.size() < size_t(RtfReader::MaxColors))
        m_colors.push_back(m_colorSet ? QColor(m_red, m_green, m_blue) : QColor());
    m_red = m_green = m_blue = 0;
    m_colorSet = false;
    m_formats.clear();
}

int Parser::entryNameCodePage() const
{
    // A symbol font's own name is in letters, not in its pictures.
    const int cp = m_entryCodePage ? m_entryCodePage : codePageForCharset(m_entryCharset);
    return cp < 0 ? 0 : cp;
}

Symbols Parser::currentSymbols()
{
    currentCodePage();
    return m_cpSymbols;
}

int Parser::currentCodePage()
{
    const int font = m_st.chr.font < 0 ? m_defaultFont : m_st.chr.font;
    if (font == m_cpFont && m_cpGeneration == m_fontGeneration)
        return m_cpValue;
    m_cpFont = font;
    m_cpGeneration = m_fontGeneration;
    auto it = m_fonts.find(font);
    if (it == m_fonts.end())
        it = m_fonts.find(m_defaultFont);
    m_cpValue =
        it != m_fonts.end() && it->second.codePage != 0 ? it->second.codePage : m_ansiCodePage;
    m_cpSymbols = it != m_fonts.end() ? it->second.symbols : Symbols::None;
    return m_cpValue;
}

QString Parser::decode(const QByteArray &bytes, int cp)
{
    return m_decoder.decode(bytes, cp == 0 ? m_ansiCodePage : cp);
}

} // namespace RtfParsing
