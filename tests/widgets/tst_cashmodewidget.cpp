// The cash page driven by its widgets against orvaemu (and, where the emulator cannot
// misbehave on purpose, the scripted register): what goes on the wire, what the register
// printed into its journal and what the user is shown.

#include "agentinformationdialog.h"
#include "agentkindselectdialog.h"
#include "cashmodewidget.h"
#include "cashpagefixture.h"
#include "emulatorprocess.h"
#include "frcommandscontroller.h"
#include "frmodechanger.h"
#include "mainwindow.h"
#include "recordingprompts.h"
#include "scripteddevice.h"
#include "waitmessagewidget.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QDateTime>
#include <QJsonArray>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTextCodec>
#include <QtTest>

#include <functional>

namespace {

// "tag=value" per requisite (text when the journal decoded one, hex otherwise), members of
// a structure in braces.
QStringList describe(const QJsonArray &requisites)
{
    QStringList out;
    for (const QJsonValue &v : requisites) {
        const QJsonObject r = v.toObject();
        const QString tag = QString::number(r.value(QStringLiteral("tag")).toInt());
        if (r.contains(QStringLiteral("members"))) {
            out << tag + QLatin1Char('{')
                    + describe(r.value(QStringLiteral("members")).toArray()).join(QLatin1Char(','))
                    + QLatin1Char('}');
        } else if (r.contains(QStringLiteral("date"))) {
            out << tag + QLatin1Char('=') + r.value(QStringLiteral("date")).toString();
        } else if (r.contains(QStringLiteral("text"))) {
            out << tag + QLatin1Char('=') + r.value(QStringLiteral("text")).toString();
        } else {
            out << tag + QLatin1Char('=') + r.value(QStringLiteral("hex")).toString();
        }
    }
    return out;
}

// "name price x quantity = amount" of the journal's positions, in kopecks and thousandths.
QStringList positionsOf(const QJsonObject &receipt)
{
    QStringList out;
    for (const QJsonValue &v : receipt.value(QStringLiteral("positions")).toArray()) {
        const QJsonObject p = v.toObject();
        out << QStringLiteral("%1%2 %3x%4=%5")
                   .arg(
                       p.value(QStringLiteral("cancel")).toBool() ? QStringLiteral("-") : QString(),
                       p.value(QStringLiteral("name")).toString())
                   .arg(qint64(p.value(QStringLiteral("price")).toDouble()))
                   .arg(qint64(p.value(QStringLiteral("quantity")).toDouble()))
                   .arg(qint64(p.value(QStringLiteral("amount")).toDouble()));
    }
    return out;
}

QJsonArray positionRequisites(const QJsonObject &receipt, int index)
{
    return receipt.value(QStringLiteral("positions"))
        .toArray()
        .at(index)
        .toObject()
        .value(QStringLiteral("requisites"))
        .toArray();
}

// On the box's indicator: a check box takes clicks on its indicator and text only.
void tick(QCheckBox *box)
{
    QVERIFY(box);
    QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(6, box->height() / 2));
}

QString info(const QString &text)
{
    return QStringLiteral("information|Инфо|") + text;
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
    void agentDialogs_data();
    void agentDialogs();

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
    // Clicks and waits until the page is idle again.
    void run(const char *button);
    void openShiftAndReceipt();
    void sendGeneralRequisites();
    void registerPosition(
        const QString &name, double price, double quantity, const QString &unit = QString());
    void chooseAgentKind(const char *box);
};

void TestCashModeWidget::run(const char *button)
{
    click(button);
    QVERIFY2(waitIdle(), button);
}

void TestCashModeWidget::openShiftAndReceipt()
{
    m_prompts->queueAnswer(true, QStringLiteral("Смена кассира Ивановой"));
    run("pbCycleOpen");
    QCOMPARE(lastPrompt(), info(QStringLiteral("Смена успешно открыта")));
    run("pbCheckOpen");
    QCOMPARE(lastPrompt(), info(QStringLiteral("Чек успешно открыт")));
}

void TestCashModeWidget::sendGeneralRequisites()
{
    showTab("tabMainRekvs");
    run("pbSendMainRekv");
    QCOMPARE(lastPrompt(), info(QStringLiteral("Реквизиты успешно отправлены")));
    QVERIFY(m_page->mainRequisitesSent());
}

void TestCashModeWidget::registerPosition(
    const QString &name, double price, double quantity, const QString &unit)
{
    showTab("tabRegPosition");
    setText("lePosProductName", name);
    setValue("sbPositionSumm", price);
    setValue("sbPositionProductCount", quantity);
    setText("lePositionEdinica", unit);
    run("pbRegPosition");
    QCOMPARE(lastPrompt(), info(QStringLiteral("Позиция зарегистрирована")));
}

void TestCashModeWidget::chooseAgentKind(const char *box)
{
    click("pbChangeAgentKind");
    auto *dialog = m_page->findChild<AgentKindSelectDialog *>();
    QVERIFY(dialog);
    tick(dialog->findChild<QCheckBox *>(QLatin1String(box)));
    QTest::mouseClick(dialog->findChild<QPushButton *>(QStringLiteral("obOk")), Qt::LeftButton);
}

void TestCashModeWidget::saleEndToEnd()
{
    QVERIFY(startWithEmulator());
    openShiftAndReceipt();
    setText("lePhoneOrEmail", QStringLiteral("+79161234567"));
    setText("leAddRekvName", QStringLiteral("Карта лояльности"));
    setText("leAddRekvValue", QStringLiteral("1234-5678"));
    sendGeneralRequisites();

    // A weighed grocery item, then a phone top-up taken as a payment agent.
    selectData("cbPredmetRascheta", 1);
    selectData("cbSposobRascheta", 4);
    setText("leBarcode", QStringLiteral("2400001012549"));
    registerPosition(QStringLiteral("Яблоки Голден"), 129.90, 1.254, QStringLiteral("кг"));

    chooseAgentKind("cbAgentPay");
    QCOMPARE(w<QLineEdit>("lePositionAgentKind")->text(), QStringLiteral("пл агент"));
    click("pbPositionAgentInfo");
    auto *agentDialog = m_page->findChild<AgentInformationDialog *>();
    QVERIFY(agentDialog);
    // A payment agent has no transfer operator; the receiver's phone is asked for.
    QVERIFY(!agentDialog->findChild<QLineEdit *>(QStringLiteral("lePayOperatorName"))->isVisible());
    agentDialog->findChild<QLineEdit *>(QStringLiteral("lePayAgentPhone"))
        ->setText(QStringLiteral("+79990001122"));
    agentDialog->findChild<QLineEdit *>(QStringLiteral("lePayReceiverPhone"))
        ->setText(QStringLiteral("+74951112233"));
    QTest::mouseClick(
        agentDialog->findChild<QPushButton *>(QStringLiteral("pushButton_2")), Qt::LeftButton);
    QCOMPARE(w<QLineEdit>("lePositionAgentInfo")->text(),
        QStringLiteral("Платежный агент[телефон:+79990001122], Телефон оператора по приему "
                       "платежей: +74951112233"));
    selectData("cbPosProviderName", qint64(1));
    setText("lePosProviderInn", QStringLiteral("7740000076"));
    setText("lePosProviderPhone", QStringLiteral("+78002500890"));
    auto *number = w<QWidget>("param_phone");
    QVERIFY(number);
    number->findChild<QLineEdit *>(QStringLiteral("lineEdit"))
        ->setText(QStringLiteral("9161234567"));
    selectData("cbPredmetRascheta", 10);
    // No name typed: the supplier names the position.
    registerPosition(QString(), 500.00, 1, QString());

    showTab("tabPayment");
    selectData("cbCheckPayType", 1);
    setValue("sbCheckPaySumm", 1000);
    run("pbRegCheckPayment");
    QCOMPARE(lastPrompt(), info(QStringLiteral("Оплата зарегистрирована")));
    run("pbCloseCheck");
    QCOMPARE(lastPrompt(), info(QStringLiteral("Чек успешно закрыт")));

    QCOMPARE(journal(QStringLiteral("shiftOpen")).value(0).value(QStringLiteral("comment")),
        QJsonValue(QStringLiteral("Смена кассира Ивановой")));
    const QList<QJsonObject> receipts = journal(QStringLiteral("receipt"));
    QCOMPARE(receipts.size(), 1);
    const QJsonObject receipt = receipts.first();
    QCOMPARE(positionsOf(receipt),
        QStringList({ QStringLiteral("Яблоки Голден 12990x1254=16289"),
            QStringLiteral("Оплата МТС 50000x1000=50000") }));
    QCOMPARE(describe(receipt.value(QStringLiteral("requisites")).toArray()),
        QStringList(
            { "1055=01", "1008=+79161234567", "1084{1085=Карта лояльности,1086=1234-5678}" }));
    QCOMPARE(
        describe(positionRequisites(receipt, 0)), QStringList({ "1214=04", "1212=01", "1197=кг" }));
    QCOMPARE(describe(positionRequisites(receipt, 1)),
        QStringList({ "1214=04", "1212=0a", "1222=04", "1223{1073=+79990001122,1074=+74951112233}",
            "1224{1225=МТС,1171=+78002500890}", "1226=7740000076", "3005=Номер\t9161234567" }));
    QCOMPARE(receipt.value(QStringLiteral("total")).toDouble(), 66289.0);
    QCOMPARE(receipt.value(QStringLiteral("change")).toDouble(), 33711.0);
    // One command per top-level tag, nothing sent twice.
    QCOMPARE(sentRequisiteTags(),
        QList<quint16>(
            { 1055, 1008, 1084, 1214, 1212, 1197, 1214, 1212, 1222, 1223, 1224, 1226, 3005 }));
}

QList<int> TestCashModeWidget::actCodes() const
{
    QList<int> codes;
    for (const quint8 code : sentCodes()) {
        if (code != 0x3F && code != 0x48 && code != 0x56)
            codes << code;
    }
    return codes;
}

// The position's commission is registered as one more position before the close, and the
// close goes out only once that position's requisite is acknowledged.
void TestCashModeWidget::commissionBeforeClose()
{
    QVERIFY(startWithEmulator());
    openShiftAndReceipt();
    sendGeneralRequisites();
    setValue("sbPosCommission", 10);
    w<QComboBox>("cbPosCommissionKind")->setCurrentIndex(0);
    registerPosition(QStringLiteral("Доставка"), 150.00, 2.000);
    QCOMPARE(m_page->commission().value(), qint64(3000));

    clearSent();
    showTab("tabMainRekvs");
    setValue("sbCloseCheckSumm", 330.00);
    run("pbCloseCheck");
    QCOMPARE(lastPrompt(), info(QStringLiteral("Чек успешно закрыт")));
    QCOMPARE(m_page->commission().value(), qint64(0));
    QCOMPARE(actCodes(), QList<int>({ 0xE6, 0xE8, 0x4A }));
    const QList<SentTask> tasks = sent();
    const SentTask commission = tasks.at(sentCodes().indexOf(0xE6));
    // flags, "Комиссия" in CP866 padded to 64, price 30.00, quantity 1.000, amount kind 0,
    // discount kind 0, discount 0, tax 0, section 0, no product code, reserved byte
    QCOMPARE(commission.payload.toHex(),
        QByteArray("00"
                   "8aaeaca8e1e1a8ef"
            + QByteArray(56 * 2, '0')
            + "000000003000"
              "0000001000"
              "00"
              "00"
              "000000000000"
              "00"
              "00"
            + QByteArray(16 * 2, '0') + "00"));
    QCOMPARE(sentRequisiteTags(), QList<quint16>({ 1212 }));

    const QJsonObject receipt = journal(QStringLiteral("receipt")).value(0);
    QCOMPARE(positionsOf(receipt),
        QStringList({ QStringLiteral("Доставка 15000x2000=30000"),
            QStringLiteral("Комиссия 3000x1000=3000") }));
    QCOMPARE(describe(positionRequisites(receipt, 1)), QStringList({ "1212=0b" }));
    QCOMPARE(receipt.value(QStringLiteral("total")).toDouble(), 33000.0);
}

void TestCashModeWidget::correctionByOrder()
{
    QVERIFY(startWithEmulator());
    showTab("tabCorrectionCheck");
    selectData("cbCorrectionType", 1);
    setText("leCorrectionReasonName", QStringLiteral("Предписание ФНС"));
    setValue("sbCorrectionCheckSumm", 1500.00);
    w<QDateEdit>("dtCorrectionReason")->setDate(QDate(2024, 3, 5));
    clearSent();
    const int aborts = abortsSent();
    click("pbCorrectionCheck");
    QCOMPARE(lastPrompt(),
        QStringLiteral("warning|Внимание|Введите номер документа основания для коррекции"));
    // Refused before any mode request.
    QCOMPARE(abortsSent(), aborts);
    QVERIFY(sent().isEmpty());

    setText("leCorrectionReasonDocNumber", QStringLiteral("01-15/2345"));
    run("pbCorrectionCheck");
    QCOMPARE(lastPrompt(), info(QStringLiteral("Создание чека коррекции выполнено")));
    QCOMPARE(actCodes(), QList<int>({ 0x92, 0xE6, 0xE8, 0xE8, 0xE8, 0x4A }));
    const QList<SentTask> tasks = sent();
    QCOMPARE(tasks.at(sentCodes().indexOf(0x92)).payload.toHex(), QByteArray("0007"));
    // 1174: 1177 name, 1178 2024-03-05 00:00 UTC little-endian, 1179 number
    const QByteArray basis = QByteArray::fromHex("000100"
                                                 "9604"
                                                 "2900"
                                                 "9904"
                                                 "0f00")
        + QTextCodec::codecForName("CP866")->fromUnicode(QStringLiteral("Предписание ФНС"))
        + QByteArray::fromHex("9a04"
                              "0400"
                              "8060e665"
                              "9b04"
                              "0a00")
        + "01-15/2345";
    QCOMPARE(tasks.at(sentCodes().lastIndexOf(0xE8)).payload.toHex(), basis.toHex());
    // Payment type cash, sum zero.
    QCOMPARE(tasks.at(sentCodes().indexOf(0x4A)).payload.toHex(), QByteArray("00010000000000"));

    const QJsonObject receipt = journal(QStringLiteral("receipt")).value(0);
    QCOMPARE(receipt.value(QStringLiteral("kind")).toInt(), 7);
    QCOMPARE(
        positionsOf(receipt), QStringList({ QStringLiteral("Чек коррекции 150000x1000=150000") }));
    QCOMPARE(describe(receipt.value(QStringLiteral("requisites")).toArray()),
        QStringList({ "1055=01", "1173=01",
            "1174{1177=Предписание ФНС,1178=2024-03-05T00:00:00Z,1179=01-15/2345}" }));
}

// The register stores requisite 1197 but never confirms it: the group goes out four times,
// then the operator is asked about that tag, and "Нет" cancels the position.
void TestCashModeWidget::requisiteRepeatsThenCancel()
{
    QVERIFY(startWithEmulator({ QStringLiteral("--drop-requisite"), QStringLiteral("1197") }));
    openShiftAndReceipt();
    sendGeneralRequisites();
    showTab("tabRegPosition");
    setText("lePosProductName", QStringLiteral("Молоко 3,2%"));
    setValue("sbPositionSumm", 89.90);
    setValue("sbPositionProductCount", 2);
    setText("lePositionEdinica", QStringLiteral("л"));
    clearSent();
    m_overlays.texts.clear();
    click("pbRegPosition");
    const QString question
        = QStringLiteral("question|Внимание|При отправке реквизитов 1197 позиции "
                         "возникла ошибка. Повторить отправку реквизитов?");
    QVERIFY(waitFor([&]() { return prompts().contains(question); }));
    QVERIFY(waitIdle());
    QCOMPARE(lastPrompt(), info(QStringLiteral("Отмена позиции выполнена")));
    QCOMPARE(m_page->retryCount(), 3);
    QCOMPARE(sentRequisiteTags(),
        QList<quint16>({ 1214, 1212, 1197, 1214, 1212, 1197, 1214, 1212, 1197, 1214, 1212, 1197 }));
    QCOMPARE(actCodes().mid(actCodes().size() - 1), QList<int>({ 0xE7 }));
    QStringList attempts;
    for (const QString &text : qAsConst(m_overlays.texts)) {
        if (text.startsWith(QStringLiteral("Отправка реквизитов")))
            attempts << text;
    }
    QCOMPARE(attempts,
        QStringList({ "Отправка реквизитов позиции", "Отправка реквизитов. Попытка 1",
            "Отправка реквизитов. Попытка 2", "Отправка реквизитов. Попытка 3" }));

    run("pbCancelCheck");
    QCOMPARE(lastPrompt(), info(QStringLiteral("Чек успешно отменен(аннулирован)")));
    QCOMPARE(positionsOf(journal(QStringLiteral("receiptCancel")).value(0)),
        QStringList({ QStringLiteral("Молоко 3,2% 8990x2000=17980"),
            QStringLiteral("-Молоко 3,2% 8990x2000=-17980") }));
}

Q_DECLARE_METATYPE(TestCashModeWidget::Rule)

namespace {

using T = TestCashModeWidget;

void nothing(T &) { }
bool noCheck(T &)
{
    return true;
}

} // namespace

// A rule of the page (a check, a message, what an answer does) per row.
void TestCashModeWidget::rules_data()
{
    QTest::addColumn<Rule>("rule");
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
        { "payment of zero", false,
            [](T &t) {
                t.showTab("tabPayment");
                t.setValue("sbCheckPaySumm", 0);
            },
            [](T &t) { t.click("pbRegCheckPayment"); },
            "warning|Внимание|Введите корректную сумму оплаты", {}, noCheck },
        { "correction of zero", false, [](T &t) { t.showTab("tabCorrectionCheck"); },
            [](T &t) { t.click("pbCorrectionCheck"); },
            "warning|Внимание|Введите корректную сумму коррекции", {}, noCheck },
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
                t.setText("leKKTCurrentMoney", QStringLiteral("12.00"));
                t.markLog();
            },
            [](T &t) {
                t.showTab("tabInOutMoney");
                QVERIFY(t.waitFor(
                    [&]() { return !t.w<QLineEdit>("leKktCycleSumm1")->text().isEmpty(); }));
            },
            "", { 0x4D, 0x58 },
            [](T &t) {
                return t.w<QLineEdit>("leKKTCurrentMoney")->text() == QLatin1String("12.00")
                    && t.w<QLineEdit>("leKktCycleSumm1")->text() == QLatin1String("123.45")
                    && t.logSinceMark().contains(QLatin1String("ERROR_GET_MONEY_RESULT"));
            } },
        { "money read once when the cash tab is shown twice", true, nothing,
            [](T &t) {
                t.showTab("tabInOutMoney");
                QVERIFY(t.waitFor(
                    [&]() { return !t.w<QLineEdit>("leKktCycleSumm2")->text().isEmpty(); }));
                t.showTab("tabPayment");
                t.showTab("tabInOutMoney");
                QTest::qWait(100);
            },
            "", { 0x4D, 0x58 },
            [](T &t) {
                return t.w<QLineEdit>("leKKTCurrentMoney")->text() == QLatin1String("0.00");
            } },
        { "cash in, then the drawer is read", true,
            [](T &t) {
                t.showTab("tabInOutMoney");
                t.setValue("sbInOutSumm", 250);
                QVERIFY(t.waitFor(
                    [&]() { return !t.w<QLineEdit>("leKKTCurrentMoney")->text().isEmpty(); }));
            },
            [](T &t) {
                t.run("pbIntroduction");
                QVERIFY(t.waitFor([&]() {
                    return t.w<QLineEdit>("leKKTCurrentMoney")->text() == QLatin1String("250.00");
                }));
            },
            "information|Инфо|Внесение выполнено", { 0x49, 0x4D }, noCheck },
        { "close refused for an unregistered tax system", true,
            [](T &t) {
                t.openShiftAndReceipt();
                t.selectData("cbFiscalSystem", 4);
                t.sendGeneralRequisites();
                t.registerPosition(QStringLiteral("Хлеб"), 45.00, 1);
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
                t.registerPosition(QStringLiteral("Батон"), 52.00, 1);
                t.showTab("tabMainRekvs");
                t.setValue("sbCloseCheckSumm", 52.00);
                t.run("pbCloseCheck");
            },
            [](T &t) { t.run("pbPrintLastCheck"); },
            "information|Инфо|Последний чек был успешно напечатан", { 0x95 },
            [](T &t) {
                return t.journal(QStringLiteral("copy"))
                           .value(0)
                           .value(QStringLiteral("receipt"))
                           .toObject()
                           .value(QStringLiteral("total"))
                           .toDouble()
                    == 5200.0;
            } },
        { "percent commission of the largest position", false,
            [](T &t) {
                t.run("pbCheckOpen");
                t.sendGeneralRequisites();
                t.setValue("sbPosCommission", 100);
            },
            [](T &t) { t.registerPosition(QStringLiteral("Лот"), 99999999.99, 99999.999); },
            "information|Инфо|Позиция зарегистрирована", { 0xE6, 0xE8, 0xE8 },
            [](T &t) { return t.m_page->commission().value() == 999999989900000LL; } },
        { "open receipt while one is open: cancel it on Yes", true,
            [](T &t) {
                t.openShiftAndReceipt();
                t.m_prompts->setDefaultAnswer(true);
            },
            [](T &t) { t.run("pbCheckOpen"); }, "information|Инфо|Чек успешно отменен(аннулирован)",
            { 0x92, 0x59 },
            [](T &t) {
                return t.prompts().contains(
                    QStringLiteral("question|Внмиание!|Операция невозможна "
                                   "при открытом чеке. Выполнить отмену текущего чека сейчас?"));
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
    QTest::addColumn<QString>("nextMessage");

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
    QVERIFY(waitFor([&]() { return !w<QLineEdit>("leKKTCurrentMoney")->text().isEmpty(); }));
    w<QLineEdit>("leKKTCurrentMoney")->clear();

    const int aborts = abortsSent();
    run(refused.constData());
    QCOMPARE(lastPrompt(), message);
    // One abort begins the mode change, one follows the refusal.
    QCOMPARE(abortsSent() - aborts, 2);

    clearSent();
    run(next.constData());
    if (nextMessage.isEmpty()) {
        QVERIFY(waitFor(
            [&]() { return w<QLineEdit>("leKKTCurrentMoney")->text() == QLatin1String("0.00"); }));
        QCOMPARE(lastPrompt(), message);
    } else {
        QCOMPARE(lastPrompt(), nextMessage);
    }
    QVERIFY(!actCodes().isEmpty());
}

// What was sent last time comes back when the page is built again; what was only typed does
// not.
void TestCashModeWidget::historyRestoredOnRebuild()
{
    QVERIFY(startWithEmulator());
    openShiftAndReceipt();
    setText("lePhoneOrEmail", QStringLiteral("buyer@example.ru"));
    selectData("cbFiscalSystem", 2);
    sendGeneralRequisites();
    registerPosition(QStringLiteral("Кефир"), 79.90, 1, QStringLiteral("л"));
    setText("leAddBsoRekv", QStringLiteral("not sent"));

    QVERIFY(rebuildWindow());
    QCOMPARE(w<QLineEdit>("lePhoneOrEmail")->text(), QStringLiteral("buyer@example.ru"));
    QCOMPARE(w<QComboBox>("cbFiscalSystem")->currentData().toInt(), 2);
    QCOMPARE(w<QLineEdit>("lePositionEdinica")->text(), QStringLiteral("л"));
    QCOMPARE(w<QLineEdit>("leAddBsoRekv")->text(), QString());
}

// The emulator goes down with a receipt open and comes back on its state file; the receipt
// goes on where it was.
void TestCashModeWidget::restartMidShift()
{
    QVERIFY(startWithEmulator());
    openShiftAndReceipt();
    sendGeneralRequisites();
    registerPosition(QStringLiteral("Сахар"), 64.50, 2, QStringLiteral("кг"));
    QVERIFY(restartEmulator());
    registerPosition(QStringLiteral("Соль"), 19.90, 1, QStringLiteral("кг"));
    showTab("tabMainRekvs");
    setValue("sbCloseCheckSumm", 200);
    run("pbCloseCheck");
    QCOMPARE(lastPrompt(), info(QStringLiteral("Чек успешно закрыт")));

    QCOMPARE(journal(QStringLiteral("shiftOpen")).size(), 1);
    const QJsonObject receipt = journal(QStringLiteral("receipt")).value(0);
    QCOMPARE(receipt.value(QStringLiteral("shift")).toInt(), 1);
    QCOMPARE(positionsOf(receipt),
        QStringList(
            { QStringLiteral("Сахар 6450x2000=12900"), QStringLiteral("Соль 1990x1000=1990") }));
    QCOMPARE(
        describe(positionRequisites(receipt, 0)), QStringList({ "1214=01", "1212=04", "1197=кг" }));
    QCOMPARE(
        describe(positionRequisites(receipt, 1)), QStringList({ "1214=01", "1212=04", "1197=кг" }));
    QCOMPARE(receipt.value(QStringLiteral("change")).toDouble(), 5110.0);
}

// The agent kind chooses which agent fields exist, what the page shows and what it keeps.
void TestCashModeWidget::agentDialogs_data()
{
    QTest::addColumn<QStringList>("boxes"); // ticked in this order
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("kindText");
    QTest::addColumn<bool>("operatorFields");
    QTest::addColumn<bool>("receiverField");
    QTest::addColumn<QString>("agentText");

    QTest::newRow("bank payment agent")
        << QStringList { "cbAgentBankPay" } << 0x01 << "Банк пл агент" << true << false
        << "Оператор перевода[ООО Перевод, телефон: +74950000001, адрес: Москва, ИНН: "
           "7701000001], Платежный агент[телефон:+79990001122, операция: Оплата]";
    QTest::newRow("payment agent")
        << QStringList { "cbAgentPay" } << 0x04 << "пл агент" << false << true
        << "Платежный агент[телефон:+79990001122], Телефон оператора по приему платежей: "
           "+74951112233";
    QTest::newRow("only one kind at a time")
        << QStringList { "cbAgentPay", "cbAgentComissionare" } << 0x20 << "комис" << false << true
        << "Платежный агент[телефон:+79990001122], Телефон оператора по приему платежей: "
           "+74951112233";
}

void TestCashModeWidget::agentDialogs()
{
    QFETCH(QStringList, boxes);
    QFETCH(int, kind);
    QFETCH(QString, kindText);
    QFETCH(bool, operatorFields);
    QFETCH(bool, receiverField);
    QFETCH(QString, agentText);
    QVERIFY(startWithScriptedDevice());
    showTab("tabRegPosition");
    QCOMPARE(w<QLineEdit>("lePositionAgentKind")->text(), QStringLiteral("не задано"));
    QVERIFY(!w<QWidget>("cbPosProviderName")->isEnabled());

    click("pbChangeAgentKind");
    auto *kindDialog = m_page->findChild<AgentKindSelectDialog *>();
    QVERIFY(kindDialog);
    for (const QString &box : boxes)
        tick(kindDialog->findChild<QCheckBox *>(box));
    QTest::mouseClick(kindDialog->findChild<QPushButton *>(QStringLiteral("obOk")), Qt::LeftButton);
    QCOMPARE(m_page->agentKind(), kind);
    QCOMPARE(w<QLineEdit>("lePositionAgentKind")->text(), kindText);
    QVERIFY(w<QWidget>("cbPosProviderName")->isEnabled());

    click("pbPositionAgentInfo");
    auto *dialog = m_page->findChild<AgentInformationDialog *>();
    QVERIFY(dialog);
    const auto edit = [dialog](const char *name) {
        return dialog->findChild<QLineEdit *>(QLatin1String(name));
    };
    QCOMPARE(edit("lePayOperatorName")->isVisible(), operatorFields);
    QCOMPARE(edit("lePayAgentOperation")->isVisible(), operatorFields);
    QCOMPARE(edit("lePayReceiverPhone")->isVisible(), receiverField);
    QVERIFY(edit("lePayAgentPhone")->isVisible());
    edit("lePayOperatorName")->setText(QStringLiteral("ООО Перевод"));
    edit("lePayOperatorPhone")->setText(QStringLiteral("+74950000001"));
    edit("lePayOperatorAddress")->setText(QStringLiteral("Москва"));
    edit("lePayOperatorInn")->setText(QStringLiteral("7701000001"));
    edit("lePayAgentOperation")->setText(QStringLiteral("Оплата"));
    edit("lePayAgentPhone")->setText(QStringLiteral("+79990001122"));
    edit("lePayReceiverPhone")->setText(QStringLiteral("+74951112233"));
    QTest::mouseClick(
        dialog->findChild<QPushButton *>(QStringLiteral("pushButton_2")), Qt::LeftButton);
    QCOMPARE(w<QLineEdit>("lePositionAgentInfo")->text(), agentText);

    // Kept for the next run of the program; the reset clears the kind only.
    QVERIFY(rebuildWindow());
    QCOMPARE(m_page->agentKind(), kind);
    QCOMPARE(w<QLineEdit>("lePositionAgentInfo")->text(), agentText);
    showTab("tabRegPosition");
    click("pbResetAgentKind");
    QCOMPARE(w<QLineEdit>("lePositionAgentInfo")->text(), QStringLiteral("не задано"));
    QVERIFY(rebuildWindow());
    QCOMPARE(m_page->agentKind(), 0);
    QCOMPARE(m_page->agentData().payAgentPhone, QStringLiteral("+79990001122"));
}

QTEST_MAIN(TestCashModeWidget)
#include "tst_cashmodewidget.moc"
