// The rich-text box around the codec: files, the RTF property, and the plain-text selection
// operations the chat log appends through.

#include "controls/richtextbox.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QTextCursor>

namespace {

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
    void saveFile();
    void untrustedDocumentHasOnlyText();
};

void TestRichTextBox::selectionOperationsArePlainText()
{
    RichTextBox box;
    box.setSelText(QStringLiteral("<b>not bold</b> {\\rtf1 \\b nor this}"));
    box.setSelStart(1000);
    QCOMPARE(box.selStart(), box.text().size());
    box.setSelText(QStringLiteral("\nnext line"));
    box.setSelStart(0);
    box.setSelText(QStringLiteral(">"));
    QCOMPARE(box.text(), QStringLiteral("><b>not bold</b> {\\rtf1 \\b nor this}\nnext line"));
    QCOMPARE(box.document()->blockCount(), 2);
}

void TestRichTextBox::loadFile_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("expected"); // the box keeps its text when the load fails
    QTest::newRow("rtf") << QByteArrayLiteral(
                                "{\\rtf1 Hello \\b you\\b0\\par\r\nthere\\par\r\n}\r\n\0")
                         << "Hello you\nthere";
    QTest::newRow("plain utf-8 text") << QByteArray("Caf\xc3\xa9 notes\r\nsecond line\r\n")
                                      << QStringLiteral("Café notes\nsecond line\n");
    QTest::newRow("plain windows text") << QByteArray("Caf\xe9 \x80 5\rold mac line\x1a")
                                        << QStringLiteral("Café € 5\nold mac line");
    QTest::newRow("windows unicode text") << QByteArrayLiteral("\xff\xfe"
                                                               "C\0a\0f\0\xe9\0 \0=\x04\r\0\n\0")
                                          << QStringLiteral("Café н\n");
    QTest::newRow("empty file") << QByteArray() << QString();
    QTest::newRow("a picture is not notes")
        << QByteArrayLiteral("GIF89a\x01\0\x01\0\0\0\0;") << "kept";
    QTest::newRow("no file at all") << QByteArray("-") << "kept";
}

void TestRichTextBox::loadFile()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, expected);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("notes.doc"));
    QVERIFY(content == "-" || writeFile(path, content));
    RichTextBox box;
    box.setSelText(QStringLiteral("kept"));
    const bool loads = expected != QLatin1String("kept");
    QCOMPARE(box.LoadFile(path), loads);
    QCOMPARE(box.lastError().isEmpty(), loads);
    QCOMPARE(box.text(), expected);
    // A load is not an edit the player could undo.
    QVERIFY(!loads || !box.document()->isUndoAvailable());
}

void TestRichTextBox::saveFile()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("notes.doc"));
    QVERIFY(writeFile(path, QByteArray(100000, 'x'))); // an older, longer file
    RichTextBox box;
    box.setSelText(QStringLiteral("short now"));
    QTextCursor c(box.document());
    c.setPosition(5, QTextCursor::KeepAnchor);
    QTextCharFormat bold;
    bold.setFontWeight(QFont::Bold);
    c.mergeCharFormat(bold);
    QVERIFY(box.SaveFile(path));
    // Nothing left beside it, and it reads back with its formatting.
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"notes.doc"});
    RichTextBox again;
    QVERIFY(again.LoadFile(path));
    QCOMPARE(again.textRTF(), box.textRTF());

    // A failed save says so, and leaves what is there alone.
    QVERIFY(!box.SaveFile(dir.filePath(QStringLiteral("no/such/folder/notes.doc"))));
    QVERIFY(!box.lastError().isEmpty());
    QVERIFY(!box.SaveFile(dir.path()) && QFileInfo(dir.path()).isDir());
}

void TestRichTextBox::untrustedDocumentHasOnlyText()
{
    RichTextBox box;
    box.setTextRTF("{\\rtf1\\ansi{\\object\\objemb{\\*\\objdata 01050000}{\\result{\\pict"
                   "\\pngblip 89504e470d0a}}}<img src=\"http://127.0.0.1:1/x.png\"> "
                   "{\\field{\\*\\fldinst HYPERLINK \"http://127.0.0.1:1/\"}{\\fldrslt a link}}}");
    QCOMPARE(box.text(), QStringLiteral("<img src=\"http://127.0.0.1:1/x.png\"> a link"));
    QVERIFY(!box.document()->toHtml().contains("<img") &&
            !box.document()->toHtml().contains("href"));
}

QTEST_MAIN(TestRichTextBox)
#include "tst_richtextbox.moc"
