// CSplashDlg: the loading splash (template 154) that start-up runs for two
// seconds before the main window. It shows the picture an earlier start
// downloaded ("loading.bmp" beside the executable, or in the user's folder
// when the program's folder could not be written), or the built-in bitmap
// 153 when there is none, and fetches the current picture in the background
// for the next start.
#pragma once

#include "framework/dialog.h"
#include "skin/animated_picture.h"

class CSplashDlg : public CDialog {
public:
    explicit CSplashDlg(CWnd* pParentWnd = nullptr);

protected:
    BOOL OnInitDialog() override;
    void DoDataExchange(CDataExchange* pDX) override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    bool ShowDownloadedPicture();
    void ShowBuiltInPicture();

    // Fetches the picture server's loading picture into "loading.bmp" where
    // the picture is kept. Ends by itself; touches no window.
    static DWORD WINAPI DownloadThread(void* pParam);

    CAnimatedPicture m_picture;
};
