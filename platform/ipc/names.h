// How window names become D-Bus names. Window names compare case-insensitively
// as whole names, so the bus name is built from the case-folded name: every
// spelling of "WQAudio" maps to org.wqaudio.Window.wqaudio, and two names that
// differ after folding never share a bus name.
#pragma once

#include <string>
#include <string_view>

namespace wq::ipc {

inline constexpr const char* kWindowNamePrefix = "org.wqaudio.Window.";
inline constexpr const char* kWindowPathPrefix = "/org/wqaudio/Window/";
inline constexpr const char* kWindowInterface = "org.wqaudio.Window";
inline constexpr const char* kAutomationPath = "/org/wqaudio/Automation";
inline constexpr const char* kAutomationInterface = "org.wqaudio.Automation";
inline constexpr const char* kErrorPrefix = "org.wqaudio.Error.";
// Owned by the program in front. A program that comes forward takes it over;
// the one that loses it learns from the bus that it went to the background.
inline constexpr const char* kForegroundName = "org.wqaudio.Foreground";

// The one bus-name element for a window name: the name folded by
// platform/base/casefold.h, as UTF-8, in which a-z and 0-9 stand for
// themselves and every other byte is "_" plus two lower-case hex digits (a
// leading digit is escaped too, as the bus requires).
// An element longer than the bus allows becomes "_h" and the SHA-256 of the
// folded name. Empty for an empty name (such a window is never published).
std::string WindowElement(std::u16string_view name);

// org.wqaudio.Window.<element> and /org/wqaudio/Window/<element>.
std::string WindowBusName(std::u16string_view name);
std::string WindowObjectPath(std::u16string_view name);

}  // namespace wq::ipc
