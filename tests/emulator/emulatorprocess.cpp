#include "emulatorprocess.h"

#include <QDeadlineTimer>
#include <QRegularExpression>

EmulatorProcess::~EmulatorProcess()
{
    stop();
}

QString EmulatorProcess::program()
{
    return QStringLiteral(ORVAEMU_PATH);
}

bool EmulatorProcess::start(const QStringList &arguments)
{
    m_process.setProcessChannelMode(QProcess::MergedChannels);
    m_process.start(
        program(), QStringList { QStringLiteral("--port"), QStringLiteral("0") } + arguments);
    if (!m_process.waitForStarted(10000))
        return false;
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

QString EmulatorProcess::readOutput()
{
    m_output += QString::fromLocal8Bit(m_process.readAll());
    return m_output;
}

void EmulatorProcess::stop()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.terminate();
    if (!m_process.waitForFinished(5000)) {
        m_process.kill();
        m_process.waitForFinished(5000);
    }
}

int EmulatorProcess::run(const QStringList &arguments, QString *out, QString *err)
{
    QProcess p;
    p.start(program(), arguments);
    if (!p.waitForFinished(20000)) {
        p.kill();
        p.waitForFinished();
        return -1;
    }
    *out = QString::fromLocal8Bit(p.readAllStandardOutput());
    *err = QString::fromLocal8Bit(p.readAllStandardError());
    return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
}
