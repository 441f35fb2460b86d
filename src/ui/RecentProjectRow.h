#pragma once

#include "RecentProject.h"

#include "FocusRingButton.h"

/** @brief One recent project in the picker: folder symbol, name and shortened path; a plain button. */
class RecentProjectRow final : public FocusRingButton
{
    Q_OBJECT

public:
    RecentProjectRow(const RecentProject& project, const QString& shownPath, QWidget* parent = nullptr);

    const RecentProject& project() const { return m_project; }
    QString shownPath() const { return m_shownPath; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    RecentProject m_project;
    QString m_shownName; // the name as drawn, worked out once
    QString m_shownPath;
};
