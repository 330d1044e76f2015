#include "editmarker.h"

#include <QWidget>

void EditMarker::initResources()
{
    Q_INIT_RESOURCE(resources);
}

void EditMarker::setUp(QWidget *icon, QWidget *text)
{
    for (QWidget *w : { icon, text }) {
        QSizePolicy policy = w->sizePolicy();
        policy.setRetainSizeWhenHidden(true);
        w->setSizePolicy(policy);
    }
}

void EditMarker::setShown(QWidget *icon, QWidget *text, bool shown)
{
    icon->setVisible(shown);
    text->setVisible(shown);
}
