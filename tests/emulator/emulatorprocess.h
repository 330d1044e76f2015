#ifndef EMULATORPROCESS_H
#define EMULATORPROCESS_H

#include <QProcess>
#include <QStringList>

// orvaemu run by a test on a free loopback port.
class EmulatorProcess
{
public:
    EmulatorProcess() = default;
    ~EmulatorProcess();

    static QString program();

    // Starts it with --port 0 and the arguments, and waits until it listens.
    bool start(const QStringList &arguments);
    // Runs it to its end (for refusals at start): exit code, stdout and stderr.
    static int run(const QStringList &arguments, QString *out, QString *err);

    quint16 port() const { return m_port; }
    QString output() const { return m_output; }
    // Reads what it has printed so far.
    QString readOutput();
    bool isRunning() const { return m_process.state() == QProcess::Running; }
    void stop();

private:
    QProcess m_process;
    QString m_output;
    quint16 m_port = 0;
};

#endif // EMULATORPROCESS_H
