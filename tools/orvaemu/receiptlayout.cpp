#include "receiptlayout.h"

#include <QDateTime>
#include <QJsonArray>

namespace {

using Line = ReceiptLayout::Line;

Line textLine(const QString &t, bool centered = false, bool bold = false, bool large = false)
{
    Line l;
    l.left = t;
    l.centered = centered;
    l.bold = bold;
    l.large = large;
    return l;
}

Line pair(const QString &left, const QString &right, bool bold = false, bool large = false)
{
    Line l;
    l.kind = Line::Pair;
    l.left = left;
    l.right = right;
    l.bold = bold;
    l.large = large;
    return l;
}

Line rule()
{
    Line l;
    l.kind = Line::Rule;
    return l;
}

qint64 integer(const QJsonValue &v)
{
    return qint64(v.toDouble());
}

QString requisiteName(int tag)
{
    switch (tag) {
    case 1008:
        return QStringLiteral("Покупатель (тел./эл. почта)");
    case 1021:
        return QStringLiteral("Кассир");
    case 1203:
        return QStringLiteral("ИНН кассира");
    case 1227:
        return QStringLiteral("Покупатель");
    case 1228:
        return QStringLiteral("ИНН покупателя");
    case 1192:
        return QStringLiteral("Доп. реквизит чека");
    case 1191:
        return QStringLiteral("Доп. реквизит предмета расчета");
    case 1173:
        return QStringLiteral("Тип коррекции");
    case 1174:
        return QStringLiteral("Основание для коррекции");
    case 1177:
        return QStringLiteral("Описание коррекции");
    case 1178:
        return QStringLiteral("Дата документа основания");
    case 1179:
        return QStringLiteral("Номер документа основания");
    case 1057:
        return QStringLiteral("Признак агента");
    case 1222:
        return QStringLiteral("Признак агента по предмету расчета");
    case 1223:
        return QStringLiteral("Данные агента");
    case 1224:
        return QStringLiteral("Данные поставщика");
    case 1225:
        return QStringLiteral("Наименование поставщика");
    case 1226:
        return QStringLiteral("ИНН поставщика");
    case 1171:
        return QStringLiteral("Телефон поставщика");
    case 1162:
        return QStringLiteral("Код товара");
    case 1212:
        return QStringLiteral("Признак предмета расчета");
    case 1214:
        return QStringLiteral("Признак способа расчета");
    case 1084:
        return QStringLiteral("Доп. реквизит пользователя");
    case 1085:
        return QStringLiteral("Наименование");
    case 1086:
        return QStringLiteral("Значение");
    default:
        return QStringLiteral("Реквизит %1").arg(tag);
    }
}

// One requisite, its members indented below it.
void addRequisite(QVector<Line> *out, const QJsonObject &r, const QString &indent)
{
    const int tag = r.value(QStringLiteral("tag")).toInt();
    if (tag == 1055)
        return; // printed with the totals
    if (r.contains(QStringLiteral("members"))) {
        out->append(textLine(indent + requisiteName(tag) + QLatin1Char(':')));
        const QJsonArray members = r.value(QStringLiteral("members")).toArray();
        for (const QJsonValue &m : members)
            addRequisite(out, m.toObject(), indent + QStringLiteral("  "));
        return;
    }
    QString value = r.value(QStringLiteral("text")).toString();
    if (!r.contains(QStringLiteral("text"))) {
        const QByteArray bytes
            = QByteArray::fromHex(r.value(QStringLiteral("hex")).toString().toLatin1());
        // Small numbers are written little-endian; anything longer is shown as bytes.
        if (bytes.size() <= 4) {
            quint32 n = 0;
            for (int i = bytes.size() - 1; i >= 0; --i)
                n = (n << 8) | quint8(bytes.at(i));
            value = QString::number(n);
        } else {
            value = QString::fromLatin1(bytes.toHex(' ')).toUpper();
        }
    }
    out->append(pair(indent + requisiteName(tag), value));
}

QString dateTime(const QJsonObject &doc)
{
    const QDateTime dt
        = QDateTime::fromString(doc.value(QStringLiteral("dateTime")).toString(), Qt::ISODate);
    return dt.isValid() ? dt.toString(QStringLiteral("dd.MM.yyyy HH:mm")) : QString();
}

void addHeader(QVector<Line> *out, const RegisterState &state)
{
    out->append(textLine(state.userName, true, true));
    out->append(textLine(state.address, true));
    out->append(textLine(QStringLiteral("Место расчетов: %1").arg(state.place), true));
    out->append(rule());
}

void addShiftLine(QVector<Line> *out, const QJsonObject &doc)
{
    out->append(pair(dateTime(doc),
        QStringLiteral("Смена № %1").arg(doc.value(QStringLiteral("shift")).toInt())));
}

void addTotals(QVector<Line> *out, const QJsonObject &totals, qint64 drawer)
{
    const struct
    {
        const char *key;
        const char *name;
    } rows[] = {
        { "sales", "Приход" },
        { "saleReturns", "Возврат прихода" },
        { "purchases", "Расход" },
        { "purchaseReturns", "Возврат расхода" },
        { "corrections", "Коррекции" },
        { "cashIn", "Внесено" },
        { "cashOut", "Выплачено" },
    };
    for (const auto &r : rows) {
        out->append(pair(QString::fromUtf8(r.name),
            QStringLiteral("=")
                + ReceiptLayout::money(integer(totals.value(QLatin1String(r.key))))));
    }
    out->append(pair(QStringLiteral("Чеков за смену"),
        QString::number(totals.value(QStringLiteral("receipts")).toInt())));
    out->append(pair(QStringLiteral("Наличных в кассе"),
        QStringLiteral("=") + ReceiptLayout::money(drawer), true));
}

void addPositions(QVector<Line> *out, const QJsonArray &positions)
{
    int n = 0;
    for (const QJsonValue &v : positions) {
        const QJsonObject p = v.toObject();
        const bool cancel = p.value(QStringLiteral("cancel")).toBool();
        out->append(textLine(QStringLiteral("%1. %2%3")
                                 .arg(++n)
                                 .arg(cancel ? QStringLiteral("СТОРНО ") : QString(),
                                     p.value(QStringLiteral("name")).toString()),
            false, true));
        const qint64 amount = integer(p.value(QStringLiteral("amount")));
        out->append(
            pair(QStringLiteral("   %1 x %2")
                     .arg(ReceiptLayout::quantity(integer(p.value(QStringLiteral("quantity")))),
                         ReceiptLayout::money(integer(p.value(QStringLiteral("price"))))),
                QStringLiteral("=") + ReceiptLayout::money(amount)));
        out->append(textLine(QStringLiteral("   ")
            + ReceiptLayout::taxName(p.value(QStringLiteral("tax")).toInt())));
        const QString barcode = p.value(QStringLiteral("barcode")).toString();
        if (!barcode.isEmpty()) {
            out->append(textLine(QStringLiteral("   Штрихкод: ")
                + QString::fromLatin1(QByteArray::fromHex(barcode.toLatin1()))));
        }
        const QJsonArray requisites = p.value(QStringLiteral("requisites")).toArray();
        for (const QJsonValue &r : requisites)
            addRequisite(out, r.toObject(), QStringLiteral("   "));
    }
}

void addReceiptBody(QVector<Line> *out, const QJsonObject &doc, const RegisterState &state)
{
    const int kind = doc.value(QStringLiteral("kind")).toInt();
    const bool correction = kind == 7 || kind == 9;
    out->append(textLine(
        correction ? QStringLiteral("КАССОВЫЙ ЧЕК КОРРЕКЦИИ") : QStringLiteral("КАССОВЫЙ ЧЕК"),
        true, true, true));
    out->append(textLine(ReceiptLayout::kindName(kind), true, true));
    addShiftLine(out, doc);
    out->append(pair(QStringLiteral("Чек № %1").arg(doc.value(QStringLiteral("number")).toInt()),
        QStringLiteral("Кассир %1").arg(state.cashier)));
    out->append(rule());
    addPositions(out, doc.value(QStringLiteral("positions")).toArray());
    out->append(rule());
    out->append(pair(QStringLiteral("ИТОГ"),
        QStringLiteral("=") + ReceiptLayout::money(integer(doc.value(QStringLiteral("total")))),
        true, true));
    const QJsonArray payments = doc.value(QStringLiteral("payments")).toArray();
    for (const QJsonValue &v : payments) {
        const QJsonObject p = v.toObject();
        out->append(pair(ReceiptLayout::paymentName(p.value(QStringLiteral("type")).toInt()),
            QStringLiteral("=")
                + ReceiptLayout::money(integer(p.value(QStringLiteral("amount"))))));
    }
    const qint64 change = integer(doc.value(QStringLiteral("change")));
    if (change > 0)
        out->append(
            pair(QStringLiteral("СДАЧА"), QStringLiteral("=") + ReceiptLayout::money(change)));
    quint8 taxSystem = 0;
    const QJsonArray requisites = doc.value(QStringLiteral("requisites")).toArray();
    for (const QJsonValue &r : requisites) {
        const QJsonObject o = r.toObject();
        if (o.value(QStringLiteral("tag")).toInt() == 1055) {
            const QByteArray v
                = QByteArray::fromHex(o.value(QStringLiteral("hex")).toString().toLatin1());
            taxSystem = v.isEmpty() ? 0 : quint8(v.at(0));
        }
    }
    if (taxSystem == 0) {
        // The lowest registered system, as the register takes when the receipt names none.
        for (int bit = 1; bit <= 0x20 && taxSystem == 0; bit <<= 1)
            taxSystem = (state.taxSystems & bit) ? quint8(bit) : 0;
    }
    out->append(pair(QStringLiteral("СНО"), ReceiptLayout::taxSystemName(taxSystem)));
    if (!requisites.isEmpty()) {
        out->append(rule());
        for (const QJsonValue &r : requisites)
            addRequisite(out, r.toObject(), QString());
    }
}

void addFooter(QVector<Line> *out, const QJsonObject &doc, const RegisterState &state)
{
    out->append(rule());
    out->append(pair(QStringLiteral("ИНН"), state.inn));
    out->append(pair(QStringLiteral("РН ККТ"), state.rnm));
    out->append(pair(QStringLiteral("ЗН ККТ"), QString::number(state.serial)));
    if (doc.contains(QStringLiteral("fd"))) {
        const qint64 fd = integer(doc.value(QStringLiteral("fd")));
        out->append(pair(QStringLiteral("ФД №"), QString::number(fd)));
        // The emulator keeps no fiscal storage keys: a sign derived from the document stands
        // in, so that two documents never carry the same one.
        const quint32 sign = qHash(QString::number(state.serial) + QString::number(fd)
            + doc.value(QStringLiteral("dateTime")).toString());
        out->append(
            pair(QStringLiteral("ФП"), QStringLiteral("%1").arg(sign, 10, 10, QLatin1Char('0'))));
    }
    out->append(pair(QStringLiteral("ОФД"), state.ofdName));
    out->append(pair(QStringLiteral("ИНН ОФД"), state.ofdInn));
    out->append(textLine(QStringLiteral("Сайт ФНС: www.nalog.gov.ru"), true));
}

} // namespace

QString ReceiptLayout::money(qint64 kopecks)
{
    const QString sign = kopecks < 0 ? QStringLiteral("-") : QString();
    const qint64 a = qAbs(kopecks);
    QString rubles = QString::number(a / 100);
    for (int i = rubles.size() - 3; i > 0; i -= 3)
        rubles.insert(i, QLatin1Char(' '));
    return QStringLiteral("%1%2.%3").arg(sign, rubles).arg(a % 100, 2, 10, QLatin1Char('0'));
}

QString ReceiptLayout::quantity(qint64 thousandths)
{
    QString s = QStringLiteral("%1.%2")
                    .arg(thousandths / 1000)
                    .arg(qAbs(thousandths) % 1000, 3, 10, QLatin1Char('0'));
    while (s.endsWith(QLatin1Char('0')))
        s.chop(1);
    if (s.endsWith(QLatin1Char('.')))
        s.chop(1);
    return s;
}

QString ReceiptLayout::kindName(int kind)
{
    switch (kind) {
    case 1:
        return QStringLiteral("ПРИХОД");
    case 2:
        return QStringLiteral("ВОЗВРАТ ПРИХОДА");
    case 4:
        return QStringLiteral("РАСХОД");
    case 5:
        return QStringLiteral("ВОЗВРАТ РАСХОДА");
    case 7:
        return QStringLiteral("КОРРЕКЦИЯ ПРИХОДА");
    case 9:
        return QStringLiteral("КОРРЕКЦИЯ РАСХОДА");
    default:
        return QStringLiteral("ЧЕК %1").arg(kind);
    }
}

QString ReceiptLayout::paymentName(int type)
{
    switch (type) {
    case 1:
        return QStringLiteral("НАЛИЧНЫМИ");
    case 2:
        return QStringLiteral("БЕЗНАЛИЧНЫМИ");
    case 3:
        return QStringLiteral("ПРЕДВАРИТЕЛЬНАЯ ОПЛАТА (АВАНС)");
    case 4:
        return QStringLiteral("ПОСЛЕДУЮЩАЯ ОПЛАТА (КРЕДИТ)");
    case 5:
        return QStringLiteral("ИНАЯ ФОРМА ОПЛАТЫ");
    default:
        return QStringLiteral("ОПЛАТА %1").arg(type);
    }
}

QString ReceiptLayout::taxName(int tax)
{
    switch (tax) {
    case 0:
        return QStringLiteral("НДС по секции");
    case 1:
        return QStringLiteral("НДС 0%");
    case 2:
        return QStringLiteral("НДС 10%");
    case 3:
        return QStringLiteral("НДС 20%");
    case 4:
        return QStringLiteral("БЕЗ НДС");
    case 5:
        return QStringLiteral("НДС 10/110");
    case 6:
        return QStringLiteral("НДС 20/120");
    default:
        return QStringLiteral("НАЛОГ %1").arg(tax);
    }
}

QString ReceiptLayout::taxSystemName(quint8 bit)
{
    switch (bit) {
    case 0x01:
        return QStringLiteral("ОСН");
    case 0x02:
        return QStringLiteral("УСН доход");
    case 0x04:
        return QStringLiteral("УСН доход - расход");
    case 0x08:
        return QStringLiteral("ЕНВД");
    case 0x10:
        return QStringLiteral("ЕСХН");
    case 0x20:
        return QStringLiteral("ПСН");
    default:
        return QStringLiteral("-");
    }
}

QVector<ReceiptLayout::Line> ReceiptLayout::lines(
    const QJsonObject &doc, const RegisterState &state)
{
    QVector<Line> out;
    addHeader(&out, state);
    const QString type = doc.value(QStringLiteral("type")).toString();
    auto title = [&out](const QString &t) { out.append(textLine(t, true, true, true)); };
    if (type == QLatin1String("receipt")) {
        addReceiptBody(&out, doc, state);
    } else if (type == QLatin1String("copy")) {
        title(QStringLiteral("КОПИЯ ЧЕКА"));
        const QJsonObject original = doc.value(QStringLiteral("receipt")).toObject();
        addReceiptBody(&out, original, state);
        addFooter(&out, original, state);
        return out;
    } else if (type == QLatin1String("receiptCancel")) {
        title(QStringLiteral("ЧЕК АННУЛИРОВАН"));
        out.append(textLine(kindName(doc.value(QStringLiteral("kind")).toInt()), true));
        addShiftLine(&out, doc);
        out.append(rule());
        addPositions(&out, doc.value(QStringLiteral("positions")).toArray());
        out.append(rule());
        out.append(pair(QStringLiteral("ИТОГ"),
            QStringLiteral("=") + money(integer(doc.value(QStringLiteral("total")))), true));
        return out;
    } else if (type == QLatin1String("shiftOpen")) {
        title(QStringLiteral("ОТЧЕТ ОБ ОТКРЫТИИ СМЕНЫ"));
        addShiftLine(&out, doc);
        const QString comment = doc.value(QStringLiteral("comment")).toString();
        if (!comment.isEmpty())
            out.append(textLine(comment));
        if (doc.value(QStringLiteral("automatic")).toBool())
            out.append(textLine(QStringLiteral("Смена открыта первым документом")));
    } else if (type == QLatin1String("shiftClose") || type == QLatin1String("report")) {
        const bool z = type == QLatin1String("shiftClose");
        title(z ? QStringLiteral("ОТЧЕТ О ЗАКРЫТИИ СМЕНЫ")
                : QStringLiteral("X-ОТЧЕТ (тип %1)")
                      .arg(doc.value(QStringLiteral("reportType")).toInt()));
        addShiftLine(&out, doc);
        out.append(rule());
        addTotals(&out, doc.value(QStringLiteral("totals")).toObject(),
            integer(doc.value(QStringLiteral("drawer"))));
        if (!z && !doc.contains(QStringLiteral("fd")))
            return out; // not a fiscal document
    } else if (type == QLatin1String("cashIn") || type == QLatin1String("cashOut")) {
        title(type == QLatin1String("cashIn") ? QStringLiteral("ВНЕСЕНИЕ")
                                              : QStringLiteral("ВЫПЛАТА"));
        addShiftLine(&out, doc);
        out.append(rule());
        out.append(pair(QStringLiteral("СУММА"),
            QStringLiteral("=") + money(integer(doc.value(QStringLiteral("amount")))), true, true));
        out.append(pair(QStringLiteral("Наличных в кассе"),
            QStringLiteral("=") + money(integer(doc.value(QStringLiteral("drawer"))))));
        return out;
    } else if (type == QLatin1String("commonClear")) {
        title(QStringLiteral("ОБЩЕЕ ГАШЕНИЕ"));
        out.append(textLine(dateTime(doc)));
        out.append(pair(QStringLiteral("Обнулено наличных"),
            QStringLiteral("=") + money(integer(doc.value(QStringLiteral("drawer"))))));
        return out;
    } else if (type == QLatin1String("registrationReport")) {
        title(QStringLiteral("ОТЧЕТ О РЕГИСТРАЦИИ"));
        out.append(textLine(dateTime(doc)));
        out.append(pair(QStringLiteral("Регистрация №"),
            QString::number(doc.value(QStringLiteral("registration")).toInt())));
    } else if (type == QLatin1String("archiveClose")) {
        title(QStringLiteral("ОТЧЕТ О ЗАКРЫТИИ ФН"));
        out.append(textLine(dateTime(doc)));
    } else if (type == QLatin1String("documentCopy")) {
        title(QStringLiteral("КОПИЯ ДОКУМЕНТА"));
        out.append(textLine(dateTime(doc)));
        out.append(pair(QStringLiteral("Документ №"),
            QString::number(integer(doc.value(QStringLiteral("of"))))));
        return out;
    } else {
        title(QStringLiteral("ЗАПРОС ФН"));
        out.append(textLine(dateTime(doc)));
        out.append(pair(QStringLiteral("Запрос"),
            QStringLiteral("0x%1").arg(
                doc.value(QStringLiteral("request")).toInt(), 2, 16, QLatin1Char('0'))));
        return out;
    }
    addFooter(&out, doc, state);
    return out;
}

QStringList ReceiptLayout::text(const QVector<Line> &lines)
{
    QStringList out;
    for (const Line &l : lines) {
        switch (l.kind) {
        case Line::Rule:
            out << QStringLiteral("----");
            break;
        case Line::Pair:
            out << l.left + QStringLiteral(" | ") + l.right;
            break;
        case Line::Text:
            out << l.left;
            break;
        }
    }
    return out;
}
