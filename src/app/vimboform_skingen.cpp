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
    // Brought back from the taskbar too.
    SkinGenForm->showNormal();
    SkinGenForm->raise();
    SkinGenForm->activateWindow();
}

void TVimboForm::skinFileWritten(const QString& file, bool elementsOnly)
{
    // The skin on the window, whatever the setting names (a skin opened from
    // outside is worn without being remembered).
    const QString worn = m_skinApplier->WornSettings();
    if (worn.isEmpty() || QFileInfo(worn) != QFileInfo(file))
        return;
    m_liveElementsOnly = m_liveElementsOnly && elementsOnly;
    if (!m_liveSkinTimer.isActive())
        m_liveSkinTimer.start();
}

void TVimboForm::applyLiveSkin()
{
    // A skin being put on lets events run; an edit applied inside it would be
    // undone by the older file it goes on with. It waits its turn.
    if (m_skinApplier->Applying()) {
        m_liveSkinTimer.start();
        return;
    }
    const QString worn = m_skinApplier->WornSettings();
    if (worn.isEmpty())
        return;
    const bool elementsOnly = std::exchange(m_liveElementsOnly, true);
    if (!elementsOnly) {
        applySkinReporting(QFileInfo(worn).completeBaseName()); // colours or the picture: the whole skin
        return;
    }
    // Places, fonts and alignment only: the playlist's entries stay as they are.
    const ProfileFile skin(worn);
    m_skinApplier->ApplyElements(skin, true);
    copyPlaylistLook();
    RedrawAllSliders();
    Playlist->setVisible(TogglePlaylist->isChecked());
    update();
}
