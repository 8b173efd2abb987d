// Action records and PlaceObject's clip actions, decoded once in the format layer.
#include "swf/format/actions.h"
#include "swf/format/control_tags.h"

#include <QTest>

using namespace swf;

namespace {
QByteArray le16(quint16 v) {
    return QByteArray() + char(v & 0xff) + char(v >> 8);
}
QByteArray le32(quint32 v) {
    return le16(quint16(v & 0xffff)) + le16(quint16(v >> 16));
}
} // namespace

class ActionRecordsTest : public QObject {
    Q_OBJECT

  private slots:
    void actionRecords_data() {
        QTest::addColumn<QByteArray>("block");
        QTest::addColumn<int>("offset");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<int>("code");
        QTest::addColumn<int>("size");
        QTest::addColumn<QByteArray>("payload");
        const QByteArray push = QByteArray("\x96", 1) + le16(3) + QByteArray("\0a\0", 3);
        QTest::newRow("code without payload")
            << QByteArray("\x07\x00", 2) << 0 << true << 0x07 << 1 << QByteArray();
        QTest::newRow("payload") << push << 0 << true << 0x96 << 6 << QByteArray("\0a\0", 3);
        QTest::newRow("at an offset")
            << QByteArray("\x06") + push << 1 << true << 0x96 << 6 << QByteArray("\0a\0", 3);
        QTest::newRow("payload past the end") << push.left(5) << 0 << false << 0 << 0 << QByteArray();
        QTest::newRow("length cut short")
            << QByteArray("\x96\x03", 2) << 0 << false << 0 << 0 << QByteArray();
        QTest::newRow("offset past the end") << push << 6 << false << 0 << 0 << QByteArray();
        QTest::newRow("negative offset") << push << -1 << false << 0 << 0 << QByteArray();
        QTest::newRow("empty payload")
            << QByteArray("\x96\x00\x00", 3) << 0 << true << 0x96 << 3 << QByteArray();
    }

    void actionRecords() {
        QFETCH(QByteArray, block);
        QFETCH(int, offset);
        QFETCH(bool, valid);
        const auto record = format::readActionRecord(block, offset);
        QCOMPARE(record.has_value(), valid);
        if (!valid) return;
        QFETCH(int, size);
        QTEST(int(record->code), "code");
        QCOMPARE(record->size, size);
        QCOMPARE(record->next(), offset + size);
        QTEST(record->payload.toByteArray(), "payload");
    }

    void payloadStrings_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("version");
        QTest::addColumn<QString>("first");
        QTest::addColumn<int>("afterward"); // the u8 read after the string
        QTest::addColumn<bool>("failed");
        QTest::newRow("utf-8") << QByteArray("\xe4\xb8\xad\x00\x2a", 5) << 6
                               << QString::fromUtf8("\xe4\xb8\xad") << 0x2a << false;
        QTest::newRow("gbk before 6")
            << QByteArray("\xd6\xd0\x00\x2a", 4) << 5 << QString::fromUtf8("\xe4\xb8\xad") << 0x2a << false;
        QTest::newRow("unterminated") << QByteArray("abc") << 6 << QStringLiteral("abc") << 0 << true;
        QTest::newRow("empty") << QByteArray("\x00\x07", 2) << 6 << QString() << 7 << false;
        QTest::newRow("utf-8 breaks off at a bad byte")
            << QByteArray("ab\377\377cd\0*", 8) << 6 << QStringLiteral("ab") << 0x2a << false;
        QTest::newRow("utf-8 breaks off at a cut sequence")
            << QByteArray("a\xe4\xb8z\x00\x2a", 6) << 6 << QStringLiteral("a") << 0x2a << false;
        QTest::newRow("utf-8 refuses an overlong form")
            << QByteArray("a\xc0\xafz\x00\x2a", 6) << 6 << QStringLiteral("a") << 0x2a << false;
    }

    void payloadStrings() {
        QFETCH(QByteArray, bytes);
        QFETCH(int, version);
        const format::StringCoding coding{version};
        format::PayloadReader reader(bytes, coding);
        QTEST(reader.string(), "first");
        QTEST(int(reader.u8()), "afterward");
        QTEST(reader.failed(), "failed");
    }

    void clipActions_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("version");
        QTest::addColumn<QList<quint32>>("events");
        QTest::addColumn<QList<QByteArray>>("actions");
        QTest::addColumn<int>("keyCode"); // of the last record
        const QByteArray stop("\x07\x00", 2), play("\x06\x00", 2);
        const QByteArray v6 =
            le16(0) + le32(0x3) + le32(0x1) + le32(2) + stop + le32(0x2) + le32(2) + play + le32(0);
        QTest::newRow("SWF 6: 32-bit flags")
            << v6 << 6 << QList<quint32>{0x1, 0x2} << QList<QByteArray>{stop, play} << 0;
        const QByteArray v5 =
            le16(0) + le16(0x5) + le16(0x4) + le32(2) + stop + le16(0x1) + le32(2) + play + le16(0);
        QTest::newRow("SWF 5: 16-bit flags")
            << v5 << 5 << QList<quint32>{0x4, 0x1} << QList<QByteArray>{stop, play} << 0;
        QTest::newRow("key press keeps its key")
            << le16(0) + le32(0x20000) + le32(0x20000) + le32(3) + QByteArray("\x0d") + stop + le32(0) << 6
            << QList<quint32>{0x20000} << QList<QByteArray>{stop} << 0x0d;
        QTest::newRow("broken record ends the list")
            << le16(0) + le32(0x3) + le32(0x1) + le32(2) + stop + le32(0x2) + le32(900) + play << 6
            << QList<quint32>{0x1} << QList<QByteArray>{stop} << 0;
        QTest::newRow("no end marker")
            << v6.chopped(4) << 6 << QList<quint32>{0x1, 0x2} << QList<QByteArray>{stop, play} << 0;
        QTest::newRow("key press with no room for its key")
            << le16(0) + le32(0x20000) + le32(0x20000) + le32(0) + le32(0) << 6 << QList<quint32>{0x20000}
            << QList<QByteArray>{QByteArray()} << 0;
        QTest::newRow("nothing") << QByteArray() << 6 << QList<quint32>{} << QList<QByteArray>{} << 0;
    }

    void clipActions() {
        QFETCH(QByteArray, bytes);
        QFETCH(int, version);
        QFETCH(QList<quint32>, events);
        QFETCH(QList<QByteArray>, actions);
        QFETCH(int, keyCode);
        io::Reader reader(bytes);
        const QList<format::ClipActionRecord> records = format::readClipActions(reader, version);
        QCOMPARE(records.size(), events.size());
        for (qsizetype i = 0; i < records.size(); ++i) {
            QCOMPARE(records[i].events, events[i]);
            QCOMPARE(records[i].actions, actions[i]);
        }
        if (!records.isEmpty()) QCOMPARE(int(records.last().keyCode), keyCode);
    }
};

QTEST_GUILESS_MAIN(ActionRecordsTest)
#include "action_records_test.moc"
