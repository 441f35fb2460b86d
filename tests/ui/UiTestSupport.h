#pragma once

#include "AppModelHarness.h"
#include "AsyncTest.h"
#include "TestRecords.h"
#include "UiServices.h"

#include <QAccessible>
#include <QCoreApplication>
#include <QLabel>
#include <QPointer>
#include <QUrl>

#include <gtest/gtest.h>

#include <functional>

using namespace Qt::Literals::StringLiterals;

// Spins the event loop (running deleteLater() on the way) until the condition holds.
#define UI_WAIT_UNTIL(condition)                                                                             \
    ASSERT_TRUE(AsyncTest::spinUntil(                                                                        \
        [&] {                                                                                                \
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);                             \
            return static_cast<bool>(condition);                                                             \
        },                                                                                                   \
        std::chrono::seconds(10)))                                                                           \
        << "never true: " #condition

// Holds the folder panel open until the test answers it; records links and clipboard texts.
class FakeUiServices final : public UiServices
{
public:
    void chooseFolder(QWidget*, const QString& title, const QString& acceptLabel,
                      std::function<void(std::optional<QString>)> done) override
    {
        folderRequests.append(title + u'|' + acceptLabel);
        pendingFolder = std::move(done);
    }
    void openUrl(const QUrl& url) override { openedUrls.append(url); }
    void setClipboardText(const QString& text) override { clipboard.append(text); }

    std::function<void(std::optional<QString>)> pendingFolder;
    QStringList folderRequests, clipboard;
    QList<QUrl> openedUrls;
};

namespace UiTest {
template <typename T = QWidget> T* find(const QObject* parent, const char* name)
{
    return parent->findChild<T*>(QLatin1String(name));
}
inline QString text(const QObject* parent, const char* name)
{
    const auto* label = find<QLabel>(parent, name);
    return label != nullptr ? label->text() : u"<none>"_s;
}
// The visible children of type T (closed sheets may linger until deleted).
template <typename T> QList<T*> shownAll(const QObject* parent, const QString& name = {})
{
    QList<T*> result = parent->findChildren<T*>(name);
    result.removeIf([](const T* child) { return !child->isVisible(); });
    return result;
}
template <typename T> T* shown(const QObject* parent, const QString& name = {})
{
    return shownAll<T>(parent, name).value(0);
}
// Every visible button under `root` that a screen reader would announce without a name.
inline QStringList unnamedButtons(QWidget* root)
{
    QStringList unnamed;
    const std::function<void(QAccessibleInterface*)> walk = [&](QAccessibleInterface* node) {
        if (node == nullptr || node->state().invisible) {
            return;
        }
        const QAccessible::Role role = node->role();
        const bool button = role == QAccessible::PushButton || role == QAccessible::ButtonMenu ||
                            role == QAccessible::ButtonDropDown;
        if (button && node->text(QAccessible::Name).trimmed().isEmpty()) {
            const QObject* object = node->object();
            unnamed.append(object ? object->objectName() + u'/' +
                                        QString::fromLatin1(object->metaObject()->className())
                                  : QStringLiteral("?"));
        }
        for (int i = 0; i < node->childCount(); ++i) {
            walk(node->child(i));
        }
    };
    walk(QAccessible::queryAccessibleInterface(root));
    return unnamed;
}
} // namespace UiTest

// A model over a fake core with the fake UI services installed.
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
