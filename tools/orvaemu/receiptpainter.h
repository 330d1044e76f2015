#ifndef RECEIPTPAINTER_H
#define RECEIPTPAINTER_H

#include "receiptlayout.h"

#include <QImage>

// Puts the lines of a document on a strip of receipt paper, 600 pixels wide.
class ReceiptPainter
{
public:
    static const int WIDTH = 600;

    static QImage paint(const QVector<ReceiptLayout::Line> &lines);
};

#endif // RECEIPTPAINTER_H
