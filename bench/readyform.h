// A main window as the player has it after a start that is not the first
// (no first-run questions), over folders of its own in a temporary tree.
#pragma once

#include "app/vimboform.h"

#include <QFile>
#include <QTemporaryDir>

#include <memory>

inline std::unique_ptr<TVimboForm> makeReadyForm(const QTemporaryDir& dir)
{
    StartupOptions options;
    options.folders = {dir.filePath("config/"), dir.filePath("data/"), dir.filePath("program/"), dir.filePath("run/"), {}};
    options.imageServerPort = 0;
    qputenv("XDG_DATA_HOME", QFile::encodeName(dir.filePath("xdg-data")));
    auto store = vimbo::RegistryDatabase::open(options.folders.config + vimbo::kRegistryFileName);
    vimbo::RegistryKey(store, vimbo::kSettingsKeyPath).writeString("FirstRun2", "no");
    auto form = std::make_unique<TVimboForm>(options, store);
    form->FormCreate();
    return form;
}
