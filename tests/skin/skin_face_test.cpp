// The four templates as the real skin library loads them, the faces they
// draw against the committed screenshots, and the committed skin against a
// fresh run of its generator.
//
// To regenerate after changing tools/skingen: build the skingen and skincheck
// targets in build/art, then run tools/skingen/regenerate.sh from the
// repository root (it redraws skin/ and docs/screenshots/skin-*.png).
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>

#include "deviceroot.h"
#include "platform/gdi/surface.h"
#include "tools/skincheck/check.h"

namespace {

namespace fs = std::filesystem;
using skincheck::Window;

struct Face {
    Window window;
    const char16_t* tpl;
    const char* screenshot;  // under docs/screenshots
};

constexpr Face kFaces[] = {
    {Window::Player, u"\\NAND Flash\\skin\\WQAudio\\WQAudio.TPL", "skin-player.png"},
    {Window::Equalizer, u"\\NAND Flash\\skin\\WQAudio\\WQEqualizer.TPL", "skin-equalizer.png"},
    {Window::Pattern, u"\\NAND Flash\\skin\\WQAudio\\WQPattern.TPL", "skin-pattern.png"},
    {Window::Taskbar, u"\\NAND Flash\\skin\\Common\\taskbar.TPL", "skin-taskbar.png"},
};

// A channel may differ by this much (JPEG decoders round differently).
constexpr int kChannelTolerance = 6;
// And this share of pixels may exceed it.
constexpr double kPixelShare = 0.002;

int Channel(std::uint32_t p, int shift) { return static_cast<int>((p >> shift) & 0xFF); }

TEST(SkinFaces, EveryTemplateLoadsCompleteWithNoProblem) {
    skintest::DeviceRoot root;
    for (const Face& f : kFaces) {
        SCOPED_TRACE(f.screenshot);
        CSkinManager skin(nullptr);
        const skincheck::Report report = skincheck::Check(skin, f.tpl, f.window);
        EXPECT_TRUE(report.loaded);
        for (const skincheck::Finding& finding : report.findings) {
            ADD_FAILURE() << "line " << finding.line << ": " << finding.message;
        }
    }
}

TEST(SkinFaces, RenderedFacesMatchTheScreenshots) {
    skintest::DeviceRoot root;
    for (const Face& f : kFaces) {
        SCOPED_TRACE(f.screenshot);
        CSkinManager skin(nullptr);
        ASSERT_TRUE(skin.Load(f.tpl));
        const std::string actualPath = skintest::OutputDir() + "/actual-" + f.screenshot;
        std::string error;
        ASSERT_TRUE(skincheck::Render(skin, actualPath, false, &error)) << error;
        wq::gdi::Surface actual, expected;
        ASSERT_TRUE(wq::gdi::LoadPng(actualPath, &actual, &error)) << error;
        const std::string expectedPath = skintest::SourceDir() + "/docs/screenshots/" + f.screenshot;
        ASSERT_TRUE(wq::gdi::LoadPng(expectedPath, &expected, &error)) << error;
        ASSERT_EQ(actual.width, expected.width);
        ASSERT_EQ(actual.height, expected.height);

        wq::gdi::Surface diff;
        diff.Resize(actual.width, actual.height);
        size_t bad = 0;
        for (size_t i = 0; i < actual.pixels.size(); ++i) {
            int worst = 0;
            for (int shift : {0, 8, 16}) {
                worst = std::max(worst, std::abs(Channel(actual.pixels[i], shift) - Channel(expected.pixels[i], shift)));
            }
            if (worst > kChannelTolerance) {
                ++bad;
                diff.pixels[i] = 0xFF0000;
            } else {
                diff.pixels[i] = (expected.pixels[i] >> 2) & 0x3F3F3F;  // dimmed context
            }
        }
        const double share = static_cast<double>(bad) / static_cast<double>(actual.pixels.size());
        if (share > kPixelShare) {
            const std::string diffPath = skintest::OutputDir() + "/diff-" + f.screenshot;
            wq::gdi::SavePng(diff, diffPath);
            ADD_FAILURE() << bad << " pixels differ from " << expectedPath << "\n  actual: " << actualPath
                          << "\n  diff (red = differs): " << diffPath
                          << "\n  if the change is meant, regenerate as the comment at the top of this file says";
        } else {
            std::remove(actualPath.c_str());
        }
    }
}

std::map<std::string, std::string> ReadTree(const std::string& dir) {
    std::map<std::string, std::string> files;
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(dir, ec); !ec && it != fs::recursive_directory_iterator();
         it.increment(ec)) {
        if (!it->is_regular_file()) continue;
        std::ifstream in(it->path(), std::ios::binary);
        files[fs::relative(it->path(), dir).string()] =
            std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    return files;
}

TEST(SkinFaces, CommittedSkinIsWhatTheGeneratorDraws) {
    skintest::DeviceRoot root;  // a private temporary folder
    const std::string out = root.path() + "/generated";
    const std::string command = std::string("'") + SKINGEN_PATH + "' '" + out + "'";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
    const auto generated = ReadTree(out);
    const auto committed = ReadTree(skintest::SourceDir() + "/skin");
    ASSERT_FALSE(generated.empty());
    for (const auto& [name, bytes] : generated) {
        auto it = committed.find(name);
        if (it == committed.end()) {
            ADD_FAILURE() << "skin/" << name << " is drawn by skingen but not committed";
        } else if (it->second != bytes) {
            ADD_FAILURE() << "skin/" << name << " differs from what skingen draws now; run skingen skin";
        }
    }
    for (const auto& [name, bytes] : committed) {
        if (!generated.count(name)) ADD_FAILURE() << "skin/" << name << " is committed but skingen no longer draws it";
    }
}

TEST(SkinFaces, GeneratorReportsAnUnwritableFolderInsteadOfCrashing) {
    skintest::DeviceRoot root;
    const std::string blocker = root.path() + "/not-a-folder";
    std::ofstream(blocker) << "x";
    const std::string command = std::string("'") + SKINGEN_PATH + "' '" + blocker + "' 2>/dev/null";
    const int status = std::system(command.c_str());
    ASSERT_NE(status, -1);
    EXPECT_TRUE(WIFEXITED(status)) << "skingen died on a signal";
    EXPECT_EQ(WEXITSTATUS(status), 1);
    const std::string usage = std::string("'") + SKINGEN_PATH + "' 2>/dev/null";
    const int usageStatus = std::system(usage.c_str());
    EXPECT_TRUE(WIFEXITED(usageStatus));
    EXPECT_EQ(WEXITSTATUS(usageStatus), 2);
}

}  // namespace
