// The cash page driven by its widgets against orvaemu (and, where the emulator cannot
// misbehave on purpose, the scripted register): what goes on the wire, what the register
// printed into its journal and what the user is shown.

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

// "tag=value" per requisite (decoded text or date when the journal has one, else hex),
// members of a structure in braces.
QStringList requisiteList(const QJsonArray &list)
{
    QStringList out;
    for (const QJsonValue &v : list) {
        const QJsonObject r = v.toObject();
        const QString tag = QString::number(r["tag"].toInt());
        if (r.contains("members"))
            out << tag + '{' + requisiteList(r["members"].toArray()).join(',') + '}';
        else
            out << tag + '=' + r["date"].toString(r["text"].toString(r["hex"].toString()));
    }
    return out;
}

QString requisites(const QJsonArray &list)
{
    return requisiteList(list).join(' ');
}

QString positionRequisites(const QJsonObject &receipt, int index)
{
    return requisites(receipt["positions"].toArray().at(index)["requisites"].toArray());
}

// "name price x quantity = amount" per position, kopecks and thousandths; "-" marks a
// cancellation.
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

// On the indicator: a check box takes clicks on its indicator and text only.
void tick(QWidget *dialog, const char *box)
{
    auto *b = dialog->findChild<QCheckBox *>(QLatin1String(box));
    QVERIFY(b);
    QTest::mouseClick(b, Qt::LeftButton, {}, QPoint(6, b->height() / 2));
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

class TestCashModeWidget : public QObject, private CashPageFixture
{
    Q_OBJECT
private slots:
    void initTestCase() { setUpCase(); }
    void cleanupTestCase() { tearDownCase(); }
    void cleanup() { tearDownTest(); }

    void saleEndToEnd();
    void commissionBeforeClose();
    void correctionByOrder();
    void requisiteRepeatsThenCancel();
    void rules_data();
    void rules();
    void registerRefuses_data();
    void registerRefuses();
    void historyRestoredOnRebuild();
    void restartMidShift();
    void agentKindAndDataKept();

public:
    struct Rule
    {
        const char *name;
        bool emulator; // false: the scripted register
        std::function<void(TestCashModeWidget &)> setup;
        std::function<void(TestCashModeWidget &)> act;
        const char *prompt; // the last prompt after the act, "kind|title|text"; empty: none
        QList<int> codes; // device commands of the act, mode changes left out
        std::function<bool(TestCashModeWidget &)> check;
    };

private:
    QList<int> actCodes() const;
    QByteArray payloadOf(int code) const;
    // Clicks and waits until the page is idle again.
    void run(const char *button);
    void openShiftAndReceipt();
    void sendGeneralRequisites();
    void registerPosition(const QString &name, double price, double qty, const QString &unit = {});
    QWidget *chooseAgentKind(const char *box);
};

Q_DECLARE_METATYPE(TestCashModeWidget::Rule)

QList<int> TestCashModeWidget::actCodes() const
{
    QList<int> codes;
    for (const quint8 code : sentCodes()) {
        if (code != 0x3F && code != 0x48 && code != 0x56)
            codes << code;
    }
    return codes;
}

QByteArray TestCashModeWidget::payloadOf(int code) const
{
    return sent().value(sentCodes().lastIndexOf(quint8(code))).payload.toHex();
}

void TestCashModeWidget::run(const char *button)
{
    click(button);
    QVERIFY2(waitIdle(), button);
}

void TestCashModeWidget::openShiftAndReceipt()
{
    m_prompts->queueAnswer(true, "Смена кассира Ивановой");
    run("pbCycleOpen");
    QCOMPARE(lastPrompt(), info("Смена успешно открыта"));
    run("pbCheckOpen");
    QCOMPARE(lastPrompt(), info("Чек успешно открыт"));
}

void TestCashModeWidget::sendGeneralRequisites()
{
    showTab("tabMainRekvs");
    run("pbSendMainRekv");
    QCOMPARE(lastPrompt(), info("Реквизиты успешно отправлены"));
}

void TestCashModeWidget::registerPosition(
    const QString &name, double price, double qty, const QString &unit)
{
    showTab("tabRegPosition");
    setText("lePosProductName", name);
    setValue("sbPositionSumm", price);
    setValue("sbPositionProductCount", qty);
    setText("lePositionEdinica", unit);
    run("pbRegPosition");
    QCOMPARE(lastPrompt(), info("Позиция зарегистрирована"));
}

// Ticks the kind in the dialog, accepts it and opens the agent data dialog.
QWidget *TestCashModeWidget::chooseAgentKind(const char *box)
{
    click("pbChangeAgentKind");
    auto *kind = m_page->findChild<AgentKindSelectDialog *>();
    tick(kind, box);
    press(kind, "obOk");
    click("pbPositionAgentInfo");
    return m_page->findChild<AgentInformationDialog *>();
}

void TestCashModeWidget::saleEndToEnd()
{
    QVERIFY(startWithEmulator());
    openShiftAndReceipt();
    setText("lePhoneOrEmail", "+79161234567");
    setText("leAddRekvName", "Карта лояльности");
    setText("leAddRekvValue", "1234-5678");
    sendGeneralRequisites();

    // A weighed grocery item, then a phone top-up taken as a payment agent.
    selectData("cbPredmetRascheta", 1);
    selectData("cbSposobRascheta", 4);
    setText("leBarcode", "2400001012549");
    registerPosition("Яблоки Голден", 129.90, 1.254, "кг");
    QWidget *agent = chooseAgentKind("cbAgentPay");
    QCOMPARE(w<QLineEdit>("lePositionAgentKind")->text(), QString("пл агент"));
    // A payment agent has no transfer operator; the receiver's phone is asked for.
    QVERIFY(!field(agent, "lePayOperatorName")->isVisible());
    field(agent, "lePayAgentPhone")->setText("+79990001122");
    field(agent, "lePayReceiverPhone")->setText("+74951112233");
    press(agent, "pushButton_2");
    QCOMPARE(w<QLineEdit>("lePositionAgentInfo")->text(),
        QString("Платежный агент[телефон:+79990001122], Телефон оператора по приему платежей: "
                "+74951112233"));
    selectData("cbPosProviderName", qint64(1));
    setText("lePosProviderInn", "7740000076");
    setText("lePosProviderPhone", "+78002500890");
    field(w<QWidget>("param_phone"), "lineEdit")->setText("9161234567");
    selectData("cbPredmetRascheta", 10);
    // No name typed: the supplier names the position.
    registerPosition({}, 500.00, 1);

    showTab("tabPayment");
    setValue("sbCheckPaySumm", 1000);
    run("pbRegCheckPayment");
    QCOMPARE(lastPrompt(), info("Оплата зарегистрирована"));
    run("pbCloseCheck");
    QCOMPARE(lastPrompt(), info("Чек успешно закрыт"));

    QCOMPARE(
        journal("shiftOpen").value(0)["comment"].toString(), QString("Смена кассира Ивановой"));
    QCOMPARE(journal("receipt").size(), 1);
    const QJsonObject receipt = journal("receipt").first();
    QCOMPARE(
        positions(receipt), QString("Яблоки Голден 12990x1254=16289; Оплата МТС 50000x1000=50000"));
    QCOMPARE(requisites(receipt["requisites"].toArray()),
        QString("1055=01 1008=+79161234567 1084{1085=Карта лояльности,1086=1234-5678}"));
    QCOMPARE(positionRequisites(receipt, 0), QString("1214=04 1212=01 1197=кг"));
    QCOMPARE(positionRequisites(receipt, 1),
        QString("1214=04 1212=0a 1222=04 1223{1073=+79990001122,1074=+74951112233} "
                "1224{1225=МТС,1171=+78002500890} 1226=7740000076 3005=Номер\t9161234567"));
    QCOMPARE(receipt["total"].toDouble(), 66289.0);
    QCOMPARE(receipt["change"].toDouble(), 33711.0);
    // One command per top-level tag, nothing sent twice.
    QCOMPARE(sentRequisiteTags(),
        QList<quint16>(
            { 1055, 1008, 1084, 1214, 1212, 1197, 1214, 1212, 1222, 1223, 1224, 1226, 3005 }));
}

// The commission becomes one more position before the close, which goes out only once
// that position's requisite is acknowledged.
void TestCashModeWidget::commissionBeforeClose()
{
    QVERIFY(startWithEmulator());
    openShiftAndReceipt();
    sendGeneralRequisites();
    setValue("sbPosCommission", 10);
    registerPosition("Доставка", 150.00, 2.000);
    QCOMPARE(m_page->commission().value(), qint64(3000));

    clearSent();
    showTab("tabMainRekvs");
    setValue("sbCloseCheckSumm", 330.00);
    run("pbCloseCheck");
    QCOMPARE(lastPrompt(), info("Чек успешно закрыт"));
    QCOMPARE(m_page->commission().value(), qint64(0));
    QCOMPARE(actCodes(), QList<int>({ 0xE6, 0xE8, 0x4A }));
    // "Комиссия" padded to 64 bytes, price 30.00, quantity 1.000, amount kind, discount kind,
    // discount, tax and section all 0, no product code
    QCOMPARE(payloadOf(0xE6),
        "00" + QByteArray("8aaeaca8e1e1a8ef").leftJustified(128, '0')
            + "000000003000"
              "0000001000"
            + QByteArray(2 * 10, '0') + QByteArray(2 * 17, '0'));
    QCOMPARE(sentRequisiteTags(), QList<quint16>({ 1212 }));
    const QJsonObject receipt = journal("receipt").value(0);
    QCOMPARE(positions(receipt), QString("Доставка 15000x2000=30000; Комиссия 3000x1000=3000"));
    QCOMPARE(positionRequisites(receipt, 1), QString("1212=0b"));
}

void TestCashModeWidget::correctionByOrder()
{
    QVERIFY(startWithEmulator());
    showTab("tabCorrectionCheck");
    selectData("cbCorrectionType", 1);
    setText("leCorrectionReasonName", "Предписание ФНС");
    setValue("sbCorrectionCheckSumm", 1500.00);
    w<QDateEdit>("dtCorrectionReason")->setDate(QDate(2024, 3, 5));
    clearSent();
    const int aborts = abortsSent();
    click("pbCorrectionCheck");
    QCOMPARE(
        lastPrompt(), QString("warning|Внимание|Введите номер документа основания для коррекции"));
    // Refused before any mode request.
    QCOMPARE(abortsSent(), aborts);
    QVERIFY(sent().isEmpty());

    setText("leCorrectionReasonDocNumber", "01-15/2345");
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
    const QJsonObject receipt = journal("receipt").value(0);
    QCOMPARE(receipt["kind"].toInt(), 7);
    QCOMPARE(positions(receipt), QString("Чек коррекции 150000x1000=150000"));
    QCOMPARE(requisites(receipt["requisites"].toArray()),
        QString("1055=01 1173=01 1174{1177=Предписание "
                "ФНС,1178=2024-03-05T00:00:00Z,1179=01-15/2345}"));
}

// The register stores requisite 1197 but never confirms it: the group goes out four times,
// then the operator is asked about that tag, and "Нет" cancels the position.
void TestCashModeWidget::requisiteRepeatsThenCancel()
{
    QVERIFY(startWithEmulator({ "--drop-requisite", "1197" }));
    openShiftAndReceipt();
    sendGeneralRequisites();
    clearSent();
    m_overlays.texts.clear();
    showTab("tabRegPosition");
    setText("lePosProductName", "Молоко 3,2%");
    setValue("sbPositionSumm", 89.90);
    setValue("sbPositionProductCount", 2);
    setText("lePositionEdinica", "л");
    click("pbRegPosition");
    QVERIFY(waitFor([this]() {
        return prompts().contains("question|Внимание|При отправке реквизитов 1197 позиции возникла "
                                  "ошибка. Повторить отправку реквизитов?");
    }));
    QVERIFY(waitIdle());
    QCOMPARE(lastPrompt(), info("Отмена позиции выполнена"));
    QCOMPARE(m_page->retryCount(), 3);
    QCOMPARE(sentRequisiteTags(),
        QList<quint16>({ 1214, 1212, 1197, 1214, 1212, 1197, 1214, 1212, 1197, 1214, 1212, 1197 }));
    QCOMPARE(actCodes().last(), 0xE7);
    QCOMPARE(m_overlays.texts.filter("Отправка реквизитов"),
        QStringList({ "Отправка реквизитов позиции", "Отправка реквизитов. Попытка 1",
            "Отправка реквизитов. Попытка 2", "Отправка реквизитов. Попытка 3" }));

    run("pbCancelCheck");
    QCOMPARE(lastPrompt(), info("Чек успешно отменен(аннулирован)"));
    QCOMPARE(positions(journal("receiptCancel").value(0)),
        QString("Молоко 3,2% 8990x2000=17980; -Молоко 3,2% 8990x2000=-17980"));
}

namespace {

using T = TestCashModeWidget;

bool noCheck(T &)
{
    return true;
}

} // namespace

// A rule of the page (a check, a message, what an answer does) per row.
void TestCashModeWidget::rules_data()
{
    QTest::addColumn<Rule>("rule");
    const auto text = [](T &t, const char *name) { return t.w<QLineEdit>(name)->text(); };
    const QList<Rule> rows {
        { "position before the receipt's requisites", false,
            [](T &t) { t.showTab("tabRegPosition"); }, [](T &t) { t.click("pbRegPosition"); },
            "warning|Внимание|Перед регистрацией первой позиции необходимо выполнить отправку "
            "реквизитов чека",
            {},
            [](T &t) {
                return t.w<QTabWidget>("mainTabWidget")->currentWidget()
                    == t.w<QWidget>("tabMainRekvs");
            } },
        { "payment of zero", false, [](T &t) { t.showTab("tabPayment"); },
            [](T &t) { t.click("pbRegCheckPayment"); },
            "warning|Внимание|Введите корректную сумму оплаты", {}, noCheck },
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
                t.setText("leKKTCurrentMoney", "12.00");
                t.markLog();
            },
            [text](T &t) {
                t.showTab("tabInOutMoney");
                QVERIFY(t.waitFor([&]() { return !text(t, "leKktCycleSumm1").isEmpty(); }));
            },
            "", { 0x4D, 0x58 },
            [text](T &t) {
                return text(t, "leKKTCurrentMoney") == "12.00"
                    && text(t, "leKktCycleSumm1") == "123.45"
                    && t.logSinceMark().contains("ERROR_GET_MONEY_RESULT");
            } },
        { "money read once when the cash tab is shown twice", true, [](T &) {},
            [text](T &t) {
                t.showTab("tabInOutMoney");
                QVERIFY(t.waitFor([&]() { return !text(t, "leKktCycleSumm2").isEmpty(); }));
                t.showTab("tabPayment");
                t.showTab("tabInOutMoney");
                QTest::qWait(100);
            },
            "", { 0x4D, 0x58 }, [text](T &t) { return text(t, "leKKTCurrentMoney") == "0.00"; } },
        { "cash in, then the drawer is read", true,
            [text](T &t) {
                t.showTab("tabInOutMoney");
                t.setValue("sbInOutSumm", 250);
                QVERIFY(t.waitFor([&]() { return !text(t, "leKKTCurrentMoney").isEmpty(); }));
            },
            [text](T &t) {
                t.run("pbIntroduction");
                QVERIFY(t.waitFor([&]() { return text(t, "leKKTCurrentMoney") == "250.00"; }));
            },
            "information|Инфо|Внесение выполнено", { 0x49, 0x4D }, noCheck },
        { "close refused for an unregistered tax system", true,
            [](T &t) {
                t.openShiftAndReceipt();
                t.selectData("cbFiscalSystem", 4);
                t.sendGeneralRequisites();
                t.registerPosition("Хлеб", 45.00, 1);
                t.showTab("tabMainRekvs");
                t.setValue("sbCloseCheckSumm", 45.00);
            },
            [](T &t) { t.run("pbCloseCheck"); },
            "warning|Внмиание!|Для чека выбрана некорректная система налогообложения", { 0x4A },
            noCheck },
        { "the same code refusing a payment is the plain text", false,
            [](T &t) {
                t.m_device->script(
                    0x99, ScriptedDevice::AcceptThenError, QByteArray::fromHex("55e000"));
                t.showTab("tabPayment");
                t.setValue("sbCheckPaySumm", 5);
            },
            [](T &t) { t.run("pbRegCheckPayment"); },
            "warning|Внмиание!|Начисление налога на последнюю операцию невозможно", { 0x99 },
            noCheck },
        { "reprint of the last receipt", true,
            [](T &t) {
                t.openShiftAndReceipt();
                t.sendGeneralRequisites();
                t.registerPosition("Батон", 52.00, 1);
                t.showTab("tabMainRekvs");
                t.setValue("sbCloseCheckSumm", 52.00);
                t.run("pbCloseCheck");
            },
            [](T &t) { t.run("pbPrintLastCheck"); },
            "information|Инфо|Последний чек был успешно напечатан", { 0x95 },
            [](T &t) {
                return t.journal("copy").value(0)["receipt"].toObject()["total"].toDouble()
                    == 5200.0;
            } },
        { "percent commission of the largest position", false,
            [](T &t) {
                t.run("pbCheckOpen");
                t.sendGeneralRequisites();
                t.setValue("sbPosCommission", 100);
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
                t.showTab("tabRegPosition");
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
    QVERIFY(rule.check(*this));
}

// The register refuses: the page shows the device's text, clears the task buffer, and the
// next operation goes through.
void TestCashModeWidget::registerRefuses_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QByteArray>("refused");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QByteArray>("next");
    QTest::addColumn<QString>("nextMessage"); // empty: the drawer is read

    QTest::newRow("no paper") << QStringList { "--no-paper" } << QByteArray("pbCycleOpen")
                              << "warning|Внмиание!|Нет бумаги Для печати чека нажмите кнопку "
                                 "'Печать последнего чека'"
                              << QByteArray("pbKKTMoneyRequest") << "";
    QTest::newRow("shift over 24 hours")
        << QStringList { "--age-shift", "25" } << QByteArray("pbCheckOpen")
        << "warning|Внмиание!|Ошибка открытия чека. Смена превысила 24 часа"
        << QByteArray("pbCloseCycle") << "information|Инфо|Смена успешно закрыта";
    QTest::newRow("no receipt to cancel")
        << QStringList() << QByteArray("pbCancelCheck")
        << "warning|Внмиание!|Чек закрыт – операция невозможна" << QByteArray("pbCheckOpen")
        << "information|Инфо|Чек успешно открыт";
}

void TestCashModeWidget::registerRefuses()
{
    QFETCH(QStringList, options);
    QFETCH(QByteArray, refused);
    QFETCH(QString, message);
    QFETCH(QByteArray, next);
    QFETCH(QString, nextMessage);
    QVERIFY(startWithEmulator(options));
    showTab("tabInOutMoney");
    auto *drawer = w<QLineEdit>("leKKTCurrentMoney");
    QVERIFY(waitFor([&]() { return !drawer->text().isEmpty(); }));
    drawer->clear();

    const int aborts = abortsSent();
    run(refused.constData());
    QCOMPARE(lastPrompt(), message);
    // One abort begins the mode change, one follows the refusal.
    QCOMPARE(abortsSent() - aborts, 2);

    run(next.constData());
    if (nextMessage.isEmpty())
        QVERIFY(waitFor([&]() { return drawer->text() == "0.00"; }));
    else
        QCOMPARE(lastPrompt(), nextMessage);
}

// What was sent last time comes back when the page is built again; what was only typed
// does not.
void TestCashModeWidget::historyRestoredOnRebuild()
{
    QVERIFY(startWithEmulator());
    openShiftAndReceipt();
    setText("lePhoneOrEmail", "buyer@example.ru");
    selectData("cbFiscalSystem", 2);
    sendGeneralRequisites();
    registerPosition("Кефир", 79.90, 1, "л");
    setText("leAddBsoRekv", "not sent");

    QVERIFY(rebuildWindow());
    QCOMPARE(w<QLineEdit>("lePhoneOrEmail")->text(), QString("buyer@example.ru"));
    QCOMPARE(w<QComboBox>("cbFiscalSystem")->currentData().toInt(), 2);
    QCOMPARE(w<QLineEdit>("lePositionEdinica")->text(), QString("л"));
    QCOMPARE(w<QLineEdit>("leAddBsoRekv")->text(), QString());
}

// The emulator goes down with a receipt open and comes back on its state file; the receipt
// goes on where it was.
void TestCashModeWidget::restartMidShift()
{
    QVERIFY(startWithEmulator());
    openShiftAndReceipt();
    sendGeneralRequisites();
    registerPosition("Сахар", 64.50, 2, "кг");
    QVERIFY(restartEmulator());
    registerPosition("Соль", 19.90, 1, "кг");
    showTab("tabMainRekvs");
    setValue("sbCloseCheckSumm", 200);
    run("pbCloseCheck");
    QCOMPARE(lastPrompt(), info("Чек успешно закрыт"));

    QCOMPARE(journal("shiftOpen").size(), 1);
    const QJsonObject receipt = journal("receipt").value(0);
    QCOMPARE(receipt["shift"].toInt(), 1);
    QCOMPARE(positions(receipt), QString("Сахар 6450x2000=12900; Соль 1990x1000=1990"));
    QCOMPARE(positionRequisites(receipt, 0), QString("1214=01 1212=04 1197=кг"));
    QCOMPARE(positionRequisites(receipt, 1), QString("1214=01 1212=04 1197=кг"));
    QCOMPARE(receipt["change"].toDouble(), 5110.0);
}

// The agent kind decides which agent fields exist; only one kind can be chosen; kind and
// data outlive the page, and a reset clears the kind only.
void TestCashModeWidget::agentKindAndDataKept()
{
    QVERIFY(startWithScriptedDevice());
    showTab("tabRegPosition");
    QCOMPARE(w<QLineEdit>("lePositionAgentKind")->text(), QString("не задано"));
    QVERIFY(!w<QWidget>("cbPosProviderName")->isEnabled());
    QWidget *agent = chooseAgentKind("cbAgentBankPay");
    QVERIFY(w<QWidget>("cbPosProviderName")->isEnabled());
    QVERIFY(field(agent, "lePayOperatorName")->isVisible());
    QVERIFY(field(agent, "lePayAgentOperation")->isVisible());
    QVERIFY(!field(agent, "lePayReceiverPhone")->isVisible());
    field(agent, "lePayOperatorName")->setText("ООО Перевод");
    field(agent, "lePayAgentOperation")->setText("Оплата");
    field(agent, "lePayAgentPhone")->setText("+79990001122");
    press(agent, "pushButton_2");
    const QString shown("Оператор перевода[ООО Перевод, телефон: , адрес: , ИНН: ], "
                        "Платежный агент[телефон:+79990001122, операция: Оплата]");
    QCOMPARE(w<QLineEdit>("lePositionAgentInfo")->text(), shown);

    QVERIFY(rebuildWindow());
    QCOMPARE(w<QLineEdit>("lePositionAgentKind")->text(), QString("Банк пл агент"));
    QCOMPARE(w<QLineEdit>("lePositionAgentInfo")->text(), shown);
    showTab("tabRegPosition");
    press(chooseAgentKind("cbAgentComissionare"), "pbCancel");
    QCOMPARE(m_page->agentKind(), int(AgentData::CommissionAgent));
    click("pbResetAgentKind");
    QVERIFY(rebuildWindow());
    QCOMPARE(m_page->agentKind(), 0);
    QCOMPARE(m_page->agentData().payOperatorName, QString("ООО Перевод"));
}

QTEST_MAIN(TestCashModeWidget)
#include "tst_cashmodewidget.moc"
