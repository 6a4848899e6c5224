// File dialog filters in the manager's "Description|*.ext" form.

#include "manager/logic/file_filter.h"

#include <gtest/gtest.h>

#include "tests/manager/qt_printers.h"

namespace {

TEST(FileFilter, PairsBecomeQtFilters) {
    const struct {
        const char* in;
        const char* out;
    } cases[] = {
        {"Text|*.txt", "Text (*.txt)"},
        {"Extensible Markup Language|*.xml|Config files|*.cfg",
         "Extensible Markup Language (*.xml);;Config files (*.cfg)"},
        {"Extensible Markup Language|*.xml|Binary|*.bin",
         "Extensible Markup Language (*.xml);;Binary (*.bin)"},
        {"Images|*.png;*.bmp", "Images (*.png *.bmp)"},
        {"", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(QtFileFilter(c.in), QString(c.out)) << c.in;
}

TEST(FileFilter, DefaultExtensionOnlyForNamesWithoutOne) {
    EXPECT_EQ(WithDefaultExtension("/tmp/log", "txt"), "/tmp/log.txt");
    EXPECT_EQ(WithDefaultExtension("/tmp/log.csv", "txt"), "/tmp/log.csv");
    EXPECT_EQ(WithDefaultExtension("/tmp/dir.d/log", "xml"), "/tmp/dir.d/log.xml");
    EXPECT_EQ(WithDefaultExtension("/tmp/log", ""), "/tmp/log");
    EXPECT_EQ(WithDefaultExtension("", "xml"), "");
}

}  // namespace
