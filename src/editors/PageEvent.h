#pragma once

#include <QString>

#include <cstdint>
#include <utility>

// What the worker and the window tell the pages, on the interface thread, in
// the order it happened. A page acts on the kinds it knows and ignores the rest.
struct PageEvent {
    enum class Kind {
        DpiLevel, // value: the level the mouse switched to
        RestoreButtonDefaults, // a restore of the buttons ran on the worker
        RestoreLighting, // a restore of the lighting ran on the worker
        TextRequest, // value, value2: what the mouse asks the computer to do
        MouseVersion, // text: the labelled firmware version of the mouse
        ReceiverVersion, // text: the labelled firmware version of the receiver
        StopRecording, // the mouse went away or the window closes
        ConnectionChanged, // value: the connection mode, -1 none, 0 cable, 1 receiver
        MarkersChanged, // a description replaced the button markers (PageHost::Description)
        TextsChanged, // text snippets were added, renamed or deleted
        MacrosChanged, // macros were added, renamed or deleted
    };

    PageEvent(Kind kind_, int32_t value_ = 0, int32_t value2_ = 0, QString text_ = {})
        : kind(kind_)
        , value(value_)
        , value2(value2_)
        , text(std::move(text_))
    {}

    Kind kind;
    int32_t value;
    int32_t value2;
    QString text;
};
