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

bool IrcMessage::is(IrcReply reply) const
{
    return command == QStringLiteral("%1").arg(int(reply), 3, 10, QLatin1Char('0'));
}

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
