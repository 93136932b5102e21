// The "Notepad" page: the notes file read at start and written at exit and on "Quit", through
// the real main window, and what happens to a notes file that cannot be read.

#include "testmain.h"

#include "controls/richtextbox.h"
#include "controls/rtfreader.h"
#include "controls/twips.h"
#include "shell/forms.h"
#include "shell/frmmain.h"
#include "tools/notepadpage.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextCursor>

#include <memory>

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

QTextCharFormat formatAt(RichTextBox *box, int position)
{
    QTextCursor c(box->document());
    c.setPosition(position);
    c.setPosition(position + 1, QTextCursor::KeepAnchor);
    return c.charFormat();
}

void applyFormat(RichTextBox *box, int from, int to, const QTextCharFormat &format)
{
    QTextCursor c(box->document());
    c.setPosition(from);
    c.setPosition(to, QTextCursor::KeepAnchor);
    c.mergeCharFormat(format);
}

QString noticeText(QWidget *w)
{
    auto *label = w->window()->findChild<QLabel *>(QStringLiteral("notice"));
    return label && label->isVisible() ? label->text() : QString();
}

} // namespace

class TestNotepad : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void pageLayout();
    void missingFileStartsEmptyAndFirstSaveCreatesIt();
    void loadsWhatIsThere_data();
    void loadsWhatIsThere();
    void unreadableFileIsKeptAside_data();
    void unreadableFileIsKeptAside();
    void saveFailureIsToldAndNothingEnds();
    void unwritableProgramDirUsesTheDataFolder();
    void notesSurviveClosingTheMainWindow();
    void notesSurviveQuit();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<QTemporaryDir> m_data;
    QString notesPath() const { return m_dir->filePath(QStringLiteral("notes.doc")); }
};

void TestNotepad::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    m_data = std::make_unique<QTemporaryDir>();
    qputenv("HOPWISE_PROGRAM_DIR", m_dir->path().toUtf8());
    qputenv("XDG_DATA_HOME", m_data->path().toUtf8());
    // Nothing listens there: the main window's home page fails at once, off the network.
    qputenv("HOPWISE_UPDATE_SERVER", "127.0.0.1:1");
    Forms::resetForTesting();
}

void TestNotepad::cleanup()
{
    Forms::resetForTesting();
    const auto windows = QApplication::topLevelWidgets();
    for (QWidget *w : windows)
        w->close();
}

void TestNotepad::pageLayout()
{
    NotepadPage page;
    auto *box = page.findChild<RichTextBox *>(QStringLiteral("rtfNotes"));
    QVERIFY(box);
    QCOMPARE(box->geometry(), Twips::rect(120, 480, 11535, 2055));
    QCOMPARE(box->font().family(), QStringLiteral("Tahoma"));
    QCOMPARE(box->font().pointSizeF(), 8.25);
    QVERIFY(!box->isReadOnly());
}

void TestNotepad::missingFileStartsEmptyAndFirstSaveCreatesIt()
{
    NotepadPage page;
    page.show();
    page.loadNotes();
    QVERIFY(page.notesBox()->text().isEmpty());
    QVERIFY(noticeText(&page).isEmpty());
    QVERIFY(!QFile::exists(notesPath()));

    page.notesBox()->setSelText(QStringLiteral("first notes"));
    page.saveNotes();
    QVERIFY(RtfReader::isRtf(readFile(notesPath())));
    QCOMPARE(QDir(m_dir->path())
                 .entryList(QDir::Files | QDir::Hidden | QDir::Dirs | QDir::NoDotAndDotDot),
             QStringList{QStringLiteral("notes.doc")});
}

void TestNotepad::loadsWhatIsThere_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<bool>("firstWordBold");
    QTest::newRow("notes of the old control")
        << QByteArray("{\\rtf1\\ansi\\ansicpg1252\\deff0\\deflang1033{\\fonttbl{\\f0\\fswiss"
                      "\\fcharset0 MS Sans Serif;}}\r\n\\viewkind4\\uc1\\pard\\f0\\fs17 \\b Meet"
                      "\\b0  at the north bank at 9.\\par\r\nBring 3 ropes\\par\r\n}\r\n") +
               '\0'
        << QStringLiteral("Meet at the north bank at 9.\nBring 3 ropes") << true;
    QTest::newRow("text that is not rtf")
        << QByteArray("Meet at the bank\r\n{not rtf}\r\n")
        << QStringLiteral("Meet at the bank\n{not rtf}\n") << false;
}

void TestNotepad::loadsWhatIsThere()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, expected);
    QFETCH(bool, firstWordBold);
    QVERIFY(writeFile(notesPath(), content));
    NotepadPage page;
    page.loadNotes();
    QCOMPARE(page.notesBox()->text(), expected);
    QCOMPARE(formatAt(page.notesBox(), 0).fontWeight() >= QFont::DemiBold, firstWordBold);

    // Saved again, the notes are rich text holding the same text, nothing added.
    page.saveNotes();
    NotepadPage again;
    again.loadNotes();
    QCOMPARE(again.notesBox()->text(), expected);
    QVERIFY(RtfReader::isRtf(readFile(notesPath())));
}

void TestNotepad::unreadableFileIsKeptAside_data()
{
    QTest::addColumn<bool>("folder");
    QTest::newRow("binary data under the name") << false;
    QTest::newRow("a folder under the name") << true;
}

void TestNotepad::unreadableFileIsKeptAside()
{
    QFETCH(bool, folder);
    const QByteArray binary =
        QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16) + QByteArray(64, '\x01');
    if (folder) {
        QVERIFY(QDir().mkpath(notesPath()));
        QVERIFY(writeFile(notesPath() + QStringLiteral("/inside.txt"), "kept"));
    } else {
        QVERIFY(writeFile(notesPath(), binary));
    }
    // An older aside file is not replaced either.
    QVERIFY(writeFile(notesPath() + QStringLiteral(".unreadable"), "older"));

    NotepadPage page;
    page.show();
    page.loadNotes();
    QVERIFY(page.notesBox()->text().isEmpty());
    const QString told = noticeText(&page);
    QVERIFY2(told.contains(QStringLiteral("notes.doc.unreadable-2")), qPrintable(told));

    page.notesBox()->setSelText(QStringLiteral("fresh notes"));
    page.saveNotes();
    const QString aside = notesPath() + QStringLiteral(".unreadable-2");
    if (folder)
        QCOMPARE(readFile(aside + QStringLiteral("/inside.txt")), QByteArray("kept"));
    else
        QCOMPARE(readFile(aside), binary);
    QCOMPARE(readFile(notesPath() + QStringLiteral(".unreadable")), QByteArray("older"));
    QVERIFY(QFileInfo(notesPath()).isFile());

    // Later saves write the fresh file in place; nothing more is moved.
    page.notesBox()->setSelText(QStringLiteral(" and more"));
    page.saveNotes();
    QVERIFY(!QFile::exists(notesPath() + QStringLiteral(".unreadable-3")));
    NotepadPage again;
    again.loadNotes();
    QCOMPARE(again.notesBox()->text(), QStringLiteral("fresh notes and more"));
}

void TestNotepad::saveFailureIsToldAndNothingEnds()
{
    NotepadPage page;
    page.show();
    page.loadNotes();
    page.notesBox()->setSelText(QStringLiteral("typed"));
    QVERIFY(m_dir->remove()); // the program folder vanished meanwhile
    page.saveNotes();
    QVERIFY(noticeText(&page).contains(QStringLiteral("could not be saved")));
    QCOMPARE(page.notesBox()->text(), QStringLiteral("typed"));
}

void TestNotepad::unwritableProgramDirUsesTheDataFolder()
{
    // A program folder that cannot hold files (here: not a folder at all).
    const QString notAFolder = m_dir->filePath(QStringLiteral("hopwise-binary"));
    QVERIFY(writeFile(notAFolder, "x"));
    qputenv("HOPWISE_PROGRAM_DIR", notAFolder.toUtf8());

    NotepadPage page;
    page.loadNotes();
    page.notesBox()->setSelText(QStringLiteral("kept per user"));
    page.saveNotes();
    const QString perUser = m_data->filePath(QStringLiteral("hopwise/notes.doc"));
    QVERIFY2(QFile::exists(perUser), qPrintable(NotepadPage::notesFilePath()));

    NotepadPage again;
    again.loadNotes();
    QCOMPARE(again.notesBox()->text(), QStringLiteral("kept per user"));
}

void TestNotepad::notesSurviveClosingTheMainWindow()
{
    auto first = std::make_unique<FrmMain>();
    first->show();
    auto *box = first->findChild<RichTextBox *>(QStringLiteral("rtfNotes"));
    QVERIFY(box);
    box->setFocus();
    QTest::keyClicks(box, QStringLiteral("Bank at 9, bring ropes"));
    QTest::keyClick(box, Qt::Key_Return);
    QTest::keyClicks(box, QStringLiteral("Cafe "));
    box->setSelText(QStringLiteral("é 😀")); // pasted: the keyboard has no such keys here
    QTextCharFormat bold;
    bold.setFontWeight(QFont::Bold);
    applyFormat(box, 0, 4, bold);
    QTextCharFormat red;
    red.setForeground(QColor(255, 0, 0));
    applyFormat(box, 8, 9, red);
    const QString typed = box->text();

    first->close(); // the unload step saves
    QVERIFY(RtfReader::isRtf(readFile(notesPath())));
    first.reset();
    Forms::resetForTesting();

    FrmMain second;
    second.show();
    auto *loaded = second.findChild<RichTextBox *>(QStringLiteral("rtfNotes"));
    QCOMPARE(loaded->text(), typed);
    QCOMPARE(loaded->document()->blockCount(), 2);
    QCOMPARE(formatAt(loaded, 0).fontWeight(), int(QFont::Bold));
    QCOMPARE(formatAt(loaded, 5).fontWeight(), int(QFont::Normal));
    QCOMPARE(formatAt(loaded, 8).foreground().color(), QColor(255, 0, 0));
    QVERIFY(!formatAt(loaded, 10).hasProperty(QTextFormat::ForegroundBrush));
}

void TestNotepad::notesSurviveQuit()
{
    auto first = std::make_unique<FrmMain>();
    first->show();
    auto *box = first->findChild<RichTextBox *>(QStringLiteral("rtfNotes"));
    box->setSelText(QStringLiteral("saved by closing"));
    first->close();
    first.reset();
    Forms::resetForTesting();

    auto second = std::make_unique<FrmMain>();
    second->show();
    box = second->findChild<RichTextBox *>(QStringLiteral("rtfNotes"));
    QCOMPARE(box->text(), QStringLiteral("saved by closing"));
    box->setSelStart(0);
    box->setSelText(QStringLiteral("Quit keeps this. "));
    QTextCharFormat italic;
    italic.setFontItalic(true);
    applyFormat(box, 0, 4, italic);
    const QByteArray atQuit = box->textRTF();

    auto *quit = second->findChild<QAction *>(QStringLiteral("mnuQuit"));
    QVERIFY(quit);
    quit->trigger();
    QVERIFY(!second->isVisible());
    // "Quit" wrote the box's content as it was at that moment.
    QCOMPARE(readFile(notesPath()), atQuit);
    second.reset();
    Forms::resetForTesting();

    FrmMain third;
    third.show();
    box = third.findChild<RichTextBox *>(QStringLiteral("rtfNotes"));
    QCOMPARE(box->text(), QStringLiteral("Quit keeps this. saved by closing"));
    QVERIFY(formatAt(box, 0).fontItalic());
    QVERIFY(!formatAt(box, 6).fontItalic());
}

HOPWISE_TEST_MAIN(TestNotepad)
#include "tst_notepad.moc"
