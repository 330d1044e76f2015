#include "serviceprocess.h"

#include "emulatorprocess.h"

#include <QDeadlineTimer>
#include <QRegularExpression>

#include <signal.h>

ServiceProcess::~ServiceProcess()
{
    stop();
}

bool ServiceProcess::start(const QStringList &arguments)
{
    m_process.setProcessChannelMode(QProcess::MergedChannels);
    m_process.start(EmulatorProcess::program(),
        QStringList { QStringLiteral("--port"), QStringLiteral("0") } + arguments);
    if (!m_process.waitForStarted(10000))
        return false;
    // The bus line comes first, the ATOL one last.
    const QRegularExpression listening(QStringLiteral("listening on 127\\.0\\.0\\.1:(\\d+)"));
    QDeadlineTimer deadline(20000);
    while (!deadline.hasExpired()) {
        m_process.waitForReadyRead(100);
        m_output += QString::fromLocal8Bit(m_process.readAll());
        const QRegularExpressionMatch m = listening.match(m_output);
        if (m.hasMatch()) {
            m_port = quint16(m.captured(1).toUInt());
            return true;
        }
        if (m_process.state() != QProcess::Running)
            return false;
    }
    return false;
}

void ServiceProcess::stop()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    // A stopped process would not hear the termination.
    ::kill(pid_t(m_process.processId()), SIGCONT);
    m_process.terminate();
    if (!m_process.waitForFinished(5000)) {
        m_process.kill();
        m_process.waitForFinished(5000);
    }
}
