#include "MarlvaneApp.h"

#include "AppModel.h"
#include "HomeView.h"
#include "Icons.h"
#include "Theme.h"

#include <QGuiApplication>

MarlvaneApp::MarlvaneApp(std::unique_ptr<AppModel> model, QObject* parent)
    : QObject(parent)
    , m_model(model ? std::move(model) : AppModel::live())
{
    QGuiApplication::setApplicationDisplayName(QStringLiteral("Marlvane"));
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
