// The key codes the KeyPress handlers of the address box, the player name and the chat message
// are given.

#include "controls/keyascii.h"

#include <QKeyEvent>
#include <QTest>

#include <optional>

Q_DECLARE_METATYPE(std::optional<qint16>)

class TestKeyAscii : public QObject
{
    Q_OBJECT

private slots:
    void codes_data();
    void codes();
};

void TestKeyAscii::codes_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<QString>("text");
    QTest::addColumn<std::optional<qint16>>("code");
    auto row = [](const char *tag, int key, const QString &text, std::optional<qint16> code) {
        QTest::newRow(tag) << key << text << code;
    };
    row("Return", Qt::Key_Return, QStringLiteral("\r"), 13);
    row("keypad Enter", Qt::Key_Enter, QStringLiteral("\r"), 13);
    row("Return that types nothing", Qt::Key_Return, QString(), 13);
    row("letter", Qt::Key_A, QStringLiteral("a"), 97);
    row("Latin-1", Qt::Key_Eacute, QStringLiteral("\u00e9"), 233);
    row("first of several characters", Qt::Key_unknown, QStringLiteral("xy"), 120);
    row("Escape", Qt::Key_Escape, QStringLiteral("\x1b"), 27);
    row("above 32767 wraps to a negative 16-bit code", Qt::Key_unknown, QStringLiteral("\uac00"),
        qint16(-21504));
    row("arrow: no text", Qt::Key_Left, QString(), std::nullopt);
}

void TestKeyAscii::codes()
{
    QFETCH(int, key);
    QFETCH(QString, text);
    QFETCH(std::optional<qint16>, code);
    const QKeyEvent event(QEvent::KeyPress, key, Qt::NoModifier, text);
    QCOMPARE(keyAscii(event), code);
}

QTEST_MAIN(TestKeyAscii)
#include "tst_keyascii.moc"
