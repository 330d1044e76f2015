#include "userprompts.h"

#include <QDebug>
#include <QFile>
#include <QFileDialog>
#include <QInputDialog>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMessageBox>

namespace {

class DialogHandler : public UserPrompts::Handler
{
public:
    UserPrompts::Reply prompt(QWidget *parent, const UserPrompts::Request &r) override
    {
        UserPrompts::Reply reply;
        switch (r.kind) {
        case UserPrompts::Information:
            QMessageBox::information(parent, r.title, r.text, QMessageBox::Ok);
            reply.accepted = true;
            break;
        case UserPrompts::Warning:
            QMessageBox::warning(parent, r.title, r.text, QMessageBox::Ok);
            reply.accepted = true;
            break;
        case UserPrompts::Critical:
            QMessageBox::critical(parent, r.title, r.text, QMessageBox::Ok);
            reply.accepted = true;
            break;
        case UserPrompts::Question:
            reply.accepted
                = QMessageBox::question(parent, r.title, r.text, QMessageBox::Yes | QMessageBox::No)
                == QMessageBox::Yes;
            break;
        case UserPrompts::TextInput:
            reply.text = QInputDialog::getText(
                parent, r.title, r.text, QLineEdit::Normal, r.initialText, &reply.accepted);
            break;
        case UserPrompts::SaveFileName:
            reply.text = QFileDialog::getSaveFileName(parent, r.title, r.initialText, r.filter);
            reply.accepted = !reply.text.isEmpty();
            break;
        case UserPrompts::OpenFileName:
            reply.text = QFileDialog::getOpenFileName(parent, r.title, r.initialText, r.filter);
            reply.accepted = !reply.text.isEmpty();
            break;
        }
        return reply;
    }
};

// Unattended runs: ORVACONFIG_PROMPT_LOG names a file that gets one JSON line per prompt;
// questions are answered by ORVACONFIG_PROMPT_ANSWER ("yes" or "no", default "no"); input
// and file dialogs are cancelled.
class FileLogHandler : public UserPrompts::Handler
{
public:
    explicit FileLogHandler(const QString &path) : m_path(path) { }

    UserPrompts::Reply prompt(QWidget *, const UserPrompts::Request &r) override
    {
        QFile f(m_path);
        if (f.open(QIODevice::WriteOnly | QIODevice::Append)) {
            const QJsonObject o { { QStringLiteral("kind"), UserPrompts::kindName(r.kind) },
                { QStringLiteral("title"), r.title }, { QStringLiteral("text"), r.text } };
            f.write(QJsonDocument(o).toJson(QJsonDocument::Compact) + '\n');
        }
        UserPrompts::Reply reply;
        reply.accepted = r.kind != UserPrompts::TextInput
            && (r.kind != UserPrompts::Question
                || qEnvironmentVariable("ORVACONFIG_PROMPT_ANSWER") == QLatin1String("yes"));
        return reply;
    }

private:
    QString m_path;
};

UserPrompts::Handler *&customHandler()
{
    static UserPrompts::Handler *h = nullptr;
    return h;
}

UserPrompts::Handler *activeHandler()
{
    if (customHandler())
        return customHandler();
    static const QString logPath = qEnvironmentVariable("ORVACONFIG_PROMPT_LOG");
    if (!logPath.isEmpty()) {
        static FileLogHandler fileHandler(logPath);
        return &fileHandler;
    }
    static DialogHandler dialogs;
    return &dialogs;
}

UserPrompts::Reply ask(QWidget *parent, UserPrompts::Kind kind, const QString &title,
    const QString &text, const QString &initial = QString(), const QString &filter = QString())
{
    UserPrompts::Request r;
    r.kind = kind;
    r.title = title;
    r.text = text;
    r.initialText = initial;
    r.filter = filter;
    qDebug().noquote() << "USER_PROMPT" << UserPrompts::kindName(kind) << title << text;
    return activeHandler()->prompt(parent, r);
}

} // namespace

void UserPrompts::information(QWidget *parent, const QString &title, const QString &text)
{
    ask(parent, Information, title, text);
}

void UserPrompts::warning(QWidget *parent, const QString &title, const QString &text)
{
    ask(parent, Warning, title, text);
}

void UserPrompts::critical(QWidget *parent, const QString &title, const QString &text)
{
    ask(parent, Critical, title, text);
}

bool UserPrompts::question(QWidget *parent, const QString &title, const QString &text)
{
    return ask(parent, Question, title, text).accepted;
}

QString UserPrompts::getText(QWidget *parent, const QString &title, const QString &label, bool *ok,
    const QString &initialText)
{
    const Reply reply = ask(parent, TextInput, title, label, initialText);
    if (ok)
        *ok = reply.accepted;
    return reply.accepted ? reply.text : QString();
}

QString UserPrompts::getSaveFileName(
    QWidget *parent, const QString &caption, const QString &proposedName, const QString &filter)
{
    const Reply reply = ask(parent, SaveFileName, caption, QString(), proposedName, filter);
    return reply.accepted ? reply.text : QString();
}

QString UserPrompts::getOpenFileName(
    QWidget *parent, const QString &caption, const QString &directory, const QString &filter)
{
    const Reply reply = ask(parent, OpenFileName, caption, QString(), directory, filter);
    return reply.accepted ? reply.text : QString();
}

void UserPrompts::setHandler(Handler *handler)
{
    customHandler() = handler;
}

UserPrompts::Handler *UserPrompts::handler()
{
    return activeHandler();
}

QString UserPrompts::kindName(Kind kind)
{
    switch (kind) {
    case Information:
        return QStringLiteral("information");
    case Warning:
        return QStringLiteral("warning");
    case Critical:
        return QStringLiteral("critical");
    case Question:
        return QStringLiteral("question");
    case TextInput:
        return QStringLiteral("text");
    case SaveFileName:
        return QStringLiteral("save-file");
    case OpenFileName:
        return QStringLiteral("open-file");
    }
    return QString();
}
