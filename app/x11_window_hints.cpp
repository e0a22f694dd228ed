#include "app/x11_window_hints.h"

#include "util/desktop_entry.h"

#include <QGuiApplication>
#include <QWidget>
#include <QtGui/qguiapplication_platform.h>

#include <array>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include <xcb/xcb.h>

namespace {

// The fields and bits of _MOTIF_WM_HINTS as window managers read them.
constexpr std::uint32_t kMwmHintsFunctions = 1u << 0;
constexpr std::uint32_t kMwmHintsDecorations = 1u << 1;
constexpr std::uint32_t kMwmFuncMove = 1u << 2;
constexpr std::uint32_t kMwmFuncMinimize = 1u << 3;
constexpr std::uint32_t kMwmFuncClose = 1u << 5;
constexpr std::uint32_t kMwmDecorBorder = 1u << 1;
constexpr std::uint32_t kMwmDecorTitle = 1u << 3;
constexpr std::uint32_t kMwmDecorMenu = 1u << 4;
constexpr std::uint32_t kMwmDecorMinimize = 1u << 5;
constexpr char kMotifHintsAtom[] = "_MOTIF_WM_HINTS";

xcb_atom_t Atom(xcb_connection_t* connection, const char* name) {
    const xcb_intern_atom_cookie_t cookie =
        xcb_intern_atom(connection, 0, static_cast<std::uint16_t>(std::strlen(name)), name);
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(connection, cookie, nullptr);
    const xcb_atom_t atom = reply != nullptr ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
    std::free(reply);
    return atom;
}

} // namespace

void SetX11WindowHints(QWidget& window) {
    const auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    xcb_connection_t* connection = x11 != nullptr ? x11->connection() : nullptr;
    if (connection == nullptr)
        return;
    const auto id = static_cast<xcb_window_t>(window.winId());
    const xcb_atom_t motifHints = Atom(connection, kMotifHintsAtom);
    if (motifHints != XCB_ATOM_NONE) {
        // flags, functions, decorations, input mode, status
        const std::array<std::uint32_t, 5> hints = {
            kMwmHintsFunctions | kMwmHintsDecorations,
            kMwmFuncMove | kMwmFuncMinimize | kMwmFuncClose,
            kMwmDecorBorder | kMwmDecorTitle | kMwmDecorMenu | kMwmDecorMinimize, 0, 0};
        xcb_change_property(connection, XCB_PROP_MODE_REPLACE, id, motifHints, motifHints, 32,
                            hints.size(), hints.data());
    }
    // Instance and class, each ended by a zero byte.
    const std::string windowClass = std::string(kWindowClass) + '\0' + kWindowClass + '\0';
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, id, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING,
                        8, static_cast<std::uint32_t>(windowClass.size()), windowClass.data());
    xcb_flush(connection);
}
