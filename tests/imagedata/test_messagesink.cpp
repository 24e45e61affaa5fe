// The engines' message sink: stderr by default (tests, korvia-batch), any function once set,
// and back to stderr when the sink is emptied again.
#include "imagedata/messagesink.h"

#include <gtest/gtest.h>

#include <QStringList>

#include <string>

TEST(MessageSink, DefaultWritesOneLineToStandardError)
{
    const messageSink previous = setMessageSink({});
    testing::internal::CaptureStderr();
    showMessage(QString::fromUtf8("クラスmyImageArray\u3000のコンストラクタがメモリ確保ができなかった"));
    showMessage(QStringLiteral("Could not load or alter bitmap"));
    const std::string written = testing::internal::GetCapturedStderr();
    setMessageSink(previous);
    EXPECT_EQ(written, "クラスmyImageArray\u3000のコンストラクタがメモリ確保ができなかった\n"
                       "Could not load or alter bitmap\n");
}

TEST(MessageSink, ASetSinkTakesTheMessagesUntilItIsReplaced)
{
    QStringList first, second;
    const messageSink original = setMessageSink([&](const QString &m) { first << m; });
    showMessage(QStringLiteral("one"));
    const messageSink returned = setMessageSink([&](const QString &m) { second << m; });
    showMessage(QStringLiteral("two"));
    ASSERT_TRUE(static_cast<bool>(returned));
    returned(QStringLiteral("three")); // the previous sink is handed back intact
    EXPECT_EQ(first, QStringList({QStringLiteral("one"), QStringLiteral("three")}));
    EXPECT_EQ(second, QStringList({QStringLiteral("two")}));

    // Emptying the sink goes back to stderr; nothing more reaches the functions.
    setMessageSink({});
    testing::internal::CaptureStderr();
    showMessage(QStringLiteral("four"));
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "four\n");
    EXPECT_EQ(first.size(), 2);
    EXPECT_EQ(second.size(), 1);
    setMessageSink(original);
}
