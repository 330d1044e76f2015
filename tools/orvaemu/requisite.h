#ifndef REQUISITE_H
#define REQUISITE_H

#include <QByteArray>
#include <QJsonObject>
#include <QVector>

// One fiscal requisite as the register receives it: tag and length little-endian, then the
// value. Structured requisites hold their members as nested TLVs in the value.
class Requisite
{
public:
    Requisite() = default;
    Requisite(quint16 tag, const QByteArray &value);

    quint16 tag() const { return m_tag; }
    QByteArray value() const { return m_value; }
    bool isStructure() const { return !m_members.isEmpty(); }
    QVector<Requisite> members() const { return m_members; }

    // The payload of the send-requisite command: 00 01 00, then one TLV that must fill it
    // exactly. False for anything else, or when a structure's members do not parse.
    static bool parseCommand(const QByteArray &payload, Requisite *out);
    // A run of nested TLVs filling the bytes exactly.
    static bool parseList(const QByteArray &bytes, QVector<Requisite> *out);
    static bool isStructureTag(quint16 tag);
    // Tags that describe the last registered position rather than the whole receipt.
    static bool isPositionTag(quint16 tag);
    // The refusal the register gives for a value that breaks the fiscal data rules (a
    // wrong size, a code out of its range, agent flags), members included; 0 when fine.
    quint8 valueError() const;

    QJsonObject toJson() const;
    static bool fromJson(const QJsonObject &object, Requisite *out);

private:
    quint16 m_tag = 0;
    QByteArray m_value;
    QVector<Requisite> m_members;
};

#endif // REQUISITE_H
