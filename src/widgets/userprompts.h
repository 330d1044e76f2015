#ifndef USERPROMPTS_H
#define USERPROMPTS_H

#include <QString>

class QWidget;

// Every message box and input dialog of the program goes through here, so that a test, or
// an unattended run, can see what the user would have been shown and give the answer.
class UserPrompts
{
public:
    enum Kind { Information, Warning, Critical, Question, TextInput, SaveFileName, OpenFileName };

    struct Request
    {
        Kind kind = Information;
        QString title;
        QString text;
        QString initialText; // TextInput; proposed name of the file dialogs
        QString filter; // file dialogs only
    };

    struct Reply
    {
        bool accepted = false; // Yes, or OK of an input dialog
        QString text; // TextInput; the chosen file of the file dialogs
    };

    class Handler
    {
    public:
        virtual ~Handler() = default;
        virtual Reply prompt(QWidget *parent, const Request &request) = 0;
    };

    static void information(QWidget *parent, const QString &title, const QString &text);
    static void warning(QWidget *parent, const QString &title, const QString &text);
    static void critical(QWidget *parent, const QString &title, const QString &text);
    // Yes and No; true for Yes.
    static bool question(QWidget *parent, const QString &title, const QString &text);
    // A one-line text; a cancelled dialog gives an empty text and ok false.
    static QString getText(QWidget *parent, const QString &title, const QString &label,
        bool *ok = nullptr, const QString &initialText = QString());

    // A file name to write or to read; empty when cancelled.
    static QString getSaveFileName(QWidget *parent, const QString &caption,
        const QString &proposedName, const QString &filter);
    static QString getOpenFileName(
        QWidget *parent, const QString &caption, const QString &directory, const QString &filter);

    // Replaces the dialogs; nullptr restores them. The handler is not owned.
    static void setHandler(Handler *handler);
    static Handler *handler();

    static QString kindName(Kind kind);
};

#endif // USERPROMPTS_H
