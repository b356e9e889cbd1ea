// CUpdateDlg: the updater's window. It shows the release notes of the new
// suite version, and on "升级" downloads the package on a worker thread,
// shows the progress, starts the installer and closes. Every ordinary way of
// leaving sets the suite's exit event; a mandatory update also asks the
// suite to shut down.
#pragma once

#include "download/http_download.h"
#include "framework/button.h"
#include "framework/handles.h"
#include "framework/static_ctrl.h"
#include "updater/link_label.h"
#include "updater/progress_pacer.h"
#include "updater/progress_receiver.h"
#include "updater/strip_button.h"
#include "updater/update_block.h"
#include "updater/update_skin_dialog.h"
#include "updater/update_worker.h"

#include <string>

class CUpdateDlg : public CUpdateSkinDialog {
public:
    // The block the suite host filled; read once, during initialisation.
    explicit CUpdateDlg(const UpdateBlock* pBlock);

    // Whether the worker still runs: it did not stop within the bound when
    // the dialog was left.
    bool WorkerRunning() const;

    BOOL PreTranslateMessage(MSG* pMsg) override;

protected:
    BOOL OnInitDialog() override;
    void DoDataExchange(CDataExchange* pDX) override;
    void OnOK() override;
    void OnCancel() override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void PlaceControlsOnSkin();
    void ReadBlock();
    void PaintBackground();
    LRESULT OnCtlColor(UINT message, WPARAM wParam, LPARAM lParam);
    void OnLButtonDown(WPARAM keys, LPARAM point);
    void OnAbout();
    void OnUpgrade();
    void Leave();
    void StopWorker();
    void OnProgress(WPARAM kind, const DownloadProgress* progress);
    void ShowProgress();
    void OnStalled();
    void ShowFailure(UINT formatId, int code);
    HWND SuiteWindow() const;

    CLinkLabel m_link;
    CButton m_exitSoftware;
    CButton m_decline;
    CStripButton m_close;
    CButton m_upgrade;
    CStatic m_progressText;
    CWnd m_progress;
    std::string m_strNotes;
    HICON m_hIcon; // shared resource icon: not destroyed
    UniqueFont m_titleFont;
    UniqueBrush m_progressTextBrush;

    const UpdateBlock* m_pBlock; // the host's mapping, owned by the application
    UpdateOffer m_offer;
    CUpdateWorker m_worker;
    ProgressPacer m_pacer;
    CProgressReceiver m_progressReceiver;
    std::string m_strProgressFormat; // string 102, loaded once
    uint32_t m_nShownPercent = 0;    // where the bar stands
    bool m_bUpgrading = false;       // a run was started and has not reported back
    CDialog* m_pAbout = nullptr; // the About box while it runs
};
