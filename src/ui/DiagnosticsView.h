#pragma once

#include "EnvironmentReport.h"

#include <QList>
#include <QString>
#include <QWidget>

class AppModel;
class DiagnosticRow;
class QPushButton;

/**
 * @brief The diagnostics section: the model's environment report row by row, a new detection,
 * the data folder and a plain-text summary for support.
 */
class DiagnosticsView final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(DiagnosticsView)

public:
    explicit DiagnosticsView(AppModel* model, QWidget* parent = nullptr);

    /** @brief The English support summary, one "Key: value" line each, without a final line break. */
    static QString diagnosticSummary(const EnvironmentReport& report, qsizetype instanceCount,
                                     qsizetype externalProfileCount, const QString& version);

private:
    void updateRows();
    void updateWorking();
    void openDataFolder();
    void copySummary();

    AppModel* m_model;
    QList<DiagnosticRow*> m_rows;
    QPushButton* m_redetect = nullptr;
};
