#include "skin/animated_picture.h"

#include "skin/gif_frames.h"

#include <olectl.h>
#include <process.h>

namespace {

constexpr DWORD kStopWaitMs = 5000;

// A GIF delay is in hundredths of a second; browsers play delays below 5 at
// 100 ms, and so do we. 0xFFFFFFFF (no control extension) wraps to about
// 49.7 days: the animation rests on that frame.
DWORD FrameWaitMs(DWORD delay) {
    return delay < 5 ? 100 : delay * 10;
}

// Decodes a picture from a stream over the block.
ComPtr<IPicture> LoadPicture(HGLOBAL hGlobal, DWORD dwSize, BOOL bFreeOnRelease) {
    ComPtr<IPicture> picture;
    ComPtr<IStream> stream;
    if (FAILED(CreateStreamOnHGlobal(hGlobal, bFreeOnRelease, stream.put()))) {
        if (bFreeOnRelease)
            GlobalFree(hGlobal);
        return picture;
    }
    if (FAILED(
            OleLoadPicture(stream.get(), static_cast<LONG>(dwSize), FALSE, IID_IPicture, picture.put_void())))
        picture = ComPtr<IPicture>();
    return picture;
}

SIZE HimetricSize(IPicture* picture) {
    OLE_XSIZE_HIMETRIC width = 0;
    OLE_YSIZE_HIMETRIC height = 0;
    picture->get_Width(&width);
    picture->get_Height(&height);
    return SIZE{width, height};
}

// Draws the whole picture into the rectangle; the source rectangle runs
// bottom-up, as HIMETRIC coordinates do.
BOOL RenderPicture(IPicture* picture, HDC hdc, int left, int top, int width, int height) {
    const SIZE himetric = HimetricSize(picture);
    return SUCCEEDED(
        picture->Render(hdc, left, top, width, height, 0, himetric.cy, himetric.cx, -himetric.cy, nullptr));
}

} // namespace

BOOL CAnimatedPicture::BitmapContext::Create(HDC hCompatible, int width, int height) {
    Reset();
    MemoryDC dc(CreateCompatibleDC(hCompatible));
    if (!dc)
        return FALSE;
    UniqueBitmap bitmap(CreateCompatibleBitmap(hCompatible, width, height));
    if (!bitmap)
        return FALSE;
    m_hPrevious = SelectObject(dc.get(), bitmap.get());
    m_dc = std::move(dc);
    m_bitmap = std::move(bitmap);
    return TRUE;
}

void CAnimatedPicture::BitmapContext::Reset() {
    if (m_dc)
        SelectObject(m_dc.get(), m_hPrevious);
    m_dc.reset();
    m_bitmap.reset();
    m_hPrevious = nullptr;
}

CAnimatedPicture::CAnimatedPicture() : m_hWake(CreateEventA(nullptr, TRUE, FALSE, nullptr)) {}

CAnimatedPicture::~CAnimatedPicture() {
    Unload();
}

BOOL CAnimatedPicture::LoadFromFile(const char* path) {
    Unload();
    UniqueHandle file(CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return FALSE;
    const DWORD dwSize = GetFileSize(file.get(), nullptr);
    if (dwSize == INVALID_FILE_SIZE)
        return FALSE;
    UniqueGlobal block(GlobalAlloc(GMEM_MOVEABLE | GMEM_NODISCARD, dwSize));
    if (!block)
        return FALSE;
    {
        GlobalLockScope lock(block.get());
        DWORD dwRead = 0;
        if (!lock.get() || !ReadFile(file.get(), lock.get(), dwSize, &dwRead, nullptr) || dwRead != dwSize)
            return FALSE;
    }
    file.reset();
    return LoadFromMemory(block.get(), dwSize);
}

BOOL CAnimatedPicture::LoadFromMemory(HGLOBAL hGlobal, DWORD dwSize) {
    Unload();
    // Without its wake event a drawing thread could neither wait nor be
    // stopped: its frame waits would fail at once and it would spin.
    if (!m_hWake)
        return FALSE;
    GlobalLockScope lock(hGlobal);
    if (!lock.get())
        return FALSE;
    const auto* pData = static_cast<const unsigned char*>(lock.get());

    CGifBlockWalk walk(pData, dwSize);
    if (!walk.IsGif()) {
        lock.Unlock();
        if (!LoadWholePicture(hGlobal, dwSize))
            return FALSE;
        const SIZE himetric = HimetricSize(m_wholePicture.get());
        WindowDC dc(m_hWnd);
        return Prepare(MulDiv(himetric.cx, GetDeviceCaps(dc.get(), LOGPIXELSX), 2540),
                       MulDiv(himetric.cy, GetDeviceCaps(dc.get(), LOGPIXELSY), 2540));
    }

    m_bGif = true;
    const int nGraphicBlocks = walk.CountGraphicBlocks();
    if (nGraphicBlocks == 0)
        return FALSE;
    if (nGraphicBlocks == 1) {
        // One image, even with a looping extension, is a still picture.
        lock.Unlock();
        if (!LoadWholePicture(hGlobal, dwSize))
            return FALSE;
    } else {
        LoadFrames(walk);
        lock.Unlock();
        if (m_frames.empty())
            return FALSE;
    }
    return Prepare(walk.ScreenWidth(), walk.ScreenHeight());
}

BOOL CAnimatedPicture::LoadWholePicture(HGLOBAL hGlobal, DWORD dwSize) {
    m_wholePicture = LoadPicture(hGlobal, dwSize, FALSE);
    return m_wholePicture ? TRUE : FALSE;
}

// Cuts every frame out as a GIF of its own and decodes it; a frame the
// system loader refuses is left out.
void CAnimatedPicture::LoadFrames(CGifBlockWalk& walk) {
    GifFrameSlice slice;
    while (walk.ExtractNextFrame(slice)) {
        const size_t nGifSize = walk.FrameGifSize(slice);
        HGLOBAL hFrame = GlobalAlloc(0, nGifSize);
        if (!hFrame)
            break;
        {
            GlobalLockScope frameLock(hFrame);
            walk.WriteFrameGif(slice, static_cast<unsigned char*>(frameLock.get()));
        }
        // The stream frees the block when it is released.
        ComPtr<IPicture> picture = LoadPicture(hFrame, static_cast<DWORD>(nGifSize), TRUE);
        if (!picture)
            continue;
        GifFrame frame;
        frame.picture = picture;
        frame.width = slice.nWidth;
        frame.height = slice.nHeight;
        frame.left = slice.nLeft;
        frame.top = slice.nTop;
        frame.delay = slice.nDelay;
        frame.disposal = slice.nDisposal;
        m_frames.push_back(std::move(frame));
    }
}

BOOL CAnimatedPicture::Prepare(int width, int height) {
    m_nWidth = width;
    m_nHeight = height;
    SetWindowPos(nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    WindowDC dc(m_hWnd);
    if (!dc || !m_offscreen.Create(dc.get(), width, height))
        return FALSE;
    m_crBackground = GetSysColor(COLOR_BTNFACE);
    // The first fill uses the menu colour's system brush; the background of
    // the animation (disposal 2, loop end) is the button face.
    RECT all{0, 0, width, height};
    FillRect(m_offscreen.get(), &all, reinterpret_cast<HBRUSH>(COLOR_MENU + 1));
    m_bPrepared = true;
    return TRUE;
}

BOOL CAnimatedPicture::Draw() {
    if (!m_bPrepared)
        return FALSE;
    if (m_bGif && m_frames.size() > 1) {
        if (!EndThread(0))
            return FALSE;
        m_hDrawingWnd = m_hWnd;
        const uintptr_t thread = _beginthreadex(nullptr, 0, DrawingThread, this, CREATE_SUSPENDED, nullptr);
        m_hThread.reset(reinterpret_cast<HANDLE>(thread));
        if (m_hThread)
            ResumeThread(m_hThread.get());
        return FALSE;
    }

    // A still picture, or an animation of which one frame survived loading.
    BOOL bDrawn = FALSE;
    {
        std::lock_guard<std::mutex> guard(m_drawLock);
        if (m_wholePicture)
            bDrawn = RenderPicture(m_wholePicture.get(), m_offscreen.get(), 0, 0, m_nWidth, m_nHeight);
        else if (m_frames.size() == 1)
            bDrawn = RenderPicture(m_frames[0].picture.get(), m_offscreen.get(), m_frames[0].left,
                                   m_frames[0].top, m_frames[0].width, m_frames[0].height);
    }
    if (bDrawn)
        Invalidate(FALSE);
    return bDrawn;
}

void CAnimatedPicture::Stop() {
    m_bPlaying = false;
    m_bExitRequested = true;
    SetEvent(m_hWake.get());
    EndThread(kStopWaitMs);
}

bool CAnimatedPicture::EndThread(DWORD timeout) {
    if (m_hThread) {
        if (WaitForSingleObject(m_hThread.get(), timeout) != WAIT_OBJECT_0)
            return false;
        m_hThread.reset();
    }
    ResetEvent(m_hWake.get());
    m_bExitRequested = false;
    return true;
}

void CAnimatedPicture::Unload() {
    Stop();
    // A thread that outlived the stop's wait is still rendering into the
    // frames and contexts released below: wait until it has left.
    EndThread(INFINITE);
    m_wholePicture = ComPtr<IPicture>();
    m_frames.clear();
    m_offscreen.Reset();
    m_saved.Reset();
    m_bGif = false;
    m_bPrepared = false;
    m_nCurrentFrame = 0;
    m_crBackground = RGB(255, 255, 255);
}

void CAnimatedPicture::PaintTo(HDC hdc) {
    std::lock_guard<std::mutex> guard(m_drawLock);
    if (m_offscreen)
        BitBlt(hdc, 0, 0, m_nWidth, m_nHeight, m_offscreen.get(), 0, 0, SRCCOPY);
}

LRESULT CAnimatedPicture::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_PAINT: {
        PaintDC dc(m_hWnd);
        PaintTo(dc.get());
        return 0;
    }
    case WM_DESTROY:
        Stop();
        break;
    }
    return CStatic::WindowProc(message, wParam, lParam);
}

unsigned __stdcall CAnimatedPicture::DrawingThread(void* pParam) {
    auto* pThis = static_cast<CAnimatedPicture*>(pParam);
    pThis->m_bPlaying = true;
    pThis->RunAnimation();
    pThis->m_bPlaying = false;
    return 0;
}

void CAnimatedPicture::RunAnimation() {
    // On a fresh start nothing is saved, so only disposal 2 of the first
    // frame has an effect; after a stop this disposes of the frame showing.
    DisposeCurrentFrame();
    while (!m_bExitRequested) {
        const GifFrame& frame = m_frames[m_nCurrentFrame];
        if (frame.disposal == 3)
            SaveUnder(frame);
        if (RenderFrame(frame))
            InvalidateRect(m_hDrawingWnd, nullptr, FALSE);
        if (m_bExitRequested)
            break;
        WaitForSingleObject(m_hWake.get(), FrameWaitMs(frame.delay));
        if (m_bExitRequested)
            break;
        DisposeCurrentFrame();

        if (++m_nCurrentFrame == m_frames.size()) {
            m_nCurrentFrame = 0;
            // The next rendered frame invalidates the control.
            FillWithBackground(RECT{0, 0, m_nWidth, m_nHeight});
        }
    }
}

BOOL CAnimatedPicture::RenderFrame(const GifFrame& frame) {
    std::lock_guard<std::mutex> guard(m_drawLock);
    return RenderPicture(frame.picture.get(), m_offscreen.get(), frame.left, frame.top, frame.width,
                         frame.height);
}

void CAnimatedPicture::SaveUnder(const GifFrame& frame) {
    std::lock_guard<std::mutex> guard(m_drawLock);
    if (m_saved.Create(m_offscreen.get(), frame.width, frame.height))
        BitBlt(m_saved.get(), 0, 0, frame.width, frame.height, m_offscreen.get(), frame.left, frame.top,
               SRCCOPY);
}

void CAnimatedPicture::DisposeCurrentFrame() {
    const GifFrame& frame = m_frames[m_nCurrentFrame];
    if (frame.disposal == 2) {
        FillWithBackground(RECT{frame.left, frame.top, frame.left + frame.width, frame.top + frame.height});
    } else if (frame.disposal == 3 && m_saved) {
        std::lock_guard<std::mutex> guard(m_drawLock);
        BitBlt(m_offscreen.get(), frame.left, frame.top, frame.width, frame.height, m_saved.get(), 0, 0,
               SRCCOPY);
        m_saved.Reset();
    }
}

void CAnimatedPicture::FillWithBackground(const RECT& rect) {
    UniqueBrush brush(CreateSolidBrush(m_crBackground));
    if (!brush)
        return;
    std::lock_guard<std::mutex> guard(m_drawLock);
    FillRect(m_offscreen.get(), &rect, brush.get());
}
