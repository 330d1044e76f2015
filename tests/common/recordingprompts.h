#ifndef RECORDINGPROMPTS_H
#define RECORDINGPROMPTS_H

#include "userprompts.h"

#include <QList>

#include <functional>

// Takes the place of every dialog while it lives: records what would have been shown and
// answers from a queue (questions: the default answer when the queue is empty).
class RecordingPrompts : public UserPrompts::Handler
{
public:
    RecordingPrompts();
    ~RecordingPrompts() override;

    UserPrompts::Reply prompt(QWidget *parent, const UserPrompts::Request &request) override;

    void queueAnswer(bool accepted, const QString &text = QString());
    void setDefaultAnswer(bool accepted) { m_defaultAccepted = accepted; }
    // Runs while the prompt is "shown"; a test may spin an event loop here, as a real box does.
    std::function<void(const UserPrompts::Request &)> whileShown;

    QList<UserPrompts::Request> requests;
    int count() const { return requests.size(); }
    UserPrompts::Request last() const
    {
        return requests.isEmpty() ? UserPrompts::Request() : requests.last();
    }
    void clear() { requests.clear(); }

private:
    QList<UserPrompts::Reply> m_answers;
    bool m_defaultAccepted = false;
};

#endif // RECORDINGPROMPTS_H
