#include "franswers.h"

#include "bcd.h"

#include <QCoreApplication>

using qt5ext::BCD;

namespace {

int bcdByte(const QByteArray &data, int index)
{
    return int(BCD::bcd2int(data.mid(index, 1)));
}

struct ErrorText
{
    quint8 code;
    const char *text;
};

const ErrorText ERROR_TEXTS[] = {
    { 0x00, QT_TRANSLATE_NOOP("FrAnswers", "Ошибок нет") },
    { 0x01, QT_TRANSLATE_NOOP("FrAnswers", "Контрольная лента обработана без ошибок") },
    { 0x08, QT_TRANSLATE_NOOP("FrAnswers", "Неверная цена (сумма)") },
    { 0x0A, QT_TRANSLATE_NOOP("FrAnswers", "Неверное количество") },
    { 0x0B, QT_TRANSLATE_NOOP("FrAnswers", "Переполнение счетчика наличности") },
    { 0x0C, QT_TRANSLATE_NOOP("FrAnswers", "Невозможно сторно последней операции") },
    { 0x0D,
        QT_TRANSLATE_NOOP("FrAnswers",
            "Сторно по коду невозможно (в чеке зарегистрировано меньшее количество товаров с "
            "указанным кодом)") },
    { 0x0E, QT_TRANSLATE_NOOP("FrAnswers", "Невозможен повтор последней операции") },
    { 0x0F, QT_TRANSLATE_NOOP("FrAnswers", "Повторная скидка на операцию невозможна") },
    { 0x10, QT_TRANSLATE_NOOP("FrAnswers", "Скидка/надбавка на предыдущую операцию невозможна") },
    { 0x11, QT_TRANSLATE_NOOP("FrAnswers", "Неверный код товара") },
    { 0x12, QT_TRANSLATE_NOOP("FrAnswers", "Неверный штрихкод товара") },
    { 0x13, QT_TRANSLATE_NOOP("FrAnswers", "Неверный формат") },
    { 0x14, QT_TRANSLATE_NOOP("FrAnswers", "Неверная длина") },
    { 0x15, QT_TRANSLATE_NOOP("FrAnswers", "ККТ заблокирована в режиме ввода даты") },
    { 0x16, QT_TRANSLATE_NOOP("FrAnswers", "Требуется подтверждение ввода даты") },
    { 0x18, QT_TRANSLATE_NOOP("FrAnswers", "Нет больше данных для передачи ПО ККТ") },
    { 0x19, QT_TRANSLATE_NOOP("FrAnswers", "Нет подтверждения или отмены продажи") },
    { 0x1A, QT_TRANSLATE_NOOP("FrAnswers", "Отчет с гашением прерван. Вход в режим невозможен.") },
    { 0x1B,
        QT_TRANSLATE_NOOP("FrAnswers",
            "Отключение контроля наличности невозможно (не настроены необходимые типы оплаты).") },
    { 0x1E, QT_TRANSLATE_NOOP("FrAnswers", "Вход в режим заблокирован") },
    { 0x1F, QT_TRANSLATE_NOOP("FrAnswers", "Проверьте дату и время") },
    { 0x20, QT_TRANSLATE_NOOP("FrAnswers", "Дата и время в ККТ меньше чем в ФН") },
    { 0x21, QT_TRANSLATE_NOOP("FrAnswers", "Невозможно закрыть архив") },
    { 0x3D, QT_TRANSLATE_NOOP("FrAnswers", "Товар не найден") },
    { 0x3E, QT_TRANSLATE_NOOP("FrAnswers", "Весовой штрихкод с количеством <>1.000") },
    { 0x3F, QT_TRANSLATE_NOOP("FrAnswers", "Переполнение буфера чека") },
    { 0x40, QT_TRANSLATE_NOOP("FrAnswers", "Недостаточное количество товара") },
    { 0x41, QT_TRANSLATE_NOOP("FrAnswers", "Сторнируемое количество больше проданного") },
    { 0x42, QT_TRANSLATE_NOOP("FrAnswers", "Заблокированный товар не найден в буфере чека") },
    { 0x43,
        QT_TRANSLATE_NOOP("FrAnswers", "Данный товар не продавался в чеке, сторно невозможно") },
    { 0x46, QT_TRANSLATE_NOOP("FrAnswers", "Неверная команда от ККТ") },
    { 0x66, QT_TRANSLATE_NOOP("FrAnswers", "Команда не реализуется в данном режиме ККТ") },
    { 0x67, QT_TRANSLATE_NOOP("FrAnswers", "Нет бумаги") },
    { 0x68, QT_TRANSLATE_NOOP("FrAnswers", "Нет связи с принтером чеков") },
    { 0x69, QT_TRANSLATE_NOOP("FrAnswers", "Механическая ошибка печатающего устройства") },
    { 0x6A, QT_TRANSLATE_NOOP("FrAnswers", "Неверный тип чека") },
    { 0x6B, QT_TRANSLATE_NOOP("FrAnswers", "Нет больше строк картинки/штрихкода") },
    { 0x6C, QT_TRANSLATE_NOOP("FrAnswers", "Неверный номер регистра") },
    { 0x6D, QT_TRANSLATE_NOOP("FrAnswers", "Недопустимое целевое устройство") },
    { 0x6E, QT_TRANSLATE_NOOP("FrAnswers", "Нет места в массиве картинок/штрихкодов") },
    { 0x6F,
        QT_TRANSLATE_NOOP(
            "FrAnswers", "Неверный номер картинки/штрихкода (картинка/штрихкод отсутствует)") },
    { 0x70,
        QT_TRANSLATE_NOOP(
            "FrAnswers", "Сумма сторно больше, чем было получено данным типом оплаты") },
    { 0x71, QT_TRANSLATE_NOOP("FrAnswers", "Сумма не наличных платежей превышает сумму чека") },
    { 0x72, QT_TRANSLATE_NOOP("FrAnswers", "Сумма платежей меньше суммы чека") },
    { 0x73, QT_TRANSLATE_NOOP("FrAnswers", "Накопление меньше суммы возврата или аннулирования") },
    { 0x75, QT_TRANSLATE_NOOP("FrAnswers", "Переполнение суммы платежей") },
    { 0x76, QT_TRANSLATE_NOOP("FrAnswers", "Предыдущая операция незавершена") },
    { 0x77, QT_TRANSLATE_NOOP("FrAnswers", "Ошибка GSM-модуля") },
    { 0x7A, QT_TRANSLATE_NOOP("FrAnswers", "Данная модель ККТ не может выполнить команду") },
    { 0x7B, QT_TRANSLATE_NOOP("FrAnswers", "Неверная величина скидки / надбавки") },
    { 0x7C, QT_TRANSLATE_NOOP("FrAnswers", "Операция после скидки / надбавки невозможна") },
    { 0x7D, QT_TRANSLATE_NOOP("FrAnswers", "Неверная секция") },
    { 0x7E, QT_TRANSLATE_NOOP("FrAnswers", "Неверный вид оплаты") },
    { 0x7F, QT_TRANSLATE_NOOP("FrAnswers", "Переполнение при умножении") },
    { 0x80, QT_TRANSLATE_NOOP("FrAnswers", "Операция запрещена в таблице настроек") },
    { 0x81, QT_TRANSLATE_NOOP("FrAnswers", "Переполнение итога чека") },
    { 0x82, QT_TRANSLATE_NOOP("FrAnswers", "Открыт чек аннулирования – операция невозможна") },
    { 0x84, QT_TRANSLATE_NOOP("FrAnswers", "Переполнение буфера контрольной ленты") },
    { 0x86, QT_TRANSLATE_NOOP("FrAnswers", "Вносимая клиентом сумма меньше суммы чека") },
    { 0x87, QT_TRANSLATE_NOOP("FrAnswers", "Открыт чек возврата – операция невозможна") },
    { 0x88, QT_TRANSLATE_NOOP("FrAnswers", "Смена превысила 24 часа") },
    { 0x89, QT_TRANSLATE_NOOP("FrAnswers", "Открыт чек продажи – операция невозможна") },
    { 0x8A, QT_TRANSLATE_NOOP("FrAnswers", "Переполнение ФП") },
    { 0x8C, QT_TRANSLATE_NOOP("FrAnswers", "Неверный пароль") },
    { 0x8D, QT_TRANSLATE_NOOP("FrAnswers", "Буфер контрольной ленты не переполнен") },
    { 0x8E, QT_TRANSLATE_NOOP("FrAnswers", "Идет обработка контрольной ленты") },
    { 0x8F, QT_TRANSLATE_NOOP("FrAnswers", "Обнуленная касса (повторное гашение невозможно)") },
    { 0x91, QT_TRANSLATE_NOOP("FrAnswers", "Неверный номер таблицы") },
    { 0x92, QT_TRANSLATE_NOOP("FrAnswers", "Неверный номер ряда") },
    { 0x93, QT_TRANSLATE_NOOP("FrAnswers", "Неверный номер поля") },
    { 0x94, QT_TRANSLATE_NOOP("FrAnswers", "Неверная дата") },
    { 0x95, QT_TRANSLATE_NOOP("FrAnswers", "Неверное время") },
    { 0x96, QT_TRANSLATE_NOOP("FrAnswers", "Сумма чека по секции меньше суммы сторно") },
    { 0x97, QT_TRANSLATE_NOOP("FrAnswers", "Подсчет суммы сдачи невозможен") },
    { 0x98, QT_TRANSLATE_NOOP("FrAnswers", "В ККТ нет денег для выплаты") },
    { 0x9A, QT_TRANSLATE_NOOP("FrAnswers", "Чек закрыт – операция невозможна") },
    { 0x9B, QT_TRANSLATE_NOOP("FrAnswers", "Чек открыт – операция невозможна") },
    { 0x9C, QT_TRANSLATE_NOOP("FrAnswers", "Смена открыта, операция невозможна") },
    { 0x9E, QT_TRANSLATE_NOOP("FrAnswers", "Заводской номер уже задан") },
    { 0xA2, QT_TRANSLATE_NOOP("FrAnswers", "Неверный номер смены") },
    { 0xA3, QT_TRANSLATE_NOOP("FrAnswers", "Неверный тип отчета") },
    { 0xA4, QT_TRANSLATE_NOOP("FrAnswers", "Недопустимый пароль") },
    { 0xA5, QT_TRANSLATE_NOOP("FrAnswers", "Недопустимый заводской номер ККТ") },
    { 0xA6, QT_TRANSLATE_NOOP("FrAnswers", "Недопустимый РНМ") },
    { 0xA7, QT_TRANSLATE_NOOP("FrAnswers", "Недопустимый ИНН") },
    { 0xA8, QT_TRANSLATE_NOOP("FrAnswers", "ККТ не фискализирована") },
    { 0xA9, QT_TRANSLATE_NOOP("FrAnswers", "Не задан заводской номер") },
    { 0xAA, QT_TRANSLATE_NOOP("FrAnswers", "Нет отчетов") },
    { 0xAB, QT_TRANSLATE_NOOP("FrAnswers", "Режим не активизирован") },
    { 0xAC, QT_TRANSLATE_NOOP("FrAnswers", "Нет указанного чека в КЛ") },
    { 0xAD, QT_TRANSLATE_NOOP("FrAnswers", "Нет больше записей КЛ") },
    { 0xAE, QT_TRANSLATE_NOOP("FrAnswers", "Некорректный код или номер кода защиты ККТ") },
    { 0xAF, QT_TRANSLATE_NOOP("FrAnswers", "Отсутствуют данные в буфере ККТ") },
    { 0xB0, QT_TRANSLATE_NOOP("FrAnswers", "Требуется выполнение общего гашения") },
    { 0xB1, QT_TRANSLATE_NOOP("FrAnswers", "Команда не разрешена введенными кодами защиты ККТ") },
    { 0xB2, QT_TRANSLATE_NOOP("FrAnswers", "Невозможна отмена скидки/надбавки") },
    { 0xB3,
        QT_TRANSLATE_NOOP("FrAnswers",
            "Невозможно закрыть чек данным типом оплаты (в чеке присутствуют операции без контроля "
            "наличных)") },
    { 0xB4, QT_TRANSLATE_NOOP("FrAnswers", "Неверный номер маршрута") },
    { 0xB5, QT_TRANSLATE_NOOP("FrAnswers", "Неверный номер начальной зоны") },
    { 0xB6, QT_TRANSLATE_NOOP("FrAnswers", "Неверный номер конечной зоны") },
    { 0xB7, QT_TRANSLATE_NOOP("FrAnswers", "Неверный тип тарифа") },
    { 0xB8, QT_TRANSLATE_NOOP("FrAnswers", "Неверный тариф") },
    { 0xBA, QT_TRANSLATE_NOOP("FrAnswers", "Ошибка обмена с фискальным модулем") },
    { 0xBE, QT_TRANSLATE_NOOP("FrAnswers", "Необходимо провести профилактические работы") },
    { 0xBF, QT_TRANSLATE_NOOP("FrAnswers", "Неверные номера смен в ККТ и ФН") },
    { 0xC8, QT_TRANSLATE_NOOP("FrAnswers", "Нет устройства, обрабатывающего данную команду") },
    { 0xC9, QT_TRANSLATE_NOOP("FrAnswers", "Нет связи с внешним устройством") },
    { 0xCA, QT_TRANSLATE_NOOP("FrAnswers", "Ошибочное состояние ТРК") },
    { 0xCB, QT_TRANSLATE_NOOP("FrAnswers", "Больше одной регистрации в чеке") },
    { 0xCC, QT_TRANSLATE_NOOP("FrAnswers", "Ошибочный номер ТРК") },
    { 0xCD, QT_TRANSLATE_NOOP("FrAnswers", "Неверный делитель") },
    { 0xD0,
        QT_TRANSLATE_NOOP("FrAnswers", "Активизация данного ФН в составе данной ККТ невозможна") },
    { 0xD1, QT_TRANSLATE_NOOP("FrAnswers", "Перегрев головки принтера") },
    { 0xD2, QT_TRANSLATE_NOOP("FrAnswers", "Ошибка обмена с ФН на уровне интерфейса I 2C") },
    { 0xD3, QT_TRANSLATE_NOOP("FrAnswers", "Ошибка формата передачи ФН") },
    { 0xD4, QT_TRANSLATE_NOOP("FrAnswers", "Неверное состояние ФН") },
    { 0xD5, QT_TRANSLATE_NOOP("FrAnswers", "Неисправимая ошибка ФН") },
    { 0xD6, QT_TRANSLATE_NOOP("FrAnswers", "Ошибка КС ФН") },
    { 0xD7, QT_TRANSLATE_NOOP("FrAnswers", "Закончен срок эксплуатации ФН") },
    { 0xD8, QT_TRANSLATE_NOOP("FrAnswers", "Архив ФН переполнен") },
    { 0xD9, QT_TRANSLATE_NOOP("FrAnswers", "В ФН переданы неверная дата или время") },
    { 0xDA, QT_TRANSLATE_NOOP("FrAnswers", "В ФН нет запрошенных данных") },
    { 0xDB, QT_TRANSLATE_NOOP("FrAnswers", "Переполнение ФН (итог чека)") },
    { 0xDC, QT_TRANSLATE_NOOP("FrAnswers", "Буфер переполнен") },
    { 0xDD, QT_TRANSLATE_NOOP("FrAnswers", "Невозможно напечатать вторую фискальную копию") },
    { 0xDE, QT_TRANSLATE_NOOP("FrAnswers", "Требуется гашение ЭЖ") },
    { 0xDF,
        QT_TRANSLATE_NOOP("FrAnswers",
            "Сумма налога больше суммы регистраций по чеку и/или итога или больше суммы "
            "регистрации") },
    { 0xE0, QT_TRANSLATE_NOOP("FrAnswers", "Начисление налога на последнюю операцию невозможно") },
    { 0xE1, QT_TRANSLATE_NOOP("FrAnswers", "Неверный номер ФН") },
    { 0xE4,
        QT_TRANSLATE_NOOP("FrAnswers",
            "Сумма сторно налога больше суммы зарегистрированного налога данного\tтипа") },
    { 0xE5, QT_TRANSLATE_NOOP("FrAnswers", "Ошибка SD") },
    { 0xE6, QT_TRANSLATE_NOOP("FrAnswers", "Операция невозможна, недостаточно питания") },
    { 0xE7, QT_TRANSLATE_NOOP("FrAnswers", "Некорректное значение параметров команды ФН") },
    { 0xE8, QT_TRANSLATE_NOOP("FrAnswers", "Превышение размеров TLV данных ФН") },
    { 0xE9, QT_TRANSLATE_NOOP("FrAnswers", "Нет транспортного соединения ФН") },
    { 0xEA, QT_TRANSLATE_NOOP("FrAnswers", "Исчерпан ресурс КС ФН") },
    { 0xEB, QT_TRANSLATE_NOOP("FrAnswers", "Исчерпан ресурс хранения ФН") },
    { 0xEC, QT_TRANSLATE_NOOP("FrAnswers", "Сообщение от ОФД не может быть принято ФН") },
    { 0xED, QT_TRANSLATE_NOOP("FrAnswers", "В ФН есть неотправленные ФД") },
    { 0xF1, QT_TRANSLATE_NOOP("FrAnswers", "Ошибочные флаги агента") },
    { 0xF2, QT_TRANSLATE_NOOP("FrAnswers", "Не хватает реквизитов") },
    // Not the register's: the program's own code for a task that never reached an end on
    // the register (the link went down or the task buffer was cleared); see LINK_CANCELLED.
    { LINK_CANCELLED,
        QT_TRANSLATE_NOOP("FrAnswers",
            "Команда не выполнена: связь с ККТ прервана или очередь команд сброшена") },
};

const char *const MODE_NAMES[] = {
    QT_TRANSLATE_NOOP("FrAnswers", "Выбор"),
    QT_TRANSLATE_NOOP("FrAnswers", "Регистрация"),
    QT_TRANSLATE_NOOP("FrAnswers", "Режим статистики"),
    QT_TRANSLATE_NOOP("FrAnswers", "Режим закрытия смены"),
    QT_TRANSLATE_NOOP("FrAnswers", "Программирование"),
    QT_TRANSLATE_NOOP("FrAnswers", "Ввод ЗН"),
    QT_TRANSLATE_NOOP("FrAnswers", "Доступ к ФН"),
    QT_TRANSLATE_NOOP("FrAnswers", "Дополнительный"),
};

} // namespace

FrStateCommandAnswer::FrStateCommandAnswer(quint8 headerKind, const QByteArray &bufferAnswer)
{
    if (!bufferAnswer.isEmpty())
        m_answerCode = quint8(bufferAnswer.at(0));
    if (headerKind == HEADER_ASYNC) {
        if (bufferAnswer.size() >= 2) {
            m_tid = quint8(bufferAnswer.at(1));
            m_data = bufferAnswer.mid(2);
        }
    } else {
        m_data = bufferAnswer.mid(1);
    }
    parseState(m_data);
}

void FrStateCommandAnswer::parseState(const QByteArray &d)
{
    if (d.isEmpty() || quint8(d.at(0)) != STATE_TAG)
        return;
    if (d.size() < 2)
        return;
    m_cashier = bcdByte(d, 1);
    if (d.size() < 3)
        return;
    m_hall = bcdByte(d, 2);
    if (d.size() < 9)
        return;
    const QDate date(bcdByte(d, 3) + 2000, bcdByte(d, 4), bcdByte(d, 5));
    const QTime time(bcdByte(d, 6), bcdByte(d, 7), bcdByte(d, 8));
    if (date.isValid() && time.isValid())
        m_dateTime = QDateTime(date, time);
    if (d.size() < 10)
        return;
    const quint8 flags = quint8(d.at(9));
    const int bits[6] = { 0, 1, 3, 5, 6, 7 };
    for (int i = 0; i < 6; ++i)
        m_flags[i] = flags & (1 << bits[i]);
    if (d.size() < 14)
        return;
    m_serial = int(BCD::bcd2int(d.mid(10, 4)));
    if (d.size() < 18)
        return;
    m_modeByte = quint8(d.at(17));
}

TableReadCommandAnswer::TableReadCommandAnswer(const QByteArray &result)
{
    if (result.size() > 2 && quint8(result.at(0)) == 0x55) {
        m_errorCode = quint8(result.at(1));
        if (m_errorCode == 0)
            m_value = result.mid(2);
    }
}

CommandResultAnswer::CommandResultAnswer(const QByteArray &result, int expectedLength)
{
    if (expectedLength == 3) {
        if (result.size() == 3 && quint8(result.at(0)) == 0x55 && result.at(2) == 0)
            m_code = quint8(result.at(1));
    } else if (expectedLength == 2) {
        if (result.size() == 2 && quint8(result.at(0)) == 0x55)
            m_code = quint8(result.at(1));
    }
}

QByteArray linkCancelledResult()
{
    QByteArray result(3, '\0');
    result[0] = char(0x55);
    result[1] = char(LINK_CANCELLED);
    return result;
}

QString errorCodeText(quint8 code)
{
    for (const ErrorText &e : ERROR_TEXTS) {
        if (e.code == code)
            return QCoreApplication::translate("FrAnswers", e.text);
    }
    return QCoreApplication::translate("FrAnswers", "Код ошибки: %1").arg(code, 0, 16);
}

QString modeName(quint8 mode)
{
    if (mode < sizeof(MODE_NAMES) / sizeof(MODE_NAMES[0]))
        return QCoreApplication::translate("FrAnswers", MODE_NAMES[mode]);
    return QString();
}
