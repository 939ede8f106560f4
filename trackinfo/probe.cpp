#include "trackinfo/probe.h"

#include <cstdio>
#include <cstring>

#include "platform/fs/root.h"
#include "trackinfo/ansi_text.h"
#include "trackinfo/mp3info.h"

namespace wq::trackinfo {
namespace {

constexpr const char* kUsage =
    "usage: wqaudio --probe [--codepage NAME] FILE...\n"
    "Prints one JSON line per file with its MPEG header and ID3v1 tag as the player reads them.\n"
    "--codepage NAME  the 8-bit code page of tag text (iconv name; default CP949)\n";

void AppendUtf8(std::string* out, char32_t c) {
    if (c < 0x80) {
        out->push_back(static_cast<char>(c));
    } else if (c < 0x800) {
        out->push_back(static_cast<char>(0xC0 | (c >> 6)));
        out->push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
        out->push_back(static_cast<char>(0xE0 | (c >> 12)));
        out->push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out->push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
        out->push_back(static_cast<char>(0xF0 | (c >> 18)));
        out->push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
        out->push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out->push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
}

void AppendEscape(std::string* out, unsigned unit) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "\\u%04x", unit & 0xFFFFu);
    out->append(buf);
}

bool IsHigh(char16_t c) {
    return c >= 0xD800 && c <= 0xDBFF;
}
bool IsLow(char16_t c) {
    return c >= 0xDC00 && c <= 0xDFFF;
}

void AppendField(std::string* line, const char* key, const std::string& json) {
    line->append(line->size() > 1 ? ",\"" : "\"").append(key).append("\":").append(json);
}
void AppendField(std::string* line, const char* key, long long value) {
    AppendField(line, key, std::to_string(value));
}
void AppendField(std::string* line, const char* key, const CString& text) {
    AppendField(line, key, JsonQuote(text.str()));
}

std::string ProbeLine(const char* arg, bool* opened) {
    CMP3Info info;
    CString path = CString::FromUtf8(arg);
    int open = info.Open(path);
    *opened = open == 1;
    std::string line = "{";
    AppendField(&line, "path", path);
    AppendField(&line, "open", open);
    AppendField(&line, "flags", static_cast<long long>(info.m_dwFlags));
    AppendField(&line, "title", info.m_strTitle);
    AppendField(&line, "artist", info.m_strArtist);
    AppendField(&line, "album", info.m_strAlbum);
    AppendField(&line, "year", info.m_strYear);
    AppendField(&line, "comment", info.m_strComment);
    AppendField(&line, "track", info.m_nTrack);
    AppendField(&line, "genre", info.m_nGenre);
    AppendField(&line, "version", info.m_nVersion);
    AppendField(&line, "layer", info.m_nLayer);
    AppendField(&line, "protection", info.m_nProtection);
    AppendField(&line, "bitrate", info.m_nBitRate);
    AppendField(&line, "samplerate", info.m_nSampleRate);
    AppendField(&line, "channel_mode", info.m_nChannelMode);
    AppendField(&line, "emphasis", info.m_nEmphasis);
    AppendField(&line, "copyright", info.m_nCopyright);
    AppendField(&line, "original", info.m_nOriginal);
    // The player takes the first eleven sync bits as a header whatever follows
    // them; only a header with a layer and a sample rate is MPEG audio.
    const bool mpeg = (info.m_dwFlags & 2) != 0 && info.m_nLayer > 0;
    AppendField(&line, "mpeg_audio", std::string(mpeg ? "true" : "false"));
    line.append("}\n");
    return line;
}

}  // namespace

std::string JsonQuote(std::u16string_view text) {
    std::string out = "\"";
    for (size_t i = 0; i < text.size(); ++i) {
        char16_t c = text[i];
        switch (c) {
            case u'"':
                out.append("\\\"");
                continue;
            case u'\\':
                out.append("\\\\");
                continue;
            case u'\n':
                out.append("\\n");
                continue;
            case u'\r':
                out.append("\\r");
                continue;
            case u'\t':
                out.append("\\t");
                continue;
            case u'\b':
                out.append("\\b");
                continue;
            case u'\f':
                out.append("\\f");
                continue;
            default:
                break;
        }
        if (c < 0x20 || c == 0x7F) {
            AppendEscape(&out, c);
        } else if (IsHigh(c) && i + 1 < text.size() && IsLow(text[i + 1])) {
            AppendUtf8(&out, 0x10000 + ((static_cast<char32_t>(c) - 0xD800) << 10) +
                                 (text[i + 1] - 0xDC00));
            ++i;
        } else if (IsHigh(c) || IsLow(c)) {
            AppendEscape(&out, c);
        } else {
            AppendUtf8(&out, c);
        }
    }
    out.push_back('"');
    return out;
}

int RunProbe(int argc, char** argv) {
    std::string codePage = GetAnsiCodePage();
    // Options of the program before "--probe" belong to the program.
    int start = 1;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--probe") == 0) {
            start = i + 1;
            break;
        }
    }
    int first = argc;
    for (int i = start; i < argc; ++i) {
        const char* a = argv[i];
        if (std::strcmp(a, "--") == 0) {
            first = i + 1;
            break;
        }
        if (std::strcmp(a, "--help") == 0) {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (std::strcmp(a, "--codepage") == 0 && i + 1 < argc) {
            codePage = argv[++i];
            continue;
        }
        if (std::strncmp(a, "--codepage=", 11) == 0) {
            codePage = a + 11;
            continue;
        }
        if (std::strncmp(a, "--", 2) == 0) {
            std::fprintf(stderr, "wqaudio --probe: unknown option %s\n%s", a, kUsage);
            return 2;
        }
        first = i;
        break;
    }
    if (first >= argc) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    if (!SetAnsiCodePage(codePage)) {
        std::fprintf(stderr, "wqaudio --probe: unknown code page %s\n", codePage.c_str());
        return 2;
    }

    const fs::PathMode oldMode = fs::GetPathMode();
    const DWORD oldDelay = GetOpenDelay();
    fs::SetPathMode(fs::PathMode::Host);
    SetOpenDelay(0);
    int result = 0;
    for (int i = first; i < argc; ++i) {
        bool opened = false;
        std::string line = ProbeLine(argv[i], &opened);
        std::fwrite(line.data(), 1, line.size(), stdout);
        std::fflush(stdout);
        if (!opened) result = 1;
    }
    SetOpenDelay(oldDelay);
    fs::SetPathMode(oldMode);
    return result;
}

}  // namespace wq::trackinfo
