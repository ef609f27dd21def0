// Fonts, control colours and the lines painted by their container.
#include "platform/win32/FormInternal.h"

#include "platform/win32/UserInterface.h"

#include <cmath>
#include <cwchar>

namespace pocketry::platform::win32 {

using namespace form_internal;

namespace {

constexpr const wchar_t* kDialogFontName = L"MS Sans Serif";
constexpr double kDialogFontSize = 8.0;
// The TrueType font of the same design and metrics: the bitmap one has sizes
// for 96 DPI only and turns coarse at 125% and 150%.
constexpr const wchar_t* kDialogFontTrueType = L"Microsoft Sans Serif";

int CALLBACK NoteFound(const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM found) {
    *reinterpret_cast<bool*>(found) = true;
    return 0;
}

// A face name in a LOGFONT, cut to its room and terminated.
void CopyFace(LOGFONTW& lf, const std::wstring& face) {
    const std::size_t length = std::min<std::size_t>(face.size(), LF_FACESIZE - 1);
    std::wmemcpy(lf.lfFaceName, face.data(), length);
    lf.lfFaceName[length] = L'\0';
}

bool FontInstalled(const wchar_t* face) {
    const ScreenDc screen;
    if (screen.get() == nullptr)
        return false;
    LOGFONTW wanted{};
    wanted.lfCharSet = DEFAULT_CHARSET;
    CopyFace(wanted, face);
    bool found = false;
    ::EnumFontFamiliesExW(screen.get(), &wanted, &NoteFound, reinterpret_cast<LPARAM>(&found), 0);
    return found;
}

// The face asked of Windows for a face of the table. Windows has had the
// TrueType twin since Windows 2000; Wine has none and would draw a wider
// stand-in, so there the bitmap font stays.
std::wstring ScreenFace(const std::wstring& face) {
    static const bool trueType = FontInstalled(kDialogFontTrueType);
    return trueType && ::lstrcmpiW(face.c_str(), kDialogFontName) == 0 ? kDialogFontTrueType : face;
}

} // namespace

HFONT Form::FontFor(const Control& c) {
    const std::wstring face =
        ScreenFace(c.spec.fontName.empty() ? kDialogFontName : Wide(c.spec.fontName));
    const double points = c.spec.fontSize > 0 ? c.spec.fontSize : kDialogFontSize;
    const int hundredths = static_cast<int>(std::lround(points * 100.0));
    const FontKey key{face, hundredths, c.bold, c.underline};
    if (const auto found = fonts_.find(key); found != fonts_.end())
        return found->second.get();
    LOGFONTW lf{};
    lf.lfHeight = -::MulDiv(hundredths, dpi_, 7200);
    lf.lfWeight = c.bold ? FW_BOLD : FW_NORMAL;
    lf.lfUnderline = c.underline ? TRUE : FALSE;
    lf.lfCharSet = DEFAULT_CHARSET;
    lf.lfOutPrecision = OUT_DEFAULT_PRECIS;
    lf.lfClipPrecision = CLIP_DEFAULT_PRECIS;
    lf.lfQuality = DEFAULT_QUALITY;
    lf.lfPitchAndFamily = DEFAULT_PITCH | FF_SWISS;
    CopyFace(lf, face);
    OwnedFont font(::CreateFontIndirectW(&lf));
    const HFONT handle = font.get();
    if (handle != nullptr)
        fonts_.emplace(key, std::move(font));
    return handle;
}

void Form::ApplyFont(Control& c) {
    if (c.hwnd == nullptr)
        return;
    if (const HFONT font = FontFor(c))
        ::SendMessageW(c.hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
}

COLORREF Form::DefaultForeColor(const Control& c) const {
    if (c.spec.sysColor >= 0)
        return ::GetSysColor(c.spec.sysColor);
    return ::GetSysColor(Traits(c.spec.kind).textColor);
}

LRESULT Form::OnControlColor(HDC dc, HWND child) {
    const Control* c = ByWindow(child);
    if (c == nullptr)
        return 0;
    ::SetTextColor(dc, c->foreColor.value_or(DefaultForeColor(*c)));
    const int background = Traits(c->spec.kind).backColor;
    ::SetBkColor(dc, ::GetSysColor(background));
    return reinterpret_cast<LRESULT>(::GetSysColorBrush(background));
}

void Form::PaintContainer(HWND container, HDC dc) {
    const HGDIOBJ oldPen = ::SelectObject(dc, ::GetStockObject(DC_PEN));
    for (const Control& c : controls_) {
        if (c.spec.kind != ControlKind::Line || !c.visible || c.container != container)
            continue;
        const int colorIndex =
            c.spec.sysColor >= 0 ? c.spec.sysColor : Traits(c.spec.kind).textColor;
        const COLORREF color = c.foreColor.value_or(::GetSysColor(colorIndex));
        ::SetDCPenColor(dc, color);
        const int x1 = Pixels(c.left), y1 = Pixels(c.top);
        const int x2 = Pixels(c.width), y2 = Pixels(c.height);
        ::MoveToEx(dc, x1, y1, nullptr);
        ::LineTo(dc, x2, y2);
        // LineTo leaves out the last point; a line includes both ends.
        ::SetPixel(dc, x2, y2, color);
    }
    ::SelectObject(dc, oldPen);
}

} // namespace pocketry::platform::win32
