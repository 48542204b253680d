// PNG input on Windows through the Windows Imaging Component (see image_files.h). The file is read
// whole into memory with the same limits as libspng's reader, its size checked before any pixel
// buffer is allocated, and its pixels given as libspng gives them on Linux: 8-bit samples taken
// as they are, 16-bit samples reduced to their top 8 bits. COM is initialised by the tools' mains.
#include "image_files.h"

#include <windows.h>
#include <wincodec.h>

#include <vector>

#include <qfb/qfb.h>

#include "com_ptr.h"
#include "files.h"
#include "frameset.h"
#include "png_check.h"

namespace {

// How 16-bit samples lie in a format WIC gives natively, to be reduced here; 0 channels for a
// format that WIC converts to 8-bit blue, green, red, alpha itself.
struct Wide {
    int channels = 0;  // samples per pixel in the file's order
    bool grey = false;
};

Wide wide_format(const WICPixelFormatGUID& format)
{
    if (IsEqualGUID(format, GUID_WICPixelFormat64bppRGBA)) return {4, false};
    if (IsEqualGUID(format, GUID_WICPixelFormat48bppRGB)) return {3, false};
    if (IsEqualGUID(format, GUID_WICPixelFormat16bppGray)) return {1, true};
    return {};
}

}  // namespace

ImageProblem load_png(const char* name, Image& image, uint64_t max_bytes)
{
    FileBytes bytes;
    const ImageProblem unread = read_png_file(name, bytes);
    if (!unread.ok()) return unread;
    // WIC's stream keeps a pointer to the bytes, of a DWORD's length: the 64 MiB limit keeps it.
    Com<IWICImagingFactory> factory;
    if (FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                                reinterpret_cast<void**>(factory.out()))))
        return png_unreadable(name, "the Windows Imaging Component is not available");
    Com<IWICStream> stream;
    Com<IWICBitmapDecoder> decoder;
    Com<IWICBitmapFrameDecode> frame;
    if (FAILED(factory->CreateStream(stream.out())) ||
        FAILED(stream->InitializeFromMemory(const_cast<BYTE*>(bytes.data()), static_cast<DWORD>(bytes.size()))) ||
        FAILED(factory->CreateDecoderFromStream(stream.p, &GUID_ContainerFormatPng, WICDecodeMetadataCacheOnDemand,
                                                decoder.out())) ||
        FAILED(decoder->GetFrame(0, frame.out())))
        return png_unreadable(name, "not a PNG file, or a damaged one");
    UINT width = 0;
    UINT height = 0;
    WICPixelFormatGUID format{};
    if (FAILED(frame->GetSize(&width, &height)) || FAILED(frame->GetPixelFormat(&format)))
        return png_unreadable(name, "not a PNG file, or a damaged one");
    // The sides and the size are checked before the pixels are decoded or any room is made for them.
    if (width == 0 || height == 0) return png_unreadable(name, "its header (IHDR) is damaged");
    const ImageProblem size = png_size_problem(name, width, height, max_bytes);
    if (!size.ok()) return size;
    const uint64_t pixel_bytes = uint64_t{width} * height * 4;
    image.width = static_cast<int32_t>(width);
    image.height = static_cast<int32_t>(height);
    image.bits_per_pixel = 32;
    image.pixels.assign(static_cast<size_t>(pixel_bytes), 0);
    const WICRect all{0, 0, static_cast<INT>(width), static_cast<INT>(height)};
    const Wide wide = wide_format(format);
    if (wide.channels != 0) {
        // 16-bit samples, little-endian as WIC gives them: the top byte of each is kept.
        const size_t stride = size_t{width} * wide.channels * 2;
        std::vector<uint8_t> samples;
        samples.assign(stride * height, 0);
        if (FAILED(frame->CopyPixels(&all, static_cast<UINT>(stride), static_cast<UINT>(samples.size()), samples.data())))
            return png_unreadable(name, "the pixels cannot be decoded");
        uint8_t* out = image.pixels.data();
        for (size_t i = 0; i < samples.size(); i += size_t(wide.channels) * 2, out += 4) {
            const uint8_t first = samples[i + 1];
            if (wide.grey) {
                out[0] = out[1] = out[2] = first;
                out[3] = 255;
                continue;
            }
            out[2] = first;
            out[1] = samples[i + 3];
            out[0] = samples[i + 5];
            out[3] = wide.channels == 4 ? samples[i + 7] : 255;
        }
        return {};
    }
    Com<IWICFormatConverter> converter;
    if (FAILED(factory->CreateFormatConverter(converter.out())) ||
        FAILED(converter->Initialize(frame.p, GUID_WICPixelFormat32bppBGRA, WICBitmapDitherTypeNone, nullptr, 0.0,
                                     WICBitmapPaletteTypeCustom)) ||
        FAILED(converter->CopyPixels(&all, width * 4, static_cast<UINT>(image.pixels.size()), image.pixels.data())))
        return png_unreadable(name, "the pixels cannot be decoded");
    return {};
}
