// Drives the controller's answer routing with arbitrary frames, interleaved with timer
// ticks, new tasks and buffer clears, without a transport worker. Besides the sanitizers it
// checks the promise the routing exists for: a result or error only ever reaches the task
// at the head of the buffer, each task at most once, a clear ends every queued task with an
// error in queue order, and every frame goes out with an identifier 1..222.
//
// Input: records of [op][length][length bytes]. Ops 0xF1..0xF6 are actions (see below);
// every other op is the identifier of an answer frame whose payload follows.

#include "frcommandscontroller.h"

#include <QCoreApplication>
#include <QList>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdlib>

namespace {

enum Action : quint8 {
    ActReqTick = 0xF1,
    ActResendTick = 0xF2,
    ActQueueState = 0xF3,
    ActQueueCommand = 0xF4,
    ActClear = 0xF5,
    ActForceStop = 0xF6,
};

// TIDs start over at 1 after 222 tasks; staying well below keeps every queued TID unique.
const int MAX_TASKS = 150;

// The buffer as the caller sees it: TIDs in queue order.
class Model
{
public:
    void queued(quint8 tid) { m_tids.append(tid); }
    // After a clear nothing may be left waiting.
    void expectEmpty() const
    {
        if (!m_tids.isEmpty())
            abort();
    }
    void expectHead(quint8 tid) const
    {
        if (m_tids.isEmpty() || m_tids.first() != tid)
            abort();
    }
    void finished(quint8 tid)
    {
        expectHead(tid);
        m_tids.removeFirst();
    }

private:
    QList<quint8> m_tids;
};

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &) {});
    // Builders may read the link settings; keep them away from any real profile.
    static QTemporaryDir profile;
    qputenv("ALLUSERSPROFILE", profile.path().toLocal8Bit());
    // Timers need an event dispatcher; the loop itself never runs, so they never fire.
    static QCoreApplication app(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FrCommandsController ctl;
    Model model;
    int tasks = 0;

    QObject::connect(&ctl, &FrCommandsController::needSendCommand, [](quint8 id, QByteArray) {
        if (id == 0 || id > 222)
            abort();
    });
    const auto finished = [&model](quint8 tid, QByteArray) { model.finished(tid); };
    QObject::connect(&ctl, &FrCommandsController::assyncAnswer, finished);
    QObject::connect(&ctl, &FrCommandsController::assyncError, finished);
    QObject::connect(&ctl, &FrCommandsController::frStateReceived,
        [&model](FrStateCommandAnswer s) { model.finished(s.tid()); });
    QObject::connect(&ctl, &FrCommandsController::frStateReceivedGlobal,
        [&model](FrStateCommandAnswer s) { model.expectHead(s.tid()); });

    // A state request of each kind and a plain command, so that every route has a target.
    model.queued(ctl.sendGetFrStateCommand(true));
    model.queued(ctl.sendGetFrStateCommand(false));
    model.queued(ctl.sendGetFrMoneyCommand().tid);
    tasks = 3;

    size_t pos = 0;
    while (pos + 2 <= size) {
        const quint8 op = data[pos];
        const size_t len = qMin<size_t>(data[pos + 1], size - pos - 2);
        const QByteArray payload(reinterpret_cast<const char *>(data + pos + 2), int(len));
        pos += 2 + len;

        switch (op) {
        case ActReqTick:
            ctl.doSendReq();
            break;
        case ActResendTick:
            ctl.waitSendAnserTimoutHandler();
            break;
        case ActQueueState:
            if (tasks++ < MAX_TASKS)
                model.queued(ctl.sendGetFrStateCommand(!payload.isEmpty() && payload.at(0) & 1));
            break;
        case ActQueueCommand:
            if (tasks++ < MAX_TASKS) {
                const quint8 code = payload.isEmpty() ? 0x3F : quint8(payload.at(0));
                model.queued(ctl.sendFrCommand(code, payload.mid(1)).tid);
            }
            break;
        case ActClear:
            ctl.sendClearBufferCommand();
            model.expectEmpty();
            break;
        case ActForceStop:
            ctl.forceStopAll();
            model.expectEmpty();
            break;
        default:
            ctl.answerReceiveHandler(op, payload);
            break;
        }
    }
    return 0;
}
