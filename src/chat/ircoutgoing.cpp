#include "chat/ircoutgoing.h"

#include <QStringList>

namespace {

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

// The text's lines, split at CR LF, CR and LF, NULs removed, empty lines left out.
QStringList splitLines(const QString &text)
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

// Cuts UTF-8 text into pieces of at most maxBytes bytes, never inside a character (a character
// longer than maxBytes is kept whole). maxBytes below 4 counts as 4.
QList<QByteArray> splitUtf8(const QByteArray &utf8, int maxBytes)
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

} // namespace

namespace IrcOutgoing {

QString withoutBreaks(const QString &text)
{
    QString clean = text;
    clean.removeIf(
        [](QChar c) { return c == QLatin1Char('\r') || c == QLatin1Char('\n') || c == QChar(0); });
    return clean;
}

QString middleParam(const QString &text)
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

QByteArray truncateUtf8(const QByteArray &utf8, int maxBytes)
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

QList<QByteArray> privmsgLines(const QString &target, const QString &text, int relayPrefixBytes)
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

} // namespace IrcOutgoing
