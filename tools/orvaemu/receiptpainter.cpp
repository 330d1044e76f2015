#include "receiptpainter.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPainterPath>

namespace {

const int MARGIN = 28;
const int TEAR = 10; // height of the torn edge at both ends
const int GAP = 12; // between the two halves of a pair
const QColor INK(25, 25, 35);
const QColor PAPER(255, 255, 252);

QFont fontFor(const ReceiptLayout::Line &line)
{
    QFont f(QStringLiteral("DejaVu Sans Mono"));
    f.setStyleHint(QFont::Monospace);
    f.setPixelSize(line.large ? 22 : 17);
    f.setBold(line.bold);
    return f;
}

// Lays out (paint false) or draws one line; the height it takes either way.
int drawLine(QPainter *p, const ReceiptLayout::Line &line, int y, bool paint)
{
    const int width = ReceiptPainter::WIDTH - 2 * MARGIN;
    if (line.kind == ReceiptLayout::Line::Rule) {
        if (paint) {
            QPen pen(INK, 1, Qt::DashLine);
            p->setPen(pen);
            p->drawLine(MARGIN, y + 7, MARGIN + width, y + 7);
        }
        return 14;
    }
    const QFont font = fontFor(line);
    const QFontMetrics fm(font);
    p->setFont(font);
    p->setPen(INK);
    const int flags = Qt::TextWordWrap | (line.centered ? Qt::AlignHCenter : Qt::AlignLeft);
    if (line.kind == ReceiptLayout::Line::Text) {
        const QRect box = fm.boundingRect(QRect(MARGIN, y, width, 10000), flags, line.left);
        if (paint)
            p->drawText(QRect(MARGIN, y, width, box.height()), flags, line.left);
        return box.height() + 2;
    }
    // A little slack: the measured advance alone makes the last word wrap.
    const int rightWidth = qMin(fm.horizontalAdvance(line.right) + 4, width / 2);
    const QRect rightBox = fm.boundingRect(
        QRect(0, 0, rightWidth, 10000), Qt::TextWordWrap | Qt::AlignRight, line.right);
    const QRect leftBox
        = fm.boundingRect(QRect(MARGIN, y, width - rightWidth - GAP, 10000), flags, line.left);
    const int height = qMax(leftBox.height(), rightBox.height());
    if (paint) {
        p->drawText(QRect(MARGIN, y, width - rightWidth - GAP, height), flags, line.left);
        p->drawText(QRect(MARGIN + width - rightWidth, y, rightWidth, height),
            Qt::TextWordWrap | Qt::AlignRight | Qt::AlignBottom, line.right);
    }
    return height + 2;
}

QPainterPath paperOutline(int height)
{
    QPainterPath path;
    const int w = ReceiptPainter::WIDTH;
    const int step = 12;
    path.moveTo(0, TEAR);
    for (int x = 0; x < w; x += step) {
        path.lineTo(x + step / 2, 0);
        path.lineTo(qMin(x + step, w), TEAR);
    }
    path.lineTo(w, height - TEAR);
    for (int x = w; x > 0; x -= step) {
        path.lineTo(x - step / 2, height);
        path.lineTo(qMax(x - step, 0), height - TEAR);
    }
    path.closeSubpath();
    return path;
}

} // namespace

QImage ReceiptPainter::paint(const QVector<ReceiptLayout::Line> &lines)
{
    // The first pass only measures: the strip is as long as its text.
    QImage probe(1, 1, QImage::Format_ARGB32_Premultiplied);
    int height = TEAR + MARGIN;
    {
        QPainter p(&probe);
        for (const ReceiptLayout::Line &l : lines)
            height += drawLine(&p, l, height, false);
    }
    height += MARGIN + TEAR;

    QImage image(WIDTH, height, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    p.fillPath(paperOutline(height), PAPER);
    p.setPen(QPen(QColor(200, 200, 195), 1));
    p.drawPath(paperOutline(height));
    int y = TEAR + MARGIN;
    for (const ReceiptLayout::Line &l : lines)
        y += drawLine(&p, l, y, true);
    return image;
}
