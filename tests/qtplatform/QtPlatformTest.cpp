// The Qt side of the platform layer: file dialog filters, the clipboard, fonts from character formats.
#include <gtest/gtest.h>

#include <QClipboard>
#include <QFontInfo>
#include <QGuiApplication>
#include <QMimeData>

#include "base/FileDialogs.h"
#include "qtplatform/CharFormatFont.h"
#include "settings/SettingsRecord.h"
#include "qtplatform/QtClipboard.h"
#include "qtplatform/QtFileDialogs.h"

namespace quillory::test {
namespace {

TEST(QtFileDialogs, FilterBecomesCaseBlindQtNameFilters)
{
    const QStringList filters = toQtNameFilters(kFileDialogFilter);
    ASSERT_EQ(filters.size(), 4);
    EXPECT_EQ(filters[0], "All Files (*.*) (*)");
    EXPECT_EQ(filters[1], "Text Files (*.txt;*.bat;*.ini;*.inf;*.log) (*.[tT][xX][tT] *.[bB][aA][tT] "
                          "*.[iI][nN][iI] *.[lL][oO][gG] *.[iI][nN][fF])");
    EXPECT_TRUE(filters[2].startsWith("HTML Doc. (*.htm*;*.shtm*;*.stm*;*.asp) (*.[hH][tT][mM]* "));
    EXPECT_TRUE(filters[3].endsWith("*.[oO][cC][xX])"));
}

TEST(QtClipboard, ClearLeavesTheSystemClipboardWithNothingToPaste)
{
    QtClipboard clipboard;
    clipboard.setText(u"caf\u00e9");
    ASSERT_TRUE(clipboard.canPaste());
    EXPECT_EQ(clipboard.text(), u"caf\u00e9");
    clipboard.clear();
    EXPECT_FALSE(clipboard.canPaste());
    EXPECT_EQ(clipboard.text(), u"");
    const QMimeData* data = QGuiApplication::clipboard()->mimeData(QClipboard::Clipboard);
    EXPECT_TRUE(data == nullptr || data->formats().isEmpty());
}

TEST(CharFormatFont, DefaultFaceIsServedByAMetricCompatibleMonospaceFont)
{
    CharFormat format = SettingsRecord::defaults().charFormat;
    const QFont font = fontFromCharFormat(format);
    EXPECT_EQ(font.family(), "Courier New");
    EXPECT_DOUBLE_EQ(font.pointSizeF(), 10.0);
    EXPECT_TRUE(QFontInfo(font).fixedPitch());
}

TEST(CharFormatFont, FontRoundTripKeepsColourAndStyles)
{
    CharFormat base = SettingsRecord::defaults().charFormat;
    base.textColor = makeColorRef(10, 20, 30);
    base.mask |= kMaskColor;
    base.effects = 0;
    QFont font("DejaVu Sans");
    font.setPointSizeF(13.5);
    font.setItalic(true);
    font.setUnderline(true);
    const CharFormat format = charFormatFromFont(font, base);
    EXPECT_EQ(format.faceName(), "DejaVu Sans");
    EXPECT_EQ(format.height, 270);
    EXPECT_EQ(format.effects, kEffectItalic | kEffectUnderline);
    EXPECT_EQ(textColorOf(format), QColor(10, 20, 30));
    EXPECT_FALSE(textColorOf(SettingsRecord::defaults().charFormat).isValid());  // automatic
    const QFont back = fontFromCharFormat(format);
    EXPECT_TRUE(back.italic() && back.underline() && !back.bold());
}

}  // namespace
}  // namespace quillory::test
