// ID3v1 tag reading of CMP3Info: the 128-byte block at the end of the file.
// Layout (ID3v1 with the v1.1 track variant): "TAG", title 30, artist 30,
// album 30, year 4, comment 30 (v1.1: 28 bytes, a zero, the track byte),
// genre 1.
#include <array>
#include <string_view>

#include "platform/fs/fileapi.h"
#include "trackinfo/ansi_text.h"
#include "trackinfo/mp3info.h"

namespace {

constexpr DWORD kTagSize = CMP3Info::kID3v1Size;

struct TextField {
    size_t offset;
    size_t width;
    CString CMP3Info::*member;
};

constexpr std::array<TextField, 5> kTextFields = {{
    {3, 30, &CMP3Info::m_strTitle},
    {33, 30, &CMP3Info::m_strArtist},
    {63, 30, &CMP3Info::m_strAlbum},
    {93, 4, &CMP3Info::m_strYear},
    {97, 30, &CMP3Info::m_strComment},
}};
constexpr size_t kTrackZero = 125;  // v1.1: zero here and a non-zero track byte after it
constexpr size_t kTrack = 126;
constexpr size_t kGenre = 127;

// A field's text ends at its first zero byte or at its width; trailing
// blanks stay.
std::string_view FieldBytes(std::span<const BYTE, kTagSize> tag, const TextField& f) {
    std::string_view all(reinterpret_cast<const char*>(tag.data()) + f.offset, f.width);
    return all.substr(0, all.find('\0'));
}

}  // namespace

void CMP3Info::ReadID3v1(HANDLE hFile) {
    // The 64-bit move lets tags be found in files past 4 GiB too.
    LONG high = -1;
    SetLastError(ERROR_SUCCESS);
    DWORD low = SetFilePointer(hFile, -static_cast<LONG>(kTagSize), &high, FILE_END);
    if (low == INVALID_SET_FILE_POINTER && GetLastError() != ERROR_SUCCESS) return;

    std::array<BYTE, kTagSize> tag{};
    DWORD got = 0;
    if (!ReadFile(hFile, tag.data(), kTagSize, &got, nullptr) || got < kTagSize) return;
    ReadID3v1Block(tag);
}

void CMP3Info::ReadID3v1Block(std::span<const BYTE, kID3v1Size> tag) {
    if (tag[0] != 'T' || tag[1] != 'A' || tag[2] != 'G') return;

    wq::trackinfo::AnsiDecoder decoder;
    for (const TextField& f : kTextFields)
        this->*f.member = CString(decoder.Decode(FieldBytes(tag, f)));
    if (tag[kTrackZero] == 0 && tag[kTrack] != 0) m_nTrack = tag[kTrack];
    m_nGenre = tag[kGenre];
    m_dwFlags |= kFlagTag;
}
