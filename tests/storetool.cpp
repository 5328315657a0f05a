// Test and benchmark helper: writes to a settings store from another process.
//   vimbo-storetool DB write-many NAME-PREFIX COUNT
//     writes COUNT integer values NAME-PREFIX0.. into the settings key, one
//     committed write each;
//   vimbo-storetool DB set NAME TEXT
//     writes one string value.
#include "platform/errors.h"
#include "settings/registry.h"

#include <cstdio>

int main(int argc, char** argv)
{
    const QByteArray command = argc == 5 ? argv[2] : "";
    if (command != "write-many" && command != "set") {
        std::fprintf(stderr, "usage: %s DB write-many PREFIX COUNT | DB set NAME TEXT\n", argv[0]);
        return 2;
    }
    try {
        vimbo::RegistryKey key(vimbo::RegistryDatabase::open(QString::fromLocal8Bit(argv[1])),
                               vimbo::kSettingsKeyPath);
        if (command == "set") {
            key.writeString(QString::fromLocal8Bit(argv[3]), QString::fromLocal8Bit(argv[4]));
            return 0;
        }
        const int count = QByteArray(argv[4]).toInt();
        for (int i = 0; i < count; ++i)
            key.writeInteger(QString::fromLocal8Bit(argv[3]) + QString::number(i), i);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}
