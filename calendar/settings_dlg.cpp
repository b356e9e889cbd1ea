#include "calendar/settings_dlg.h"

#include "calendar/calendar_messages.h"
#include "calendar/settings_file.h"
#include "calendar/transparency.h"
#include "framework/win_app.h"
#include "resources/tessaly_resource.h"
#include "skin/layered_window.h"
#include "skin/resource_bitmap.h"

#include <commctrl.h>

namespace {

constexpr COLORREF kFrameColour = RGB(0, 105, 155);
constexpr COLORREF kSliderColour = RGB(254, 250, 239);

}  // namespace

CSettingsDlg::CSettingsDlg(CWnd* pParentWnd)
    : CSkinDialog(IDD_SETTINGS, pParentWnd), m_nDisplayMode(ReadSetting("MostTop") != 0 ? 1 : 0) {}

void CSettingsDlg::SetTargets(HWND hMainWnd, HWND hPanel) {
    m_hMainWnd = hMainWnd;
    m_hPanel = hPanel;
}

void CSettingsDlg::ApplyTransparency(int nProgress) {
    const BYTE alpha = static_cast<BYTE>(TransparencyAlpha(nProgress));
    if (CWnd* main = AfxGetMainWnd())
        SetLayeredAttributes(main->m_hWnd, 0, alpha, LWA_ALPHA);
    if (m_hPanel)
        SetLayeredAttributes(m_hPanel, 0, alpha, LWA_ALPHA);
}

void CSettingsDlg::DoDataExchange(CDataExchange* pDX) {
    CSkinDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDOK, m_btnClose);
    DDX_Radio(pDX, IDC_MODE_NORMAL, m_nDisplayMode);
}

BOOL CSettingsDlg::OnInitDialog() {
    CSkinDialog::OnInitDialog();
    // The slider keeps the position within its range of 0 to 100.
    ::SendDlgItemMessageA(m_hWnd, IDC_TRANSPARENCY, TBM_SETPOS, TRUE, ReadSetting("progress"));
    m_btnClose.SetShapeBitmap(IDB_BUTTON_SHAPE, TRUE);
    m_btnClose.SetMaskBitmap(IDB_BUTTON_SHAPE, TRUE);
    m_btnClose.SetStateBitmaps(IDB_CLOSE_HOVER, IDB_CLOSE_NORMAL, IDB_CLOSE_HOVER, IDB_CLOSE_HOVER);
    return TRUE;
}

// The close button and Enter leave like Escape: every change is already
// saved and applied.
void CSettingsDlg::OnOK() {
    EndDialog(IDCANCEL);
}

LRESULT CSettingsDlg::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_COMMAND:
        if (HIWORD(wParam) == BN_CLICKED && LOWORD(wParam) == IDC_MODE_NORMAL) {
            OnDisplayMode(0);
            return 0;
        }
        if (HIWORD(wParam) == BN_CLICKED && LOWORD(wParam) == IDC_MODE_TOPMOST) {
            OnDisplayMode(1);
            return 0;
        }
        break;
    case WM_NOTIFY: {
        const auto* header = reinterpret_cast<const NMHDR*>(lParam);
        if (header->idFrom != IDC_TRANSPARENCY)
            break;
        // Every repaint of the slider, so every move of its thumb, applies
        // and saves its position.
        if (header->code == NM_CUSTOMDRAW)
            OnSliderRepaint();
        if (header->code == NM_CUSTOMDRAW || header->code == NM_RELEASEDCAPTURE)
            return 0;
        break;
    }
    case WM_ERASEBKGND:
        DrawSkin(reinterpret_cast<HDC>(wParam));
        return TRUE;
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORSCROLLBAR:
        if (LRESULT brush = OnCtlColor(message, reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam)))
            return brush;
        break;
    }
    return CSkinDialog::WindowProc(message, wParam, lParam);
}

void CSettingsDlg::OnDisplayMode(int nMode) {
    m_nDisplayMode = nMode;
    WriteSetting("MostTop", nMode);
    if (m_hMainWnd)
        ::SendMessageA(m_hMainWnd, WM_CALENDAR_ZORDER, nMode ? kZOrderTopMost : kZOrderNormal, 0);
}

void CSettingsDlg::OnSliderRepaint() {
    const int position = static_cast<int>(::SendDlgItemMessageA(m_hWnd, IDC_TRANSPARENCY, TBM_GETPOS, 0, 0));
    ApplyTransparency(position);
    WriteSetting("progress", position);
}

// The title bar from its left end, caption, stretched middle and right end,
// the body stretched below it inside a one-pixel frame.
void CSettingsDlg::DrawSkin(HDC hDC) {
    RECT client;
    GetClientRect(&client);
    const UniqueBitmap left = LoadResourceBitmap(IDB_SETTINGS_TITLE_LEFT);
    const UniqueBitmap title = LoadResourceBitmap(IDB_SETTINGS_TITLE);
    const UniqueBitmap right = LoadResourceBitmap(IDB_SETTINGS_TITLE_RIGHT);
    const UniqueBitmap middle = LoadResourceBitmap(IDB_SETTINGS_TITLE_MIDDLE);
    const UniqueBitmap body = LoadResourceBitmap(IDB_SETTINGS_BODY);
    const SIZE leftSize = BitmapSize(left.get());
    const SIZE titleSize = BitmapSize(title.get());
    const SIZE rightSize = BitmapSize(right.get());

    const int titleRight = client.left + leftSize.cx + titleSize.cx;
    const int rightLeft = client.right - rightSize.cx;
    const int barHeight = rightSize.cy;
    DrawSkinBitmap(hDC, left.get(), client.left, client.top, client.left + leftSize.cx,
                   client.top + leftSize.cy, 0);
    DrawSkinBitmap(hDC, title.get(), client.left + leftSize.cx, client.top, titleRight,
                   client.top + titleSize.cy, 0);
    DrawSkinBitmap(hDC, right.get(), rightLeft, client.top, client.right, client.top + rightSize.cy, 0);
    StretchSkinBitmap(hDC, middle.get(), titleRight, client.top, rightLeft, client.top + barHeight);
    // One row taller than the room below the bar: the last row falls outside.
    StretchSkinBitmap(hDC, body.get(), client.left, client.top + barHeight, client.right, client.bottom + 1);

    UniquePen pen(::CreatePen(PS_SOLID, 1, kFrameColour));
    SelectObjectScope select(hDC, pen.get());
    ::MoveToEx(hDC, client.left, client.top + barHeight, nullptr);
    ::LineTo(hDC, client.left, client.bottom - 1);
    ::LineTo(hDC, client.right - 1, client.bottom - 1);
    ::LineTo(hDC, client.right - 1, client.top + barHeight - 1);
}

// Labels and radio buttons lie on the skin; the slider gets its own colour.
LRESULT CSettingsDlg::OnCtlColor(UINT message, HDC hDC, HWND hControl) {
    if (::GetDlgCtrlID(hControl) == IDC_TRANSPARENCY) {
        ::SetBkMode(hDC, TRANSPARENT);
        if (!m_brushSlider)
            m_brushSlider.reset(::CreateSolidBrush(kSliderColour));
        return reinterpret_cast<LRESULT>(m_brushSlider.get());
    }
    if (message != WM_CTLCOLORSTATIC)
        return 0;
    ::SetBkMode(hDC, TRANSPARENT);
    return reinterpret_cast<LRESULT>(::GetStockObject(NULL_BRUSH));
}
