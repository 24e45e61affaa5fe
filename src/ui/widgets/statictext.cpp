#include "statictext.h"

#include <QFontMetrics>
#include <QPainter>
#include <QTextLayout>
#include <QTextOption>

void staticText::setCaption(const QString &text)
{
    label->setText(text);
}

QString staticText::caption() const
{
    return label->text();
}

QStringList fittedLabel::shownLines() const
{
    const QString all = text();
    QStringList lines;
    if (all.isEmpty()) return lines;
    const QRect area = contentsRect();
    const QFontMetrics metrics(font());
    const int width = std::max(1, area.width());
    const int room = std::max(1, area.height() / std::max(1, metrics.lineSpacing()));

    QTextLayout layout(all, font());
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    layout.beginLayout();
    int start = 0;
    while (start < all.size()) {
        QTextLine line = layout.createLine();
        if (!line.isValid()) break;
        line.setLineWidth(width);
        if (int(lines.size()) == room - 1) {
            // The last line there is room for takes the rest, shortened when it is too long.
            lines << metrics.elidedText(all.mid(start), Qt::ElideMiddle, width);
            start = int(all.size());
            break;
        }
        const int length = std::max(1, line.textLength());
        lines << all.mid(start, length);
        start += length;
    }
    layout.endLayout();
    for (QString &line : lines)
        while (line.endsWith(QLatin1Char(' '))) line.chop(1);
    return lines;
}

bool fittedLabel::showsAll() const
{
    const QString all = text();
    QString shown;
    const QStringList lines = shownLines();
    for (const QString &line : lines) shown += line;
    QString compact = all;
    compact.remove(QLatin1Char(' '));
    shown.remove(QLatin1Char(' '));
    return shown == compact;
}

void fittedLabel::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    drawFrame(&painter);
    const QStringList lines = shownLines();
    const QString tip = showsAll() ? QString() : text();
    if (toolTip() != tip) setToolTip(tip);
    if (lines.isEmpty()) return;

    const QRect area = contentsRect();
    const QFontMetrics metrics(font());
    const int used = int(lines.size()) * metrics.lineSpacing();
    int y = area.top();
    if (alignment() & Qt::AlignVCenter) y += std::max(0, (area.height() - used) / 2);
    else if (alignment() & Qt::AlignBottom) y += std::max(0, area.height() - used);
    const int horizontal = int(alignment() & Qt::AlignHorizontal_Mask);
    painter.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, foregroundRole()));
    painter.setFont(font());
    for (const QString &line : lines) {
        painter.drawText(QRect(area.left(), y, area.width(), metrics.lineSpacing()),
                         (horizontal ? horizontal : int(Qt::AlignLeft)) | Qt::AlignVCenter, line);
        y += metrics.lineSpacing();
    }
}
