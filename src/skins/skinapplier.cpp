#include "skinapplier.h"

#include "platform/errors.h"
#include "platform/profile.h"
#include "skins/coolform.h"
#include "skins/skinbitmap.h"
#include "ui/skincontrols.h"

#include <QFileInfo>
#include <QLabel>

#include <algorithm>

namespace vimbo {

namespace {

struct ApplyingScope
{
    explicit ApplyingScope(int& count) : m_count(count) { ++m_count; }
    ~ApplyingScope() { --m_count; }
    int& m_count;
};

} // namespace

SkinApplier::SkinApplier(QString skinsFolder, QWidget& window, TCoolForm& maskedForm,
                         const QList<QWidget*>& components)
    : m_folder(std::move(skinsFolder)), m_window(window), m_maskedForm(maskedForm), m_components(components)
{
}

std::function<bool()> SkinApplier::isNewest(quint64 choice) const
{
    // Making a mask lets window events run, and with them the user may
    // choose another skin. That one is then put on whole, and the one it
    // interrupted stops where it was: the newer choice wins.
    return [this, choice] { return choice == m_choice; };
}

SkinApplier::Outcome SkinApplier::Apply(const QString& name)
{
    const QString bitmap = FindSkinFile(m_folder, name, QStringLiteral("bmp"));
    const QString settings = FindSkinFile(m_folder, name, QStringLiteral("ssk"));
    if (!QFileInfo::exists(bitmap) || !QFileInfo::exists(settings))
        return Outcome::Missing;
    const ApplyingScope applying(m_applying);
    const ProfileFile skin(settings);
    // Read (and checked) before anything changes: a picture that cannot be
    // used leaves the window as it was.
    const QImage picture = LoadSkinBitmap(bitmap);
    const quint64 choice = ++m_choice;
    const QImage pictureBefore = m_maskedForm.Picture();
    const std::optional<QRegion> regionBefore = m_maskedForm.Mask().Region();
    m_maskedForm.SetPicture(picture);

    const SkinColorSection colors = ReadSkinColors(skin, CurrentColors());
    const QString mask = FindSkinFile(m_folder, name, QStringLiteral("msk"));
    if (colors.transparent) {
        try {
            if (!m_maskedForm.GenerateAndLoadMask(*colors.transparent, mask, isNewest(choice)))
                return Outcome::Superseded;
        } catch (const EInvalidGraphic&) {
            // A picture too intricate to be an outline is refused like a
            // damaged one: the skin in place stays whole.
            m_maskedForm.SetPicture(pictureBefore);
            m_maskedForm.Mask().SetRegion(regionBefore);
            throw EInvalidGraphic(QStringLiteral("The picture \"%1\" cannot be used: %2.")
                                      .arg(bitmap, TCoolForm::TooIntricateOutline()));
        }
    } else {
        m_maskedForm.LoadMaskFile(mask);
    }
    SetColors(colors.colors);

    ApplyElements(skin);
    m_window.resize(m_maskedForm.Picture().size());
    m_maskedForm.setGeometry(m_window.rect());
    m_worn = QFileInfo(settings).absoluteFilePath();
    return Outcome::Applied;
}

SkinApplier::Outcome SkinApplier::ApplyDefault(const QImage& picture)
{
    const ApplyingScope applying(m_applying);
    const quint64 choice = ++m_choice;
    m_worn.clear();
    SetColors({5590854, 3551532, 5787975, 7366492, 2233611, 9010544, 9010544});
    m_maskedForm.SetPicture(picture);
    m_window.resize(picture.size());
    m_maskedForm.setGeometry(m_window.rect());
    const QString mask = m_folder + QStringLiteral("Default.msk");
    if (!m_maskedForm.GenerateAndLoadMask(0xFFFFFF, mask, isNewest(choice)))
        return Outcome::Superseded;
    return Outcome::Applied;
}

void SkinApplier::ApplyElements(const ProfileFile& skin, bool showVisible)
{
    const SkinColors colors = CurrentColors();
    const QColor background = ToQColor(colors.Background);
    const QColor text = ToQColor(colors.Text);
    for (QWidget* control : m_components) {
        const SkinElementInfo* element = FindSkinElement(TagOf(control));
        if (!element)
            continue;
        const SkinElementSettings s = ReadSkinElement(skin, *element);
        // A hidden control stays hidden for the rest of the run, whatever a
        // later skin says; only editing the worn skin shows it again.
        if (!s.visible)
            control->hide();
        else if (showVisible)
            control->show();
        control->setGeometry(s.box);
        if (element->kind != SkinElementKind::Label && element->kind != SkinElementKind::Playlist)
            continue;
        QFont font = control->font(); // the style (bold) stays
        font.setFamily(s.fontName);
        // Points; a negative size counts pixels, 0 keeps the size it has.
        if (s.fontSize > 0)
            font.setPointSize(std::min(s.fontSize, 1000));
        else if (s.fontSize < 0)
            font.setPixelSize(std::min(-qint64(s.fontSize), qint64(1000)));
        control->setFont(font);
        QPalette palette = control->palette();
        if (auto* label = qobject_cast<QLabel*>(control)) {
            Qt::Alignment align = label->alignment();
            if (s.horizontal)
                align = (align & ~Qt::AlignHorizontal_Mask) | *s.horizontal;
            if (s.vertical)
                align = (align & ~Qt::AlignVertical_Mask) | *s.vertical;
            label->setAlignment(align);
            // Labels stay see-through: the background colour shows only in the playlist.
            palette.setColor(QPalette::Window, background);
            palette.setColor(QPalette::WindowText, text);
        } else {
            palette.setColor(QPalette::Base, background);
            palette.setColor(QPalette::Text, text);
        }
        control->setPalette(palette);
    }
}

} // namespace vimbo
