#pragma once

#include "hid/CThreadBasic.h"
#include "hid/TaskQueue.h"
#include "update/FlashToolRunner.h"
#include "widgets/MDialog.h"

#include <QString>

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>

// The firmware upgrade window: a text and a progress bar while the flashing
// tool runs. Its own worker (the CThreadBasic base, one pass) runs the tool
// and follows its output; the dialog closes itself when the tool is done.
// The user cannot close it meanwhile: a flash cut short can leave the device
// without firmware.
class UpgradeDlg : public MDialog, public CThreadBasic, private FlashView {
public:
    static constexpr int32_t kWidth = 600;
    static constexpr int32_t kHeight = 150;
    static constexpr int32_t kTextId = 100;
    static constexpr int32_t kProgressId = 101;
    static constexpr int32_t kRunTask = 2;
    static constexpr int32_t kWorkerIntervalMs = 30;

    // programFolder: the folder whose upper-case echo ends the tool's output.
    UpgradeDlg(FlashCommand command, QString programFolder, FlashLimits limits = {});
    ~UpgradeDlg() override;

    // Creates the window centred on the screen and runs it until the tool is done.
    int32_t Run(WindowHandle parent);
    FlashResult Result() const;

    void OnInitDialog() override;
    void InitUI(const MRect& client) override;
    intptr_t OnMessage(int32_t, int32_t, intptr_t, intptr_t) override { return 0; }
    void OnUserCloseWindow() override {}
    void OnDestroy() override {}

protected:
    // CThreadBasic: the one pass that runs the tool.
    void Run() override;

private:
    // FlashView, on the dialog's worker: each posted to the interface thread.
    void OnToolStartFailed(int32_t errorNumber) override;
    void OnToolStarted() override;
    void OnToolText(const QString& text) override;
    void OnToolProgress(int32_t percent) override;
    void OnToolEndMarker(bool success) override;

    void PostText(const QString& text);
    void PostToDialog(std::function<void()> call);

    FlashCommand const m_command;
    QString const m_programFolder;
    FlashToolRunner m_runner;
    TaskQueue m_tasks;
    std::atomic<WindowHandle> m_handle{0};
    mutable std::mutex m_resultMutex;
    FlashResult m_result;
};
