#include "SettingsView.h"
#include "AboutView.h"
#include "DiagnosticsView.h"
#include "InstanceManagementView.h"
#include "ReleaseVersion.h"
#include "SettingsSection.h"
#include "UiTestSupport.h"

#include <QLabel>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QSplitter>
#include <QTest>

#include <gtest/gtest.h>

TEST(SettingsSectionTest, CasesRawValuesTitlesAndSymbols)
{
    const QList<SettingsSection> cases = SettingsSections::allCases();
    ASSERT_EQ(cases, (QList<SettingsSection>{SettingsSection::instances, SettingsSection::diagnostics,
                                             SettingsSection::about}));
    QStringList raw, titles, symbols;
    for (const SettingsSection section : cases) {
        raw.append(SettingsSections::rawValue(section));
        titles.append(SettingsSections::title(section));
        symbols.append(SettingsSections::symbolName(section));
        EXPECT_EQ(SettingsSections::fromRawValue(SettingsSections::rawValue(section)), section);
    }
    EXPECT_EQ(raw, (QStringList{QStringLiteral("instances"), QStringLiteral("diagnostics"),
                                QStringLiteral("about")}));
    EXPECT_EQ(titles,
              (QStringList{QStringLiteral("实例管理"), QStringLiteral("诊断"), QStringLiteral("关于")}));
    EXPECT_EQ(symbols, (QStringList{QStringLiteral("rectangle.stack"), QStringLiteral("stethoscope"),
                                    QStringLiteral("info.circle")}));
    for (const char* other : {"Instances", "instances ", "", "settings"}) {
        EXPECT_FALSE(SettingsSections::fromRawValue(QString::fromLatin1(other)).has_value()) << other;
    }
}

namespace {

// Closed sheets and dialogs delete themselves later; only a running event loop would get to that.
template <typename T> bool gone(const QPointer<T>& widget)
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return widget.isNull();
}

class SettingsViewTest : public UiTestBase
{
protected:
    void TearDown() override
    {
        delete settings.data();
        UiTestBase::TearDown();
    }

    void open()
    {
        settings = new SettingsView(&model(), nullptr);
        settings->show();
        sidebar = settings->findChild<QListWidget*>(QStringLiteral("settingsSidebar"));
        ASSERT_NE(sidebar, nullptr);
    }

    void clickSidebarRow(int row)
    {
        const QRect rect = sidebar->visualItemRect(sidebar->item(row));
        QTest::mouseClick(sidebar->viewport(), Qt::LeftButton, {}, rect.center());
    }

    QPointer<SettingsView> settings;
    QListWidget* sidebar = nullptr;
};

} // namespace

TEST_F(SettingsViewTest, SidebarSwitchesTheDetailAndReopeningStartsOnInstances)
{
    open();
    EXPECT_EQ(settings->selection(), SettingsSection::instances);
    ASSERT_EQ(sidebar->count(), 3);
    EXPECT_EQ(sidebar->item(0)->text(), QStringLiteral("实例管理"));
    EXPECT_EQ(sidebar->item(1)->text(), QStringLiteral("诊断"));
    EXPECT_EQ(sidebar->item(2)->text(), QStringLiteral("关于"));
    EXPECT_NE(qobject_cast<InstanceManagementView*>(settings->detailView()), nullptr);

    clickSidebarRow(1);
    EXPECT_EQ(settings->selection(), SettingsSection::diagnostics);
    EXPECT_NE(qobject_cast<DiagnosticsView*>(settings->detailView()), nullptr);
    // The previous section's view is gone, not hidden.
    EXPECT_EQ(settings->findChild<InstanceManagementView*>(), nullptr);

    // Control-clicking the chosen row does not leave the sheet without a section.
    QTest::mouseClick(sidebar->viewport(), Qt::LeftButton, Qt::ControlModifier,
                      sidebar->visualItemRect(sidebar->item(1)).center());
    EXPECT_EQ(sidebar->selectedItems().size(), 1);
    EXPECT_EQ(settings->selection(), SettingsSection::diagnostics);

    clickSidebarRow(2);
    EXPECT_EQ(settings->selection(), SettingsSection::about);
    ASSERT_NE(qobject_cast<AboutView*>(settings->detailView()), nullptr);
    EXPECT_EQ(settings->detailView()->findChild<QLabel*>(QStringLiteral("aboutVersion"))->text(),
              QStringLiteral("Version ") + releaseVersion() + QStringLiteral(" Alpha"));

    QTest::mouseClick(settings->findChild<QPushButton*>(QStringLiteral("settingsDoneButton")),
                      Qt::LeftButton);
    UI_WAIT_UNTIL(gone(settings));

    open();
    EXPECT_EQ(settings->selection(), SettingsSection::instances);
    EXPECT_EQ(sidebar->currentRow(), 0);
    EXPECT_NE(qobject_cast<InstanceManagementView*>(settings->detailView()), nullptr);
    QTest::keyClick(settings, Qt::Key_Escape);
    UI_WAIT_UNTIL(gone(settings));
}

TEST_F(SettingsViewTest, SheetSizesAndSidebarWidthLimits)
{
    open();
    EXPECT_EQ(settings->minimumSize(), QSize(780, 560));
    EXPECT_EQ(settings->size(), QSize(880, 640));
    EXPECT_EQ(sidebar->width(), 180);

    // At the smallest sheet the sidebar keeps its minimum; dragging cannot push it past its limits.
    settings->resize(settings->minimumSize());
    QCoreApplication::processEvents();
    EXPECT_GE(sidebar->width(), 160);
    auto* split = settings->findChild<QSplitter*>();
    ASSERT_NE(split, nullptr);
    split->setSizes({400, 380});
    EXPECT_EQ(sidebar->width(), 220);
    split->setSizes({40, 740});
    EXPECT_EQ(sidebar->width(), 160);
}
