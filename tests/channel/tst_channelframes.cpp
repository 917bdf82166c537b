#include "channel/ChannelFrameReader.h"
#include "channel/ChannelLimits.h"
#include "channel/ChannelMessage.h"

#include <QCborArray>
#include <QCborMap>
#include <QCborValue>
#include <QTest>
#include <QtEndian>

using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(ChannelDecodeError)

namespace {

QByteArray header(quint32 size)
{
    QByteArray bytes(kChannelHeaderSize, Qt::Uninitialized);
    qToBigEndian(size, bytes.data());
    return bytes;
}

QByteArray framed(const QByteArray& payload)
{
    return header(quint32(payload.size())) + payload;
}

QByteArray cborOf(const QCborValue& value)
{
    return value.toCbor();
}

QCborMap mapOf(std::initializer_list<std::pair<QString, QCborValue>> fields)
{
    QCborMap map;
    for (const auto& [key, value] : fields)
        map.insert(key, value);
    return map;
}

QList<ChannelMessage> sampleMessages()
{
    QCborMap nested;
    nested.insert(u"codes"_s, QCborArray{1, 2, 3});
    nested.insert(u"text"_s, u"Kas 3 – vorst €"_s);
    return {ChannelMessage::make(u"hello"_s),
            ChannelMessage::make(u"status"_s, mapOf({{u"notLinked"_s, 7}})),
            ChannelMessage::make(u"assign"_s, mapOf({{u"row"_s, nested}}), 42)};
}

QByteArray streamOf(const QList<ChannelMessage>& messages)
{
    QByteArray stream;
    for (const ChannelMessage& message : messages)
        stream += message.toFrame();
    return stream;
}

} // namespace

// The frame format and the reader that cuts a stream into messages.
class TstChannelFrames : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void frameIsBigEndianLengthThenCborMap();
    void messagesSurviveTheirOwnFrames();
    void streamSplitAtEveryByteGivesTheSameMessages();
    void byteByByteGivesTheSameMessages();
    void badPayloadIsATypedError_data();
    void badPayloadIsATypedError();
    void oversizeIsRefusedOnItsHeader();
    void nothingIsReadAfterAnError();
};

void TstChannelFrames::frameIsBigEndianLengthThenCborMap()
{
    const ChannelMessage message = ChannelMessage::make(u"ping"_s, {}, 258);
    const QByteArray frame = message.toFrame();
    const QByteArray payload = frame.sliced(kChannelHeaderSize);
    QCOMPARE(frame.first(kChannelHeaderSize), header(quint32(payload.size())));
    const QCborMap map = QCborValue::fromCbor(payload).toMap();
    QCOMPARE(map.value(u"version"_s).toInteger(), qint64(kChannelProtocolVersion));
    QCOMPARE(map.value(u"type"_s).toString(), u"ping"_s);
    QCOMPARE(map.value(u"id"_s).toInteger(), 258);
    // No request id and no body: the fields are left out, not written empty.
    const QCborMap bare =
        QCborValue::fromCbor(ChannelMessage::make(u"ping"_s).toFrame().sliced(4)).toMap();
    QCOMPARE(bare.keys(), (QList<QCborValue>{u"version"_s, u"type"_s}));
}

void TstChannelFrames::messagesSurviveTheirOwnFrames()
{
    for (const ChannelMessage& message : sampleMessages()) {
        const ChannelMessage::Decoded decoded =
            ChannelMessage::fromPayload(message.toFrame().sliced(kChannelHeaderSize));
        QVERIFY(std::holds_alternative<ChannelMessage>(decoded));
        QCOMPARE(std::get<ChannelMessage>(decoded), message);
    }
}

void TstChannelFrames::streamSplitAtEveryByteGivesTheSameMessages()
{
    const QList<ChannelMessage> messages = sampleMessages();
    const QByteArray stream = streamOf(messages);
    for (qsizetype cut = 0; cut <= stream.size(); ++cut) {
        ChannelFrameReader reader;
        ChannelFrameReader::Result first = reader.read(QByteArrayView(stream).first(cut));
        const ChannelFrameReader::Result second = reader.read(QByteArrayView(stream).sliced(cut));
        QVERIFY(!first.error && !second.error);
        first.messages += second.messages;
        QCOMPARE(first.messages, messages);
        QCOMPARE(reader.pendingSize(), 0);
    }
}

void TstChannelFrames::byteByByteGivesTheSameMessages()
{
    const QList<ChannelMessage> messages = sampleMessages();
    const QByteArray stream = streamOf(messages);
    ChannelFrameReader reader;
    QList<ChannelMessage> read;
    for (const char byte : stream) {
        const ChannelFrameReader::Result result = reader.read(QByteArrayView(&byte, 1));
        QVERIFY(!result.error);
        // A message comes out exactly when its last byte goes in.
        QVERIFY(result.messages.size() <= 1);
        read += result.messages;
    }
    QCOMPARE(read, messages);
}

void TstChannelFrames::badPayloadIsATypedError_data()
{
    QTest::addColumn<QByteArray>("payload");
    QTest::addColumn<ChannelDecodeError>("error");

    const auto message = [](std::initializer_list<std::pair<QString, QCborValue>> fields) {
        return cborOf(mapOf(fields));
    };
    QTest::newRow("empty") << QByteArray() << ChannelDecodeError::BadCbor;
    QTest::newRow("garbage") << QByteArray("\xff\xfe garbage", 10) << ChannelDecodeError::BadCbor;
    QTest::newRow("cut short") << message({{u"version"_s, 1}, {u"type"_s, u"hello"_s}}).chopped(2)
                               << ChannelDecodeError::BadCbor;
    QTest::newRow("bytes after the map")
        << message({{u"version"_s, 1}, {u"type"_s, u"hello"_s}}) + '\x01'
        << ChannelDecodeError::BadCbor;
    QTest::newRow("array") << cborOf(QCborArray{1, u"hello"_s}) << ChannelDecodeError::NotAMap;
    QTest::newRow("text") << cborOf(u"hello"_s) << ChannelDecodeError::NotAMap;
    QTest::newRow("no version") << message({{u"type"_s, u"hello"_s}})
                                << ChannelDecodeError::MissingVersion;
    QTest::newRow("version zero") << message({{u"version"_s, 0}, {u"type"_s, u"hello"_s}})
                                  << ChannelDecodeError::MissingVersion;
    QTest::newRow("version as text") << message({{u"version"_s, u"1"_s}, {u"type"_s, u"hello"_s}})
                                     << ChannelDecodeError::MissingVersion;
    QTest::newRow("version beyond int")
        << message({{u"version"_s, qint64(1) << 40}, {u"type"_s, u"hello"_s}})
        << ChannelDecodeError::MissingVersion;
    QTest::newRow("no type") << message({{u"version"_s, 1}}) << ChannelDecodeError::MissingType;
    QTest::newRow("empty type") << message({{u"version"_s, 1}, {u"type"_s, u""_s}})
                                << ChannelDecodeError::MissingType;
    QTest::newRow("type as number")
        << message({{u"version"_s, 1}, {u"type"_s, 5}}) << ChannelDecodeError::MissingType;
    QTest::newRow("negative id") << message(
                                        {{u"version"_s, 1}, {u"type"_s, u"ping"_s}, {u"id"_s, -1}})
                                 << ChannelDecodeError::BadRequestId;
    QTest::newRow("id as text") << message({{u"version"_s, 1},
                                            {u"type"_s, u"ping"_s},
                                            {u"id"_s, u"7"_s}})
                                << ChannelDecodeError::BadRequestId;
    QTest::newRow("body as array")
        << message({{u"version"_s, 1}, {u"type"_s, u"ping"_s}, {u"body"_s, QCborArray{}}})
        << ChannelDecodeError::BadBody;
}

void TstChannelFrames::badPayloadIsATypedError()
{
    QFETCH(QByteArray, payload);
    QFETCH(ChannelDecodeError, error);
    const ChannelMessage::Decoded decoded = ChannelMessage::fromPayload(payload);
    QVERIFY(std::holds_alternative<ChannelDecodeError>(decoded));
    QCOMPARE(std::get<ChannelDecodeError>(decoded), error);

    // Through the reader the good frame before it still comes out, and the error after it.
    const ChannelMessage good = ChannelMessage::make(u"status"_s);
    ChannelFrameReader reader;
    const ChannelFrameReader::Result result =
        reader.read(QByteArray(good.toFrame() + framed(payload)));
    QCOMPARE(result.messages, QList<ChannelMessage>{good});
    QCOMPARE(result.error, std::optional<ChannelDecodeError>(error));
}

void TstChannelFrames::oversizeIsRefusedOnItsHeader()
{
    // The limit itself is allowed: the reader waits for the payload.
    ChannelFrameReader atLimit;
    const ChannelFrameReader::Result waiting =
        atLimit.read(QByteArray(header(quint32(kChannelMaxFrameSize)) + "partial"));
    QVERIFY(!waiting.error);
    QCOMPARE(atLimit.pendingSize(), kChannelHeaderSize + 7);

    // One byte more is refused before any payload arrives, and nothing is kept.
    ChannelFrameReader over;
    const ChannelFrameReader::Result refused =
        over.read(header(quint32(kChannelMaxFrameSize + 1)).first(3));
    QVERIFY(!refused.error);
    const ChannelFrameReader::Result last =
        over.read(header(quint32(kChannelMaxFrameSize + 1)).sliced(3));
    QCOMPARE(last.error, std::optional<ChannelDecodeError>(ChannelDecodeError::Oversize));
    QCOMPARE(over.pendingSize(), 0);

    ChannelFrameReader largest;
    QCOMPARE(largest.read(header(0xFFFFFFFFu)).error,
             std::optional<ChannelDecodeError>(ChannelDecodeError::Oversize));
}

void TstChannelFrames::nothingIsReadAfterAnError()
{
    ChannelFrameReader reader;
    QVERIFY(reader.read(framed("\xff")).error);
    QVERIFY(reader.failed());
    const ChannelFrameReader::Result after = reader.read(streamOf(sampleMessages()));
    QVERIFY(after.messages.isEmpty());
    QVERIFY(!after.error);
    QCOMPARE(reader.pendingSize(), 0);
}

QTEST_GUILESS_MAIN(TstChannelFrames)
#include "tst_channelframes.moc"
