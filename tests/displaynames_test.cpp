#include "playlist/displaynames.h"
#include "support/qtprint.h"

#include <QFontInfo>

#include <gtest/gtest.h>

using namespace vimbo;

namespace {

TEST(CapitalizeName, Table)
{
    const struct
    {
        const char* text;
        int limit;
        const char* expected;
    } cases[] = {
        {"", 5, ""},
        {"my_song-live mix", 250, "My Song-Live Mix"},
        {"abcde", 5, "Abcde..."}, // as long as the limit: still cut
        {"abcd", 5, "Abcd"},
        {"abcdefgh", 3, "Abc..."},
        {"_leading", 250, "_leading"},         // a leading '_' stays and capitalises nothing
        {"a/b\\c-d e_f", 250, "A/B\\C-D E F"},
        {"already UPPER and lower", 250, "Already UPPER And Lower"}, // nothing is lower-cased
        {"ends with -", 250, "Ends With -"},
        {"été à_la plage", 250, "été à La Plage"}, // only a to z change case
        {"__x", 250, "_ X"},
        // Cut between characters, never inside a surrogate pair.
        {"ab\xF0\x9F\x98\x80" "cd", 3, "Ab..."},
        {"\xF0\x9F\x98\x80" "bc", 2, "\xF0\x9F\x98\x80..."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(CapitalizeName(QString::fromUtf8(c.text), c.limit), QString::fromUtf8(c.expected));
    }
}

TEST(MakeDisplayNames, FoldersFilesAndCutting)
{
    QFont mono(QStringLiteral("DejaVu Sans Mono"));
    mono.setPixelSize(10);
    ASSERT_TRUE(QFontInfo(mono).fixedPitch()) << "the table needs a fixed-pitch face";
    const QFontMetrics metrics(mono);
    const int w = metrics.horizontalAdvance('x');
    const int wide = 2000;
    const struct
    {
        const char* path;
        int width;
        const char* folderPath;
        const char* folder;
        const char* name;
    } cases[] = {
        {"C:\\Music\\Rock\\a.mp3", wide, "C:\\Music\\Rock", "Rock", "a"},
        {"C:\\a.mp3", wide, "C:", "Drive (C)", "a"},
        {"E:\\Track05.cda", wide, "E:", "Drive (E)", "Track05"},
        {"D:\\Music\\Best\\x.mp3", wide, "D:\\Music\\Best", "Best", "x"},
        {"\\\\server\\share\\a.mp3", wide, "\\\\server\\share", "share", "a"},
        {"/home/ann/Music/my_song.mp3", wide, "/home/ann/Music", "Music", "my_song"},
        {"/song.wav", wide, "", "/", "song"},
        {"relative.mp3", wide, "", "", "relative"},
        // Cut at the longest prefix that leaves the margin, less three, then tidied.
        {"/m/my long_folder name/a.mp3", 70 + 10 * w + 1, "/m/my long_folder name", "My Long...", "a"},
        {"/m/x/my long_song name.mp3", 90 + 12 * w + 1, "/m/x", "x", "My Long S..."},
        // Exactly fitting is kept as it is (case and underscores too).
        {"/m/my_folder/a.mp3", 70 + 9 * w, "/m/my_folder", "my_folder", "a"},
        // A view too narrow for any text leaves it whole.
        {"/m/folder/a.mp3", 60, "/m/folder", "folder", "a"},
        // Fewer than three characters fit: just the dots.
        {"/m/abcdef/a.mp3", 70 + 2 * w + 1, "/m/abcdef", "...", "a"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        const DisplayNames names = MakeDisplayNames(QString::fromUtf8(c.path), metrics, c.width);
        EXPECT_EQ(names.folderPath, c.folderPath);
        EXPECT_EQ(names.folder, c.folder);
        EXPECT_EQ(names.name, c.name);
    }

    // A cut three characters back from the longest fitting prefix would
    // land inside the emoji: it goes whole instead of showing as U+FFFD.
    const QString emoji = QString::fromUtf8("\xF0\x9F\x98\x80");
    const int fits = 90 + metrics.horizontalAdvance("abcdefg" + emoji + "hi") + 1;
    EXPECT_EQ(MakeDisplayNames("/m/x/abcdefg" + emoji + "hij.mp3", metrics, fits).name, "Abcdefg...");
}

} // namespace
