#include "atolsession.h"

#include "faultinjector.h"
#include "patol31.h"

#include <QDebug>
#include <QTcpSocket>

AtolSession::AtolSession(QTcpSocket *socket, RegisterModel *model, FaultInjector *faults,
    const Options &options, int number, QObject *parent)
    : QObject(parent),
      m_socket(socket),
      m_model(model),
      m_faults(faults),
      m_options(options),
      m_number(number)
{
    m_byteTimer.setSingleShot(true);
    m_byteTimer.setInterval(m_options.byteTimeoutMs);
    m_workTimer.setSingleShot(true);
    connect(&m_byteTimer, &QTimer::timeout, this, &AtolSession::byteTimeout);
    connect(&m_workTimer, &QTimer::timeout, this, &AtolSession::deliver);
    connect(m_socket, &QTcpSocket::readyRead, this, &AtolSession::readBytes);
}

void AtolSession::log(const char *direction, quint8 id, const QByteArray &payload, const char *note)
{
    if (!m_options.logFrames)
        return;
    qInfo().noquote() << QStringLiteral("[%1] %2 id=%3 %4%5")
                             .arg(m_number)
                             .arg(QLatin1String(direction))
                             .arg(id, 2, 16, QLatin1Char('0'))
                             .arg(QString::fromLatin1(payload.toHex(' ')))
                             .arg(note ? QStringLiteral(" (%1)").arg(QLatin1String(note))
                                       : QString());
}

void AtolSession::readBytes()
{
    const QByteArray bytes = m_socket->readAll();
    for (const char c : bytes)
        feed(quint8(c));
    if (m_parser.state() == Atol31FrameParser::Hunting)
        m_byteTimer.stop();
    else
        m_byteTimer.start();
}

void AtolSession::byteTimeout()
{
    if (m_parser.state() == Atol31FrameParser::Hunting)
        return;
    log("<<", m_parser.id(), m_attempt, "partial frame dropped after silence");
    m_parser.reset();
    m_attempt.clear();
}

void AtolSession::feed(quint8 byte)
{
    if (m_parser.state() == Atol31FrameParser::Hunting && byte != Atol31FrameParser::STX)
        return; // line noise between frames
    m_attempt.append(char(byte));
    const Atol31FrameParser::Result r = m_parser.feed(byte);
    if (r == Atol31FrameParser::NeedMore)
        return;
    const QByteArray attempt = m_attempt;
    m_attempt.clear();
    if (r == Atol31FrameParser::Complete) {
        handleFrame(m_parser.id(), m_parser.payload());
        return;
    }
    log("<<", m_parser.id(), attempt, "bad frame");
    // Hunt again from the next STX inside the failed attempt (it may be the start of a
    // good frame that garbage had swallowed).
    const int next = attempt.indexOf(char(Atol31FrameParser::STX), 1);
    if (next > 0) {
        const QByteArray replay = attempt.mid(next);
        for (const char c : replay)
            feed(quint8(c));
    }
}

void AtolSession::handleFrame(quint8 id, const QByteArray &payload)
{
    switch (m_faults ? m_faults->next() : FaultInjector::None) {
    case FaultInjector::Drop:
        log("<<", id, payload, "dropped");
        return;
    case FaultInjector::Corrupt:
        // The codec would reject it for its CRC; to the link that is the same as a loss.
        log("<<", id, payload, "corrupted");
        return;
    case FaultInjector::None:
        break;
    }
    log("<<", id, payload, nullptr);
    if (payload.isEmpty()) {
        send(id, QByteArray(1, char(IllegalValue)));
        return;
    }
    switch (quint8(payload.at(0))) {
    case 0xC1:
        addTask(id, payload);
        break;
    case 0xC2:
        acknowledge(payload);
        break;
    case 0xC3:
        request(id, payload);
        break;
    case 0xC4:
        abortAll(id);
        break;
    default:
        send(id, QByteArray(1, char(IllegalValue)));
        break;
    }
}

int AtolSession::indexOf(quint8 tid) const
{
    for (int i = 0; i < m_tasks.size(); ++i) {
        if (m_tasks.at(i).tid == tid)
            return i;
    }
    return -1;
}

void AtolSession::addTask(quint8 id, const QByteArray &payload)
{
    // C1, flags, TID, password (2), command code, command payload
    if (payload.size() < 6) {
        send(id, QByteArray(1, char(IllegalValue)));
        return;
    }
    const quint8 tid = quint8(payload.at(2));
    ++m_added;
    for (int i = m_tasks.size() - 1; i >= 0; --i) {
        const Task &t = m_tasks.at(i);
        if (t.state == Task::Done && m_added - t.sequence > quint64(STALE_AFTER))
            m_tasks.removeAt(i);
    }
    QByteArray answer(2, '\0');
    answer[1] = char(tid);
    const int existing = indexOf(tid);
    if (existing >= 0) {
        // A resend: the task runs once, whatever happened to our answers. It is answered
        // with the task's state as a REQ would be, so a client that takes the answer for
        // one to its REQ still learns the truth about this task.
        send(id, statusOf(m_tasks.at(existing)));
        return;
    }
    if (m_tasks.size() >= CAPACITY) {
        answer[0] = char(Overflow);
        send(id, answer);
        return;
    }
    Task task;
    task.tid = tid;
    task.command = payload.mid(5);
    task.sequence = m_added;
    m_tasks.append(task);
    answer[0] = char(Pending);
    send(id, answer);
    runNext();
}

void AtolSession::runNext()
{
    for (const Task &t : qAsConst(m_tasks)) {
        if (t.state == Task::Busy)
            return;
    }
    for (Task &t : m_tasks) {
        if (t.state != Task::Waiting)
            continue;
        t.state = Task::Busy;
        t.answer = m_model->execute(t.command);
        if (isStuckRequisite(t.command)) {
            t.stuck = true;
            qInfo().noquote() << QStringLiteral(
                "[%1] task %2: requisite %3 stored, result withheld")
                                     .arg(m_number)
                                     .arg(t.tid)
                                     .arg(m_options.stuckRequisiteTag);
            return;
        }
        if (m_options.delayMs > 0)
            m_workTimer.start(m_options.delayMs);
        else
            deliver();
        return;
    }
}

bool AtolSession::isStuckRequisite(const QByteArray &command) const
{
    // E8, 00 01 00, tag little-endian, ...
    if (m_options.stuckRequisiteTag < 0 || command.size() < 6 || quint8(command.at(0)) != 0xE8)
        return false;
    const int tag = quint8(command.at(4)) | (quint8(command.at(5)) << 8);
    return tag == m_options.stuckRequisiteTag;
}

void AtolSession::deliver()
{
    for (Task &t : m_tasks) {
        if (t.state != Task::Busy || t.stuck)
            continue;
        t.state = Task::Done;
        if (m_options.answers == Async) {
            QByteArray frame(2, '\0');
            frame[0] = char(t.answer.refused ? AsyncError : AsyncResult);
            frame[1] = char(t.tid);
            send(ASYNC_FRAME_ID, frame + t.answer.bytes);
        }
        break;
    }
    runNext();
}

void AtolSession::request(quint8 id, const QByteArray &payload)
{
    if (payload.size() < 2) {
        send(id, QByteArray(1, char(IllegalValue)));
        return;
    }
    const quint8 tid = quint8(payload.at(1));
    const int i = indexOf(tid);
    QByteArray answer(2, '\0');
    answer[0] = char(NotFound);
    answer[1] = char(tid);
    if (i >= 0)
        answer = statusOf(m_tasks.at(i));
    send(id, answer);
}

QByteArray AtolSession::statusOf(const Task &task) const
{
    QByteArray answer(2, '\0');
    answer[1] = char(task.tid);
    switch (task.state) {
    case Task::Waiting:
        answer[0] = char(Pending);
        break;
    case Task::Busy:
        answer[0] = char(InProgress);
        break;
    case Task::Done:
        answer = QByteArray(1, char(task.answer.refused ? Error : Result)) + task.answer.bytes;
        break;
    }
    return answer;
}

void AtolSession::acknowledge(const QByteArray &payload)
{
    if (payload.size() < 2)
        return;
    const int i = indexOf(quint8(payload.at(1)));
    if (i >= 0 && m_tasks.at(i).state == Task::Done)
        m_tasks.removeAt(i);
}

void AtolSession::abortAll(quint8 id)
{
    // A busy command has already run on the register; only its result is thrown away.
    m_workTimer.stop();
    m_tasks.clear();
    send(id, QByteArray(1, char(Aborted)));
}

void AtolSession::send(quint8 id, const QByteArray &payload)
{
    QByteArray frame = PAtol31::buildFrame(id, payload);
    switch (m_faults ? m_faults->next() : FaultInjector::None) {
    case FaultInjector::Drop:
        log(">>", id, payload, "dropped");
        return;
    case FaultInjector::Corrupt:
        log(">>", id, payload, "corrupted");
        frame = m_faults->corrupt(frame);
        break;
    case FaultInjector::None:
        log(">>", id, payload, nullptr);
        break;
    }
    m_socket->write(frame);
}
