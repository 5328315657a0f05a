// Skin pictures: the header check and the decoding, on a file as skins have.
#include "skins/skinbitmap.h"
#include "fuzzfiles.h"
#include "platform/errors.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString path = fuzzing::WriteInput(QStringLiteral("fuzz.bmp"), data, size);
    QImage image;
    try {
        image = vimbo::LoadSkinBitmap(path);
    } catch (const EInvalidGraphic&) {
        return 0; // refused, as a bad picture must be
    }
    if (image.isNull() || image.width() > vimbo::kMaxSkinSide ||
        image.height() > vimbo::kMaxSkinSide)
        std::abort();
    // A picture taken in is one we can write and read again.
    const QByteArray bmp = vimbo::EncodeBmp(image);
    const QString again =
        fuzzing::WriteInput(QStringLiteral("again.bmp"),
                            reinterpret_cast<const uint8_t*>(bmp.constData()), size_t(bmp.size()));
    if (vimbo::LoadSkinBitmap(again).size() != image.size())
        std::abort();
    return 0;
}
