#include "Icons.h"
#include "InstanceCard.h"
#include "TextLabel.h"
#include "Theme.h"

#include <QApplication>
#include <QCoreApplication>
#include <QFontDatabase>
#include <QGlyphRun>
#include <QImage>
#include <QPalette>
#include <QPushButton>
#include <QRawFont>
#include <QSet>
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
    // The app icon comes from Qt's SVG icon engine: a missing plugin would draw nothing.
    const QImage appIcon = Icons::appIcon().pixmap(QSize(32, 32)).toImage();
    ASSERT_EQ(appIcon.size(), QSize(32, 32));
    EXPECT_GT(appIcon.pixelColor(16, 16).alpha(), 0);
}

// fontconfig's own fallback for Chinese follows the locale and, under the C locale the tests run
// in, is the Japanese design; the app's texts must come out in the Simplified Chinese one.
TEST(ThemeTest, ChineseTextIsDrawnInTheSimplifiedChineseFamilyWithNoMissingGlyphs)
{
    if (!QFontDatabase::families().contains(QStringLiteral("Noto Sans CJK SC"))) {
        GTEST_SKIP() << "Noto Sans CJK SC is not installed";
    }
    Theme::applyApplicationTheme();
    const QString text = QStringLiteral("这个 Codex 实例还没有项目");
    const QList<QFont> fonts{Theme::font(TextStyle::body), Theme::font(TextStyle::title2, QFont::Bold),
                             Theme::font(TextStyle::caption, QFont::Normal, true), QApplication::font()};
    for (const QFont& font : fonts) {
        QTextLayout layout(text, font);
        layout.beginLayout();
        layout.createLine();
        layout.endLayout();
        QSet<QString> chineseFamilies;
        for (const QGlyphRun& run : layout.glyphRuns()) {
            const QRawFont raw = run.rawFont();
            const QList<quint32> glyphs = run.glyphIndexes();
            EXPECT_FALSE(glyphs.contains(0U)) << raw.familyName().toStdString() << " lacks a character";
            if (raw.supportsCharacter(U'实')) {
                chineseFamilies.insert(raw.familyName());
            }
        }
        EXPECT_EQ(chineseFamilies, QSet<QString>{QStringLiteral("Noto Sans CJK SC")})
            << font.toString().toStdString();
    }
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
