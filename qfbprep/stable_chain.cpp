// StableChain (see stable_chain.h): a turn counter, the sources given and an offered task under
// one lock.
#include "stable_chain.h"

#include <utility>
#include <vector>

std::shared_ptr<const Image> StableChain::dither(size_t place, Image image, int32_t format,
                                                 const DitherOptions& options)
{
    // The next place's turn comes however this one ends, so that no thread waits for ever.
    struct PassOn {
        StableChain& chain;
        size_t place;
        ~PassOn()
        {
            {
                const std::lock_guard<std::mutex> lock(chain.mutex_);
                if (place > 0) chain.sources_.erase(place - 1);
                ++chain.next_;
            }
            chain.changed_.notify_all();
        }
    };
    const std::shared_ptr<const Image> source = std::make_shared<const Image>(image);
    std::shared_ptr<const Image> previous_source;
    {
        std::unique_lock<std::mutex> lock(mutex_);
        sources_[place] = source;
        changed_.notify_all();
        if (place > 0) {
            wait_helping(lock, [&] { return sources_.count(place - 1) != 0; });
            previous_source = sources_[place - 1];
        }
    }
    const std::vector<uint8_t> keep = previous_source ? kept_pixels(image, *previous_source) : std::vector<uint8_t>();
    {
        std::unique_lock<std::mutex> lock(mutex_);
        wait_helping(lock, [&] { return next_ == place; });
    }
    const PassOn pass_on{*this, place};
    static const Image none;
    dither_after(image, *source, keep, dithered_ ? *dithered_ : none, format, options,
                 [this](const std::function<void()>& here, const std::function<void()>& there) { run_beside(here, there); });
    dithered_ = std::make_shared<const Image>(std::move(image));
    return dithered_;
}

void StableChain::wait_helping(std::unique_lock<std::mutex>& lock, const std::function<bool()>& ready)
{
    while (!ready()) {
        if (offered_ == nullptr) {
            changed_.wait(lock);
            continue;
        }
        const std::function<void()>* task = offered_;
        offered_ = nullptr;
        task_running_ = true;
        lock.unlock();
        (*task)();
        lock.lock();
        task_running_ = false;
        changed_.notify_all();
    }
}

void StableChain::run_beside(const std::function<void()>& here, const std::function<void()>& there)
{
    if (there) {
        {
            const std::lock_guard<std::mutex> lock(mutex_);
            offered_ = &there;
        }
        changed_.notify_all();
    }
    here();
    if (!there) return;
    std::unique_lock<std::mutex> lock(mutex_);
    if (offered_ != nullptr) {  // nobody took it
        offered_ = nullptr;
        lock.unlock();
        there();
        return;
    }
    changed_.wait(lock, [&] { return !task_running_; });
}
