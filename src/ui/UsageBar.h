#pragma once

#include "AccountStatus.h"
#include "Theme.h"

#include <QWidget>

class TextLabel;

/**
 * @brief One usage window on a CLI card: its caption ("5 小时 42%") above a thin bar filled to
 * the used share, in the accent colour, orange from 90 per cent and red when used up. The
 * tooltip says when the window resets.
 */
class UsageBar final : public QWidget
{
    Q_OBJECT

public:
    explicit UsageBar(const AccountStatus::Window& window, QWidget* parent = nullptr);

    QString caption() const;
    /** @brief The bar's rectangle, below the caption. */
    QRect barRect() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    TextLabel* m_caption;
    int m_usedPercent;
};
