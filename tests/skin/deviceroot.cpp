#include "deviceroot.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "platform/fs/root.h"

namespace skintest {

namespace fs = std::filesystem;

std::string SourceDir() {
    const char* env = std::getenv("WQ_SOURCE_DIR");
    return env && *env ? env : WQ_SOURCE_DIR;
}

std::string OutputDir() { return fs::current_path().string(); }

DeviceRoot::DeviceRoot() {
    std::string tmpl = (fs::temp_directory_path() / "wqskin-XXXXXX").string();
    if (!mkdtemp(tmpl.data())) {
        ADD_FAILURE() << "cannot make a temporary folder";
        return;
    }
    m_path = tmpl;
    std::error_code ec;
    fs::create_directories(m_path + "/NAND Flash", ec);
    fs::copy(SourceDir() + "/skin", SkinDir(), fs::copy_options::recursive, ec);
    EXPECT_FALSE(ec) << "copying skin/: " << ec.message();
    std::string error;
    EXPECT_TRUE(wq::fs::SetRoot(m_path, &error)) << error;
}

DeviceRoot::~DeviceRoot() {
    if (m_path.empty()) return;
    std::error_code ec;
    fs::remove_all(m_path, ec);
}

}  // namespace skintest
