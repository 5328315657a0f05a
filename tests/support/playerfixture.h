// A player's folders in a temporary tree (the user's XDG folders too), its
// settings store, and main windows made over them.
#pragma once

#include "app/vimboform.h"
#include "support/dialogpilot.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

class PlayerFixture : public ::testing::Test
{
protected:
    PlayerFixture()
    {
        // Registering file types writes into these: keep them in the test's folders.
        qputenv("XDG_DATA_HOME", QFile::encodeName(dir.filePath("xdg-data")));
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(dir.filePath("xdg-config")));
        options.folders = {dir.filePath("config/"), dir.filePath("data/"), dir.filePath("program/"),
                           dir.filePath("run/"), {}};
        options.imageServerPort = 0;
        qputenv("SDL_AUDIODRIVER", "dummy"); // no sound card here
    }

    std::shared_ptr<vimbo::RegistryDatabase> store()
    {
        if (!m_store)
            m_store = vimbo::RegistryDatabase::open(options.folders.config + vimbo::kRegistryFileName);
        return m_store;
    }
    vimbo::RegistryKey settings() { return vimbo::RegistryKey(store(), vimbo::kSettingsKeyPath); }

    // A main window after its start-up sequence.
    std::unique_ptr<TVimboForm> create()
    {
        auto form = std::make_unique<TVimboForm>(options, store());
        form->FormCreate();
        return form;
    }

    QTemporaryDir dir;
    StartupOptions options;
    DialogPilot pilot;

private:
    std::shared_ptr<vimbo::RegistryDatabase> m_store;
};

// A main window after a start-up that is not the first (no first-run dialogs).
class ReadyPlayerFixture : public PlayerFixture
{
protected:
    ReadyPlayerFixture()
    {
        settings().writeString("FirstRun2", "no");
        form = create();
    }

    std::unique_ptr<TVimboForm> form;
};
