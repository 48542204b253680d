// The mipmap chain qfbprep makes: how many levels fit below an image, the note for a chain that
// ends before 1 x 1, and the record a generated level carries in its image ID (that qfbprep made
// it, and a digest of the level it was made from), by which a later run tells a level painted by
// hand from one it made, and a made level still true to its source from a stale one.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "frameset.h"
#include "image.h"

// The level below image: same depth, width / 2 x height / 2 (an odd last row or column is left
// out), each pixel the average of a 2 x 2 block in linear light. Colour is decoded from sRGB to
// linear light, averaged with each pixel weighted by its alpha (a fully transparent pixel adds no
// colour; a block with no alpha at all is averaged plainly) and encoded back to the nearest sRGB
// value; alpha is averaged plainly, rounded.
Image halve_image(const Image& image);

// Reduced levels below a width x height image that keep both sides at 1 or more, at most `most`.
int32_t levels_that_fit(int32_t width, int32_t height, int32_t most = MAX_MIPMAP_LEVEL);

// The levels a frame set of width x height frames ends with: as many as fit, at most `asked`, and
// never fewer than `painted`, the most any frame has already (painted levels are never dropped).
int32_t chain_length(int32_t width, int32_t height, int32_t asked, int32_t painted);

// True for a chain of `levels` below width x height that ends before 1 x 1 because one side reached
// 1 (not because fewer were asked for), with the last level's size: a loader must be told where
// the chain ends.
bool chain_ends_short(int32_t width, int32_t height, int32_t levels, int32_t asked, int32_t* last_width,
                      int32_t* last_height);

// 64-bit digest of an image's size, depth and pixels (FNV-1a over 64-bit words).
uint64_t image_digest(const Image& image);

// The image ID of a level made from source.
std::string generated_level_id(const Image& source);

// What an image ID says of its level.
enum class LevelOrigin {
    painted,  // no record of qfbprep: made by hand, never touched
    generated,  // made by qfbprep from a level whose digest is *source_digest
};
LevelOrigin level_origin(const std::string& id, uint64_t* source_digest);

// Completes a frame's chain: levels holds level 0 and the levels found after it, ids their image
// IDs (as many). In order, every level up to target that the frame lacks, and every found one
// that qfbprep made from a level that has changed since (or whose size is not its place's), is
// made from the level above as it now is, into levels; made(level, again) is told of each, again
// when it replaces a found one. A painted level stays as it is. With keep_coverage (1 .. 255),
// each made level's alpha is scaled so that as many of its pixels as of the full-size level's
// have alpha at or above it (see alpha_edges.h).
void complete_levels(std::vector<Image>& levels, const std::vector<std::string>& ids, int32_t target,
                     const std::function<void(int32_t level, bool again)>& made, int32_t keep_coverage = 0);
