// The mini browser's size arithmetic at its edges; tst_web checks its ordinary sizes on the window.
#include "web/browserextent.h"

#include <QTest>

#include <optional>

Q_DECLARE_METATYPE(std::optional<int>)

class TestBrowserExtent : public QObject
{
    Q_OBJECT
private slots:
    void extent_data();
    void extent();
};

void TestBrowserExtent::extent_data()
{
    using namespace BrowserExtent;
    QTest::addColumn<int>("outer");
    QTest::addColumn<float>("margin");
    QTest::addColumn<std::optional<int>>("extent");
    auto row = [](const char *tag, int outer, float margin, std::optional<int> extent) {
        QTest::newRow(tag) << outer << margin << extent;
    };
    row("exactly the margin: nothing left, still a size", 1040, HeightMargin, 0);
    row("one twip short: refused", 1039, HeightMargin, std::nullopt);
    row("no window at all", 0, WidthMargin, std::nullopt);
    row("negative outer size", -15, WidthMargin, std::nullopt);
    // Single precision: 2^24 + 1 becomes 2^24 before the margin comes off.
    row("beyond float's integers", 16777217, HeightMargin, 16776176);
    row("half rounds away from zero", 1000, 999.5f, 1);
}

void TestBrowserExtent::extent()
{
    QFETCH(int, outer);
    QFETCH(float, margin);
    QFETCH(std::optional<int>, extent);
    QCOMPARE(BrowserExtent::browserExtent(outer, margin), extent);
}

QTEST_APPLESS_MAIN(TestBrowserExtent)
#include "tst_browserextent.moc"
