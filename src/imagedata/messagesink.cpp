#include "messagesink.h"

#include <cstdio>
#include <utility>

namespace {
messageSink &currentSink()
{
    static messageSink sink;
    return sink;
}
}

messageSink setMessageSink(messageSink sink)
{
    return std::exchange(currentSink(), std::move(sink));
}

void showMessage(const QString &text)
{
    if (currentSink()) {
        currentSink()(text);
        return;
    }
    std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
}
