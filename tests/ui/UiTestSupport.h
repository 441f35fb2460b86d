#pragma once

#include "AppModelHarness.h"
#include "AsyncTest.h"
#include "CodexInstance.h"
#include "UiServices.h"

#include <QDateTime>
#include <QList>
#include <QObject>
#include <QString>
#include <QUrl>

#include <gtest/gtest.h>

#include <functional>
#include <optional>

class QWidget;

// Spins the event loop until the condition holds and fails the test when it never does. Objects
// closed with deleteLater() are deleted on the way, as a running event loop would.
// (QTRY_* report to QtTest's logger, which a gtest program never reads: they cannot fail here.)
#define UI_WAIT_UNTIL(condition)                                                                             \
    ASSERT_TRUE(AsyncTest::spinUntil(                                                                        \
        [&] {                                                                                                \
            UiTest::deleteClosedObjects();                                                                   \
            return static_cast<bool>(condition);                                                             \
        },                                                                                                   \
        std::chrono::seconds(10)))                                                                           \
        << "never true: " #condition

/** @brief Answers the folder panel when the test says so and records links and clipboard texts. */
class FakeUiServices final : public UiServices
{
public:
    struct FolderRequest
    {
        QString title;
        QString acceptLabel;
    };

    void chooseFolder(QWidget* parent, const QString& title, const QString& acceptLabel,
                      std::function<void(std::optional<QString>)> done) override;
    void openUrl(const QUrl& url) override { openedUrls.append(url); }
    void setClipboardText(const QString& text) override { clipboard.append(text); }

    /** @brief Closes the open folder panel with a chosen folder, or cancels it (nullopt). */
    void answerFolder(std::optional<QString> folder);
    bool folderPanelOpen() const { return static_cast<bool>(m_pendingFolder); }

    QList<FolderRequest> folderRequests;
    QList<QUrl> openedUrls;
    QStringList clipboard;

private:
    std::function<void(std::optional<QString>)> m_pendingFolder;
};

namespace UiTest {
/** @brief Runs pending deleteLater() calls; a test has no event loop that would. */
void deleteClosedObjects();
QDateTime hoursAgo(int hours);
/** @brief A record as the application creates it, with profile "marlvane-<type>-<uuid>". */
CodexInstance managed(const QString& name, CodexInstanceType type, const QDateTime& createdAt,
                      std::optional<QDateTime> lastUsedAt = std::nullopt);
/** @brief Stores the records and tells the fake core it has their profiles. */
void storeInstances(AppModelHarness& harness, const QList<CodexInstance>& instances);
/** @brief Waits until the bootstrap that showing a home view starts has diagnosed and settled. */
bool waitForBootstrap(AppModelHarness& harness);
/** @brief The visible child of `parent` of type T named `name` (a closed sheet may linger). */
template <typename T> T* shownChild(const QObject* parent, const QString& name)
{
    for (T* child : parent->findChildren<T*>(name)) {
        if (child->isVisible()) {
            return child;
        }
    }
    return nullptr;
}
/** @brief Writes <build>/screenshots/<name>.png (MARLVANE_BUILD_DIR, set by CTest). */
void saveScreenshot(QWidget* widget, const QString& name);
} // namespace UiTest

/** @brief A model over a fake core with the fake UI services installed. */
class UiTestBase : public ::testing::Test
{
protected:
    void SetUp() override { UiServices::setCurrent(&services); }
    void TearDown() override
    {
        // An operation still running would resume after the model is gone.
        EXPECT_TRUE(AsyncTest::spinUntil([this] { return !model().isWorking(); }, std::chrono::seconds(10)));
        UiServices::setCurrent(nullptr);
    }

    AppModel& model() const { return harness.model(); }
    FakeCoreAdapter& core() const { return harness.core(); }

    AppModelHarness harness;
    FakeUiServices services;
};
