#include "testmain.h"

#include "controls/dirlistbox.h"
#include "controls/drivelistbox.h"
#include "controls/filelistbox.h"
#include "controls/mediacontrol.h"
#include "tools/mediaplayerpage.h"

#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMediaPlayer>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QUrl>
#include <QtMath>
#include <QtTest>

namespace {

// A mono 16-bit PCM WAV file holding a tone of the given length.
void writeWav(const QString &path, int milliseconds, int hz = 440)
{
    const int rate = 8000;
    const int samples = rate * milliseconds / 1000;
    QByteArray pcm;
    QDataStream pcmOut(&pcm, QIODevice::WriteOnly);
    pcmOut.setByteOrder(QDataStream::LittleEndian);
    for (int i = 0; i < samples; ++i)
        pcmOut << qint16(8000 * qSin(2 * M_PI * hz * i / rate));

    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QDataStream out(&file);
    out.setByteOrder(QDataStream::LittleEndian);
    out.writeRawData("RIFF", 4);
    out << quint32(36 + pcm.size());
    out.writeRawData("WAVEfmt ", 8);
    out << quint32(16) << quint16(1) << quint16(1) << quint32(rate) << quint32(rate * 2)
        << quint16(2) << quint16(16);
    out.writeRawData("data", 4);
    out << quint32(pcm.size());
    out.writeRawData(pcm.constData(), pcm.size());
}

void writeFile(const QString &path, const QByteArray &bytes = QByteArray("x"))
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

QStringList texts(const QListWidget *list)
{
    QStringList out;
    for (int i = 0; i < list->count(); ++i)
        out << list->item(i)->text();
    return out;
}

QListWidgetItem *itemNamed(QListWidget *list, const QString &text)
{
    const auto found = list->findItems(text, Qt::MatchExactly);
    return found.isEmpty() ? nullptr : found.last();
}

void click(QListWidget *list, const QString &text)
{
    QListWidgetItem *item = itemNamed(list, text);
    QVERIFY2(item, qPrintable(text));
    list->scrollToItem(item);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(item).center());
}

void doubleClick(QListWidget *list, const QString &text)
{
    QListWidgetItem *item = itemNamed(list, text);
    QVERIFY2(item, qPrintable(text));
    list->scrollToItem(item);
    const QPoint at = list->visualItemRect(item).center();
    // What the mouse sends for a double-click: a click, then the second press as a double-click.
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
}

} // namespace

class TestMediaPlayer : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void placement_data();
    void placement();
    void startsOnTheCurrentFolder();
    void driveListPutsRootFirst();
    void dirListShowsParentsAndSubfolders();
    void fileListShowsEveryFile();

    void driveChangeMovesOnlyTheDirectoryList();
    void directoryClickMovesTheFileListToTheCurrentFolder();
    void directoryDoubleClickEntersWithoutMovingTheFileList();
    void doubleClickPath_data();
    void doubleClickPath();
    void doubleClickOnlyOpens();
    void doubleClickWhilePlayingClosesFirst();
    void rootFolderFileOpens();
    void startUpOrderPlaysAndMissingFileIsSilent();

    void driveNotReadyKeepsTheLists();
    void unreadableFolderKeepsTheLists_data();
    void unreadableFolderKeepsTheLists();

private:
    QString dir(const QString &relative) const { return m_root->path() + relative; }

    QTemporaryDir *m_root = nullptr;
    MediaPlayerPage *m_page = nullptr;
    DriveListBox *drvList = nullptr;
    DirListBox *diFiles = nullptr;
    FileListBox *flPath = nullptr;
    MediaControl *mmControl = nullptr;
};

void TestMediaPlayer::init()
{
    // Two folders standing in for drives: /a with music and a subfolder, /b with its own files.
    m_root = new QTemporaryDir;
    QVERIFY(m_root->isValid());
    for (const char *d : {"/a", "/a/sub", "/a/sub/deeper", "/a/.hidden", "/b", "/b/other"})
        QVERIFY(QDir().mkpath(dir(QLatin1String(d))));
    writeWav(dir("/a/short.wav"), 300);
    writeWav(dir("/a/long.wav"), 20000);
    writeWav(dir("/a/sub/song.wav"), 20000);
    writeWav(dir("/a/sub/only-here.wav"), 300);
    writeWav(dir("/b/short.wav"), 400, 660);
    writeFile(dir("/a/notes.txt"));
    writeFile(dir("/a/.dotfile"));
    writeFile(dir("/a/NoExtension"));

    QVERIFY(QDir::setCurrent(dir("/a")));
    m_page = new MediaPlayerPage;
    m_page->resize(785, 177);
    drvList = m_page->findChild<DriveListBox *>(QStringLiteral("drvList"));
    diFiles = m_page->findChild<DirListBox *>(QStringLiteral("diFiles"));
    flPath = m_page->findChild<FileListBox *>(QStringLiteral("flPath"));
    mmControl = m_page->findChild<MediaControl *>(QStringLiteral("mmControl"));
    QVERIFY(drvList && diFiles && flPath && mmControl);
    QCOMPARE(mmControl, m_page->mmControl());
    m_page->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_page));
}

void TestMediaPlayer::cleanup()
{
    delete m_page;
    m_page = nullptr;
    QDir::setCurrent(QDir::tempPath());
    delete m_root;
    m_root = nullptr;
}

void TestMediaPlayer::placement_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QRect>("pixels");
    QTest::newRow("drvList") << "drvList" << QRect(8, 32, 97, 21);
    QTest::newRow("diFiles") << "diFiles" << QRect(112, 32, 289, 111);
    QTest::newRow("flPath") << "flPath" << QRect(408, 32, 369, 132);
    QTest::newRow("mmControl") << "mmControl" << QRect(112, 144, 288, 22);
}

void TestMediaPlayer::placement()
{
    QFETCH(QString, name);
    QFETCH(QRect, pixels);
    auto *w = m_page->findChild<QWidget *>(name);
    QVERIFY(w);
    QCOMPARE(w->geometry(), pixels);
}

void TestMediaPlayer::startsOnTheCurrentFolder()
{
    QCOMPARE(diFiles->path(), dir("/a"));
    QCOMPARE(flPath->path(), dir("/a"));
    QVERIFY(diFiles->path().startsWith(drvList->drive()));
    QVERIFY(mmControl->openFile().isEmpty());
}

void TestMediaPlayer::driveListPutsRootFirst()
{
    drvList->refresh();
    const QStringList drives = drvList->drives();
    QVERIFY(!drives.isEmpty());
    QCOMPARE(drives.first(), QStringLiteral("/"));
    QCOMPARE(drives.count(QStringLiteral("/")), 1);
    for (const QString &d : drives)
        QVERIFY2(QFileInfo(d).isDir(), qPrintable(d));
}

void TestMediaPlayer::dirListShowsParentsAndSubfolders()
{
    QVERIFY(diFiles->setPath(dir("/a/sub")));
    const QStringList parts = dir("/a/sub").split(QLatin1Char('/'), Qt::SkipEmptyParts);
    const QStringList expected =
        QStringList{QStringLiteral("/")} + parts + QStringList{QStringLiteral("deeper")};
    QCOMPARE(texts(diFiles), expected);
    // Each parent one level deeper than the one before; subfolders one below the current one.
    for (int i = 0; i < diFiles->count(); ++i)
        QCOMPARE(diFiles->item(i)->data(DirListBox::LevelRole).toInt(),
                 std::min(i, int(parts.size()) + 1));
    QCOMPARE(diFiles->highlightedPath(), dir("/a/sub"));
    QCOMPARE(diFiles->item(diFiles->count() - 1)->data(DirListBox::PathRole).toString(),
             dir("/a/sub/deeper"));

    QVERIFY(diFiles->setPath(QStringLiteral("/")));
    QCOMPARE(texts(diFiles).first(), QStringLiteral("/"));
    QVERIFY(texts(diFiles).contains(parts.first()));
    QCOMPARE(diFiles->path(), QStringLiteral("/"));
}

void TestMediaPlayer::fileListShowsEveryFile()
{
    QVERIFY(flPath->setPath(dir("/a")));
    QStringList shown = texts(flPath);
    shown.sort(Qt::CaseInsensitive);
    QStringList expected{".dotfile", "long.wav", "NoExtension", "notes.txt", "short.wav"};
    expected.sort(Qt::CaseInsensitive);
    QCOMPARE(shown, expected);
    QVERIFY(flPath->fileName().isEmpty());
    click(flPath, QStringLiteral("notes.txt"));
    QCOMPARE(flPath->fileName(), QStringLiteral("notes.txt"));
}

void TestMediaPlayer::driveChangeMovesOnlyTheDirectoryList()
{
    drvList->setDrives({dir("/a"), dir("/b")});
    QCOMPARE(drvList->drive(), dir("/a"));
    QSignalSpy dirChanges(diFiles, &DirListBox::Change);

    drvList->setCurrentIndex(1);
    QCOMPARE(diFiles->path(), dir("/b"));
    QCOMPARE(dirChanges.count(), 1);
    QCOMPARE(flPath->path(), dir("/a"));
    QVERIFY(texts(flPath).contains(QStringLiteral("long.wav")));

    // The file list follows at the directory list's next click.
    click(diFiles, QStringLiteral("other"));
    QCOMPARE(flPath->path(), dir("/b"));
    QCOMPARE(texts(flPath), QStringList{QStringLiteral("short.wav")});
}

void TestMediaPlayer::directoryClickMovesTheFileListToTheCurrentFolder()
{
    QSignalSpy clicks(diFiles, &DirListBox::Click);
    QSignalSpy changes(diFiles, &DirListBox::Change);
    QVERIFY(flPath->setPath(dir("/b")));

    click(diFiles, QStringLiteral("sub"));
    QCOMPARE(clicks.count(), 1);
    QCOMPARE(changes.count(), 0);
    // Highlighting "sub" does not enter it: the file list shows the current folder.
    QCOMPARE(diFiles->highlightedPath(), dir("/a/sub"));
    QCOMPARE(diFiles->path(), dir("/a"));
    QCOMPARE(flPath->path(), dir("/a"));

    // Moving the highlight with the keys is a click too.
    QVERIFY(flPath->setPath(dir("/b")));
    QTest::keyClick(diFiles, Qt::Key_Up);
    QCOMPARE(clicks.count(), 2);
    QCOMPARE(flPath->path(), dir("/a"));
}

void TestMediaPlayer::directoryDoubleClickEntersWithoutMovingTheFileList()
{
    QVERIFY(flPath->setPath(dir("/b")));
    QSignalSpy changes(diFiles, &DirListBox::Change);

    // Set from code: the path changes, the file list stays.
    QVERIFY(diFiles->setPath(dir("/a/sub/deeper")));
    QCOMPARE(changes.count(), 1);
    QCOMPARE(flPath->path(), dir("/b"));

    // Entered with Enter on the highlighted parent.
    click(diFiles, QStringLiteral("sub"));
    QCOMPARE(flPath->path(), dir("/a/sub/deeper"));
    QTest::keyClick(diFiles, Qt::Key_Return);
    QCOMPARE(diFiles->path(), dir("/a/sub"));
    QCOMPARE(flPath->path(), dir("/a/sub/deeper"));

    // Entered with the mouse: the click before the double-click moved the file list to the
    // folder that was current then; entering moves the directory list on alone.
    QVERIFY(diFiles->setPath(dir("/a")));
    QVERIFY(flPath->setPath(dir("/b")));
    doubleClick(diFiles, QStringLiteral("sub"));
    QCOMPARE(diFiles->path(), dir("/a/sub"));
    QCOMPARE(flPath->path(), dir("/a"));
}

void TestMediaPlayer::doubleClickPath_data()
{
    QTest::addColumn<QString>("dirListPath");
    QTest::addColumn<QString>("fileListPath");
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("expectedFileName");
    QTest::addColumn<bool>("opens");
    QTest::newRow("lists agree") << "/a"
                                 << "/a"
                                 << "short.wav"
                                 << "/a/short.wav" << true;
    QTest::newRow("lists disagree, name in both") << "/b"
                                                  << "/a"
                                                  << "short.wav"
                                                  << "/b/short.wav" << true;
    QTest::newRow("lists disagree, name only in the file list") << "/b"
                                                                << "/a"
                                                                << "long.wav"
                                                                << "/b/long.wav" << false;
    QTest::newRow("lists disagree, name only in the file list's subfolder")
        << "/a"
        << "/a/sub"
        << "only-here.wav"
        << "/a/only-here.wav" << false;
}

void TestMediaPlayer::doubleClickPath()
{
    QFETCH(QString, dirListPath);
    QFETCH(QString, fileListPath);
    QFETCH(QString, file);
    QFETCH(QString, expectedFileName);
    QFETCH(bool, opens);

    // The file list is pointed first (by a click), then the directory list moves on.
    QVERIFY(diFiles->setPath(dir(fileListPath)));
    click(diFiles, diFiles->item(0)->text());
    QCOMPARE(flPath->path(), dir(fileListPath));
    QVERIFY(diFiles->setPath(dir(dirListPath)));

    doubleClick(flPath, file);
    QCOMPARE(mmControl->fileName(), dir(expectedFileName));
    QCOMPARE(mmControl->openFile(), opens ? dir(expectedFileName) : QString());
    QCOMPARE(mmControl->player()->source(),
             opens ? QUrl::fromLocalFile(dir(expectedFileName)) : QUrl());
}

void TestMediaPlayer::doubleClickOnlyOpens()
{
    // A root folder gets its "/" like any other: "//name" is still the file in the root.
    QVERIFY(diFiles->setPath(QStringLiteral("/")));
    doubleClick(flPath, QStringLiteral("short.wav"));
    QCOMPARE(mmControl->fileName(), QStringLiteral("//short.wav"));

    QVERIFY(diFiles->setPath(dir("/a")));
    QSignalSpy status(mmControl->player(), &QMediaPlayer::mediaStatusChanged);
    doubleClick(flPath, QStringLiteral("short.wav"));
    QCOMPARE(mmControl->openFile(), dir("/a/short.wav"));
    QTRY_COMPARE(mmControl->player()->mediaStatus(), QMediaPlayer::LoadedMedia);
    QCOMPARE(mmControl->player()->playbackState(), QMediaPlayer::StoppedState);
    QVERIFY(!mmControl->isPlaying());

    auto *play = mmControl->findChild<QPushButton *>(QStringLiteral("cmdPlay"));
    QVERIFY(play && play->isEnabled());
    QTest::mouseClick(play, Qt::LeftButton);
    // Played to its end: the file was playing and is still open afterwards.
    QTRY_COMPARE(mmControl->player()->mediaStatus(), QMediaPlayer::EndOfMedia);
    QCOMPARE(mmControl->openFile(), dir("/a/short.wav"));
}

void TestMediaPlayer::doubleClickWhilePlayingClosesFirst()
{
    mmControl->setCommand(QStringLiteral("close"));
    mmControl->setFileName(dir("/a/long.wav"));
    mmControl->setCommand(QStringLiteral("open"));
    mmControl->setCommand(QStringLiteral("play"));
    QTRY_VERIFY(mmControl->isPlaying());

    QSignalSpy commands(mmControl, &MediaControl::commandDone);
    doubleClick(flPath, QStringLiteral("short.wav"));
    QCOMPARE(commands.count(), 2);
    QCOMPARE(commands.at(0).at(0).toString(), QStringLiteral("close"));
    QCOMPARE(commands.at(1).at(0).toString(), QStringLiteral("open"));
    QVERIFY(!mmControl->isPlaying());
    QCOMPARE(mmControl->openFile(), dir("/a/short.wav"));
    QCOMPARE(mmControl->player()->source(), QUrl::fromLocalFile(dir("/a/short.wav")));
    QTRY_COMPARE(mmControl->player()->mediaStatus(), QMediaPlayer::LoadedMedia);
    QCOMPARE(mmControl->player()->playbackState(), QMediaPlayer::StoppedState);
}

void TestMediaPlayer::rootFolderFileOpens()
{
    // What a double-click in the root folder gives: "/" + "/" + the name.
    const QString doubled = QLatin1Char('/') + dir("/a/short.wav");
    QVERIFY(doubled.startsWith(QStringLiteral("//")));
    mmControl->setFileName(doubled);
    mmControl->setCommand(QStringLiteral("open"));
    QCOMPARE(mmControl->openFile(), doubled);
    QCOMPARE(mmControl->player()->source(), QUrl::fromLocalFile(dir("/a/short.wav")));
    QTRY_COMPARE(mmControl->player()->mediaStatus(), QMediaPlayer::LoadedMedia);
    QCOMPARE(mmControl->openFile(), doubled);
}

void TestMediaPlayer::startUpOrderPlaysAndMissingFileIsSilent()
{
    // The start-up sound's order, with a file that is there and one that is not.
    mmControl->setCommand(QStringLiteral("close"));
    mmControl->setFileName(dir("/a/missing.wav"));
    mmControl->setCommand(QStringLiteral("open"));
    mmControl->setCommand(QStringLiteral("play"));
    QVERIFY(!mmControl->isPlaying());
    QVERIFY(mmControl->openFile().isEmpty());
    for (const char *name : {"cmdPlay", "cmdPause", "cmdStop"})
        QVERIFY(!mmControl->findChild<QPushButton *>(QLatin1String(name))->isEnabled());

    // Not a sound at all: whatever the player makes of it, nothing stays open or plays.
    mmControl->setCommand(QStringLiteral("close"));
    mmControl->setFileName(dir("/a/notes.txt"));
    mmControl->setCommand(QStringLiteral("open"));
    mmControl->setCommand(QStringLiteral("play"));
    QTRY_VERIFY(mmControl->openFile().isEmpty());
    QVERIFY(!mmControl->isPlaying());

    mmControl->setCommand(QStringLiteral("close"));
    mmControl->setFileName(dir("/a/long.wav"));
    mmControl->setCommand(QStringLiteral("open"));
    mmControl->setCommand(QStringLiteral("play"));
    QTRY_VERIFY(mmControl->isPlaying());
    mmControl->setCommand(QStringLiteral("close"));
    QVERIFY(!mmControl->isPlaying());
    QVERIFY(mmControl->player()->source().isEmpty());
}

void TestMediaPlayer::driveNotReadyKeepsTheLists()
{
    const QString gone = dir("/gone");
    QVERIFY(QDir().mkpath(gone));
    drvList->setDrives({dir("/a"), gone});
    QVERIFY(QDir(gone).removeRecursively());
    QVERIFY(flPath->setPath(dir("/b")));
    const QStringList dirsBefore = texts(diFiles);
    const QStringList filesBefore = texts(flPath);

    drvList->setCurrentIndex(1);
    QCOMPARE(drvList->drive(), dir("/a"));
    QCOMPARE(diFiles->path(), dir("/a"));
    QCOMPARE(texts(diFiles), dirsBefore);
    QCOMPARE(flPath->path(), dir("/b"));
    QCOMPARE(texts(flPath), filesBefore);
    auto *notice = m_page->findChild<QLabel *>(QStringLiteral("notice"));
    QVERIFY(notice && notice->isVisible());

    // The list still works afterwards.
    drvList->setDrives({dir("/a"), dir("/b")});
    drvList->setCurrentIndex(1);
    QCOMPARE(diFiles->path(), dir("/b"));
}

void TestMediaPlayer::unreadableFolderKeepsTheLists_data()
{
    QTest::addColumn<QString>("target");
    QTest::newRow("missing folder") << "/a/none";
    QTest::newRow("a file, not a folder") << "/a/notes.txt";
}

void TestMediaPlayer::unreadableFolderKeepsTheLists()
{
    QFETCH(QString, target);
    const QStringList dirsBefore = texts(diFiles);
    const QStringList filesBefore = texts(flPath);
    QSignalSpy changes(diFiles, &DirListBox::Change);

    QVERIFY(!diFiles->setPath(dir(target)));
    QVERIFY(!flPath->setPath(dir(target)));
    QCOMPARE(diFiles->path(), dir("/a"));
    QCOMPARE(flPath->path(), dir("/a"));
    QCOMPARE(texts(diFiles), dirsBefore);
    QCOMPARE(texts(flPath), filesBefore);
    QCOMPARE(changes.count(), 0);

    // The current folder vanishes: a click keeps the file list as it was.
    QVERIFY(QDir(dir("/a/sub")).exists());
    QVERIFY(diFiles->setPath(dir("/a/sub/deeper")));
    QVERIFY(QDir(dir("/a/sub")).removeRecursively());
    click(diFiles, QStringLiteral("a"));
    QCOMPARE(flPath->path(), dir("/a"));
    QCOMPARE(texts(flPath), filesBefore);
}

HOPWISE_TEST_MAIN(TestMediaPlayer)
#include "tst_mediaplayer.moc"
