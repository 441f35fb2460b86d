#include "ProfileID.h"
#include "CodexInstanceType.h"
#include "UuidText.h"

#include <gtest/gtest.h>

namespace {
const QString lowerUuid = QStringLiteral("3f2b8c1e-9a47-4d2e-8b61-0c5a7e9d1f24");
const QUuid uuid = QUuid::fromString(lowerUuid);
} // namespace

TEST(ProfileID, AcceptsOnlyTheComposedForm)
{
    using Components = ProfileID::Components;
    struct Case
    {
        QString text;
        std::optional<Components> expected;
    };
    const QList<Case> cases = {
        {QStringLiteral("marlvane-desktop-") + lowerUuid, Components{CodexInstanceType::desktop, uuid}},
        {QStringLiteral("marlvane-desktop-") + lowerUuid.toUpper(),
         Components{CodexInstanceType::desktop, uuid}},
        {QStringLiteral("marlvane-cli-") + lowerUuid, Components{CodexInstanceType::cli, uuid}},
        {QStringLiteral("default"), std::nullopt},
        {QStringLiteral("work"), std::nullopt},
        {QString(), std::nullopt},
        {QStringLiteral("marlvane-desktop-"), std::nullopt},
        {QStringLiteral("marlvane-desktop-") + lowerUuid + QStringLiteral("x"), std::nullopt},
        {QStringLiteral("marlvane-desktop-") + lowerUuid.chopped(1), std::nullopt},
        {QStringLiteral("Marlvane-desktop-") + lowerUuid, std::nullopt},
        {QStringLiteral("marlvane-Desktop-") + lowerUuid, std::nullopt},
        {QStringLiteral("marlvane-CLI-") + lowerUuid, std::nullopt},
        {QStringLiteral("marlvane-app-") + lowerUuid, std::nullopt},
        {QStringLiteral(" marlvane-desktop-") + lowerUuid, std::nullopt},
        {QStringLiteral("marlvane-desktop-") + lowerUuid + QStringLiteral(" "), std::nullopt},
        {QStringLiteral("marlvane-desktop-{") + lowerUuid + QStringLiteral("}"), std::nullopt},
        {QStringLiteral("marlvane-desktop-") + QString(lowerUuid).remove(QLatin1Char('-')), std::nullopt},
        {QStringLiteral("marlvane-desktop-") + QString(lowerUuid).replace(8, 1, QStringLiteral("_")),
         std::nullopt},
        {QStringLiteral("marlvane-desktop-") + QString(lowerUuid).replace(0, 1, QStringLiteral("g")),
         std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text.toStdString());
        EXPECT_EQ(ProfileID::parse(c.text), c.expected);
        EXPECT_EQ(ProfileID::isManaged(c.text), c.expected.has_value());
    }
}

TEST(ProfileID, ComposeWritesLowerCaseAndParsesBack)
{
    const QUuid upper = QUuid::fromString(lowerUuid.toUpper());
    const QString composed = ProfileID::compose(CodexInstanceType::cli, upper);
    EXPECT_EQ(composed, QStringLiteral("marlvane-cli-") + lowerUuid);
    EXPECT_EQ(ProfileID::parse(composed), (ProfileID::Components{CodexInstanceType::cli, uuid}));
    EXPECT_NE((ProfileID::Components{CodexInstanceType::cli, uuid}),
              (ProfileID::Components{CodexInstanceType::desktop, uuid}));
}

TEST(CodexInstanceTypes, RawValuesAreExactAndOrdered)
{
    EXPECT_EQ(CodexInstanceTypes::allCases(),
              (QList<CodexInstanceType>{CodexInstanceType::desktop, CodexInstanceType::cli}));
    for (const CodexInstanceType type : CodexInstanceTypes::allCases()) {
        EXPECT_EQ(CodexInstanceTypes::fromRawValue(CodexInstanceTypes::rawValue(type)), type);
    }
    for (const QString& text : {QStringLiteral("Desktop"), QStringLiteral("CLI"), QStringLiteral("app"),
                                QStringLiteral(" cli"), QString()}) {
        EXPECT_FALSE(CodexInstanceTypes::fromRawValue(text).has_value()) << text.toStdString();
    }
}

TEST(UuidText, WritesBothCasesAndReadsOnlyTheBareForm)
{
    EXPECT_EQ(UuidText::upper(uuid), lowerUuid.toUpper());
    EXPECT_EQ(UuidText::lower(uuid), lowerUuid);
    EXPECT_EQ(UuidText::parse(lowerUuid.toUpper()), uuid);
    EXPECT_EQ(UuidText::parse(QStringLiteral("00000000-0000-0000-0000-000000000000")), QUuid());
    EXPECT_FALSE(UuidText::parse(QStringLiteral("{") + lowerUuid + QStringLiteral("}")).has_value());
    EXPECT_FALSE(UuidText::parse(lowerUuid + QStringLiteral("\n")).has_value());
    // Digits of other scripts are not hexadecimal digits.
    EXPECT_FALSE(UuidText::parse(QString(lowerUuid).replace(0, 1, QChar(0x0663))).has_value());
}
