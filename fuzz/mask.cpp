// Mask files: decoding, the region of what was decoded, and encoding it again.
#include "skins/mask.h"
#include "fuzzfiles.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    QRegion united;
    const auto rects = vimbo::DecodeMask(fuzzing::BytesOf(data, size), &united);
    if (!rects)
        return 0;
    // The region handed back is the one the rectangles make.
    if (vimbo::RegionOf(*rects) != united)
        std::abort();
    // What was read encodes to a mask that reads as the same rectangles.
    if (vimbo::DecodeMask(vimbo::EncodeMask(*rects)) != rects)
        std::abort();
    return 0;
}
