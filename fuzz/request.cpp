// The picture server's reading of a request: what a received buffer asks for.
// The first byte picks the stage at which the client stopped sending.
#include "imageserver/requestscan.h"

#include <cstdint>
#include <cstdlib>

using namespace vimbo;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    const auto stalledAt = RequestStage(data[0] % 4);
    const QByteArray received(reinterpret_cast<const char*>(data) + 1, qsizetype(size - 1));
    const RequestScan scan = ScanRequest(received, stalledAt);
    switch (scan.kind) {
    case RequestScan::Kind::More:
        if (scan.waitFor == RequestStage::None || scan.waitFor <= stalledAt || scan.used != 0)
            std::abort(); // waiting again for a stage that has stalled would never end
        break;
    case RequestScan::Kind::Raw:
        if (scan.used != received.size())
            std::abort();
        break;
    case RequestScan::Kind::Get:
    case RequestScan::Kind::Head: {
        // A whole head, within the bound, and whatever follows it is left.
        const QByteArray head = received.left(scan.used);
        if (scan.used <= 0 || scan.used > kMaxRequestHead ||
            (!head.endsWith("\n\n") && !head.endsWith("\r\n\r\n")))
            std::abort();
        break;
    }
    case RequestScan::Kind::None:
        if (scan.used != 0)
            std::abort();
        break;
    }
    return 0;
}
