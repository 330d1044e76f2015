#ifndef COMMANDSENDINFO_H
#define COMMANDSENDINFO_H

#include <QMetaType>

// What a builder queued: the task's TID and the device command code.
struct CommandSendInfo
{
    quint8 tid = 0;
    quint8 cmdCode = 0;

    bool operator==(const CommandSendInfo &o) const { return tid == o.tid && cmdCode == o.cmdCode; }
};

Q_DECLARE_METATYPE(CommandSendInfo)

#endif // COMMANDSENDINFO_H
