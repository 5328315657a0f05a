// A skin's settings file: the seven colours, the element sections and the
// table of skinnable elements; and the #RRGGBB colour notation.
#pragma once

#include "platform/profile.h"

#include <QColor>
#include <QRect>
#include <QString>

#include <array>
#include <optional>

namespace vimbo {

// A colour as skins store it: red in the low byte, then green, then blue.
using SkinRgb = quint32;

// The file of the skin `name` with `extension` ("ssk", "bmp" or "msk") in
// `folder` (ending in a separator): the exact name where it exists, else a
// file whose name differs only in case (skins made where names ignore case
// often come as "Name.BMP"), else the exact name.
QString FindSkinFile(const QString& folder, const QString& name, const QString& extension);

QString ColorToHtml(SkinRgb color);
inline QColor ToQColor(SkinRgb color)
{
    return QColor(int(color & 0xFF), int((color >> 8) & 0xFF), int((color >> 16) & 0xFF));
}
inline SkinRgb FromQColor(const QColor& color)
{
    return SkinRgb(color.red()) | (SkinRgb(color.green()) << 8) | (SkinRgb(color.blue()) << 16);
}
// "#RRGGBB" (the first character is not looked at) to a colour. Throws
// EVimboError "<text>' is not a valid HTML color." for a text that is not 7
// characters long, EConvertError for a pair that is no hexadecimal number.
SkinRgb HtmlToColor(const QString& text);

// The seven skin colours, in their file order.
struct SkinColors
{
    SkinRgb Background = 0, Border = 0, Unactive = 0, Active = 0, Text = 0, Clicked = 0, Over = 0;
    bool operator==(const SkinColors&) const = default;
};

// What a skin's [Colors] section gives: each colour replaces the one in
// effect only when its key holds a number; the transparent colour is black
// unless the key holds a number, or nothing at all when it is the word "None".
struct SkinColorSection
{
    SkinColors colors;
    std::optional<SkinRgb> transparent;
};
SkinColorSection ReadSkinColors(const ProfileFile& skin, const SkinColors& inEffect);

enum class SkinElementKind { Label, Playlist, Button, VerticalSlider, HorizontalSlider };

struct SkinElementInfo
{
    int tag;
    const char* control;
    SkinElementKind kind;
    QRect designBox;
    const char* designFont; // empty for elements without text
    int designFontPixels;
    bool designBold;
    const char* generatorCaption;
    int listPosition;
};

// Every skinnable element of the main window, by tag.
const std::array<SkinElementInfo, 26>& SkinElements();
const SkinElementInfo* FindSkinElement(int tag);

// One element section as read: a box (0 where a key is missing), whether it
// stays visible, and the font and alignment keys where they apply.
struct SkinElementSettings
{
    QRect box;
    bool visible = true;
    QString fontName;
    int fontSize = 8;
    std::optional<Qt::Alignment> horizontal; // nothing: leave as it is
    std::optional<Qt::Alignment> vertical;
};
SkinElementSettings ReadSkinElement(const ProfileFile& skin, const SkinElementInfo& element);

} // namespace vimbo
