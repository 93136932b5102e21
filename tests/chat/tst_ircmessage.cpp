#include "chat/irclinereader.h"
#include "chat/ircmessage.h"
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
        QTest::newRow("user prefix")
            << QByteArray(":al!~a@h PRIVMSG #V :hi you") << "al|~a|h|PRIVMSG|#V|hi you";
        QTest::newRow("colons in trailing") << QByteArray("X #x ::-) a :b") << "|||X|#x|:-) a :b";
        QTest::newRow("empty trailing") << QByteArray("X #x :") << "|||X|#x|";
        QTest::newRow("blanks, tags") << QByteArray("@t=1  :a!b@c   JOIN  #x  ") << "a|b|c|JOIN|#x";
        QTest::newRow("15 at most") << QByteArray("X 1 2 3 4 5 6 7 8 9 a b c d e f g")
                                    << "|||X|1|2|3|4|5|6|7|8|9|a|b|c|d|e|f g";
        QTest::newRow("latin-1") << QByteArray("X :gr\xfc\xdf") << "|||X|grüß";
        // A relaying server cut the line inside the euro sign: each byte stays a character.
        QTest::newRow("cut character") << QByteArray("X :abc\xe2\x82") << "|||X|abc\u00e2\u0082";
        QTest::newRow("lone CR, NUL") << QByteArray("X :one\rQ\0T", 10) << "|||X|oneQT";
        QTest::newRow("no command") << QByteArray(":server.only") << "|||";
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
        QTest::newRow("only breaks") << "#V" << QStringLiteral("\r\n\n") << 20 << 0;
        QTest::newRow("target would be trailing") << ":x" << QStringLiteral("hi") << 20 << 0;
        QTest::newRow("no room for text") << QString(505, '#') << QStringLiteral("hi") << 20 << 0;
    }
    void privmsgLinesFitWhenRelayed()
    {
        QFETCH(QString, target);
        QFETCH(QString, text);
        QFETCH(int, prefixBytes);
        const QByteArray head = "PRIVMSG " + target.toUtf8() + " :";
        const QList<QByteArray> lines = IrcMessage::privmsgLines(target, text, prefixBytes);
        QTEST(int(lines.size()), "lineCount");
        QByteArray carried;
        for (const QByteArray &line : lines) {
            QVERIFY(line.startsWith(head) && QString::fromUtf8(line).toUtf8() == line);
            QVERIFY(prefixBytes + line.size() + 2 <= IrcMessage::MaxLineBytes);
            carried += line.mid(head.size());
        }
        if (!lines.isEmpty())
            QCOMPARE(QString::fromUtf8(carried), text.remove('\r').remove('\n'));
    }

    void serverAddress()
    {
        const auto parsed = [](const char *text) {
            const ServerAddress a = ServerAddress::parse(QString::fromLatin1(text));
            return QStringLiteral("%1|%2|%3").arg(a.host).arg(a.port).arg(int(a.isValid()));
        };
        QCOMPARE(parsed("irc.example.net"), QStringLiteral("irc.example.net|6667|1"));
        QCOMPARE(parsed(" 127.0.0.1:7000\r\n"), QStringLiteral("127.0.0.1|7000|1"));
        QCOMPARE(parsed("[::1]:7001"), QStringLiteral("::1|7001|1"));
        QCOMPARE(parsed("h:65536"), QStringLiteral("h|0|0"));
    }

    void readerReassemblesPieces()
    {
        // An empty line, a bare LF, a line over the limit (dropped whole) and an unfinished one,
        // byte by byte, with CR and LF apart, in odd pieces and whole.
        const QByteArray overlong(IrcLineReader::MaxLineBytes + 1, 'o');
        const QByteArray stream = "first\r\n\r\nPING :tok\n" + overlong + "\r\nlast\r\nunfinished";
        for (const int pieceSize : {1, 2, 7, 100000}) {
            IrcLineReader reader;
            QList<QByteArray> lines;
            for (int i = 0; i < stream.size(); i += pieceSize) {
                reader.append(stream.mid(i, pieceSize));
                for (QByteArray line; reader.takeLine(&line);)
                    lines.append(line);
            }
            QCOMPARE(lines, (QList<QByteArray>{"first", "PING :tok", "last"}));
            QCOMPARE(reader.bufferedBytes(), 10);
        }
    }

    void hostileBytes()
    {
        // Random bytes from a fixed seed, those that matter to the protocol over-represented,
        // through the reader and the parser, onto the screen and back out as lines to send.
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
                QVERIFY(line.size() <= IrcLineReader::MaxLineBytes && !line.contains('\n'));
                const IrcMessage m = IrcMessage::parse(line);
                QVERIFY(m.params.size() <= 15);
                const QString shown = IrcMessage::displayText(m.params.join(' '));
                QVERIFY(!shown.contains(QChar(0x2029)) && !shown.contains('\n'));
                const QString text = IrcMessage::decode(line);
                for (const QByteArray &out : IrcMessage::privmsgLines(m.param(0), text, 80)) {
                    QVERIFY(out.size() <= IrcMessage::MaxContentBytes);
                    QVERIFY(!out.contains('\r') && !out.contains('\n') && !out.contains('\0'));
                }
            }
            QVERIFY(reader.bufferedBytes() <= IrcLineReader::MaxLineBytes);
        }
        QVERIFY(parsed > 1000);
    }
};

QTEST_GUILESS_MAIN(TestIrcMessage)
#include "tst_ircmessage.moc"
