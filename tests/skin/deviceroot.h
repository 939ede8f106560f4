// A temporary device root holding a copy of the repository's skin/ folder as
// "NAND Flash/skin", installed as the device root while it lives.
#pragma once

#include <string>

namespace skintest {

class DeviceRoot {
public:
    DeviceRoot();
    ~DeviceRoot();
    DeviceRoot(const DeviceRoot&) = delete;
    DeviceRoot& operator=(const DeviceRoot&) = delete;

    const std::string& path() const { return m_path; }
    // The host path of the skin copy ("<root>/NAND Flash/skin").
    std::string SkinDir() const { return m_path + "/NAND Flash/skin"; }

private:
    std::string m_path;
};

// The repository folder (WQ_SOURCE_DIR).
std::string SourceDir();
// The folder the test binary runs in, where failing tests leave pictures.
std::string OutputDir();

}  // namespace skintest
