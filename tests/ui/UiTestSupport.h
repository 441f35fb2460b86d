#pragma once

#include "AppModelHarness.h"
#include "AsyncTest.h"
#include "TestRecords.h"
#include "UiServices.h"

#include <QCoreApplication>
#include <QUrl>

#include <gtest/gtest.h>

// Spins the event loop (running deleteLater() on the way) until the condition holds.
#define UI_WAIT_UNTIL(condition)                                                                             \
    ASSERT_TRUE(AsyncTest::spinUntil(                                                                        \
        [&] {                                                                                                \
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);                             \
            return static_cast<bool>(condition);                                                             \
        },                                                                                                   \
        std::chrono::seconds(10)))                                                                           \
        << "never true: " #condition

/** @brief Holds the folder panel open until the test answers it; records links and clipboard texts. */
class FakeUiServices final : public UiServices
{
public:
    void chooseFolder(QWidget*, const QString& title, const QString& acceptLabel,
                      std::function<void(std::optional<QString>)> done) override
    {
        folderRequests.append(title + QLatin1Char('|') + acceptLabel);
        pendingFolder = std::move(done);
    }
    void openUrl(const QUrl& url) override { openedUrls.append(url); }
    void setClipboardText(const QString& text) override { clipboard.append(text); }

    std::function<void(std::optional<QString>)> pendingFolder;
    QStringList folderRequests;
    QList<QUrl> openedUrls;
    QStringList clipboard;
};

namespace UiTest {
/** @brief Stores the records and tells the fake core it has their profiles. */
void storeInstances(AppModelHarness& harness, const QList<CodexInstance>& instances);
/** @brief The visible child of `parent` of type T named `name` (a closed sheet may linger). */
template <typename T> T* shown(const QObject* parent, const QString& name = {})
{
    for (T* child : parent->findChildren<T*>(name)) {
        if (child->isVisible()) {
            return child;
        }
    }
    return nullptr;
}
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
