#include "app/win32/Win32Backdrop.h"

#include <wincodec.h>
#include <wrl/client.h>

#include <cmath>

namespace zelv::win32 {

namespace {

// Decodes the background picture from the program's resources and scales it to AWidth x AHeight
// as premultiplied 32-bit pixels, ready for AlphaBlend.
TPixelSurface DecodePicture(HINSTANCE AInstance, HDC ACompatible, int AWidth, int AHeight)
{
    using Microsoft::WRL::ComPtr;
    HRSRC Resource = FindResourceW(AInstance, L"BACKGROUND", MAKEINTRESOURCEW(10) /* RT_RCDATA */);
    HGLOBAL Loaded = Resource ? LoadResource(AInstance, Resource) : nullptr;
    const void* Data = Loaded ? LockResource(Loaded) : nullptr;
    if (!Data)
        return {};
    ComPtr<IWICImagingFactory> Factory;
    ComPtr<IWICStream> Stream;
    ComPtr<IWICBitmapDecoder> Decoder;
    ComPtr<IWICBitmapFrameDecode> Frame;
    ComPtr<IWICBitmapScaler> Scaler;
    ComPtr<IWICFormatConverter> Converter;
    if (FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&Factory))) ||
        FAILED(Factory->CreateStream(&Stream)) ||
        FAILED(Stream->InitializeFromMemory(static_cast<BYTE*>(const_cast<void*>(Data)), SizeofResource(AInstance, Resource))) ||
        FAILED(Factory->CreateDecoderFromStream(Stream.Get(), nullptr, WICDecodeMetadataCacheOnDemand, &Decoder)) ||
        FAILED(Decoder->GetFrame(0, &Frame)) || FAILED(Factory->CreateBitmapScaler(&Scaler)) ||
        FAILED(Scaler->Initialize(Frame.Get(), AWidth, AHeight, WICBitmapInterpolationModeFant)) ||
        FAILED(Factory->CreateFormatConverter(&Converter)) ||
        FAILED(Converter->Initialize(Scaler.Get(), GUID_WICPixelFormat32bppPBGRA, WICBitmapDitherTypeNone, nullptr, 0,
                                     WICBitmapPaletteTypeCustom)))
        return {};
    TPixelSurface Picture(ACompatible, AWidth, AHeight);
    if (!Picture)
        return {};
    GdiFlush();
    if (FAILED(Converter->CopyPixels(nullptr, AWidth * 4, AWidth * AHeight * 4, reinterpret_cast<BYTE*>(Picture.Pixels()))))
        return {};
    return Picture;
}

}  // namespace

void TBackdrop::Rebuild(HDC ACompatible, int AWidth, int AHeight, COLORREF APaper, const RECT& APictureBox,
                        double AOpacity, UINT ADpi)
{
    FSurface = TPixelSurface(ACompatible, AWidth, AHeight);
    UniqueBrush PaperBrush(CreateSolidBrush(APaper));
    RECT All = {0, 0, AWidth, AHeight};
    FillRect(FSurface.DC(), &All, PaperBrush.Get());

    const int BoxW = APictureBox.right - APictureBox.left, BoxH = APictureBox.bottom - APictureBox.top;
    if (BoxW <= 0 || BoxH <= 0)
        return;
    if (FPictureDpi != ADpi || FPicture.Width() != BoxW || FPicture.Height() != BoxH) {
        FPicture = DecodePicture(FInstance, ACompatible, BoxW, BoxH);
        FPictureDpi = ADpi;
    }
    if (FPicture) {
        const BLENDFUNCTION Blend = {AC_SRC_OVER, 0, static_cast<BYTE>(std::lround(AOpacity * 255)), AC_SRC_ALPHA};
        AlphaBlend(FSurface.DC(), APictureBox.left, APictureBox.top, BoxW, BoxH, FPicture.DC(), 0, 0, BoxW, BoxH, Blend);
    }
}

}  // namespace zelv::win32
