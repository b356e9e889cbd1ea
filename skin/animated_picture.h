// CAnimatedPicture: a static control that shows a picture the system picture
// loader reads (BMP, JPEG, a still GIF...) or plays an animated GIF frame by
// frame on a drawing thread of its own. Everything is drawn into an
// off-screen bitmap; WM_PAINT only copies that bitmap to the window.
#pragma once

#include "framework/handles.h"
#include "framework/static_ctrl.h"

#include <ocidl.h>

#include <atomic>
#include <mutex>
#include <vector>

class CGifBlockWalk;

// One decoded frame of an animated GIF.
struct GifFrame {
    ComPtr<IPicture> picture;
    int width = 0;
    int height = 0;
    int left = 0;
    int top = 0;
    DWORD delay = 0; // hundredths of a second; 0xFFFFFFFF when the frame has no control extension
    int disposal = 0;
};

class CAnimatedPicture : public CStatic {
public:
    CAnimatedPicture();
    ~CAnimatedPicture() override;

    // Both load functions unload first and end by preparing the off-screen
    // bitmap at the picture's size, resizing the control to it. The memory
    // block stays the caller's. A control whose wake event could not be
    // created loads nothing.
    BOOL LoadFromMemory(HGLOBAL hGlobal, DWORD dwSize);
    BOOL LoadFromFile(const char* path);

    // Renders a still picture once (TRUE when drawn), or starts the drawing
    // thread of an animation (FALSE, as nothing is drawn yet). Never starts a
    // second thread while one runs.
    BOOL Draw();
    // Ends the animation, keeping the frame it shows; a later Draw resumes
    // with that frame.
    void Stop();
    void Unload();

    int Width() const { return m_nWidth; }
    int Height() const { return m_nHeight; }
    size_t FrameCount() const { return m_frames.size(); }
    bool IsPlaying() const { return m_bPlaying; }

    // Copies the picture as it currently shows to (0, 0) of hdc.
    void PaintTo(HDC hdc);

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    // A memory device context with its own bitmap selected into it.
    class BitmapContext {
    public:
        ~BitmapContext() { Reset(); }
        BOOL Create(HDC hCompatible, int width, int height);
        // Puts back the bitmap the context held before and deletes both.
        void Reset();
        HDC get() const { return m_dc.get(); }
        explicit operator bool() const { return static_cast<bool>(m_dc); }

    private:
        MemoryDC m_dc;
        UniqueBitmap m_bitmap;
        HGDIOBJ m_hPrevious = nullptr;
    };

    BOOL LoadWholePicture(HGLOBAL hGlobal, DWORD dwSize);
    void LoadFrames(CGifBlockWalk& walk);
    BOOL Prepare(int width, int height);

    // Waits up to `timeout` ms for the drawing thread to end. Once it has
    // ended, its handle is closed and the exit request withdrawn; a thread
    // still busy keeps the request standing, so it leaves at its next check.
    bool EndThread(DWORD timeout);

    static unsigned __stdcall DrawingThread(void* pParam);
    void RunAnimation();
    BOOL RenderFrame(const GifFrame& frame);
    void SaveUnder(const GifFrame& frame);
    void DisposeCurrentFrame();
    void FillWithBackground(const RECT& rect);

    int m_nWidth = 0;
    int m_nHeight = 0;
    COLORREF m_crBackground = RGB(255, 255, 255);
    size_t m_nCurrentFrame = 0;
    bool m_bGif = false;
    std::atomic<bool> m_bPlaying{false};
    std::atomic<bool> m_bExitRequested{false};
    bool m_bPrepared = false;

    // The drawing thread is the only writer of these while it runs; the lock
    // keeps WM_PAINT from copying a half-drawn frame (and, under Wine, from
    // finding the context busy on the other thread).
    std::mutex m_drawLock;
    BitmapContext m_offscreen;
    BitmapContext m_saved; // the area under a frame with disposal method 3

    UniqueHandle m_hThread;
    // The window the drawing thread invalidates, copied from m_hWnd before
    // the thread starts: the UI thread clears m_hWnd when the window goes,
    // and a thread that outlived the stop's wait must not read it then.
    HWND m_hDrawingWnd = nullptr;
    UniqueHandle m_hWake; // manual-reset: a stop wakes the frame wait at once
    ComPtr<IPicture> m_wholePicture;
    std::vector<GifFrame> m_frames;
};
