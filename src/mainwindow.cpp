#include "mainwindow.h"
#include "ui_mainwindow.h"

#include "sessionmanager.h"

#include <QEvent>

static void initResources()
{
    // The icons are compiled into a static library; nothing would pull them in otherwise.
    Q_INIT_RESOURCE(resources);
}

MainWindow::MainWindow(SessionManager *session, QWidget *parent)
    : QMainWindow(parent), ui(new Ui::MainWindow), m_session(session)
{
    initResources();
    ui->setupUi(this);
    setWindowTitle(tr("Универсальный конфигуратор ОРВА"));
}

MainWindow::~MainWindow()
{
    delete ui;
}

void MainWindow::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange) {
        ui->retranslateUi(this);
        setWindowTitle(tr("Универсальный конфигуратор ОРВА"));
    }
    QMainWindow::changeEvent(event);
}
