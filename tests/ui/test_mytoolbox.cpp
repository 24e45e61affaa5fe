// Numeric input checks of the edit fields and the number-with-suffix routine.
#include "ui/mytoolbox.h"

#include <QStringList>
#include <QTest>

#include <climits>

namespace {

const QString realMessage =
    QStringLiteral("数字以外の文字が入力されました。数字、+（プラス）、-（マイナス）.（小数点）のみ有効");
const QString integerMessage =
    QStringLiteral("整数以外の文字が入力されました。数字、+（プラス）、-（マイナス）のみ有効");

} // namespace

class testMytoolbox : public QObject {
    Q_OBJECT

    QStringList messages;
    messageSink sink() { return [this](const QString &m) { messages << m; }; }

private slots:
    void init() { messages.clear(); }

    void realNumberTextPasses_data()
    {
        QTest::addColumn<QString>("text");
        for (const char *t : {"12.5", "-3", "+7", "1e2", "0", ".5", "5.", "1E-3", "-0.25e+2", "007", "1e-400"})
            QTest::newRow(t) << QString::fromUtf8(t);
    }
    void realNumberTextPasses()
    {
        QFETCH(QString, text);
        QVERIFY(isRealNumberText(text, sink()));
        QVERIFY(messages.isEmpty());
    }

    void realNumberTextFailsWithMessage_data()
    {
        QTest::addColumn<QString>("text");
        for (const char *t : {"12,5", "abc", "-", "+", ".", " 5", "5 ", "1e", "e5", "1e+", "+-1", "1.2.3",
                              "1e999", "inf", "nan", "0x10", "１２", "5a", "1,000"})
            QTest::newRow(t) << QString::fromUtf8(t);
    }
    void realNumberTextFailsWithMessage()
    {
        QFETCH(QString, text);
        QVERIFY(!isRealNumberText(text, sink()));
        QCOMPARE(messages, QStringList{realMessage});
    }

    void emptyTextFailsSilently()
    {
        QVERIFY(!isRealNumberText(QString(), sink()));
        QVERIFY(!isIntegerText(QString(), sink()));
        QVERIFY(messages.isEmpty());
    }

    // Each key release runs the check on the whole text typed so far.
    void typingMinusThenDigit()
    {
        QVERIFY(!isRealNumberText(QStringLiteral("-"), sink()));
        QVERIFY(isRealNumberText(QStringLiteral("-5"), sink()));
        QCOMPARE(messages, QStringList{realMessage});
    }

    // While the user types, the start of a number fails silently; a text that can never become
    // one is reported at once.
    void numberEntriesWhileTyping_data()
    {
        QTest::addColumn<bool>("integer");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("passes");
        QTest::addColumn<bool>("reported");
        const struct {
            bool integer;
            const char *text;
            bool passes, reported;
        } rows[] = {
            {false, "-", false, false},  {false, "+", false, false},   {false, ".", false, false},
            {false, "-.", false, false}, {false, "+.", false, false},  {false, "1e", false, false},
            {false, "-2.5E-", false, false}, {false, "", false, false}, {false, "-5", true, false},
            {false, "-.5", true, false}, {false, "--", false, true},   {false, "-a", false, true},
            {false, "..", false, true},  {false, ".e", false, true},   {false, "1e5e", false, true},
            {true, "-", false, false},   {true, "+", false, false},    {true, "-3", true, false},
            {true, ".", false, true},    {true, "-.", false, true},    {true, "1e", false, true},
            {true, "+-", false, true},
        };
        for (const auto &r : rows)
            QTest::newRow(QStringLiteral("%1 %2").arg(r.integer ? "integer" : "real", r.text).toUtf8().constData())
                << r.integer << QString::fromUtf8(r.text) << r.passes << r.reported;
    }
    void numberEntriesWhileTyping()
    {
        QFETCH(bool, integer);
        QFETCH(QString, text);
        QFETCH(bool, passes);
        QFETCH(bool, reported);
        QCOMPARE(integer ? isIntegerEntry(text, sink()) : isRealNumberEntry(text, sink()), passes);
        QCOMPARE(messages, reported ? QStringList{integer ? integerMessage : realMessage} : QStringList{});
    }

    void integerTextPasses_data()
    {
        QTest::addColumn<QString>("text");
        for (const char *t : {"-30", "+7", "0", "-0", "2147483647", "-2147483648", "0002147483647"})
            QTest::newRow(t) << QString::fromUtf8(t);
    }
    void integerTextPasses()
    {
        QFETCH(QString, text);
        QVERIFY(isIntegerText(text, sink()));
        QVERIFY(messages.isEmpty());
    }

    void integerTextFailsWithMessage_data()
    {
        QTest::addColumn<QString>("text");
        for (const char *t : {"12.5", "2147483648", "-2147483649", "99999999999999999999", "1e2", "abc", "-", "+",
                              " 1", "1 ", "0x10", "１", "--1"})
            QTest::newRow(t) << QString::fromUtf8(t);
    }
    void integerTextFailsWithMessage()
    {
        QFETCH(QString, text);
        QVERIFY(!isIntegerText(text, sink()));
        QCOMPARE(messages, QStringList{integerMessage});
    }

    // Without a sink of its own the check reports through the program's message sink.
    void emptySinkUsesTheProgramSink()
    {
        QStringList shown;
        const messageSink previous = setMessageSink([&](const QString &m) { shown << m; });
        QVERIFY(!isIntegerText(QStringLiteral("x"), messageSink()));
        setMessageSink(previous);
        QCOMPARE(shown, QStringList{integerMessage});
    }

    void numberWithSuffixWritesTheDigitsThenTheSuffix()
    {
        QCOMPARE(numberWithSuffix(0, QStringLiteral("  pixel")), QStringLiteral("0  pixel"));
        QCOMPARE(numberWithSuffix(-1, QStringLiteral("  pixel")), QStringLiteral("-1  pixel"));
        QCOMPARE(numberWithSuffix(1024, QStringLiteral("  pixel")), QStringLiteral("1024  pixel"));
        QCOMPARE(numberWithSuffix(INT_MIN, QString()), QStringLiteral("-2147483648"));
        QCOMPARE(numberWithSuffix(7, QStringLiteral(" 秒")), QStringLiteral("7 秒"));
    }
};

QTEST_GUILESS_MAIN(testMytoolbox)
#include "test_mytoolbox.moc"
