#ifndef WIDGETRESOURCES_H
#define WIDGETRESOURCES_H

#include <QtGlobal>

// The icons live in a static library; a widget that shows one outside the main window
// (a test, say) must pull them in itself.
inline void initWidgetResources()
{
    Q_INIT_RESOURCE(resources);
}

#endif // WIDGETRESOURCES_H
