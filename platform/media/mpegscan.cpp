#include "platform/media/mpegscan.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/media/mpeg_tables.h"

namespace wq::media {
namespace {

// The bytes being scanned: a memory block, or a file read through a window of
// kWindow bytes (a file may be huge, and a mapped file that shrinks while it is
// read, as when a card is pulled, would kill the process; a read just fails).
class Bytes {
public:
    static constexpr std::size_t kWindow = 1 << 20;
    Bytes(const std::uint8_t* data, std::size_t size) : data_(data), size_(size), winLen_(size) {}
    Bytes(int fd, std::size_t size) : fd_(fd), size_(size), buf_(kWindow) {}

    std::size_t size() const { return size_; }
    // n <= 8192 bytes at pos, or null when they are not all there.
    const std::uint8_t* At(std::size_t pos, std::size_t n) {
        if (pos + n > size_) return nullptr;
        if (pos < winStart_ || pos + n > winStart_ + winLen_) {
            if (fd_ < 0 || !Load(pos)) return nullptr;
            if (pos + n > winStart_ + winLen_) return nullptr;
        }
        return (fd_ < 0 ? data_ : buf_.data()) + (pos - winStart_);
    }
    // Bytes available at pos without a reload (at least 1 when pos < size).
    std::size_t Span(std::size_t pos) {
        if (!At(pos, 1)) return 0;
        return winStart_ + winLen_ - pos;
    }

private:
    bool Load(std::size_t pos) {
        const std::size_t want = std::min(kWindow, size_ - pos);
        std::size_t got = 0;
        while (got < want) {
            const ssize_t r =
                ::pread(fd_, buf_.data() + got, want - got, static_cast<off_t>(pos + got));
            if (r <= 0) break;
            got += static_cast<std::size_t>(r);
        }
        winStart_ = pos;
        winLen_ = got;
        if (got < want) size_ = pos + got;  // the file shrank or failed: it ends here
        return got > 0;
    }

    const std::uint8_t* data_ = nullptr;
    int fd_ = -1;
    std::size_t size_ = 0;
    std::vector<std::uint8_t> buf_;
    std::size_t winStart_ = 0;
    std::size_t winLen_ = 0;
};

struct Header {
    int version = 0;  // kMpeg1, kMpeg2 or kMpeg25
    int layer = 0;    // 1..3
    int rate = 0;
    int length = 0;   // bytes of the whole frame
    int samples = 0;  // per channel
    bool mono = false;

    bool SameStream(const Header& o) const {
        return version == o.version && layer == o.layer && rate == o.rate;
    }
};

// Decodes the 4 bytes at p; false for anything that is not a usable header
// (reserved fields, free format, bad rate).
bool ParseHeader(const std::uint8_t* p, Header* h) {
    if (p[0] != 0xFF || (p[1] & 0xE0) != 0xE0) return false;
    const int version = VersionFromBits(p[1] >> 3);
    const int layer = LayerFromBits(p[1] >> 1);
    if (version == 0 || layer == 0) return false;
    const int kbps = BitRateKbps(version, layer, p[2] >> 4);
    const int rate = SampleRateHz(version, (p[2] >> 2) & 3);
    if (kbps <= 0 || rate <= 0) return false;  // free format, forbidden index, reserved rate
    const bool v1 = version == kMpeg1;
    const int pad = (p[2] >> 1) & 1;
    h->version = version;
    h->layer = layer;
    h->rate = rate;
    h->mono = (p[3] >> 6) == 3;
    if (layer == 1) {
        h->length = (12 * kbps * 1000 / rate + pad) * 4;
        h->samples = 384;
    } else if (layer == 2 || v1) {
        h->length = 144 * kbps * 1000 / rate + pad;
        h->samples = 1152;
    } else {
        h->length = 72 * kbps * 1000 / rate + pad;
        h->samples = 576;
    }
    return h->length >= 4;
}

// A header at `pos` whose successor (when the file goes on) matches it.
bool ConfirmedAt(Bytes& b, std::size_t pos, Header* h) {
    const std::uint8_t* p = b.At(pos, 4);
    if (!p || !ParseHeader(p, h)) return false;
    const std::size_t next = pos + static_cast<std::size_t>(h->length);
    if (next + 4 > b.size()) return next <= b.size();  // a last complete frame
    const std::uint8_t* q = b.At(next, 4);
    Header n;
    return q && ParseHeader(q, &n) && n.SameStream(*h);
}

std::size_t SkipId3v2(Bytes& b) {
    std::size_t pos = 0;
    while (const std::uint8_t* t = b.At(pos, 10)) {
        if (std::memcmp(t, "ID3", 3) != 0) break;
        const std::uint8_t* s = t + 6;
        if ((s[0] | s[1] | s[2] | s[3]) & 0x80) break;
        std::size_t len =
            (std::size_t{s[0]} << 21) | (std::size_t{s[1]} << 14) | (std::size_t{s[2]} << 7) | s[3];
        pos += 10 + len + ((t[5] & 0x10) ? 10 : 0);
    }
    return pos;
}

std::uint32_t Be32(const std::uint8_t* p) {
    return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) |
           p[3];
}

// Reads a Xing/Info/VBRI header (and a LAME tag after Xing) in the first
// frame; its frame count, when present, goes to out->frames.
bool ReadVbrFrame(Bytes& b, std::size_t pos, const Header& h, MpegLength* out) {
    const std::size_t len = static_cast<std::size_t>(h.length);
    const std::uint8_t* f = b.At(pos, len);
    if (!f) return false;
    const std::size_t side = h.version == kMpeg1 ? (h.mono ? 17 : 32) : (h.mono ? 9 : 17);
    const std::size_t xing = 4 + side;
    if (xing + 8 <= len &&
        (std::memcmp(f + xing, "Xing", 4) == 0 || std::memcmp(f + xing, "Info", 4) == 0)) {
        const std::uint32_t flags = Be32(f + xing + 4);
        if ((flags & 1) && xing + 12 <= len) out->frames = Be32(f + xing + 8);
        // An encoder tag after the Xing data gives the samples the decoder
        // drops at both ends (GStreamer's parser honours it too).
        const std::size_t lame = xing + 120;
        static constexpr const char* kEncoders[] = {"LAME", "Lavf", "Lavc", "GOGO", "L3.9"};
        const bool tagged =
            lame + 24 <= len &&
            std::any_of(std::begin(kEncoders), std::end(kEncoders),
                        [&](const char* e) { return std::memcmp(f + lame, e, 4) == 0; });
        if (tagged) {
            const std::uint8_t* t = f + lame + 21;
            out->encoderDelay = (t[0] << 4) | (t[1] >> 4);
            out->encoderPadding = ((t[1] & 0x0F) << 8) | t[2];
        }
        return true;
    }
    if (36 + 18 <= len && std::memcmp(f + 36, "VBRI", 4) == 0) {
        out->frames = Be32(f + 36 + 14);
        return true;
    }
    return false;
}

// Whether `frames` frames of this stream can fill `bytes`: no fewer bytes than
// at the lowest bit rate, at least half of them at the highest (the rest may
// be tags or damage). Guards against a corrupt count.
bool Plausible(const Header& h, std::int64_t frames, std::size_t bytes) {
    const double bytesPerKbps = static_cast<double>(h.samples) * 1000.0 / 8.0 / h.rate;
    const double smallest = BitRateKbps(h.version, h.layer, 1) * bytesPerKbps;
    const double largest = BitRateKbps(h.version, h.layer, 14) * bytesPerKbps + 4;
    const double n = static_cast<double>(frames);
    return n * (smallest - 1) <= static_cast<double>(bytes) &&
           n * largest >= 0.5 * static_cast<double>(bytes);
}

std::optional<MpegLength> Scan(Bytes& b) {
    std::size_t pos = SkipId3v2(b);
    Header first;
    while (pos + 4 <= b.size() && !ConfirmedAt(b, pos, &first)) ++pos;
    if (pos + 4 > b.size()) return std::nullopt;

    MpegLength out;
    out.sampleRate = first.rate;
    if (ReadVbrFrame(b, pos, first, &out)) {
        out.hasVbrHeader = true;
        if (out.frames > 0 &&
            Plausible(first, out.frames, b.size() - pos - static_cast<std::size_t>(first.length))) {
            // The encoder counted its frames: no need to read the whole file.
            out.samples = out.frames * first.samples;
            return out;
        }
        out.frames = 0;
        pos += static_cast<std::size_t>(first.length);
    }
    Header h;
    while (pos + 4 <= b.size()) {
        const std::uint8_t* p = b.At(pos, 4);
        if (p && ParseHeader(p, &h) && h.SameStream(first)) {
            if (pos + static_cast<std::size_t>(h.length) > b.size()) break;  // truncated last frame
            ++out.frames;
            out.samples += h.samples;
            pos += static_cast<std::size_t>(h.length);
            continue;
        }
        // Lost sync (garbage, a tag): find the next confirmed header of this stream.
        ++pos;
        while (pos + 4 <= b.size() && !(ConfirmedAt(b, pos, &h) && h.SameStream(first))) {
            const std::size_t span = b.Span(pos + 1);
            const std::uint8_t* q = span ? b.At(pos + 1, 1) : nullptr;
            const void* ff = q ? std::memchr(q, 0xFF, span) : nullptr;
            pos = ff ? pos + 1 + static_cast<std::size_t>(static_cast<const std::uint8_t*>(ff) - q)
                     : (q ? pos + 1 + span : b.size());
        }
    }
    if (out.frames == 0) return std::nullopt;
    return out;
}

}  // namespace

std::int64_t MpegLength::PlayedSamples() const {
    const std::int64_t trimmed = samples - encoderDelay - encoderPadding;
    return trimmed > 0 ? trimmed : samples;
}

std::int64_t MpegLength::DurationNs() const {
    if (sampleRate <= 0) return 0;
    return PlayedSamples() * 1'000'000'000 / sampleRate;
}

std::optional<MpegLength> ScanMpegFrames(const std::uint8_t* data, std::size_t size) {
    Bytes b(data, size);
    return Scan(b);
}

std::optional<MpegLength> ScanMpegFile(const std::string& hostPath) {
    const int fd = ::open(hostPath.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return std::nullopt;
    struct stat st {};
    std::optional<MpegLength> result;
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size >= 4) {
        Bytes b(fd, static_cast<std::size_t>(st.st_size));
        result = Scan(b);
    }
    ::close(fd);
    return result;
}

}  // namespace wq::media
