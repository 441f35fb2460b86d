#pragma once

#include <QString>
#include <QWidget>

/** @brief A small capsule label ("系统", "CLI", "外部导入"): caption-2 medium on the quaternary fill. */
class InstanceTag final : public QWidget
{
    Q_OBJECT

public:
    explicit InstanceTag(const QString& text, QWidget* parent = nullptr);

    QString text() const { return m_text; }
    void setText(const QString& text);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_text;
};
