#pragma once

// The program's title (util/app_title.h): the window caption and the caption
// of every message box.
inline constexpr char kAppTitle[] = "Vendrix Quorvik";

// The maker's web site: the URL field's first text and the base of the web
// links. Scheme and host only, without a trailing slash.
inline constexpr char kMakerSiteUrl[] = "http://www.vendrix.example";
