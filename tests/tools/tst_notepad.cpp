// The "Notepad" page: the notes file read at start and written at exit and on "Quit", through
// the real main window, and what happens to a notes file that cannot be read or written.

#include "testmain.h"

#include "controls/richtextbox.h"
#include "shell/forms.h"
#include "shell/frmmain.h"
#include "tools/notepadpage.h"

#include <QAction>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QtTest>

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

class TestNotepad : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup() { Forms::resetForTesting(); }
    void notesFile_data();
    void notesFile();
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
}

void TestNotepad::notesFile_data()
{
    // What stands under the notes file's name before the start, and the text the box then shows.
    QTest::addColumn<QString>("before");
    QTest::addColumn<QString>("loads");
    QTest::newRow("nothing: the first save creates it") << QString() << QString();
    QTest::newRow("nothing, program folder cannot hold files: per user") << "per user" << QString();
    QTest::newRow("plain text loads as text") << "Meet at the bank\r\n{not rtf}\r\n"
                                              << QStringLiteral("Meet at the bank\n{not rtf}\n");
    QTest::newRow("binary data kept aside") << "binary" << QString();
    QTest::newRow("a folder kept aside") << "folder" << QString();
}

void TestNotepad::notesFile()
{
    QFETCH(QString, before);
    QFETCH(QString, loads);
    const QByteArray binary = QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16) + QByteArray(64, 1);
    const QString inside = before == QLatin1String("folder") ? QStringLiteral("/inside.bin") : "";
    const bool unreadable = before == QLatin1String("binary") || !inside.isEmpty();
    QString folder = m_dir->path();
    if (before == QLatin1String("per user")) {
        QVERIFY(writeFile(notesPath(), "a file where the program folder would be"));
        qputenv("HOPWISE_PROGRAM_DIR", notesPath().toUtf8());
        folder = m_data->filePath(QStringLiteral("hopwise"));
    } else if (unreadable) {
        QVERIFY(inside.isEmpty() || QDir().mkpath(notesPath()));
        QVERIFY(writeFile(notesPath() + inside, binary));
        // An older aside file is not replaced either.
        QVERIFY(writeFile(notesPath() + QStringLiteral(".unreadable"), "older"));
    } else if (!before.isEmpty()) {
        QVERIFY(writeFile(notesPath(), before.toUtf8()));
    }

    NotepadPage page;
    page.show();
    page.loadNotes();
    QCOMPARE(page.notesBox()->text(), loads);
    auto *notice = page.findChild<QLabel *>(QStringLiteral("notice"));
    QCOMPARE(notice && notice->isVisible() && notice->text().contains("notes.doc.unreadable-2"),
             unreadable);
    if (loads.isEmpty())
        page.notesBox()->setSelText(QStringLiteral("fresh notes"));
    const QString saved = page.notesBox()->text();
    // Saved twice: the second save writes in place and moves nothing more aside.
    QVERIFY(page.saveNotes() && page.saveNotes());
    // Written through a temporary file that is gone afterwards.
    QCOMPARE(QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot).size(),
             unreadable ? 3 : 1);
    QVERIFY(readFile(folder + QStringLiteral("/notes.doc")).startsWith("{\\rtf"));
    page.loadNotes();
    QCOMPARE(page.notesBox()->text(), saved);
    if (unreadable) {
        QCOMPARE(readFile(notesPath() + QStringLiteral(".unreadable-2") + inside), binary);
        QCOMPARE(readFile(notesPath() + QStringLiteral(".unreadable")), QByteArray("older"));
    }
}

void TestNotepad::notesSurviveTheMainWindow_data()
{
    // The first try cannot save: the player is asked, stays, and the next try saves.
    QTest::addColumn<bool>("quit");
    QTest::newRow("main window closed") << false;
    QTest::newRow("Quit") << true;
}

void TestNotepad::notesSurviveTheMainWindow()
{
    QFETCH(bool, quit);
    auto first = std::make_unique<FrmMain>();
    first->show();
    auto *box = first->findChild<RichTextBox *>(QStringLiteral("rtfNotes"));
    box->setFocus();
    box->setFontWeight(QFont::Bold);
    QTest::keyClicks(box, QStringLiteral("Bank"));
    box->setFontWeight(QFont::Normal);
    QTest::keyClicks(box, QStringLiteral(" at 9"));
    QTest::keyClick(box, Qt::Key_Return);
    box->setSelText(QStringLiteral("Café 😀")); // pasted: the keyboard has no such keys here
    const QString typed = box->text();

    auto *mnuQuit = first->findChild<QAction *>(QStringLiteral("mnuQuit"));
    const auto leave = [&] { quit ? mnuQuit->trigger() : void(first->close()); };
    // A file where the program folder was: the save cannot be written.
    QVERIFY(QDir(m_dir->path()).removeRecursively() && writeFile(m_dir->path(), {}));
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
    QTextCursor at(box->document());
    at.setPosition(1);
    QCOMPARE(at.charFormat().fontWeight(), int(QFont::Bold));
    QCOMPARE(box->textRTF(), readFile(notesPath())); // nothing else gained or lost either
}

HOPWISE_TEST_MAIN(TestNotepad)
#include "tst_notepad.moc"
