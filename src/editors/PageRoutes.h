#pragma once

#include "widgets/WidgetTypes.h"

#include <cstdint>
#include <span>

// Which notifications of a page's controls the page acts on: rows of control
// id ranges, each with the codes it takes. An id appears in one row.
struct PageRoute {
    enum class Codes { Any, Click, EditCommit };

    int32_t first;
    int32_t last;
    Codes codes;
};

// True when a row covers `id` and takes `code`.
constexpr bool RouteAccepts(std::span<const PageRoute> routes, int32_t id, int32_t code)
{
    for (const PageRoute& row : routes) {
        if (id < row.first || id > row.last)
            continue;
        switch (row.codes) {
        case PageRoute::Codes::Any:
            return true;
        case PageRoute::Codes::Click:
            return code == kNotifyClick;
        case PageRoute::Codes::EditCommit:
            return code == kNotifyEditCommit;
        }
    }
    return false;
}
