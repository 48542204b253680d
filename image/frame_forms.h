// The forms frames come in beside one image a file, and the one choice of a reader by a file's
// name for every tool that takes them: sprite sheets (PNG or Targa files cut into cells), animated
// GIF and WebP files (each frame composited at full size), Aseprite sprites (every frame, or
// one tag's as the editor plays it) and KTX2 textures (each layer a frame with its levels). A file of several frames is decoded once, when its frames are
// counted, and kept while its frames are loaded, one file at a time, so memory holds at most one
// file's frames (MAX_ANIMATION_BYTES, animation_limits.h). Nothing here prints.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "frame_list.h"
#include "image_reader.h"
#include "sprite_sheet.h"

// How files of several frames are taken.
struct FrameForms {
    std::optional<SheetLayout> sheet;  // PNG and Targa files are sheets cut by this layout
    std::string tag;                   // Aseprite files give this tag's frames; empty: every frame
};

// What a file is read as.
enum class FrameForm {
    image,      // one frame (PNG, Targa)
    sheet,      // a PNG or Targa file cut into cells
    animation,  // a GIF or WebP file
    sprite,     // an Aseprite file
    texture,    // a KTX2 texture: its layers as frames, each with its levels
};

// The readers of every form, by a file's name: ".gif", ".webp", ".ase" and ".aseprite" files as
// animations, ".ktx2" files as textures, PNG and Targa files as sheets when forms.sheet is set, anything else as reader_for
// (image_files.h) reads it. Loads run on one thread at a time.
class FrameReaders {
public:
    explicit FrameReaders(FrameForms forms = {});
    ~FrameReaders();
    FrameReaders(const FrameReaders&) = delete;
    FrameReaders& operator=(const FrameReaders&) = delete;

    const ImageReader& operator()(const std::string& file) const;
    // This object as a ReaderFor; it must outlive every use.
    ReaderFor readers() const;
    FrameForm form_of(const std::string& file) const;

    // The durations of the frames, in milliseconds, as their files give them (counted first): false
    // when a frame comes from a file that gives none (a still image or a sheet).
    bool durations(const FrameList& frames, std::vector<uint32_t>& out) const;
    // The rate every frame's file gives as a whole (a KTX2 texture's KTXanimData), counted first:
    // false when a frame's file gives none or two files give different rates.
    bool rate(const FrameList& frames, int32_t* fps) const;

private:
    struct State;
    std::unique_ptr<State> state_;
};
