// The registration page against orvaemu's fiscal core service: what it loads, checks and
// sends, and what the register holds afterwards.

#include "buspagetest.h"
#include "emulatorprocess.h"
#include "frcfgroot.h"
#include "frcommandscontroller.h"
#include "mainwindow.h"
#include "regdata.h"
#include "registrationwidget.h"
#include "regnumbervalidator.h"
#include "regreasondetailselectdialog.h"
#include "sharedobjectsstorage.h"
#include "tempprofile.h"
#include "waitmessagewidget.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScopeGuard>
#include <QTableWidget>
#include <QtTest>

using fiscal::RegData;

namespace {

const int TICK_MS = 20;
const QString CANCEL = QStringLiteral("<cancel>");
const QString TAKSKOM = QStringLiteral("Общество с ограниченной ответственностью Такском");

// The property list of the activate command among the commands, in the order sent.
struct Sent
{
    bool preview = false;
    QString cashier;
    QList<int> tags;
    QMap<int, QVariant> values;
};

Sent sentRegistration(const QList<bus::AppBusCommand> &commands)
{
    Sent s;
    for (const bus::AppBusCommand &c : commands) {
        if (c.operation() != QLatin1String("activate"))
            continue;
        s.preview = c.arguments().value("preview").toBool();
        s.cashier = c.arguments().value("cashier").toMap().value("name").toString();
        for (const QVariant &p : c.arguments().value("properties").toList()) {
            const int tag = p.toMap().value("tag").toInt();
            s.tags << tag;
            s.values.insert(tag, p.toMap().value("value"));
        }
    }
    return s;
}

// The form as the user changed it, what the preview sends, the one prompt shown.
struct Form
{
    QVariantMap edits;
    QStringList boxes;
    int reason;
    QMap<int, QVariant> sent;
    QList<int> absent;
    QString title, text;
};

// The register and settings the page loads from, what it asks and shows.
struct Reload
{
    bool fiscalized, staleStatus, cashiers;
    QString password, ofdInn, ofdShown;
    bool asked;
    QString cashier, error;
};

} // namespace

Q_DECLARE_METATYPE(Form)
Q_DECLARE_METATYPE(Reload)

class TestRegistrationWidget : public BusPageTest
{
    Q_OBJECT
private slots:
    void init()
    {
        m_prompts->clear();
        m_profile->writeConfig("orvacfgports.conf", "[FRPORTSETTINGS]\nfrConnPwd=47\n");
    }
    void cleanup()
    {
        delete m_page;
        m_page = nullptr;
    }

    void registration();
    void form_data();
    void form();
    void innPadding_data();
    void innPadding();
    void generateRegNumber_data();
    void generateRegNumber();
    void reload_data();
    void reload();
    void updateSerial();
    void shownByMainWindow();
    void reasonDetails();

private:
    // A page on the running service, shown, with what it loaded; its commands forgotten.
    void newPage()
    {
        m_page = new RegistrationWidget;
        m_page->setSerialInterval(TICK_MS);
        m_page->show();
        // The first look at the storage state loads the form before it opens.
        QTRY_VERIFY_WITH_TIMEOUT(child<QGroupBox>("gbRegistration")->isEnabled(), WAIT_MS);
        takeCommands();
    }
    template<typename T>
    T *child(const char *name) const
    {
        T *w = m_page->findChild<T *>(QLatin1String(name));
        if (!w)
            qFatal("no widget %s", name);
        return w;
    }
    void type(const QString &edit, const QString &text)
    {
        // As typed or pasted: through the validator (QTest types Latin-1 only).
        QLineEdit *e = child<QLineEdit>(qPrintable(edit));
        e->selectAll();
        e->insert(text);
        QCOMPARE(e->text(), text);
    }
    void tick(const QString &box)
    {
        // On the indicator: a check box stretched by its layout takes clicks only on its text.
        QCheckBox *b = child<QCheckBox>(qPrintable(box));
        QTest::mouseClick(b, Qt::LeftButton, {}, QPoint(6, b->height() / 2));
    }
    void click(const char *button)
    {
        QTest::mouseClick(child<QPushButton>(button), Qt::LeftButton);
    }

    RegistrationWidget *m_page = nullptr;
};

// A primary registration typed into the form reaches the fiscal core with every tag in its
// order, and the page reloads what was registered.
void TestRegistrationWidget::registration()
{
    QVERIFY(startService(registeredState(false)));
    newPage();
    expectPrompt(QString(), QString());
    QVERIFY(child<QPushButton>("pbGenerateRegNumber")->isHidden());

    type("leUserInn", INN);
    type("leUserName", "ООО \"Ромашка\"");
    type("leRegNumber", REG_NUMBER);
    type("leAddress", "г. Тверь, ул. Новая, 2");
    type("lePlace", "Касса 1");
    type("leFnsWebSite", "www.nalog.gov.ru");
    type("leSenderEmail", "kkt@example.ru");
    child<QComboBox>("cbOfdName")->setCurrentText(TAKSKOM);
    for (const char *box : { "cbFiscalSimple", "cbAgentPay", "cbEncryptingFlag" })
        tick(box);
    click("pbDoRegistration");
    expectPrompt(QString(), QString());

    const QList<bus::AppBusCommand> commands = takeCommands();
    QCOMPARE(operations(commands).first(), QStringLiteral("activate"));
    QVERIFY(operations(commands).contains("getRegistrationInfo"));
    const Sent sent = sentRegistration(commands);
    QCOMPARE(sent.tags,
        (QList<int> { 1018, 1048, 1037, 1060, 1117, 1009, 1187, 1017, 1046, 1057, 1062, 1207, 1001,
            1110, 1193, 1056, 1221, 1108, 1126, 1002, 1109 }));
    QCOMPARE(sent.preview, false);
    QCOMPARE(sent.cashier, QStringLiteral("Системный администратор"));
    const QMap<int, QVariant> expected { { 1018, INN }, { 1037, REG_NUMBER },
        { 1017, "7704211201" }, { 1046, TAKSKOM }, { 1057, 4u }, { 1062, 2u }, { 1056, true },
        { 1001, false }, { 1221, false }, { 1002, false } };
    for (auto it = expected.cbegin(); it != expected.cend(); ++it)
        QCOMPARE(sent.values.value(it.key()), it.value());

    QCOMPARE(child<QLineEdit>("leRegNumber")->text(), REG_NUMBER);
    QCOMPARE(child<QComboBox>("cbOfdName")->currentText(), TAKSKOM);
    QCOMPARE(m_page->agentMask(), 4u);
}

void TestRegistrationWidget::form_data()
{
    QTest::addColumn<Form>("row");
    const auto row = [](const char *name, const Form &f) { QTest::newRow(name) << f; };
    row("printer ticked without automat",
        { {}, { "cbAutomatMode", "cbExternalPrinter", "cbAutomatMode" }, 4,
            { { 1001, false }, { 1221, false }, { 1101, 4u } }, { 1036 }, {}, {} });
    row("automat with its printer",
        { { { "leBoxNumber", "A-17" } }, { "cbAutomatMode", "cbExternalPrinter" }, 4,
            { { 1001, true }, { 1036, "A-17" }, { 1221, true } }, {}, {}, {} });
    row("autonomous, operator INN not checked",
        { { { "leOfdInn", "1" } }, { "cbSeparateMode" }, 4,
            { { 1046, "0000000000" }, { 1002, true } }, { 1017 }, {}, {} });
    row("change of operator, no site or e-mail",
        { { { "leFnsWebSite", "" }, { "leSenderEmail", "" } }, {}, 2,
            { { 1101, 2u }, { 1117, "" } }, {}, {}, {} });
    row("primary registration of a registered register",
        { {}, {}, 0, {}, { 1101 }, QStringLiteral("Registration error"),
            QStringLiteral("ККТ уже зарегистрирована: нужна перерегистрация") });
    // Every real error in one warning with the hints, in the form's order.
    row("invalid",
        { { { "leUserInn", "7707083894" }, { "leOfdInn", "7704211202" }, { "leAddress", "" } },
            { "cbAutomatMode" }, 4, {}, {}, QStringLiteral("Внимание"),
            QStringLiteral("Введен некорректный ИНН пользователя\nВведен некорректный ИНН ОФД\n"
                           "Введен некорректный регистрационный номер ККТ\n"
                           "Введен некорректный номер автомата\nУкажите номер автомата\n"
                           "Укажите адрес расчетов") });
}

// A preview of the loaded form as the user changed it: invalid data give one warning that
// lists every real error with the hints and send nothing; hints alone block nothing; the
// automat, autonomous and reason rules decide which tags go; a preview does not reload.
void TestRegistrationWidget::form()
{
    QFETCH(Form, row);
    const QString &title = row.title;

    QVERIFY(startService(registeredState()));
    newPage();
    const int printed = journal().size();
    for (auto it = row.edits.cbegin(); it != row.edits.cend(); ++it)
        type(it.key(), it.value().toString());
    for (const QString &box : row.boxes)
        tick(box);
    child<QComboBox>("cbRegReasonCode")->setCurrentIndex(row.reason);
    click("pbPreviewPrint");

    const bool invalid = title == QStringLiteral("Внимание");
    expectPrompt(title, row.text, invalid ? UserPrompts::Warning : UserPrompts::Critical);
    const QList<bus::AppBusCommand> commands = takeCommands();
    if (invalid) {
        QCOMPARE(commands.size(), 0);
        return;
    }
    QCOMPARE(operations(commands), QStringList { "activate" });
    const Sent s = sentRegistration(commands);
    QVERIFY(s.preview);
    for (auto it = row.sent.cbegin(); it != row.sent.cend(); ++it)
        QCOMPARE(s.values.value(it.key()), it.value());
    for (const int tag : row.absent)
        QVERIFY2(!s.tags.contains(tag), qPrintable(QString::number(tag)));
    if (title.isEmpty())
        QCOMPARE(journal().value(printed).value("type").toString(), "registrationPreview");
}

void TestRegistrationWidget::innPadding_data()
{
    QTest::addColumn<quint64>("inn");
    QTest::addColumn<QString>("shown");
    QTest::newRow("nine digits") << quint64(770421120) << "0770421120";
    QTest::newRow("ten digits") << quint64(7704211201) << "7704211201";
    QTest::newRow("eleven digits") << quint64(77042112011) << "077042112011";
}

void TestRegistrationWidget::innPadding()
{
    QFETCH(quint64, inn);
    m_page = new RegistrationWidget;
    QComboBox *names = child<QComboBox>("cbOfdName");
    names->addItem(QStringLiteral("ОФД"), QVariant::fromValue(inn));
    names->setCurrentIndex(names->count() - 1);
    QTEST(child<QLineEdit>("leOfdInn")->text(), "shown");
}

void TestRegistrationWidget::generateRegNumber_data()
{
    QTest::addColumn<QStringList>("answers");
    QTest::addColumn<int>("lastKind");
    QTest::addColumn<QString>("lastText");
    QTest::addColumn<QString>("regNumber");

    const int input = UserPrompts::TextInput;
    QTest::newRow("generated") << QStringList { "1", "17000001", INN }
                               << int(UserPrompts::Information) << REG_NUMBER << REG_NUMBER;
    QTest::newRow("ordinal cancelled") << QStringList { CANCEL } << input << QString() << QString();
    QTest::newRow("serial emptied") << QStringList { "1", "" } << input << QString() << QString();
    QTest::newRow("bad INN") << QStringList { "1", "17000001", "7707083894" }
                             << int(UserPrompts::Warning)
                             << QStringLiteral("Введен некорректный ИНН пользователя") << QString();
    QTest::newRow("ordinal too long")
        << QStringList { "12345678901", "17000001", INN } << int(UserPrompts::Warning)
        << QStringLiteral("При генерации номера возникла ошибка. Проверьте исходные данные")
        << QString();
}

// The three prompts with the register's serial and INN as defaults; any cancel or empty answer ends
// quietly; the number made is the one the tax service's rule gives.
void TestRegistrationWidget::generateRegNumber()
{
    QFETCH(QStringList, answers);
    QFETCH(int, lastKind);
    QFETCH(QString, regNumber);

    RegisterState state = registeredState();
    state.core.fsRelease = false;
    QVERIFY(startService(state));
    newPage();
    child<QLineEdit>("leRegNumber")->clear();
    for (const QString &answer : answers)
        m_prompts->queueAnswer(answer != CANCEL, answer == CANCEL ? QString() : answer);
    click("pbGenerateRegNumber");

    const QList<UserPrompts::Request> asked = m_prompts->requests;
    const QStringList defaults { QString(), "17000001", INN };
    for (int i = 0; i < qMin(answers.size(), 3); ++i)
        QCOMPARE(asked.at(i).initialText, defaults.at(i));
    QCOMPARE(asked.size(), answers.size() + (lastKind == UserPrompts::TextInput ? 0 : 1));
    QCOMPARE(int(asked.last().kind), lastKind);
    if (lastKind != UserPrompts::TextInput)
        QTEST(asked.last().text, "lastText");
    QCOMPARE(child<QLineEdit>("leRegNumber")->text(), regNumber);
    if (!regNumber.isEmpty())
        QVERIFY(fiscal::RegNumberValidator::check(regNumber.toLatin1(), 17000001, INN.toLatin1()));
}

void TestRegistrationWidget::reload_data()
{
    QTest::addColumn<Reload>("row");
    const QString admin = QStringLiteral("Системный администратор");
    const auto row = [](const char *name, const Reload &r) { QTest::newRow(name) << r; };
    row("operator outside the table",
        { true, false, true, "1", "7707083893", "ОФД Тест", true, "Кассир 1", {} });
    row("password of no cashier", { true, false, true, "99", "7704211201", TAKSKOM, true, {}, {} });
    row("not registered", { false, false, true, "47", {}, {}, true, admin, {} });
    row("registered as the storage last said",
        { false, true, true, "47", {}, {}, true, admin,
            QStringLiteral("ККТ не зарегистрирована") });
    row("no cashiers", { true, false, false, "47", {}, {}, false, {}, {} });
}

// What the page reads, as whom, what it shows of the operator, and when a failure is said.
void TestRegistrationWidget::reload()
{
    QFETCH(Reload, row);
    const bool fiscalized = row.fiscalized, asked = row.asked;

    RegisterState state = registeredState();
    state.ofdInn = row.ofdInn;
    state.ofdName = QStringLiteral("ОФД Тест");
    state.taxSystems = 0x21;
    state.core.agentFlags = 0x14;
    state.core.regFlags = RegData::FlagEncryption | RegData::FlagServices;
    state.fiscalized = fiscalized;
    state.fnActive = fiscalized;
    if (!row.cashiers)
        state.core.cashiers.clear();
    m_profile->writeConfig(
        "orvacfgports.conf", "[FRPORTSETTINGS]\nfrConnPwd=" + row.password.toLatin1());
    QVERIFY(startService(state));
    if (row.staleStatus) {
        bus::AppBusObject status;
        QVERIFY(bus::SharedObjectsStorage::get(fiscal::FsStatus::OBJECT_NAME, status));
        QVariantMap content = status.content();
        content.insert("fiscalized", true);
        status.setContent(content);
        bus::SharedObjectsStorage::store(status);
    }
    takeCommands();
    m_page = new RegistrationWidget;
    QTRY_VERIFY_WITH_TIMEOUT(child<QGroupBox>("gbRegistration")->isEnabled(), WAIT_MS);

    const QList<bus::AppBusCommand> commands = takeCommands();
    QCOMPARE(operations(commands).contains("getRegistrationInfo"), asked);
    for (const bus::AppBusCommand &c : commands) {
        if (c.operation() == QLatin1String("getRegistrationInfo"))
            QCOMPARE(c.arguments().value("cashier").toMap().value("name").toString(), row.cashier);
    }
    expectPrompt(
        row.error.isEmpty() ? QString() : QStringLiteral("Reg info loading error"), row.error);
    const bool loaded = asked && fiscalized;
    QCOMPARE(child<QLineEdit>("leUserInn")->text(), loaded ? INN : QString());
    if (!loaded)
        return;
    QCOMPARE(child<QComboBox>("cbOfdName")->currentText(), row.ofdShown);
    QCOMPARE(child<QLineEdit>("leOfdInn")->text(), row.ofdInn);
    QVERIFY(child<QCheckBox>("cbEncryptingFlag")->isChecked());
    QVERIFY(child<QCheckBox>("cbServiceFlag")->isChecked());
    QVERIFY(!child<QCheckBox>("cbAutomatMode")->isChecked());
    QCOMPARE(m_page->agentMask(), 0x14u);
    QCOMPARE(m_page->taxSystemMask(), 0x21u);
}

// The form opens once the storage state names the storage and the serial, and the first
// such state loads the registration once, not on every look.
void TestRegistrationWidget::updateSerial()
{
    QVERIFY(startService(registeredState()));
    stopService();
    bus::SharedObjectsStorage::clear();
    m_page = new RegistrationWidget;
    m_page->setSerialInterval(TICK_MS);
    QTest::qWait(5 * TICK_MS);
    QVERIFY(!child<QGroupBox>("gbRegistration")->isEnabled());

    takeCommands();
    QVERIFY(restartService());
    QTRY_VERIFY_WITH_TIMEOUT(child<QGroupBox>("gbRegistration")->isEnabled(), WAIT_MS);
    QCOMPARE(child<QLabel>("lSerial")->text(),
        QStringLiteral("<b>Fs number</b>: 9999078900012345<br><b>Serial</b>: 17000001"));
    QTest::qWait(10 * TICK_MS);
    QCOMPARE(operations(takeCommands()).count("getRegistrationInfo"), 1);
    QCOMPARE(child<QLineEdit>("leRegNumber")->text(), REG_NUMBER);
}

// Shown by its mode button, the page loads again while the register link is up, and not
// while it is down.
void TestRegistrationWidget::shownByMainWindow()
{
    QVERIFY(startService(registeredState()));
    m_profile->setAtolPort(m_emu->port());
    MainWindow window(m_root->sessionManager());
    m_root->setMainWindow(&window);
    m_page = window.findChild<RegistrationWidget *>("pageFiscal");
    // The window owns the page; on any way out nothing may point at either.
    const auto forget = qScopeGuard([this] {
        m_root->stopCommandsController();
        m_root->setMainWindow(nullptr);
        m_page = nullptr;
    });
    QVERIFY(m_page);
    QTRY_VERIFY_WITH_TIMEOUT(child<QGroupBox>("gbRegistration")->isEnabled(), WAIT_MS);
    auto show = [&](const char *button) {
        QTest::mouseClick(window.findChild<QPushButton *>(button), Qt::LeftButton);
        return operations(takeCommands()).count("getRegistrationInfo");
    };
    takeCommands();
    QCOMPARE(show("pbFiscMode"), 0);
    QCOMPARE(show("pbRegs"), 0);
    FrCommandsController *link = m_root->commandsController();
    m_root->startCommandsController();
    QTRY_VERIFY_WITH_TIMEOUT(link->isConnected(), WAIT_MS);
    QCOMPARE(show("pbFiscMode"), 1);
    // Its overlay, modal, is gone with the load.
    QVERIFY(!window.waitWidget() || !window.waitWidget()->isVisible());
    m_root->stopCommandsController();
    QTRY_VERIFY_WITH_TIMEOUT(!link->isConnected(), WAIT_MS);
}

// The mask is built from the reason codes, not from the rows; OK with nothing ticked warns
// and keeps the dialog open.
void TestRegistrationWidget::reasonDetails()
{
    RegReasonDetailSelectDialog dialog;
    dialog.show();
    QPushButton *ok = dialog.findChild<QPushButton *>("pbOk");
    QTest::mouseClick(ok, Qt::LeftButton);
    QVERIFY(dialog.isVisible());
    QCOMPARE(m_prompts->count(), 1);
    QCOMPARE(m_prompts->last().text,
        QStringLiteral("Необходимо выбрать хотя бы один код причины перерегистрации"));

    auto *table = dialog.findChild<QTableWidget *>("twReasons");
    for (int row = 0; row < table->rowCount(); ++row) {
        if (!QList<int> { 15, 31 }.contains(table->item(row, 0)->text().toInt()))
            continue;
        // Anywhere on the description ticks the reason.
        table->scrollToItem(table->item(row, 1));
        QTest::mouseClick(table->viewport(), Qt::LeftButton, {},
            table->visualItemRect(table->item(row, 1)).center());
    }
    QTest::mouseClick(ok, Qt::LeftButton);
    QCOMPARE(dialog.mask(), 0x80008000u);
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QVERIFY(!dialog.isVisible());
    QCOMPARE(m_prompts->count(), 1);
}

QTEST_MAIN(TestRegistrationWidget)
#include "tst_registrationwidget.moc"
