#pragma once

#include <QTimer>
#include <QWidget>

/** @brief The platform's large indeterminate spinner: twelve fading spokes turning while shown. */
class ProgressSpinner final : public QWidget
{
    Q_OBJECT

public:
    explicit ProgressSpinner(int diameter, QWidget* parent = nullptr);

    bool isSpinning() const { return m_timer.isActive(); }
    QSize sizeHint() const override { return {m_diameter, m_diameter}; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    int m_diameter;
    int m_step = 0;
    QTimer m_timer;
};
