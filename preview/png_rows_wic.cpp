// The sheet's PNG file on Windows, encoded row by row by the Windows Imaging Component (see
// png_rows.h) into memory, then written whole through the atomic writer. WIC chooses its own
// filters and deflate level: the bytes differ from libspng's, the pixels do not. COM is
// initialised by qfbinfo's main.
#include "png_rows.h"

#include <windows.h>
#include <wincodec.h>

#include <vector>

#include "com_ptr.h"

struct PngRows::Encoder {
    Com<IWICImagingFactory> factory;
    Com<IStream> stream;
    Com<IWICBitmapEncoder> encoder;
    Com<IWICBitmapFrameEncode> frame;
    std::vector<uint8_t> bgr;  // one row in WIC's order
};

PngRows::PngRows(const char* name, int64_t width, int64_t height)
    : encoder_(new Encoder), row_size_(static_cast<size_t>(width) * 3), rows_left_(height)
{
    failure_ = file_.create(name);
    if (failure_ != WriteStatus::ok) return;
    Encoder& e = *encoder_;
    WICPixelFormatGUID format = GUID_WICPixelFormat24bppBGR;
    e.bgr.resize(row_size_);
    if (FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                                reinterpret_cast<void**>(e.factory.out()))) ||
        FAILED(CreateStreamOnHGlobal(nullptr, TRUE, e.stream.out())) ||
        FAILED(e.factory->CreateEncoder(GUID_ContainerFormatPng, nullptr, e.encoder.out())) ||
        FAILED(e.encoder->Initialize(e.stream.p, WICBitmapEncoderNoCache)) ||
        FAILED(e.encoder->CreateNewFrame(e.frame.out(), nullptr)) || FAILED(e.frame->Initialize(nullptr)) ||
        FAILED(e.frame->SetSize(static_cast<UINT>(width), static_cast<UINT>(height))) ||
        FAILED(e.frame->SetPixelFormat(&format)) || !IsEqualGUID(format, GUID_WICPixelFormat24bppBGR))
        failure_ = WriteStatus::encoder_failed;
}

PngRows::~PngRows() = default;

bool PngRows::row(const uint8_t* rgb)
{
    if (failure_ != WriteStatus::ok) return false;
    std::vector<uint8_t>& bgr = encoder_->bgr;
    for (size_t i = 0; i < row_size_; i += 3) {
        bgr[i] = rgb[i + 2];
        bgr[i + 1] = rgb[i + 1];
        bgr[i + 2] = rgb[i];
    }
    if (FAILED(encoder_->frame->WritePixels(1, static_cast<UINT>(row_size_), static_cast<UINT>(row_size_), bgr.data())))
        failure_ = WriteStatus::encoder_failed;
    --rows_left_;
    return failure_ == WriteStatus::ok;
}

WriteStatus PngRows::finish()
{
    if (failure_ == WriteStatus::ok && rows_left_ != 0) failure_ = WriteStatus::encoder_failed;
    if (failure_ != WriteStatus::ok) return failure_;
    Encoder& e = *encoder_;
    STATSTG stat{};
    HGLOBAL memory = nullptr;
    if (FAILED(e.frame->Commit()) || FAILED(e.encoder->Commit()) || FAILED(e.stream->Stat(&stat, STATFLAG_NONAME)) ||
        FAILED(GetHGlobalFromStream(e.stream.p, &memory)))
        return WriteStatus::encoder_failed;
    const void* bytes = GlobalLock(memory);
    if (bytes == nullptr) return WriteStatus::encoder_failed;
    const bool wrote = file_.write(bytes, static_cast<size_t>(stat.cbSize.QuadPart));
    GlobalUnlock(memory);
    return wrote ? file_.commit() : file_.close();
}
