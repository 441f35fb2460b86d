#pragma once

#include <QWidget>

/** @brief A one-point horizontal line in the separator colour, full width. */
class Divider final : public QWidget
{
    Q_OBJECT

public:
    explicit Divider(QWidget* parent = nullptr);

    QSize sizeHint() const override { return {1, 1}; }

protected:
    void paintEvent(QPaintEvent* event) override;
};
