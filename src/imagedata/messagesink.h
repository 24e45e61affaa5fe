// Where the engines' user messages go. The window routes them to a modal message box;
// by default (tests, korvia-batch) they are written to stderr, one line each.
#pragma once
#include <QString>
#include <functional>

using messageSink = std::function<void(const QString &)>;

// Replaces the sink; an empty function restores the stderr default. Returns the previous sink.
messageSink setMessageSink(messageSink sink);

// Shows one message through the current sink.
void showMessage(const QString &text);
