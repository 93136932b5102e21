#include "silentwav.h"
#include "testmain.h"

#include "controls/dirlistbox.h"
#include "controls/drivelistbox.h"
#include "controls/filelistbox.h"
#include "controls/mediacontrol.h"
#include "tools/mediaplayerpage.h"

#include <QLabel>
#include <QMediaPlayer>
#include <QPushButton>
#include <QtTest>

namespace {

QStringList texts(const QListWidget *list)
{
    QStringList out;
    for (int i = 0; i < list->count(); ++i)
        out << list->item(i)->text();
    return out;
}

// A click, or what the mouse sends for a double-click: a click, then the second press.
void click(QListWidget *list, const QString &text, bool twice = false)
{
    const auto found = list->findItems(text, Qt::MatchExactly);
    QVERIFY2(!found.isEmpty(), qPrintable(text));
    list->scrollToItem(found.last());
    const QPoint at = list->visualItemRect(found.last()).center();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
    if (twice)
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
}

} // namespace

class TestMediaPlayer : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void listsChain();
    void doubleClickPath_data();
    void doubleClickPath();
    void nothingPlaysUntilPlayAndDoubleClickClosesFirst();

private:
    QString dir(const QString &relative) const { return m_root.path() + relative; }
    QStringList paths() const { return {diFiles->path(), flPath->path()}; }

    QTemporaryDir m_root;
    std::unique_ptr<MediaPlayerPage> m_page;
    DriveListBox *drvList = nullptr;
    DirListBox *diFiles = nullptr;
    FileListBox *flPath = nullptr;
    MediaControl *mmControl = nullptr;
};

void TestMediaPlayer::initTestCase()
{
    // Two folders standing in for drives: /a with sounds and subfolders, /b with its own.
    QVERIFY(QDir().mkpath(dir("/a/sub/deeper")) && QDir().mkpath(dir("/b/other")));
    for (const char *f : {"/a/short.wav", "/a/sub/only-here.wav", "/b/short.wav", "/a/.dotfile",
                          "/a/NoExtension", "/a/long.wav"}) {
        const QByteArray wav = silentWav(QByteArray(f).contains("long") ? 20000 : 300);
        QFile file(dir(QLatin1String(f)));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(wav) == wav.size());
    }
    QVERIFY(QDir::setCurrent(dir("/a")));
}

void TestMediaPlayer::init()
{
    m_page = std::make_unique<MediaPlayerPage>();
    drvList = m_page->findChild<DriveListBox *>(QStringLiteral("drvList"));
    diFiles = m_page->findChild<DirListBox *>(QStringLiteral("diFiles"));
    flPath = m_page->findChild<FileListBox *>(QStringLiteral("flPath"));
    mmControl = m_page->findChild<MediaControl *>(QStringLiteral("mmControl"));
    QVERIFY(drvList && diFiles && flPath && mmControl);
    m_page->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_page.get()));
}

void TestMediaPlayer::listsChain()
{
    // At start: the mounted volumes with "/" first, the current folder, every file in it.
    QCOMPARE(drvList->drives().first(), QStringLiteral("/"));
    QCOMPARE(paths(), QStringList({dir("/a"), dir("/a")}));
    QStringList files = texts(flPath);
    files.sort();
    QCOMPARE(files, QStringList({".dotfile", "NoExtension", "long.wav", "short.wav"}));

    // A drive that is not ready, a folder that is gone or is a file: nothing moves.
    const QStringList before = texts(diFiles) + texts(flPath);
    drvList->setDrives({dir("/a"), dir("/gone")});
    drvList->setCurrentIndex(1); // a drive that is not ready
    QCOMPARE(drvList->drive(), dir("/a"));
    HOPWISE_FIND(QLabel, notice, m_page.get(), QStringLiteral("notice"));
    QVERIFY(notice->isVisible());
    for (const char *target : {"/a/none", "/a/short.wav"})
        QVERIFY(!diFiles->setPath(dir(target)) && !flPath->setPath(dir(target)));
    QCOMPARE(paths(), QStringList({dir("/a"), dir("/a")}));
    QCOMPARE(texts(diFiles) + texts(flPath), before);

    QVERIFY(diFiles->setPath(dir("/a/sub")));
    const QStringList parents = dir("/a/sub").split(QLatin1Char('/'), Qt::SkipEmptyParts);
    QCOMPARE(texts(diFiles), QStringList{"/"} + parents + QStringList{"deeper"});

    // A drive moves only the directory list.
    drvList->setDrives({dir("/a"), dir("/b")});
    drvList->setCurrentIndex(1);
    QCOMPARE(paths(), QStringList({dir("/b"), dir("/a")}));

    // A click moves the file list to the current folder, not to the one highlighted.
    click(diFiles, QStringLiteral("other"));
    QCOMPARE(diFiles->highlightedPath(), dir("/b/other"));
    QCOMPARE(flPath->path(), dir("/b"));
    QCOMPARE(texts(flPath), QStringList{QStringLiteral("short.wav")});

    // A path set from code or entered by a double-click never moves the file list by itself:
    // only the click before the double-click did.
    QVERIFY(diFiles->setPath(dir("/a")));
    QCOMPARE(flPath->path(), dir("/b"));
    click(diFiles, QStringLiteral("sub"), true);
    QCOMPARE(paths(), QStringList({dir("/a/sub"), dir("/a")}));
}

void TestMediaPlayer::doubleClickPath_data()
{
    // The directory list's folder, the file list's folder, the name double-clicked.
    QTest::addColumn<QStringList>("paths");
    QTest::addColumn<bool>("opens");
    QTest::newRow("lists agree") << QStringList{"/a", "/a", "short.wav"} << true;
    QTest::newRow("disagree, name in both") << QStringList{"/b", "/a", "short.wav"} << true;
    QTest::newRow("disagree, name only in the file list")
        << QStringList{"/b", "/a", "long.wav"} << false;
    QTest::newRow("root folder: '//' + name") << QStringList{"/", "/a", "short.wav"} << false;
}

void TestMediaPlayer::doubleClickPath()
{
    QFETCH(QStringList, paths);
    QFETCH(bool, opens);
    const QString dirList = paths[0] == QLatin1String("/") ? paths[0] : dir(paths[0]);
    // The file list is pointed by a click, then the directory list moves on.
    QVERIFY(diFiles->setPath(dir(paths[1])));
    click(diFiles, diFiles->item(0)->text());
    QVERIFY(diFiles->setPath(dirList));

    click(flPath, paths[2], true);
    QCOMPARE(mmControl->fileName(), dirList + QLatin1Char('/') + paths[2]);
    QCOMPARE(mmControl->openFile(), opens ? mmControl->fileName() : QString());
}

void TestMediaPlayer::nothingPlaysUntilPlayAndDoubleClickClosesFirst()
{
    click(flPath, QStringLiteral("long.wav"), true);
    QTRY_COMPARE(mmControl->player()->mediaStatus(), QMediaPlayer::LoadedMedia);
    QVERIFY(!mmControl->isPlaying());
    HOPWISE_FIND(QPushButton, cmdPlay, mmControl, QStringLiteral("cmdPlay"));
    QTest::mouseClick(cmdPlay, Qt::LeftButton);
    QTRY_VERIFY(mmControl->isPlaying());

    QSignalSpy commands(mmControl, &MediaControl::commandDone);
    click(flPath, QStringLiteral("short.wav"), true);
    QCOMPARE(QList<QVariantList>(commands), QList<QVariantList>({{"close"}, {"open"}}));
    QCOMPARE(mmControl->player()->source(), QUrl::fromLocalFile(dir("/a/short.wav")));
    QTRY_COMPARE(mmControl->player()->mediaStatus(), QMediaPlayer::LoadedMedia);
    QVERIFY(!mmControl->isPlaying());

    // A file in the root folder comes as "//name": still a local file, not a host.
    mmControl->setFileName(QLatin1Char('/') + dir("/a/long.wav"));
    mmControl->setCommand(QStringLiteral("open"));
    QCOMPARE(mmControl->player()->source(), QUrl::fromLocalFile(dir("/a/long.wav")));
}

HOPWISE_TEST_MAIN(TestMediaPlayer)
#include "tst_mediaplayer.moc"
