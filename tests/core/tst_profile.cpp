#include "core/Cp950.h"
#include "core/Profile.h"
#include "core/ProfileParser.h"
#include "platform/LocalClock.h"

#include <sys/stat.h>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <cstdio>

class TestProfile : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    int n_ = 0;

    // Writes the bytes to a new file and returns a reader for it.
    IniFile file(const QByteArray& bytes) {
        const QString path = dir_.filePath(QStringLiteral("f%1.ini").arg(++n_));
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size()) {
            qFatal("cannot write");
        }
        return IniFile(path);
    }
    IniFile text(const QString& t) { return file(cp950::encode(t)); }

private slots:
    void cleanup() { LocalClock::reset(); }

    void readsTextLikeTheWindowsReader() {
        const IniFile ini =
            text(QStringLiteral("[Version]\r\n"
                                "  Title  =   ORVEX 產品註冊   \r\n"
                                "dq=\"  quoted  \"\r\n"
                                "sq='single'\r\n"
                                "mixed=\"half'\r\n"
                                "inner=a\"b\"\r\n"
                                "apostrophe='It's'\r\n"
                                "nested=\"say \"hi\"\"\r\n"
                                "empty=\r\n"
                                "nokey\r\n"
                                "eq=a=b\r\n"));
        QCOMPARE(
            ini.ReadString(QStringLiteral("version"), QStringLiteral("TITLE"), QStringLiteral("d")),
            QStringLiteral("ORVEX 產品註冊"));
        QCOMPARE(ini.ReadString(QStringLiteral("VERSION"), QStringLiteral("dq"), {}),
                 QStringLiteral("  quoted  "));
        QCOMPARE(ini.ReadString(QStringLiteral("Version"), QStringLiteral("sq"), {}),
                 QStringLiteral("single"));
        QCOMPARE(ini.ReadString(QStringLiteral("Version"), QStringLiteral("mixed"), {}),
                 QStringLiteral("\"half'"));
        QCOMPARE(ini.ReadString(QStringLiteral("Version"), QStringLiteral("inner"), {}),
                 QStringLiteral("a\"b\""));
        // The outer pair goes even with the same quote inside.
        QCOMPARE(ini.ReadString(QStringLiteral("Version"), QStringLiteral("apostrophe"), {}),
                 QStringLiteral("It's"));
        QCOMPARE(ini.ReadString(QStringLiteral("Version"), QStringLiteral("nested"), {}),
                 QStringLiteral("say \"hi\""));
        // "key=" is an empty value, not a missing one.
        QCOMPARE(
            ini.ReadString(QStringLiteral("Version"), QStringLiteral("empty"), QStringLiteral("d")),
            QString());
        QCOMPARE(
            ini.ReadString(QStringLiteral("Version"), QStringLiteral("nokey"), QStringLiteral("d")),
            QStringLiteral("d"));
        QCOMPARE(ini.ReadString(QStringLiteral("Version"), QStringLiteral("eq"), {}),
                 QStringLiteral("a=b"));
        QCOMPARE(
            ini.ReadString(QStringLiteral("Version"), QStringLiteral("none"), QStringLiteral("d")),
            QStringLiteral("d"));
        QCOMPARE(
            ini.ReadString(QStringLiteral("Other"), QStringLiteral("Title"), QStringLiteral("d")),
            QStringLiteral("d"));
        QCOMPARE(ini.ReadSection(QStringLiteral("version")),
                 QStringList({"Title", "dq", "sq", "mixed", "inner", "apostrophe", "nested",
                              "empty", "nokey", "eq"}));
    }

    void handlesLineEndsRepeatsAndComments() {
        const IniFile ini =
            file(QByteArray("k0=before\n"
                            "[a]\r"
                            "k=1\n"
                            ";k=comment\r\n"
                            "K=2\r\n"
                            "\r\n"
                            "[b]\n"
                            "x=1\n"
                            "[A]\n"
                            "k=3\n"
                            "z=9\n"
                            "[c]"));
        QCOMPARE(ini.ReadSections(), QStringList({"a", "b", "c"}));
        QCOMPARE(ini.ReadString(QStringLiteral("a"), QStringLiteral("k"), {}), QStringLiteral("1"));
        QCOMPARE(ini.ReadSection(QStringLiteral("a")), QStringList({"k"}));
        QCOMPARE(ini.ReadString(QStringLiteral("a"), QStringLiteral("z"), QStringLiteral("d")),
                 QStringLiteral("d"));
        QCOMPARE(ini.ReadSection(QStringLiteral("c")), QStringList());
        QCOMPARE(ini.ReadString(QString(), QStringLiteral("k0"), QStringLiteral("d")),
                 QStringLiteral("d"));
    }

    void keepsBig5NamesApart() {
        // ']' (0x5D), '=' and ASCII letters can be trail bytes; they must not end a name, and a
        // trail byte is never case-folded.
        const QByteArray upper("\xA4\x41"), lower("\xA4\x61"), bracket("\xA4\x5D");
        QVERIFY(cp950::decode(upper) != cp950::decode(lower));
        const IniFile ini = file("[" + bracket + "]\n" + upper + "=1\n" + lower +
                                 "=2\n"
                                 "\xB3\x5C=\xA5\x5C\n");
        const QString section = cp950::decode(bracket);
        QCOMPARE(ini.ReadSections(), QStringList({section}));
        QCOMPARE(ini.ReadString(section, cp950::decode(upper), {}), QStringLiteral("1"));
        QCOMPARE(ini.ReadString(section, cp950::decode(lower), {}), QStringLiteral("2"));
        QCOMPARE(ini.ReadString(section, QStringLiteral("許"), {}), QStringLiteral("功"));
    }

    void cutsLongValuesAt2047Bytes() {
        const QByteArray ascii(3000, 'x');
        QCOMPARE(file("[s]\nk=" + ascii + "\n")
                     .ReadString(QStringLiteral("s"), QStringLiteral("k"), {})
                     .size(),
                 2047);
        // 1023 Chinese characters fill 2046 bytes; the next one would be cut in half.
        QByteArray chinese;
        for (int i = 0; i < 1100; ++i) {
            chinese += "\xA4\x40";
        }
        const QString value = file("[s]\nk=a" + chinese + "\n")
                                  .ReadString(QStringLiteral("s"), QStringLiteral("k"), {});
        QCOMPARE(cp950::byteLength(value), qsizetype(2047));
        QVERIFY(!value.contains(QChar(0xFFFD)));
    }

    void readsIntegers() {
        const IniFile ini =
            text(QStringLiteral("[s]\nhex=0x0A\nHEX=0XfF\ndec=-12\nbad=12a\nempty=\n"
                                "big=2147483648\nlone=0x\nwide=0xFFFFFFFF\nsp= 7 \n"));
        const auto read = [&](const char* key) {
            return ini.ReadInteger(QStringLiteral("s"), QString::fromLatin1(key), 7);
        };
        QCOMPARE(read("hex"), 10);
        QCOMPARE(read("dec"), -12);
        QCOMPARE(read("bad"), 7);
        QCOMPARE(read("empty"), 7);
        QCOMPARE(read("big"), 7);
        QCOMPARE(read("lone"), 7);
        QCOMPARE(read("wide"), -1);
        QCOMPARE(read("sp"), 7);
        QCOMPARE(read("missing"), 7);
    }

    void readsFloatsWithTheLocaleSeparator() {
        const IniFile ini =
            text(QStringLiteral("[version]\nverNo=3.00\ncomma=3,5\nbad=abc\nempty=\n"));
        LocalClock::setDecimalSeparator(u'.');
        QCOMPARE(ini.ReadFloat(QStringLiteral("version"), QStringLiteral("verNo"), 3.5), 3.0);
        QCOMPARE(ini.ReadFloat(QStringLiteral("version"), QStringLiteral("comma"), 3.5), 3.5);
        QCOMPARE(ini.ReadFloat(QStringLiteral("version"), QStringLiteral("bad"), 3.5), 3.5);
        QCOMPARE(ini.ReadFloat(QStringLiteral("version"), QStringLiteral("empty"), 3.5), 3.5);
        LocalClock::setDecimalSeparator(u',');
        QCOMPARE(ini.ReadFloat(QStringLiteral("version"), QStringLiteral("comma"), 9.0), 3.5);
        QCOMPARE(ini.ReadFloat(QStringLiteral("version"), QStringLiteral("verNo"), 9.0), 9.0);
    }

    void missingFileGivesDefaults() {
        const IniFile ini(dir_.filePath(QStringLiteral("absent.ini")));
        QCOMPARE(ini.ReadString(QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("d")),
                 QStringLiteral("d"));
        QCOMPARE(ini.ReadInteger(QStringLiteral("a"), QStringLiteral("b"), 5), 5);
        QCOMPARE(ini.ReadSections(), QStringList());
        QCOMPARE(ini.ReadSection(QStringLiteral("a")), QStringList());
        // A folder in place of the file is no file either.
        QCOMPARE(IniFile(dir_.path()).ReadSections(), QStringList());
        // Nor is a pipe, which must not hold the reader up.
        const QString pipe = dir_.filePath(QStringLiteral("pipe.ini"));
        QCOMPARE(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
        QCOMPARE(IniFile(pipe).ReadSections(), QStringList());
    }

    void keepsTheParseUntilTheFileChanges() {
        const QString path = dir_.filePath(QStringLiteral("kept.ini"));
        const auto write = [&](const QByteArray& bytes) {  // in place, as an editor saves
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
            QCOMPARE(f.write(bytes), bytes.size());
        };
        const IniFile ini(path);
        const auto value = [&] {
            return ini.ReadString(QStringLiteral("s"), QStringLiteral("k"), QStringLiteral("-"));
        };
        QCOMPARE(value(), QStringLiteral("-"));
        write("[s]\nk=1\n");
        QCOMPARE(value(), QStringLiteral("1"));
        // Same size, faster than file times tick.
        for (char c = '2'; c <= '9'; ++c) {
            write(QByteArray("[s]\nk=") + c + "\n");
            QCOMPARE(value(), QString(QChar(c)));
        }
        // Once the file has rested, reads use the parse; a rewrite of the same size within the
        // same second is still seen.
        QTest::qWait(150);
        const quint64 parsed = IniFile::parseCount();
        for (int i = 0; i < 20; ++i) {
            QCOMPARE(value(), QStringLiteral("9"));
        }
        QCOMPARE(IniFile::parseCount(), parsed);
        write("[s]\nk=8\n");
        QCOMPARE(value(), QStringLiteral("8"));
        QCOMPARE(IniFile::parseCount(), parsed + 1);

        // A snapshot keeps its state; a replaced or removed file is seen at once.
        const IniFile kept = ini.snapshot();
        const QString other = dir_.filePath(QStringLiteral("other.ini"));
        QFile f(other);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("[s]\nk=7\n");
        f.close();
        QVERIFY(std::rename(QFile::encodeName(other), QFile::encodeName(path)) == 0);
        QCOMPARE(value(), QStringLiteral("7"));
        QVERIFY(QFile::remove(path));
        QCOMPARE(value(), QStringLiteral("-"));
        QCOMPARE(kept.ReadString(QStringLiteral("s"), QStringLiteral("k"), {}),
                 QStringLiteral("8"));
    }

    void badBytesNeverCrash() {
        QRandomGenerator rng(950);
        for (int round = 0; round < 200; ++round) {
            QByteArray junk(static_cast<int>(rng.bounded(4096)), '\0');
            for (char& c : junk) {
                // Mostly the bytes that matter to the parser, some anything.
                static const char interesting[] = "[]=;\r\n \t\"'\xA4\x40\x5C\x81\xFE";
                c = rng.bounded(3) == 0
                        ? static_cast<char>(rng.bounded(256))
                        : interesting[rng.bounded(static_cast<quint32>(sizeof interesting - 1))];
            }
            const IniFile ini = file(junk);
            for (const QString& section : ini.ReadSections()) {
                for (const QString& key : ini.ReadSection(section)) {
                    ini.ReadString(section, key, {});
                    ini.ReadInteger(section, key, 0);
                }
            }
        }
        const QByteArray nul("[s\0x]\nk\0=v\0w\n", 14);
        QCOMPARE(file(nul).ReadSections().size(), 1);
        QByteArray huge = "[s]\nk=" + QByteArray(1 << 20, '\xA4') + "\n[t]\nk=ok\n";
        const IniFile big = file(huge);
        QCOMPARE(big.ReadString(QStringLiteral("t"), QStringLiteral("k"), {}),
                 QStringLiteral("ok"));
        QCOMPARE(
            cp950::byteLength(big.ReadString(QStringLiteral("s"), QStringLiteral("k"), {})) <= 2047,
            true);
        QCOMPARE(file(QByteArray("[\xA4")).ReadSections().size(), 1);
    }

    void parserListsManySectionsQuickly() {
        QByteArray many;
        for (int i = 0; i < 100000; ++i) {
            many += "[s" + QByteArray::number(i) + "]\nk=v\n";
        }
        const profile::Document doc =
            profile::parse(std::string_view(many.constData(), many.size()));
        QCOMPARE(doc.sections.size(), std::size_t(100000));
    }
};

QTEST_GUILESS_MAIN(TestProfile)
#include "tst_profile.moc"
