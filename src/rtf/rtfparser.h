#pragma once

#include "rtf/rtfcharsets.h"
#include "rtf/rtfkeywords.h"

#include <QByteArray>
#include <QColor>
#include <QHash>
#include <QString>
#include <QTextCharFormat>
#include <QTextCursor>

#include <climits>
#include <unordered_map>
#include <vector>

// The parser behind RtfReader, in three files by job: the tokenizer and group state
// (rtfparser.cpp), the font and colour tables (rtftables.cpp) and the text it builds
// (rtfoutput.cpp); the control words it knows are in rtfkeywords.cpp.
namespace RtfParsing {

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

inline size_t qHash(const CharState &s, size_t seed = 0)
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

    // The tokenizer and the group state (rtfparser.cpp). Those marked inline are called only
    // there: the hint lets the compiler fold them into the loop, as when the parser was one file.
    inline void openGroup();
    inline bool closeGroup(); // false once the document's outer group has closed
    inline void control();
    void skipFallbackUnit(char c);
    inline void text(char c);
    inline void controlWord();
    inline void controlSymbol();
    inline void word(const KwInfo &info, bool hasParam, int param);
    inline bool documentWord(Kw kw, int param);
    void setDocumentCodePage(int cp);
    inline void textWord(const KwInfo &info, bool hasParam, int param);
    inline void formatWord(Kw kw, bool hasParam, int param);
    void skipBinary(int count);
    void textByte(uchar b);
    void setDest(Dest dest);
    void setHidden(bool hidden);
    void noteDeepChange();

    // The font and colour tables, and the code page they give the text (rtftables.cpp)
    void fontTableWord(Kw kw, int param);
    void fontNameUnicode(int unit);
    void colorTableWord(Kw kw, int param);
    void commitFontEntry();
    void commitColor();
    int entryNameCodePage() const;
    Symbols currentSymbols();
    int currentCodePage();
    QString decode(const QByteArray &bytes, int cp);

    // The text and its formats, into the document (rtfoutput.cpp)
    bool beginEmit();
    void emitPendingPars(int count);
    void dropHighSurrogate();
    void emitChar(char16_t c);
    void emitUnicode(int unit);
    void emitByte(uchar b);
    void emitAscii(const char *text, qsizetype length);
    void paragraph();
    void flushBytes();
    void flushRun();
    void finish();
    QTextCharFormat formatFor(const CharState &state);

    const char *m_p;
    const char *m_end;
    QTextCursor &m_cursor;
    const Keywords &m_keywords = keywords(); // looked up once, not at every word

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

} // namespace RtfParsing
