// GIF decoding on Windows through the Windows Imaging Component's GIF decoder: each frame's
// rectangle, graphic control values and colour table come from WIC's metadata, its colour indices
// from the frame in its own 8-bit indexed format (WIC undoes interlacing), and the project's own
// compositor (gif_compositor.h) turns them into whole frames, as on Linux, where giflib feeds it.
// COM is initialised by the tools' mains.
#include "gif_reader.h"

#include <windows.h>
#include <wincodec.h>

#include <algorithm>

#include "com_ptr.h"

namespace {

// A number of the metadata under name, or fallback where it is not there.
unsigned metadata(IWICMetadataQueryReader* reader, const wchar_t* name, unsigned fallback)
{
    PROPVARIANT value;
    PropVariantInit(&value);
    unsigned got = fallback;
    if (reader != nullptr && SUCCEEDED(reader->GetMetadataByName(name, &value))) {
        switch (value.vt) {
        case VT_UI1: got = value.bVal; break;
        case VT_UI2: got = value.uiVal; break;
        case VT_UI4: got = value.ulVal; break;
        case VT_BOOL: got = value.boolVal ? 1 : 0; break;
        default: break;
        }
    }
    PropVariantClear(&value);
    return got;
}

// The frame's colour table (its own, else the file's) into frame; none leaves colour_count 0.
void read_colours(IWICImagingFactory* factory, IWICBitmapFrameDecode* source, IWICBitmapDecoder* decoder,
                  GifFrame& frame)
{
    frame.colour_count = 0;
    Com<IWICPalette> palette;
    if (FAILED(factory->CreatePalette(palette.out()))) return;
    if (FAILED(source->CopyPalette(palette.p)) && FAILED(decoder->CopyPalette(palette.p))) return;
    WICColor colours[256];
    UINT count = 0;
    if (FAILED(palette->GetColors(256, colours, &count))) return;
    frame.colour_count = static_cast<uint16_t>(std::min<UINT>(count, 256));
    for (UINT i = 0; i < frame.colour_count; ++i) {
        frame.colours[size_t(i) * 3] = static_cast<uint8_t>(colours[i] >> 16);
        frame.colours[size_t(i) * 3 + 1] = static_cast<uint8_t>(colours[i] >> 8);
        frame.colours[size_t(i) * 3 + 2] = static_cast<uint8_t>(colours[i]);
    }
}

}  // namespace

AnimationResult decode_gif(const uint8_t* data, size_t size, GifCompositor& compositor, Animation& out)
{
    if (const AnimationProblem problem = gif_signature(data, size); problem != AnimationProblem::none)
        return {problem, 0};
    Com<IWICImagingFactory> factory;
    Com<IWICStream> stream;
    Com<IWICBitmapDecoder> decoder;
    if (FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                                reinterpret_cast<void**>(factory.out()))))
        return {AnimationProblem::out_of_memory, 0};
    // WIC's stream keeps a pointer to the bytes, of a DWORD's length: MAX_ANIMATION_FILE keeps it.
    if (FAILED(factory->CreateStream(stream.out())) ||
        FAILED(stream->InitializeFromMemory(const_cast<BYTE*>(data), static_cast<DWORD>(size))) ||
        FAILED(factory->CreateDecoderFromStream(stream.p, &GUID_ContainerFormatGif, WICDecodeMetadataCacheOnDemand,
                                                decoder.out())))
        return {AnimationProblem::bad_block, 0};
    Com<IWICMetadataQueryReader> screen;
    decoder->GetMetadataQueryReader(screen.out());
    AnimationResult result = compositor.start(metadata(screen.p, L"/logscrdesc/Width", 0),
                                              metadata(screen.p, L"/logscrdesc/Height", 0));
    if (!result.ok()) return result;
    UINT count = 0;
    if (FAILED(decoder->GetFrameCount(&count))) return {AnimationProblem::bad_block, 0};
    if (count == 0) return {AnimationProblem::no_frames, 0};
    GifFrame frame;
    for (UINT i = 0; i < count; ++i) {
        Com<IWICBitmapFrameDecode> source;
        Com<IWICMetadataQueryReader> values;
        if (FAILED(decoder->GetFrame(i, source.out()))) return {AnimationProblem::bad_lzw, 0};
        source->GetMetadataQueryReader(values.out());
        const unsigned width = metadata(values.p, L"/imgdesc/Width", 0);
        const unsigned height = metadata(values.p, L"/imgdesc/Height", 0);
        result = compositor.admit(width, height);
        if (!result.ok()) return result;
        frame.left = static_cast<uint16_t>(metadata(values.p, L"/imgdesc/Left", 0));
        frame.top = static_cast<uint16_t>(metadata(values.p, L"/imgdesc/Top", 0));
        frame.width = static_cast<uint16_t>(width);
        frame.height = static_cast<uint16_t>(height);
        frame.disposal = static_cast<uint8_t>(metadata(values.p, L"/grctlext/Disposal", 0) & 7);
        frame.delay_cs = static_cast<uint16_t>(metadata(values.p, L"/grctlext/Delay", 0));
        frame.transparent = metadata(values.p, L"/grctlext/TransparencyFlag", 0)
                                ? static_cast<int16_t>(metadata(values.p, L"/grctlext/TransparentColorIndex", 0) & 0xFF)
                                : int16_t{-1};
        read_colours(factory.p, source.p, decoder.p, frame);
        frame.indices.assign(size_t{frame.width} * frame.height, 0);
        if (!frame.indices.empty()) {
            UINT w = 0, h = 0;
            WICPixelFormatGUID format{};
            // The frame's own size and format: its rectangle's, one index a byte.
            if (FAILED(source->GetSize(&w, &h)) || w != width || h != height ||
                FAILED(source->GetPixelFormat(&format)) || !IsEqualGUID(format, GUID_WICPixelFormat8bppIndexed))
                return {AnimationProblem::bad_block, 0};
            const WICRect all{0, 0, static_cast<INT>(width), static_cast<INT>(height)};
            if (FAILED(source->CopyPixels(&all, width, static_cast<UINT>(frame.indices.size()), frame.indices.data())))
                return {AnimationProblem::bad_lzw, 0};
        }
        result = compositor.add(frame, out);
        if (!result.ok()) return result;
    }
    return {};
}

AnimationResult read_gif(const uint8_t* data, size_t size, Animation& animation)
{
    return read_animation(data, size, animation, [](const uint8_t* bytes, size_t count, Animation& out) {
        GifCompositor compositor;
        return decode_gif(bytes, count, compositor, out);
    });
}
