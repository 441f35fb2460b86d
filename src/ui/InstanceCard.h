#pragma once

#include "AccountStatus.h"
#include "CodexInstance.h"

#include "FocusRingButton.h"

class InstanceTag;
class QHBoxLayout;
class QPushButton;
class SymbolView;
class TextLabel;

/**
 * @brief One visible instance on the home window. A desktop card is a single button that
 * launches on a click anywhere on it; a CLI card offers "终端" and "VS Code" and ignores
 * clicks elsewhere. A CLI card also shows its account and usage windows, with "登录" while
 * nobody is logged in. The card only emits what the user asked for.
 */
class InstanceCard final : public FocusRingButton
{
    Q_OBJECT

public:
    explicit InstanceCard(const CodexInstance& instance, QWidget* parent = nullptr);

    const CodexInstance& instance() const { return m_instance; }
    /** @brief Shows another state of the same record (a new name) or another record. */
    void setInstance(const CodexInstance& instance);
    bool isHovering() const { return m_hovering; }
    /**
     * @brief A CLI card's account: none while the first answer is pending; `sharedWith` names
     * another instance logged into the same ChatGPT account.
     */
    void setAccount(const std::optional<AccountStatus>& status, const std::optional<QString>& sharedWith);

    /** @brief "名称，CLI" or "名称，Desktop". */
    static QString accessibleLabel(const CodexInstance& instance);

signals:
    void launchDesktop();
    void launchTerminal();
    void launchVSCode();
    void login();

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    bool hitButton(const QPoint& pos) const override;

private:
    void build();
    QWidget* buildIdentity();
    QWidget* buildTrailing();
    void setHovering(bool hovering);
    void showAccount();

    CodexInstance m_instance;
    bool m_hovering = false;
    QHBoxLayout* m_layout = nullptr;
    std::optional<AccountStatus> m_account;
    std::optional<QString> m_sharedWith;
    InstanceTag* m_sharedTag = nullptr;
    TextLabel* m_accountLine = nullptr;
    QHBoxLayout* m_usageBars = nullptr;
    QPushButton* m_loginButton = nullptr;
};
