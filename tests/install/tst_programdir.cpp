#include "core/programdir.h"

#include <QtTest>

// Where the notes and screenshots go for a copy run from its build or unpacked folder, and for one
// installed under a prefix: the installed copy must not write beside the executable even when it
// can (root and /usr/bin).
class TstProgramDir : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void choose_data();
    void choose();
    void pathCreatesTheDataFolder();

private:
    QTemporaryDir m_root;
    const QString m_dataFolder = m_root.filePath(QStringLiteral("home/.local/share/hopwise"));
};

void TstProgramDir::initTestCase()
{
    qputenv("XDG_DATA_HOME", m_root.filePath(QStringLiteral("home/.local/share")).toUtf8());
    QCoreApplication::setApplicationName(QStringLiteral("hopwise"));
    for (const char *folder : {"portable", "usr/bin", "usr/share/metainfo", "opt/hopwise/bin",
                               "opt/hopwise/share/metainfo", "notes-here"})
        QVERIFY(QDir().mkpath(m_root.filePath(QLatin1String(folder))));
    for (const char *file :
         {"usr/share/metainfo/" HOPWISE_APP_ID ".metainfo.xml",
          "opt/hopwise/share/metainfo/org.example.Other.metainfo.xml", "not-a-folder"}) {
        QFile out(m_root.filePath(QLatin1String(file)));
        QVERIFY(out.open(QIODevice::WriteOnly) && out.write("<component/>\n") > 0);
    }
}

void TstProgramDir::choose_data()
{
    QTest::addColumn<QString>("exeDir");
    QTest::addColumn<QString>("override");
    QTest::addColumn<QString>("expected"); // relative to the temporary root, or "DATA"

    // clang-format off
    QTest::newRow("unpacked folder: beside the executable") << "portable" << "" << "portable";
    QTest::newRow("installed under a prefix, writable as root") << "usr/bin" << "" << "DATA";
    QTest::newRow("bin folder of another program's prefix") << "opt/hopwise/bin" << "" << "opt/hopwise/bin";
    QTest::newRow("override wins over the installed layout") << "usr/bin" << "notes-here" << "notes-here";
    QTest::newRow("override with trailing slashes") << "portable" << "notes-here//" << "notes-here";
    QTest::newRow("override that is a file") << "portable" << "not-a-folder" << "DATA";
    QTest::newRow("override that does not exist") << "portable" << "gone" << "DATA";
    QTest::newRow("executable folder that is a file") << "not-a-folder" << "" << "DATA";
    // clang-format on
}

void TstProgramDir::choose()
{
    QFETCH(QString, exeDir);
    QFETCH(QString, override);
    QFETCH(QString, expected);
    const QString overridePath = override.isEmpty() ? QString() : m_root.filePath(override);
    const QString want =
        expected == QLatin1String("DATA") ? m_dataFolder : m_root.filePath(expected);
    QCOMPARE(ProgramDir::choose(m_root.filePath(exeDir), overridePath), want);
}

void TstProgramDir::pathCreatesTheDataFolder()
{
    QVERIFY(!QFileInfo::exists(m_dataFolder));
    qputenv("HOPWISE_PROGRAM_DIR", m_root.filePath(QStringLiteral("not-a-folder")).toUtf8());
    QCOMPARE(ProgramDir::file(QStringLiteral("notes.doc")), m_dataFolder + "/notes.doc");
    QVERIFY(QFileInfo(m_dataFolder).isDir());
}

QTEST_GUILESS_MAIN(TstProgramDir)
#include "tst_programdir.moc"
