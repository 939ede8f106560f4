// A private PulseAudio daemon for one test: its own runtime folder, a null
// output as the default sink, the native protocol on a socket in that folder
// (no cookie), no session bus; it ends by itself a minute after its last client
// left, should a test die before stopping it. pactl reaches it through
// Pactl(). Stop (or the destructor) ends it; Start again brings it back on the
// same socket. Tests ask Missing() first and are skipped, saying why, when
// `pulseaudio` or `pactl` is not installed.
#pragma once

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace wq::test {

class PulseDaemon {
public:
    PulseDaemon() {
        std::string tmpl = (std::filesystem::temp_directory_path() / "wqpulse-XXXXXX").string();
        if (mkdtemp(tmpl.data())) m_dir = tmpl;
    }
    ~PulseDaemon() {
        Stop();
        std::error_code ec;
        if (!m_dir.empty()) std::filesystem::remove_all(m_dir, ec);
    }
    PulseDaemon(const PulseDaemon&) = delete;
    PulseDaemon& operator=(const PulseDaemon&) = delete;

    // Why the sound-server tests cannot run here, or empty when they can.
    static std::string Missing() {
        for (const char* tool : {"pulseaudio", "pactl"})
            if (std::system((std::string("command -v ") + tool + " >/dev/null 2>&1").c_str()) != 0)
                return std::string(tool) +
                       " is not installed (Debian packages pulseaudio and pulseaudio-utils, "
                       "scripts/install-deps.sh); the sound-server tests are skipped";
        return {};
    }

    std::string Address() const { return "unix:" + m_dir + "/native"; }

    // Starts the daemon and waits (up to 10 s) until it answers.
    bool Start() {
        if (m_dir.empty() || m_pid > 0) return false;
        const std::string& d = m_dir;  // made by mkdtemp: no blanks, no quotes
        std::string command = "HOME=" + d + " XDG_RUNTIME_DIR=" + d +
                              " exec pulseaudio --daemonize=no -n --exit-idle-time=60"
                              " --use-pid-file=no --disable-shm=yes --log-target=file:" +
                              d + "/log -L \"module-native-protocol-unix socket=" + d +
                              "/native auth-anonymous=1\" -L module-null-sink";
        char* argv[] = {const_cast<char*>("sh"), const_cast<char*>("-c"), command.data(), nullptr};
        if (posix_spawn(&m_pid, "/bin/sh", nullptr, nullptr, argv, environ) != 0) {
            m_pid = 0;
            return false;
        }
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (std::chrono::steady_clock::now() < deadline) {
            if (Pactl("info")) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        Stop();
        return false;
    }

    void Stop() {
        if (m_pid <= 0) return;
        kill(m_pid, SIGTERM);
        int status = 0;
        waitpid(m_pid, &status, 0);
        m_pid = 0;
    }

    // pactl against this daemon: its standard output, or nothing on failure.
    std::optional<std::string> Pactl(const std::string& args) const {
        const std::string command = "pactl --server='" + Address() + "' " + args + " 2>/dev/null";
        FILE* p = popen(command.c_str(), "r");
        if (!p) return std::nullopt;
        std::string out;
        char buffer[512];
        while (size_t n = fread(buffer, 1, sizeof buffer, p)) out.append(buffer, n);
        return pclose(p) == 0 ? std::optional<std::string>(out) : std::nullopt;
    }

    // The default output's channel volumes in per cent, as pactl prints them.
    std::vector<int> VolumePercents() const {
        std::vector<int> out;
        const auto text = Pactl("get-sink-volume @DEFAULT_SINK@");
        if (!text) return out;
        // "Volume: front-left: 32768 /  50% / -18.06 dB,   front-right: ..."
        const std::string line = text->substr(0, text->find('\n'));
        for (size_t at = line.find('%'); at != std::string::npos; at = line.find('%', at + 1)) {
            size_t start = at;
            while (start > 0 && std::isdigit(static_cast<unsigned char>(line[start - 1]))) --start;
            out.push_back(std::atoi(line.substr(start, at - start).c_str()));
        }
        return out;
    }
    std::optional<bool> Muted() const {
        const auto text = Pactl("get-sink-mute @DEFAULT_SINK@");
        if (!text) return std::nullopt;
        return text->find("yes") != std::string::npos;
    }

private:
    std::string m_dir;
    pid_t m_pid = 0;
};

}  // namespace wq::test
