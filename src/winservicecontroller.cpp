#include "winservicecontroller.h"

#include <QDebug>
#include <QDir>

#include <windows.h>

namespace {

// Closes a service manager handle at the end of its scope.
class Handle
{
public:
    explicit Handle(SC_HANDLE h = nullptr) : m_h(h) { }
    ~Handle()
    {
        if (m_h)
            CloseServiceHandle(m_h);
    }
    Handle(const Handle &) = delete;
    Handle &operator=(const Handle &) = delete;
    operator SC_HANDLE() const { return m_h; }
    explicit operator bool() const { return m_h != nullptr; }

private:
    SC_HANDLE m_h;
};

std::wstring wide(const QString &text)
{
    return text.toStdWString();
}

void warn(const char *what)
{
    qWarning() << what << "ERROR" << GetLastError();
}

// Waits while the service passes through a pending state.
bool waitFor(SC_HANDLE service, DWORD wanted)
{
    SERVICE_STATUS status {};
    for (int i = 0; i < 100; ++i) {
        if (!QueryServiceStatus(service, &status))
            return false;
        if (status.dwCurrentState == wanted)
            return true;
        Sleep(100);
    }
    return false;
}

} // namespace

WinServiceController::WinServiceController(const QString &name) : ServiceController(name) { }

bool WinServiceController::install(
    const QString &executable, const QString &account, const QString &password)
{
    Handle manager(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CREATE_SERVICE));
    if (!manager) {
        warn("SCM_OPEN_FAILED");
        return false;
    }
    const std::wstring name = wide(serviceName());
    const std::wstring path
        = wide(QLatin1Char('"') + QDir::toNativeSeparators(executable) + QLatin1Char('"'));
    const std::wstring user = wide(account);
    const std::wstring pass = wide(password);
    Handle service(CreateServiceW(manager, name.c_str(), name.c_str(), SERVICE_ALL_ACCESS,
        SERVICE_WIN32_OWN_PROCESS, SERVICE_AUTO_START, SERVICE_ERROR_NORMAL, path.c_str(), nullptr,
        nullptr, nullptr, account.isEmpty() ? nullptr : user.c_str(),
        account.isEmpty() ? nullptr : pass.c_str()));
    if (!service) {
        warn("SCM_CREATE_FAILED");
        return false;
    }
    return true;
}

bool WinServiceController::uninstall()
{
    Handle manager(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT));
    if (!manager)
        return false;
    Handle service(OpenServiceW(manager, wide(serviceName()).c_str(), DELETE));
    if (!service || !DeleteService(service)) {
        warn("SCM_DELETE_FAILED");
        return false;
    }
    return true;
}

bool WinServiceController::start()
{
    Handle manager(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT));
    if (!manager)
        return false;
    Handle service(
        OpenServiceW(manager, wide(serviceName()).c_str(), SERVICE_START | SERVICE_QUERY_STATUS));
    if (!service || !StartServiceW(service, 0, nullptr)) {
        warn("SCM_START_FAILED");
        return false;
    }
    return waitFor(service, SERVICE_RUNNING);
}

bool WinServiceController::stop()
{
    Handle manager(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT));
    if (!manager)
        return false;
    Handle service(
        OpenServiceW(manager, wide(serviceName()).c_str(), SERVICE_STOP | SERVICE_QUERY_STATUS));
    SERVICE_STATUS status {};
    if (!service || !ControlService(service, SERVICE_CONTROL_STOP, &status)) {
        warn("SCM_STOP_FAILED");
        return false;
    }
    return waitFor(service, SERVICE_STOPPED);
}

bool WinServiceController::isInstalled() const
{
    Handle manager(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT));
    if (!manager)
        return false;
    Handle service(OpenServiceW(manager, wide(serviceName()).c_str(), SERVICE_QUERY_STATUS));
    return bool(service);
}

bool WinServiceController::isRunning() const
{
    Handle manager(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT));
    if (!manager)
        return false;
    Handle service(OpenServiceW(manager, wide(serviceName()).c_str(), SERVICE_QUERY_STATUS));
    SERVICE_STATUS status {};
    if (!service || !QueryServiceStatus(service, &status))
        return false;
    return status.dwCurrentState == SERVICE_RUNNING;
}
