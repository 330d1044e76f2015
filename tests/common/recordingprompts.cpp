#include "recordingprompts.h"

RecordingPrompts::RecordingPrompts()
{
    UserPrompts::setHandler(this);
}

RecordingPrompts::~RecordingPrompts()
{
    UserPrompts::setHandler(nullptr);
}

UserPrompts::Reply RecordingPrompts::prompt(QWidget *, const UserPrompts::Request &request)
{
    requests.append(request);
    if (whileShown)
        whileShown(request);
    if (!m_answers.isEmpty())
        return m_answers.takeFirst();
    UserPrompts::Reply reply;
    reply.accepted = request.kind == UserPrompts::Question ? m_defaultAccepted
                                                           : request.kind != UserPrompts::TextInput;
    return reply;
}

void RecordingPrompts::queueAnswer(bool accepted, const QString &text)
{
    UserPrompts::Reply r;
    r.accepted = accepted;
    r.text = text;
    m_answers.append(r);
}
