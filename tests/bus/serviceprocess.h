#ifndef SERVICEPROCESS_H
#define SERVICEPROCESS_H

#include <QProcess>
#include <QStringList>

// orvaemu with its fiscal core service, run by a bus test: on a free ATOL port, its
// process reachable for signals.
class ServiceProcess
{
public:
    ~ServiceProcess();

    // Waits until both the bus and the ATOL port are served.
    bool start(const QStringList &arguments);
    void stop();
    quint16 port() const { return m_port; }
    qint64 processId() const { return m_process.processId(); }
    QString output() const { return m_output; }

private:
    QProcess m_process;
    QString m_output;
    quint16 m_port = 0;
};

#endif // SERVICEPROCESS_H
