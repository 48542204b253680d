// StableChain (see stable_chain.h): the frames given, and the pieces each has done, under a lock.
#include "stable_chain.h"

#include <algorithm>
#include <utility>
#include <vector>

std::shared_ptr<const Image> StableChain::dither(size_t place, Image image, int32_t format,
                                                 const DitherOptions& options)
{
    Frame frame;
    frame.source = std::make_shared<Image>();
    std::vector<uint8_t> marks;
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        if (!spare_sources_.empty()) frame.source->pixels = std::move(spare_sources_.back()), spare_sources_.pop_back();
        if (!spare_marks_.empty()) marks = std::move(spare_marks_.back()), spare_marks_.pop_back();
    }
    frame.source->width = image.width, frame.source->height = image.height;
    frame.source->bits_per_pixel = image.bits_per_pixel;
    frame.source->pixels.assign(image.pixels.begin(), image.pixels.end());
    frame.dithered = std::make_shared<Image>(std::move(image));
    // The frame before, once it is given: its source marks what stands still.
    std::shared_ptr<const Image> before;
    std::vector<uint8_t> keep;
    if (place > 0) {
        std::shared_ptr<const Image> before_source;
        {
            std::unique_lock<std::mutex> lock(mutex_);
            changed_.wait(lock, [&] { return frames_.count(place - 1) != 0; });
            before_source = frames_[place - 1].source;
            before = frames_[place - 1].dithered;
        }
        keep = kept_pixels(*frame.source, *before_source, std::move(marks));
    }
    static const Image none;
    const Image& previous = before ? *before : none;
    frame.pieces = stable_pieces(*frame.dithered, keep, previous);
    const std::shared_ptr<Image> dithered = frame.dithered;
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        frames_[place] = frame;
    }
    changed_.notify_all();
    // The frames are let go, and the next piece's turn comes, however this ends, so that no
    // thread waits for ever.
    struct Finish {
        StableChain& chain;
        size_t place;
        std::vector<uint8_t>& keep;
        ~Finish()
        {
            {
                const std::lock_guard<std::mutex> lock(chain.mutex_);
                Frame& self = chain.frames_[place];
                self.done = self.pieces;
                if (place > 0) {
                    // Nothing else holds the source before once the map lets it go.
                    const auto before = chain.frames_.find(place - 1);
                    if (before->second.source.use_count() == 1)
                        chain.spare_sources_.push_back(std::move(before->second.source->pixels));
                    chain.frames_.erase(before);
                }
                chain.spare_marks_.push_back(std::move(keep));
            }
            chain.changed_.notify_all();
        }
    } finish{*this, place, keep};
    for (int32_t piece = 0; piece < frame.pieces; ++piece) {
        if (place > 0) {
            // The same rows of the frame before are final once its piece is done (or all of it, if
            // it was cut otherwise).
            std::unique_lock<std::mutex> lock(mutex_);
            changed_.wait(lock, [&] {
                const Frame& other = frames_[place - 1];
                return other.done >= std::min(piece + 1, other.pieces);
            });
        }
        dither_piece(*dithered, *frame.source, keep, previous, piece, format, options);
        {
            const std::lock_guard<std::mutex> lock(mutex_);
            frames_[place].done = piece + 1;
        }
        changed_.notify_all();
    }
    return dithered;
}
