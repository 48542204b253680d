// Sprite sheets: cells cut from sheets Pillow made, PNG and Targa, against the same cells Pillow
// saved one by one; layouts the sheet does not fit, refused with both sizes; the layout texts.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "image_files.h"
#include "sprite_sheet.h"
#include "tests/support/test_support.h"

namespace {

SheetLayout grid(uint32_t columns, uint32_t rows, std::optional<uint32_t> cells = std::nullopt)
{
    return SheetLayout{SheetLayout::grid, columns, rows, cells};
}

SheetLayout cell(uint32_t width, uint32_t height, std::optional<uint32_t> cells = std::nullopt)
{
    return SheetLayout{SheetLayout::cell, width, height, cells};
}

TEST(SpriteSheet, CellsEqualTheFramesSavedOneByOne)
{
    qfbtest::TempDir folder;
    const qfbtest::RunResult made = qfbtest::run_program(PYTHON3, {ANIMATION_SAMPLES_SCRIPT, "--sheets", folder.path()});
    ASSERT_EQ(made.status, 0) << made.output;
    struct Case {
        const char* what;
        const char* kind;
        SheetLayout layout;
        size_t cells;
    } cases[] = {
        {"a grid with its last row partly filled", "png", grid(4, 3, 10), 10},
        {"a cell size with a count", "png", cell(16, 12, 10), 10},
        {"a cell size, every cell", "png", cell(16, 12), 12},
        {"a 24-bit Targa sheet by its grid", "tga", grid(3, 2), 6},
        {"a 24-bit Targa sheet by a cell size, some cells", "tga", cell(20, 10, 4), 4},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Image sheet;
        ASSERT_TRUE(load_image_file({folder.file(std::string("sheet.") + c.kind)}, sheet).ok());
        std::vector<Image> frames;
        ASSERT_EQ(cut_sheet(sheet, c.layout, frames).kind, SheetProblem::none);
        ASSERT_EQ(frames.size(), c.cells);
        for (size_t i = 0; i < c.cells; ++i) {
            Image alone;
            ASSERT_TRUE(load_image_file({folder.file("cell-" + std::to_string(i) + "." + c.kind)}, alone).ok());
            EXPECT_TRUE(frames[i].same_shape(alone)) << "cell " << i;
            EXPECT_TRUE(frames[i].pixels == alone.pixels) << "cell " << i;
        }
    }
}

TEST(SpriteSheet, RefusesLayoutsTheSheetDoesNotFit)
{
    struct Case {
        const char* what;
        int32_t width, height, bits;
        SheetLayout layout;
        SheetProblem::Kind kind;
        uint64_t value;
    } cases[] = {
        {"columns that do not divide the width", 65, 36, 32, grid(4, 3), SheetProblem::not_whole, 0},
        {"a cell height that does not divide the height", 64, 37, 32, cell(16, 12), SheetProblem::not_whole, 0},
        {"a cell whose count divides the width but not its size", 90, 10, 32, cell(40, 10), SheetProblem::not_whole, 0},
        {"more columns than pixels", 4, 4, 32, grid(8, 1), SheetProblem::not_whole, 0},
        {"a cell larger than the sheet", 32, 32, 24, cell(64, 64), SheetProblem::not_whole, 0},
        {"a grid of 0 rows", 8, 8, 32, grid(2, 0), SheetProblem::not_whole, 0},
        {"an empty sheet", 0, 0, 32, grid(1, 1), SheetProblem::not_whole, 0},
        {"0 cells taken", 8, 8, 32, grid(2, 2, 0), SheetProblem::no_cells, 0},
        {"more cells taken than the grid holds", 8, 8, 32, grid(2, 2, 5), SheetProblem::too_many_cells, 4},
        {"a cell larger than an image may be", 2048, 1024, 32, grid(1, 1), SheetProblem::cell_too_large,
         2048u * 1024 * 4},
        {"a cell of a 24-bit sheet larger than an image may be", 1024, 683, 24, grid(1, 1),
         SheetProblem::cell_too_large, 1024u * 683 * 3},
        {"a sheet larger than an image may be, of cells that are not", 2048, 1024, 32, grid(2, 2), SheetProblem::none,
         0},
        {"24-bit cells held to the bytes of their own depth", 2048, 1364, 24, grid(2, 2), SheetProblem::none, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Image sheet;
        sheet.width = c.width;
        sheet.height = c.height;
        sheet.bits_per_pixel = c.bits;
        sheet.pixels.assign(size_t(c.width) * size_t(c.height) * size_t(c.bits / 8), 7);
        std::vector<Image> frames;
        const SheetProblem problem = cut_sheet(sheet, c.layout, frames);
        EXPECT_EQ(sheet_problem_text(problem.kind), sheet_problem_text(c.kind));
        EXPECT_EQ(problem.value, c.value);
        // Both sizes are told, the sheet's and the layout's.
        EXPECT_EQ(problem.sheet_width, c.width);
        EXPECT_EQ(problem.sheet_height, c.height);
        EXPECT_EQ(problem.across, c.layout.across);
        EXPECT_EQ(problem.down, c.layout.down);
        EXPECT_EQ(frames.size(), c.kind == SheetProblem::none ? 4u : 0u);
    }
}

TEST(SpriteSheet, LayoutTextsAreReadOrRefused)
{
    struct Case {
        const char* text;
        SizeTextProblem problem;
        uint32_t first, second;
    } cases[] = {
        {"8x4", SizeTextProblem::none, 8, 4},
        {"64X64", SizeTextProblem::none, 64, 64},
        {"08x004", SizeTextProblem::none, 8, 4},
        {"32767x1", SizeTextProblem::none, 32767, 1},
        {"", SizeTextProblem::empty, 0, 0},
        {"8", SizeTextProblem::no_x, 0, 0},
        {"8*4", SizeTextProblem::no_x, 0, 0},
        {"x4", SizeTextProblem::not_a_number, 0, 0},
        {"8x", SizeTextProblem::not_a_number, 0, 0},
        {"8x4x2", SizeTextProblem::not_a_number, 0, 0},
        {" 8x4", SizeTextProblem::not_a_number, 0, 0},
        {"-8x4", SizeTextProblem::not_a_number, 0, 0},
        {"+8x4", SizeTextProblem::not_a_number, 0, 0},
        {"8x4px", SizeTextProblem::not_a_number, 0, 0},
        {"0x4", SizeTextProblem::zero, 0, 0},
        {"8x00", SizeTextProblem::zero, 0, 0},
        {"32768x1", SizeTextProblem::too_large, 0, 0},
        {"1x99999999999999999999999", SizeTextProblem::too_large, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        uint32_t first = 0, second = 0;
        EXPECT_EQ(size_text_problem_text(parse_size_text(c.text, first, second)), size_text_problem_text(c.problem));
        EXPECT_EQ(first, c.first);
        EXPECT_EQ(second, c.second);
    }
}

}  // namespace
