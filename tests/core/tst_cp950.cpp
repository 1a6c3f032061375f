#include "core/Convert.h"
#include "core/Cp950.h"
#include "platform/Error.h"

#include <QTest>

class TestCp950 : public QObject {
    Q_OBJECT
private slots:
    void encodesBig5ByteForByte() {
        // 許 and 功 carry a 0x5C (backslash) trail byte; 一 an "@" trail byte.
        QCOMPARE(cp950::encode(QStringLiteral("許功一")), QByteArray("\xB3\x5C\xA5\x5C\xA4\x40"));
        QCOMPARE(cp950::encode(QStringLiteral("a=1&b")), QByteArray("a=1&b"));
        QCOMPARE(cp950::encode(QStringLiteral("€臺")), QByteArray("\xA3\xE1\xBB\x4F"));
        QCOMPARE(cp950::encode(QString()), QByteArray());
    }

    void refusesCharactersWithoutCode() {
        // A simplified character, an HKSCS-only name character, an emoji.
        for (const QString& text :
             {QStringLiteral("简"), QStringLiteral("黃堃"), QStringLiteral("ok😀")}) {
            QVERIFY(!cp950::tryEncode(text).has_value());
        }
        QCOMPARE(cp950::firstUnmappable(QStringLiteral("黃堃")), qsizetype(1));
        QCOMPARE(cp950::firstUnmappable(QStringLiteral("ok😀")), qsizetype(2));
        QCOMPARE(cp950::firstUnmappable(QStringLiteral("好")), std::nullopt);
        try {
            cp950::encode(QStringLiteral("ok😀!"));
            QFAIL("encode accepted an emoji");
        } catch (const Error& e) {
            QVERIFY2(e.message().contains(QStringLiteral("😀")), qPrintable(e.message()));
        }
    }

    void decodesAndReplacesBrokenBytes() {
        QCOMPARE(cp950::decode(QByteArray("\xB3\x5C\xA5\x5C")), QStringLiteral("許功"));
        // A lone lead byte at the end, an invalid byte, an invalid pair in the middle.
        QCOMPARE(cp950::decode(QByteArray("a\xB3")), QStringLiteral("a\uFFFD"));
        QCOMPARE(cp950::decode(QByteArray("\xFF"
                                          "b")),
                 QStringLiteral("\uFFFD"
                                "b"));
        QCOMPARE(cp950::decode(QByteArray("x\0y", 3)), QString::fromUtf16(u"x\0y", 3));
        const QString once = cp950::decode(QByteArray("\x81\x20z"));
        QVERIFY(once.endsWith(QStringLiteral(" z")));
    }

    void roundTripsEveryBig5Character() {
        int checked = 0;
        for (int lead = 0xA1; lead <= 0xF9; ++lead) {
            for (int trail : {0x40, 0x5C, 0x7E, 0xA1, 0xFE}) {
                const QByteArray bytes{static_cast<char>(lead), static_cast<char>(trail)};
                const QString text = cp950::decode(bytes);
                if (text == QStringLiteral("\uFFFD\uFFFD") || text.contains(QChar(0xFFFD))) {
                    continue;
                }
                QCOMPARE(cp950::encode(text), bytes);
                ++checked;
            }
        }
        QVERIFY(checked > 300);
    }

    void countsBytesAndCharacters() {
        QCOMPARE(cp950::byteLength(QStringLiteral("王a1")), qsizetype(4));
        QVERIFY(cp950::endsWithDoubleByte(QStringLiteral("abc一")));
        QVERIFY(!cp950::endsWithDoubleByte(QStringLiteral("一a")));
        // 中 is A4 A4: its trail byte is also a lead-byte value, yet "中A" ends with A.
        QVERIFY(!cp950::endsWithDoubleByte(QStringLiteral("中A")));
        QVERIFY(!cp950::endsWithDoubleByte(QString()));
        QVERIFY(cp950::isLeadByte(0x81) && cp950::isLeadByte(0xFE));
        QVERIFY(!cp950::isLeadByte(0x80) && !cp950::isLeadByte(0xFF) && !cp950::isLeadByte('A'));
        QCOMPARE(cp950::withoutLastCharacter(QStringLiteral("12王")), QStringLiteral("12"));
        QCOMPARE(cp950::withoutLastCharacter(QStringLiteral("a😀")), QStringLiteral("a"));
        QCOMPARE(cp950::truncateToBytes(QStringLiteral("ab王c"), 3), QStringLiteral("ab"));
        QCOMPARE(cp950::truncateToBytes(QStringLiteral("ab王c"), 4), QStringLiteral("ab王"));
    }

    void convertsIntegersLikeTheRuntime() {
        QCOMPARE(convert::parseInt32(QStringLiteral("2147483647")), 2147483647);
        QCOMPARE(convert::parseInt32(QStringLiteral("-2147483648")),
                 std::numeric_limits<int>::min());
        QCOMPARE(convert::parseInt32(QStringLiteral("  +12")), 12);
        for (const QString& bad : {QStringLiteral("2147483648"), QStringLiteral(""),
                                   QStringLiteral("-"), QStringLiteral("+"), QStringLiteral("12 "),
                                   QStringLiteral("1a"), QStringLiteral("１２"),
                                   QStringLiteral(" "), QStringLiteral("99999999999999999999")}) {
            QVERIFY2(!convert::parseInt32(bad).has_value(), qPrintable(bad));
        }
        QCOMPARE(convert::toInt64(QStringLiteral("2201010000")), std::int64_t(2201010000));
        try {
            convert::toInt(QStringLiteral("x1"));
            QFAIL("no error");
        } catch (const Error& e) {
            QCOMPARE(e.message(), QStringLiteral("'x1' is not a valid integer value"));
        }
    }
};

QTEST_GUILESS_MAIN(TestCp950)
#include "tst_cp950.moc"
