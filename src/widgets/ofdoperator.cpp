#include "ofdoperator.h"

// Legal names go to the register as they are, so they are not translated.
const QList<OfdOperator> &OfdOperator::all()
{
    static const QList<OfdOperator> list = {
        { QStringLiteral("Акционерное общество Тандер"), 2310031475ULL,
            QStringLiteral("Приказ ФНС России от 11.07.2017 № ЕД-7-20/543@"),
            QStringLiteral("https://ofd-magnit.ru") },
        { QStringLiteral("Закрытое акционерное общество Производственная фирма СКБ Контур"),
            6663003127ULL, QStringLiteral("Приказ ФНС России от 29.06.2017 № ЕД-7-20/525@"),
            QStringLiteral("https://ofd.kontur.ru") },
        { QStringLiteral("Общества с ограниченной ответственностью КОРУС Консалтинг СНГ"),
            7801392271ULL, QStringLiteral("Приказ ФНС России от 12.05.2017 № АС-7-20/441@"),
            QStringLiteral("https://ofd.esphere.ru") },
        { QStringLiteral("Общества с ограниченной ответственностью Компания Тензор"), 7605016030ULL,
            QStringLiteral("Приказ ФНС России от 14.04.2017 № ЕД-7-20/314@"),
            QStringLiteral("https://ofd.sbis.ru") },
        { QStringLiteral("Закрытое акционерное общество КАЛУГА АСТРАЛ"), 4029017981ULL,
            QStringLiteral("Приказ ФНС России от 14.04.2017 № ЕД-7-20/313@"),
            QStringLiteral("https://ofd.astralnalog.ru") },
        { QStringLiteral("Общество с ограниченной ответственностью Электронный экспресс"),
            7729633131ULL, QStringLiteral("Приказ ФНС России от 14.04.2017 № ЕД-7-20/312@"),
            QStringLiteral("https://platformaofd.ru") },
        { QStringLiteral("Общество с ограниченной ответственностью Яндекс.ОФД"), 7704358518ULL,
            QStringLiteral("Приказ ФНС России от 10.04.2017 № ЕД-6-20/20@"),
            QStringLiteral("https://ofd.yandex.ru") },
        { QStringLiteral("Общество с ограниченной ответственностью ПЕТЕР-СЕРВИС Спецтехнологии"),
            7841465198ULL, QStringLiteral("Приказ ФНС России от 18.10.2016 № ЕД-7-20/565@"),
            QStringLiteral("https://ofd.ru") },
        { QStringLiteral("Общество с ограниченной ответственностью Ярус"), 7728699517ULL,
            QStringLiteral("Приказ ФНС России от 31.08.2016 № ЕД-7-20/468@"),
            QStringLiteral("https://ofd-ya.ru") },
        { QStringLiteral("Общество с ограниченной ответственностью Эвотор ОФД"), 9715260691ULL,
            QStringLiteral("Приказ ФНС России от 31.08.2016 № ЕД-7-20/468@"),
            QStringLiteral("https://ofd.evotor.ru") },
        { QStringLiteral("Общество с ограниченной ответственностью Такском"), 7704211201ULL,
            QStringLiteral("Приказ ФНС России от 31.08.2016 № ЕД-7-20/468@"),
            QStringLiteral("https://taxcom.ru") },
        { QStringLiteral("Акционерное общество Энергетические системы и коммуникации"),
            7709364346ULL, QStringLiteral("Приказ ФНС России от 31.08.2016 № ЕД-7-20/468@"),
            QStringLiteral("https://1-ofd.ru") },
    };
    return list;
}

QString OfdOperator::innText(quint64 inn)
{
    QString text = QString::number(inn);
    if (text.size() <= 9)
        text = text.rightJustified(10, QLatin1Char('0'));
    else if (text.size() == 11)
        text.prepend(QLatin1Char('0'));
    return text;
}
