// The help window and the text it is built with.
#include <gtest/gtest.h>

#include <QTextBrowser>

#include "view/HelpWindow.h"

namespace quillory::test {
namespace {

TEST(HelpWindow, ShowsTheBundledHelpWithItsFourSections)
{
    HelpWindow help;
    const QString text = help.browser()->toPlainText();
    for (const char* section : {"License", "Introduction", "Usage", "Contact"})
        EXPECT_TRUE(text.contains(QLatin1String(section))) << section;
    EXPECT_TRUE(text.contains(QLatin1String("~/.config/Quillory/Quillory.dat")));
    EXPECT_TRUE(text.contains(QLatin1String("What overwriting cannot promise")));  // the wiper's limits
    EXPECT_TRUE(text.contains(QLatin1String("Splitting and joining files")));
}

}  // namespace
}  // namespace quillory::test
