#ifndef BUSPAGETEST_H
#define BUSPAGETEST_H

#include "busfixture.h"
#include "recordingprompts.h"

#include <QtTest>

// The tests of the fiscal core's pages. QtTest runs these slots for a derived test class too;
// where it declares its own init or cleanup, QtTest runs that one instead.
class BusPageTest : public QObject, protected BusFixture
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        setUpProfile();
        setUpRoot();
    }
    void cleanupTestCase() { tearDownProfile(); }
    // A window on a fresh register, no prompt shown yet.
    void init()
    {
        m_prompts->clear();
        QVERIFY(startService());
        openWindow();
    }
    void cleanup() { closeWindow(); }

protected:
    // The one prompt shown, or none for an empty title.
    void expectPrompt(
        const QString &title, const QString &text, UserPrompts::Kind kind = UserPrompts::Critical)
    {
        if (title.isEmpty()) {
            QVERIFY2(m_prompts->count() == 0, qPrintable(m_prompts->last().text));
            return;
        }
        QCOMPARE(m_prompts->count(), 1);
        QCOMPARE(UserPrompts::kindName(m_prompts->last().kind), UserPrompts::kindName(kind));
        QCOMPARE(m_prompts->last().title, title);
        QCOMPARE(m_prompts->last().text, text);
    }
};

#endif // BUSPAGETEST_H
