// The rich-text box around the codec: files, the RTF property, and the plain-text selection
// operations the chat log appends through.

#include "controls/richtextbox.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextFragment>

namespace {

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeFile(const QString &path, const QByteArray &data)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(data) == data.size();
}

} // namespace

class TestRichTextBox : public QObject
{
    Q_OBJECT

private slots:
    void selectionOperationsArePlainText();
    void loadFile_data();
    void loadFile();
    void missingFileLeavesTheBoxAlone();
    void saveFileWritesWhatTheBoxHolds();
    void saveFileFailureIsReported();
    void untrustedDocumentHasOnlyText();
};

void TestRichTextBox::selectionOperationsArePlainText()
{
    RichTextBox box;
    box.setSelText(QStringLiteral("<b>not bold</b> {\\rtf1 \\b nor this}"));
    QCOMPARE(box.text(), QStringLiteral("<b>not bold</b> {\\rtf1 \\b nor this}"));
    box.setSelStart(1000);
    QCOMPARE(box.selStart(), box.text().size());
    box.setSelText(QStringLiteral("\nnext line"));
    QCOMPARE(box.document()->blockCount(), 2);
    box.setSelStart(0);
    box.setSelText(QStringLiteral(">"));
    QVERIFY(box.text().startsWith(QStringLiteral("><b>")));
}

void TestRichTextBox::loadFile_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("expected");
    QTest::newRow("rtf") << QByteArray("{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\f0 Hello \\b you"
                                       "\\b0\\par\r\nthere\\par\r\n}\r\n") +
                                '\0'
                         << QStringLiteral("Hello you\nthere");
    QTest::newRow("plain utf-8 text") << QByteArray("Caf\xc3\xa9 notes\r\nsecond line\r\n")
                                      << QStringLiteral("Café notes\nsecond line\n");
    QTest::newRow("plain windows text")
        << QByteArray("Caf\xe9 \x80 5\rold mac line") << QStringLiteral("Café € 5\nold mac line");
    QTest::newRow("windows unicode text") << QByteArray("\xff\xfe"
                                                        "C\0a\0f\0\xe9\0 \0=\x04\r\0\n\0",
                                                        18)
                                          << QStringLiteral("Café н\n");
    QTest::newRow("text with an end-of-file mark") << QByteArray("old text\x1a") << "old text";
    QTest::newRow("empty file") << QByteArray() << QString();
}

void TestRichTextBox::loadFile()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, expected);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("notes.doc"));
    QVERIFY(writeFile(path, content));
    RichTextBox box;
    box.setSelText(QStringLiteral("replaced"));
    QVERIFY(box.LoadFile(path));
    QCOMPARE(box.text(), expected);
    // A load is not an edit the player could undo.
    QVERIFY(!box.document()->isUndoAvailable());
}

void TestRichTextBox::missingFileLeavesTheBoxAlone()
{
    QTemporaryDir dir;
    RichTextBox box;
    box.setSelText(QStringLiteral("kept"));
    QVERIFY(!box.LoadFile(dir.filePath(QStringLiteral("nothing.doc"))));
    QVERIFY(!box.lastError().isEmpty());
    QVERIFY(!box.LoadFile(dir.path())); // a folder is not a file
    const QString binary = dir.filePath(QStringLiteral("picture.doc"));
    QVERIFY(writeFile(binary, QByteArray("GIF89a\x01\0\x01\0\0\0\0;", 14)));
    QVERIFY(!box.LoadFile(binary));
    QCOMPARE(box.text(), QStringLiteral("kept"));
}

void TestRichTextBox::saveFileWritesWhatTheBoxHolds()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("notes.doc"));
    QVERIFY(writeFile(path, QByteArray(100000, 'x'))); // an older, longer file
    RichTextBox box;
    box.setSelText(QStringLiteral("short now"));
    QTextCursor c(box.document());
    c.setPosition(0);
    c.setPosition(5, QTextCursor::KeepAnchor);
    QTextCharFormat bold;
    bold.setFontWeight(QFont::Bold);
    c.mergeCharFormat(bold);

    QVERIFY(box.SaveFile(path));
    QCOMPARE(readFile(path), box.textRTF());
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
             QStringList{QStringLiteral("notes.doc")});

    RichTextBox again;
    QVERIFY(again.LoadFile(path));
    QCOMPARE(again.text(), QStringLiteral("short now"));
    QTextCursor at(again.document());
    at.setPosition(1);
    QCOMPARE(at.charFormat().fontWeight(), int(QFont::Bold));
    at.setPosition(7);
    QCOMPARE(at.charFormat().fontWeight(), int(QFont::Normal));
}

void TestRichTextBox::saveFileFailureIsReported()
{
    QTemporaryDir dir;
    RichTextBox box;
    box.setSelText(QStringLiteral("x"));
    QVERIFY(!box.SaveFile(dir.filePath(QStringLiteral("no/such/folder/notes.doc"))));
    QVERIFY(!box.lastError().isEmpty());
    QVERIFY(!box.SaveFile(dir.path()));
    QVERIFY(QFileInfo(dir.path()).isDir());
}

void TestRichTextBox::untrustedDocumentHasOnlyText()
{
    RichTextBox box;
    box.setTextRTF("{\\rtf1\\ansi{\\object\\objemb{\\*\\objdata 01050000}{\\result{\\pict"
                   "\\pngblip 89504e470d0a}}}<img src=\"http://127.0.0.1:1/x.png\"> "
                   "{\\field{\\*\\fldinst HYPERLINK \"http://127.0.0.1:1/\"}{\\fldrslt a link}}}");
    QCOMPARE(box.text(), QStringLiteral("<img src=\"http://127.0.0.1:1/x.png\"> a link"));
    for (QTextBlock b = box.document()->begin(); b.isValid(); b = b.next()) {
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            const QTextCharFormat f = it.fragment().charFormat();
            QVERIFY(!f.isImageFormat());
            QVERIFY(!f.isAnchor());
            QCOMPARE(f.objectType(), int(QTextFormat::NoObject));
        }
    }
}

QTEST_MAIN(TestRichTextBox)
#include "tst_richtextbox.moc"
