#include "DisplayText.h"
#include "Icons.h"
#include "MessageDialog.h"
#include "TextLabel.h"
#include "Theme.h"

#include <QApplication>
#include <QFontDatabase>
#include <QGlyphRun>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QRawFont>
#include <QScrollBar>
#include <QTest>
#include <QTextLayout>

#include <gtest/gtest.h>

using namespace Qt::Literals::StringLiterals;

namespace {

QString ch(char16_t unit)
{
    return QString(QChar(unit));
}
const QString ellipsis = ch(0x2026);
// How many pixels of the image match.
template <typename Match> int count(const QImage& image, Match match)
{
    int matched = 0;
    for (int i = 0; i < image.width() * image.height(); ++i) {
        matched += match(image.pixelColor(i % image.width(), i / image.width())) ? 1 : 0;
    }
    return matched;
}

TEST(DisplayTextTest, EscapesReorderingCharactersThenCutsLongTexts)
{
    const QString k(1000, u'a');
    const QString emoji = QString::fromUtf8("\xF0\x9F\x98\x80");
    const QString kept = ch(0x200D) + ch(0x2010) + ch(0x2029) + ch(0x202F) + ch(0x2065) + ch(0x206A);
    const QList<std::pair<QString, QString>> rows{
        {u"rtl-live"_s, u"rtl-live"_s},
        {u"rtl-"_s + ch(0x202E) + u"evil"_s, u"rtl-<U+202E>evil"_s},
        {ch(0x200E) + ch(0x200F) + ch(0x202A) + ch(0x202D), u"<U+200E><U+200F><U+202A><U+202D>"_s},
        {ch(0x2066) + u"x"_s + ch(0x2069), u"<U+2066>x<U+2069>"_s},
        {kept, kept},
        {k, k},
        {k + u"b"_s, k + ellipsis},
        {QString(10'000'000, u'a'), k + ellipsis},
        {k.first(999) + emoji + u"z"_s, k.first(999) + ellipsis},
        {k.first(998) + emoji + u"z"_s, k.first(998) + emoji + ellipsis},
        {ch(0x202E) + k, u"<U+202E>"_s + k.first(992) + ellipsis},
    };
    for (const auto& [text, shown] : rows) {
        SCOPED_TRACE(text.left(20).toStdString());
        EXPECT_EQ(DisplayText::shown(text), shown);
    }
}

// Under the C locale fontconfig falls back to the Japanese design for Chinese text.
TEST(ThemeTest, ChineseTextIsDrawnInTheSimplifiedChineseFamilyWithNoMissingGlyphs)
{
    if (!QFontDatabase::families().contains(u"Noto Sans CJK SC"_s)) {
        GTEST_SKIP() << "Noto Sans CJK SC is not installed";
    }
    Theme::applyApplicationTheme();
    for (const QFont& font : {Theme::font(TextStyle::body), Theme::font(TextStyle::title2, QFont::Bold),
                              Theme::font(TextStyle::caption, QFont::Normal, true), QApplication::font()}) {
        QTextLayout layout(u"这个 Codex 实例还没有项目"_s, font);
        layout.beginLayout();
        layout.createLine();
        layout.endLayout();
        QSet<QString> chineseFamilies;
        for (const QGlyphRun& run : layout.glyphRuns()) {
            EXPECT_FALSE(run.glyphIndexes().contains(0U)) << run.rawFont().familyName().toStdString();
            if (run.rawFont().supportsCharacter(U'实')) {
                chineseFamilies.insert(run.rawFont().familyName());
            }
        }
        EXPECT_EQ(chineseFamilies, QSet<QString>{u"Noto Sans CJK SC"_s}) << font.toString().toStdString();
    }
}

TEST(ThemeTest, LabelsDrawInTheirRoleInsideButtonsAndFollowThePalette)
{
    Theme::applyPalette(false);
    QPushButton parent; // a button's children inherit its foreground role; the label must not
    auto* label = new TextLabel(u"Codex Profile"_s, TextStyle::title, QFont::Bold,
                                SemanticColor::secondaryLabel, &parent);
    label->adjustSize();
    parent.show();
    const int labelGray = qGray(Theme::color(SemanticColor::label, parent.palette()).rgb());
    EXPECT_EQ(count(label->grab().toImage(),
                    [&](const QColor& pixel) { return qGray(pixel.rgb()) <= labelGray + 40; }),
              0);
    Theme::applyPalette(true);
    QCoreApplication::processEvents();
    ASSERT_TRUE(Theme::isDark(parent.palette()));
    EXPECT_EQ(label->palette().color(QPalette::WindowText),
              Theme::color(SemanticColor::secondaryLabel, parent.palette()));
    Theme::applyPalette(false);
    // Icons are drawn by Qt's SVG icon engine: a missing plugin would draw nothing.
    EXPECT_GT(Icons::appIcon().pixmap(QSize(32, 32)).toImage().pixelColor(16, 16).alpha(), 0);
    EXPECT_TRUE(Icons::icon(u"no.such.symbol"_s, QColor(Qt::red)).isNull());
}

TEST(AppStyleTest, ConfirmationsQtsOwnDialogsAndScrollBarsHaveTheAppsLook)
{
    Theme::applyPalette(false);
    const QColor accent = Theme::color(SemanticColor::accent, QApplication::palette());
    const auto pixels = [](QWidget* widget, auto match) { // in percent
        const QImage image = widget->grab().toImage();
        return count(image, match) * 100 / std::max(1, image.width() * image.height());
    };
    const auto near = [](const QColor& colour) {
        return [colour](const QColor& pixel) {
            return std::abs(pixel.red() - colour.red()) + std::abs(pixel.green() - colour.green()) +
                       std::abs(pixel.blue() - colour.blue()) <
                   40;
        };
    };

    MessageDialog* confirmation =
        MessageDialog::confirmation(nullptr, u"删除？"_s, u"说明"_s, u"永久删除实例"_s, true);
    confirmation->show();
    const QList<QLabel*> labels = confirmation->findChildren<QLabel*>();
    const auto title =
        std::find_if(labels.begin(), labels.end(), [](auto* l) { return l->text() == u"删除？"_s; });
    ASSERT_NE(title, labels.end());
    EXPECT_EQ((*title)->font().weight(), QFont::Bold);
    EXPECT_EQ((*title)->font().pixelSize(), Theme::font(TextStyle::headline).pixelSize());
    const QColor red = Theme::color(SemanticColor::destructive, QApplication::palette());
    EXPECT_GT(pixels(confirmation->buttons().at(0), near(red)), 2) << "the destructive text is red";
    EXPECT_GT(pixels(confirmation->buttons().at(1), near(accent)), 50) << "the default is accent-filled";
    confirmation->close();

    QMessageBox box(QMessageBox::Information, u"t"_s, u"m"_s, QMessageBox::Ok);
    box.show();
    EXPECT_GT(pixels(box.button(QMessageBox::Ok), near(accent)), 50);

    // No arrows: a click at the bar's end pages instead of stepping.
    QScrollBar bar(Qt::Vertical);
    bar.setRange(0, 100);
    bar.setPageStep(100);
    bar.resize(bar.sizeHint().width(), 200);
    bar.show();
    QTest::mouseClick(&bar, Qt::LeftButton, {}, QPoint(bar.width() / 2, 198));
    EXPECT_EQ(bar.value(), 100);
}

} // namespace
