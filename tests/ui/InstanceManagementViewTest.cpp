#include "InstanceManagementView.h"
#include "AsyncTest.h"
#include "ImportProfileView.h"
#include "InstanceTag.h"
#include "MarlvaneError.h"
#include "MessageDialog.h"
#include "UiTask.h"
#include "UiTestSupport.h"

#include <QAbstractButton>
#include <QApplication>
#include <QClipboard>
#include <QDialog>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

namespace {

// Closed sheets and dialogs delete themselves later; only a running event loop would get to that.
template <typename T> bool gone(const QPointer<T>& widget)
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return widget.isNull();
}

const QString createdMessage =
    QStringLiteral("请先关闭使用该实例的 ChatGPT、终端或 VS Code 窗口。这会删除本地 Profile "
                   "数据和登录状态，但不会删除任何项目代码。");
const QString importedMessage = QStringLiteral(
    "请先关闭使用该 Profile 的 ChatGPT、终端或 VS Code 窗口。这会从 tessaroll 中永久删除该 Profile、"
    "本地数据和登录状态；若只想停止管理，请选择“仅从 Marlvane 移除”。");

CodexInstance imported(const QString& name, CodexInstanceType type, const QString& profileId)
{
    CodexInstance instance = UiTest::managed(name, type, UiTest::hoursAgo(2));
    instance.profileId = profileId;
    return instance;
}

class InstanceManagementViewTest : public UiTestBase
{
protected:
    // A created desktop instance, an imported CLI profile "work", and a discovered "scratch".
    void storeCreatedAndImported()
    {
        created =
            UiTest::managed(QStringLiteral("Work Desktop"), CodexInstanceType::desktop, UiTest::hoursAgo(3));
        external = imported(QStringLiteral("Team CLI"), CodexInstanceType::cli, QStringLiteral("work"));
        harness.writeInstances({created, external});
        core().setProfiles({created.profileId, QStringLiteral("work"), QStringLiteral("scratch")});
        harness.bootstrap();
        ASSERT_EQ(model().instances().size(), 2);
        ASSERT_EQ(model().externalProfiles(), QStringList{QStringLiteral("scratch")});
    }

    QList<QWidget*> rows(const char* name) const
    {
        QList<QWidget*> result;
        for (QWidget* row : view->findChildren<QWidget*>(QString::fromLatin1(name))) {
            if (row->isVisibleTo(view.get())) {
                result.append(row);
            }
        }
        return result;
    }

    QWidget* managedRow(const CodexInstance& instance) const
    {
        for (QWidget* row : rows("managedRow")) {
            if (row->property("instanceId").toString() == instance.id.toString(QUuid::WithoutBraces)) {
                return row;
            }
        }
        ADD_FAILURE() << "no row for " << instance.displayName.toStdString();
        return nullptr;
    }

    static QStringList tags(QWidget* row)
    {
        QStringList texts;
        for (const InstanceTag* tag : row->findChildren<InstanceTag*>()) {
            texts.append(tag->text());
        }
        return texts;
    }

    bool visible(const char* name) const
    {
        auto* widget = view->findChild<QWidget*>(QString::fromLatin1(name));
        return widget != nullptr && widget->isVisibleTo(view.get());
    }

    // Opens the row's actions menu and returns its entries ("-" for a separator).
    QMenu* openMenu(const CodexInstance& instance) const
    {
        QWidget* row = managedRow(instance);
        if (row == nullptr) {
            return nullptr;
        }
        QTest::mouseClick(row->findChild<QAbstractButton*>(QStringLiteral("instanceActionsButton")),
                          Qt::LeftButton);
        return view->findChild<QMenu*>(QStringLiteral("instanceActionsMenu"));
    }

    static QStringList entries(const QMenu* menu)
    {
        QStringList texts;
        for (const QAction* action : menu->actions()) {
            texts.append(action->isSeparator() ? QStringLiteral("-") : action->text());
        }
        return texts;
    }

    static void trigger(QMenu* menu, const QString& text)
    {
        for (QAction* action : menu->actions()) {
            if (action->text() == text) {
                menu->hide();
                action->trigger();
                return;
            }
        }
        ADD_FAILURE() << "no menu entry " << text.toStdString();
    }

    /** @brief Chooses the menu entry with the dialog pre-answered; returns what it showed. */
    static MessageDialog::Shown answer(QMenu* menu, const QString& entry, QDialog::DialogCode code)
    {
        MessageDialog::setNextAnswer(code);
        trigger(menu, entry);
        const std::optional<MessageDialog::Shown>& shown = MessageDialog::lastShown();
        return shown.value_or(MessageDialog::Shown{});
    }

    void showView()
    {
        view = std::make_unique<InstanceManagementView>(&model());
        view->resize(700, 560);
        view->show();
        // Let the layouts settle so that clicks land on laid-out rows.
        EXPECT_TRUE(QTest::qWaitForWindowExposed(view.get()));
        QCoreApplication::processEvents();
    }

    CodexInstance created;
    CodexInstance external;
    std::unique_ptr<InstanceManagementView> view;
};

} // namespace

TEST_F(InstanceManagementViewTest, ListTakesThreeShapes)
{
    showView();
    EXPECT_TRUE(visible("instancesPlaceholder"));
    EXPECT_FALSE(visible("instancesList"));
    EXPECT_TRUE(view->findChild<QPushButton*>(QStringLiteral("rescanButton"))->isEnabled());

    // Discovered profiles only.
    core().setProfiles({QStringLiteral("default"), QStringLiteral("scratch"), QStringLiteral("alpha")});
    AsyncTest::await(model().refreshProfiles(false));
    EXPECT_FALSE(visible("instancesPlaceholder"));
    EXPECT_FALSE(visible("managedSection"));
    EXPECT_TRUE(visible("discoveredSection"));
    QStringList discovered;
    for (QWidget* row : rows("discoveredRow")) {
        discovered.append(row->property("profileId").toString());
    }
    EXPECT_EQ(discovered, (QStringList{QStringLiteral("alpha"), QStringLiteral("scratch")}));

    // Both sections, in the model's order.
    view.reset();
    storeCreatedAndImported();
    showView();
    EXPECT_TRUE(visible("managedSection"));
    EXPECT_TRUE(visible("discoveredSection"));
    ASSERT_EQ(rows("managedRow").size(), 2);
    EXPECT_EQ(tags(managedRow(created)), QStringList{QStringLiteral("Desktop")});
    EXPECT_EQ(tags(managedRow(external)), (QStringList{QStringLiteral("CLI"), QStringLiteral("外部导入")}));
    EXPECT_EQ(rows("discoveredRow").size(), 1);
}

TEST_F(InstanceManagementViewTest, CreatedInstanceIsDeletedAfterConfirmation)
{
    storeCreatedAndImported();
    showView();

    QMenu* menu = openMenu(created);
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(entries(menu),
              (QStringList{QStringLiteral("重命名"), QStringLiteral("-"), QStringLiteral("删除")}));

    // Cancelling changes nothing.
    MessageDialog::Shown shown = answer(menu, QStringLiteral("删除"), QDialog::Rejected);
    EXPECT_EQ(shown.objectName, QStringLiteral("deleteConfirmation"));
    EXPECT_EQ(shown.title, QStringLiteral("删除“Work Desktop”？"));
    EXPECT_EQ(shown.message, createdMessage);
    EXPECT_EQ(shown.buttons, (QStringList{QStringLiteral("永久删除实例"), QStringLiteral("取消")}));
    ASSERT_TRUE(view->deleting().has_value());
    UI_WAIT_UNTIL(!view->deleting().has_value());
    EXPECT_EQ(core().count(QStringLiteral("removeProfile")), 0);

    core().hold(QStringLiteral("removeProfile"));
    answer(openMenu(created), QStringLiteral("删除"), QDialog::Accepted);
    UI_WAIT_UNTIL(core().waiting(QStringLiteral("removeProfile")) == 1);
    // The field is cleared only when the model is done.
    EXPECT_TRUE(view->deleting().has_value());
    core().release(QStringLiteral("removeProfile"));
    UI_WAIT_UNTIL(!view->deleting().has_value());

    EXPECT_EQ(core().calls().last(),
              (FakeCoreAdapter::Call{QStringLiteral("removeProfile"), {created.profileId}}));
    ASSERT_EQ(model().instances().size(), 1);
    EXPECT_EQ(model().instances().first().id, external.id);
    UI_WAIT_UNTIL(rows("managedRow").size() == 1);
}

TEST_F(InstanceManagementViewTest, ImportedInstanceOffersDetachAndProfileDeletion)
{
    storeCreatedAndImported();
    showView();

    QMenu* menu = openMenu(external);
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(entries(menu),
              (QStringList{QStringLiteral("重命名"), QStringLiteral("-"),
                           QStringLiteral("仅从 Marlvane 移除"), QStringLiteral("删除底层 Profile")}));

    MessageDialog::Shown shown = answer(menu, QStringLiteral("删除底层 Profile"), QDialog::Rejected);
    EXPECT_EQ(shown.title, QStringLiteral("删除“Team CLI”？"));
    EXPECT_EQ(shown.message, importedMessage);
    EXPECT_EQ(shown.buttons, (QStringList{QStringLiteral("永久删除底层 Profile"), QStringLiteral("取消")}));
    UI_WAIT_UNTIL(!view->deleting().has_value());

    // Shown for real, Return and Escape both answer "取消".
    for (const Qt::Key key : {Qt::Key_Return, Qt::Key_Escape}) {
        trigger(openMenu(external), QStringLiteral("仅从 Marlvane 移除"));
        QPointer<MessageDialog> dialog =
            view->findChild<MessageDialog*>(QStringLiteral("detachConfirmation"));
        ASSERT_FALSE(dialog.isNull());
        EXPECT_TRUE(dialog->isVisible());
        // The key goes where the user's would: to the button that has the focus.
        QWidget* focused = dialog->focusWidget();
        ASSERT_NE(focused, nullptr);
        EXPECT_EQ(static_cast<QPushButton*>(focused)->text(), QStringLiteral("取消"));
        QTest::keyClick(focused, key);
        UI_WAIT_UNTIL(gone(dialog));
        EXPECT_FALSE(view->detaching().has_value()) << key;
        EXPECT_EQ(model().instances().size(), 2) << key;
    }

    shown = answer(openMenu(external), QStringLiteral("仅从 Marlvane 移除"), QDialog::Accepted);
    EXPECT_EQ(shown.objectName, QStringLiteral("detachConfirmation"));
    EXPECT_EQ(shown.title, QStringLiteral("从 Marlvane 移除“Team CLI”？"));
    EXPECT_EQ(shown.message,
              QStringLiteral("底层 Profile“work”及登录状态会保留，并会重新出现在待导入列表中。"));
    EXPECT_EQ(shown.buttons, (QStringList{QStringLiteral("仅移除管理记录"), QStringLiteral("取消")}));
    ASSERT_TRUE(view->detaching().has_value());

    UI_WAIT_UNTIL(!view->detaching().has_value());
    EXPECT_EQ(model().instances().size(), 1);
    EXPECT_EQ(model().externalProfiles(), (QStringList{QStringLiteral("scratch"), QStringLiteral("work")}));
    EXPECT_EQ(core().count(QStringLiteral("removeProfile")), 0);
    // The lists follow at once: the profile is offered for import again.
    EXPECT_EQ(rows("managedRow").size(), 1);
    EXPECT_EQ(rows("discoveredRow").size(), 2);
}

TEST_F(InstanceManagementViewTest, RenameSheetPrefillsCancelsAndSaves)
{
    storeCreatedAndImported();
    showView();
    const QPointer<QWidget> untouchedRow = managedRow(external);

    trigger(openMenu(created), QStringLiteral("重命名"));
    QPointer<QDialog> sheet = view->findChild<QDialog*>(QStringLiteral("renameSheet"));
    ASSERT_FALSE(sheet.isNull());
    EXPECT_GE(sheet->minimumWidth(), 420);
    EXPECT_GE(sheet->minimumHeight(), 190);
    auto* field = sheet->findChild<QLineEdit*>(QStringLiteral("renameField"));
    EXPECT_EQ(field->text(), QStringLiteral("Work Desktop"));
    EXPECT_EQ(field->placeholderText(), QStringLiteral("名称"));

    field->setText(QStringLiteral("Discarded"));
    QTest::keyClick(sheet, Qt::Key_Escape);
    UI_WAIT_UNTIL(gone(sheet));
    EXPECT_FALSE(view->editing().has_value());
    EXPECT_EQ(model().instances().first().displayName, QStringLiteral("Work Desktop"));

    trigger(openMenu(created), QStringLiteral("重命名"));
    sheet = view->findChild<QDialog*>(QStringLiteral("renameSheet"));
    ASSERT_FALSE(sheet.isNull());
    sheet->findChild<QLineEdit*>(QStringLiteral("renameField"))->setText(QStringLiteral("  Renamed  "));
    QTest::mouseClick(sheet->findChild<QPushButton*>(QStringLiteral("renameSaveButton")), Qt::LeftButton);
    UI_WAIT_UNTIL(gone(sheet));
    EXPECT_EQ(model().instances().first().displayName, QStringLiteral("Renamed"));
    EXPECT_EQ(
        managedRow(model().instances().first())->findChild<QLabel*>(QStringLiteral("instanceName"))->text(),
        QStringLiteral("Renamed"));
    // Only the renamed record's row was rebuilt.
    EXPECT_FALSE(untouchedRow.isNull());
    EXPECT_EQ(managedRow(external), untouchedRow.data());

    // "保存" is never disabled; a blank name is refused by the model, and the sheet closes.
    trigger(openMenu(model().instances().first()), QStringLiteral("重命名"));
    sheet = view->findChild<QDialog*>(QStringLiteral("renameSheet"));
    ASSERT_FALSE(sheet.isNull());
    sheet->findChild<QLineEdit*>(QStringLiteral("renameField"))->setText(QStringLiteral("   "));
    auto* save = sheet->findChild<QPushButton*>(QStringLiteral("renameSaveButton"));
    EXPECT_TRUE(save->isEnabled());
    QTest::mouseClick(save, Qt::LeftButton);
    UI_WAIT_UNTIL(gone(sheet));
    EXPECT_EQ(model().instances().first().displayName, QStringLiteral("Renamed"));
    EXPECT_TRUE(model().presentedError().has_value());
}

TEST_F(InstanceManagementViewTest, LongProfileIdIsShortenedInTheMiddleButCopiedWhole)
{
    const QString longID =
        QStringLiteral("imported-profile-with-a-rather-long-name-0123456789abcdef-0123456789-end");
    external = imported(QStringLiteral("Long"), CodexInstanceType::cli, longID);
    harness.writeInstances({external});
    core().setProfiles({longID});
    harness.bootstrap();
    showView();
    view->resize(420, 400);
    view->activateWindow();
    UI_WAIT_UNTIL(view->isActiveWindow());

    auto* field = managedRow(external)->findChild<QLineEdit*>(QStringLiteral("profileIdField"));
    ASSERT_NE(field, nullptr);
    UI_WAIT_UNTIL(field->text().contains(QChar(0x2026)));
    EXPECT_TRUE(field->text().startsWith(QStringLiteral("imported-")));
    EXPECT_TRUE(field->text().endsWith(QStringLiteral("-end")));

    field->setFocus();
    UI_WAIT_UNTIL(field->hasFocus());
    EXPECT_EQ(field->text(), longID);
    field->selectAll();
    EXPECT_EQ(field->selectedText(), longID);
    field->copy();
    EXPECT_EQ(QApplication::clipboard()->text(), longID);
}

TEST_F(InstanceManagementViewTest, RescanReportsAndIsDisabledWhileWorking)
{
    showView();
    auto* rescan = view->findChild<QPushButton*>(QStringLiteral("rescanButton"));
    // A profile made with the core outside the application shows up after a rescan.
    core().setProfiles({QStringLiteral("made-outside")});
    QTest::mouseClick(rescan, Qt::LeftButton);
    UI_WAIT_UNTIL(rows("discoveredRow").size() == 1);
    EXPECT_EQ(rows("discoveredRow").first()->property("profileId").toString(),
              QStringLiteral("made-outside"));
    EXPECT_FALSE(visible("instancesPlaceholder"));

    core().fail(QStringLiteral("listProfiles"), MarlvaneError::coreNotFound());
    QTest::mouseClick(rescan, Qt::LeftButton);
    UI_WAIT_UNTIL(model().presentedError().has_value());
    EXPECT_EQ(core().count(QStringLiteral("listProfiles")), 2);

    core().hold(QStringLiteral("diagnose"));
    UiTask::start(model().refreshEnvironment());
    EXPECT_FALSE(rescan->isEnabled());
    core().release(QStringLiteral("diagnose"));
    UI_WAIT_UNTIL(rescan->isEnabled());
}

TEST_F(InstanceManagementViewTest, DiscoveredRowOpensTheImportSheet)
{
    storeCreatedAndImported();
    showView();
    QWidget* row = rows("discoveredRow").value(0);
    ASSERT_NE(row, nullptr);
    QTest::mouseClick(row->findChild<QPushButton*>(QStringLiteral("importProfileButton")), Qt::LeftButton);
    QPointer<ImportProfileView> sheet = view->findChild<ImportProfileView*>();
    ASSERT_FALSE(sheet.isNull());
    EXPECT_EQ(sheet->profileID(), QStringLiteral("scratch"));
    EXPECT_EQ(view->importingProfileID(), QStringLiteral("scratch"));
    sheet->reject();
    UI_WAIT_UNTIL(gone(sheet));
    EXPECT_FALSE(view->importingProfileID().has_value());
}

TEST_F(InstanceManagementViewTest, LongListsFillInLaterInStoredOrder)
{
    QList<CodexInstance> instances;
    for (int i = 0; i < 150; ++i) {
        instances.append(
            UiTest::managed(QStringLiteral("Row %1").arg(i), CodexInstanceType::cli, UiTest::hoursAgo(1)));
    }
    UiTest::storeInstances(harness, instances);
    harness.bootstrap();
    showView();
    UI_WAIT_UNTIL(rows("managedRow").size() == 150);
    const QList<QWidget*> shown = rows("managedRow");
    const auto* layout = shown.first()->parentWidget()->layout();
    for (int i = 0; i < 150; ++i) {
        EXPECT_EQ(layout->itemAt(i)->widget()->property("instanceId").toString(),
                  model().instances().at(i).id.toString(QUuid::WithoutBraces))
            << i;
    }
}
