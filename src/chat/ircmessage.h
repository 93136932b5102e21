#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// The numeric replies the chat acts on, named as in the protocol's documents.
enum class IrcReply
{
    Welcome = 1,             // RPL_WELCOME: registered under the nick in the first parameter
    NoNicknameGiven = 431,   // ERR_NONICKNAMEGIVEN
    ErroneousNickname = 432, // ERR_ERRONEUSNICKNAME
    NicknameInUse = 433,     // ERR_NICKNAMEINUSE
    NickCollision = 436,     // ERR_NICKCOLLISION
};

// One IRC protocol line as a server sent it, parsed. Nothing here touches a socket or a widget,
// so every function can be fed hostile input directly. Lines to send are built by IrcOutgoing.
class IrcMessage
{
public:
    QString prefix;     // without the leading ':'
    QString nick;       // prefix part before '!' (or the whole prefix when it names a server)
    QString user;       // between '!' and '@'
    QString host;       // after '@'
    QString command;    // upper case; a numeric reply stays as its three digits
    QStringList params; // the trailing parameter, when there is one, is the last

    bool isValid() const { return !command.isEmpty(); }
    QString param(int i) const { return params.value(i); }
    // Whether the prefix names a user (nick!user@host) rather than a server.
    bool fromUser() const { return !user.isEmpty() || !host.isEmpty(); }
    // Whether the line is that numeric reply: its command is exactly those three digits.
    bool is(IrcReply reply) const;

    // Parses one line without its line end (a trailing CR LF is tolerated). Message tags are
    // skipped. CR, LF and NUL never survive into the parsed texts.
    static IrcMessage parse(const QByteArray &line);

    // A line as text: UTF-8 when the bytes are valid UTF-8, otherwise Latin-1, which maps every
    // byte to a character, so that a line cut inside a character by a relaying server still
    // reads.
    static QString decode(const QByteArray &bytes);

    // Remote text made safe to show as one line of a plain-text log: characters that a text
    // document reads as paragraph, line or frame breaks become blanks, and the other control
    // characters but tab are dropped.
    static QString displayText(const QString &text);

    // Nick and channel comparison as the protocol defines it: ASCII case, with []\~ the upper
    // case of {}|^.
    static QString foldCase(const QString &text);
};
