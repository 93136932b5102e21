#include "rtf/rtfparser.h"

#include "rtf/rtfreader.h"

namespace RtfParsing {

namespace {

bool isLetter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// Printable ASCII that is text as it stands.
bool isPlainText(char c)
{
    return c >= 0x20 && c < 0x7F && c != '\\' && c != '{' && c != '}';
}

} // namespace

void Parser::run()
{
    while (m_p < m_end) {
        const char c = *m_p;
        if (c == '{') {
            ++m_p;
            openGroup();
        } else if (c == '}') {
            ++m_p;
            if (!closeGroup())
                break;
        } else if (c == '\r' || c == '\n') {
            ++m_p;
        } else if (m_skipUnits > 0) {
            skipFallbackUnit(c);
        } else if (c == '\\') {
            ++m_p;
            control();
        } else {
            text(c);
        }
    }
    finish();
}

void Parser::control()
{
    if (m_p < m_end && isLetter(*m_p))
        controlWord();
    else
        controlSymbol();
}

void Parser::skipFallbackUnit(char c)
{
    // A fallback after \u: one unit is a character, a \'hh or a control word.
    --m_skipUnits;
    ++m_p;
    if (c != '\\')
        return;
    const GroupState saved = m_st;
    m_st.dest = Dest::Skip; // parsed for its extent only (a \bin still skips data)
    control();
    m_st = saved;
}

void Parser::text(char c)
{
    m_groupStart = false;
    if (m_st.dest == Dest::Skip) {
        while (m_p < m_end && *m_p != '\\' && *m_p != '{' && *m_p != '}')
            ++m_p;
        return;
    }
    if (m_st.dest == Dest::Text && isPlainText(c)) {
        const char *start = m_p;
        while (m_p < m_end && isPlainText(*m_p))
            ++m_p;
        emitAscii(start, m_p - start);
        return;
    }
    ++m_p;
    textByte(uchar(c));
}

void Parser::openGroup()
{
    m_skipUnits = 0;
    m_groupStart = true;
    m_starred = false;
    if (m_stack.size() < size_t(RtfReader::MaxSavedGroups))
        m_stack.push_back(m_st);
    else
        ++m_unsaved; // still counted, so the braces stay balanced
}

bool Parser::closeGroup()
{
    m_skipUnits = 0;
    if (m_unsaved > 0) {
        if (m_deepLevel == m_unsaved) {
            m_st.dest = m_deepDest;
            m_st.chr.hidden = m_deepHidden;
            m_deepLevel = 0;
        }
        --m_unsaved;
        return true;
    }
    if (m_st.dest == Dest::FontTable)
        commitFontEntry();
    if (m_stack.empty())
        return false;
    m_st = m_stack.back();
    m_stack.pop_back();
    // Text after the document's outer group (CR LF, a NUL, junk) is not part of it.
    return !m_stack.empty();
}

void Parser::controlWord()
{
    const char *start = m_p;
    while (m_p < m_end && isLetter(*m_p))
        ++m_p;
    const qsizetype length = m_p - start;

    bool negative = false;
    if (m_p + 1 < m_end && *m_p == '-' && isDigit(m_p[1])) {
        negative = true;
        ++m_p;
    }
    bool hasParam = false;
    qint64 value = 0;
    while (m_p < m_end && isDigit(*m_p)) {
        hasParam = true;
        // Saturates: a number of hundreds of digits is still read to its end.
        if (value < INT_MAX)
            value = qMin<qint64>(value * 10 + (*m_p - '0'), INT_MAX);
        ++m_p;
    }
    if (m_p < m_end && *m_p == ' ')
        ++m_p;
    const int param = int(negative ? -value : value);

    const bool starred = m_starred;
    m_starred = false;
    m_groupStart = false;
    const auto &table = m_keywords;
    const auto it = length > RtfReader::MaxControlWordLength
                        ? table.end()
                        : table.find(std::string_view(start, size_t(length)));
    if (it == table.end()) {
        // \* marks an optional destination: one the reader does not know is skipped whole.
        if (starred)
            setDest(Dest::Skip);
        return;
    }
    word(it->second, hasParam, param);
}

void Parser::controlSymbol()
{
    if (m_p >= m_end)
        return;
    const char c = *m_p++;
    // \* counts only as the first thing in its group; anywhere else it is ignored.
    m_starred = c == '*' && m_groupStart;
    m_groupStart = false;
    switch (c) {
    case '\'': {
        const int hi = m_p < m_end ? hexValue(m_p[0]) : -1;
        const int lo = m_p + 1 < m_end ? hexValue(m_p[1]) : -1;
        // Bad hex: the \' is dropped and what follows reads as it stands.
        if (hi >= 0 && lo >= 0) {
            m_p += 2;
            textByte(uchar(hi * 16 + lo));
        }
        return;
    }
    case '\r':
    case '\n':
        if (m_st.dest == Dest::Text)
            paragraph();
        return;
    case '\\':
    case '{':
    case '}':
        if (m_st.dest == Dest::Text)
            emitChar(char16_t(c));
        else
            textByte(uchar(c));
        return;
    case '~':
        if (m_st.dest == Dest::Text)
            emitChar(0x00A0);
        return;
    case '-':
        if (m_st.dest == Dest::Text)
            emitChar(0x00AD);
        return;
    case '_':
        if (m_st.dest == Dest::Text)
            emitChar(0x2011);
        return;
    case '\t':
        if (m_st.dest == Dest::Text)
            emitChar(u'\t');
        return;
    }
}

void Parser::word(const KwInfo &info, bool hasParam, int param)
{
    if (info.kw == Kw::Bin) {
        skipBinary(hasParam ? param : 0);
        return;
    }
    if (m_st.dest == Dest::Skip || documentWord(info.kw, param))
        return;
    switch (m_st.dest) {
    case Dest::Text:
        textWord(info, hasParam, param);
        break;
    case Dest::FontTable:
        fontTableWord(info.kw, param);
        break;
    case Dest::ColorTable:
        colorTableWord(info.kw, param);
        break;
    case Dest::Skip:
        break;
    }
}

bool Parser::documentWord(Kw kw, int param)
{
    switch (kw) {
    case Kw::FontTable:
        setDest(Dest::FontTable);
        m_entryFont = -1;
        return true;
    case Kw::ColorTable:
        setDest(Dest::ColorTable);
        m_colorSet = false;
        return true;
    case Kw::SkipGroup:
        setDest(Dest::Skip);
        return true;
    case Kw::DefaultFont:
        m_defaultFont = param;
        ++m_fontGeneration;
        m_formats.clear();
        return true;
    case Kw::AnsiCodePage:
        setDocumentCodePage(isKnownCodePage(param) ? param : 1252);
        return true;
    case Kw::Mac:
        setDocumentCodePage(10000);
        return true;
    case Kw::Pc:
        setDocumentCodePage(437);
        return true;
    case Kw::Pca:
        setDocumentCodePage(850);
        return true;
    case Kw::UnicodeSkip:
        m_st.uc = qMax(0, param);
        return true;
    default:
        return false;
    }
}

void Parser::setDocumentCodePage(int cp)
{
    m_ansiCodePage = cp;
    ++m_fontGeneration;
}

void Parser::textWord(const KwInfo &info, bool hasParam, int param)
{
    switch (info.kw) {
    case Kw::Par:
        paragraph();
        break;
    case Kw::Line:
        emitChar(QChar::LineSeparator);
        break;
    case Kw::Tab:
    case Kw::Cell:
        emitChar(u'\t');
        break;
    case Kw::Char:
        emitChar(info.ch);
        break;
    case Kw::Unicode:
        emitUnicode(param < 0 ? param + 65536 : param);
        m_skipUnits = m_st.uc;
        break;
    default:
        formatWord(info.kw, hasParam, param);
        break;
    }
}

void Parser::formatWord(Kw kw, bool hasParam, int param)
{
    const bool on = !hasParam || param != 0;
    CharState &chr = m_st.chr;
    switch (kw) {
    case Kw::Plain:
        setHidden(false);
        chr = CharState();
        break;
    case Kw::Bold:
        chr.bold = on;
        break;
    case Kw::Italic:
        chr.italic = on;
        break;
    case Kw::Underline:
    case Kw::UnderlineNone:
        chr.underline = on && kw == Kw::Underline;
        break;
    case Kw::Strike:
        chr.strike = on;
        break;
    case Kw::Hidden:
        setHidden(on);
        break;
    case Kw::Font:
        chr.font = hasParam ? param : 0;
        break;
    case Kw::FontSize:
        // The rich-text control's own limit is 1638 points.
        chr.halfPoints = param > 0 ? qMin(param, 3276) : 24;
        break;
    case Kw::Foreground:
        chr.fg = param;
        break;
    case Kw::Background:
        chr.bg = qMax(0, param);
        break;
    case Kw::Super:
    case Kw::Sub:
    case Kw::NoSuperSub:
        chr.valign = !on || kw == Kw::NoSuperSub ? 0 : kw == Kw::Super ? 1 : 2;
        break;
    default:
        break;
    }
}

void Parser::noteDeepChange()
{
    if (m_unsaved > 0 && m_deepLevel == 0) {
        m_deepLevel = m_unsaved;
        m_deepDest = m_st.dest;
        m_deepHidden = m_st.chr.hidden;
    }
}

void Parser::setDest(Dest dest)
{
    noteDeepChange();
    m_st.dest = dest;
}

void Parser::setHidden(bool hidden)
{
    if (hidden != m_st.chr.hidden)
        noteDeepChange();
    m_st.chr.hidden = hidden;
}

void Parser::skipBinary(int count)
{
    // Raw bytes, braces included, in any destination; never more than what is left.
    if (count <= 0)
        return;
    const qsizetype left = m_end - m_p;
    m_p += qMin<qsizetype>(count, left);
}

void Parser::textByte(uchar b)
{
    switch (m_st.dest) {
    case Dest::Text:
        if (b >= 0x20 || b == '\t')
            emitByte(b);
        break;
    case Dest::FontTable:
        if (b == ';')
            commitFontEntry();
        else if (m_entryFont >= 0 && b >= 0x20 &&
                 m_entryBytes.size() + m_entryName.size() < RtfReader::MaxFontNameLength)
            m_entryBytes += char(b);
        break;
    case Dest::ColorTable:
        if (b == ';')
            commitColor();
        break;
    case Dest::Skip:
        break;
    }
}

} // namespace RtfParsing
