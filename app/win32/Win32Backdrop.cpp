#include "app/win32/Win32Backdrop.h"

#include <wincodec.h>
#include <wrl/client.h>

#include <cmath>

#include "bench/StartupMarks.h"

namespace zelv::win32 {

namespace {

// Decodes the background picture from the program's resources and scales it to AWidth x AHeight
// as premultiplied 32-bit pixels, ready for AlphaBlend; empty when that fails. COM is taken for
// the call only, in the apartment kind the calling thread asks for; any thread may call it.
TPixelSurface DecodePicture(HINSTANCE AInstance, int AWidth, int AHeight, DWORD AApartment)
{
    using Microsoft::WRL::ComPtr;
    HRSRC Resource = FindResourceW(AInstance, L"BACKGROUND", MAKEINTRESOURCEW(10) /* RT_RCDATA */);
    HGLOBAL Loaded = Resource ? LoadResource(AInstance, Resource) : nullptr;
    const void* Data = Loaded ? LockResource(Loaded) : nullptr;
    if (!Data)
        return {};
    const HRESULT Com = CoInitializeEx(nullptr, AApartment);
    TPixelSurface Picture;
    {
        ComPtr<IWICImagingFactory> Factory;
        ComPtr<IWICStream> Stream;
        ComPtr<IWICBitmapDecoder> Decoder;
        ComPtr<IWICBitmapFrameDecode> Frame;
        ComPtr<IWICBitmapScaler> Scaler;
        ComPtr<IWICFormatConverter> Converter;
        if (SUCCEEDED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&Factory))) &&
            SUCCEEDED(Factory->CreateStream(&Stream)) &&
            SUCCEEDED(Stream->InitializeFromMemory(static_cast<BYTE*>(const_cast<void*>(Data)),
                                                   SizeofResource(AInstance, Resource))) &&
            SUCCEEDED(Factory->CreateDecoderFromStream(Stream.Get(), nullptr, WICDecodeMetadataCacheOnDemand, &Decoder)) &&
            SUCCEEDED(Decoder->GetFrame(0, &Frame)) && SUCCEEDED(Factory->CreateBitmapScaler(&Scaler)) &&
            SUCCEEDED(Scaler->Initialize(Frame.Get(), AWidth, AHeight, WICBitmapInterpolationModeFant)) &&
            SUCCEEDED(Factory->CreateFormatConverter(&Converter)) &&
            SUCCEEDED(Converter->Initialize(Scaler.Get(), GUID_WICPixelFormat32bppPBGRA, WICBitmapDitherTypeNone,
                                            nullptr, 0, WICBitmapPaletteTypeCustom))) {
            Picture = TPixelSurface(nullptr, AWidth, AHeight);
            if (Picture && FAILED(Converter->CopyPixels(nullptr, AWidth * 4, AWidth * AHeight * 4,
                                                        reinterpret_cast<BYTE*>(Picture.Pixels()))))
                Picture = {};
        }
    }
    if (SUCCEEDED(Com))
        CoUninitialize();
    return Picture;
}

}  // namespace

TBackdrop::~TBackdrop()
{
    if (FPrefetch.joinable())
        FPrefetch.join();
}

void TBackdrop::Prefetch(int AWidth, int AHeight)
{
    if (FPrefetch.joinable() || AWidth <= 0 || AHeight <= 0)
        return;
    FPrefetch = std::thread([this, AWidth, AHeight] {
        ZELV_MARK("decode: thread started");
        FPrefetched = DecodePicture(FInstance, AWidth, AHeight, COINIT_MULTITHREADED);
        ZELV_MARK("decode: picture ready");
    });
}

TPixelSurface TBackdrop::TakePrefetched(int AWidth, int AHeight)
{
    if (!FPrefetch.joinable())
        return {};
    FPrefetch.join();
    ZELV_MARK("picture join");
    TPixelSurface Picture = std::move(FPrefetched);
    if (Picture.Width() != AWidth || Picture.Height() != AHeight)
        return {};
    return Picture;
}

void TBackdrop::Rebuild(HDC ACompatible, int AWidth, int AHeight, COLORREF APaper, const RECT& APictureBox,
                        double AOpacity, UINT ADpi)
{
    TPixelSurface Surface(ACompatible, AWidth, AHeight);
    UniqueBrush PaperBrush(CreateSolidBrush(APaper));
    RECT All = {0, 0, AWidth, AHeight};
    FillRect(Surface.DC(), &All, PaperBrush.Get());

    // A window that only grew keeps what it shows: the old backdrop holds the picture already, at
    // the same place, and the rest is paper.
    const bool SameLook = FSurface && FPaper == APaper && EqualRect(&FPictureBox, &APictureBox) &&
                          FOpacity == AOpacity && FDpi == ADpi;
    const int BoxW = APictureBox.right - APictureBox.left, BoxH = APictureBox.bottom - APictureBox.top;
    if (SameLook)
        BitBlt(Surface.DC(), 0, 0, FSurface.Width(), FSurface.Height(), FSurface.DC(), 0, 0, SRCCOPY);
    else if (BoxW > 0 && BoxH > 0) {
        // The picture itself is not kept once drawn: it would hold as much memory as the backdrop
        // for the rare change of DPI or of high contrast, which decodes it again.
        TPixelSurface Picture = TakePrefetched(BoxW, BoxH);
        if (!Picture)
            Picture = DecodePicture(FInstance, BoxW, BoxH, COINIT_APARTMENTTHREADED);
        if (Picture) {
            const BLENDFUNCTION Blend = {AC_SRC_OVER, 0, static_cast<BYTE>(std::lround(AOpacity * 255)), AC_SRC_ALPHA};
            // gdi32's own blend, which msimg32's AlphaBlend only passes on to: one library less to
            // map, and msimg32 is not one of Windows' known libraries.
            GdiAlphaBlend(Surface.DC(), APictureBox.left, APictureBox.top, BoxW, BoxH, Picture.DC(), 0, 0, BoxW, BoxH,
                          Blend);
        }
    }
    FSurface = std::move(Surface);
    FPaper = APaper;
    FPictureBox = APictureBox;
    FOpacity = AOpacity;
    FDpi = ADpi;
}

}  // namespace zelv::win32
