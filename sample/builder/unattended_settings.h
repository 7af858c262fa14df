#pragma once
// Settings of a user who has set up an unattended purge: the program's
// settings file in its default data folder (Application Data\Klenzor), with
// the AUTO option set selecting the online and offline cache, cookies and
// visited URLs, reported in detail, and a protect file that keeps the
// cookie of www.example.com.

#include "platform/win32.h"

#include <string>

namespace kp::sample {

// Writes the settings into the machine at `prefixDir`; the first failure's
// Win32 code.
kp::win::DWORD writeUnattendedPurgeSettings(const std::string& prefixDir, const std::string& userName);

} // namespace kp::sample
