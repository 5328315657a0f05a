// Puts a skin on the main window: its picture and outline, its seven colours,
// and each tagged control's place, font, alignment and visibility. The window
// keeps its life cycle; this class does the skin's part of it.
#pragma once

#include "skins/skinformat.h"

#include <QImage>
#include <QList>
#include <QString>

#include <functional>

class QWidget;
class TCoolForm;

namespace vimbo {

class ProfileFile;

class SkinApplier
{
public:
    // `components` lists the window's controls in the order a skin is
    // applied in; it is read at every application.
    SkinApplier(QString skinsFolder, QWidget& window, TCoolForm& maskedForm, const QList<QWidget*>& components);

    // The window's seven colours, read and set.
    std::function<SkinColors()> CurrentColors;
    std::function<void(const SkinColors&)> SetColors;

    enum class Outcome {
        Applied,    // picture, outline, colours and elements are on
        Missing,    // the skin's picture or settings file is not there; nothing changed
        Superseded, // another skin was chosen while this one's outline was made
    };
    // Throws what reading a damaged picture throws, the window as it was.
    Outcome Apply(const QString& name);
    // The built-in skin: `picture` with white as its transparent colour.
    Outcome ApplyDefault(const QImage& picture);
    // Each tagged control's box, font, alignment and visibility from `skin`;
    // with `showVisible`, controls the skin wants visible are shown again.
    void ApplyElements(const ProfileFile& skin, bool showVisible = false);

    // Counts the skins put on; a skin is the newest while it is unchanged.
    quint64 Choice() const { return m_choice; }
    // The settings file of the skin worn now ("" for the built-in one).
    const QString& WornSettings() const { return m_worn; }
    // True while a skin is being put on (its outline lets events run).
    bool Applying() const { return m_applying > 0; }
    const QString& SkinsFolder() const { return m_folder; }

private:
    std::function<bool()> isNewest(quint64 choice) const;

    QString m_folder;
    QWidget& m_window;
    TCoolForm& m_maskedForm;
    const QList<QWidget*>& m_components;
    quint64 m_choice = 0;
    QString m_worn;
    int m_applying = 0;
};

} // namespace vimbo
