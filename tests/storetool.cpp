// Test helper: writes to a settings store from a second process.
//   vimbo-storetool DB write-many NAME-PREFIX COUNT
// writes COUNT integer values NAME-PREFIX0.. into the settings key, one
// committed write each.
#include "platform/errors.h"
#include "settings/registry.h"

#include <cstdio>

int main(int argc, char** argv)
{
    if (argc != 5 || QByteArray(argv[2]) != "write-many") {
        std::fprintf(stderr, "usage: %s DB write-many PREFIX COUNT\n", argv[0]);
        return 2;
    }
    try {
        vimbo::RegistryKey key(vimbo::RegistryDatabase::open(QString::fromLocal8Bit(argv[1])),
                               vimbo::kSettingsKeyPath);
        const int count = QByteArray(argv[4]).toInt();
        for (int i = 0; i < count; ++i)
            key.writeInteger(QString::fromLocal8Bit(argv[3]) + QString::number(i), i);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}
