#pragma once

#include "AppModel.h"

#include <QObject>
#include <QTranslator>

#include <memory>

class HomeView;

/**
 * @brief The application: one AppModel for its whole life and the main window showing it.
 * The window's title bar stands in for the platform's hidden one; the header takes its place.
 */
class MarlvaneApp final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(MarlvaneApp)

public:
    /** @brief Uses `model`, or the live model (real data folder and core tool) when null. */
    explicit MarlvaneApp(std::unique_ptr<AppModel> model = nullptr, QObject* parent = nullptr);
    ~MarlvaneApp() override;

    AppModel& model() const { return *m_model; }
    HomeView* window() const { return m_window.get(); }
    void show();
    /** @brief Brings the window forward: shown, no longer minimised, raised and active. */
    void activate();

    static constexpr int minimumWidth = 660;
    static constexpr int minimumHeight = 520;
    static constexpr int defaultWidth = 760;
    static constexpr int defaultHeight = 680;

private:
    // Declared first so that it is destroyed last: the window and its sheets use it to the end.
    QTranslator m_qtTexts; // Qt's own texts (dialog buttons, the folder panel) in Chinese
    std::unique_ptr<AppModel> m_model;
    std::unique_ptr<HomeView> m_window;
};
