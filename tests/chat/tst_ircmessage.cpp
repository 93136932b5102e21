#include "chat/irclinereader.h"
#include "chat/ircmessage.h"
#include "chat/ircoutgoing.h"
#include "chat/serveraddress.h"

#include <QRandomGenerator>
#include <QTest>

class TestIrcMessage : public QObject
{
    Q_OBJECT
private slots:
    void parse_data()
    {
        // Expected: nick, user, host, command and the parameters, joined by '|'.
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<QString>("parsed");
        QTest::newRow("user") << QByteArray(":a!~u@h PRIVMSG #V :hi") << "a|~u|h|PRIVMSG|#V|hi";
        QTest::newRow("colons in trailing") << QByteArray("X #x ::-) a :b") << "|||X|#x|:-) a :b";
        QTest::newRow("15 at most") << QByteArray("X 1 2 3 4 5 6 7 8 9 a b c d e f g")
                                    << "|||X|1|2|3|4|5|6|7|8|9|a|b|c|d|e|f g";
        // A relaying server cut the line inside the euro sign: each byte stays a character.
        QTest::newRow("cut character") << QByteArray("X :abc\xe2\x82") << "|||X|abc\u00e2\u0082";
        QTest::newRow("lone CR, NUL") << QByteArray("X :one\rQ\0T", 10) << "|||X|oneQT";
    }
    void parse()
    {
        QFETCH(QByteArray, line);
        const IrcMessage m = IrcMessage::parse(line);
        QTEST((QStringList{m.nick, m.user, m.host, m.command} + m.params).join('|'), "parsed");
    }

    void privmsgLinesFitWhenRelayed_data()
    {
        QTest::addColumn<QString>("target");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("prefixBytes"); // ":nick!user@host " before the relayed copy
        QTest::addColumn<int>("lineCount");
        QTest::newRow("lines") << "#V" << QString(600, '\xe9').prepend("a\r\nb\rc\n") << 21 << 6;
        QTest::newRow("long host name") << "#Velmora" << QString(480, 'y') << 220 << 2;
        QTest::newRow("target would be trailing") << ":x" << QStringLiteral("hi") << 20 << 0;
    }
    void privmsgLinesFitWhenRelayed()
    {
        QFETCH(QString, target);
        QFETCH(QString, text);
        QFETCH(int, prefixBytes);
        const QByteArray head = "PRIVMSG " + target.toUtf8() + " :";
        const QList<QByteArray> lines = IrcOutgoing::privmsgLines(target, text, prefixBytes);
        QTEST(int(lines.size()), "lineCount");
        QByteArray carried;
        for (const QByteArray &line : lines) {
            QVERIFY(line.startsWith(head) && QString::fromUtf8(line).toUtf8() == line);
            QVERIFY(prefixBytes + line.size() + 2 <= IrcOutgoing::MaxLineBytes);
            carried += line.mid(head.size());
        }
        if (!lines.isEmpty())
            QCOMPARE(QString::fromUtf8(carried), text.remove('\r').remove('\n'));
    }

    void serverAddress()
    {
        const ServerAddress plain = ServerAddress::parse(QStringLiteral("irc.example.net"));
        const ServerAddress v6 = ServerAddress::parse(QStringLiteral(" [::1]:7001\r\n"));
        QVERIFY(plain.host == "irc.example.net" && plain.port == 6667 && plain.isValid());
        QVERIFY(v6.host == "::1" && v6.port == 7001 && v6.isValid());
        QVERIFY(!ServerAddress::parse(QStringLiteral("h:65536")).isValid());
    }

    void readerReassemblesPieces()
    {
        // An empty line, a bare LF, a line over the limit (dropped whole) and an unfinished one,
        // byte by byte, with CR and LF apart, in odd pieces and whole.
        const QByteArray stream = "first\r\n\r\nPING :tok\n" +
                                  QByteArray(IrcLineReader::MaxLineBytes + 1, 'o') +
                                  "\r\nlast\r\nunfinished";
        for (const int pieceSize : {1, 2, 7, 100000}) {
            IrcLineReader reader;
            QByteArrayList lines;
            for (int i = 0; i < stream.size(); i += pieceSize) {
                reader.append(stream.mid(i, pieceSize));
                for (QByteArray line; reader.takeLine(&line);)
                    lines += line;
            }
            QCOMPARE(lines.join('|') + '|' + QByteArray::number(reader.bufferedBytes()),
                     "first|PING :tok|last|10");
        }
    }

    void hostileBytes()
    {
        // Random bytes from a fixed seed, those that matter to the protocol over-represented,
        // through the reader and the parser onto the screen.
        QRandomGenerator random(20240607);
        const char special[] = ":!@ \r\n\0\x01#\xc3\xe2\xf0\x80\xbf";
        IrcLineReader reader;
        int parsed = 0;
        for (int round = 0; round < 3000; ++round) {
            QByteArray chunk(int(random.bounded(1, 1200)), Qt::Uninitialized);
            for (char &c : chunk)
                c = random.bounded(3) ? char(random.bounded(256))
                                      : special[random.bounded(int(sizeof special) - 1)];
            reader.append(chunk);
            for (QByteArray line; reader.takeLine(&line); ++parsed) {
                const IrcMessage m = IrcMessage::parse(line);
                QVERIFY(!IrcMessage::displayText(m.params.join(' ')).contains(QChar(0x2029)));
            }
            QVERIFY(reader.bufferedBytes() <= IrcLineReader::MaxLineBytes);
        }
        QVERIFY(parsed > 1000);
    }
};

QTEST_GUILESS_MAIN(TestIrcMessage)
#include "tst_ircmessage.moc"
