// The main window's part in skin editing: the generator and wizard windows,
// and the worn skin put on again as it is edited.
#include "app/vimboform.h"

#include "skins/newskinform.h"
#include "skins/skinapplier.h"
#include "skins/skingenform.h"

#include <QFileInfo>
#include <QTreeWidget>

using namespace vimbo;

void TVimboForm::createSkinGenerator()
{
    const QString skins = ProgramFolder() + QStringLiteral("Skins/");
    NewSkinForm = new TNewSkinForm(skins, this);
    SkinGenForm = new TSkinGenForm(skins, NewSkinForm, this);
    SkinGenForm->FindComponentByTag = [this](int tag) { return FindComponentByTag(tag); };
    SkinGenForm->CurrentSkinColors = [this] { return currentSkinColors(); };
    SkinGenForm->SkinWritten = [this](const QString& file, bool elementsOnly) { skinFileWritten(file, elementsOnly); };
    // About twenty applications a second at most, however fast the edits come.
    m_liveSkinTimer.setSingleShot(true);
    m_liveSkinTimer.setInterval(50);
    connect(&m_liveSkinTimer, &QTimer::timeout, this, &TVimboForm::applyLiveSkin);
}

void TVimboForm::ShowSkinGen()
{
    SkinGenForm->show();
    SkinGenForm->raise();
    SkinGenForm->activateWindow();
}

void TVimboForm::skinFileWritten(const QString& file, bool elementsOnly)
{
    const QString worn = ReadSetting(QStringLiteral("Skin"));
    if (worn.isEmpty() || worn == QLatin1String("Default"))
        return;
    if (QFileInfo(FindSkinFile(m_skinApplier->SkinsFolder(), worn, QStringLiteral("ssk"))) != QFileInfo(file))
        return;
    m_liveElementsOnly = m_liveElementsOnly && elementsOnly;
    if (!m_liveSkinTimer.isActive())
        m_liveSkinTimer.start();
}

void TVimboForm::applyLiveSkin()
{
    const bool elementsOnly = std::exchange(m_liveElementsOnly, true);
    const QString worn = ReadSetting(QStringLiteral("Skin"));
    if (!elementsOnly) {
        applySkinReporting(worn); // colours or the picture: the whole skin
        return;
    }
    // Places, fonts and alignment only: the playlist's entries stay as they are.
    const ProfileFile skin(FindSkinFile(m_skinApplier->SkinsFolder(), worn, QStringLiteral("ssk")));
    m_skinApplier->ApplyElements(skin, true);
    copyPlaylistLook();
    RedrawAllSliders();
    Playlist->setVisible(TogglePlaylist->isChecked());
    update();
}
