#include "rtf/rtfparser.h"

#include <QTextDocument>

namespace RtfParsing {

bool Parser::beginEmit()
{
    if (m_st.dest != Dest::Text || m_st.chr.hidden)
        return false;
    if (m_pendingPars > 0)
        emitPendingPars(m_pendingPars);
    if (m_st.chr != m_runState) {
        flushBytes();
        flushRun();
        m_runState = m_st.chr;
    }
    return true;
}

void Parser::emitPendingPars(int count)
{
    // Each paragraph mark keeps the format it was written in: an empty line keeps its size.
    flushBytes();
    if (m_pendingParState != m_runState) {
        flushRun();
        m_runState = m_pendingParState;
    }
    m_run.append(QString(count, QChar::ParagraphSeparator));
    m_pendingPars = 0;
}

void Parser::dropHighSurrogate()
{
    if (m_pendingHigh) {
        m_run += QChar(QChar::ReplacementCharacter);
        m_pendingHigh = 0;
    }
}

void Parser::emitChar(char16_t c)
{
    if (!beginEmit())
        return;
    flushBytes();
    dropHighSurrogate();
    m_run += QChar(c);
}

void Parser::emitUnicode(int unit)
{
    if (unit < 0 || unit > 0xFFFF || !beginEmit())
        return;
    flushBytes();
    char16_t c = char16_t(unit);
    if (c >= 0xF020 && c <= 0xF0FF) {
        if (const char16_t shown = symbolFontChar(currentSymbols(), uchar(c)))
            c = shown;
    }
    if (QChar::isHighSurrogate(c)) {
        dropHighSurrogate();
        m_pendingHigh = c;
        return;
    }
    if (QChar::isLowSurrogate(c)) {
        if (m_pendingHigh) {
            m_run += QChar(m_pendingHigh);
            m_run += QChar(c);
            m_pendingHigh = 0;
        } else {
            m_run += QChar(QChar::ReplacementCharacter);
        }
        return;
    }
    dropHighSurrogate();
    if (c == QChar::ParagraphSeparator) {
        paragraph();
        return;
    }
    // Characters that would make the document build blocks, frames or objects, and controls.
    if ((c < 0x20 && c != u'\t') || c == 0xFFFC || c == 0xFFFE || c == 0xFFFF ||
        (c >= 0xFDD0 && c <= 0xFDEF))
        return;
    m_run += QChar(c);
}

void Parser::emitByte(uchar b)
{
    if (!beginEmit())
        return;
    dropHighSurrogate();
    const int cp = currentCodePage();
    if (b < 0x80 && m_bytes.isEmpty() && cp >= 0) {
        m_run += QLatin1Char(char(b));
        return;
    }
    if (!m_bytes.isEmpty() && cp != m_bytesCodePage)
        flushBytes();
    m_bytesCodePage = cp;
    m_bytes += char(b);
}

void Parser::emitAscii(const char *text, qsizetype length)
{
    if (!beginEmit())
        return;
    // A symbol font's letters are its pictures too.
    if (m_pendingHigh || !m_bytes.isEmpty() || currentCodePage() < 0) {
        for (qsizetype i = 0; i < length; ++i)
            emitByte(uchar(text[i]));
        return;
    }
    m_run.append(QLatin1String(text, length));
}

void Parser::paragraph()
{
    if (m_st.dest != Dest::Text)
        return;
    flushBytes();
    dropHighSurrogate();
    if (m_pendingPars > 0 && m_pendingParState != m_st.chr)
        emitPendingPars(m_pendingPars);
    m_pendingParState = m_st.chr;
    ++m_pendingPars;
}

void Parser::flushBytes()
{
    if (m_bytes.isEmpty())
        return;
    m_run += decode(m_bytes, m_bytesCodePage);
    m_bytes.clear();
}

void Parser::flushRun()
{
    if (m_run.isEmpty())
        return;
    m_cursor.insertText(m_run, formatFor(m_runState));
    m_run.truncate(0);
}

void Parser::finish()
{
    flushBytes();
    dropHighSurrogate();
    // The last paragraph's own \par closes it; it does not open an empty one after it.
    if (m_pendingPars > 1)
        emitPendingPars(m_pendingPars - 1);
    m_pendingPars = 0;
    flushRun();
}

QTextCharFormat Parser::formatFor(const CharState &state)
{
    const auto cached = m_formats.constFind(state);
    if (cached != m_formats.constEnd())
        return cached.value();

    QTextCharFormat format;
    auto font = m_fonts.find(state.font < 0 ? m_defaultFont : state.font);
    if (font == m_fonts.end())
        font = m_fonts.find(m_defaultFont);
    if (font != m_fonts.end() && !font->second.name.isEmpty())
        format.setFontFamilies(QStringList{font->second.name});
    format.setFontPointSize(state.halfPoints / 2.0);
    format.setFontWeight(state.bold ? QFont::Bold : QFont::Normal);
    format.setFontItalic(state.italic);
    format.setFontUnderline(state.underline);
    format.setFontStrikeOut(state.strike);
    auto color = [this](int index) {
        return index >= 0 && size_t(index) < m_colors.size() ? m_colors[size_t(index)] : QColor();
    };
    if (const QColor fg = color(state.fg); fg.isValid())
        format.setForeground(fg);
    if (const QColor bg = color(state.bg); state.bg > 0 && bg.isValid())
        format.setBackground(bg);
    if (state.valign == 1)
        format.setVerticalAlignment(QTextCharFormat::AlignSuperScript);
    else if (state.valign == 2)
        format.setVerticalAlignment(QTextCharFormat::AlignSubScript);
    m_formats.insert(state, format);
    return format;
}

} // namespace RtfParsing
