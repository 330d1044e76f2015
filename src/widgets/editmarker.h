#ifndef EDITMARKER_H
#define EDITMARKER_H

class QWidget;

// The "not written yet" marker of the table editors: an icon and a text beside it.
class EditMarker
{
public:
    // Before setupUi(): the icon lives in a static library that nothing else may pull in
    // (a test that builds an editor without the main window).
    static void initResources();
    // The marker keeps its place while hidden, so the table does not jump when it shows.
    static void setUp(QWidget *icon, QWidget *text);
    static void setShown(QWidget *icon, QWidget *text, bool shown);
};

#endif // EDITMARKER_H
