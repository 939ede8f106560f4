#include "app/firstrun.h"

#include <dirent.h>
#include <glib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace wq::app {
namespace stdfs = std::filesystem;

namespace {

// Why `folder` cannot serve as the memory card's music, empty when it can.
std::string Unusable(const std::string& folder) {
    struct stat st {};
    if (::stat(folder.c_str(), &st) != 0) return std::strerror(errno);
    if (!S_ISDIR(st.st_mode)) return "not a folder";
    DIR* d = ::opendir(folder.c_str());
    if (!d) return std::strerror(errno);
    ::closedir(d);
    return {};
}

bool Link(const std::string& target, const stdfs::path& at, std::string* error) {
    std::error_code ec;
    stdfs::create_directories(at.parent_path(), ec);
    if (!ec) stdfs::create_directory_symlink(target, at, ec);
    if (ec) *error = at.string() + ": " + ec.message();
    return !ec;
}

}  // namespace

std::string InstalledSkin() {
    std::error_code ec;
    const stdfs::path exe = stdfs::read_symlink("/proc/self/exe", ec);
    if (ec) return {};
    const stdfs::path skin = stdfs::weakly_canonical(exe.parent_path() / WQ_SKIN_FROM_BIN, ec);
    if (ec || !stdfs::is_regular_file(skin / "WQAudio" / "WQAudio.TPL", ec)) return {};
    return skin.string();
}

std::string UserMusicFolder() {
    // GLib reads the user-dirs file as xdg-user-dir does.
    if (const gchar* music = g_get_user_special_dir(G_USER_DIRECTORY_MUSIC)) return music;
    return (stdfs::path(g_get_home_dir()) / "Music").string();
}

bool CreateDeviceRoot(const std::string& root, const std::string& skin, const std::string& music,
                      std::string* line, std::string* error) {
    line->clear();
    struct stat st {};
    if (::lstat(root.c_str(), &st) == 0) return true;  // never touched once it exists
    const stdfs::path final(root);
    std::error_code ec;
    stdfs::create_directories(final.parent_path(), ec);
    if (ec) {
        *error = "device root " + root + ": cannot create its folder: " + ec.message();
        return false;
    }
    std::string draft = final.string() + ".new-XXXXXX";
    if (!::mkdtemp(draft.data())) {
        *error = "device root " + root + ": cannot create: " + std::strerror(errno);
        return false;
    }
    ::chmod(draft.c_str(), 0755);  // mkdtemp makes it private
    auto fail = [&](const std::string& why) {
        stdfs::remove_all(draft, ec);
        *error = "device root " + root + ": " + why;
        return false;
    };
    std::string made = "first run: made the device root " + root;
    std::string why;
    if (skin.empty()) {
        made += "; no installed skin was found beside the program, so the player shows no face";
        stdfs::create_directories(stdfs::path(draft) / "NAND Flash", ec);
    } else if (!Link(skin, stdfs::path(draft) / "NAND Flash" / "skin", &why)) {
        return fail(why);
    } else {
        made += " with the skin " + skin;
    }
    const std::string unusable = Unusable(music);
    if (!unusable.empty()) {
        made += "; the memory card is empty: the music folder " + music + " cannot be used (" +
                unusable + ")";
        stdfs::create_directories(stdfs::path(draft) / "SDMMC Card", ec);
    } else if (!Link(music, stdfs::path(draft) / "SDMMC Card" / "AUDIO", &why)) {
        return fail(why);
    } else {
        made += " and your music " + music + " as the memory card's AUDIO folder";
    }
    if (::rename(draft.c_str(), root.c_str()) != 0) {
        const int err = errno;
        stdfs::remove_all(draft, ec);
        // Another copy starting at the same moment made it first.
        if ((err == EEXIST || err == ENOTEMPTY) && ::lstat(root.c_str(), &st) == 0) return true;
        *error = "device root " + root + ": cannot create: " + std::strerror(err);
        return false;
    }
    *line = made;
    return true;
}

}  // namespace wq::app
