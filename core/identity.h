#pragma once
// The program's identity texts.

namespace kp::identity {

inline constexpr const char* ProductName = "Klenzor Pro";
inline constexpr const char* VersionText = "Version - 2.03";
inline constexpr const char* VersionNumber = "2.03";
inline constexpr const char* BuildText = "Build 2.3.0.102";
// The title another instance is found by, then the title the program runs under.
inline constexpr const char* SearchTitle = "Purge Cache, Cookies and Tracks for Internet Explorer";
inline constexpr const char* DesignedCaption = "Klenzor Pro - Purge Cache, Cookies and Tracks for Internet Explorer";
inline constexpr const char* MessageCaption = "Klenzor Pro  -  Message";

} // namespace kp::identity
