#include "skinformat.h"

#include "platform/errors.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>

namespace vimbo {

namespace {

const QString kColors = QStringLiteral("Colors");

int hexPair(const QString& text)
{
    // Hexadecimal digits only: no sign, no blanks (which toInt would forgive).
    const bool digits = !text.isEmpty() && std::all_of(text.begin(), text.end(), [](QChar c) {
        return (c >= '0' && c <= '9') || (c.toLower() >= 'a' && c.toLower() <= 'f');
    });
    if (!digits)
        throw EConvertError(QStringLiteral("'$%1' is not a valid integer value").arg(text));
    return text.toInt(nullptr, 16);
}

} // namespace

QString FindSkinFile(const QString& folder, const QString& name, const QString& extension)
{
    const QString fileName = name + '.' + extension;
    const QString exact = folder + fileName;
    if (QFileInfo::exists(exact))
        return exact;
    // Sorted, so that of several spellings the same one is taken every time.
    const QStringList files = QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
    for (const QString& file : files) {
        if (file.compare(fileName, Qt::CaseInsensitive) == 0)
            return folder + file;
    }
    return exact;
}

QString ColorToHtml(SkinRgb color)
{
    const auto hex = [](quint32 v) { return QStringLiteral("%1").arg(v & 0xFF, 2, 16, QLatin1Char('0')).toUpper(); };
    return '#' + hex(color) + hex(color >> 8) + hex(color >> 16);
}

SkinRgb HtmlToColor(const QString& text)
{
    if (text.size() != 7)
        throw EVimboError(text.mid(5, 2) + text.mid(3, 2) + text.mid(1, 2) +
                          QStringLiteral("' is not a valid HTML color."));
    const int red = hexPair(text.mid(1, 2));
    const int green = hexPair(text.mid(3, 2));
    const int blue = hexPair(text.mid(5, 2));
    return SkinRgb(red) | SkinRgb(green) << 8 | SkinRgb(blue) << 16;
}

SkinColorSection ReadSkinColors(const ProfileFile& skin, const SkinColors& inEffect)
{
    SkinColorSection section{inEffect, std::nullopt};
    const auto read = [&](const char* key, SkinRgb& color) {
        if (const auto text = skin.value(kColors, QLatin1String(key))) {
            if (const auto number = ProfileFile::parseInteger(*text))
                color = SkinRgb(*number);
        }
    };
    read("Background", section.colors.Background);
    read("Border", section.colors.Border);
    read("Unactive", section.colors.Unactive);
    read("Active", section.colors.Active);
    read("Text", section.colors.Text);
    read("Clicked", section.colors.Clicked);
    read("Over", section.colors.Over);
    const QString transparent = skin.readString(kColors, QStringLiteral("Transparent"));
    if (transparent != QLatin1String("None"))
        section.transparent = SkinRgb(ProfileFile::parseInteger(transparent).value_or(0));
    return section;
}

const std::array<SkinElementInfo, 26>& SkinElements()
{
    using K = SkinElementKind;
    static const std::array<SkinElementInfo, 26> table = {{
        {1, "TimeLabel", K::Label, {34, 73, 78, 20}, "QSwitch Ax", 21, true, "Time Label", 1},
        {2, "FileLabel", K::Label, {31, 235, 188, 15}, "Seraphic Organism", 11, false, "Loaded File Label", 2},
        {3, "ComingUpLabel", K::Label, {31, 248, 188, 13}, "Seraphic Organism", 11, false, "Coming Up Label", 3},
        {4, "Playlist", K::Playlist, {234, 59, 182, 213}, "Seraphic Organism", 11, false, "Playlist", 6},
        {5, "BitrateLabel", K::Label, {167, 64, 39, 10}, "Seraphic Organism", 9, false, "Bitrate Label", 4},
        {6, "DurationLabel", K::Label, {167, 76, 39, 10}, "Seraphic Organism", 9, false, "Media Length Label", 5},
        {10, "PrevBtn", K::Button, {30, 137, 21, 16}, "", 0, false, "Previous Button", 11},
        {11, "PlayBtn", K::Button, {53, 137, 21, 16}, "", 0, false, "Play Button", 12},
        {12, "PauseBtn", K::Button, {76, 137, 21, 16}, "", 0, false, "Pause Button", 13},
        {13, "StopBtn", K::Button, {99, 137, 21, 16}, "", 0, false, "Stop Button", 14},
        {14, "NextBtn", K::Button, {122, 137, 21, 16}, "", 0, false, "Next Button", 15},
        {15, "OpenBtn", K::Button, {145, 137, 21, 16}, "", 0, false, "Open Button", 16},
        {16, "TrayBtn", K::Button, {397, 17, 19, 20}, "", 0, false, "Minimize Button", 23},
        {17, "Image2", K::Button, {422, 17, 19, 20}, "", 0, false, "Close Button", 24},
        {18, "PlUpBtn", K::Button, {416, 57, 14, 15}, "", 0, false, "Playlist Scroll Up", 7},
        {19, "PlDownBtn", K::Button, {416, 259, 14, 14}, "", 0, false, "Playlist Scroll Down", 8},
        {21, "Bass", K::VerticalSlider, {31, 182, 14, 26}, "", 0, false, "Equalizer Bar 1", 17},
        {22, "Bass2", K::VerticalSlider, {44, 182, 14, 26}, "", 0, false, "Equalizer Bar 2", 18},
        {23, "Mid", K::VerticalSlider, {57, 182, 14, 26}, "", 0, false, "Equalizer Bar 3", 19},
        {24, "Mid2", K::VerticalSlider, {70, 182, 14, 26}, "", 0, false, "Equalizer Bar 4", 20},
        {25, "Treble", K::VerticalSlider, {83, 182, 14, 26}, "", 0, false, "Equalizer Bar 5", 21},
        {26, "Treble2", K::VerticalSlider, {96, 182, 14, 26}, "", 0, false, "Equalizer Bar 6", 22},
        {27, "Volume", K::VerticalSlider, {117, 182, 16, 26}, "", 0, false, "Volume Bar", 10},
        {28, "Track", K::HorizontalSlider, {36, 98, 168, 12}, "", 0, false, "Track Bar", 9},
        {29, "ShuffleBtn", K::Button, {140, 182, 13, 13}, "", 0, false, "Shuffle Button", 25},
        {30, "RepeatBtn", K::Button, {140, 195, 13, 13}, "", 0, false, "Repeat Button", 26},
    }};
    return table;
}

const SkinElementInfo* FindSkinElement(int tag)
{
    for (const SkinElementInfo& e : SkinElements()) {
        if (e.tag == tag)
            return &e;
    }
    return nullptr;
}

SkinElementSettings ReadSkinElement(const ProfileFile& skin, const SkinElementInfo& element)
{
    const QString section = QString::number(element.tag);
    SkinElementSettings s;
    // Window coordinates are 16-bit on X11: anything beyond is no place a
    // control can be shown, whatever the file says (and keeps the box's
    // arithmetic clear of overflow). A negative size is an empty box.
    const auto place = [&](const char* key) {
        return std::clamp(skin.readInteger(section, QLatin1String(key), 0), -32768, 32767);
    };
    const auto size = [&](const char* key) {
        return std::clamp(skin.readInteger(section, QLatin1String(key), 0), 0, 32767);
    };
    s.box = QRect(place("X"), place("Y"), size("W"), size("H"));
    s.visible = skin.readInteger(section, QStringLiteral("Visible"), 1) != 0;
    if (element.kind == SkinElementKind::Label || element.kind == SkinElementKind::Playlist) {
        s.fontName = skin.readString(section, QStringLiteral("FontName"), QStringLiteral("QSwitch Ax"));
        s.fontSize = skin.readInteger(section, QStringLiteral("FontSize"), 8);
    }
    if (element.kind == SkinElementKind::Label) {
        const QString h = skin.readString(section, QStringLiteral("HAlign"));
        if (h == QLatin1String("Left"))
            s.horizontal = Qt::AlignLeft;
        else if (h == QLatin1String("Center"))
            s.horizontal = Qt::AlignHCenter;
        else if (h == QLatin1String("Right"))
            s.horizontal = Qt::AlignRight;
        const QString v = skin.readString(section, QStringLiteral("VAlign"));
        if (v == QLatin1String("Top"))
            s.vertical = Qt::AlignTop;
        else if (v == QLatin1String("Middle"))
            s.vertical = Qt::AlignVCenter;
        else if (v == QLatin1String("Bottom") || v == QLatin1String("Under"))
            s.vertical = Qt::AlignBottom; // "Under" is what the skin generator writes for it
    }
    return s;
}

} // namespace vimbo
