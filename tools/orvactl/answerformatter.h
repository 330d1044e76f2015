#ifndef ANSWERFORMATTER_H
#define ANSWERFORMATTER_H

#include <QByteArray>
#include <QCoreApplication>
#include <QString>

// Turns the register's answer bytes into orvactl's output lines.
class AnswerFormatter
{
    Q_DECLARE_TR_FUNCTIONS(AnswerFormatter)
public:
    enum Outcome {
        Ok, // text: the lines for standard output
        Refused, // text: why the register said no (its error text)
        Unexpected, // text: what did not fit
    };
    struct Formatted
    {
        Outcome outcome = Unexpected;
        QString text;
        QString output; // what still goes to standard output when not Ok
    };

    // "mode=M submode=S serial=N cashier=C hall=H datetime=ISO", then the mode name.
    static Formatted state(const QByteArray &answer);
    // "cash=R" from the drawer answer 'M' + BCD(14) kopecks.
    static Formatted money(const QByteArray &answer);
    // "sales=R purchases=R" from 'U' 0x00 + two BCD(14) sums in kopecks.
    static Formatted shiftTotals(const QByteArray &answer);
    // The bytes in hex; an answer 'U' with a non-zero code is a refusal all the same.
    static Formatted raw(const QByteArray &answer);
    // An error result of the task: 'U', code, ... names the code.
    static Formatted refusal(const QByteArray &errorBytes);

    static QString roubles(const QByteArray &bcdKopecks);

private:
    // A bare 'U', code != 0: the command was refused.
    static bool isRefusal(const QByteArray &answer);
};

#endif // ANSWERFORMATTER_H
