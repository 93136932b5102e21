// The RTF reader and writer on their own: the rich-text control's documents, round trips, AbiWord
// as an independent reader and writer, and hostile input (this test also runs under ASan/UBSan).

#include "controls/rtfreader.h"
#include "controls/rtfwriter.h"

#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFragment>

namespace {

QByteArray readFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray();
    return file.readAll();
}

bool writeFile(const QString &path, const QByteArray &data)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(data) == data.size();
}

QStringList paragraphs(const QTextDocument &doc)
{
    QStringList out;
    for (QTextBlock b = doc.begin(); b.isValid(); b = b.next())
        out << b.text();
    return out;
}

// One line per run of equal formatting, as the reader of the document sees it: what the format
// does not say comes from the document's default font. Sizes are compared in half points, the
// resolution RTF keeps.
QStringList describe(const QTextDocument &doc)
{
    const QFont base = doc.defaultFont();
    QStringList out;
    int blockNumber = 0;
    for (QTextBlock b = doc.begin(); b.isValid(); b = b.next(), ++blockNumber) {
        QString last;
        QString text;
        auto flush = [&] {
            if (!text.isEmpty())
                out << QStringLiteral("%1: \"%2\" %3").arg(blockNumber).arg(text, last);
            text.clear();
        };
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            const QTextCharFormat f = it.fragment().charFormat();
            const QStringList families = f.fontFamilies().toStringList();
            const double pt =
                f.hasProperty(QTextFormat::FontPointSize) ? f.fontPointSize() : base.pointSizeF();
            QStringList attrs;
            attrs << (families.isEmpty() ? base.family() : families.first())
                  << QString::number(qRound(pt * 2) / 2.0);
            if (f.fontWeight() >= QFont::DemiBold)
                attrs << QStringLiteral("bold");
            if (f.fontItalic())
                attrs << QStringLiteral("italic");
            if (f.fontUnderline())
                attrs << QStringLiteral("underline");
            if (f.fontStrikeOut())
                attrs << QStringLiteral("strike");
            if (f.hasProperty(QTextFormat::ForegroundBrush))
                attrs << QStringLiteral("fg=") + f.foreground().color().name();
            if (f.hasProperty(QTextFormat::BackgroundBrush))
                attrs << QStringLiteral("bg=") + f.background().color().name();
            if (f.verticalAlignment() == QTextCharFormat::AlignSuperScript)
                attrs << QStringLiteral("super");
            if (f.verticalAlignment() == QTextCharFormat::AlignSubScript)
                attrs << QStringLiteral("sub");
            const QString key = QLatin1Char('{') + attrs.join(QLatin1Char(',')) + QLatin1Char('}');
            if (key != last)
                flush();
            last = key;
            text += it.fragment().text();
        }
        flush();
    }
    return out;
}

QTextCharFormat fmt(std::initializer_list<const char *> flags, const QString &family = QString(),
                    double points = 0, const QColor &fg = QColor(), const QColor &bg = QColor())
{
    QTextCharFormat f;
    for (const char *flag : flags) {
        const QByteArray s(flag);
        if (s == "b")
            f.setFontWeight(QFont::Bold);
        else if (s == "i")
            f.setFontItalic(true);
        else if (s == "u")
            f.setFontUnderline(true);
        else if (s == "s")
            f.setFontStrikeOut(true);
        else if (s == "super")
            f.setVerticalAlignment(QTextCharFormat::AlignSuperScript);
        else if (s == "sub")
            f.setVerticalAlignment(QTextCharFormat::AlignSubScript);
    }
    if (!family.isEmpty())
        f.setFontFamilies({family});
    if (points > 0)
        f.setFontPointSize(points);
    if (fg.isValid())
        f.setForeground(fg);
    if (bg.isValid())
        f.setBackground(bg);
    return f;
}

enum class Sample
{
    Formats,
    Unicode,
    EmptyParagraphs,
    Empty,
    DefaultFontOnly,
    SpecialText
};

// Bytes of a literal, NULs included.
template<size_t N> QByteArray raw(const char (&s)[N])
{
    return QByteArray(s, N - 1);
}

// The documents of the round trips, built with the cursor the way the box holds typed text.
void build(Sample sample, QTextDocument &doc)
{
    QFont base(QStringLiteral("Tahoma"));
    base.setPointSizeF(8.25);
    doc.setDefaultFont(base);
    QTextCursor c(&doc);
    switch (sample) {
    case Sample::Formats:
        c.insertText(QStringLiteral("Plain, "), fmt({}));
        c.insertText(QStringLiteral("bold"), fmt({"b"}));
        c.insertText(QStringLiteral(", "), fmt({}));
        c.insertText(QStringLiteral("italic"), fmt({"i"}));
        c.insertText(QStringLiteral(", "), fmt({}));
        c.insertText(QStringLiteral("underlined"), fmt({"u"}));
        c.insertText(QStringLiteral(" "), fmt({}));
        c.insertText(QStringLiteral("struck"), fmt({"s"}));
        c.insertBlock();
        c.insertText(QStringLiteral("red"), fmt({}, {}, 0, QColor(255, 0, 0)));
        c.insertText(QStringLiteral(" on yellow"), fmt({}, {}, 0, Qt::black, QColor(255, 255, 0)));
        c.insertText(QStringLiteral(" all three"), fmt({"b", "i", "u"}, {}, 0, QColor(0, 128, 0)));
        c.insertBlock();
        c.insertText(QStringLiteral("Arial 12 pt"), fmt({}, QStringLiteral("Arial"), 12));
        c.insertText(QStringLiteral(" then "), fmt({}));
        c.insertText(QStringLiteral("Courier 10 pt"), fmt({}, QStringLiteral("Courier New"), 10));
        c.insertText(QStringLiteral(" E=mc"), fmt({}));
        c.insertText(QStringLiteral("2"), fmt({"super"}));
        c.insertText(QStringLiteral(" H"), fmt({}));
        c.insertText(QStringLiteral("2"), fmt({"sub"}));
        c.insertText(QStringLiteral("O big"), fmt({"b"}, QStringLiteral("Times New Roman"), 36));
        break;
    case Sample::Unicode:
        c.insertText(QStringLiteral("Café costs 5 €, № 7"), fmt({}));
        c.insertBlock();
        c.insertText(QStringLiteral("Привет, 中文, 日本語, 한국어, ελληνικά, עברית"), fmt({"b"}));
        c.insertText(QStringLiteral(" in a font named outside ASCII"),
                     fmt({}, QStringLiteral("微软雅黑 {Ж}"), 9));
        c.insertBlock();
        c.insertText(
            QStringLiteral(
                "😀 👍🏽 🇫🇷 𝄞 and \u00A0nbsp ‘quotes’ “double” — – •"),
            fmt({"i"}, QStringLiteral("Segoe UI Emoji"), 11));
        break;
    case Sample::EmptyParagraphs:
        c.insertText(QStringLiteral("first"), fmt({}));
        c.insertBlock();
        c.insertBlock();
        c.insertText(QStringLiteral("after two breaks"), fmt({"b"}));
        c.insertBlock();
        c.insertBlock(); // the box ends with an empty line the player typed
        break;
    case Sample::Empty:
        break;
    case Sample::DefaultFontOnly:
        c.insertText(QStringLiteral("Typed straight into the box\nwith no formatting at all"));
        break;
    case Sample::SpecialText:
        c.insertText(QStringLiteral("Braces { } and a backslash \\ and a\ttab; semi;colons"),
                     fmt({}));
        c.insertText(QString(QChar(QChar::LineSeparator)) +
                         QStringLiteral("soft break \\par {\\b}"),
                     fmt({}));
        c.insertBlock();
        c.insertText(QStringLiteral("-1 \\u-10179? 12345 trailing spaces   "), fmt({"b"}));
        break;
    }
}

QString abiword()
{
    return QStandardPaths::findExecutable(QStringLiteral("abiword"));
}

// AbiWord converting one file; false when it did not produce the output.
bool runAbiword(const QString &format, const QString &in, const QString &out)
{
    QProcess p;
    p.start(abiword(), {QStringLiteral("--to=") + format, QStringLiteral("--to-name=") + out, in});
    if (!p.waitForFinished(60000)) {
        p.kill();
        p.waitForFinished();
        return false;
    }
    return QFile::exists(out);
}

QString readAsText(const QByteArray &rtf)
{
    QTextDocument doc;
    RtfReader::read(rtf, &doc);
    return paragraphs(doc).join(QLatin1Char('\n'));
}

} // namespace

Q_DECLARE_METATYPE(Sample)

class TestRtf : public QObject
{
    Q_OBJECT

private slots:
    void referenceDocuments_data();
    void referenceDocuments();
    void referenceFormats();
    void readerRules_data();
    void readerRules();
    void readerFormats();
    void roundTrip_data();
    void roundTrip();
    void writerForm();
    void ourRtfReadByAbiword_data();
    void ourRtfReadByAbiword();
    void abiwordRtfReadByUs();
    void hostile_data();
    void hostile();
    void randomTokens();
};

void TestRtf::referenceDocuments_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("plain") << "richedit-plain.rtf"
                           << QStringList{"Meet at the north bank at 9.", "Bring 3 ropes"};
    QTest::newRow("format") << "richedit-format.rtf"
                            << QStringList{"Plain, bold, italic, underlined, red and all three.",
                                           "Arial 12 pt then Courier 10 pt", "",
                                           "Braces { } and a backslash \\ and a\ttab."};
    QTest::newRow("intl") << "richedit-intl.rtf"
                          << QStringList{QStringLiteral("Café costs 5 €."),
                                         QStringLiteral("Привет, 中文, 😀 and № no.")};
}

void TestRtf::referenceDocuments()
{
    QFETCH(QString, file);
    QFETCH(QStringList, expected);
    const QByteArray data = readFile(QFINDTESTDATA(QStringLiteral("data/") + file));
    QVERIFY(RtfReader::isRtf(data));
    QTextDocument doc;
    RtfReader::read(data, &doc);
    QCOMPARE(paragraphs(doc), expected);
}

void TestRtf::referenceFormats()
{
    QTextDocument doc;
    RtfReader::read(readFile(QFINDTESTDATA("data/richedit-format.rtf")), &doc);
    const QStringList expected = {
        "0: \"Plain, \" {MS Sans Serif,8.5}",
        "0: \"bold\" {MS Sans Serif,8.5,bold}",
        "0: \", \" {MS Sans Serif,8.5}",
        "0: \"italic\" {MS Sans Serif,8.5,italic}",
        "0: \", \" {MS Sans Serif,8.5}",
        "0: \"underlined\" {MS Sans Serif,8.5,underline}",
        "0: \", \" {MS Sans Serif,8.5}",
        "0: \"red\" {MS Sans Serif,8.5,fg=#ff0000}",
        "0: \" and \" {MS Sans Serif,8.5}",
        "0: \"all three\" {MS Sans Serif,8.5,bold,italic,fg=#008000}",
        "0: \".\" {MS Sans Serif,8.5}",
        "1: \"Arial 12 pt\" {Arial,12}",
        "1: \" then \" {MS Sans Serif,8.5}",
        "1: \"Courier 10 pt\" {Courier New,10}",
        "3: \"Braces { } and a backslash \\ and a\ttab.\" {MS Sans Serif,8.5}",
    };
    QCOMPARE(describe(doc), expected);

    // The plain document is one font and size throughout.
    QTextDocument plain;
    RtfReader::read(readFile(QFINDTESTDATA("data/richedit-plain.rtf")), &plain);
    QCOMPARE(describe(plain),
             QStringList({"0: \"Meet at the north bank at 9.\" {MS Sans Serif,8.5}",
                          "1: \"Bring 3 ropes\" {MS Sans Serif,8.5}"}));
}

void TestRtf::readerRules_data()
{
    QTest::addColumn<QByteArray>("rtf");
    QTest::addColumn<QString>("expected");
    const QByteArray head = "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fnil Arial;}}";

    QTest::newRow("final par closes the last paragraph") << head + "a\\par\r\n}"
                                                         << "a";
    QTest::newRow("two final pars leave one empty paragraph") << head + "a\\par\\par}"
                                                              << "a\n";
    QTest::newRow("no final par") << head + "a\\par b}"
                                  << "a\nb";
    QTest::newRow("only a par") << head + "\\par}"
                                << "";
    QTest::newRow("old par after CR LF") << head + "a\r\n\\par b\r\n\\par }"
                                         << "a\nb";
    QTest::newRow("backslash newline is a paragraph") << head + "a\\\r\nb}"
                                                      << "a\nb";
    QTest::newRow("CR LF in text are not text") << head + "a\r\nb\rc\nd}"
                                                << "abcd";
    QTest::newRow("page sect row are breaks") << head + "a\\page b\\sect c\\cell d\\row e}"
                                              << "a\nb\nc\td\ne";
    QTest::newRow("line and tab") << head + "a\\line b\\tab c}" << QStringLiteral("a\u2028b\tc");
    QTest::newRow("symbols") << head + "\\~\\-\\_\\\\\\{\\}}"
                             << QStringLiteral("\u00A0\u00AD\u2011\\{}");
    QTest::newRow("quote words")
        << head + "\\lquote a\\rquote  \\ldblquote b\\rdblquote \\emdash\\endash\\bullet}"
        << QStringLiteral("‘a’ “b”—–•");
    QTest::newRow("text after the document is ignored") << head + "a}\r\n\0junk{\\b x}"
                                                        << "a";
    QTest::newRow("unknown control words ignored") << head + "a\\foo b\\bar12 c\\zz-3 d}"
                                                   << "abcd";
    QTest::newRow("ignorable destinations skipped")
        << head + "{\\*\\generator Riched20 10.0;}a{\\*\\unknown {x}y}b{\\info{\\title T}}c}"
        << "abc";
    QTest::newRow("stylesheet header footer skipped")
        << head + "{\\stylesheet{\\s0 Normal;}}{\\header H}{\\footerr F}a}"
        << "a";
    QTest::newRow("field shows its result")
        << head + "see {\\field{\\*\\fldinst HYPERLINK \"http://x.test/\"}{\\fldrslt link}} now}"
        << "see link now";
    QTest::newRow("field instruction without star")
        << head + "{\\field{\\fldinst PAGE}{\\fldrslt 3}}}"
        << "3";
    QTest::newRow("pntext shown, pn skipped")
        << QByteArray("{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}{\\f1\\fcharset2 Symbol;}}"
                      "{\\pntext\\f1\\'b7\\tab}{\\*\\pn\\pnlvlblt{\\pntxtb\\'b7}}item\\par"
                      "{\\pn\\pnlvlblt{\\pntxtb\\'b7}}x}")
        << QStringLiteral("•\titem\nx");
    QTest::newRow("pictures and objects skipped")
        << head + "a{\\pict\\pngblip 89504e47}b{\\object{\\*\\objdata 0102}{\\result r}}c}"
        << "abc";
    QTest::newRow("bin bytes skipped with braces in them") << head + "a{\\pict\\bin4 }{}x}b}"
                                                           << "ab";
    QTest::newRow("bin in text") << head + "a\\bin3 {{{b}"
                                 << "ab";
    QTest::newRow("hidden text") << head + "a{\\v hidden}b\\v c\\v0 d}"
                                 << "abd";
    QTest::newRow("unicode with fallback") << head + "\\uc1\\u8470? no}" << QStringLiteral("№ no");
    QTest::newRow("unicode uc0") << head + "\\uc0\\u8470 no}" << QStringLiteral("№no");
    QTest::newRow("unicode uc2 hex fallback")
        << head + "\\uc2\\u8470\\'3f\\'3fx}" << QStringLiteral("№x");
    QTest::newRow("unicode fallback control word")
        << head + "\\u8470\\endash x}" << QStringLiteral("№x");
    QTest::newRow("unicode skip stops at group")
        << head + "{\\uc3\\u8470}ab}" << QStringLiteral("№ab");
    QTest::newRow("uc restored at group end")
        << head + "{\\uc2 a}\\u8470?b}" << QStringLiteral("a№b");
    QTest::newRow("unicode negative") << head + "\\u-3913?}" << QStringLiteral("\uF0B7");
    QTest::newRow("surrogate pair") << head + "\\u-10179?\\u-8704?}" << QStringLiteral("😀");
    QTest::newRow("surrogate pair across format change")
        << head + "\\u-10179?\\b\\u-8704?}" << QStringLiteral("😀");
    QTest::newRow("lone surrogates")
        << head + "\\u-10179?x\\u-8704?}" << QStringLiteral("\uFFFDx\uFFFD");
    QTest::newRow("ansi code page")
        << QByteArray("{\\rtf1\\ansi\\ansicpg1251 \\'cf\\'f0}") << QStringLiteral("Пр");
    QTest::newRow("font charset beats ansicpg")
        << QByteArray("{\\rtf1\\ansi\\ansicpg1252{\\fonttbl{\\f0 A;}{\\f1\\fcharset238 B;}}"
                      "\\'e8\\f1\\'e8\\f0\\'e8}")
        << QStringLiteral("èčè");
    QTest::newRow("charset 1 is the document code page")
        << QByteArray("{\\rtf1\\ansi\\ansicpg1253{\\fonttbl{\\f0\\fcharset1 A;}}\\'e1}")
        << QStringLiteral("α");
    QTest::newRow("shift-jis double bytes")
        << QByteArray("{\\rtf1\\ansi{\\fonttbl{\\f0\\fcharset128 MS Gothic;}}\\'82\\'a0\\'93\\'fa}")
        << QStringLiteral("あ日");
    QTest::newRow("big5 lead byte with literal trail")
        << QByteArray("{\\rtf1\\ansi{\\fonttbl{\\f0\\fcharset136 MingLiU;}}\\'a4@}")
        << QStringLiteral("一");
    QTest::newRow("font code page")
        << QByteArray("{\\rtf1\\ansi{\\fonttbl{\\f0\\cpg1251 A;}}\\'e0}") << QStringLiteral("а");
    QTest::newRow("raw high bytes read in the code page")
        << QByteArray("{\\rtf1\\ansi\\ansicpg1252 caf\xe9}") << QStringLiteral("café");
    QTest::newRow("font restored at group end")
        << QByteArray("{\\rtf1\\ansi{\\fonttbl{\\f0 A;}{\\f1\\fcharset204 B;}}{\\f1\\'e0}\\'e0}")
        << QStringLiteral("аà");
    QTest::newRow("unknown font falls back to default")
        << QByteArray("{\\rtf1\\ansi\\deff1{\\fonttbl{\\f1\\fcharset204 B;}}\\f7\\'e0}")
        << QStringLiteral("а");
    QTest::newRow("font table without entry groups")
        << QByteArray(
               "{\\rtf1\\ansi{\\fonttbl\\f0\\fcharset204 A;\\f1\\fcharset0 B;}\\f0\\'e0\\f1\\'e0}")
        << QStringLiteral("аà");
    QTest::newRow("table cells") << head + "\\trowd a\\cell b\\cell\\row c}"
                                 << "a\tb\t\nc";
}

void TestRtf::readerRules()
{
    QFETCH(QByteArray, rtf);
    QFETCH(QString, expected);
    QCOMPARE(readAsText(rtf), expected);
}

void TestRtf::readerFormats()
{
    // The older control: \plain everywhere, a colour table whose first entry is a real colour.
    QTextDocument doc;
    RtfReader::read("{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\fswiss Arial;}{\\f1\\froman Times;}}"
                    "{\\colortbl\\red255\\green0\\blue0;\\red0\\green0\\blue255;}"
                    "\\pard\\plain\\f1\\fs20\\cf0 red\\plain\\f0\\fs20\\b\\cf1 blue\\plain"
                    "\\fs20 \\highlight1 marked\\plain\\fs20 \\super up\\nosupersub "
                    "\\sub down\\plain\\fs20\\strike gone\\strike0\\ul u\\ulnone\\uldb d\\ul0 "
                    "\\cf9 far\\cf-1 neg\\fs99999999999999 big\\par}",
                    &doc);
    const QStringList expected = {
        "0: \"red\" {Times,10,fg=#ff0000}",
        "0: \"blue\" {Arial,10,bold,fg=#0000ff}",
        "0: \"marked\" {Arial,10,bg=#0000ff}",
        "0: \"up\" {Arial,10,super}",
        "0: \"down\" {Arial,10,sub}",
        "0: \"gone\" {Arial,10,strike}",
        "0: \"ud\" {Arial,10,underline}",
        "0: \"farneg\" {Arial,10}",
        "0: \"big\" {Arial,1638}",
    };
    QCOMPARE(describe(doc), expected);
}

void TestRtf::roundTrip_data()
{
    QTest::addColumn<Sample>("sample");
    QTest::newRow("formats") << Sample::Formats;
    QTest::newRow("unicode and emoji") << Sample::Unicode;
    QTest::newRow("empty paragraphs") << Sample::EmptyParagraphs;
    QTest::newRow("empty document") << Sample::Empty;
    QTest::newRow("default font only") << Sample::DefaultFontOnly;
    QTest::newRow("special text") << Sample::SpecialText;
}

void TestRtf::roundTrip()
{
    QFETCH(Sample, sample);
    QTextDocument original;
    build(sample, original);
    const QByteArray rtf = RtfWriter::write(&original);

    QTextDocument back;
    back.setDefaultFont(original.defaultFont());
    RtfReader::read(rtf, &back);
    QCOMPARE(paragraphs(back), paragraphs(original));
    QCOMPARE(describe(back), describe(original));

    // Written again, the document is the same bytes: nothing grows from save to save.
    QCOMPARE(RtfWriter::write(&back), rtf);
}

void TestRtf::writerForm()
{
    QTextDocument doc;
    build(Sample::Formats, doc);
    QTextCursor c(&doc);
    c.movePosition(QTextCursor::End);
    c.insertText(QStringLiteral(" {x}\\ 😀 é"));
    const QByteArray rtf = RtfWriter::write(&doc);

    for (const char byte : rtf)
        QVERIFY2(uchar(byte) < 0x80, "the writer's output is pure ASCII");
    QVERIFY(rtf.startsWith("{\\rtf1\\ansi\\ansicpg1252\\deff0\\deflang1033{\\fonttbl{\\f0\\fnil"
                           "\\fcharset0 Tahoma;}"));
    QVERIFY(rtf.contains("}\r\n{\\colortbl ;\\red255\\green0\\blue0;"));
    QVERIFY(rtf.contains("\\viewkind4\\uc1\\pard\\f0\\fs17 Plain, \\b bold\\b0 , \\i italic\\i0 , "
                         "\\ul underlined\\ulnone  \\strike struck\\par\r\n"));
    QVERIFY(rtf.contains(" \\{x\\}\\\\ \\u-10179?\\u-8704? \\u233?\\par\r\n}\r\n"));
    QVERIFY(rtf.endsWith("\\par\r\n}\r\n"));
    QVERIFY(rtf.contains("\\highlight"));
    QVERIFY(!rtf.contains("\\cb"));
    QCOMPARE(rtf.count("\\par\r\n"), doc.blockCount());

    QTextDocument empty;
    QCOMPARE(RtfWriter::write(&empty).count("\\par\r\n"), 1);
}

void TestRtf::ourRtfReadByAbiword_data()
{
    roundTrip_data();
}

void TestRtf::ourRtfReadByAbiword()
{
    if (abiword().isEmpty())
        QSKIP("abiword is not installed (scripts/setup installs it)");
    QFETCH(Sample, sample);
    QTextDocument doc;
    build(sample, doc);
    QTemporaryDir dir;
    const QString in = dir.filePath(QStringLiteral("ours.rtf"));
    const QString out = dir.filePath(QStringLiteral("ours.txt"));
    QVERIFY(writeFile(in, RtfWriter::write(&doc)));
    QVERIFY(runAbiword(QStringLiteral("txt"), in, out));
    QString theirs = QString::fromUtf8(readFile(out));
    // AbiWord's text export ends a soft line break as a newline, like a paragraph.
    QString ours = paragraphs(doc).join(QLatin1Char('\n'));
    ours.replace(QChar(QChar::LineSeparator), QLatin1Char('\n'));
    QCOMPARE(theirs, ours);
}

void TestRtf::abiwordRtfReadByUs()
{
    if (abiword().isEmpty())
        QSKIP("abiword is not installed (scripts/setup installs it)");
    QTemporaryDir dir;
    const QString html = dir.filePath(QStringLiteral("in.html"));
    const QString rtf = dir.filePath(QStringLiteral("abi.rtf"));
    const QString txt = dir.filePath(QStringLiteral("abi.txt"));
    QVERIFY(
        writeFile(html, QStringLiteral("<html><head><meta http-equiv=\"Content-Type\" "
                                       "content=\"text/html; charset=utf-8\"></head><body>"
                                       "<p>Plain <b>bold</b> <i>italic</i> <u>under</u> "
                                       "<span style=\"color:#ff0000\">red</span> café € 😀 中文 "
                                       "Привет {x} \\ a;b</p><p></p><p>second</p></body></html>")
                            .toUtf8()));
    QVERIFY(runAbiword(QStringLiteral("rtf"), html, rtf));
    const QByteArray abiRtf = readFile(rtf);
    QVERIFY(RtfReader::isRtf(abiRtf));

    QTextDocument doc;
    RtfReader::read(abiRtf, &doc);
    // The same text as AbiWord itself reads from its own file.
    QVERIFY(runAbiword(QStringLiteral("txt"), rtf, txt));
    QString theirs = QString::fromUtf8(readFile(txt));
    QCOMPARE(paragraphs(doc).join(QLatin1Char('\n')), theirs);
    QVERIFY(theirs.startsWith(QStringLiteral("Plain bold italic under red café €")));
    QVERIFY(theirs.contains(QStringLiteral("中文 Привет {x} \\ a;b\n\nsecond")));

    // And its formatting, not control words.
    const QStringList runs = describe(doc);
    QVERIFY2(runs.filter(QStringLiteral("\"bold\"")).value(0).contains(QStringLiteral("bold}")),
             qPrintable(runs.join('\n')));
    QVERIFY(runs.filter(QStringLiteral("\"italic\"")).value(0).contains(QStringLiteral("italic")));
    QVERIFY(runs.filter(QStringLiteral("\"red\"")).value(0).contains(QStringLiteral("fg=#ff0000")));
}

void TestRtf::hostile_data()
{
    QTest::addColumn<QByteArray>("rtf");
    QTest::addColumn<QString>("mustContain");

    const QByteArray head = "{\\rtf1\\ansi ";
    QTest::newRow("a million open groups") << head + QByteArray(1000000, '{') + "deep"
                                           << "deep";
    QTest::newRow("deep balanced nesting")
        << head + "a" + QByteArray(200000, '{') + "\\b deep" + QByteArray(200000, '}') + " b}"
        << "adeep b";
    QTest::newRow("deep nesting then closing")
        << head + QByteArray(600, '{') + "\\b x" + QByteArray(600, '}') + "y}"
        << "xy";
    QTest::newRow("unbalanced: never closed") << head + "{\\b kept text"
                                              << "kept text";
    QTest::newRow("unbalanced: too many closes") << head + "a}}}}}b"
                                                 << "a";
    QTest::newRow("bin beyond the end") << head + "a\\bin999999999 xyz}"
                                        << "a";
    QTest::newRow("bin negative") << head + "a\\bin-5 b}"
                                  << "ab";
    QTest::newRow("bin huge digits") << head + "a\\bin" + QByteArray(300, '9') + " b}"
                                     << "a";
    QTest::newRow("uc in the billions")
        << head + "\\uc2147483647\\u233 abc{x}}" << QStringLiteral("éx");
    QTest::newRow("uc beyond int")
        << head + "\\uc99999999999999999999\\u233 abc}" << QStringLiteral("é");
    QTest::newRow("u out of range") << head + "a\\u99999999? \\u-99999999? b}"
                                    << "a  b";
    QTest::newRow("number of hundreds of digits")
        << head + "\\fs" + QByteArray(500, '9') + " big \\f-" + QByteArray(500, '9') + " x}"
        << "big x";
    {
        QByteArray fonts = "{\\rtf1\\ansi\\deff0{\\fonttbl";
        for (int i = 0; i < 100000; ++i)
            fonts += "{\\f" + QByteArray::number(i) + "\\fcharset" + QByteArray::number(i % 256) +
                     " Font" + QByteArray::number(i) + ";}";
        fonts += "}\\f99999 last\\f5 five\\f0 zero}";
        QTest::newRow("100,000 fonts") << fonts << "lastfivezero";
    }
    QTest::newRow("a megabyte font name")
        << "{\\rtf1\\ansi{\\fonttbl{\\f0 " + QByteArray(1 << 20, 'N') + ";}}\\f0 text}"
        << "text";
    {
        QByteArray colors = "{\\rtf1\\ansi{\\colortbl ;";
        for (int i = 0; i < 100000; ++i)
            colors += "\\red" + QByteArray::number(i % 300) + "\\green1\\blue2;";
        colors += "}\\cf99999 far\\cf2147483647 farther\\cf-5 neg}";
        QTest::newRow("colours out of range") << colors << "farfartherneg";
    }
    QTest::newRow("control word longer than 32 letters")
        << head + "a\\" + QByteArray(1 << 20, 'x') + " b\\bbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbb c}"
        << "abc";
    QTest::newRow("bad hex") << head + "a\\'zzb\\'4 c\\'}"
                             << "azzb4 c";
    QTest::newRow("hex at the end") << head + "a\\'"
                                    << "a";
    QTest::newRow("backslash at the end") << head + "a\\"
                                          << "a";
    QTest::newRow("NUL bytes everywhere")
        << raw("{\\rtf1\\ansi\0 a\0b\\\0c{\\b\0 d}\0\\'0\0e}") << "abc d0e";
    QTest::newRow("not RTF at all") << raw("just \x01\x02 text {\\b not rtf}\0tail") << "just";
    QTest::newRow("binary junk") << QByteArray(300000, '\xff') + QByteArray(1000, '\0') << "";
    QTest::newRow("only the magic") << QByteArray("{\\rtf") << "";
    QTest::newRow("objects and pictures never load")
        << head + "{\\object\\objemb{\\*\\objclass Package}{\\*\\objdata 0105000002}"
                  "{\\result{\\pict\\jpegblip ffd8}}}{\\field{\\*\\fldinst INCLUDEPICTURE "
                  "\"http://127.0.0.1:1/x.png\"}{\\fldrslt shown}}}"
        << "shown";
    QTest::newRow("frame and object characters dropped")
        << head + "a\\u65532?\\u64976?\\u64977?\\u13?\\u10?\\u0?b}"
        << "ab";
    QTest::newRow("a million pars")
        << head + QByteArray(1000000 / 5, 'x').replace("x", "\\par ") + "end}"
        << "end";
}

void TestRtf::hostile()
{
    QFETCH(QByteArray, rtf);
    QFETCH(QString, mustContain);
    QTextDocument doc;
    RtfReader::read(rtf, &doc);
    QVERIFY2(doc.toPlainText().contains(mustContain), qPrintable(doc.toPlainText().left(200)));
    // Whatever came in, what is written out reads back to the same text.
    const QByteArray again = RtfWriter::write(&doc);
    QTextDocument back;
    RtfReader::read(again, &back);
    QCOMPARE(back.toPlainText(), doc.toPlainText());
}

void TestRtf::randomTokens()
{
    // Random documents made of the tokens that matter: every one reads without fault.
    static const char *const tokens[] = {
        "{",
        "}",
        "\\b",
        "\\b0",
        "\\i",
        "\\ul",
        "\\ulnone",
        "\\par",
        "\\pard",
        "\\plain",
        "\\f1",
        "\\f99",
        "\\fs",
        "\\fs-3",
        "\\cf2",
        "\\highlight9",
        "\\u-10179?",
        "\\u-8704?",
        "\\u233",
        "\\uc0",
        "\\uc5",
        "\\'",
        "\\'e9",
        "\\'8",
        "\\bin2 ",
        "\\bin-1",
        "\\*",
        "\\pict",
        "\\fonttbl",
        "\\colortbl",
        "\\red9;",
        ";",
        "\\f0\\fcharset128",
        "\\fcharset134",
        "\\'82",
        "\\'a0",
        "\\\\",
        "\\{",
        "\\}",
        "\\~",
        "\\tab",
        "\\line",
        "text ",
        "\xc3\xa9",
        "\r\n",
        "" /* a NUL */,
        "\\v",
        "\\fldrslt",
        "\\field",
        "\\sub",
        "\\super",
        "\\deff3",
        "\\ansicpg936",
        "\\",
        "9999999999999",
    };
    QRandomGenerator rng(20240611);
    for (int round = 0; round < 400; ++round) {
        QByteArray rtf = "{\\rtf1";
        const int count = rng.bounded(1, 400);
        for (int i = 0; i < count; ++i) {
            const char *t = tokens[rng.bounded(int(std::size(tokens)))];
            rtf += t[0] ? QByteArray(t) : QByteArray(1, '\0');
        }
        QTextDocument doc;
        RtfReader::read(rtf, &doc);
        QTextDocument back;
        RtfReader::read(RtfWriter::write(&doc), &back);
        QCOMPARE(back.toPlainText(), doc.toPlainText());
    }
}

QTEST_MAIN(TestRtf)
#include "tst_rtf.moc"
