// Targa members straight into their places (see targa_member.h).
#include "targa_member.h"

#include <algorithm>
#include <vector>

#include "frameset.h"
#include "pack_rules.h"
#include "row_sink.h"
#include "targa_image.h"

namespace {

PackProblem unreadable(const std::string& name, TargaError why)
{
    return PackProblem::of_image(ImageProblem::of_file(ImageProblem::unreadable, name, "Targa", targa_error_text(why)));
}

}  // namespace

PackProblem put_targa_member(const TargaPath& path, const std::string& name, TargaFile* opened, const MemberPlace& at)
{
    path.events->member(name);
    TargaFile own;
    TargaFile& file = opened != nullptr ? *opened : own;
    TargaError why = opened != nullptr ? TargaError::none : own.open(name.c_str());
    if (why != TargaError::none) return unreadable(name, why);
    if (path.image_rules_first) {
        const ImageProblem refused = locate_image(name.c_str(), file);
        if (!refused.ok()) return PackProblem::of_image(refused);
    }
    const TargaHeader& h = file.header();
    const PackProblem misplaced = check_place(name, Shape{h.width, h.height, h.pixel_depth}, at.wanted, at.frame,
                                              at.level);
    if (!misplaced.ok()) return misplaced;
    if (!path.image_rules_first && (why = file.locate(MAX_IMAGE_BYTES)) != TargaError::none)
        return unreadable(name, why);

    RowSink sink{at.place, static_cast<size_t>(h.width), h.pixel_depth / 8, path.format};
    if (!targa_is_rle(h)) {
        path.events->converting(h.pixel_depth, path.format);
        why = file.visit_rows(RowSink::put_row, &sink);
    } else {
        std::vector<uint8_t> own_scratch;  // at least one byte: an empty image has somewhere to go too
        if (path.scratch == nullptr)
            own_scratch.resize(std::max<size_t>(1, static_cast<size_t>(file.image().image_bytes)));
        uint8_t* pixels = path.scratch != nullptr ? path.scratch : own_scratch.data();
        why = file.load(pixels);
        if (why == TargaError::none) {
            path.events->converting(h.pixel_depth, path.format);
            sink.put(pixels, 0, h.height);
        }
    }
    return why == TargaError::none ? PackProblem{} : unreadable(name, why);
}
