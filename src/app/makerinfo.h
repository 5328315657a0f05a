// Who makes the player, as the about window and the error report show it.
// One place, so the maker's real addresses go in here and nowhere else.
#pragma once

namespace vimbo {

inline constexpr const char* kProductName = "Vimbo Media Player";
inline constexpr const char* kMakerName = "Zevo Software";
inline constexpr const char* kMakerNotice = "Vimbo Media Player, free software by Zevo Software.";
// Reserved documentation addresses until the maker publishes real ones.
inline constexpr const char* kMakerMail = "vimbo@example.org";
inline constexpr const char* kMakerWebsite = "https://vimbo.example.org/";
// Where error reports go; empty lets the user's mail program ask (no report
// should go to a placeholder address).
inline constexpr const char* kErrorReportMail = "";

} // namespace vimbo
