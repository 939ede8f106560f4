// The registered-message table of programs without the window system: one id
// per name whatever its case, and no name for an id it never gave out.
#include "platform/ipc/inbox.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(MessageTable, OneIdPerNameAndNoNameForForeignIds) {
    wq::ipc::MessageTable table;
    EXPECT_EQ(table.Register(u""), 0u);
    const UINT first = table.Register(u"WQ:MSG:KEYDOWN");
    EXPECT_EQ(first, 0xC000u);
    EXPECT_EQ(table.Register(u"wq:msg:keydown"), first);
    const UINT second = table.Register(u"WQ:MSG:AUDIOUPDATE");
    EXPECT_EQ(second, first + 1);
    EXPECT_EQ(table.NameOf(first), u"WQ:MSG:KEYDOWN");
    EXPECT_EQ(table.NameOf(second), u"WQ:MSG:AUDIOUPDATE");
    // Ids a stranger may send: below the range, past the last name, far out.
    for (UINT id : {0u, 0xBFFFu, second + 1, 0xFFFFu, 0xFFFFFFFFu})
        EXPECT_EQ(table.NameOf(id), u"") << id;

    // The range holds 0x4000 names; the next one is refused.
    std::u16string name(2, u'N');
    for (int i = 2; i < 0x4000; ++i) {
        name[1] = static_cast<char16_t>(0x4E00 + i);  // caseless: all distinct
        table.Register(name);
    }
    EXPECT_EQ(table.NameOf(0xFFFF).empty(), false);
    EXPECT_EQ(table.Register(u"one too many"), 0u);
    EXPECT_EQ(table.NameOf(0xC000 + 0x4000), u"");
}

}  // namespace
