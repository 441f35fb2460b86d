#include "Icons.h"
#include "InstanceCard.h"
#include "Resources.h"
#include "TextLabel.h"
#include "Theme.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDirIterator>
#include <QFile>
#include <QFontDatabase>
#include <QFontInfo>
#include <QGlyphRun>
#include <QImage>
#include <QMap>
#include <QPalette>
#include <QPushButton>
#include <QRawFont>
#include <QTextLayout>

#include <gtest/gtest.h>

namespace {

TEST(IconsTest, EverySymbolTheViewsUseIsBundledAndTinted)
{
    const QStringList symbols{
        "plus",
        "gearshape",
        "terminal",
        "macwindow",
        "chevron.right",
        "rectangle.stack",
        "rectangle.stack.badge.plus",
        "exclamationmark.triangle",
        "folder",
        "folder.badge.plus",
        "ellipsis.circle",
        "arrow.clockwise",
        "stethoscope",
        "info.circle",
        "exclamationmark.shield",
    };
    const QColor tint(0x12, 0x80, 0xe0);
    for (const QString& symbol : symbols) {
        const QImage image = Icons::pixmap(symbol, QSize(24, 24), tint, 2.0).toImage();
        ASSERT_EQ(image.size(), QSize(48, 48)) << symbol.toStdString();
        int drawn = 0;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                const QColor pixel = image.pixelColor(x, y);
                if (pixel.alpha() == 255) {
                    ++drawn;
                    EXPECT_EQ(pixel.rgb(), tint.rgb()) << symbol.toStdString();
                }
            }
        }
        EXPECT_GT(drawn, 20) << symbol.toStdString();
        EXPECT_FALSE(Icons::icon(symbol, tint).isNull()) << symbol.toStdString();
    }
    EXPECT_TRUE(Icons::pixmap(QStringLiteral("no.such.symbol"), QSize(24, 24), tint).isNull());
    EXPECT_TRUE(Icons::icon(QStringLiteral("no.such.symbol"), tint).isNull());
    EXPECT_FALSE(Icons::appIcon().isNull());
}

// The app draws its texts with a cut-down CJK font; a text with a character the cut left out
// would be drawn partly in another font (and load that whole font at start-up).
TEST(ThemeTest, BundledFontDrawsEveryCharacterOfTheAppsTexts)
{
    if (QFontDatabase::writingSystems(QFontDatabase::systemFont(QFontDatabase::GeneralFont).family())
            .contains(QFontDatabase::SimplifiedChinese)) {
        GTEST_SKIP() << "the system's default font draws Chinese itself";
    }
    Theme::applyApplicationTheme();
    for (const auto weight : {QFont::Normal, QFont::DemiBold, QFont::Bold}) {
        const QFont font = Theme::font(TextStyle::body, weight);
        EXPECT_EQ(QFontInfo(font).family(), QStringLiteral("Marlvane UI Sans")) << weight;
    }
    EXPECT_TRUE(QFontInfo(Theme::font(TextStyle::body, QFont::Bold)).bold());

    QSet<char32_t> used;
    QDirIterator sources(QStringLiteral(MARLVANE_SOURCE_DIR "/src"), {"*.cpp", "*.h"}, QDir::Files,
                         QDirIterator::Subdirectories);
    while (sources.hasNext()) {
        QFile file(sources.next());
        ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << file.fileName().toStdString();
        const QString text = QString::fromUtf8(file.readAll());
        for (const char32_t character : text.toUcs4()) {
            if (character > 0x7f && character < 0x10000) {
                used.insert(character);
            }
        }
    }
    ASSERT_GT(used.size(), 100) << "the app's Chinese texts were not found";
    for (const auto* file : {":/fonts/MarlvaneUISans-Regular.ttf", ":/fonts/MarlvaneUISans-Bold.ttf"}) {
        const QRawFont font(Resources::data(QString::fromLatin1(file)), 14);
        ASSERT_TRUE(font.isValid()) << file;
        QString missing;
        for (const char32_t character : std::as_const(used)) {
            if (!font.supportsCharacter(character)) {
                missing += QString::fromUcs4(&character, 1);
            }
        }
        EXPECT_TRUE(missing.isEmpty())
            << file << " lacks \"" << missing.toStdString() << "\": run scripts/make-ui-font";
    }
}

// What keeps drawing the first window cheap: TrueType outlines (FreeType runs a CFF glyph program
// for every glyph, several times the cost), and coverage that fontconfig counts as English, without
// which Qt loads a second font engine for the Chinese runs of every size and weight.
TEST(ThemeTest, BundledFontHasTrueTypeOutlinesAndCountsAsLatin)
{
    for (const auto* file : {":/fonts/MarlvaneUISans-Regular.ttf", ":/fonts/MarlvaneUISans-Bold.ttf"}) {
        const QRawFont font(Resources::data(QString::fromLatin1(file)), 14);
        ASSERT_TRUE(font.isValid()) << file;
        EXPECT_FALSE(font.fontTable("glyf").isEmpty()) << file;
        EXPECT_TRUE(font.fontTable("CFF ").isEmpty()) << file;
    }
    if (QFontDatabase::writingSystems(QFontDatabase::systemFont(QFontDatabase::GeneralFont).family())
            .contains(QFontDatabase::SimplifiedChinese)) {
        GTEST_SKIP() << "the system's default font draws Chinese itself";
    }
    Theme::applyApplicationTheme();
    ASSERT_EQ(QFontInfo(Theme::font(TextStyle::body)).family(), QStringLiteral("Marlvane UI Sans"));
    EXPECT_TRUE(
        QFontDatabase::writingSystems(QStringLiteral("Marlvane UI Sans")).contains(QFontDatabase::Latin));
}

// Names people type may hold characters the bundled font lacks: they come from the installed
// font it was cut from, whatever the locale (fontconfig alone picks a Japanese design for Chinese
// text under an English locale, as in this test).
TEST(ThemeTest, CharactersTheBundledFontLacksComeFromTheFontItWasCutFrom)
{
    if (!QFontDatabase::families().contains(QStringLiteral("Noto Sans CJK SC"))) {
        GTEST_SKIP() << "Noto Sans CJK SC is not installed";
    }
    Theme::applyApplicationTheme();
    const QFont font = Theme::font(TextStyle::body);
    if (QFontInfo(font).family() != QLatin1String("Marlvane UI Sans")) {
        GTEST_SKIP() << "the system's default font draws Chinese itself";
    }
    // A Chinese character no text of the app uses, after two that it does.
    QTextLayout layout(QStringLiteral("实例龘"), font);
    layout.beginLayout();
    layout.createLine();
    layout.endLayout();
    QMap<QString, QList<quint32>> glyphsByFamily;
    for (const QGlyphRun& run : layout.glyphRuns()) {
        glyphsByFamily[run.rawFont().familyName()] += run.glyphIndexes();
    }
    const auto families = glyphsByFamily.keys().join(u',').toStdString();
    ASSERT_EQ(glyphsByFamily.size(), 2) << families;
    EXPECT_EQ(glyphsByFamily.value(QStringLiteral("Marlvane UI Sans")).size(), 2) << families;
    const QList<quint32> fallback = glyphsByFamily.value(QStringLiteral("Noto Sans CJK SC"));
    ASSERT_EQ(fallback.size(), 1) << families;
    EXPECT_NE(fallback.constFirst(), 0U);
}

TEST(ThemeTest, ColoursFollowTheirPalette)
{
    Theme::applyPalette(true);
    const QPalette dark = QPalette();
    Theme::applyPalette(false);
    const QPalette light = QPalette();
    EXPECT_TRUE(Theme::isDark(dark));
    EXPECT_FALSE(Theme::isDark(light));
    for (const QPalette* palette : {&light, &dark}) {
        const QColor label = Theme::color(SemanticColor::label, *palette);
        const QColor secondary = Theme::color(SemanticColor::secondaryLabel, *palette);
        const QColor tertiary = Theme::color(SemanticColor::tertiaryLabel, *palette);
        EXPECT_EQ(secondary.rgb(), label.rgb());
        EXPECT_LT(secondary.alphaF(), label.alphaF());
        EXPECT_LT(tertiary.alphaF(), secondary.alphaF());
        EXPECT_EQ(Theme::color(SemanticColor::accent, *palette), palette->color(QPalette::Highlight));
    }
    EXPECT_NE(Theme::color(SemanticColor::controlBackground, light),
              Theme::color(SemanticColor::controlBackground, dark));
    EXPECT_DOUBLE_EQ(Theme::withOpacity(QColor(0, 0, 0, 128), 0.5).alphaF(), QColor(0, 0, 0, 64).alphaF());
}

TEST(ThemeTest, TypeRampKeepsItsOrder)
{
    const auto size = [](TextStyle style) {
        return Theme::font(style).pixelSize();
    };
    EXPECT_GT(size(TextStyle::title), size(TextStyle::title2));
    EXPECT_GT(size(TextStyle::title2), size(TextStyle::title3));
    EXPECT_GT(size(TextStyle::title3), size(TextStyle::body));
    EXPECT_EQ(size(TextStyle::headline), size(TextStyle::body));
    EXPECT_GT(size(TextStyle::body), size(TextStyle::callout));
    EXPECT_GT(size(TextStyle::callout), size(TextStyle::subheadline));
    EXPECT_GT(size(TextStyle::subheadline), size(TextStyle::caption));
    EXPECT_EQ(size(TextStyle::caption), size(TextStyle::caption2));
    EXPECT_EQ(Theme::font(TextStyle::headline).weight(), QFont::DemiBold);
}

} // namespace

namespace {

TEST(TextLabelTest, DrawsInItsRoleInsideButtonsAndFollowsPaletteChanges)
{
    Theme::applyPalette(false);
    // A button's children inherit the button's foreground role; the label must not.
    QPushButton parent;
    parent.resize(300, 60);
    auto* label = new TextLabel(QStringLiteral("Codex Profile"), TextStyle::title, QFont::Bold,
                                SemanticColor::secondaryLabel, &parent);
    label->adjustSize();
    parent.show();

    const QImage drawn = label->grab().toImage();
    int darkest = 255;
    for (int y = 0; y < drawn.height(); ++y) {
        for (int x = 0; x < drawn.width(); ++x) {
            darkest = std::min(darkest, qGray(drawn.pixel(x, y)));
        }
    }
    const int fullLabel = qGray(Theme::color(SemanticColor::label, parent.palette()).rgb());
    EXPECT_GT(darkest, fullLabel + 40) << "secondary text is drawn lighter than primary text";

    Theme::applyPalette(true);
    QCoreApplication::processEvents();
    ASSERT_TRUE(Theme::isDark(parent.palette()));
    EXPECT_EQ(label->palette().color(QPalette::WindowText),
              Theme::color(SemanticColor::secondaryLabel, parent.palette()));
    Theme::applyPalette(false);
}

} // namespace
