#include "MarlvaneApp.h"

#include "AppModel.h"
#include "HomeView.h"
#include "Icons.h"
#include "Theme.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QLibraryInfo>

MarlvaneApp::MarlvaneApp(std::unique_ptr<AppModel> model, QObject* parent)
    : QObject(parent)
    , m_model(model ? std::move(model) : AppModel::live())
{
    QGuiApplication::setApplicationDisplayName(QStringLiteral("Marlvane"));
    // The app speaks Chinese whatever the locale, so the texts Qt draws itself do too. Without
    // Qt's translations installed they stay English.
    if (m_qtTexts.load(QStringLiteral("qtbase_zh_CN"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        QCoreApplication::installTranslator(&m_qtTexts);
    }
    QGuiApplication::setWindowIcon(Icons::appIcon());
    Theme::applyApplicationTheme();

    m_window = std::make_unique<HomeView>(m_model.get());
    m_window->setWindowTitle(QStringLiteral("Marlvane"));
    m_window->setWindowIcon(Icons::appIcon());
    m_window->setMinimumSize(minimumWidth, minimumHeight);
    m_window->resize(defaultWidth, defaultHeight);
}

MarlvaneApp::~MarlvaneApp() = default;

void MarlvaneApp::show()
{
    m_window->show();
}

void MarlvaneApp::activate()
{
    m_window->setWindowState(m_window->windowState() & ~Qt::WindowMinimized);
    m_window->show();
    m_window->raise();
    m_window->activateWindow();
}
