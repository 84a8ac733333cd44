#pragma once

#include "SimProcess.h"
#include "XvfbDisplay.h"

#include <QByteArray>
#include <QImage>
#include <QJsonObject>
#include <QPoint>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRect>
#include <QString>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

// One device list item as the state line shows it.
struct ItemState {
    int cable = -1;
    int receiver = -1;
    QString version;
    int batteryStatus = 0;
    int batteryLevel = 0;
    QPoint centre;
};

// The last "tarvo: state ..." line of the program, taken apart: the frame's
// fields, the device list items, the screen centres of the visible page's
// controls ("ctl=ID@x,y") and every other key=value field as text (the pages
// add their own, such as "dpi.sel=2").
struct WindowState {
    QString view; // home | device
    int tab = 0; // tab item id
    int status = 0; // status text id
    QString content; // list | nodevice
    int selected = 0;
    std::map<int, ItemState> items;
    std::map<int, QPoint> controls; // ctl=ID@x,y
    std::map<QString, QPoint> listItems; // ctlitem=ID.N@x,y, keyed "ID.N"
    std::map<int, QPoint> tabs; // tabitem=ITEM@x,y
    std::map<QString, QString> fields;

    static WindowState Parse(const QString& line);
    ItemState Item(int type) const;
    // The centre of a visible control of the current page; (-1, -1) when none.
    QPoint Control(int id) const;
    QPoint ListItem(int id, int index) const;
    QPoint Tab(int item) const;
    QString Field(const QString& key) const;
    // A page's "key=x,y" field as a screen point; (-1, -1) when absent.
    QPoint Point(const QString& key) const;
};

// The real program under a private Xvfb server with a private simulated mouse,
// private XDG folders and the state probe on; input is real, through XTEST.
// Skips the test when Xvfb is not installed.
class ProgramUnderXvfb : public ::testing::Test {
protected:
    static constexpr int kScreenWidth = 1600;
    static constexpr int kScreenHeight = 900;
    // Where the 1280 x 780 window sits on the screen (centred).
    static QRect WindowRect() { return QRect((kScreenWidth - 1280) / 2, (kScreenHeight - 780) / 2, 1280, 780); }

    void SetUp() override;
    void TearDown() override;

    QProcessEnvironment Environment() const;
    void StartProgram(const QStringList& arguments = {});
    // A simulator command; the test fails when it is refused.
    std::vector<std::string> Sim(const std::string& command);
    // Waits until the program has sent nothing to the simulator for 300 ms.
    bool WaitForQuietLink();
    // Reads state lines until `done` holds for the latest one or `ms` passed.
    bool WaitFor(const std::function<bool(const WindowState&)>& done, int ms = 10000);
    void Drain();
    // Real input at screen points.
    void Click(const QPoint& point);
    void Drag(const QPoint& from, const QPoint& to);
    void Type(const std::string& text);
    void Key(const char* keysym);
    // A key with one modifier held ("Control_L", "a").
    void KeyWith(const char* modifier, const char* keysym);
    // A screenshot of the window area, saved in the build folder as `name`;
    // null when ImageMagick's import is missing.
    QImage Capture(const QString& name);
    static bool HaveImport();
    // The reports of one direction of the simulator's log ("out": sent by the
    // program, "in": sent by the mouse) whose lower-case hex starts with `prefix`.
    std::vector<std::string> LoggedReports(const std::string& kind, const std::string& prefix);
    // The simulated firmware's state of `model` ("state <model>"), empty on failure.
    QJsonObject MouseState(const std::string& model);
    // Polls that state until `done` holds for it, for about four seconds.
    bool WaitForMouse(const std::string& model, const std::function<bool(const QJsonObject&)>& done);
    // The clock of the simulator's log timestamps, in microseconds.
    static int64_t MonotonicMicroseconds();

    QTemporaryDir m_home;
    XvfbDisplay m_xvfb;
    tarvo::sim::SimProcess m_sim;
    QProcess m_program;
    QByteArray m_buffer;
    WindowState m_state;
    QString m_lastLine;
    bool m_hasState = false;
    // The program's other probe lines ("box ...", "dialog ..."), without "tarvo: ".
    std::vector<QString> m_probeLines;
};
