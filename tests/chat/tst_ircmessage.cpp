#include "chat/irclinereader.h"
#include "chat/ircmessage.h"
#include "chat/serveraddress.h"

#include <QRandomGenerator>
#include <QStringDecoder>
#include <QTest>

namespace {

// Bytes of a literal that may hold NULs.
template<std::size_t N> QByteArray bytes(const char (&literal)[N])
{
    return QByteArray(literal, N - 1);
}

bool validUtf8(const QByteArray &bytes)
{
    QStringDecoder utf8(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    (void)utf8.decode(bytes);
    return !utf8.hasError();
}

QList<QByteArray> readAll(IrcLineReader &reader)
{
    QList<QByteArray> lines;
    QByteArray line;
    while (reader.takeLine(&line))
        lines.append(line);
    return lines;
}

} // namespace

class TestIrcMessage : public QObject
{
    Q_OBJECT
private slots:
    void parse_data();
    void parse();
    void parseNeverKeepsBreaks_data();
    void parseNeverKeepsBreaks();
    void decode_data();
    void decode();
    void middleParam_data();
    void middleParam();
    void splitLines_data();
    void splitLines();
    void splitUtf8KeepsCharactersWhole_data();
    void splitUtf8KeepsCharactersWhole();
    void privmsgLinesFitWhenRelayed_data();
    void privmsgLinesFitWhenRelayed();
    void privmsgLinesRefuseImpossibleTargets();
    void displayText_data();
    void displayText();
    void foldCase();
    void serverAddress_data();
    void serverAddress();
    void readerReassemblesPieces_data();
    void readerReassemblesPieces();
    void readerDropsOverlongLines();
    void readerStaysBoundedWithoutLineEnds();
    void hostileBytes();
};

void TestIrcMessage::parse_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<QString>("nick");
    QTest::addColumn<QString>("user");
    QTest::addColumn<QString>("host");
    QTest::addColumn<QString>("command");
    QTest::addColumn<QStringList>("params");

    QTest::newRow("channel message")
        << QByteArray(":alice!~auser@127.0.0.1 PRIVMSG #Velmora :hello there") << "alice"
        << "~auser"
        << "127.0.0.1"
        << "PRIVMSG" << QStringList{"#Velmora", "hello there"};
    QTest::newRow("server numeric")
        << QByteArray(":irc.test.local 001 bob :Welcome to the net bob!~b@h") << "irc.test.local"
        << ""
        << ""
        << "001" << QStringList{"bob", "Welcome to the net bob!~b@h"};
    QTest::newRow("no prefix") << QByteArray("PING :token 1") << ""
                               << ""
                               << ""
                               << "PING" << QStringList{"token 1"};
    QTest::newRow("line end kept") << QByteArray("PING x\r\n") << ""
                                   << ""
                                   << ""
                                   << "PING" << QStringList{"x"};
    QTest::newRow("lower-case command") << QByteArray("ping x") << ""
                                        << ""
                                        << ""
                                        << "PING" << QStringList{"x"};
    QTest::newRow("kick") << QByteArray(":op!~o@h KICK #velmora Bob :be nice") << "op"
                          << "~o"
                          << "h"
                          << "KICK" << QStringList{"#velmora", "Bob", "be nice"};
    QTest::newRow("empty trailing") << QByteArray(":a!b@c PRIVMSG #x :") << "a"
                                    << "b"
                                    << "c"
                                    << "PRIVMSG" << QStringList{"#x", ""};
    QTest::newRow("trailing with colons") << QByteArray(":a!b@c PRIVMSG #x ::-) a :b") << "a"
                                          << "b"
                                          << "c"
                                          << "PRIVMSG" << QStringList{"#x", ":-) a :b"};
    QTest::newRow("runs of blanks") << QByteArray("  :a!b@c   JOIN    #x   ") << "a"
                                    << "b"
                                    << "c"
                                    << "JOIN" << QStringList{"#x"};
    QTest::newRow("message tags") << QByteArray("@time=2024-01-01T00:00:00Z :a!b@c NOTICE me :hi")
                                  << "a"
                                  << "b"
                                  << "c"
                                  << "NOTICE" << QStringList{"me", "hi"};
    QTest::newRow("nick only prefix") << QByteArray(":alice NICK :alicia") << "alice"
                                      << ""
                                      << ""
                                      << "NICK" << QStringList{"alicia"};
    QTest::newRow("fifteenth takes the rest")
        << QByteArray("X 1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16") << ""
        << ""
        << ""
        << "X" << QStringList{"1", "2",  "3",  "4",  "5",  "6",  "7",    "8",
                              "9", "10", "11", "12", "13", "14", "15 16"};
    QTest::newRow("utf-8 text") << QByteArray(
                                       ":a!b@c PRIVMSG #x :gr\xc3\xbc\xc3\x9f dich \xe2\x82\xac")
                                << "a"
                                << "b"
                                << "c"
                                << "PRIVMSG" << QStringList{"#x", QString::fromUtf8("grüß dich €")};
    QTest::newRow("latin-1 text") << QByteArray(":a!b@c PRIVMSG #x :gr\xfc\xdf") << "a"
                                  << "b"
                                  << "c"
                                  << "PRIVMSG" << QStringList{"#x", QString::fromUtf8("grüß")};
}

void TestIrcMessage::parse()
{
    QFETCH(QByteArray, line);
    const IrcMessage m = IrcMessage::parse(line);
    QVERIFY(m.isValid());
    QTEST(m.nick, "nick");
    QTEST(m.user, "user");
    QTEST(m.host, "host");
    QTEST(m.command, "command");
    QTEST(m.params, "params");
}

void TestIrcMessage::parseNeverKeepsBreaks_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<bool>("valid");
    QTest::newRow("empty") << QByteArray() << false;
    QTest::newRow("blanks") << QByteArray("    ") << false;
    QTest::newRow("prefix only") << QByteArray(":server.only") << false;
    QTest::newRow("tags only") << QByteArray("@a=b") << false;
    QTest::newRow("colon only") << QByteArray(":") << false;
    QTest::newRow("lone CR inside") << QByteArray(":a!b@c PRIVMSG #x :one\rQUIT") << true;
    QTest::newRow("NUL inside") << bytes(":a!b@c PRIVMSG #x\0y :t\0ext") << true;
    QTest::newRow("NUL in command") << bytes("PR\0IVMSG") << true;
}

void TestIrcMessage::parseNeverKeepsBreaks()
{
    QFETCH(QByteArray, line);
    QFETCH(bool, valid);
    const IrcMessage m = IrcMessage::parse(line);
    QCOMPARE(m.isValid(), valid);
    const QString all = m.prefix + m.command + m.params.join(QString());
    QVERIFY(!all.contains(QLatin1Char('\r')));
    QVERIFY(!all.contains(QLatin1Char('\n')));
    QVERIFY(!all.contains(QChar(0)));
}

void TestIrcMessage::decode_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");
    QTest::newRow("ascii") << QByteArray("plain") << "plain";
    QTest::newRow("utf-8") << QByteArray("\xe2\x82\xac 5") << QString::fromUtf8("€ 5");
    QTest::newRow("emoji") << QByteArray("\xf0\x9f\x98\x80") << QString::fromUtf8("😀");
    QTest::newRow("latin-1") << QByteArray("caf\xe9") << QString::fromUtf8("café");
    // A relaying server cut the line inside the euro sign.
    QTest::newRow("cut character")
        << QByteArray("abc\xe2\x82") << QString::fromLatin1("abc\xe2\x82");
    QTest::newRow("overlong encoding") << QByteArray("\xc0\xaf") << QString::fromLatin1("\xc0\xaf");
    QTest::newRow("encoded surrogate")
        << QByteArray("\xed\xa0\x80") << QString::fromLatin1("\xed\xa0\x80");
}

void TestIrcMessage::decode()
{
    QFETCH(QByteArray, bytes);
    QTEST(IrcMessage::decode(bytes), "text");
}

void TestIrcMessage::middleParam_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("param");
    QTest::newRow("plain") << "#Velmora"
                           << "#Velmora";
    QTest::newRow("surrounding blanks") << "  bob  "
                                        << "bob";
    QTest::newRow("CR LF injected") << "#a\r\nQUIT"
                                    << "#aQUIT";
    QTest::newRow("NUL") << QString::fromLatin1("bo\0b", 4) << "bob";
    QTest::newRow("blank inside") << "#a key"
                                  << "#a";
    QTest::newRow("would become trailing") << ":x"
                                           << "";
    QTest::newRow("empty") << ""
                           << "";
}

void TestIrcMessage::middleParam()
{
    QFETCH(QString, text);
    QTEST(IrcMessage::middleParam(text), "param");
}

void TestIrcMessage::splitLines_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("lines");
    QTest::newRow("one") << "hi" << QStringList{"hi"};
    QTest::newRow("CR LF") << "one\r\ntwo" << QStringList{"one", "two"};
    QTest::newRow("LF and CR") << "a\nb\rc" << QStringList{"a", "b", "c"};
    QTest::newRow("empty lines dropped") << "\r\n\r\na\r\n\r\n" << QStringList{"a"};
    QTest::newRow("NUL dropped") << QString::fromLatin1("x\0y", 3) << QStringList{"xy"};
    QTest::newRow("blank line kept") << " " << QStringList{" "};
    QTest::newRow("nothing") << "" << QStringList{};
}

void TestIrcMessage::splitLines()
{
    QFETCH(QString, text);
    QTEST(IrcMessage::splitLines(text), "lines");
}

void TestIrcMessage::splitUtf8KeepsCharactersWhole_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("maxBytes");
    QTest::newRow("ascii exact") << QString(100, QLatin1Char('a')) << 50;
    QTest::newRow("ascii uneven") << QString(101, QLatin1Char('a')) << 50;
    QTest::newRow("two-byte") << QString(301, QChar(0xe9)) << 7;
    QTest::newRow("three-byte") << QString(301, QChar(0x20ac)) << 10;
    QTest::newRow("four-byte") << QString::fromUtf8("😀").repeated(99) << 9;
    QTest::newRow("mixed") << QString::fromUtf8("aé€😀").repeated(77) << 5;
    QTest::newRow("tiny room") << QString::fromUtf8("😀€") << 1;
}

void TestIrcMessage::splitUtf8KeepsCharactersWhole()
{
    QFETCH(QString, text);
    QFETCH(int, maxBytes);
    const QList<QByteArray> pieces = IrcMessage::splitUtf8(text.toUtf8(), maxBytes);
    QByteArray joined;
    for (const QByteArray &piece : pieces) {
        QVERIFY(!piece.isEmpty());
        QVERIFY2(piece.size() <= qMax(maxBytes, 4), piece.constData());
        QVERIFY(validUtf8(piece));
        joined += piece;
    }
    QCOMPARE(QString::fromUtf8(joined), text);
    // Pieces are as full as a character boundary allows.
    for (int i = 0; i + 1 < pieces.size(); ++i)
        QVERIFY(pieces[i].size() > qMax(maxBytes, 4) - 4);
}

void TestIrcMessage::privmsgLinesFitWhenRelayed_data()
{
    QTest::addColumn<QString>("target");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("prefix");
    QTest::addColumn<int>("lineCount");

    const QString prefix = QStringLiteral(":bob!~bob@127.0.0.1 ");
    QTest::newRow("short") << "#Velmora"
                           << "hello" << prefix << 1;
    QTest::newRow("1000 ascii bytes")
        << "#Velmora" << QString(1000, QLatin1Char('x')) << prefix << 3;
    QTest::newRow("1000 bytes of euro signs")
        << "#Velmora" << QString(333, QChar(0x20ac)) + "x" << prefix << 3;
    QTest::newRow("emoji") << "#Velmora" << QString::fromUtf8("😀").repeated(300) << prefix << 3;
    QTest::newRow("multi-line") << "#Velmora"
                                << "one\r\ntwo\nthree" << prefix << 3;
    QTest::newRow("long line in multi-line")
        << "#V"
        << "a\r\n" + QString(600, QLatin1Char('b')) << prefix << 3;
    QTest::newRow("long host name") << "#Velmora" << QString(480, QLatin1Char('y'))
                                    << ":bob!~bob@" + QString(200, QLatin1Char('h')) + " " << 2;
    QTest::newRow("empty") << "#Velmora"
                           << "" << prefix << 0;
    QTest::newRow("only breaks") << "#Velmora"
                                 << "\r\n\n"
                                 << prefix << 0;
}

void TestIrcMessage::privmsgLinesFitWhenRelayed()
{
    QFETCH(QString, target);
    QFETCH(QString, text);
    QFETCH(QString, prefix);
    QFETCH(int, lineCount);

    const QByteArray head = "PRIVMSG " + target.toUtf8() + " :";
    const QList<QByteArray> lines =
        IrcMessage::privmsgLines(target, text, int(prefix.toUtf8().size()));
    QCOMPARE(lines.size(), lineCount);
    QByteArray carried;
    for (const QByteArray &line : lines) {
        QVERIFY(line.startsWith(head));
        QVERIFY(!line.contains('\r') && !line.contains('\n') && !line.contains('\0'));
        QVERIFY(validUtf8(line));
        QVERIFY(prefix.toUtf8().size() + line.size() + 2 <= IrcMessage::MaxLineBytes);
        carried += line.mid(head.size());
    }
    QString expected = text;
    expected.remove(QLatin1Char('\r')).remove(QLatin1Char('\n'));
    QCOMPARE(QString::fromUtf8(carried), expected);
}

void TestIrcMessage::privmsgLinesRefuseImpossibleTargets()
{
    QVERIFY(IrcMessage::privmsgLines(QString(), QStringLiteral("hi"), 30).isEmpty());
    QVERIFY(IrcMessage::privmsgLines(QStringLiteral(":x"), QStringLiteral("hi"), 30).isEmpty());
    // A target that leaves no room for text in our own line sends nothing rather than a line
    // the server refuses; one that only leaves no room in the relayed copy still sends.
    QVERIFY(IrcMessage::privmsgLines(QString(505, QLatin1Char('#')), QStringLiteral("hi"), 30)
                .isEmpty());
    const QList<QByteArray> tight =
        IrcMessage::privmsgLines(QString(480, QLatin1Char('#')), QStringLiteral("hi"), 100);
    QCOMPARE(tight.size(), 1);
    QVERIFY(tight.first().size() <= IrcMessage::MaxContentBytes);
}

void TestIrcMessage::displayText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("shown");
    QTest::newRow("plain") << "hi <b>there</b>"
                           << "hi <b>there</b>";
    QTest::newRow("paragraph separator") << QString::fromUtf8("a\u2029bob: fake") << "a bob: fake";
    QTest::newRow("line separator") << QString::fromUtf8("a\u2028b") << "a b";
    QTest::newRow("frame markers") << QString(QChar(0xfdd0)) + "x" + QChar(0xfdd1) << " x ";
    QTest::newRow("CR LF") << "a\r\nb"
                           << "a  b";
    QTest::newRow("vertical tab, form feed, NEL") << QString("a\vb\fc") + QChar(0x85) << "a b c ";
    QTest::newRow("formatting codes") << "\x02"
                                         "bold\x0f \x01"
                                         "ACTION\x01"
                                      << "bold ACTION";
    QTest::newRow("tab kept") << "a\tb"
                              << "a\tb";
}

void TestIrcMessage::displayText()
{
    QFETCH(QString, text);
    QTEST(IrcMessage::displayText(text), "shown");
}

void TestIrcMessage::foldCase()
{
    QCOMPARE(IrcMessage::foldCase(QStringLiteral("#VelMora")), QStringLiteral("#velmora"));
    QCOMPARE(IrcMessage::foldCase(QStringLiteral("[Bob]\\~")), QStringLiteral("{bob}|^"));
    // Outside ASCII the protocol knows no case.
    QCOMPARE(IrcMessage::foldCase(QStringLiteral("#ÄÖ")), QStringLiteral("#ÄÖ"));
}

void TestIrcMessage::serverAddress_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("host");
    QTest::addColumn<int>("port");
    QTest::addColumn<bool>("valid");
    QTest::newRow("host") << "irc.example.net"
                          << "irc.example.net" << 6667 << true;
    QTest::newRow("host and port") << "127.0.0.1:7000"
                                   << "127.0.0.1" << 7000 << true;
    QTest::newRow("blanks and break") << " localhost:6668\r\n"
                                      << "localhost" << 6668 << true;
    QTest::newRow("v6 bracketed") << "[::1]"
                                  << "::1" << 6667 << true;
    QTest::newRow("v6 bracketed with port") << "[::1]:7001"
                                            << "::1" << 7001 << true;
    QTest::newRow("v6 bare") << "fe80::1"
                             << "fe80::1" << 6667 << true;
    QTest::newRow("port zero") << "h:0"
                               << "h" << 0 << false;
    QTest::newRow("port too big") << "h:65536"
                                  << "h" << 0 << false;
    QTest::newRow("port not a number") << "h:irc"
                                       << "h" << 0 << false;
    QTest::newRow("empty") << ""
                           << "" << 6667 << false;
    QTest::newRow("unclosed bracket") << "[::1"
                                      << "" << 0 << false;
}

void TestIrcMessage::serverAddress()
{
    QFETCH(QString, text);
    const ServerAddress a = ServerAddress::parse(text);
    QTEST(a.host, "host");
    QTEST(int(a.port), "port");
    QTEST(a.isValid(), "valid");
}

void TestIrcMessage::readerReassemblesPieces_data()
{
    QTest::addColumn<int>("pieceSize");
    QTest::newRow("byte by byte") << 1;
    QTest::newRow("CR and LF apart") << 2;
    QTest::newRow("odd") << 7;
    QTest::newRow("whole") << 100000;
}

void TestIrcMessage::readerReassemblesPieces()
{
    QFETCH(int, pieceSize);
    const QByteArray stream = ":a!b@c PRIVMSG #x :first\r\n\r\nPING :tok\n"
                              ":a!b@c PRIVMSG #x :" +
                              QByteArray(500, 'z') + "\r\n:a!b@c PRIVMSG #x :unfinished";
    IrcLineReader reader;
    QList<QByteArray> lines;
    for (int i = 0; i < stream.size(); i += pieceSize) {
        reader.append(stream.mid(i, pieceSize));
        lines += readAll(reader);
    }
    QCOMPARE(lines.size(), 3);
    QCOMPARE(lines[0], QByteArray(":a!b@c PRIVMSG #x :first"));
    QCOMPARE(lines[1], QByteArray("PING :tok"));
    QCOMPARE(lines[2], ":a!b@c PRIVMSG #x :" + QByteArray(500, 'z'));
    QCOMPARE(reader.bufferedBytes(), int(QByteArray(":a!b@c PRIVMSG #x :unfinished").size()));
}

void TestIrcMessage::readerDropsOverlongLines()
{
    IrcLineReader reader;
    // An overlong line complete in one piece, and one that spans many pieces.
    reader.append("before\r\n" + QByteArray(IrcLineReader::MaxLineBytes + 1, 'x') +
                  "\r\nmiddle\r\n");
    for (int i = 0; i < 10; ++i)
        reader.append(QByteArray(4000, 'y'));
    reader.append("yyy\r\nafter\r\n");
    QCOMPARE(readAll(reader), (QList<QByteArray>{"before", "middle", "after"}));
    QCOMPARE(reader.droppedLines(), 2);
    // A line of exactly the limit still passes.
    reader.append(QByteArray(IrcLineReader::MaxLineBytes, 'k') + "\n");
    QCOMPARE(readAll(reader), QList<QByteArray>{QByteArray(IrcLineReader::MaxLineBytes, 'k')});
}

void TestIrcMessage::readerStaysBoundedWithoutLineEnds()
{
    IrcLineReader reader;
    const QByteArray chunk(64 * 1024, 'q');
    for (int i = 0; i < 256; ++i) { // 16 MiB without a line end
        reader.append(chunk);
        QByteArray line;
        QVERIFY(!reader.takeLine(&line));
        QVERIFY(reader.bufferedBytes() <= IrcLineReader::MaxLineBytes);
    }
    reader.append("\r\nPING :still here\r\n");
    QCOMPARE(readAll(reader), QList<QByteArray>{"PING :still here"});
}

void TestIrcMessage::hostileBytes()
{
    // Random lines from a fixed seed, through the reader and the parser, with every byte value
    // and the characters that matter to the protocol over-represented.
    QRandomGenerator random(20240607);
    const QByteArray special = bytes(":!@ \r\n\0\x01#\xc3\xe2\xf0\x80\xbf");
    IrcLineReader reader;
    int parsed = 0;
    for (int round = 0; round < 3000; ++round) {
        QByteArray chunk(int(random.bounded(1, 1200)), Qt::Uninitialized);
        for (char &c : chunk) {
            c = random.bounded(3) == 0 ? special.at(int(random.bounded(int(special.size()))))
                                       : char(random.bounded(256));
        }
        reader.append(chunk);
        QByteArray line;
        while (reader.takeLine(&line)) {
            QVERIFY(line.size() <= IrcLineReader::MaxLineBytes);
            QVERIFY(!line.contains('\n'));
            const IrcMessage m = IrcMessage::parse(line);
            QVERIFY(m.params.size() <= 15);
            const QString shown = IrcMessage::displayText(m.params.join(QLatin1Char(' ')));
            QVERIFY(!shown.contains(QChar(0x2029)) && !shown.contains(QLatin1Char('\n')));
            const QString text = IrcMessage::decode(line);
            const bool shortTarget = m.param(0).toUtf8().size() <= 50;
            for (const QByteArray &out : IrcMessage::privmsgLines(m.param(0), text, 80)) {
                QVERIFY(out.size() <= IrcMessage::MaxContentBytes);
                QVERIFY(!shortTarget || out.size() + 80 + 2 <= IrcMessage::MaxLineBytes);
                QVERIFY(!out.contains('\r') && !out.contains('\n') && !out.contains('\0'));
            }
            ++parsed;
        }
        QVERIFY(reader.bufferedBytes() <= IrcLineReader::MaxLineBytes);
    }
    QVERIFY(parsed > 1000);
}

QTEST_GUILESS_MAIN(TestIrcMessage)
#include "tst_ircmessage.moc"
