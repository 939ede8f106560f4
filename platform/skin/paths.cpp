// Where skin picture names point on the device.
#include "platform/fs/fileapi.h"
#include "platform/skin/template.h"

namespace wq::skin {

std::u16string ResolveSkinPath(std::u16string_view templateFolder, std::u16string_view name) {
    if (name.empty()) return {};
    const bool rooted = name[0] == u'\\' || name[0] == u'/';
    std::u16string_view rel = name;
    while (!rel.empty() && (rel[0] == u'\\' || rel[0] == u'/')) rel.remove_prefix(1);
    std::u16string joined(templateFolder);
    joined += u'\\';
    joined += rel;
    if (!rooted || GetFileAttributesW(joined.c_str()) != INVALID_FILE_ATTRIBUTES) return joined;
    return std::u16string(name);
}

}  // namespace wq::skin
