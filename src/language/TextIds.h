#pragma once

// Numbers of the interface texts shared across the program (section "LAN" of the
// language files); a page keeps the texts only it shows beside its controls.
// Every constant here must exist in both language files.
namespace TextIds {
constexpr int kTitle = 1;
constexpr int kFooter = 2;
constexpr int kTipClose = 5;
constexpr int kTipMinimize = 6;
constexpr int kTipMaximize = 7;
constexpr int kTipSettings = 11;
constexpr int kVersionWord = 17;
constexpr int kBoxOk = 20;
constexpr int kBoxYes = 23;
constexpr int kBoxNo = 25;
constexpr int kStatusOffline = 50;
constexpr int kStatusCable = 51;
constexpr int kStatusReceiver = 52;
constexpr int kAccessDenied = 53;
constexpr int kNoDevice = 56;
constexpr int kMouseOffline = 57;
constexpr int kModeCable = 58;
constexpr int kModeReceiver = 59;
constexpr int kProfileWord = 61;
constexpr int kTabHome = 71;
constexpr int kTabButtons = 72;
constexpr int kTabDpi = 73;
constexpr int kTabMacros = 74;
constexpr int kTabLighting = 75;
constexpr int kTabPerformance = 76;
constexpr int kTabText = 77;
constexpr int kMacroWord = 351;
constexpr int kMouseFirmware = 551;
constexpr int kReceiverFirmware = 552;
constexpr int kRestoreCaption = 570;
constexpr int kRestoreQuestion = 571;
constexpr int kNotice = 576;
constexpr int kLatestVersion = 580;
constexpr int kSoftwareUpdate = 581;
constexpr int kNewVersion = 582;
constexpr int kUpdateNow = 583;
constexpr int kDownloading = 584;
constexpr int kDownloadFailed = 585;
constexpr int kUsePackageManager = 586;
constexpr int kFirmwareUpgrade = 587;
constexpr int kConnectByCable = 588;
constexpr int kBeforeFlash = 596;
constexpr int kUpgradeError = 597;
constexpr int kFlashRunning = 611;
constexpr int kFlashFinished = 612;
constexpr int kFlashFailed = 613;
constexpr int kStoreWriteFailed = 900;
constexpr int kPairReceiver = 723;
constexpr int kStoreSetAside = 901;
constexpr int kTrayExit = 12;
constexpr int kPairCaption = 703;
constexpr int kPairQuestion = 704;
// Desktop notifications while the window is hidden.
constexpr int kNoticesSwitch = 1000;
constexpr int kNoticeBatteryLow = 1001;
constexpr int kNoticeBatteryCritical = 1002;
constexpr int kNoticeDisconnected = 1003;
constexpr int kNoticeReconnected = 1004;
constexpr int kNoticeDpiLevel = 1005;
} // namespace TextIds
