// The RTF reader and writer on their own: the rich-text control's documents, round trips, AbiWord
// as an independent reader and writer, and hostile input (this test also runs under ASan/UBSan).

#include "rtf/rtfreader.h"
#include "rtf/rtfwriter.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextFragment>
#include <QUrl>

namespace {

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QString text(const QTextDocument &doc)
{
    return doc.toRawText().replace(QChar::ParagraphSeparator, '\n');
}

// One line per run of equal formatting, as the reader of the document sees it: what the format
// does not say comes from the document's default font. Sizes in half points, as RTF keeps them.
QStringList describe(const QTextDocument &doc)
{
    const QFont base = doc.defaultFont();
    QStringList out;
    int n = 0;
    for (QTextBlock b = doc.begin(); b.isValid(); b = b.next(), ++n) {
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            const QTextCharFormat f = it.fragment().charFormat();
            const double pt =
                f.hasProperty(QTextFormat::FontPointSize) ? f.fontPointSize() : base.pointSizeF();
            QString key = QStringLiteral(" {%1,%2")
                              .arg(f.fontFamilies().toStringList().value(0, base.family()))
                              .arg(qRound(pt * 2) / 2.0);
            const QList<QPair<bool, QString>> attributes = {
                {f.fontWeight() >= QFont::DemiBold, "bold"},
                {f.fontItalic(), "italic"},
                {f.fontUnderline(), "underline"},
                {f.fontStrikeOut(), "strike"},
                {f.hasProperty(QTextFormat::ForegroundBrush),
                 "fg=" + f.foreground().color().name()},
                {f.hasProperty(QTextFormat::BackgroundBrush),
                 "bg=" + f.background().color().name()},
                {f.verticalAlignment() == QTextCharFormat::AlignSuperScript, "super"},
                {f.verticalAlignment() == QTextCharFormat::AlignSubScript, "sub"}};
            for (const auto &[on, name] : attributes)
                key += on ? ',' + name : QString();
            key += QStringLiteral("}");
            const QString head = QStringLiteral("%1: \"").arg(n);
            if (!out.isEmpty() && out.last().startsWith(head) && out.last().endsWith('"' + key))
                out.last().insert(out.last().size() - key.size() - 1, it.fragment().text());
            else
                out << head + it.fragment().text() + '"' + key;
        }
    }
    return out;
}

// The independent reader and writer: AbiWord, or LibreOffice where the release has no AbiWord.
const bool HasAbiword = !QStandardPaths::findExecutable(QStringLiteral("abiword")).isEmpty();

// The peer's conversion of a file (first written when data is given) to the format, also left
// beside it as <in>.<format>.
QByteArray abiword(const QString &format, const QString &in, const QByteArray &data = {})
{
    QFile file(in);
    if (!data.isEmpty() && (!file.open(QIODevice::WriteOnly) || file.write(data) != data.size()))
        return QByteArray();
    file.close();
    const QString out = in + '.' + format;
    QProcess p;
    if (HasAbiword) {
        p.start(QStringLiteral("abiword"), {"--to=" + format, "--to-name=" + out, in});
        p.waitForFinished(60000);
        return readFile(out);
    }
    QTemporaryDir dir;
    QStringList args{"--headless", "--norestore",
                     "-env:UserInstallation=" + QUrl::fromLocalFile(dir.filePath("p")).toString()};
    if (in.endsWith(QLatin1String(".html")))
        args << "--infilter=HTML (StarWriter)";
    args << "--convert-to"
         << (format == QLatin1String("txt") ? "txt:Text (encoded):UTF8,LF" : "rtf:Rich Text Format")
         << "--outdir" << dir.path() << in;
    p.start(QStringLiteral("soffice"), args);
    p.waitForFinished(180000);
    QByteArray result = readFile(dir.filePath(QFileInfo(in).completeBaseName() + '.' + format));
    // Its text starts with a byte order mark, puts a U+2006 before each space of a run of them,
    // and ends every paragraph with a line feed, where AbiWord's separates them.
    if (result.startsWith("\xEF\xBB\xBF"))
        result.remove(0, 3);
    if (format == QLatin1String("txt")) {
        result.replace("\xE2\x80\x86", "");
        if (result.endsWith('\n'))
            result.chop(1);
    }
    QFile copy(out);
    if (copy.open(QIODevice::WriteOnly))
        copy.write(result);
    return result;
}

} // namespace

class TestRtf : public QObject
{
    Q_OBJECT

private slots:
    void read_data();
    void read();
    void formats();
    void roundTripAndAbiword_data();
    void roundTripAndAbiword();
};

void TestRtf::read_data()
{
    // The text each document reads to; a null text, where nothing is promised, is not compared.
    QTest::addColumn<QByteArray>("rtf");
    QTest::addColumn<QString>("expected");
    // A document of the rich-text control's in several scripts; its formatted one is in formats().
    QTest::newRow("intl") << readFile(QFINDTESTDATA("data/richedit-intl.rtf"))
                          << QStringLiteral("Café costs 5 €.\nПривет, 中文, 😀 and № no.");
    const QByteArray h = "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fnil Arial;}}";
    // One rule a line.
    // clang-format off
    QTest::newRow("final par closes the last paragraph") << h + "a\\par\r\n}" << "a";
    QTest::newRow("two final pars leave one empty paragraph") << h + "a\\par\\par}" << "a\n";
    QTest::newRow("no final par; backslash newline") << h + "a\\par b\\\r\nc}" << "a\nb\nc";
    QTest::newRow("line ends, unknown words, hidden text")
        << h + "a\r\nb\\foo c\\bar12 d{\\v x}e\\v f\\v0 g}" << "abcdeg";
    QTest::newRow("breaks") << h + "a\\page b\\sect c\\cell d\\row e\\line f\\tab g}"
                            << QStringLiteral("a\nb\nc\td\ne\u2028f\tg");
    QTest::newRow("symbols") << h + "\\~\\-\\_\\\\\\{\\}\\lquote\\rdblquote\\emdash\\bullet}"
                             << QStringLiteral("\u00A0\u00AD\u2011\\{}‘”—•");
    QTest::newRow("text after the document") << h + QByteArrayLiteral("a}\r\n\0junk{\\b x}") << "a";
    QTest::newRow("destinations skipped")
        << h + "{\\*\\generator R;}a{\\*\\unknown {x}y}b{\\info{\\title T}}{\\stylesheet{\\s0 N;}}"
               "{\\header H}c{\\pict\\pngblip 89504e47}d{\\object{\\*\\objdata 01}{\\result r}}e}"
        << "abcde";
    QTest::newRow("bin bytes with braces") << h + "a{\\pict\\bin4 }{}x}b\\bin3 {{{c}" << "abc";
    QTest::newRow("uc and fallbacks")
        << h + "\\u8470? {\\uc0\\u8470 x}{\\uc2\\u8470\\'3f\\'3fy}{\\uc3\\u8470}\\u8470\\endash z}"
        << QStringLiteral("№ №x№y№№z");
    QTest::newRow("surrogates") << h + "\\u-10179?\\b\\u-8704? \\u-10179?x\\u-8704?}"
                                << QStringLiteral("😀 \uFFFDx\uFFFD");
    QTest::newRow("code pages") << QByteArray("{\\rtf1\\ansi\\ansicpg1251{\\fonttbl{\\f0 A;}"
                                              "{\\f1\\fcharset238 B;}}\\'cf\xf0{\\f1\\'e8}\\'e8}")
                                << QStringLiteral("Прčи");
    QTest::newRow("greek charset") << QByteArray("{\\rtf1\\ansi\\ansicpg1252{\\fonttbl{\\f0 A;}"
                                                 "{\\f1\\fcharset161 Arial Greek;}}\\'e1{\\f1 "
                                                 "\\'c5\\'eb\\'eb\\'e7\\'ed\\'e9\\'ea\\'dc}}")
                                   << QStringLiteral("áΕλληνικά");
    QTest::newRow("double-byte code pages")
        << QByteArray("{\\rtf1\\ansi{\\fonttbl{\\f0\\fcharset128 A;}{\\f1\\fcharset136 B;}}"
                      "\\'82\\'a0\\'93\\'fa\\f1\\'a4@}") << QStringLiteral("あ日一");
    QTest::newRow("star before a known word is ignored")
        << h + "See {\\field{\\*\\fldinst HYPERLINK \"http://x.org/\" }{\\fldrslt \\*\\cs13\\ul Allan "
               "Spradling}} here.{\\*\\cs5 !}\\par}" << "See Allan Spradling here.!";
    QTest::newRow("star inside a group is ignored") << h + "a{\\b\\*\\foo b}c{\\*\\foo d}e}" << "abce";
    QTest::newRow("skipped group past the saved-state limit")
        << h + QByteArray(600, '{') + "Lost {\\*\\htmltag x}text{\\v hid{\\*\\htmltag x}den} and"
               "{\\fonttbl{\\f9 F;}} more" + QByteArray(600, '}') + " end}" << "Lost text and more end";
    QTest::newRow("symbol fonts")
        << QByteArray("{\\rtf1\\ansi{\\fonttbl{\\f0 A;}{\\f1\\fcharset2 Symbol;}{\\f2 Symbol;}"
                      "{\\f3\\fcharset2 Wingdings;}}{\\f1\\u61623\\'b7\\u61472?ab\\'ae}{\\f2\\'b7 a\\'d6}"
                      "{\\f3\\'a7\\'d8\\u-3844?\\'fc}\\u61623?}")
        << QStringLiteral("• αβ→• α√▪➢✓✓\uF0B7");
    QTest::newRow("mac code pages")
        << QByteArray("{\\rtf1\\mac\\ansicpg10001{\\fonttbl{\\f0\\fcharset78 Osaka;}{\\f1\\fcharset89 C;}"
                      "{\\f2\\fcharset83 H;}{\\f3\\fcharset85 G;}{\\f4\\fcharset81 B;}{\\f5\\fcharset77 R;}"
                      "{\\f6\\fcharset84 A;}{\\f7\\fcharset87 T;}{\\f8\\fcharset80 S;}{\\f9\\fcharset86 K;}"
                      "{\\f10\\fcharset88 E;}}"
                      "\\'82\\'a8\\'93\\'c7\\'82\\'dd\\'82\\'ad\\'82\\'be\\'82\\'b3\\'82\\'a2\\'fd"
                      "{\\f1\\'8f\\'f0}{\\f2\\'f9\\'ec\\'e5\\'ed}{\\f3\\'e1\\'e2}{\\f4\\'a4\\'a4\\'fd}"
                      "{\\f5 caf\\'8e}{\\f6\\'d3\\'e4\\'c7\\'e5}{\\f7\\'ca\\'c7\\'d1\\'ca}{\\f8\\'d6\\'d0\\'80}"
                      "{\\f9\\'da}{\\f10 Dvo\\'de\\'87k}}")
        << QStringLiteral("お読みください©Прשלוםαβ中©caféسلامสวัส中üĞDvořák");
    QTest::newRow("mac document code pages")
        << QByteArray("{\\rtf1\\mac{\\fonttbl{\\f0 T;}}\\'8e}") << "é";
    QTest::newRow("nested cell inside its row properties")
        << QByteArray("{\\rtf1\\ansi\\ansicpg1251{\\fonttbl{\\f0\\fcharset204 T;}}\\trowd\\cellx5000\\intbl"
                      "\\itap1 Outer\\cell\\itap2{\\*\\nesttableprops\\trowd\\cellx2000 \\'c1.\\'b2. "
                      "\\'c3\\'f3\\'eb\\'fc\\'ea\\'ee\\nestcell\\nestrow}\\itap1 end\\cell\\row}")
        << QStringLiteral("Outer\tБ.І. Гулько\t\nend\t");
    QTest::newRow("nested cells not repeated by their fallback")
        << h + "\\intbl\\itap1 Outer\\cell\\itap2 Inner\\nestcell{\\*\\nesttableprops\\trowd\\nestrow}"
               "{\\nonesttables Inner\\par}\\itap1 end\\cell\\row}" << "Outer\tInner\t\nend\t";
    QTest::newRow("mac greek document")
        << QByteArray("{\\rtf1\\ansi\\ansicpg10006{\\fonttbl{\\f0 T;}}\\'e1\\'e2}") << "αβ";
    // clang-format on
    // Hostile input, one a line.
    const QByteArray a = "{\\rtf1\\ansi ";
    const QByteArray nines(500, '9');
    QByteArray fonts = "{\\rtf1\\ansi\\deff0{\\fonttbl";
    for (int i = 0; i < 100000; ++i)
        fonts += "{\\f" + QByteArray::number(i) + "\\fcharset" + QByteArray::number(i % 256) + ";}";
    // clang-format off
    QTest::newRow("a million open groups") << a + QByteArray(1000000, '{') + "deep" << "deep";
    QTest::newRow("deep balanced nesting")
        << a + "a" + QByteArray(200000, '{') + "\\b deep" + QByteArray(200000, '}') + " b}"
        << "adeep b";
    QTest::newRow("unbalanced: never closed") << a + "{\\b kept text" << "kept text";
    QTest::newRow("unbalanced: too many closes") << a + "a}}}}}b" << "a";
    QTest::newRow("bin beyond the end") << a + "a\\bin999999999 xyz}" << "a";
    QTest::newRow("bin of hundreds of digits") << a + "a\\bin" + nines + " b}" << "a";
    QTest::newRow("uc in the billions") << a + "\\uc2147483647\\u233 abc{x}}" << "éx";
    QTest::newRow("u out of range") << a + "a\\u99999999? \\u-" + nines + "? b}" << "a  b";
    QTest::newRow("numbers of 500 digits")
        << a + "\\fs" + nines + " big \\cf" + nines + "\\f-" + nines + " x}" << "big x";
    QTest::newRow("100,000 fonts") << fonts + "}\\f99999 last\\f5 five\\f0 zero}" << "lastfivezero";
    QTest::newRow("a megabyte font name")
        << "{\\rtf1{\\fonttbl{\\f0 " + QByteArray(1 << 20, 'N') + ";}}\\f0 text}" << "text";
    QTest::newRow("a megabyte control word")
        << a + "a\\" + QByteArray(1 << 20, 'x') + " b}" << "ab";
    QTest::newRow("bad hex, hex at the end") << a + "a\\'zzb\\'4 c\\'" << "azzb4 c";
    QTest::newRow("backslash at the end") << a + "a\\" << "a";
    QTest::newRow("NULs everywhere")
        << QByteArrayLiteral("{\\rtf1\\ansi\0 a\0b\\\0c{\\b\0 d}\0\\'0\0e}") << " abc d0e";
    QTest::newRow("not RTF at all")
        << QByteArrayLiteral("just \x01\x02 text {\\b x}\0tail") << "just  text {\\b x}tail";
    QTest::newRow("objects, pictures and links never load")
        << a + "{\\object\\objemb{\\*\\objdata 0105}{\\result{\\pict\\jpegblip ffd8}}}"
               "<img src=\"http://127.0.0.1:1/x.png\"> {\\field{\\*\\fldinst HYPERLINK "
               "\"http://127.0.0.1:1/\"}{\\fldrslt a link}}{\\field{\\*\\fldinst INCLUDEPICTURE "
               "\"http://127.0.0.1:1/x.png\"}{\\fldrslt shown}}}"
        << "<img src=\"http://127.0.0.1:1/x.png\"> a linkshown";
    QTest::newRow("a million pars")
        << a + QByteArray(200000, 'x').replace("x", "\\par ") + "end}"
        << QString(200000, '\n') + "end";
    // Random documents made of the tokens that matter.
    const QList<QByteArray> tokens = QByteArrayLiteral(
        "{|}|\\b|\\b0|\\ul|\\par|\\pard|\\plain|\\f1|\\f99|\\fs-3|\\cf2|\\highlight9|\\u-10179?|"
        "\\u-8704?|\\u233|\\uc0|\\uc5|\\'|\\'e9|\\'8|\\'82|\\bin2 |\\bin-1|\\*|\\pict|\\fonttbl|"
        "\\colortbl|\\red9;|;|\\fcharset128|\\\\|\\{|\\}|\\line|text |\xc3\xa9|\r\n|\\v|\\fldrslt|"
        "\\field|\\super|\\ansicpg936|\\|99999999999|\0").split('|');
    // clang-format on
    QRandomGenerator rng(20240611);
    for (int round = 0; round < 400; ++round) {
        QByteArray rtf = "{\\rtf1";
        for (int i = rng.bounded(1, 400); i > 0; --i)
            rtf += tokens.at(rng.bounded(int(tokens.size())));
        QTest::addRow("random tokens %d", round) << rtf << QString();
    }
}

void TestRtf::read()
{
    QFETCH(QByteArray, rtf);
    QFETCH(QString, expected);
    QTextDocument doc;
    RtfReader::read(rtf, &doc);
    if (!expected.isNull())
        QCOMPARE(text(doc), expected);
    // Pictures, objects and links in a document from anywhere never become more than their text.
    QVERIFY(!doc.toHtml().contains("<img") && !doc.toHtml().contains("href"));
    // What the writer makes of it reads back to the same text.
    QTextDocument back;
    RtfReader::read(RtfWriter::write(&doc), &back);
    QCOMPARE(text(back), text(doc));
}

void TestRtf::formats()
{
    QTextDocument doc;
    RtfReader::read(readFile(QFINDTESTDATA("data/richedit-format.rtf")), &doc);
    QCOMPARE(
        describe(doc),
        QStringList({"0: \"Plain, \" {MS Sans Serif,8.5}", "0: \"bold\" {MS Sans Serif,8.5,bold}",
                     "0: \", \" {MS Sans Serif,8.5}", "0: \"italic\" {MS Sans Serif,8.5,italic}",
                     "0: \", \" {MS Sans Serif,8.5}",
                     "0: \"underlined\" {MS Sans Serif,8.5,underline}",
                     "0: \", \" {MS Sans Serif,8.5}", "0: \"red\" {MS Sans Serif,8.5,fg=#ff0000}",
                     "0: \" and \" {MS Sans Serif,8.5}",
                     "0: \"all three\" {MS Sans Serif,8.5,bold,italic,fg=#008000}",
                     "0: \".\" {MS Sans Serif,8.5}", "1: \"Arial 12 pt\" {Arial,12}",
                     "1: \" then \" {MS Sans Serif,8.5}", "1: \"Courier 10 pt\" {Courier New,10}",
                     "3: \"Braces { } and a backslash \\ and a\ttab.\" {MS Sans Serif,8.5}"}));
    // The older control: \plain everywhere, a colour table whose first entry is a real colour.
    RtfReader::read(
        "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\fswiss Arial;}{\\f1\\froman Times;}"
        "{\\f2\\fcharset2 Symbol;}}{\\colortbl\\red255\\green0\\blue0;\\red0\\green0\\blue255;}"
        "\\pard\\plain\\f1\\fs20\\cf0 red\\plain\\f0\\fs20\\b\\cf1 blue\\plain"
        "\\fs20 \\highlight1 marked\\plain\\fs20 \\super up\\nosupersub "
        "\\sub down\\plain\\fs20\\strike gone\\strike0\\ul u\\ulnone\\uldb d"
        "\\ul0 \\f2 p\\par}",
        &doc);
    QCOMPARE(
        describe(doc),
        QStringList({"0: \"red\" {Times,10,fg=#ff0000}", "0: \"blue\" {Arial,10,bold,fg=#0000ff}",
                     "0: \"marked\" {Arial,10,bg=#0000ff}", "0: \"up\" {Arial,10,super}",
                     "0: \"down\" {Arial,10,sub}", "0: \"gone\" {Arial,10,strike}",
                     "0: \"ud\" {Arial,10,underline}", "0: \"π\" {Symbol,10}"}));
}

void TestRtf::roundTripAndAbiword_data()
{
    QTest::addColumn<QString>("content");
    // clang-format off: the documents as written
    QTest::newRow("formats") << QStringLiteral(
        "<div>Plain, <b>bold</b>, <i>italic</i>, <u>underlined</u> <s>struck</s></div>"
        "<div><span style='color:#ff0000'>red</span><span style='background-color:#ffff00'> on "
        "yellow</span><b><i><u style='color:#008000'> all three</u></i></b></div>"
        "<div><span style=\"font-family:Arial; font-size:12pt\">Arial 12 pt</span> then <span "
        "style=\"font-family:'Courier New'; font-size:10pt\">Courier 10 pt</span> E=mc<sup>2</sup> "
        "H<sub>2</sub><b style=\"font-family:'Times New Roman'; font-size:36pt\">O big</b></div>");
    QTest::newRow("unicode and emoji") << QStringLiteral(
        "<div>Café costs 5 €, № 7</div><div><b>Привет, 中文, 日本語, 한국어, ελληνικά, עברית</b>"
        "<span style=\"font-family:'微软雅黑 {Ж}'; font-size:9pt\"> in a font named outside ASCII"
        "</span></div><div style=\"font-family:'Segoe UI Emoji'; font-size:11pt\"><i>😀 👍🏽 "
        "🇫🇷 "
        "𝄞"
        " and &nbsp;nbsp ‘quotes’ “double” — – •</i></div>");
    QTest::newRow("special text") << QStringLiteral(
        "<div style='white-space:pre-wrap'>Braces { } and a backslash \\ and a\ttab; semi;colons"
        "<br/>soft break \\par {\\b}</div><div style='white-space:pre-wrap'><b>-1 \\u-10179? "
        "12345 trailing spaces   </b></div>");
    // clang-format on
    QTest::newRow("empty paragraphs, the last one typed") << "first\n\nafter two breaks\n\n";
    QTest::newRow("empty document") << "";
}

void TestRtf::roundTripAndAbiword()
{
    QFETCH(QString, content);
    // As the box holds it: rows that do not start with markup are typed text in its default font.
    QTextDocument original;
    QFont box(QStringLiteral("Tahoma"));
    box.setPointSizeF(8.25);
    original.setDefaultFont(box);
    if (content.startsWith('<'))
        original.setHtml(content);
    else
        original.setPlainText(content);
    const QByteArray rtf = RtfWriter::write(&original);
    QVERIFY2(std::all_of(rtf.cbegin(), rtf.cend(), [](char c) { return uchar(c) < 0x80; }),
             "the writer's output is ASCII");

    QTextDocument back;
    back.setDefaultFont(original.defaultFont());
    RtfReader::read(rtf, &back);
    QCOMPARE(text(back), text(original));
    QCOMPARE(describe(back), describe(original));
    // Written again, the document is the same bytes: nothing grows from save to save.
    QCOMPARE(RtfWriter::write(&back), rtf);

    // AbiWord reads our RTF to the same text; we read its RTF, written from the document as HTML,
    // to the text it reads itself. Its text export ends a soft line break like a paragraph.
    QVERIFY2(HasAbiword || !QStandardPaths::findExecutable(QStringLiteral("soffice")).isEmpty(),
             "neither AbiWord nor LibreOffice is installed (scripts/setup installs one)");
    QTemporaryDir dir;
    const QString ours = text(original).replace(QChar(QChar::LineSeparator), '\n');
    QCOMPARE(QString::fromUtf8(abiword("txt", dir.filePath("ours.rtf"), rtf)), ours);
    QTextDocument abi;
    RtfReader::read(abiword("rtf", dir.filePath("doc.html"), original.toHtml().toUtf8()), &abi);
    const QString theirs = QString::fromUtf8(abiword("txt", dir.filePath("doc.html.rtf")));
    QCOMPARE(text(abi).replace(QChar(QChar::LineSeparator), '\n'), theirs);
    QCOMPARE(theirs.simplified().remove(' '), ours.simplified().remove(' '));
}

QTEST_MAIN(TestRtf)
#include "tst_rtf.moc"
