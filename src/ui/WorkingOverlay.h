#pragma once

#include <QWidget>

class ProgressSpinner;

/** @brief The busy indicator: a spinner on a translucent rounded panel, centred by its owner. */
class WorkingOverlay final : public QWidget
{
    Q_OBJECT

public:
    explicit WorkingOverlay(QWidget* parent = nullptr);

    ProgressSpinner* spinner() const { return m_spinner; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    ProgressSpinner* m_spinner;
};
