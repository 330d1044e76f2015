#ifndef SENDBUFFERCOMMAND_H
#define SENDBUFFERCOMMAND_H

#include <QByteArray>
#include <QMetaType>

// One task of the send buffer: an add-task record (0xC1 ...) with its identifiers.
struct SendBufferCommand
{
    quint8 id = 0; // frame identifier of the add-task record, reused on every resend
    quint8 tid = 0; // task identifier
    QByteArray data;
    // Progress marks for the log; no decision reads them.
    bool sent = false;
    bool accepted = false;
    bool resent = false;
};

Q_DECLARE_METATYPE(SendBufferCommand)

#endif // SENDBUFFERCOMMAND_H
