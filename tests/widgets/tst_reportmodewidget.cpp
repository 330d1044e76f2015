// The reports page in the main window against orvaemu: every button through its mode to the
// bytes the register receives, the message shown and the printout in the register's journal;
// confirmations, refusals, failed mode changes, number limits and a whole day of sales.

#include "emulatorregister.h"
#include "fixnumber.h"
#include "frcfgroot.h"
#include "frcommandscontroller.h"
#include "frmodechanger.h"
#include "mainwindow.h"
#include "recordingprompts.h"
#include "registercommands.h"
#include "registerfixture.h"
#include "registerstate.h"
#include "reportmodewidget.h"
#include "scripteddevice.h"
#include "sessionmanager.h"
#include "tempprofile.h"
#include "waitmessagewidget.h"

#include <QComboBox>
#include <QJsonArray>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTabWidget>
#include <QTextCodec>
#include <QtTest>

#include <memory>

using qt5ext::FixNumber;
using RegisterCommands::documentFields;

namespace {

const int WAIT_MS = 10000;

QString cp866Hex(const QString &text)
{
    return QString::fromLatin1(QTextCodec::codecForName("CP866")->fromUnicode(text).toHex());
}

// Registers the tests start from, by name.
RegisterState preset(const QString &name)
{
    RegisterState s = RegisterState::fresh();
    const QString now = QDateTime::currentDateTime().toString(Qt::ISODate);
    const auto addDocument = [&s, &now](const QString &type, bool ticket) {
        QJsonObject d;
        d.insert("type", type);
        d.insert("dateTime", now);
        d.insert("fd", double(++s.documentNumber));
        d.insert("fiscalSign", double(1000 + s.documentNumber));
        if (ticket)
            d.insert("ticket", now);
        s.storage.add(d);
    };
    if (name == "shift open") {
        s.shiftOpen = true;
        s.shiftNumber = 1;
        s.shiftOpenedAt = QDateTime::currentDateTimeUtc();
    } else if (name == "archive closed") {
        s.fnActive = false;
    } else if (name == "258 documents") {
        while (s.documentNumber < 258)
            addDocument("receipt", true);
    } else if (name == "waiting for a ticket") {
        addDocument("shiftOpen", false);
    } else if (name == "registered twice") {
        s = RegisterCommands::registeredTwice();
    }
    return s;
}

// One receipt of the day: kind, one position (price in kopecks, quantity in thousandths)
// and one payment (type, sum).
struct DayReceipt
{
    quint8 kind;
    qint64 price, quantity;
    int payType;
    qint64 paid;
};

// Sells the day through the controller's own builders, as the cash page will: into mode 1,
// then open, position, payment and close for each receipt. False at the first refusal.
bool sellTheDay(FrCommandsController *c, const QList<DayReceipt> &receipts)
{
    FrModeChanger changer(c);
    changer.setStateReaskDelay(50);
    QSignalSpy reached(&changer, &FrModeChanger::modeChanged);
    changer.changeMode(1);
    if (!reached.wait(WAIT_MS) || reached.at(0).at(1).toBool())
        return false;
    QMap<quint8, bool> done; // TID -> accepted
    QObject context;
    QObject::connect(c, &FrCommandsController::assyncAnswer, &context,
        [&done](quint8 tid, QByteArray) { done[tid] = true; });
    QObject::connect(c, &FrCommandsController::assyncError, &context,
        [&done](quint8 tid, QByteArray) { done[tid] = false; });
    const auto must = [&done](quint8 tid) {
        return QTest::qWaitFor([&done, tid]() { return done.contains(tid); }, WAIT_MS)
            && done.take(tid);
    };
    const QByteArray name = QTextCodec::codecForName("CP866")->fromUnicode("Товар");
    const FixNumber zero(100, qint64(0));
    for (const DayReceipt &r : receipts) {
        if (!must(c->sendCheckOpenCommand(r.kind))
            || !must(c->sendRegPostionCommand(name, FixNumber(100, r.price),
                          FixNumber(1000, r.quantity), 0, zero, 1, 1, 1, QByteArray(), false)
                         .tid)
            || !must(c->sendCheckPaymentCommand(FixNumber(100, r.paid), r.payType))
            || !must(c->sendCheckCloseCommand(zero, 1)))
            return false;
    }
    return true;
}

} // namespace

class TestReportModeWidget : public QObject, private RegisterFixture
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void cleanup();

    void buttons_data();
    void buttons();
    void declinedConfirmation_data();
    void declinedConfirmation();
    void refusal_data();
    void refusal();
    void modeChangeFails_data();
    void modeChangeFails();
    void replacedReportDoesNotEndTheNext();
    void wholeDay();

private:
    // The register from the preset behind the link, the window with the page shown.
    bool startRegister(const QString &state, const QStringList &arguments = QStringList());
    // The window with the page shown, linked to whatever register the profile names.
    bool startWindow();
    // Brings the button's tab to the front and clicks it.
    void click(const QString &button);
    // Waits for the prompt after the first `from` ones; true when it is of the kind.
    bool waitForPrompt(UserPrompts::Kind kind, int from = 0);
    void setInputs(const QVariantMap &inputs);

    std::unique_ptr<EmulatorRegister> m_register;
    MainWindow *m_window = nullptr;
    ReportModeWidget *m_page = nullptr;
};

void TestReportModeWidget::initTestCase()
{
    setUpRoot();
}

void TestReportModeWidget::cleanupTestCase()
{
    tearDownRoot();
}

bool TestReportModeWidget::startRegister(const QString &state, const QStringList &arguments)
{
    m_register.reset(new EmulatorRegister);
    return m_register->start(*m_profile, preset(state), arguments) && startWindow();
}

bool TestReportModeWidget::startWindow()
{
    m_prompts = new RecordingPrompts;
    m_window = new MainWindow(m_root->sessionManager());
    m_root->setMainWindow(m_window);
    m_page = m_window->findChild<ReportModeWidget *>("pageReports");
    if (!m_page)
        return false;
    m_page->modeChanger()->setStateReaskDelay(50);
    m_window->show();
    QTest::mouseClick(m_window->findChild<QPushButton *>("pbReports"), Qt::LeftButton);
    m_controller->start();
    return QTest::qWaitFor([this]() { return m_controller->isConnected(); }, WAIT_MS);
}

void TestReportModeWidget::cleanup()
{
    if (m_controller->isStarted())
        m_controller->stop();
    QTRY_VERIFY_WITH_TIMEOUT(!m_controller->isConnected(), WAIT_MS);
    m_root->setMainWindow(nullptr);
    delete m_window;
    m_window = nullptr;
    m_page = nullptr;
    m_register.reset();
    delete m_prompts;
    m_prompts = nullptr;
}

void TestReportModeWidget::click(const QString &button)
{
    auto *b = m_page->findChild<QPushButton *>(button);
    QVERIFY(b);
    auto *tabs = m_page->findChild<QTabWidget *>("mainTabWidget");
    for (int i = 0; i < tabs->count(); ++i) {
        if (tabs->widget(i)->isAncestorOf(b))
            tabs->setCurrentIndex(i);
    }
    QVERIFY(b->isVisible());
    QTest::mouseClick(b, Qt::LeftButton);
}

bool TestReportModeWidget::waitForPrompt(UserPrompts::Kind kind, int from)
{
    return QTest::qWaitFor([this, from]() { return m_prompts->count() > from; }, WAIT_MS)
        && m_prompts->requests.at(from).kind == kind;
}

void TestReportModeWidget::setInputs(const QVariantMap &inputs)
{
    for (auto it = inputs.cbegin(); it != inputs.cend(); ++it) {
        if (it.key() == "answer")
            m_prompts->queueAnswer(it.value().toBool());
        else if (it.key() == "text")
            m_prompts->queueAnswer(true, it.value().toString());
        else if (auto *sb = m_page->findChild<QSpinBox *>(it.key()))
            sb->setValue(it.value().toInt());
        else if (auto *cb = m_page->findChild<QComboBox *>(it.key()))
            cb->setCurrentIndex(it.value().toInt());
        else
            QFAIL(qPrintable("no input " + it.key()));
    }
}

void TestReportModeWidget::buttons_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("state");
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QVariantMap>("inputs");
    QTest::addColumn<QString>("waitText");
    QTest::addColumn<int>("mode");
    QTest::addColumn<QString>("command"); // code and payload the register receives, in hex
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("printed"); // fields of the journal's last document

    struct Row
    {
        const char *name, *button, *state;
        QVariantMap inputs;
        const char *waitText;
        int mode;
        QString command;
        const char *message, *printed;
    };
    const char *fn = "Перевод ККТ в режим доступа к ФН";
    const char *statistics = "Перевод ККТ в режим снятия статистики";
    const char *built = "Отчет построен";
    const QVariantMap yes { { "answer", true } };
    const Row rows[] = {
        { "shift opening report", "pbOpenCycleReport", "fresh", { { "text", "Иванов" } },
            "Перевод ККТ в режим регистрации", 1, "9a00" + cp866Hex("Иванов"),
            "Смена успешно открыта", "type=shiftOpen fd=2 comment=Иванов" },
        { "shift closing report", "pbCloseCycleReport", "shift open", {},
            "Перевод ККТ в режим снятия Z отчета", 3, "5a", "Смена успешно закрыта",
            "type=shiftClose fd=2" },
        { "report on settlements", "pbCurrentCalculationReport", "fresh", {},
            "Перевод ККТ в режим снятия отчета", 2, "6709", "Формирование отчета выполнено",
            "type=report reportType=9 fd=2" },
        // The same answer code 0x67 as the report, but the statistics' own text.
        { "full statistics", "pbXReportFull", "fresh", {}, statistics, 2, "6701",
            "Формирование статистики выполнено", "type=report reportType=1 fd=" },
        { "short statistics", "pbXReportShort", "fresh", {}, statistics, 2, "6704",
            "Формирование статистики выполнено", "type=report reportType=4" },
        { "archive closing", "pbCloseFnArchive", "fresh", yes, fn, 6, "a7",
            "Фрхив ФН успешно закрыт", "type=archiveClose fd=2" },
        { "document 258", "pbFdByNumberReport", "258 documents", { { "sbFdByNumber", 258 } }, fn, 6,
            "ab0258", built, "type=documentCopy of=258 tlv=false document/type=receipt" },
        { "document in TLV form", "pbFdByNumberTLVReport", "fresh", { { "sbFdByNumberTLV", 1 } },
            fn, 6, "b60001", built, "type=documentCopy of=1 tlv=true document/type=registration" },
        { "ticket of document 258", "pbTicketByFdNumber", "258 documents",
            { { "sbFdNumberForTicket", 258 } }, fn, 6, "a44102010000", built,
            "type=fnReport request=65 number=258 fiscalSign=1258 ticket=*" },
        { "registration report", "pbRegReport", "registered twice", {}, fn, 6, "a8", built,
            "type=registrationReport registration=2 document/parameters/1017=7709364346" },
        { "registration 1", "pbReg2Report", "registered twice", { { "sbRegNumberReport", 1 } }, fn,
            6, "a44301000000", built,
            "type=fnReport request=67 number=1 document/parameters/1017=7704211201" },
        { "documents without ticket", "pbNoTicketReport", "waiting for a ticket", {}, fn, 6, "a442",
            built, "type=fnReport request=66 withoutTicket=1 first=2" },
        { "parameter ИНН ОФД", "pbRegTagReport", "registered twice", { { "cbRegTags", 6 } }, fn, 6,
            "a444f903", built, "type=fnReport request=68 tag=1017 number=2 value=7709364346" },
        { "ИНН ОФД of registration 2", "pbRegTagReport2", "registered twice",
            { { "cbRegTags", 6 }, { "sbRegTagRepNum", 2 } }, fn, 6, "a44402f903", built,
            "type=fnReport request=68 tag=1017 number=2 value=7709364346" },
        { "common clear", "pushButton", "archive closed", yes, "Перевод ККТ в режим", 3, "77",
            "Общее гашение выполнено", "type=commonClear" },
    };
    for (const Row &r : rows) {
        // Without the operator the document keeps waiting for its ticket.
        const QStringList arguments = QString(r.state) == "waiting for a ticket"
            ? QStringList { "--offline" }
            : QStringList();
        QTest::newRow(r.name) << r.button << r.state << arguments << r.inputs << r.waitText
                              << r.mode << r.command << r.message << r.printed;
    }
}

void TestReportModeWidget::buttons()
{
    QFETCH(QString, button);
    QFETCH(QString, state);
    QFETCH(QStringList, arguments);
    QFETCH(QVariantMap, inputs);
    QFETCH(QString, waitText);
    QFETCH(int, mode);
    QFETCH(QString, command);
    QFETCH(QString, message);
    QFETCH(QString, printed);

    QVERIFY(startRegister(state, arguments));
    setInputs(inputs);
    const int printedBefore = m_register->journal().size();
    click(button);
    // Confirmations and the comment are asked at once, within the click.
    const int promptsBefore = m_prompts->count();
    QVERIFY(m_window->waitWidget());
    QCOMPARE(m_window->waitWidget()->text(), waitText);
    QVERIFY(m_page->isChangingMode());
    QCOMPARE(m_page->targetMode(), quint8(mode));

    QVERIFY(waitForPrompt(UserPrompts::Information, promptsBefore));
    QCOMPARE(m_prompts->last().title, QString("Инфо"));
    QCOMPARE(m_prompts->last().text, message);
    QCOMPARE(m_page->pendingOperation(), ReportModeWidget::NoOperation);
    QVERIFY(!m_window->waitWidget());

    // The register was brought into the mode (mode entry with the password 47) and then
    // got the command.
    QStringList received;
    QTRY_VERIFY_WITH_TIMEOUT(
        (received = m_register->received()).contains(command, Qt::CaseInsensitive), WAIT_MS);
    const int at = received.indexOf(command);
    const QStringList entries = received.mid(0, at).filter(QRegularExpression("^56"));
    QVERIFY(!entries.isEmpty());
    QCOMPARE(entries.last(), QString("56%1").arg(mode, 2, 16, QChar('0')) + "00000047");

    const QList<QJsonObject> journal = m_register->journal();
    QCOMPARE(journal.size(), printedBefore + 1);
    QCOMPARE(documentFields(journal.last(), printed), printed);
}

void TestReportModeWidget::declinedConfirmation_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("question");

    QTest::newRow("archive closing") << "pbCloseFnArchive"
                                     << "Внимание!!!"
                                     << "Вы действительно хотите выполнить закрытие архива ФН?";
    QTest::newRow("common clear") << "pushButton"
                                  << "Подтверждение"
                                  << "Внимание! Необнуляемые регистры в ККТ и наличночть будут "
                                     "обнулены. Вы действительно хотите продолжить?";
}

void TestReportModeWidget::declinedConfirmation()
{
    QFETCH(QString, button);
    QFETCH(QString, title);
    QFETCH(QString, question);

    QVERIFY(startRegister("archive closed"));
    QTRY_VERIFY_WITH_TIMEOUT(m_controller->bufferSize() == 0, WAIT_MS);
    QSignalSpy sent(m_controller, &FrCommandsController::needSendCommand);
    m_prompts->queueAnswer(false);
    click(button);
    QCOMPARE(m_prompts->count(), 1);
    QCOMPARE(m_prompts->last().kind, UserPrompts::Question);
    QCOMPARE(m_prompts->last().title, title);
    QCOMPARE(m_prompts->last().text, question);
    // Nothing queued or sent, no mode change, no overlay, nothing pending.
    QCOMPARE(sent.count(), 0);
    QCOMPARE(m_controller->bufferSize(), 0);
    QVERIFY(!m_page->isChangingMode());
    QVERIFY(!m_window->waitWidget());
    QCOMPARE(m_page->pendingOperation(), ReportModeWidget::NoOperation);
}

void TestReportModeWidget::refusal_data()
{
    QTest::addColumn<QString>("state");
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("button");
    QTest::addColumn<QVariantMap>("inputs");
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("text");

    struct Row
    {
        const char *name, *state;
        QStringList arguments;
        const char *button;
        QVariantMap inputs;
        const char *command, *text;
    };
    const QVariantMap yes { { "answer", true } };
    const Row rows[] = {
        { "common clear, shift open", "shift open", {}, "pushButton", yes, "77",
            "Смена открыта, операция невозможна" },
        { "common clear, storage fiscal", "fresh", {}, "pushButton", yes, "77",
            "Неверное состояние ФН" },
        { "Z report, shift closed", "fresh", {}, "pbCloseCycleReport", {}, "5a",
            "Обнуленная касса (повторное гашение невозможно)" },
        { "archive closing, a ticket missing", "waiting for a ticket", { "--offline" },
            "pbCloseFnArchive", yes, "a7", "В ФН есть неотправленные ФД" },
        { "statistics without paper", "fresh", { "--no-paper" }, "pbXReportShort", {}, "6704",
            "Нет бумаги" },
        // Numbers beyond their fields stop at the field's limit instead of wrapping: BCD(4)
        // 10000 would go out as 0000, one byte 256 as 0.
        { "document number above 9999", "fresh", {}, "pbFdByNumberReport",
            { { "sbFdByNumber", 10000 } }, "ab9999", "В ФН нет запрошенных данных" },
        { "registration number above 255", "fresh", {}, "pbRegTagReport2",
            { { "sbRegTagRepNum", 256 } }, "a444ff0d04", "В ФН нет запрошенных данных" },
    };
    for (const Row &r : rows)
        QTest::newRow(r.name) << r.state << r.arguments << r.button << r.inputs << r.command
                              << r.text;
}

void TestReportModeWidget::refusal()
{
    QFETCH(QString, state);
    QFETCH(QStringList, arguments);
    QFETCH(QString, button);
    QFETCH(QVariantMap, inputs);
    QFETCH(QString, command);
    QFETCH(QString, text);

    QVERIFY(startRegister(state, arguments));
    setInputs(inputs);
    const int printedBefore = m_register->journal().size();
    click(button);
    QVERIFY(waitForPrompt(UserPrompts::Warning, m_prompts->count()));
    QCOMPARE(m_prompts->last().title, QString("Внмиание!"));
    QCOMPARE(m_prompts->last().text, text);
    QCOMPARE(m_page->pendingOperation(), ReportModeWidget::NoOperation);
    // The register's buffer is emptied after the refused command.
    QStringList received;
    QTRY_VERIFY_WITH_TIMEOUT(
        (received = m_register->received()).mid(received.lastIndexOf(command)).contains("c4"),
        WAIT_MS);
    QVERIFY(received.contains(command));
    QCOMPARE(m_register->journal().size(), printedBefore);
}

void TestReportModeWidget::modeChangeFails_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QStringList>("warnings");

    const QString refused = "Внимание|При смене режима произошла ошибка. Неверный пароль";
    const QString zWarning = "Внмиание|Ошибка перевода ККТ в режимя снятия Z отчета";
    QTest::newRow("Z report, mode 3") << "pbCloseCycleReport" << QStringList { refused, zWarning };
    QTest::newRow("common clear, mode 3") << "pushButton" << QStringList { refused, zWarning };
    QTest::newRow("statistics, mode 2") << "pbXReportFull" << QStringList { refused };
}

void TestReportModeWidget::modeChangeFails()
{
    QFETCH(QString, button);
    QFETCH(QStringList, warnings);

    // The register wants another password than the configurator's 47.
    QVERIFY(startRegister("fresh", { "--password", "30" }));
    m_prompts->setDefaultAnswer(true);
    QSignalSpy changed(m_page->modeChanger(), &FrModeChanger::modeChanged);
    click(button);
    QVERIFY(changed.wait(WAIT_MS));
    QCOMPARE(changed.at(0).at(1).toBool(), true);
    QCOMPARE(changed.at(0).at(2).value<quint8>(), quint8(0x8C));
    // The page hears of the failure after the changer is done: wait until it is idle.
    QTRY_COMPARE_WITH_TIMEOUT(m_page->pendingOperation(), ReportModeWidget::NoOperation, WAIT_MS);
    QStringList shown;
    for (const UserPrompts::Request &r : m_prompts->requests) {
        if (r.kind == UserPrompts::Warning)
            shown << r.title + '|' + r.text;
    }
    QCOMPARE(shown, warnings);
    QVERIFY(!m_window->waitWidget());
    QVERIFY(m_page->waits().isEmpty());
}

void TestReportModeWidget::replacedReportDoesNotEndTheNext()
{
    // The statistics are taken but never finished; the user asks for another report.
    ScriptedDevice device;
    QVERIFY(device.listen());
    m_profile->setAtolPort(device.port());
    device.script(0x67, ScriptedDevice::AcceptOnly, QByteArray(), 1);
    QVERIFY(startWindow());
    click("pbXReportFull");
    QVERIFY(device.waitUntil([&device]() { return device.taskCodes().contains(0x67); }));
    click("pbRegReport");
    // The abort that begins the second mode change cancels the statistics; that is no
    // failure to tell about, and it must not abort the second change in turn.
    QVERIFY(waitForPrompt(UserPrompts::Information));
    QCOMPARE(m_prompts->last().text, QString("Отчет построен"));
    QCOMPARE(device.taskCodes().last(), quint8(0xA8));
    QCOMPARE(m_page->pendingOperation(), ReportModeWidget::NoOperation);
}

void TestReportModeWidget::wholeDay()
{
    QVERIFY(startRegister("fresh"));
    // 150.00 x 2 paid 400.00 cash; 99.99 x 3 by card; a return of 45.90; a purchase of
    // 20.00 paid from the drawer.
    const QList<DayReceipt> day {
        { 1, 15000, 2000, 1, 40000 },
        { 1, 9999, 3000, 2, 29997 },
        { 2, 4590, 1000, 1, 4590 },
        { 4, 2000, 1000, 1, 2000 },
    };
    QVERIFY(sellTheDay(m_controller, day));

    // What the receipts of the day add up to, from their printouts.
    QMap<int, qint64> byKind;
    qint64 drawer = 0;
    QList<QJsonObject> receipts;
    for (const QJsonObject &d : m_register->journal()) {
        if (d.value("type").toString() != "receipt")
            continue;
        receipts << d;
        const int kind = d.value("kind").toInt();
        byKind[kind] += qint64(d.value("total").toDouble());
        qint64 cash = -qint64(d.value("change").toDouble());
        for (const QJsonValue &p : d.value("payments").toArray()) {
            if (p.toObject().value("type").toInt() == 1)
                cash += qint64(p.toObject().value("amount").toDouble());
        }
        drawer += kind == 1 || kind == 5 ? cash : -cash;
    }
    QCOMPARE(receipts.size(), day.size());
    QCOMPARE(byKind.value(1), qint64(59997));
    QCOMPARE(drawer, qint64(23410));
    const QString totals = QString("totals/sales=%1 totals/saleReturns=%2 totals/purchases=%3 "
                                   "totals/receipts=%4 drawer=%5")
                               .arg(byKind.value(1))
                               .arg(byKind.value(2))
                               .arg(byKind.value(4))
                               .arg(receipts.size())
                               .arg(drawer);

    int prompts = m_prompts->count();
    click("pbXReportFull");
    QVERIFY(waitForPrompt(UserPrompts::Information, prompts));
    QCOMPARE(m_prompts->last().text, QString("Формирование статистики выполнено"));
    QCOMPARE(documentFields(m_register->journal().last(), "type=report " + totals),
        "type=report " + totals);

    prompts = m_prompts->count();
    click("pbCloseCycleReport");
    QVERIFY(waitForPrompt(UserPrompts::Information, prompts));
    QCOMPARE(m_prompts->last().text, QString("Смена успешно закрыта"));
    const QJsonObject z = m_register->journal().last();
    QCOMPARE(documentFields(z, "type=shiftClose " + totals), "type=shiftClose " + totals);
    QCOMPARE(qint64(z.value("grandTotals").toObject().value("sales").toDouble()), byKind.value(1));

    // The second receipt printed again by its number is the receipt as sold.
    const QJsonObject second = receipts.at(1);
    prompts = m_prompts->count();
    m_page->findChild<QSpinBox *>("sbFdByNumber")->setValue(second.value("fd").toInt());
    click("pbFdByNumberReport");
    QVERIFY(waitForPrompt(UserPrompts::Information, prompts));
    QCOMPARE(m_register->journal().last().value("document").toObject(), second);
}

QTEST_MAIN(TestReportModeWidget)
#include "tst_reportmodewidget.moc"
