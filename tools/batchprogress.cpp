#include "batchprogress.h"
#include "batchtexts.h"

#include "imagedata/filenames.h"
#include "imagedata/imageerror.h"

#include <QFile>

#include <cerrno>
#include <cmath>
#include <cstring>
#include <unistd.h>

namespace {
QString clock(double seconds)
{
    const long long s = static_cast<long long>(seconds + 0.5);
    if (s >= 3600)
        return QStringLiteral("%1:%2:%3").arg(s / 3600).arg(s / 60 % 60, 2, 10, QLatin1Char('0')).arg(s % 60, 2, 10, QLatin1Char('0'));
    return QStringLiteral("%1:%2").arg(s / 60).arg(s % 60, 2, 10, QLatin1Char('0'));
}

void putLine(std::FILE *to, const QString &text)
{
    std::fprintf(to, "%s\n", printableName(text).toLocal8Bit().constData());
    std::fflush(to);
}
} // namespace

QString progressBarText(int done, int total, double seconds, int width)
{
    const int filled = total > 0 ? int(static_cast<long long>(done) * width / total) : width;
    QString text = QStringLiteral("[") + QString(filled, QLatin1Char('#')) + QString(width - filled, QLatin1Char('-')) +
                   QStringLiteral("] %1/%2").arg(done).arg(total);
    if (done > 0 && seconds > 0) {
        const double rate = done / seconds;
        text += batchTexts::tr("  %1 枚/秒  残り %2").arg(QString::number(rate, 'f', 1), clock((total - done) / rate));
    }
    return text;
}

batchProgress::batchProgress(int total, const QString &reportFile) : total(total), reportName(reportFile)
{
    terminal = ::isatty(STDERR_FILENO) == 1;
    if (!reportFile.isEmpty()) {
        report = std::fopen(QFile::encodeName(reportFile).constData(), "w");
        if (!report)
            throw imageError(batchTexts::tr("%1: 報告ファイルを書けません: ").arg(printableName(reportFile)) +
                             QString::fromLocal8Bit(std::strerror(errno)));
    }
    if (terminal) drawBar();
}

batchProgress::~batchProgress()
{
    if (report) std::fclose(report);
}

void batchProgress::drawBar()
{
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::fprintf(stderr, "\r\033[K%s", progressBarText(done, total, seconds, 30).toLocal8Bit().constData());
    std::fflush(stderr);
}

void batchProgress::photoDone(const QString &input, const QString &output, const QString &problem, double seconds,
                              const QString &note)
{
    const std::lock_guard<std::mutex> hold(lock);
    ++done;
    if (!problem.isEmpty()) ++failed;
    const QString counter = QStringLiteral("[%1/%2] ").arg(done).arg(total);
    if (problem.isEmpty() && !note.isEmpty()) {
        if (terminal) std::fputs("\r\033[K", stderr);
        putLine(stderr, QStringLiteral("korvia-batch: ") + input + QStringLiteral(": ") + note);
    }
    if (terminal) {
        if (!problem.isEmpty()) {
            std::fputs("\r\033[K", stderr);
            putLine(stderr, QStringLiteral("korvia-batch: ") + input + QStringLiteral(": ") + problem);
        }
        drawBar();
    } else if (problem.isEmpty()) {
        putLine(stdout, batchTexts::tr("%1完了 %2 -> %3 (%4 秒)")
                            .arg(counter, input, output, QString::number(seconds, 'f', 2)));
    } else {
        putLine(stdout, batchTexts::tr("%1失敗 %2: %3").arg(counter, input, problem));
    }
    if (report) {
        QByteArray line = "{\"input\":" + jsonString(input) + ",\"output\":" + jsonString(output) +
                          ",\"status\":" + (problem.isEmpty() ? "\"done\"" : "\"failed\"") +
                          ",\"seconds\":" + QByteArray::number(seconds, 'f', 3) +
                          ",\"message\":" + jsonString(problem.isEmpty() ? note : problem) + "}\n";
        if (std::fwrite(line.constData(), 1, std::size_t(line.size()), report) != std::size_t(line.size()) ||
            std::fflush(report) != 0) {
            std::fclose(report);
            report = nullptr;
            reportFailed = true;
            putLine(stderr, QStringLiteral("korvia-batch: ") + batchTexts::tr("%1: 報告ファイルに書き込めません。").arg(reportName));
        }
    }
}

bool batchProgress::finish()
{
    const std::lock_guard<std::mutex> hold(lock);
    if (terminal) std::fputs("\n", stderr);
    if (failed > 0)
        putLine(stderr, batchTexts::tr("korvia-batch: %1 枚中 %2 枚が失敗しました。").arg(QString::number(total), QString::number(failed)));
    std::fflush(stdout);
    if (report && std::fclose(report) != 0) reportFailed = true;
    report = nullptr;
    return !reportFailed;
}

QByteArray jsonString(const QString &text)
{
    QString out = QStringLiteral("\"");
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u == u'"' || u == u'\\') {
            out += QLatin1Char('\\');
            out += c;
        } else if (u < 0x20 || u == 0x7f) {
            out += QStringLiteral("\\u%1").arg(unsigned(u), 4, 16, QLatin1Char('0'));
        } else {
            out += c; // surrogate pairs stay together and become one UTF-8 sequence
        }
    }
    out += QLatin1Char('"');
    return out.toUtf8();
}
