#pragma once

#include <QPoint>

#include <array>
#include <chrono>

// Names of the embedded pictures, cursor and clip (Qt resource paths), and
// the facts about them that their users need.

// 48 x 48 header icon; append kLowColourSuffix (16 colours) or kHighColourSuffix
// (256 colours), both Windows bitmaps.
inline constexpr char kBlueIconResource[] = ":/ZARVO_BLUEICO";
// Suffixes of the low- and high-colour variants of a bitmap (see ColourDepthSuffix).
inline constexpr char kLowColourSuffix[] = "_L";
inline constexpr char kHighColourSuffix[] = "_H";

// 460 x 137 advert banner, Windows bitmap.
inline constexpr char kBannerResource[] = ":/ZARVO_WERBUNG";

// 112 x 16 strip of seven 16 x 16 menu icons on magenta (transparent), bitmap.
inline constexpr char kMenuIconStripResource[] = ":/ZARVO_TBARCOLR";
// Image indices of the strip, from the left.
enum TMenuIcon {
    kMenuIconOptions = 0,
    kMenuIconCopy = 1,
    kMenuIconSave = 2,
    kMenuIconHelp = 3,
    kMenuIconAbout = 4,
    kMenuIconWeb = 5,
    kMenuIconEMail = 6,
    kMenuIconCount = 7,
};

// 32 x 32 pointing hand (PNG with alpha); the tip of the index finger is the hot spot.
inline constexpr char kHandCursorResource[] = ":/ZARVOBCB_HANDCUR";
inline constexpr QPoint kHandCursorHotSpot(10, 1);

// Connect clip: 48 x 48 PNG frames with alpha, named kConnectClipResource
// followed by "/01", "/02", ... "/22". Played in a loop from frame 1, one frame
// per kConnectClipFrameInterval; when stopped, frame kConnectClipStopFrame is
// shown (the computer and the globe at rest, no packet under way).
inline constexpr char kConnectClipResource[] = ":/ZARVO_CONNECTAVI";
inline constexpr int kConnectClipFrames = 22;
inline constexpr int kConnectClipStopFrame = 22;
inline constexpr std::chrono::milliseconds kConnectClipFrameInterval(80);

// About box pictures: logo 136 x 22 and line 442 x 6 (append the colour
// suffix; "_L" 16 colours, "_H" true colour), the 49 x 49 frame behind the
// program icon (all Windows bitmaps on white), and the 32 x 32 icon shown
// when no other is given (PNG with alpha).
inline constexpr char kLogoResource[] = ":/ZARVOBCB_LOGO";
inline constexpr char kBlueLineResource[] = ":/ZARVOBCB_BLUELINE";
inline constexpr char kIconFrameResource[] = ":/ZARVOBCB_APPICOFRAME";
inline constexpr char kDefaultIconResource[] = ":/ZARVOBCB_DEFAULTICO";

// 16 x 16 button glyphs (PNG with alpha): the Extras button's drop-down arrow
// and the "open address" button in its normal and disabled look.
inline constexpr char kExtraGlyphResource[] = ":/quorvik/glyph_extra";
inline constexpr char kExecUrlGlyphResource[] = ":/quorvik/glyph_exec_url";
inline constexpr char kExecUrlDisabledGlyphResource[] = ":/quorvik/glyph_exec_url_disabled";

// The program's own icon (globe under a magnifying glass), PNG with alpha, in
// every size of the window icon and the installed desktop icon: append the
// size, as in ":/quorvik/app_icon_16" for 16 x 16.
inline constexpr char kAppIconResource[] = ":/quorvik/app_icon_";
inline constexpr std::array kAppIconSizes{16, 32, 48, 128, 256};
