// The "Notepad" page: the notes file read at start and written at exit and on "Quit", through
// the real main window, and what happens to a notes file that cannot be read or written.

#include "testmain.h"

#include "controls/richtextbox.h"
#include "controls/rtfreader.h"
#include "shell/forms.h"
#include "shell/frmmain.h"
#include "tools/notepadpage.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTextCursor>
#include <QTimer>

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

QTextCursor span(RichTextBox *box, int from, int to)
{
    QTextCursor c(box->document());
    c.setPosition(from);
    c.setPosition(to, QTextCursor::KeepAnchor);
    return c;
}

// The notes as a fresh page reads them.
QString notesAsLoaded()
{
    NotepadPage page;
    page.loadNotes();
    return page.notesBox()->text();
}

QString noticeText(QWidget *w)
{
    auto *label = w->findChild<QLabel *>(QStringLiteral("notice"));
    return label && label->isVisible() ? label->text() : QString();
}

} // namespace

class TestNotepad : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void firstSaveCreatesTheFile_data();
    void firstSaveCreatesTheFile();
    void plainTextLoadsAndFailedSaveIsTold();
    void unreadableFileIsKeptAside_data();
    void unreadableFileIsKeptAside();
    void notesSurviveTheMainWindow_data();
    void notesSurviveTheMainWindow();

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
    Forms::resetForTesting();
}

void TestNotepad::firstSaveCreatesTheFile_data()
{
    QTest::addColumn<bool>("programDirWritable");
    QTest::newRow("in the program folder") << true;
    QTest::newRow("per user when the program folder cannot hold files") << false;
}

void TestNotepad::firstSaveCreatesTheFile()
{
    QFETCH(bool, programDirWritable);
    QString folder = m_dir->path();
    if (!programDirWritable) {
        const QString notAFolder = m_dir->filePath(QStringLiteral("hopwise-binary"));
        QVERIFY(writeFile(notAFolder, "x"));
        qputenv("HOPWISE_PROGRAM_DIR", notAFolder.toUtf8());
        folder = m_data->filePath(QStringLiteral("hopwise"));
    }
    NotepadPage page;
    page.show();
    page.loadNotes();
    QVERIFY(page.notesBox()->text().isEmpty());
    QVERIFY(noticeText(&page).isEmpty());

    page.notesBox()->setSelText(QStringLiteral("first notes"));
    page.saveNotes();
    // Written through a temporary file that is gone afterwards.
    QCOMPARE(QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
             QStringList{QStringLiteral("notes.doc")});
    QCOMPARE(notesAsLoaded(), QStringLiteral("first notes"));
}

void TestNotepad::plainTextLoadsAndFailedSaveIsTold()
{
    const QString text = QStringLiteral("Meet at the bank\n{not rtf}\n");
    QVERIFY(writeFile(notesPath(), "Meet at the bank\r\n{not rtf}\r\n"));
    NotepadPage page;
    page.show();
    page.loadNotes();
    QCOMPARE(page.notesBox()->text(), text);
    page.saveNotes();
    QVERIFY(RtfReader::isRtf(readFile(notesPath())));
    QCOMPARE(notesAsLoaded(), text);

    QVERIFY(m_dir->remove()); // the program folder vanished meanwhile
    page.saveNotes();
    QVERIFY(noticeText(&page).contains(QStringLiteral("could not be saved")));
    QCOMPARE(page.notesBox()->text(), text);
}

void TestNotepad::unreadableFileIsKeptAside_data()
{
    QTest::addColumn<QString>("inside");
    QTest::newRow("binary data under the name") << "";
    QTest::newRow("a folder under the name") << "/inside.bin";
}

void TestNotepad::unreadableFileIsKeptAside()
{
    QFETCH(QString, inside);
    const QByteArray binary = QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16) + QByteArray(64, 1);
    QVERIFY(inside.isEmpty() || QDir().mkpath(notesPath()));
    QVERIFY(writeFile(notesPath() + inside, binary));
    // An older aside file is not replaced either.
    QVERIFY(writeFile(notesPath() + QStringLiteral(".unreadable"), "older"));

    NotepadPage page;
    page.show();
    page.loadNotes();
    QVERIFY(page.notesBox()->text().isEmpty());
    QVERIFY(noticeText(&page).contains(QStringLiteral("notes.doc.unreadable-2")));
    page.notesBox()->setSelText(QStringLiteral("fresh notes"));
    page.saveNotes();
    QCOMPARE(readFile(notesPath() + QStringLiteral(".unreadable-2") + inside), binary);
    QCOMPARE(readFile(notesPath() + QStringLiteral(".unreadable")), QByteArray("older"));

    // Later saves write the fresh file in place; nothing more is moved.
    page.saveNotes();
    QVERIFY(!QFile::exists(notesPath() + QStringLiteral(".unreadable-3")));
    QCOMPARE(notesAsLoaded(), QStringLiteral("fresh notes"));
}

void TestNotepad::notesSurviveTheMainWindow_data()
{
    QTest::addColumn<bool>("quit");
    QTest::addColumn<bool>("firstSaveFails"); // the player is asked, stays, and saves later
    QTest::newRow("main window closed") << false << false;
    QTest::newRow("Quit") << true << false;
    QTest::newRow("closed while the folder is gone") << false << true;
    QTest::newRow("Quit while the folder is gone") << true << true;
}

void TestNotepad::notesSurviveTheMainWindow()
{
    QFETCH(bool, quit);
    QFETCH(bool, firstSaveFails);
    auto first = std::make_unique<FrmMain>();
    first->show();
    auto *box = first->findChild<RichTextBox *>(QStringLiteral("rtfNotes"));
    box->setFocus();
    QTest::keyClicks(box, QStringLiteral("Bank at 9"));
    QTest::keyClick(box, Qt::Key_Return);
    box->setSelText(QStringLiteral("Café 😀")); // pasted: the keyboard has no such keys here
    QTextCharFormat bold;
    bold.setFontWeight(QFont::Bold);
    span(box, 0, 4).mergeCharFormat(bold);
    const QString typed = box->text();

    const auto leave = [&] {
        if (quit)
            first->findChild<QAction *>(QStringLiteral("mnuQuit"))->trigger();
        else
            first->close();
    };
    if (firstSaveFails) {
        // A file where the program folder was: the save cannot be written.
        QVERIFY(QDir(m_dir->path()).removeRecursively());
        QFile blocker(m_dir->path());
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
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
        QVERIFY(QFile::remove(m_dir->path()) && QDir().mkpath(m_dir->path()));
    }
    leave();
    QVERIFY(!first->isVisible());
    // Saved at that moment, not later when the window object goes.
    QCOMPARE(readFile(notesPath()), box->textRTF());
    first.reset();
    Forms::resetForTesting();

    FrmMain second;
    second.show();
    box = second.findChild<RichTextBox *>(QStringLiteral("rtfNotes"));
    QCOMPARE(box->text(), typed);
    QCOMPARE(box->document()->blockCount(), 2);
    QCOMPARE(span(box, 0, 1).charFormat().fontWeight(), int(QFont::Bold));
    QCOMPARE(span(box, 5, 6).charFormat().fontWeight(), int(QFont::Normal));
}

HOPWISE_TEST_MAIN(TestNotepad)
#include "tst_notepad.moc"
