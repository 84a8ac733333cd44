#include "app/InstanceRequest.h"

InstanceRequest ParseInstanceRequest(QByteArrayView line)
{
    // Compared byte for byte: the requests are fixed texts, and a parser of
    // numbers would accept "0610", "+610" or "610\0junk" as well.
    if (line == QByteArrayView("show"))
        return InstanceRequest::Show;
    if (line == QByteArrayView("ping"))
        return InstanceRequest::Ping;
    if (line == QByteArrayView("post 1691 0 610"))
        return InstanceRequest::Quit;
    return InstanceRequest::Invalid;
}
