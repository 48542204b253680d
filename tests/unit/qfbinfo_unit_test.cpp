// qfbinfo's own pieces in process: extraction base names (the file check, the levels and the
// expansion are the format library's: qfb_test.cpp).
#include <string>

#include <gtest/gtest.h>

#include "qfb_jobs.h"

namespace {

TEST(ExtractBase, FolderPlusTheFilesStemDotTga)
{
    struct Case {
        std::string qfb, folder, want;  // empty want: refused
    } const cases[] = {
        {"walk.qfb", "out", "out/walk.tga"},
        {"art/walk.qfb", "out/", "out/walk.tga"},
        {"/abs/a.b.qfb", "/tmp//", "/tmp/a.b.tga"},
        {"noext", ".", "./noext.tga"},
        {"dir.v2/walk", "x", "x/walk.tga"},
        {".qfb", "x", "x/.tga"},
        {"walk.qfb", "/", "/walk.tga"},
        {"walk.qfb", "", ""},
    };
    for (const Case& c : cases) EXPECT_EQ(extract_base(c.qfb.c_str(), c.folder.c_str()), c.want) << c.qfb << " in " << c.folder;
}

}  // namespace
