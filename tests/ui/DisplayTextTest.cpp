#include "DisplayText.h"
#include "DiagnosticRow.h"
#include "DiagnosticsView.h"
#include "InstanceCard.h"
#include "InstanceManagementView.h"
#include "UiTestSupport.h"

#include <QLabel>
#include <QLineEdit>

#include <gtest/gtest.h>

namespace {

struct DisplayRow
{
    const char* name;
    QString text;
    QString shown;
};

QString ch(char16_t unit)
{
    return QString(QChar(unit));
}

const QString ellipsis = ch(0x2026);

class DisplayTextTest : public ::testing::TestWithParam<DisplayRow>
{};

TEST_P(DisplayTextTest, EscapesReorderingCharactersThenCutsLongTexts)
{
    EXPECT_EQ(DisplayText::shown(GetParam().text), GetParam().shown);
}

const QString thousand(1000, QLatin1Char('a'));
const QString emoji = QString::fromUtf8("\xF0\x9F\x98\x80"); // a surrogate pair

INSTANTIATE_TEST_SUITE_P(
    Rows, DisplayTextTest,
    ::testing::Values(DisplayRow{"plain", QStringLiteral("rtl-live"), QStringLiteral("rtl-live")},
                      DisplayRow{"override", QStringLiteral("rtl-") + ch(0x202E) + QStringLiteral("evil"),
                                 QStringLiteral("rtl-<U+202E>evil")},
                      DisplayRow{"marks", ch(0x200E) + ch(0x200F), QStringLiteral("<U+200E><U+200F>")},
                      DisplayRow{"embeddings", ch(0x202A) + ch(0x202D), QStringLiteral("<U+202A><U+202D>")},
                      DisplayRow{"isolates", ch(0x2066) + QStringLiteral("x") + ch(0x2069),
                                 QStringLiteral("<U+2066>x<U+2069>")},
                      DisplayRow{"neighbours",
                                 ch(0x200D) + ch(0x2010) + ch(0x2029) + ch(0x202F) + ch(0x2065) + ch(0x206A),
                                 ch(0x200D) + ch(0x2010) + ch(0x2029) + ch(0x202F) + ch(0x2065) + ch(0x206A)},
                      DisplayRow{"exactly1000", thousand, thousand},
                      DisplayRow{"1001", thousand + QStringLiteral("b"), thousand + ellipsis},
                      DisplayRow{"huge", QString(10'000'000, QLatin1Char('a')), thousand + ellipsis},
                      DisplayRow{"surrogateAtTheCut", thousand.first(999) + emoji + QStringLiteral("z"),
                                 thousand.first(999) + ellipsis},
                      DisplayRow{"surrogateBeforeTheCut", thousand.first(998) + emoji + QStringLiteral("z"),
                                 thousand.first(998) + emoji + ellipsis},
                      DisplayRow{"escapeThenCut", ch(0x202E) + thousand,
                                 QStringLiteral("<U+202E>") + thousand.first(992) + ellipsis}),
    [](const auto& info) { return std::string(info.param.name); });

class DisplayTextViewTest : public UiTestBase
{};

TEST_F(DisplayTextViewTest, ViewsShowTheEscapedCutTextAndKeepTheStoredOne)
{
    const QString hostileName = QString(20'000, QLatin1Char('n'));
    const QString hostileID = QStringLiteral("rtl-") + ch(0x202E) + QStringLiteral("evil");
    CodexInstance instance = UiTest::managed(hostileName, CodexInstanceType::cli, UiTest::hoursAgo(1));
    instance.profileId = hostileID;
    harness.writeInstances({instance});
    core().setProfiles({hostileID});
    EnvironmentReport report = FakeCoreAdapter::reportWith(true, true, true);
    report.corePath = QStringLiteral("/opt/") + ch(0x2067) + QString(5000, QLatin1Char('p'));
    core().setReport(report);
    harness.bootstrap();
    ASSERT_EQ(model().instances().size(), 1);

    const QString shownName = QString(1000, QLatin1Char('n')) + ellipsis;
    InstanceCard card(model().instances().first());
    EXPECT_EQ(card.findChild<QLabel*>(QStringLiteral("cardName"))->text(), shownName);

    InstanceManagementView management(&model());
    auto* row = management.findChild<QWidget*>(QStringLiteral("managedRow"));
    ASSERT_NE(row, nullptr);
    EXPECT_EQ(row->findChild<QLabel*>(QStringLiteral("instanceName"))->text(), shownName);
    auto* field = row->findChild<QLineEdit*>(QStringLiteral("profileIdField"));
    ASSERT_NE(field, nullptr);
    EXPECT_EQ(field->text(), QStringLiteral("rtl-<U+202E>evil"));

    DiagnosticsView diagnostics(&model());
    const QList<DiagnosticRow*> rows = diagnostics.findChildren<DiagnosticRow*>();
    ASSERT_GE(rows.size(), 3);
    EXPECT_EQ(rows[2]->value(), QStringLiteral("/opt/<U+2067>") + QString(987, QLatin1Char('p')) + ellipsis);

    EXPECT_EQ(model().instances().first().displayName, hostileName);
    EXPECT_EQ(model().instances().first().profileId, hostileID);
    EXPECT_EQ(model().environment().corePath, report.corePath);
}

} // namespace
