/* The same-look reference with the start-up breakdown's time marks (bench/StartupMarks.h), for
 * scripts/bench: a copy of ../shared/bench/samelook/samelook.c whose code is unchanged but for the
 * ZELV_MARK lines and the marked entry at the end. Copied from the file whose SHA-256 is
 *   ca24ea5ec6febc844d583a600738a6f1df053f83e1678c0ac0522f8c16578351
 * scripts/bench says so when the reference has changed since. */
/* Same-look reference: the first page of the program's window written the plainest way, as the
 * limit for a window that looks like ours. Same manifest (comctl32 v6, per-monitor DPI), same icon
 * and picture (resources given at build time), the same visible controls: title, subtitle, prompt,
 * an edit box with a cue banner, a rounded owner-drawn button, an empty status line; the picture
 * decoded through WIC on a second thread while the window is made, and drawn at half opacity over
 * white at the first paint. No hidden pages, no controller, no description.
 *   build: windres samelook.rc (MAINICON, BACKGROUND, manifest) + this file
 *   -lcomctl32 -lmsimg32 -lole32 -lwindowscodecs -luuid -lgdi32 -luser32 */
#define COBJMACROS
#include <windows.h>
#include <commctrl.h>
#include <wincodec.h>

#include "bench/StartupMarks.h"

static HINSTANCE Inst;
static HANDLE DecodeThread;
static HBITMAP Picture;          /* premultiplied 32-bit, scaled to the client area */
static int PicW, PicH;
static HFONT TitleFont, TextFont, BoldFont, ButtonFont;
static UINT Dpi = 96;

static int S(int v) { return MulDiv(v, Dpi, 96); }

static DWORD WINAPI Decode(LPVOID unused)
{
    (void)unused;
    ZELV_MARK("decode: thread started");
    HRSRC r = FindResourceW(Inst, L"BACKGROUND", MAKEINTRESOURCEW(10));
    void* data = r ? LockResource(LoadResource(Inst, r)) : NULL;
    if (!data) return 0;
    CoInitializeEx(NULL, COINIT_MULTITHREADED);
    IWICImagingFactory* f = NULL; IWICStream* s = NULL; IWICBitmapDecoder* d = NULL;
    IWICBitmapFrameDecode* fr = NULL; IWICBitmapScaler* sc = NULL; IWICFormatConverter* cv = NULL;
    if (SUCCEEDED(CoCreateInstance(&CLSID_WICImagingFactory, NULL, CLSCTX_INPROC_SERVER, &IID_IWICImagingFactory, (void**)&f)) &&
        SUCCEEDED(IWICImagingFactory_CreateStream(f, &s)) &&
        SUCCEEDED(IWICStream_InitializeFromMemory(s, data, SizeofResource(Inst, r))) &&
        SUCCEEDED(IWICImagingFactory_CreateDecoderFromStream(f, (IStream*)s, NULL, WICDecodeMetadataCacheOnDemand, &d)) &&
        SUCCEEDED(IWICBitmapDecoder_GetFrame(d, 0, &fr)) &&
        SUCCEEDED(IWICImagingFactory_CreateBitmapScaler(f, &sc)) &&
        SUCCEEDED(IWICBitmapScaler_Initialize(sc, (IWICBitmapSource*)fr, PicW, PicH, WICBitmapInterpolationModeFant)) &&
        SUCCEEDED(IWICImagingFactory_CreateFormatConverter(f, &cv)) &&
        SUCCEEDED(IWICFormatConverter_Initialize(cv, (IWICBitmapSource*)sc, &GUID_WICPixelFormat32bppPBGRA,
                                                 WICBitmapDitherTypeNone, NULL, 0, WICBitmapPaletteTypeCustom))) {
        BITMAPINFO bi = {{sizeof(BITMAPINFOHEADER), PicW, -PicH, 1, 32, BI_RGB}};
        void* bits;
        HBITMAP b = CreateDIBSection(NULL, &bi, DIB_RGB_COLORS, &bits, NULL, 0);
        if (b && SUCCEEDED(IWICFormatConverter_CopyPixels(cv, NULL, PicW * 4, PicW * PicH * 4, bits)))
            Picture = b;
    }
    if (cv) IWICFormatConverter_Release(cv);
    if (sc) IWICBitmapScaler_Release(sc);
    if (fr) IWICBitmapFrameDecode_Release(fr);
    if (d) IWICBitmapDecoder_Release(d);
    if (s) IWICStream_Release(s);
    if (f) IWICImagingFactory_Release(f);
    CoUninitialize();
    ZELV_MARK("decode: picture ready");
    return 0;
}

static HFONT Font(int dip, int weight)
{
    return CreateFontW(-S(dip), 0, 0, 0, weight, 0, 0, 0, DEFAULT_CHARSET, 0, 0, CLEARTYPE_QUALITY, 0, L"Segoe UI");
}

/* The names of the program's controls, so the two breakdowns line up. */
static const char* const Names[] = {"", "lblTitle", "lblSubtitle", "lblEmailPrompt", "edtEmail", "btnSendCode",
                                    "lblEmailStatus"};

static HWND Child(HWND p, const wchar_t* cls, const wchar_t* text, DWORD style, int x, int y, int w, int h, int id, HFONT font)
{
    HWND c = CreateWindowExW(0, cls, text, WS_CHILD | WS_VISIBLE | style, S(x), S(y), S(w), S(h), p,
                             (HMENU)(INT_PTR)id, Inst, NULL);
    SendMessageW(c, WM_SETFONT, (WPARAM)font, FALSE);
    ZELV_MARK_OF("control ", Names[id]);
    return c;
}

static void DrawButton(const DRAWITEMSTRUCT* di)
{
    HBRUSH blue = CreateSolidBrush(RGB(0x00, 0x7A, 0xFF));
    HGDIOBJ oldb = SelectObject(di->hDC, blue), oldp = SelectObject(di->hDC, GetStockObject(NULL_PEN));
    FillRect(di->hDC, &di->rcItem, GetStockObject(WHITE_BRUSH));
    RoundRect(di->hDC, di->rcItem.left, di->rcItem.top, di->rcItem.right, di->rcItem.bottom, S(10), S(10));
    SelectObject(di->hDC, oldb); SelectObject(di->hDC, oldp); DeleteObject(blue);
    wchar_t t[64];
    GetWindowTextW(di->hwndItem, t, 64);
    SetBkMode(di->hDC, TRANSPARENT);
    SetTextColor(di->hDC, RGB(255, 255, 255));
    HGDIOBJ oldf = SelectObject(di->hDC, ButtonFont);
    RECT rc = di->rcItem;
    DrawTextW(di->hDC, t, -1, &rc, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    SelectObject(di->hDC, oldf);
}

static LRESULT CALLBACK Proc(HWND w, UINT m, WPARAM wp, LPARAM lp)
{
    switch (m) {
    case WM_CREATE:
        TitleFont = Font(24, FW_NORMAL); TextFont = Font(13, FW_NORMAL);
        BoldFont = Font(16, FW_BOLD); ButtonFont = Font(16, FW_NORMAL);
        ZELV_MARK("fonts");
        Child(w, L"STATIC", L"ZELV Cloud Setup", SS_CENTER, 0, 40, 401, 40, 1, TitleFont);
        Child(w, L"STATIC", L"Connect to your ZELV servers", SS_CENTER, 0, 84, 401, 24, 2, TextFont);
        Child(w, L"STATIC", L"Enter your email address:", 0, 28, 140, 345, 24, 3, BoldFont);
        HWND e = Child(w, L"EDIT", L"", WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL, 28, 170, 345, 36, 4, TextFont);
        SendMessageW(e, EM_SETCUEBANNER, FALSE, (LPARAM)L"name@company.com");
        Child(w, L"BUTTON", L"Send Verification Code", BS_OWNERDRAW | WS_TABSTOP, 28, 222, 345, 44, 5, ButtonFont);
        Child(w, L"STATIC", L"", SS_CENTER, 28, 276, 345, 48, 6, TextFont);
        SetFocus(e);
        return 0;
    case WM_CTLCOLORSTATIC:
        SetBkMode((HDC)wp, TRANSPARENT);
        return (LRESULT)GetStockObject(NULL_BRUSH);
    case WM_DRAWITEM:
        DrawButton((const DRAWITEMSTRUCT*)lp);
        return TRUE;
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT: {
        PAINTSTRUCT ps;
        ZELV_MARK("first WM_PAINT: sent");
        HDC dc = BeginPaint(w, &ps);
        RECT rc;
        GetClientRect(w, &rc);
        if (DecodeThread) { WaitForSingleObject(DecodeThread, INFINITE); CloseHandle(DecodeThread); DecodeThread = NULL; }
        ZELV_MARK("picture join");
        HDC mem = CreateCompatibleDC(dc);
        HBITMAP back = CreateCompatibleBitmap(dc, rc.right, rc.bottom);
        HGDIOBJ oldback = SelectObject(mem, back);
        FillRect(mem, &rc, GetStockObject(WHITE_BRUSH));
        if (Picture) {
            HDC pic = CreateCompatibleDC(dc);
            HGDIOBJ oldpic = SelectObject(pic, Picture);
            BLENDFUNCTION bf = {AC_SRC_OVER, 0, 128, AC_SRC_ALPHA};
            AlphaBlend(mem, 0, 0, PicW, PicH, pic, 0, 0, PicW, PicH, bf);
            SelectObject(pic, oldpic);
            DeleteDC(pic);
        }
        BitBlt(dc, 0, 0, rc.right, rc.bottom, mem, 0, 0, SRCCOPY);
        SelectObject(mem, oldback);
        DeleteObject(back);
        DeleteDC(mem);
        EndPaint(w, &ps);
        ZELV_MARK("first WM_PAINT");
        return 0;
    }
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(w, m, wp, lp);
}

int WINAPI wWinMain(HINSTANCE inst, HINSTANCE prev, LPWSTR cmd, int show)
{
    (void)prev; (void)cmd;
    ZELV_MARK("C runtime and static constructors");
    Inst = inst;
    Dpi = GetDpiForSystem();
    INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&icc);
    ZELV_MARK("common controls");
    RECT r = {0, 0, S(401), S(580)};
    const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
    AdjustWindowRectExForDpi(&r, style, FALSE, 0, Dpi);
    PicW = S(401); PicH = S(580);
    DecodeThread = CreateThread(NULL, 0, Decode, NULL, 0, NULL);
    ZELV_MARK("picture decode started");
    WNDCLASSEXW wc = {sizeof wc};
    wc.lpfnWndProc = Proc;
    wc.hInstance = inst;
    wc.hIcon = LoadIconW(inst, L"MAINICON");
    wc.hCursor = LoadCursorW(NULL, (LPCWSTR)IDC_ARROW);
    wc.lpszClassName = L"SameLookReference";
    RegisterClassExW(&wc);
    ZELV_MARK("window class");
    HWND w = CreateWindowExW(0, wc.lpszClassName, L"Same Look Reference", style, CW_USEDEFAULT, CW_USEDEFAULT,
                             r.right - r.left, r.bottom - r.top, NULL, NULL, inst, NULL);
    ZELV_MARK("main window");
    ShowWindow(w, show);
    ZELV_MARK("ShowWindow");
    UpdateWindow(w);
    ZELV_MARK("UpdateWindow");
    MSG msg;
    while (GetMessageW(&msg, NULL, 0, 0) > 0) {
        if (!IsDialogMessageW(w, &msg)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
    return 0;
}

/* The process's first instruction (linked with --entry=SameLookEntry), as the program's
 * ZelvProcessStart marks it, then the C runtime's entry of a GUI program. */
extern int WinMainCRTStartup(void);

int SameLookEntry(void)
{
    ZELV_MARK("entry");
    return WinMainCRTStartup();
}
