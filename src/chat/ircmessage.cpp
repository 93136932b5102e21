#include "chat/ircmessage.h"

#include <QStringDecoder>

namespace {

bool isBreak(char c)
{
    return c == '\r' || c == '\n' || c == '\0';
}

QByteArray withoutBreakBytes(QByteArray bytes)
{
    bytes.removeIf(isBreak);
    return bytes;
}

bool isContinuation(char c)
{
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

// Where to cut utf8 so that the first part has at most maxBytes bytes and no character is split;
// a cut at 0 would mean a character longer than maxBytes, which is then kept whole.
int cutAt(const QByteArray &utf8, int from, int maxBytes)
{
    const int end = from + maxBytes;
    if (end >= utf8.size())
        return utf8.size();
    int cut = end;
    while (cut > from && isContinuation(utf8.at(cut)))
        --cut;
    if (cut > from)
        return cut;
    cut = end;
    while (cut < utf8.size() && isContinuation(utf8.at(cut)))
        ++cut;
    return cut;
}

// Splits "a b c :d e" style parameters. Returns the parameters with the trailing one last.
QStringList splitParams(const QByteArray &rest)
{
    QStringList params;
    int i = 0;
    const int n = rest.size();
    while (i < n) {
        while (i < n && rest.at(i) == ' ')
            ++i;
        if (i >= n)
            break;
        // Fifteen parameters at most: the fifteenth takes the rest of the line.
        if (rest.at(i) == ':' || params.size() == 14) {
            params.append(IrcMessage::decode(rest.mid(rest.at(i) == ':' ? i + 1 : i)));
            break;
        }
        int end = rest.indexOf(' ', i);
        if (end < 0)
            end = n;
        params.append(IrcMessage::decode(rest.mid(i, end - i)));
        i = end;
    }
    return params;
}

} // namespace

IrcMessage IrcMessage::parse(const QByteArray &rawLine)
{
    IrcMessage m;
    const QByteArray line = withoutBreakBytes(rawLine);
    int i = 0;
    const int n = line.size();
    auto skipBlanks = [&] {
        while (i < n && line.at(i) == ' ')
            ++i;
    };
    auto word = [&] {
        const int start = i;
        while (i < n && line.at(i) != ' ')
            ++i;
        return line.mid(start, i - start);
    };

    skipBlanks();
    if (i < n && line.at(i) == '@') {
        word();
        skipBlanks();
    }
    if (i < n && line.at(i) == ':') {
        ++i;
        m.prefix = decode(word());
        skipBlanks();
        const int bang = m.prefix.indexOf(QLatin1Char('!'));
        const int at = m.prefix.indexOf(QLatin1Char('@'), bang < 0 ? 0 : bang);
        if (bang >= 0) {
            m.nick = m.prefix.left(bang);
            m.user = at >= 0 ? m.prefix.mid(bang + 1, at - bang - 1) : m.prefix.mid(bang + 1);
        } else {
            m.nick = at >= 0 ? m.prefix.left(at) : m.prefix;
        }
        if (at >= 0)
            m.host = m.prefix.mid(at + 1);
    }
    m.command = decode(word()).toUpper();
    if (m.command.isEmpty())
        return IrcMessage();
    m.params = splitParams(line.mid(i));
    return m;
}

QString IrcMessage::decode(const QByteArray &bytes)
{
    QStringDecoder utf8(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    QString text = utf8.decode(bytes);
    if (utf8.hasError())
        return QString::fromLatin1(bytes);
    return text;
}

QString IrcMessage::withoutBreaks(const QString &text)
{
    QString clean = text;
    clean.removeIf(
        [](QChar c) { return c == QLatin1Char('\r') || c == QLatin1Char('\n') || c == QChar(0); });
    return clean;
}

QString IrcMessage::middleParam(const QString &text)
{
    QString clean = withoutBreaks(text).trimmed();
    for (int i = 0; i < clean.size(); ++i) {
        if (clean.at(i).isSpace()) {
            clean.truncate(i);
            break;
        }
    }
    if (clean.startsWith(QLatin1Char(':')))
        return QString();
    return clean;
}

QStringList IrcMessage::splitLines(const QString &text)
{
    QStringList lines;
    QString current;
    for (const QChar c : text) {
        if (c == QLatin1Char('\r') || c == QLatin1Char('\n')) {
            if (!current.isEmpty())
                lines.append(current);
            current.clear();
        } else if (c != QChar(0)) {
            current.append(c);
        }
    }
    if (!current.isEmpty())
        lines.append(current);
    return lines;
}

QList<QByteArray> IrcMessage::splitUtf8(const QByteArray &utf8, int maxBytes)
{
    maxBytes = qMax(maxBytes, 4);
    QList<QByteArray> pieces;
    int from = 0;
    while (from < utf8.size()) {
        const int cut = cutAt(utf8, from, maxBytes);
        pieces.append(utf8.mid(from, cut - from));
        from = cut;
    }
    return pieces;
}

QByteArray IrcMessage::truncateUtf8(const QByteArray &utf8, int maxBytes)
{
    if (maxBytes <= 0)
        return QByteArray();
    if (utf8.size() <= maxBytes)
        return utf8;
    int cut = maxBytes;
    while (cut > 0 && isContinuation(utf8.at(cut)))
        --cut;
    return utf8.left(cut);
}

QList<QByteArray> IrcMessage::privmsgLines(const QString &target, const QString &text,
                                           int relayPrefixBytes)
{
    const QByteArray to = middleParam(target).toUtf8();
    if (to.isEmpty())
        return {};
    const QByteArray head = "PRIVMSG " + to + " :";
    const int ownRoom = MaxContentBytes - int(head.size());
    if (ownRoom < 4)
        return {};
    // A piece must fit into our own line in any case; the relayed copy is longer by the prefix.
    const int room = qMax(ownRoom - qMax(relayPrefixBytes, 0), 4);

    QList<QByteArray> lines;
    for (const QString &line : splitLines(text)) {
        for (const QByteArray &piece : splitUtf8(line.toUtf8(), room))
            lines.append(head + piece);
    }
    return lines;
}

QString IrcMessage::displayText(const QString &text)
{
    QString shown;
    shown.reserve(text.size());
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u == '\n' || u == '\r' || u == '\v' || u == '\f' || u == 0x85 || u == 0x2028 ||
            u == 0x2029 || u == 0xFDD0 || u == 0xFDD1)
            shown.append(QLatin1Char(' '));
        else if ((u < 0x20 && u != '\t') || u == 0x7F)
            continue;
        else
            shown.append(c);
    }
    return shown;
}

QString IrcMessage::foldCase(const QString &text)
{
    QString folded = text;
    for (QChar &c : folded) {
        const char16_t u = c.unicode();
        if (u >= 'A' && u <= 'Z')
            c = QChar(u + 32);
        else if (u == '[')
            c = QLatin1Char('{');
        else if (u == ']')
            c = QLatin1Char('}');
        else if (u == '\\')
            c = QLatin1Char('|');
        else if (u == '~')
            c = QLatin1Char('^');
    }
    return folded;
}
