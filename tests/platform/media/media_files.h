// Test media made with the real encoders (ffmpeg, lame) once into a cache
// folder of the build tree that is also the device root, so files are named
// by device path; and a scratch folder per process for what tests write.
#pragma once

#include <string>

namespace wqtest {

// Makes every file on first use; aborts with a message when an encoder is missing.
const std::string& MediaRoot();
// This process's folder for captures, databases and other outputs; removed at exit.
const std::string& ScratchDir();
std::string HostPath(const std::string& name);
std::u16string DevicePath(const std::string& name);
// Runs a shell command; true on exit status 0.
bool Shell(const std::string& cmd);

}  // namespace wqtest
