#include "rtf/rtfwriter.h"

#include <QColor>
#include <QFont>
#include <QHash>
#include <QStringList>
#include <QTextBlock>
#include <QTextCharFormat>
#include <QTextDocument>
#include <QTextFragment>

#include <cmath>

namespace {

struct RunState
{
    int font = -1;
    int halfPoints = -1;
    int fg = 0;
    int bg = 0;
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strike = false;
    int valign = 0;
};

class Writer
{
public:
    explicit Writer(const QTextDocument *document)
        : m_document(document)
        , m_base(document->defaultFont())
    {}

    QByteArray write();

private:
    RunState stateOf(const QTextCharFormat &format);
    int fontIndex(const QString &family);
    int colorIndex(const QColor &color);
    void switchTo(const RunState &next);
    void word(const char *text);
    void word(const char *text, int value);
    void text(const QString &text);
    static QByteArray fontName(const QString &name);

    const QTextDocument *m_document;
    QFont m_base;
    QByteArray m_body;
    QStringList m_fonts;
    QHash<QString, int> m_fontIndex;
    QList<QRgb> m_colors;
    QHash<QRgb, int> m_colorIndex;
    RunState m_state;
    bool m_afterWord = false; // the next literal character needs a delimiting blank
};

int Writer::fontIndex(const QString &family)
{
    const auto it = m_fontIndex.constFind(family);
    if (it != m_fontIndex.constEnd())
        return it.value();
    const int index = int(m_fonts.size());
    m_fonts.append(family);
    m_fontIndex.insert(family, index);
    return index;
}

int Writer::colorIndex(const QColor &color)
{
    const QRgb rgb = color.rgb() | 0xFF000000u;
    const auto it = m_colorIndex.constFind(rgb);
    if (it != m_colorIndex.constEnd())
        return it.value();
    m_colors.append(rgb);
    // Entry 0 is the automatic colour.
    const int index = int(m_colors.size());
    m_colorIndex.insert(rgb, index);
    return index;
}

RunState Writer::stateOf(const QTextCharFormat &format)
{
    RunState s;
    QString family;
    const QStringList families = format.fontFamilies().toStringList();
    if (!families.isEmpty())
        family = families.first();
    if (family.isEmpty())
        family = m_base.family();
    s.font = fontIndex(family);

    double points = format.hasProperty(QTextFormat::FontPointSize) ? format.fontPointSize()
                                                                   : m_base.pointSizeF();
    if (points <= 0)
        points = 12;
    // Half-points, rounded half away from zero: 8.25 pt is written \fs17.
    s.halfPoints = int(std::lround(points * 2));

    s.bold = format.hasProperty(QTextFormat::FontWeight) ? format.fontWeight() >= QFont::DemiBold
                                                         : m_base.bold();
    s.italic = format.hasProperty(QTextFormat::FontItalic) ? format.fontItalic() : m_base.italic();
    s.underline = format.hasProperty(QTextFormat::TextUnderlineStyle) ||
                          format.hasProperty(QTextFormat::FontUnderline)
                      ? format.fontUnderline()
                      : m_base.underline();
    s.strike = format.hasProperty(QTextFormat::FontStrikeOut) ? format.fontStrikeOut()
                                                              : m_base.strikeOut();
    const QBrush fg = format.foreground();
    if (format.hasProperty(QTextFormat::ForegroundBrush) && fg.style() != Qt::NoBrush)
        s.fg = colorIndex(fg.color());
    const QBrush bg = format.background();
    if (format.hasProperty(QTextFormat::BackgroundBrush) && bg.style() != Qt::NoBrush)
        s.bg = colorIndex(bg.color());
    switch (format.verticalAlignment()) {
    case QTextCharFormat::AlignSuperScript:
        s.valign = 1;
        break;
    case QTextCharFormat::AlignSubScript:
        s.valign = 2;
        break;
    default:
        break;
    }
    return s;
}

void Writer::word(const char *text)
{
    m_body += '\\';
    m_body += text;
    m_afterWord = true;
}

void Writer::word(const char *text, int value)
{
    word(text);
    m_body += QByteArray::number(value);
}

void Writer::switchTo(const RunState &next)
{
    // Only what changes is written, every attribute switched off explicitly.
    if (next.fg != m_state.fg)
        word("cf", next.fg);
    if (next.bg != m_state.bg)
        word("highlight", next.bg);
    if (next.bold != m_state.bold)
        word(next.bold ? "b" : "b0");
    if (next.italic != m_state.italic)
        word(next.italic ? "i" : "i0");
    if (next.underline != m_state.underline)
        word(next.underline ? "ul" : "ulnone");
    if (next.strike != m_state.strike)
        word(next.strike ? "strike" : "strike0");
    if (next.valign != m_state.valign)
        word(next.valign == 1 ? "super" : next.valign == 2 ? "sub" : "nosupersub");
    if (next.font != m_state.font)
        word("f", next.font);
    if (next.halfPoints != m_state.halfPoints)
        word("fs", next.halfPoints);
    m_state = next;
}

void Writer::text(const QString &text)
{
    const QChar *c = text.constData();
    const QChar *end = c + text.size();
    for (; c < end; ++c) {
        const char16_t u = c->unicode();
        if (u >= 0x20 && u < 0x7F) {
            if (m_afterWord) {
                m_body += ' ';
                m_afterWord = false;
            }
            if (u == '\\' || u == '{' || u == '}')
                m_body += '\\';
            m_body += char(u);
            continue;
        }
        switch (u) {
        case u'\t':
            word("tab");
            continue;
        case QChar::LineSeparator:
            word("line");
            continue;
        case QChar::ParagraphSeparator:
        case QChar::ObjectReplacementCharacter:
        case 0xFDD0: // frame marks of the document's own structure
        case 0xFDD1:
            continue;
        default:
            break;
        }
        if (u < 0x20)
            continue;
        // Signed 16-bit, as every reader expects; a character beyond U+FFFF is already two
        // UTF-16 units here, so it goes out as a surrogate pair.
        m_body += "\\u";
        m_body += QByteArray::number(int(qint16(u)));
        m_body += '?';
        m_afterWord = false;
    }
}

QByteArray Writer::fontName(const QString &name)
{
    QByteArray out;
    for (const QChar c : name) {
        const char16_t u = c.unicode();
        if (u == ';' || u < 0x20)
            continue;
        if (u < 0x7F) {
            if (u == '\\' || u == '{' || u == '}')
                out += '\\';
            out += char(u);
        } else {
            out += "\\u" + QByteArray::number(int(qint16(u))) + '?';
        }
    }
    return out;
}

QByteArray Writer::write()
{
    // The default font is always font 0, the document's \deff.
    fontIndex(m_base.family());
    m_body.reserve(qsizetype(m_document->characterCount()) * 11 / 10 + 256);
    m_body += "\\viewkind4\\uc1\\pard";
    m_afterWord = true;
    for (QTextBlock block = m_document->begin(); block.isValid(); block = block.next()) {
        bool wroteRun = false;
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            if (!fragment.isValid())
                continue;
            switchTo(stateOf(fragment.charFormat()));
            text(fragment.text());
            wroteRun = true;
        }
        // An empty paragraph keeps the size it was typed in.
        if (!wroteRun)
            switchTo(stateOf(block.charFormat()));
        m_body += "\\par\r\n";
        m_afterWord = false;
    }
    m_body += "}\r\n";

    QByteArray out;
    out.reserve(m_body.size() + 256 + m_fonts.size() * 48 + m_colors.size() * 32);
    out += "{\\rtf1\\ansi\\ansicpg1252\\deff0\\deflang1033{\\fonttbl";
    for (int i = 0; i < m_fonts.size(); ++i) {
        out += "{\\f" + QByteArray::number(i) + "\\fnil\\fcharset0 ";
        out += fontName(m_fonts.at(i));
        out += ";}";
    }
    out += "}\r\n";
    if (!m_colors.isEmpty()) {
        out += "{\\colortbl ;";
        for (const QRgb rgb : std::as_const(m_colors)) {
            out += "\\red" + QByteArray::number(qRed(rgb)) + "\\green" +
                   QByteArray::number(qGreen(rgb)) + "\\blue" + QByteArray::number(qBlue(rgb)) +
                   ';';
        }
        out += "}\r\n";
    }
    out += m_body;
    return out;
}

} // namespace

QByteArray RtfWriter::write(const QTextDocument *document)
{
    return Writer(document).write();
}
