// Resources: every string id has its text, every picture the windows name is in the resource
// file and draws something at the size it is used.

#include "resources/icons.h"
#include "resources/string_table.h"

#include <QTest>

class ResourcesTest : public QObject {
    Q_OBJECT

  private slots:
    void everyStringIdHasText();
    void pictures_data();
    void pictures();
    void handCursorUsesTheDrawing();
};

void ResourcesTest::everyStringIdHasText() {
    for (int id = resources::kFirstStringId; id <= resources::kLastStringId; ++id)
        QVERIFY2(!resources::text(id).isEmpty(), qPrintable(QString::number(id)));
    QVERIFY(resources::text(resources::kFirstStringId - 1).isEmpty());
    QVERIFY(resources::text(resources::kLastStringId + 1).isEmpty());
    // Entries other windows look up by number; a shifted table would show wrong captions.
    QCOMPARE(resources::text(101), QStringLiteral("列表中已有选择的文件！"));
    QCOMPARE(resources::text(117), QStringLiteral("Vantrel"));
    QCOMPARE(resources::text(146), QStringLiteral("查找完成"));
    QCOMPARE(resources::text(150), QStringLiteral("版本："));
}

void ResourcesTest::pictures_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("size");
    QTest::newRow("app") << QString::fromLatin1(resources::kAppIcon) << 32;
    QTest::newRow("hand") << QString::fromLatin1(resources::kHandCursor) << 32;
    QTest::newRow("thumb") << QString::fromLatin1(resources::kSeekThumb) << 16;
    for (int i = 0; i < resources::kMainButtonCount; ++i)
        QTest::addRow("main %d", i) << resources::mainButtonIconName(i) << 16;
    for (int i = 0; i < resources::kListButtonCount; ++i)
        QTest::addRow("list %d", i) << resources::listButtonIconName(i) << 16;
}

void ResourcesTest::pictures() {
    QFETCH(QString, name);
    QFETCH(int, size);
    const QImage picture = resources::image(name, size);
    QCOMPARE(picture.size(), QSize(size, size));
    int opaque = 0;
    int clear = 0;
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x)
            (qAlpha(picture.pixel(x, y)) > 128 ? opaque : clear) += 1;
    }
    // Something is drawn, and it does not fill the whole square (the button look shows around it).
    QVERIFY2(opaque >= size, qPrintable(name));
    QVERIFY2(clear > 0, qPrintable(name));
    QVERIFY(!resources::icon(name).isNull());
}

void ResourcesTest::handCursorUsesTheDrawing() {
    QVERIFY(resources::image(QStringLiteral("no_such_picture"), 16).isNull());
    QVERIFY(resources::mainButtonIconName(9).isEmpty());
    QVERIFY(resources::listButtonIconName(-1).isEmpty());
    const QCursor cursor = resources::handCursor();
    QCOMPARE(cursor.shape(), Qt::BitmapCursor);
}

QTEST_MAIN(ResourcesTest)
#include "resources_test.moc"
