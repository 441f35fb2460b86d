#pragma once

#include <QWidget>

/** @brief The about section: the application's icon, name, subtitle, version and copyright. */
class AboutView final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(AboutView)

public:
    explicit AboutView(QWidget* parent = nullptr);
};
