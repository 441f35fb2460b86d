#pragma once

#include <QString>
#include <QWidget>

class ElidedField;
class TextLabel;

/**
 * @brief One labelled value of the diagnostics list: the title in a fixed 140 point column, the
 * value selectable beside it (a path on one line, shortened in the middle), and optionally a divider below
 * that starts under the value column.
 */
class DiagnosticRow final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(DiagnosticRow)

public:
    DiagnosticRow(const QString& title, const QString& value, bool monospaced, bool showDivider,
                  QWidget* parent = nullptr);

    QString title() const;
    QString value() const;
    bool monospaced() const { return m_monospaced; }
    bool showDivider() const { return m_showDivider; }

    void setValue(const QString& value);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    TextLabel* m_title = nullptr;
    TextLabel* m_value = nullptr;   // a value that wraps
    ElidedField* m_field = nullptr; // or, instead, a path on one line
    bool m_monospaced = false;
    bool m_showDivider = false;
};
