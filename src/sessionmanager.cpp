#include "sessionmanager.h"

SessionManager::SessionManager(QObject *parent) : QObject(parent) { }
