#include "hid/DeviceInformationQuery.h"

#include "hid/HidDeviceList.h"
#include "hid/Report.h"

DeviceInformationReply QueryDeviceInformation(
    HidDeviceList& hid, int32_t attempts, int32_t retryMs, const std::function<void(int32_t ms)>& sleep)
{
    DeviceInformationReply result;
    HidInputBuffer& reply = result.reply;
    for (int32_t attempt = 0; attempt < attempts; ++attempt) {
        reply.fill(0);
        reply[0] = kCommandReportId;
        reply[1] = static_cast<uint8_t>(Command::DeviceInfo);
        result.answered = hid.SendReport(reply, HidReply::Wanted);
        // Bytes 9 and 10: the firmware version, present once the mouse is ready.
        if (reply[9] != 0 && reply[10] != 0)
            break;
        if (attempt + 1 < attempts && sleep)
            sleep(retryMs);
    }
    return result;
}
