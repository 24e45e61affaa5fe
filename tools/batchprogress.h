// What a batch of photos tells while it runs: on a terminal a progress bar on stderr (done/total,
// photos a second, time left) with each failure on a line above it; elsewhere one line per photo
// on stdout. With --report, one JSON line per photo (input, output, status, seconds, message).
// Calls may come from several threads.
#pragma once
#include <QString>

#include <chrono>
#include <cstdio>
#include <mutex>

class batchProgress {
public:
    // Throws imageError when report (non-empty) cannot be written.
    batchProgress(int total, const QString &report);
    ~batchProgress();
    batchProgress(const batchProgress &) = delete;
    batchProgress &operator=(const batchProgress &) = delete;

    // One photo has ended: written to output, or failed with problem. A note of a photo done goes
    // to stderr and into the report's message.
    void photoDone(const QString &input, const QString &output, const QString &problem, double seconds,
                   const QString &note = QString());
    // The last line: the bar ended, failures counted on stderr. False when the report could not
    // be written in full.
    bool finish();

private:
    void drawBar();

    std::mutex lock;
    int total = 0, done = 0, failed = 0;
    bool terminal = false, reportFailed = false;
    std::FILE *report = nullptr;
    QString reportName;
    std::chrono::steady_clock::time_point start = std::chrono::steady_clock::now();
};

// The bar's text: "[#####-----] 12/40  2.3 枚/秒  残り 0:12" for width characters of bar.
QString progressBarText(int done, int total, double seconds, int width);
