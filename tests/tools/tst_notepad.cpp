// The "Notepad" page and its rich-text box: the notes file read at start, kept while the player
// types and written at exit and on "Quit", through the real main window, and what happens to a
// notes file that cannot be read or written.

#include "testmain.h"

#include "controls/richtextbox.h"
#include "fullfilesystem.h"
#include "shell/forms.h"
#include "shell/frmmain.h"
#include "tools/notepadpage.h"

#include <QAction>
#include <QLabel>
#include <QLocalServer>
#include <QMessageBox>
#include <QPushButton>
#include <QtTest>

#include <sys/stat.h>

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

// Everything in a folder but the filler of a full file system: what a save left behind.
QStringList leftIn(const QString &folder)
{
    QStringList names = QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System |
                                               QDir::NoDotAndDotDot);
    names.removeAll(QStringLiteral(".filler"));
    return names;
}

const QByteArray OldNotes = "{\\rtf1\\ansi{\\fonttbl{\\f0 Tahoma;}}\\f0 Notes from last time\\par}";
const QByteArray Png("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16); // no text: notes that cannot be read

} // namespace

class TestNotepad : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup() { Forms::resetForTesting(); }
    void notesBoxAlone();
    void notesFile_data();
    void notesFile();
    void notesSurviveTheMainWindow_data();
    void notesSurviveTheMainWindow();
    void autosavePause();

private:
    std::unique_ptr<QTemporaryDir> m_dir, m_data;
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
}

void TestNotepad::notesBoxAlone()
{
    // The selection operations the chat log appends through are plain text.
    RichTextBox box;
    box.setSelText(QStringLiteral("<b>not bold</b> {\\rtf1 \\b nor this}"));
    box.setSelStart(1000);
    QCOMPARE(box.selStart(), box.text().size());
    box.setSelText(QStringLiteral("\nnext line"));
    box.setSelStart(0);
    box.setSelText(QStringLiteral(">"));
    const QString typed = QStringLiteral("><b>not bold</b> {\\rtf1 \\b nor this}\nnext line");
    QCOMPARE(box.text(), typed);
    QCOMPARE(box.document()->blockCount(), 2);

    // A failed load leaves the box alone, a failed save a folder in the file's place.
    QVERIFY(!box.LoadFile(m_dir->filePath(QStringLiteral("gone.doc"))));
    QCOMPARE(box.text(), typed);
    QVERIFY(!box.SaveFile(m_dir->path()) && QFileInfo(m_dir->path()).isDir());
}

void TestNotepad::notesFile_data()
{
    // What stands under the notes file's name before the start, and the text the box then shows.
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<QString>("loads");
    QTest::newRow("nothing: the first save creates it") << QByteArray() << QString();
    QTest::newRow("rtf") << QByteArrayLiteral(
                                "{\\rtf1 Hello \\b you\\b0\\par\r\nthere\\par\r\n}\r\n\0")
                         << "Hello you\nthere";
    QTest::newRow("plain utf-8 text") << QByteArray("Caf\xc3\xa9 notes\r\n{not rtf}\r\n")
                                      << QStringLiteral("Café notes\n{not rtf}\n");
    QTest::newRow("plain windows text") << QByteArray("Caf\xe9 \x80 5\rold mac line\x1a")
                                        << QStringLiteral("Café € 5\nold mac line");
    QTest::newRow("windows unicode text") << QByteArrayLiteral("\xff\xfe"
                                                               "C\0a\0f\0\xe9\0 \0=\x04\r\0\n\0")
                                          << QStringLiteral("Café н\n");
    QTest::newRow("empty file") << QByteArray("empty") << QString();
    QTest::newRow("a folder kept aside") << QByteArray("folder") << QString();
    // None of these is ever opened: reading a FIFO waits for a writer that never comes, and
    // /dev/zero never ends.
    QTest::newRow("a FIFO kept aside") << QByteArray("fifo") << QString();
    QTest::newRow("a socket kept aside") << QByteArray("socket") << QString();
    QTest::newRow("a link to a device kept aside") << QByteArray("device") << QString();
}

void TestNotepad::notesFile()
{
    QFETCH(QByteArray, before);
    QFETCH(QString, loads);
    const QString inside = before == "folder" ? QStringLiteral("/inside.bin") : "";
    const bool special = QByteArrayList{"fifo", "socket", "device"}.contains(before);
    const bool unreadable = !inside.isEmpty() || special;
    QLocalServer socket;
    // An older aside file is not replaced.
    QVERIFY(!unreadable || writeFile(notesPath() + QStringLiteral(".unreadable"), "older"));
    if (before == "fifo") {
        QCOMPARE(::mkfifo(QFile::encodeName(notesPath()).constData(), 0600), 0);
    } else if (before == "socket") {
        QVERIFY(socket.listen(notesPath()));
    } else if (before == "device") {
        QVERIFY(QFile::link(QStringLiteral("/dev/zero"), notesPath()));
    } else if (unreadable) {
        QVERIFY(QDir().mkpath(notesPath()) && writeFile(notesPath() + inside, Png));
    } else if (!before.isEmpty()) {
        QVERIFY(writeFile(notesPath(), before == "empty" ? QByteArray() : before));
    }

    NotepadPage page;
    page.show();
    page.loadNotes();
    QCOMPARE(page.notesBox()->text(), loads);
    // A load is not an edit the player could undo.
    QVERIFY(!page.notesBox()->document()->isUndoAvailable());
    auto *notice = page.findChild<QLabel *>(QStringLiteral("notice"));
    // With the reason the system gave.
    const QRegularExpression told("could not be read \\(\\w.*kept as notes.doc.unreadable-2 ");
    QCOMPARE(notice && notice->isVisible() && notice->text().contains(told), unreadable);
    if (loads.isEmpty())
        page.notesBox()->setSelText(QStringLiteral("fresh notes"));
    const QString saved = page.notesBox()->text();
    // Saved twice: the second save writes in place and moves nothing more aside.
    QVERIFY(page.saveNotes() && page.saveNotes());
    // Written through a temporary file that is gone afterwards.
    QCOMPARE(leftIn(m_dir->path()).size(), unreadable ? 3 : 1);
    page.loadNotes();
    QCOMPARE(page.notesBox()->text(), saved);
    if (unreadable) {
        const QFileInfo aside(notesPath() + QStringLiteral(".unreadable-2") + inside);
        if (special)
            QVERIFY((aside.exists() || aside.isSymLink()) && !aside.isFile());
        else
            QCOMPARE(readFile(aside.filePath()), Png);
        QCOMPARE(readFile(notesPath() + QStringLiteral(".unreadable")), QByteArray("older"));
    }
}

void TestNotepad::notesSurviveTheMainWindow_data()
{
    // Loading writes nothing, moves nothing aside; the first keystroke's autosave does. At the end
    // the first try cannot save: the player is asked, stays, and the next try saves. Notes below
    // the file's write buffer reach the disk only when it is flushed; larger notes fail in the
    // middle of writing.
    QTest::addColumn<bool>("quit");
    QTest::addColumn<bool>("fullDisk"); // or a file where the program folder was
    QTest::addColumn<int>("words");     // pasted besides what is typed
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<QStringList>("after"); // in the folder after the first autosave
    QTest::newRow("main window closed")
        << false << false << 0 << OldNotes << QStringList{"notes.doc"};
    QTest::newRow("Quit, unreadable notes")
        << true << false << 0 << Png << QStringList{"notes.doc", "notes.doc.unreadable"};
    QTest::newRow("main window closed, full disk, small notes")
        << false << true << 0 << QByteArray() << QStringList{"notes.doc"};
    QTest::newRow("Quit, full disk, large notes")
        << true << true << 100000 << OldNotes << QStringList{"notes.doc"};
}

void TestNotepad::notesSurviveTheMainWindow()
{
    QFETCH(bool, quit);
    QFETCH(bool, fullDisk);
    QFETCH(int, words);
    QFETCH(QByteArray, before);
    QFETCH(QStringList, after);
    const auto full = fullDisk ? std::make_unique<FullFileSystem>() : nullptr;
    const QString folder = full ? full->path() : m_dir->path();
    qputenv("HOPWISE_PROGRAM_DIR", folder.toUtf8());
    const QString notes = folder + QStringLiteral("/notes.doc");
    QVERIFY(before.isEmpty() || writeFile(notes, before));
    QPointer<FrmMain> first = Forms::preloadMain();
    first->show();
    HOPWISE_FIND(QTimer, autosave, first, QStringLiteral("autosave"));
    QVERIFY(!autosave->isActive());
    // Nor does one come past the moment an autosave armed by the loading would have written
    // (coarse timers, this wait's own too, may be off by a twentieth).
    QSignalSpy autosaved(autosave, &QTimer::timeout);
    QVERIFY(!autosaved.wait(autosave->interval() * 6 / 5));
    QCOMPARE(readFile(notes), before);
    QCOMPARE(leftIn(folder), before.isEmpty() ? QStringList() : QStringList{"notes.doc"});

    HOPWISE_FIND(RichTextBox, box, first, QStringLiteral("rtfNotes"));
    box->setFocus();
    box->setFontWeight(QFont::Bold);
    QTest::keyClicks(box, QStringLiteral("Bank"));
    box->setFontWeight(QFont::Normal);
    QTest::keyClicks(box, QStringLiteral(" at 9"));
    QTest::keyClick(box, Qt::Key_Return);
    box->setSelText(QStringLiteral("Café 😀")); // pasted: the keyboard has no such keys here
    box->setSelText(QStringLiteral(" rope").repeated(words));
    QVERIFY(autosave->isActive());
    QCOMPARE(autosave->interval(), 3000);
    // Kept while the player types, with no window closed: what a kill of the program leaves.
    QTRY_COMPARE_WITH_TIMEOUT(readFile(notes), box->textRTF(), 60000);
    QCOMPARE(leftIn(folder), after);
    QTest::keyClicks(box, QStringLiteral("!"));
    const QString typed = box->text();

    HOPWISE_FIND(QAction, mnuQuit, first, QStringLiteral("mnuQuit"));
    const auto leave = [&] { quit ? mnuQuit->trigger() : void(first->close()); };
    if (full)
        QVERIFY(full->fill());
    else // a file where the program folder was: the save cannot be written
        QVERIFY(QDir(m_dir->path()).removeRecursively() && writeFile(m_dir->path(), {}));
    const QByteArray kept = readFile(notes);
    QTimer answer;
    connect(&answer, &QTimer::timeout, &answer, [&answer] {
        if (auto *ask = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
            answer.stop();
            ask->button(QMessageBox::Cancel)->click();
        }
    });
    answer.start(10);
    leave();
    QVERIFY(!answer.isActive()); // the player was asked
    QVERIFY(first->isVisible());
    QCOMPARE(box->text(), typed);
    HOPWISE_FIND(QLabel, notice, first, QStringLiteral("notice"));
    // With the reason the system gave.
    QVERIFY2(notice->isVisible() &&
                 notice->text().contains(QRegularExpression("could not be saved to .*: \\w")),
             qPrintable(notice->text()));
    if (full) {
        // The notes file of before, whole, and nothing half-written beside it.
        QCOMPARE(readFile(notes), kept);
        QCOMPARE(leftIn(folder), after);
        full->makeRoom();
    } else {
        QVERIFY(QFile::remove(m_dir->path()) && QDir().mkpath(m_dir->path()));
    }
    leave();
    QVERIFY(!first->isVisible());
    // Saved at that moment, not later when the window object goes.
    QCOMPARE(readFile(notes), box->textRTF());
    Forms::resetForTesting();

    FrmMain second;
    second.show();
    box = second.findChild<RichTextBox *>(QStringLiteral("rtfNotes"));
    QVERIFY(box);
    QCOMPARE(box->text(), typed);
    QCOMPARE(box->textRTF(), readFile(notes)); // its formatting too: nothing gained or lost
}

void TestNotepad::autosavePause()
{
    // How long the last save took, and the pause in the typing the next autosave waits for: ten
    // times the save, from three seconds (a quick save, one of 0.3 s) to ten minutes (an hour's).
    const QList<QPair<qint64, int>> pauses = {
        {0, 3000}, {299, 3000}, {1500, 15000}, {3600000, 600000}};
    for (const auto &[saveMs, pauseMs] : pauses)
        QCOMPARE(NotepadPage::autosavePauseMs(saveMs), pauseMs);
}

HOPWISE_TEST_MAIN(TestNotepad)
#include "tst_notepad.moc"
