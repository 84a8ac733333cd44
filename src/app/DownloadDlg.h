#pragma once

#include "widgets/MDialog.h"

#include <QString>

#include <memory>

struct DownloadJob;

// The progress of a firmware download that the worker runs: what is being
// fetched, a progress bar with the bytes so far, and a cancel button. Modal
// until the download ends (DoOK) or the user cancels (DoCancel, which also
// stops the transfer). Watches the job with the library timer, so nothing
// the worker does ever touches the dialog.
class DownloadDlg : public MDialog {
public:
    static constexpr int32_t kWidth = 480;
    static constexpr int32_t kHeight = 200;
    static constexpr int32_t kPollMs = 100;
    // Control ids.
    static constexpr int32_t kCaptionId = 31;
    static constexpr int32_t kMessageId = 32;
    static constexpr int32_t kProgressId = 33;
    static constexpr int32_t kBytesId = 34;
    static constexpr int32_t kCancelId = 35;

    // caption: what is downloaded ("Mouse firmware"); version: the offered one.
    DownloadDlg(std::shared_ptr<DownloadJob> job, QString caption, QString version);
    ~DownloadDlg() override;

    // Creates the window centred on the screen and runs it. kIdOk when the
    // download ended (the job says how), kIdCancel when the user cancelled.
    int32_t Run(WindowHandle parent);

    void OnInitDialog() override;
    void InitUI(const MRect& client) override;
    intptr_t OnMessage(int32_t id, int32_t code, intptr_t param, intptr_t lParam) override;
    void OnTimer(int32_t timerId) override;
    void OnDestroy() override {}

    // "120 KB / 2.4 MB", "120 KB" while the size is unknown.
    static QString BytesText(int64_t received, int64_t total);

private:
    void Refresh();

    std::shared_ptr<DownloadJob> m_job;
    QString m_caption;
    QString m_version;
    int32_t m_lastPercent = -1;
};
