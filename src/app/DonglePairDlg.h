#pragma once

#include "hid/CThreadBasic.h"
#include "hid/ReceiverPairing.h"
#include "widgets/MDialog.h"

#include <atomic>
#include <memory>

class DeviceChangeSource;
class HidDeviceList;

struct DonglePairTimings {
    int32_t intervalMs = 2000; // between worker passes
    int32_t settleMs = 100; // before each rebuild of the device list
    int32_t successPauseMs = 100; // between showing the button and the message
    int32_t closeDelayMs = 1000; // the receiver settles before the window goes
};

// The receiver pairing dialog: asks the receiver of the current model to
// pair, then waits for a mouse to pair with it and shows the success button.
// Its own worker (every two seconds) does the device work, with the main
// worker paused by the caller; closing the dialog stops it.
class DonglePairDlg : public MDialog, public CThreadBasic {
public:
    enum ControlId : int32_t {
        kHeading = 30,
        kCloseButton = 31,
        kStep1 = 32,
        kStep2 = 33,
        kStep3 = 34,
        kNote = 35,
        kSuccessButton = 36,
        kTopBand = 37,
        kPanel = 38,
        kBusy = 39,
    };
    // Posted to the dialog itself on each success.
    static constexpr uint32_t kPairedMessage = kWmUser + 501; // 1525
    static constexpr int32_t kWidth = 1280;
    static constexpr int32_t kHeight = 780;

    using Timings = DonglePairTimings;

    explicit DonglePairDlg(HidDeviceList& hid, Timings timings = {});
    ~DonglePairDlg() override;

    // Creates the dialog centred on the screen and runs it modally.
    int32_t Run(WindowHandle parent);
    // Creates the window (hidden), for a caller that shows it itself.
    bool Open(WindowHandle parent);

    void OnInitDialog() override;
    void InitUI(const MRect& client) override;
    intptr_t OnMessage(int32_t id, int32_t code, intptr_t param, intptr_t lParam) override;
    intptr_t OnWindowMessage(uint32_t message, uintptr_t wParam, intptr_t lParam) override;
    void OnDestroy() override;

    ReceiverPairing& Pairing() { return m_pairing; }
    // How many success messages (1525) the dialog has received.
    int32_t PairedMessages() const { return m_pairedMessages; }
    void ApplyLanguage();

protected:
    // CThreadBasic: one pass of the pairing worker.
    void Run() override;

private:
    void StopWorker();
    void OnSuccess();
    void Close();
    void WriteProbeLine(const QString& event) const;

    HidDeviceList& m_hid;
    Timings const m_timings;
    ReceiverPairing m_pairing;
    std::unique_ptr<DeviceChangeSource> m_source;
    std::atomic<WindowHandle> m_handle{0};
    int32_t m_pairedMessages = 0;
    bool m_closing = false;
};
