// The cash page driven by its widgets against orvaemu (and, where the emulator cannot misbehave on
// purpose, the scripted register): what goes on the wire, what the register printed into its
// journal and what the user is shown.

#include "agentdata.h"
#include "agentinformationdialog.h"
#include "agentkindselectdialog.h"
#include "cashmodewidget.h"
#include "cashpagefixture.h"
#include "frcommandscontroller.h"
#include "recordingprompts.h"
#include "scripteddevice.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QJsonArray>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTextCodec>
#include <QtTest>

#include <functional>

namespace {

// "tag=value" per requisite (decoded text or date when the journal has one, else hex), members of a
// structure in braces.
QString requisites(const QJsonArray &list, char separator = ' ')
{
    QStringList out;
    for (const QJsonValue &v : list) {
        const QJsonObject r = v.toObject();
        const QString tag = QString::number(r["tag"].toInt());
        if (r.contains("members"))
            out << tag + '{' + requisites(r["members"].toArray(), ',') + '}';
        else
            out << tag + '=' + r["date"].toString(r["text"].toString(r["hex"].toString()));
    }
    return out.join(separator);
}

QString positionRequisites(const QJsonObject &receipt, int index)
{
    return requisites(receipt["positions"].toArray().at(index)["requisites"].toArray());
}

// "name price x quantity = amount" per position, kopecks and thousandths; "-" marks a cancellation.
QString positions(const QJsonObject &receipt)
{
    QStringList out;
    for (const QJsonValue &v : receipt["positions"].toArray()) {
        out << QStringLiteral("%1%2 %3x%4=%5")
                   .arg(v["cancel"].toBool() ? "-" : "", v["name"].toString())
                   .arg(qint64(v["price"].toDouble()))
                   .arg(qint64(v["quantity"].toDouble()))
                   .arg(qint64(v["amount"].toDouble()));
    }
    return out.join("; ");
}

// A nested TLV as the register reads it.
QByteArray tlv(quint16 tag, const QByteArray &value)
{
    return QByteArray(1, char(tag & 0xFF)) + char(tag >> 8) + char(value.size()) + '\0' + value;
}

QLineEdit *field(QWidget *dialog, const char *name)
{
    return dialog->findChild<QLineEdit *>(QLatin1String(name));
}

void press(QWidget *dialog, const char *name)
{
    QTest::mouseClick(dialog->findChild<QPushButton *>(QLatin1String(name)), Qt::LeftButton);
}

QString info(const QString &text)
{
    return "information|Инфо|" + text;
}

} // namespace

class TestCashModeWidget : public CashPageFixture
{
    Q_OBJECT
private slots:
    void saleEndToEnd();
    void commissionBeforeClose();
    void correctionByOrder();
    void requisiteRepeatsThenCancel();
    void keptOverRestartAndRebuild();
    void rules_data();
    void rules();
    void registerRefuses_data();
    void registerRefuses();

public:
    struct Rule
    {
        const char *name;
        bool emulator; // false: the scripted register
        std::function<void(TestCashModeWidget &)> setup;
        std::function<void(TestCashModeWidget &)> act;
        const char *prompt; // the last prompt after the act, "kind|title|text"; empty: none
        QList<int> codes; // device commands of the act, mode changes left out
        std::function<bool(TestCashModeWidget &)> check = {}; // none: nothing more to check
    };

private:
    QList<int> actCodes() const
    {
        QList<int> codes;
        for (const quint8 code : sentCodes()) {
            if (code != 0x3F && code != 0x48 && code != 0x56)
                codes << code;
        }
        return codes;
    }
    QByteArray payloadOf(int code) const
    {
        return sent().value(sentCodes().lastIndexOf(quint8(code))).payload.toHex();
    }
};

Q_DECLARE_METATYPE(TestCashModeWidget::Rule)

void TestCashModeWidget::saleEndToEnd()
{
    QVERIFY(startWithEmulator());
    openShiftAndReceipt();
    set("lePhoneOrEmail", "+79161234567");
    set("leAddRekvName", "Карта лояльности");
    set("leAddRekvValue", "1234-5678");
    sendGeneralRequisites();

    // A weighed grocery item, then a phone top-up taken as a payment agent.
    set("cbPredmetRascheta", 1);
    set("cbSposobRascheta", 4);
    set("leBarcode", "2400001012549");
    registerPosition("Яблоки Голден", 129.90, 1.254, "кг");
    click("pbChangeAgentKind");
    // Ticked on its indicator: a check box takes clicks there and on its text only.
    auto *kind = m_page->findChild<AgentKindSelectDialog *>();
    auto *box = kind->findChild<QCheckBox *>("cbAgentPay");
    QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(6, box->height() / 2));
    press(kind, "obOk");
    click("pbPositionAgentInfo");
    auto *agent = m_page->findChild<AgentInformationDialog *>();
    // A payment agent has no transfer operator; the receiver's phone is asked for.
    QVERIFY(!field(agent, "lePayOperatorName")->isVisible());
    field(agent, "lePayAgentPhone")->setText("+79990001122");
    field(agent, "lePayReceiverPhone")->setText("+74951112233");
    press(agent, "pushButton_2");
    set("cbPosProviderName", qint64(1));
    set("lePosProviderInn", "7740000076");
    set("lePosProviderPhone", "+78002500890");
    field(w<QWidget>("param_phone"), "lineEdit")->setText("9161234567");
    set("cbPredmetRascheta", 10);
    // No name typed: the supplier names the position.
    registerPosition({}, 500.00, 1);

    set("sbCheckPaySumm", 1000);
    run("pbRegCheckPayment");
    QCOMPARE(lastPrompt(), info("Оплата зарегистрирована"));
    run("pbCloseCheck");
    QCOMPARE(lastPrompt(), info("Чек успешно закрыт"));

    QCOMPARE(
        journal("shiftOpen").value(0)["comment"].toString(), QString("Смена кассира Ивановой"));
    const QJsonObject receipt = journal("receipt").value(0);
    QCOMPARE(
        positions(receipt), QString("Яблоки Голден 12990x1254=16289; Оплата МТС 50000x1000=50000"));
    QCOMPARE(requisites(receipt["requisites"].toArray()),
        QString("1055=01 1008=+79161234567 1084{1085=Карта лояльности,1086=1234-5678}"));
    QCOMPARE(positionRequisites(receipt, 0), QString("1214=04 1212=01 1197=кг"));
    QCOMPARE(positionRequisites(receipt, 1),
        QString("1214=04 1212=0a 1222=04 1223{1073=+79990001122,1074=+74951112233} "
                "1224{1225=МТС,1171=+78002500890} 1226=7740000076 3005=Номер\t9161234567"));
    QCOMPARE(receipt["change"].toDouble(), 33711.0);
    // One command per top-level tag, nothing sent twice.
    QCOMPARE(sentRequisiteTags(),
        QList<quint16>(
            { 1055, 1008, 1084, 1214, 1212, 1197, 1214, 1212, 1222, 1223, 1224, 1226, 3005 }));
}

// The commission becomes one more position before the close, which goes out only once that
// position's requisite is acknowledged.
void TestCashModeWidget::commissionBeforeClose()
{
    QVERIFY(startWithEmulator());
    openShiftAndReceipt();
    sendGeneralRequisites();
    set("sbPosCommission", 10);
    registerPosition("Доставка", 150.00, 2.000);
    QCOMPARE(m_page->commission().value(), qint64(3000));

    clearSent();
    set("sbCloseCheckSumm", 330.00);
    run("pbCloseCheck");
    QCOMPARE(lastPrompt(), info("Чек успешно закрыт"));
    QCOMPARE(m_page->commission().value(), qint64(0));
    QCOMPARE(actCodes(), QList<int>({ 0xE6, 0xE8, 0x4A }));
    // The register's position record: "Комиссия" in CP866 padded to 64 bytes, price 30.00, quantity
    // 1.000, amount kind, discount kind, discount, tax, section 0, no code.
    QCOMPARE(payloadOf(0xE6),
        "00" + QByteArray("8aaeaca8e1e1a8ef").leftJustified(128, '0')
            + "000000003000"
              "0000001000"
            + QByteArray(2 * 10, '0') + QByteArray(2 * 17, '0'));
    QCOMPARE(sentRequisiteTags(), QList<quint16>({ 1212 }));
    QCOMPARE(positions(journal("receipt").value(0)),
        QString("Доставка 15000x2000=30000; Комиссия 3000x1000=3000"));
}

void TestCashModeWidget::correctionByOrder()
{
    QVERIFY(startWithEmulator());
    set("cbCorrectionType", 1);
    set("leCorrectionReasonName", "Предписание ФНС");
    set("sbCorrectionCheckSumm", 1500.00);
    w<QDateEdit>("dtCorrectionReason")->setDate(QDate(2024, 3, 5));
    clearSent();
    const int aborts = abortsSent();
    click("pbCorrectionCheck");
    QCOMPARE(
        lastPrompt(), QString("warning|Внимание|Введите номер документа основания для коррекции"));
    // Refused before any mode request.
    QCOMPARE(abortsSent(), aborts);
    QVERIFY(sent().isEmpty());

    set("leCorrectionReasonDocNumber", "01-15/2345");
    run("pbCorrectionCheck");
    QCOMPARE(lastPrompt(), info("Создание чека коррекции выполнено"));
    QCOMPARE(actCodes(), QList<int>({ 0x92, 0xE6, 0xE8, 0xE8, 0xE8, 0x4A }));
    QCOMPARE(payloadOf(0x92), QByteArray("0007"));
    // 1174 last: the basis name, the date as unixtime of 2024-03-05 00:00 UTC, the number
    const QByteArray basis
        = tlv(1177, QTextCodec::codecForName("CP866")->fromUnicode("Предписание ФНС"))
        + tlv(1178, QByteArray::fromHex("8060e665")) + tlv(1179, "01-15/2345");
    QCOMPARE(payloadOf(0xE8), "000100" + tlv(1174, basis).toHex());
    // Cash, sum zero.
    QCOMPARE(payloadOf(0x4A), QByteArray("00010000000000"));
    QCOMPARE(positions(journal("receipt").value(0)), QString("Чек коррекции 150000x1000=150000"));
}

// The register stores requisite 1197 but never confirms it: the group goes out four times, then the
// operator is asked about that tag, and "Нет" cancels the position.
void TestCashModeWidget::requisiteRepeatsThenCancel()
{
    QVERIFY(startWithEmulator({ "--drop-requisite", "1197" }));
    openShiftAndReceipt();
    sendGeneralRequisites();
    clearSent();
    set("lePosProductName", "Молоко 3,2%");
    set("sbPositionSumm", 89.90);
    set("sbPositionProductCount", 2);
    set("lePositionEdinica", "л");
    click("pbRegPosition");
    QVERIFY(waitFor([this]() {
        return prompts().contains("question|Внимание|При отправке реквизитов 1197 позиции возникла "
                                  "ошибка. Повторить отправку реквизитов?");
    }));
    QVERIFY(waitIdle());
    QCOMPARE(lastPrompt(), info("Отмена позиции выполнена"));
    QCOMPARE(sentRequisiteTags(),
        QList<quint16>({ 1214, 1212, 1197, 1214, 1212, 1197, 1214, 1212, 1197, 1214, 1212, 1197 }));
    QCOMPARE(actCodes().last(), 0xE7);

    run("pbCancelCheck");
    QCOMPARE(lastPrompt(), info("Чек успешно отменен(аннулирован)"));
    QCOMPARE(positions(journal("receiptCancel").value(0)),
        QString("Молоко 3,2% 8990x2000=17980; -Молоко 3,2% 8990x2000=-17980"));
}

// A rule of the page (a check, a message, what an answer does) per row.
void TestCashModeWidget::rules_data()
{
    using T = TestCashModeWidget;
    QTest::addColumn<Rule>("rule");
    const auto text = [](T &t, const char *name) { return t.w<QLineEdit>(name)->text(); };
    const QList<Rule> rows {
        { "position before the receipt's requisites", false, [](T &) {},
            [](T &t) { t.click("pbRegPosition"); },
            "warning|Внимание|Перед регистрацией первой позиции необходимо выполнить отправку "
            "реквизитов чека",
            {},
            [](T &t) {
                return t.w<QTabWidget>("mainTabWidget")->currentWidget()
                    == t.w<QWidget>("tabMainRekvs");
            } },
        { "payment of zero", false, [](T &t) { t.showTab("tabPayment"); },
            [](T &t) { t.click("pbRegCheckPayment"); },
            "warning|Внимание|Введите корректную сумму оплаты", {} },
        { "mode 1 reported while the shift close waits for mode 3", false,
            [](T &t) {
                // The link is down and its question declined: the close stays requested.
                t.m_controller->stop();
                QTRY_VERIFY(!t.m_controller->isConnected());
                t.click("pbCloseCycle");
            },
            [](T &t) {
                QMetaObject::invokeMethod(t.m_page, "frModeChanged", Q_ARG(quint8, 1),
                    Q_ARG(bool, false), Q_ARG(quint8, 0));
            },
            "", {},
            [](T &t) {
                return t.m_page->pendingOperation() == CashModeWidget::CloseShiftRequested;
            } },
        { "drawer answer of 7 bytes", false,
            [](T &t) {
                t.m_device->script(
                    0x4D, ScriptedDevice::AcceptThenResult, QByteArray::fromHex("4d000000000500"));
                t.m_device->script(0x58, ScriptedDevice::AcceptThenResult,
                    QByteArray::fromHex("5500"
                                        "00000000012345"
                                        "00000000000000"));
                t.set("leKKTCurrentMoney", "12.00");
            },
            [text](T &t) {
                t.showTab("tabInOutMoney");
                QVERIFY(t.waitFor([&]() { return !text(t, "leKktCycleSumm1").isEmpty(); }));
            },
            "", { 0x4D, 0x58 },
            [text](T &t) {
                return text(t, "leKKTCurrentMoney") == "12.00"
                    && text(t, "leKktCycleSumm1") == "123.45";
            } },
        { "close refused for an unregistered tax system", true,
            [](T &t) {
                t.set("cbFiscalSystem", 4);
                t.openShiftAndReceipt();
                t.sendGeneralRequisites();
                t.registerPosition("Хлеб", 45.00, 1);
                t.set("sbCloseCheckSumm", 45.00);
            },
            [](T &t) { t.run("pbCloseCheck"); },
            "warning|Внмиание!|Для чека выбрана некорректная система налогообложения", { 0x4A } },
        { "the same code refusing a payment is the plain text", false,
            [](T &t) {
                t.m_device->script(
                    0x99, ScriptedDevice::AcceptThenError, QByteArray::fromHex("55e000"));
                t.set("sbCheckPaySumm", 5);
            },
            [](T &t) { t.run("pbRegCheckPayment"); },
            "warning|Внмиание!|Начисление налога на последнюю операцию невозможно", { 0x99 } },
        { "percent commission of the largest position", false,
            [](T &t) {
                t.run("pbCheckOpen");
                t.sendGeneralRequisites();
                t.set("sbPosCommission", 100);
            },
            [](T &t) { t.registerPosition("Лот", 99999999.99, 99999.999); },
            "information|Инфо|Позиция зарегистрирована", { 0xE6, 0xE8, 0xE8 },
            [](T &t) { return t.m_page->commission().value() == 999999989900000LL; } },
        { "the wait given up during a requisite group", false,
            [](T &t) {
                t.run("pbCheckOpen");
                t.sendGeneralRequisites();
                t.m_device->script(0xE8, ScriptedDevice::AcceptOnly);
            },
            [](T &t) {
                t.click("pbRegPosition");
                QVERIFY(t.waitFor([&]() { return t.sentCodes().contains(0xE8); }));
                // What the overlay's cancel does; then no repeat, no message.
                t.m_controller->forceStopAll();
                QTest::qWait(3 * REQUISITE_TIMEOUT_MS);
            },
            "", { 0xE6, 0xE8 },
            [](T &t) {
                return t.m_page->pendingOperation() == CashModeWidget::NoOperation
                    && t.m_page->pendingRequisites().isEmpty();
            } },
        { "open receipt while one is open: cancel it on Yes", true,
            [](T &t) {
                t.openShiftAndReceipt();
                t.m_prompts->setDefaultAnswer(true);
            },
            [](T &t) { t.run("pbCheckOpen"); }, "information|Инфо|Чек успешно отменен(аннулирован)",
            { 0x92, 0x59 },
            [](T &t) {
                return t.prompts().contains("question|Внмиание!|Операция невозможна при открытом "
                                            "чеке. Выполнить отмену текущего чека сейчас?");
            } },
    };
    for (const Rule &r : rows)
        QTest::newRow(r.name) << r;
}

void TestCashModeWidget::rules()
{
    QFETCH(Rule, rule);
    QVERIFY(rule.emulator ? startWithEmulator() : startWithScriptedDevice());
    rule.setup(*this);
    if (QTest::currentTestFailed())
        return;
    clearSent();
    const int promptsBefore = m_prompts->count();
    rule.act(*this);
    if (QTest::currentTestFailed())
        return;
    if (QByteArray(rule.prompt).isEmpty())
        QCOMPARE(prompts().mid(promptsBefore), QStringList());
    else
        QCOMPARE(lastPrompt(), QString::fromUtf8(rule.prompt));
    QCOMPARE(actCodes(), rule.codes);
    QVERIFY(!rule.check || rule.check(*this));
}

// The register refuses: the page shows the device's text, clears the task buffer, and the next
// operation goes through.
void TestCashModeWidget::registerRefuses_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QByteArray>("refused");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QByteArray>("next");
    QTest::addColumn<QString>("nextMessage");

    QTest::newRow("no paper") << QStringList { "--no-paper" } << QByteArray("pbCycleOpen")
                              << "warning|Внмиание!|Нет бумаги Для печати чека нажмите кнопку "
                                 "'Печать последнего чека'"
                              << QByteArray("pbCancelCheck")
                              << "warning|Внмиание!|Чек закрыт – операция невозможна";
    QTest::newRow("shift over 24 hours")
        << QStringList { "--age-shift", "25" } << QByteArray("pbCheckOpen")
        << "warning|Внмиание!|Ошибка открытия чека. Смена превысила 24 часа"
        << QByteArray("pbCloseCycle") << "information|Инфо|Смена успешно закрыта";
}

void TestCashModeWidget::registerRefuses()
{
    QFETCH(QStringList, options);
    QFETCH(QByteArray, refused);
    QFETCH(QByteArray, next);
    QVERIFY(startWithEmulator(options));
    const int aborts = abortsSent();
    run(refused.constData());
    QTEST(lastPrompt(), "message");
    // One abort begins the mode change, one follows the refusal.
    QCOMPARE(abortsSent() - aborts, 2);
    run(next.constData());
    QTEST(lastPrompt(), "nextMessage");
}

// The emulator goes down with a receipt open and comes back on its state file: the receipt goes
// on where it was. Then the page is built again: what was sent (buyer contact, tax system, unit,
// the agent kind) comes back, what was only typed does not.
void TestCashModeWidget::keptOverRestartAndRebuild()
{
    QVERIFY(startWithEmulator());
    openShiftAndReceipt();
    set("lePhoneOrEmail", "buyer@example.ru");
    set("cbFiscalSystem", 2);
    sendGeneralRequisites();
    registerPosition("Сахар", 64.50, 2, "кг");
    QVERIFY(restartEmulator());
    registerPosition("Соль", 19.90, 1, "кг");
    set("sbCloseCheckSumm", 200);
    run("pbCloseCheck");
    QCOMPARE(lastPrompt(), info("Чек успешно закрыт"));
    const QJsonObject receipt = journal("receipt").value(0);
    QCOMPARE(journal("shiftOpen").size(), 1);
    QCOMPARE(positions(receipt), QString("Сахар 6450x2000=12900; Соль 1990x1000=1990"));
    QCOMPARE(receipt["change"].toDouble(), 5110.0);

    click("pbChangeAgentKind");
    auto *kind = m_page->findChild<AgentKindSelectDialog *>();
    auto *box = kind->findChild<QCheckBox *>("cbAgentComissionare");
    QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(6, box->height() / 2));
    press(kind, "obOk");
    set("leAddBsoRekv", "not sent");
    QVERIFY(rebuildWindow());
    QCOMPARE(w<QLineEdit>("lePhoneOrEmail")->text(), QString("buyer@example.ru"));
    QCOMPARE(w<QComboBox>("cbFiscalSystem")->currentData().toInt(), 2);
    QCOMPARE(w<QLineEdit>("lePositionEdinica")->text(), QString("кг"));
    QCOMPARE(m_page->agentKind(), int(AgentData::CommissionAgent));
    QCOMPARE(w<QLineEdit>("leAddBsoRekv")->text(), QString());
}

QTEST_MAIN(TestCashModeWidget)
#include "tst_cashmodewidget.moc"
