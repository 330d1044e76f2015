// The reports page in the main window against orvaemu: every button through its mode to the command
// the register receives, the message shown and the printout in the register's journal;
// confirmations, refusals, failed mode changes, number limits and a whole day of sales through the
// cash page.

#include "cashpagefixture.h"
#include "frmodechanger.h"
#include "mainwindow.h"
#include "recordingprompts.h"
#include "registercommands.h"
#include "registerstate.h"
#include "reportmodewidget.h"
#include "scripteddevice.h"
#include "waitmessagewidget.h"

#include <QComboBox>
#include <QtTest>

using RegisterCommands::documentFields;

namespace {

// Registers the tests start from, by name.
RegisterState preset(const QString &name)
{
    RegisterState s = RegisterState::fresh();
    const QString now = QDateTime::currentDateTime().toString(Qt::ISODate);
    const auto addDocument = [&s, &now](const QString &type, bool ticket) {
        QJsonObject d { { "type", type }, { "dateTime", now }, { "fd", double(++s.documentNumber) },
            { "fiscalSign", double(1000 + s.documentNumber) } };
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

struct Button
{
    const char *name, *button, *state;
    QVariantMap inputs;
    const char *waitText;
    int mode;
    // The command is the code and payload the register receives, in hex; printed, fields of
    // the journal's last document.
    const char *command, *message, *printed;
};

struct Failure
{
    const char *state;
    QStringList arguments;
    const char *button;
    QVariantMap inputs;
    const char *command; // refused; empty: the mode change fails
    QStringList warnings;
};

} // namespace

Q_DECLARE_METATYPE(Button)
Q_DECLARE_METATYPE(Failure)

class TestReportModeWidget : public CashPageFixture
{
    Q_OBJECT
private slots:
    void buttons_data();
    void buttons();
    void failures_data();
    void failures();
    void replacedReportDoesNotEndTheNext();
    void wholeDay();

private:
    // The register from the preset behind the link, the window with the reports page shown.
    bool start(const QString &state, const QStringList &arguments)
    {
        const RegisterState s = preset(state);
        return startWithEmulator(arguments, &s) && showReports();
    }
    bool showReports()
    {
        if (!showPage("pbReports", "pageReports"))
            return false;
        m_reports = m_window->findChild<ReportModeWidget *>("pageReports");
        m_reports->modeChanger()->setStateReaskDelay(20);
        clearSent();
        return true;
    }
    // Waits for the prompt after the first `from` ones; true when it is of the kind.
    bool waitForPrompt(UserPrompts::Kind kind, int from)
    {
        return waitFor([this, from]() { return m_prompts->count() > from; })
            && m_prompts->requests.at(from).kind == kind;
    }
    void setInputs(const QVariantMap &inputs)
    {
        for (auto it = inputs.cbegin(); it != inputs.cend(); ++it) {
            if (it.key() == "answer")
                m_prompts->queueAnswer(it.value().toBool());
            else if (it.key() == "text")
                m_prompts->queueAnswer(true, it.value().toString());
            else if (it.key() == "cbRegTags")
                w<QComboBox>("cbRegTags")->setCurrentIndex(it.value().toInt());
            else
                set(qPrintable(it.key()), it.value());
        }
    }
    // The commands sent, code and payload in hex.
    QStringList sentHex() const
    {
        QStringList out;
        for (const SentTask &t : sent())
            out << QString::fromLatin1((char(t.code) + t.payload).toHex());
        return out;
    }

    ReportModeWidget *m_reports = nullptr;
};

void TestReportModeWidget::buttons_data()
{
    QTest::addColumn<Button>("row");
    const char *fn = "Перевод ККТ в режим доступа к ФН";
    const char *statistics = "Перевод ККТ в режим снятия статистики";
    const char *built = "Отчет построен";
    // The comment goes out in CP866: "Иванов".
    const Button rows[] = {
        { "shift opening report", "pbOpenCycleReport", "fresh", { { "text", "Иванов" } },
            "Перевод ККТ в режим регистрации", 1, "9a0088a2a0adaea2", "Смена успешно открыта",
            "type=shiftOpen fd=2 comment=Иванов" },
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
        { "archive closing", "pbCloseFnArchive", "fresh", {}, fn, 6, "a7",
            "Фрхив ФН успешно закрыт", "type=archiveClose fd=2" },
        { "document 258", "pbFdByNumberReport", "258 documents", { { "sbFdByNumber", 258 } }, fn, 6,
            "ab0258", built, "type=documentCopy of=258 tlv=false document/type=receipt" },
        { "document in TLV form", "pbFdByNumberTLVReport", "fresh", { { "sbFdByNumberTLV", 1 } },
            fn, 6, "b60001", built, "type=documentCopy of=1 tlv=true document/type=registration" },
        { "ticket of document 258", "pbTicketByFdNumber", "258 documents",
            { { "sbFdNumberForTicket", 258 } }, fn, 6, "a44102010000", built,
            "type=fnReport request=65 number=258 fiscalSign=1258 ticket=*" },
        { "registration report", "pbRegReport", "registered twice", {}, fn, 6, "a8", built,
            "type=registrationReport registration=2 "
            "document/parameters/1017=7709364346" },
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
        { "common clear", "pushButton", "archive closed", {}, "Перевод ККТ в режим", 3, "77",
            "Общее гашение выполнено", "type=commonClear" },
    };
    for (const Button &r : rows)
        QTest::newRow(r.name) << r;
}

void TestReportModeWidget::buttons()
{
    QFETCH(Button, row);
    const QString state = row.state;
    // Without the operator the document keeps waiting for its ticket.
    QVERIFY(start(
        state, state == "waiting for a ticket" ? QStringList { "--offline" } : QStringList()));
    setInputs(row.inputs);
    m_prompts->setDefaultAnswer(true);
    const int printedBefore = journal().size();
    click(row.button);
    // Confirmations and the comment are asked at once, within the click.
    const int promptsBefore = m_prompts->count();
    QVERIFY(m_window->waitWidget());
    QCOMPARE(m_window->waitWidget()->text(), QString(row.waitText));
    QCOMPARE(m_reports->targetMode(), quint8(row.mode));

    QVERIFY(waitForPrompt(UserPrompts::Information, promptsBefore));
    QCOMPARE(lastPrompt(), "information|Инфо|" + QString(row.message));
    QCOMPARE(m_reports->pendingOperation(), ReportModeWidget::NoOperation);
    QVERIFY(!m_window->waitWidget());

    // The register was brought into the mode (mode entry with the password 47) and then got the
    // command.
    const QStringList commands = sentHex();
    const int at = commands.indexOf(row.command);
    QVERIFY2(at > 0, qPrintable(commands.join(' ')));
    QCOMPARE(commands.mid(0, at).filter(QRegularExpression("^56")).value(0),
        QString("56%1").arg(row.mode, 2, 16, QChar('0')) + "00000047");

    QCOMPARE(journal().size(), printedBefore + 1);
    QCOMPARE(documentFields(journal().last(), row.printed), QString(row.printed));
}

// The register refuses the command, or the mode change fails: the warnings shown, nothing printed,
// and after a refused command the buffer emptied.
void TestReportModeWidget::failures_data()
{
    QTest::addColumn<Failure>("row");
    const QStringList none;
    // Every refusal takes one path of the page: the register's text shown, the buffer cleared.
    const auto refused
        = [](const char *text) { return QStringList { "warning|Внмиание!|" + QString(text) }; };
    const auto row = [](const char *name, const Failure &f) { QTest::newRow(name) << f; };
    row("common clear, shift open",
        { "shift open", none, "pushButton", {}, "77",
            refused("Смена открыта, операция невозможна") });
    row("statistics without paper",
        { "fresh", { "--no-paper" }, "pbXReportShort", {}, "6704", refused("Нет бумаги") });
    // Numbers beyond their fields stop at the field's limit instead of wrapping: BCD(4) 10000 would
    // go out as 0000, one byte 256 as 0.
    const QStringList noData = refused("В ФН нет запрошенных данных");
    row("document number above 9999",
        { "fresh", none, "pbFdByNumberReport", { { "sbFdByNumber", 10000 } }, "ab9999", noData });
    row("registration number above 255",
        { "fresh", none, "pbRegTagReport2", { { "sbRegTagRepNum", 256 } }, "a444ff0d04", noData });
    // Declined: nothing sent at all.
    const QVariantMap no { { "answer", false } };
    row("archive closing declined", { "archive closed", none, "pbCloseFnArchive", no, "", none });
    row("common clear declined", { "archive closed", none, "pushButton", no, "", none });
    // The register wants another password than the configurator's 47.
    const QStringList password { "--password", "30" };
    const QString wrong = "warning|Внимание|При смене режима произошла ошибка. Неверный пароль";
    const QString zWarning = "warning|Внмиание|Ошибка перевода ККТ в режимя снятия Z отчета";
    row("Z report, mode 3",
        { "fresh", password, "pbCloseCycleReport", {}, "", { wrong, zWarning } });
    row("statistics, mode 2", { "fresh", password, "pbXReportFull", {}, "", { wrong } });
}

void TestReportModeWidget::failures()
{
    QFETCH(Failure, row);
    const QStringList &warnings = row.warnings;
    const QString command = row.command;
    QVERIFY(start(row.state, row.arguments));
    setInputs(row.inputs);
    m_prompts->setDefaultAnswer(true);
    const int printedBefore = journal().size();
    const int aborts = abortsSent();
    click(row.button);
    const auto shown = [this]() { return prompts().filter(QRegularExpression("^warning")); };
    QVERIFY(waitFor([&]() {
        return shown().size() >= warnings.size()
            && m_reports->pendingOperation() == ReportModeWidget::NoOperation;
    }));
    QCOMPARE(shown(), warnings);
    QVERIFY(!m_window->waitWidget());
    QCOMPARE(journal().size(), printedBefore);
    if (command.isEmpty()) {
        QVERIFY(m_reports->waits().isEmpty());
        QCOMPARE(sentHex().filter(QRegularExpression("^(?!56|48|3f)")), QStringList());
        if (warnings.isEmpty()) {
            QCOMPARE(m_prompts->count(), 1);
            QVERIFY(sent().isEmpty());
            QCOMPARE(abortsSent(), aborts);
            QVERIFY(!m_reports->isChangingMode());
        }
        return;
    }
    QCOMPARE(sentHex().last(), command);
    // One abort begins the mode change, one empties the buffer after the refusal.
    QVERIFY(waitFor([&]() { return abortsSent() - aborts == 2; }));
}

void TestReportModeWidget::replacedReportDoesNotEndTheNext()
{
    // The statistics are taken but never finished; the user asks for another report.
    QVERIFY(startWithScriptedDevice() && showReports());
    m_device->script(0x67, ScriptedDevice::AcceptOnly, QByteArray(), 1);
    click("pbXReportFull");
    QVERIFY(m_device->waitUntil([this]() { return m_device->taskCodes().contains(0x67); }));
    click("pbRegReport");
    // The abort that begins the second mode change cancels the statistics; that is no failure to
    // tell about, and it must not abort the second change in turn.
    QVERIFY(waitForPrompt(UserPrompts::Information, 0));
    QCOMPARE(m_prompts->last().text, QString("Отчет построен"));
    QCOMPARE(m_device->taskCodes().last(), quint8(0xA8));
    QCOMPARE(m_reports->pendingOperation(), ReportModeWidget::NoOperation);
}

// Sales through the cash page, then the X and Z reports from the reports page: their totals are
// what the day's receipts add up to.
void TestReportModeWidget::wholeDay()
{
    QVERIFY(startWithEmulator());
    m_prompts->queueAnswer(true, "Смена 1");
    run("pbCycleOpen");
    // 150.00 x 2 paid 400.00 cash; 99.99 x 3 by card; a return of 45.90; a purchase of 20.00 paid
    // from the drawer: kind, price, quantity, payment type, sum paid.
    const QList<QList<double>> day {
        { 1, 150.00, 2, 1, 400.00 },
        { 1, 99.99, 3, 2, 299.97 },
        { 2, 45.90, 1, 1, 45.90 },
        { 4, 20.00, 1, 1, 20.00 },
    };
    for (const QList<double> &r : day) {
        set("cbCheckType", int(r[0]));
        run("pbCheckOpen");
        sendGeneralRequisites();
        registerPosition("Товар", r[1], r[2]);
        set("cbCheckPayType", int(r[3]));
        set("sbCheckPaySumm", r[4]);
        run("pbRegCheckPayment");
        run("pbCloseCheck");
        QCOMPARE(lastPrompt(), QString("information|Инфо|Чек успешно закрыт"));
    }

    // What the receipts of the day add up to, from their printouts.
    QMap<int, qint64> byKind;
    const QList<QJsonObject> receipts = journal("receipt");
    for (const QJsonObject &d : receipts)
        byKind[d.value("kind").toInt()] += qint64(d.value("total").toDouble());
    QCOMPARE(receipts.size(), day.size());
    QCOMPARE(byKind.value(1), qint64(59997));
    const QString totals = QString("totals/sales=%1 totals/saleReturns=%2 totals/purchases=%3 "
                                   "totals/receipts=%4")
                               .arg(byKind.value(1))
                               .arg(byKind.value(2))
                               .arg(byKind.value(4))
                               .arg(receipts.size());

    QVERIFY(showReports());
    for (const char *button : { "pbXReportFull", "pbCloseCycleReport" }) {
        const int prompts = m_prompts->count();
        click(button);
        QVERIFY(waitForPrompt(UserPrompts::Information, prompts));
        QCOMPARE(documentFields(journal().last(), totals), totals);
    }
    const QJsonObject z = journal().last();
    QCOMPARE(z.value("type").toString(), QString("shiftClose"));
    QCOMPARE(qint64(z.value("grandTotals").toObject().value("sales").toDouble()), byKind.value(1));
}

QTEST_MAIN(TestReportModeWidget)
#include "tst_reportmodewidget.moc"
