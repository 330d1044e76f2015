#include "answerformatter.h"

#include "bcd.h"
#include "fixnumber.h"
#include "franswers.h"

namespace {

const char RESULT_TAG = 0x55; // 'U'
const char STATE_TAG = 0x44; // 'D'
const char MONEY_TAG = 0x4D; // 'M'
const int STATE_SIZE = 18;
const int SUM_SIZE = 7; // BCD(14)

AnswerFormatter::Formatted ok(const QString &text)
{
    AnswerFormatter::Formatted f;
    f.outcome = AnswerFormatter::Ok;
    f.text = text;
    return f;
}

AnswerFormatter::Formatted unexpected(const QString &what, const QByteArray &answer)
{
    AnswerFormatter::Formatted f;
    f.outcome = AnswerFormatter::Unexpected;
    f.text = what.arg(QString::fromLatin1(answer.toHex()));
    return f;
}

} // namespace

bool AnswerFormatter::isRefusal(const QByteArray &answer)
{
    return answer.size() >= 2 && answer.at(0) == RESULT_TAG && answer.at(1) != 0;
}

QString AnswerFormatter::roubles(const QByteArray &bcdKopecks)
{
    return qt5ext::FixNumber(100, qint64(qt5ext::BCD::bcd2int(bcdKopecks))).toString();
}

AnswerFormatter::Formatted AnswerFormatter::refusal(const QByteArray &errorBytes)
{
    Formatted f;
    f.outcome = Refused;
    if (errorBytes.size() >= 2 && errorBytes.at(0) == RESULT_TAG)
        f.text = errorCodeText(quint8(errorBytes.at(1)));
    else if (!errorBytes.isEmpty())
        f.text = tr("The register refused the command (%1)")
                     .arg(QString::fromLatin1(errorBytes.toHex()));
    else
        f.text = tr("The register refused the command");
    return f;
}

AnswerFormatter::Formatted AnswerFormatter::state(const QByteArray &answer)
{
    if (isRefusal(answer))
        return refusal(answer);
    if (answer.size() < STATE_SIZE || answer.at(0) != STATE_TAG)
        return unexpected(tr("Unexpected state answer: %1"), answer);
    FrStateCommandAnswer s;
    s.parseState(answer);
    const QDateTime when = s.dateTime();
    const QString name = modeName(s.mode());
    return ok(QStringLiteral("mode=%1 submode=%2 serial=%3 cashier=%4 hall=%5 datetime=%6\n%7\n")
                  .arg(s.mode())
                  .arg(s.submode())
                  .arg(s.serialNumber())
                  .arg(s.cashierNumber())
                  .arg(s.hallNumber())
                  .arg(when.isNull() ? QStringLiteral("-") : when.toString(Qt::ISODate))
                  .arg(name.isEmpty() ? QStringLiteral("-") : name));
}

AnswerFormatter::Formatted AnswerFormatter::money(const QByteArray &answer)
{
    if (isRefusal(answer))
        return refusal(answer);
    if (answer.size() < 1 + SUM_SIZE || answer.at(0) != MONEY_TAG)
        return unexpected(tr("Unexpected drawer answer: %1"), answer);
    return ok(QStringLiteral("cash=%1\n").arg(roubles(answer.mid(1, SUM_SIZE))));
}

AnswerFormatter::Formatted AnswerFormatter::shiftTotals(const QByteArray &answer)
{
    if (isRefusal(answer))
        return refusal(answer);
    if (answer.size() < 2 + 2 * SUM_SIZE || answer.at(0) != RESULT_TAG)
        return unexpected(tr("Unexpected shift totals answer: %1"), answer);
    return ok(
        QStringLiteral("sales=%1 purchases=%2\n")
            .arg(roubles(answer.mid(2, SUM_SIZE)), roubles(answer.mid(2 + SUM_SIZE, SUM_SIZE))));
}

AnswerFormatter::Formatted AnswerFormatter::raw(const QByteArray &answer)
{
    const QString line = QString::fromLatin1(answer.toHex()) + QLatin1Char('\n');
    if (!isRefusal(answer))
        return ok(line);
    Formatted f = refusal(answer);
    f.output = line;
    return f;
}
