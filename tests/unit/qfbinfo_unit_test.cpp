// qfbinfo's own pieces in process: extraction base names (the file check, the levels and the
// expansion are the format library's: qfb_test.cpp).
#include <string>

#include <gtest/gtest.h>

#include "frame_names.h"
#include "qfb_extract.h"

namespace {

TEST(ExtractBase, FolderPlusTheFilesStemDotTga)
{
    const std::string long_stem(246, 's');  // "o/" + stem + ".tga" is 252 characters; 5 more do not fit
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
        {long_stem + ".qfb", "o", "o/" + long_stem + ".tga"},
        {long_stem + "12345.qfb", "o", ""},
    };
    for (const Case& c : cases) {
        char out[NAME_BUFFER_SIZE];
        const bool built = build_extract_base(out, c.qfb.c_str(), c.folder.c_str());
        EXPECT_EQ(built, !c.want.empty()) << c.qfb << " in " << c.folder;
        EXPECT_EQ(std::string(out), c.want) << c.qfb << " in " << c.folder;
    }
}

}  // namespace
