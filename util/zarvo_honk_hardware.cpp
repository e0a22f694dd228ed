#include "util/zarvo_honk_hardware.h"

#include <QDir>
#include <QGuiApplication>
#include <QLocale>
#include <QScreen>
#include <ifaddrs.h>
#include <net/if.h>
#include <unistd.h>

namespace {

constexpr int kPaletteMaxBits = 8;
constexpr qint64 kBytesPerKB = 1024;
constexpr char kSoundDeviceFolder[] = "/dev/snd";
// ALSA playback devices are named pcmC<card>D<device>p.
constexpr char kPlaybackDevicePattern[] = "pcmC*D*p";

} // namespace

int TZarvoHonkHardware::ScreenBits() const {
    if (FScreenBits)
        return FScreenBits();
    const QScreen* screen = qobject_cast<QGuiApplication*>(QCoreApplication::instance())
                                ? QGuiApplication::primaryScreen()
                                : nullptr;
    return screen ? screen->depth() : -1;
}

int TZarvoHonkHardware::ColorsForBits(int bits) {
    switch (bits) {
    case 1:
        return 1;
    case 4:
        return 16;
    case 8:
        return 256;
    case 15:
        return 32768;
    case 16:
        // One short of 65536: callers treat "below 65535" as a low-colour screen.
        return 65535;
    case 24:
    case 32:
        return 16777216;
    default:
        return kUnknownColors;
    }
}

int TZarvoHonkHardware::ScreenColors() const {
    return ColorsForBits(ScreenBits());
}

bool TZarvoHonkHardware::ScreenPalette() const {
    const int bits = ScreenBits();
    return bits > 0 && bits <= kPaletteMaxBits;
}

QString TZarvoHonkHardware::Memory() const {
    const long pages = sysconf(_SC_PHYS_PAGES);
    const long pageSize = sysconf(_SC_PAGESIZE);
    if (pages <= 0 || pageSize <= 0)
        return {};
    const qint64 kb = static_cast<qint64>(pages) * pageSize / kBytesPerKB;
    return QLocale::system().toString(kb);
}

bool TZarvoHonkHardware::Soundcard() const {
    return !QDir(kSoundDeviceFolder)
                .entryList({kPlaybackDevicePattern}, QDir::System | QDir::Files)
                .isEmpty();
}

bool TZarvoHonkHardware::Network() const {
    ifaddrs* list = nullptr;
    if (getifaddrs(&list) != 0)
        return false;
    bool found = false;
    for (const ifaddrs* entry = list; entry && !found; entry = entry->ifa_next) {
        const unsigned flags = entry->ifa_flags;
        found = (flags & IFF_UP) && (flags & IFF_RUNNING) && !(flags & IFF_LOOPBACK);
    }
    freeifaddrs(list);
    return found;
}
