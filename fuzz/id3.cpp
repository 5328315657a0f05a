// ID3 tags: the bytes are a file's start, and their last 128 its ID3v1 tail.
#include "fuzzfiles.h"
#include "playlist/id3tags.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes = fuzzing::BytesOf(data, size);
    const vimbo::Id3Tags tags = vimbo::ParseId3Tags(bytes, bytes.right(128));
    (void)tags;
    return 0;
}
