#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

// The rules for building lines that a server accepts: whatever the player typed, a line sent
// carries no break of its own and fits into the protocol's line. Lines received are parsed by
// IrcMessage.
namespace IrcOutgoing {

// Longest line a server accepts, CR LF included.
constexpr int MaxLineBytes = 512;
// The same without the line end: what one line's content may take.
constexpr int MaxContentBytes = MaxLineBytes - 2;

// The text with every CR, LF and NUL removed: a parameter of an outgoing line.
QString withoutBreaks(const QString &text);
// A single middle parameter (nick, channel, target): no breaks, no surrounding blanks, ends at
// the first blank, and never begins with ':' (which would turn it into the trailing one).
QString middleParam(const QString &text);

// Cuts the bytes to at most maxBytes, not inside a UTF-8 character.
QByteArray truncateUtf8(const QByteArray &utf8, int maxBytes);

// The lines "PRIVMSG <target> :<piece>" (no line end) that carry the text: one or more per line
// of the text (split at CR LF, CR and LF, NULs removed, empty lines left out), each piece cut
// between UTF-8 characters and short enough that the copy the server relays, with
// relayPrefixBytes (":nick!user@host ") in front, still fits into one line. Empty when the
// target is empty or too long to leave room for any text.
QList<QByteArray> privmsgLines(const QString &target, const QString &text, int relayPrefixBytes);

} // namespace IrcOutgoing
