#include "rtf/rtfreader.h"

#include "rtf/rtfcharsets.h"

#include <QColor>
#include <QHash>
#include <QStringDecoder>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextDocument>

#include <climits>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace {

using namespace RtfCharsets;

enum class Dest : quint8
{
    Text,
    Skip,
    FontTable,
    ColorTable
};

// The character format as RTF states it; turned into a QTextCharFormat only when text is emitted
// so that format changes without text cost nothing.
struct CharState
{
    int font = -1; // number in the font table; -1 is the document's default font
    int halfPoints = 24;
    // Colour table indexes. Text without \cf is automatic, while \cf0 is the first entry: the
    // older control wrote a real colour there. Background 0 is none.
    int fg = -1;
    int bg = 0;
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strike = false;
    bool hidden = false;
    quint8 valign = 0; // 0 normal, 1 superscript, 2 subscript

    bool operator==(const CharState &o) const
    {
        return font == o.font && halfPoints == o.halfPoints && fg == o.fg && bg == o.bg &&
               bold == o.bold && italic == o.italic && underline == o.underline &&
               strike == o.strike && hidden == o.hidden && valign == o.valign;
    }
    bool operator!=(const CharState &o) const { return !(*this == o); }
};

size_t qHash(const CharState &s, size_t seed = 0)
{
    const int flags = int(s.bold) | int(s.italic) << 1 | int(s.underline) << 2 |
                      int(s.strike) << 3 | int(s.hidden) << 4 | int(s.valign) << 5;
    return qHashMulti(seed, s.font, s.halfPoints, s.fg, s.bg, flags);
}

struct GroupState
{
    CharState chr;
    int uc = 1;
    Dest dest = Dest::Text;
};

enum class Kw
{
    Par,
    Line,
    Tab,
    Cell,
    Plain,
    Bold,
    Italic,
    Underline,
    UnderlineNone,
    Strike,
    Hidden,
    Font,
    FontSize,
    Foreground,
    Background,
    Super,
    Sub,
    NoSuperSub,
    Unicode,
    UnicodeSkip,
    Bin,
    Char, // a word that stands for one character
    DefaultFont,
    AnsiCodePage,
    Mac,
    Pc,
    Pca,
    FontCharset,
    FontCodePage,
    Red,
    Green,
    Blue,
    FontTable,
    ColorTable,
    SkipGroup,
    Ignored, // known, so a \* before it does not skip its group
};

struct KwInfo
{
    Kw kw;
    char16_t ch = 0;
};

// Calls f for each blank-separated word of a string literal.
template<typename F> void forEachWord(std::string_view words, F f)
{
    while (!words.empty()) {
        const size_t blank = words.find(' ');
        f(words.substr(0, blank));
        words = blank == std::string_view::npos ? std::string_view() : words.substr(blank + 1);
    }
}

using Keywords = std::unordered_map<std::string_view, KwInfo>;

void addTextWords(Keywords &t)
{
    for (auto w : {"par", "page", "sect", "row", "nestrow"})
        t[w] = {Kw::Par};
    t["line"] = {Kw::Line};
    t["tab"] = {Kw::Tab};
    t["cell"] = {Kw::Cell};
    t["nestcell"] = {Kw::Cell};
    t["u"] = {Kw::Unicode};
    t["uc"] = {Kw::UnicodeSkip};
    t["bin"] = {Kw::Bin};
    t["emdash"] = {Kw::Char, 0x2014};
    t["endash"] = {Kw::Char, 0x2013};
    t["lquote"] = {Kw::Char, 0x2018};
    t["rquote"] = {Kw::Char, 0x2019};
    t["ldblquote"] = {Kw::Char, 0x201C};
    t["rdblquote"] = {Kw::Char, 0x201D};
    t["bullet"] = {Kw::Char, 0x2022};
    t["emspace"] = {Kw::Char, 0x2003};
    t["enspace"] = {Kw::Char, 0x2002};
    t["qmspace"] = {Kw::Char, 0x2005};
    t["zwj"] = {Kw::Char, 0x200D};
    t["zwnj"] = {Kw::Char, 0x200C};
    t["ltrmark"] = {Kw::Char, 0x200E};
    t["rtlmark"] = {Kw::Char, 0x200F};
}

void addFormatWords(Keywords &t)
{
    t["plain"] = {Kw::Plain};
    t["b"] = {Kw::Bold};
    t["i"] = {Kw::Italic};
    forEachWord("ul uld uldash uldashd uldashdd uldb ulhwave ulldash ulth ulthd ulthdash "
                "ulthdashd ulthdashdd ulthldash ululdbwave ulw ulwave",
                [&t](std::string_view w) { t[w] = {Kw::Underline}; });
    t["ulnone"] = {Kw::UnderlineNone};
    t["strike"] = {Kw::Strike};
    t["striked"] = {Kw::Strike};
    t["v"] = {Kw::Hidden};
    t["f"] = {Kw::Font};
    t["fs"] = {Kw::FontSize};
    t["cf"] = {Kw::Foreground};
    t["highlight"] = {Kw::Background};
    t["cb"] = {Kw::Background};
    t["chcbpat"] = {Kw::Background};
    t["super"] = {Kw::Super};
    t["sub"] = {Kw::Sub};
    t["nosupersub"] = {Kw::NoSuperSub};
    // Formatting words writers put after \* (Word's "\*\cs13" in a hyperlink's result):
    // known words, so the text of their group stays.
    forEachWord("cs s ds ts lang langfe langnp langfenp noproof loch hich dbch rtlch ltrch "
                "rtlpar ltrpar af afs ab ai alang insrsid charrsid delrsid pararsid sectrsid "
                "rsid ql qr qc qj qd li ri fi lin rin sa sb sl slmult sbauto saauto widctlpar "
                "nowidctlpar intbl itap aspalpha aspnum faauto adjustright outlinelevel keep "
                "keepn pagebb kerning expnd expndtw charscalex caps scaps outl shad embo impr "
                "pard sectd trowd deflang deflangfe viewkind nouicompat",
                [&t](std::string_view w) { t.try_emplace(w, KwInfo{Kw::Ignored}); });
    // A nested row's properties; Word leaves the group open over the nested cells' text, so it
    // is read through as readers of nested tables do. \nonesttables is skipped with the rest.
    t["nesttableprops"] = {Kw::Ignored};
}

void addDocumentWords(Keywords &t)
{
    t["deff"] = {Kw::DefaultFont};
    t["ansicpg"] = {Kw::AnsiCodePage};
    t["mac"] = {Kw::Mac};
    t["pc"] = {Kw::Pc};
    t["pca"] = {Kw::Pca};
    t["fonttbl"] = {Kw::FontTable};
    t["fcharset"] = {Kw::FontCharset};
    t["cpg"] = {Kw::FontCodePage};
    t["colortbl"] = {Kw::ColorTable};
    t["red"] = {Kw::Red};
    t["green"] = {Kw::Green};
    t["blue"] = {Kw::Blue};
    // Destinations whose content is not text of the document. \pntext stays: it is the
    // bullet or number a list item shows; \pn, the list's definition, goes, so that
    // bullets are not doubled. \nonesttables repeats nested cells, read already, for readers
    // that do not know nested tables.
    forEachWord(
        "info stylesheet pict object objdata header headerl headerr headerf footer footerl "
        "footerr footerf fldinst pn listtable listoverridetable revtbl rsidtbl filetbl "
        "footnote annotation atnid atnauthor xe tc template userprops shp shppict nonshppict "
        "do themedata colorschememapping latentstyles datastore xmlnstbl generator pgdsctbl "
        "buptim comment doccomm author operator title subject keywords company category "
        "manager hlinkbase creatim revtim printim mmathPr private nonesttables",
        [&t](std::string_view w) { t[w] = {Kw::SkipGroup}; });
}

const Keywords &keywords()
{
    static const Keywords table = [] {
        Keywords t;
        addTextWords(t);
        addFormatWords(t);
        addDocumentWords(t);
        return t;
    }();
    return table;
}

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

class Parser
{
public:
    Parser(const QByteArray &data, QTextCursor &cursor)
        : m_p(data.constData())
        , m_end(data.constData() + data.size())
        , m_cursor(cursor)
    {
        m_run.reserve(4096);
    }

    void run();

private:
    struct FontInfo
    {
        QString name;
        int codePage = 0;
        Symbols symbols = Symbols::None;
    };

    // Tokens
    void openGroup();
    bool closeGroup(); // false once the document's outer group has closed
    void control();
    void skipFallbackUnit(char c);
    void text(char c);
    void controlWord();
    void controlSymbol();
    void word(const KwInfo &info, bool hasParam, int param);
    bool documentWord(Kw kw, int param);
    void setDocumentCodePage(int cp);
    void fontTableWord(Kw kw, int param);
    void fontNameUnicode(int unit);
    void colorTableWord(Kw kw, int param);
    void textWord(const KwInfo &info, bool hasParam, int param);
    void formatWord(Kw kw, bool hasParam, int param);
    void skipBinary(int count);
    void textByte(uchar b);

    // Emission
    bool beginEmit();
    void emitPendingPars(int count);
    void emitChar(char16_t c);
    void emitUnicode(int unit);
    void emitByte(uchar b);
    void emitAscii(const char *text, qsizetype length);
    void paragraph();
    void dropHighSurrogate();
    void flushBytes();
    void flushRun();
    void finish();
    QString decode(const QByteArray &bytes, int cp);
    int currentCodePage();
    Symbols currentSymbols();
    int entryNameCodePage() const;
    QTextCharFormat formatFor(const CharState &state);

    void setDest(Dest dest);
    void setHidden(bool hidden);
    void noteDeepChange();

    // Tables
    void commitFontEntry();
    void commitColor();

    const char *m_p;
    const char *m_end;
    QTextCursor &m_cursor;

    GroupState m_st;
    std::vector<GroupState> m_stack;
    int m_unsaved = 0; // groups open beyond the saved-state cap
    // Beyond the cap, the outermost unsaved group that changed where text goes or whether it
    // shows, and what it changed: its close restores them, so that a skipped or hidden group
    // there cannot take the text after it along. Deeper changes are undone with it.
    int m_deepLevel = 0;
    Dest m_deepDest = Dest::Text;
    bool m_deepHidden = false;
    int m_skipUnits = 0;
    bool m_groupStart = false; // nothing but line ends since the last '{'
    bool m_starred = false;    // a \* opened the group: an unknown word next skips it

    std::unordered_map<int, FontInfo> m_fonts;
    int m_defaultFont = 0;
    int m_ansiCodePage = 1252;
    quint32 m_fontGeneration = 0;
    int m_cpFont = INT_MIN;
    quint32 m_cpGeneration = 0;
    int m_cpValue = 1252;
    Symbols m_cpSymbols = Symbols::None;

    int m_entryFont = -1;
    int m_entryCharset = -1;
    int m_entryCodePage = 0;
    QByteArray m_entryBytes;
    QString m_entryName;

    std::vector<QColor> m_colors;
    int m_red = 0;
    int m_green = 0;
    int m_blue = 0;
    bool m_colorSet = false;

    QString m_run;
    CharState m_runState;
    QByteArray m_bytes;
    int m_bytesCodePage = 1252;
    int m_pendingPars = 0;
    CharState m_pendingParState;
    char16_t m_pendingHigh = 0;

    RtfCharsets::Decoder m_decoder;
    QHash<CharState, QTextCharFormat> m_formats;
};

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
    const auto &table = keywords();
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

} // namespace

bool RtfReader::isRtf(const QByteArray &data)
{
    return data.startsWith("{\\rtf");
}

namespace {

bool hasUtf16Bom(const QByteArray &data)
{
    return data.startsWith("\xff\xfe") || data.startsWith("\xfe\xff");
}

} // namespace

bool RtfReader::isRtfOrText(const QByteArray &data)
{
    if (isRtf(data) || hasUtf16Bom(data))
        return true;
    qsizetype end = data.size();
    // Editors of old wrote a NUL or an end-of-file mark after the text.
    while (end > 0 && (data.at(end - 1) == '\0' || data.at(end - 1) == '\x1a'))
        --end;
    for (qsizetype i = 0; i < end; ++i) {
        const uchar c = uchar(data.at(i));
        if (c < 0x20 && c != '\t' && c != '\n' && c != '\r' && c != '\f')
            return false;
    }
    return true;
}

QString RtfReader::decodePlainText(const QByteArray &data)
{
    QString text;
    if (hasUtf16Bom(data)) {
        text = QStringDecoder(data.startsWith("\xff\xfe") ? QStringDecoder::Utf16LE
                                                          : QStringDecoder::Utf16BE)
                   .decode(data.mid(2));
    } else {
        QStringDecoder utf8(QStringDecoder::Utf8);
        text = utf8.decode(data);
        if (utf8.hasError())
            text = QStringDecoder("windows-1252").decode(data);
    }
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    // Control characters are invisible in the box, and the document's own frame and object
    // marks must not come from a file.
    text.removeIf([](QChar c) {
        const char16_t u = c.unicode();
        return (u < 0x20 && u != u'\t' && u != u'\n') || u == 0xFFFC || u == 0xFDD0 || u == 0xFDD1;
    });
    return text;
}

void RtfReader::read(const QByteArray &data, QTextDocument *document)
{
    const bool undo = document->isUndoRedoEnabled();
    document->setUndoRedoEnabled(false);
    document->clear();
    QTextCursor cursor(document);
    cursor.beginEditBlock();
    if (isRtf(data)) {
        Parser parser(data, cursor);
        parser.run();
    } else {
        cursor.insertText(decodePlainText(data));
    }
    cursor.endEditBlock();
    document->setUndoRedoEnabled(undo);
}
